#pragma once
// A resource read from one named element of the XML data files (entity and
// scene templates, event scripts, animation sequences), and the singleton
// manager of such resources. The resource remembers the data file to look in
// first; without one, or when that file lacks the element, the index of
// loaded files finds it wherever it was defined.

#include "core/resources/ResourceManager.h"
#include "core/resources/XmlFile.h"
#include "core/resources/XmlFileManager.h"

#include <memory>
#include <string>

namespace Tarnu
{

class XmlElementResource : public Resource
{
public:
    using Resource::Resource;

    const std::string& getFileName() const { return fileName; }
    void setFileName(const std::string& file) { fileName = file; }

protected:
    /// Clears the load-error flag and finds the element, locked; when no
    /// loaded file holds it, logs prefix + name + ": cannot find element name
    /// in any loaded xml files." and sets the flag.
    XmlElement findOwnElement(const std::string& tag, const std::string& prefix);

private:
    std::string fileName;   // kept across unloads
};

template <class Manager, class T>
class XmlElementResourceManager : public TypedResourceManager<Manager, T>
{
public:
    /// The XmlFileManager must exist: it is told to index the tag.
    explicit XmlElementResourceManager(const std::string& tag)
    {
        XmlFileManager::getSingleton().registerElementTag(tag);
    }

    /// The resource of that name, made unloaded when there is none; a
    /// non-empty file becomes its file to look in first. Loads nothing.
    std::shared_ptr<T> loadElement(const std::string& name, const std::string& file)
    {
        std::shared_ptr<T> resource = this->createTyped(name);
        if (resource && !file.empty())
            resource->setFileName(file);
        return resource;
    }
};

}
