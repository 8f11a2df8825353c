#pragma once
// Loads the XML data files and knows, for a tag and a name, which loaded file
// holds that element, so a template is found by name wherever it was defined
// (the file loaded last wins). Files are known by what they are on disk, not
// by how a path spells them: "a.xml" and "./a.xml" are one file, loaded once,
// which is also what ends include cycles.

#include "core/LogFile.h"
#include "core/resources/ResourceManager.h"
#include "core/resources/XmlFile.h"

#include <map>
#include <set>
#include <string>

namespace Tarnu
{

class XmlFileManager : public TypedResourceManager<XmlFileManager, XmlFile>
{
public:
    static constexpr const char* LOG_NAME = "XmlSystemLogFile.txt";

    XmlFileManager();
    ~XmlFileManager() override;

    /// The file held for the path's file on disk, else a new one under path; never loads.
    std::shared_ptr<XmlFile> getFile(const std::string& path);

    void registerElementTag(const std::string& tag) { indexedTags.insert(tag); }
    const std::set<std::string>& getElementTags() const { return indexedTags; }

    /// The name of the file that last indexed (tag, name), or an empty text.
    const std::string& findElementFile(const std::string& tag, const std::string& name) const;
    void indexElement(const std::string& tag, const std::string& name, const std::string& fileName);

    /// The element lookup of every loader of named elements: the remembered
    /// file first, else the file the index names; the element comes locked
    /// and loaded, or empty when no file holds it.
    XmlElement findElement(const std::string& tag, const std::string& name, const std::string& fileName);

    std::shared_ptr<Resource> createResource(const std::string& name, std::uint32_t handle,
                                             ManualResourceLoader* loader) override;

    /// To "XmlSystemLogFile.txt" while it exists. A problem (ML_CRITICAL) is printed on standard
    /// error too, followed by the hint when there is one: a mistake in a data file leaves out a
    /// part of the game, which a script should not have to find in the log.
    static void log(const std::string& message, LogFile::MessageLevel level = LogFile::ML_CRITICAL,
                    const char* hint = nullptr);
    static bool logExists();

private:
    std::map<std::string, std::map<std::string, std::string>> index;
    std::set<std::string> indexedTags;
    std::map<std::string, std::string> namesOnDisk;   // the file's canonical path → the resource's name
};

}
