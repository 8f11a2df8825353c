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
        XmlFileManager::log(prefix + getName() + ": cannot find element name in any loaded xml files.",
                            LogFile::ML_CRITICAL,
                            "(Check the name against the data file, and name that file when loading; a data file "
                            "that could not be read is reported before this.)");
        loadError = true;
    }
    return element;
}

}
