#include "core/resources/XmlElementResource.h"

namespace Tarnu
{

XmlElement XmlElementResource::findOwnElement(const std::string& tag, const std::string& prefix)
{
    loadError = false;
    XmlElement element;
    if (XmlFileManager* files = XmlFileManager::getSingletonPtr())
        element = files->findElement(tag, getName(), fileName);
    if (!element)
    {
        XmlFileManager::log(prefix + getName() + ": cannot find element name in any loaded xml files.");
        loadError = true;
    }
    return element;
}

}
