#include "core/resources/XmlFileManager.h"

#include "core/LogManager.h"

#include <filesystem>
#include <iostream>

namespace Tarnu
{

namespace
{

std::string pathOnDisk(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

void logToBoth(const std::string& message)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(XmlFileManager::LOG_NAME, message, LogFile::ML_CRITICAL, true);
}

}

XmlFileManager::XmlFileManager()
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        if (!logs->getLog(LOG_NAME))
            logs->createLog(LOG_NAME, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, false);
    logToBoth("Created XmlFileManager singleton.");
}

XmlFileManager::~XmlFileManager()
{
    unloadAll();
    logToBoth("XmlFileManager shut down.");
}

std::shared_ptr<Resource> XmlFileManager::createResource(const std::string& name, std::uint32_t handle,
                                                         ManualResourceLoader* loader)
{
    namesOnDisk.emplace(pathOnDisk(name), name);
    return TypedResourceManager::createResource(name, handle, loader);
}

std::shared_ptr<XmlFile> XmlFileManager::getFile(const std::string& path)
{
    auto known = namesOnDisk.find(pathOnDisk(path));
    if (known != namesOnDisk.end())
    {
        if (std::shared_ptr<Resource> file = getResource(known->second))
            return std::static_pointer_cast<XmlFile>(file);
        namesOnDisk.erase(known);   // removed from the manager since
    }
    return createTyped(path);
}

const std::string& XmlFileManager::findElementFile(const std::string& tag, const std::string& name) const
{
    static const std::string none;
    auto byTag = index.find(tag);
    if (byTag == index.end() || !indexedTags.count(tag))
        return none;
    auto found = byTag->second.find(name);
    return found == byTag->second.end() ? none : found->second;
}

void XmlFileManager::indexElement(const std::string& tag, const std::string& name, const std::string& fileName)
{
    index[tag][name] = fileName;
}

XmlElement XmlFileManager::findElement(const std::string& tag, const std::string& name, const std::string& fileName)
{
    XmlElement element;
    if (!fileName.empty())
    {
        std::shared_ptr<XmlFile> remembered = getFile(fileName);
        remembered->load();
        if (remembered->hasElement(tag, name))
            element.file = std::move(remembered);
    }
    if (!element.file)
    {
        const std::string& indexed = findElementFile(tag, name);
        if (indexed.empty())
            return element;
        element.file = getFile(indexed);
    }
    element.lock = element.file->lock();
    // A file unloaded since it was indexed is read again.
    element.file->load();
    element.node = element.file->getElement(tag, name);
    if (!element.node)
        element.lock.unlock();
    return element;
}

void XmlFileManager::log(const std::string& message, LogFile::MessageLevel level, const char* hint)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(LOG_NAME, message, level, false);
    if (level >= LogFile::ML_CRITICAL)
        std::cerr << message << (hint ? " " : "") << (hint ? hint : "") << '\n';
}

bool XmlFileManager::logExists()
{
    LogManager* logs = LogManager::getSingletonPtr();
    return logs && logs->getLog(LOG_NAME);
}

}
