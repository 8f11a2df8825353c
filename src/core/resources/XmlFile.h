#pragma once
// One XML data file: its root's SearchDirectory and IncludeFile children, and
// its named elements indexed by tag and "name" for the loaders of templates,
// scripts and sequences. Included files load before this file's own elements
// are indexed, so a name defined in both ends up pointing here; the load goes
// in steps, one per included file that still has to load, so that a chain of
// includes is a loop of Resource::load.
//
// Element handles point into the parsed document, which unloading deletes:
// getElement answers nothing while the file is not loaded, and a loader holds
// the file's lock (XmlElement) for as long as it reads an element.

#include "core/resources/Resource.h"

#include <pugixml.hpp>

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace Tarnu
{

class ParameterList;

class XmlFile : public Resource
{
public:
    XmlFile(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~XmlFile() override;

    /// From the index, whatever the load state.
    bool hasElement(const std::string& tag, const std::string& name) const;
    /// The element while the file is loaded; an empty node otherwise.
    pugi::xml_node getElement(const std::string& tag, const std::string& name) const;

    /// "./", "./data/", then the file's own SearchDirectory paths, each ending in "/".
    const std::vector<std::string>& getSearchDirectories() const { return searchDirectories; }
    const std::vector<std::string>& getIncludedFiles() const { return includedFiles; }

    /// Held by loaders while they read an element, so the document stays.
    std::unique_lock<std::recursive_mutex> lock() const { return std::unique_lock<std::recursive_mutex>(mutex); }

    /// ", at row R and column C" of the node, counted from 1.
    std::string describeLocation(const pugi::xml_node& node) const;

    /// Every attribute of the element, in order, added to out.
    static void readAttributes(const pugi::xml_node& element, ParameterList& out);
    /// The parent's children of that tag as "name"/"value" pairs; bad and duplicate pairs are logged and skipped.
    void readParameterList(const pugi::xml_node& parent, const std::string& tag, ParameterList& out,
                           const std::string& prefix) const;
    /// Param children into params, VarParam children into varParams; a name may appear in only one of them.
    void readParameterLists(const pugi::xml_node& parent, ParameterList& params, ParameterList& varParams,
                            const std::string& prefix) const;

    /// The first directory + file that is a readable file; raises when there is none.
    template <class Directories>
    static std::string findFileInDirectories(const Directories& directories, const std::string& file);

protected:
    std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress) override;
    void unloadImpl() override;

private:
    struct IncludeReading;

    /// First step of the loader: parses the file; false, logged and flagged, when it cannot.
    bool parse();
    /// ", at row R and column C" of a byte offset into the parsed text.
    std::string locationOfOffset(std::ptrdiff_t offset) const;
    /// Step of the loader: the SearchDirectory children.
    void readSearchDirectories(const pugi::xml_node& root, const std::string& prefix);
    /// Step of the loader: the IncludeFile children from where reading stopped;
    /// answers an included file to load before reading on, or nothing at the end.
    std::shared_ptr<XmlFile> readIncludes(IncludeReading& reading);
    /// Step of the loader: the named elements of every indexed tag.
    void indexElements(const pugi::xml_node& root, const std::string& prefix);
    /// Adds one "name"/"value" child to out unless it is bad or its name is in taken.
    void readPair(const pugi::xml_node& child, const std::string& tag, ParameterList& out,
                  const ParameterList& taken, const std::string& prefix) const;

    std::map<std::string, std::map<std::string, pugi::xml_node>> elements;
    std::vector<std::string> searchDirectories;
    std::vector<std::string> includedFiles;
    std::unique_ptr<pugi::xml_document> document;
    std::vector<std::size_t> lineStarts;   // byte offsets of the lines of the parsed text, for locations
};

/// A named element found for a loader, with its file kept and locked while the loader reads it.
struct XmlElement
{
    std::shared_ptr<XmlFile> file;
    std::unique_lock<std::recursive_mutex> lock;
    pugi::xml_node node;

    explicit operator bool() const { return static_cast<bool>(node); }
};

/// Backslashes of a path written for another platform, read as slashes.
std::string toSlashes(std::string path);

/// Whether a readable regular file is at path.
bool isReadableFile(const std::string& path);

template <class Directories>
std::string XmlFile::findFileInDirectories(const Directories& directories, const std::string& file)
{
    const std::string wanted = toSlashes(file);
    for (const std::string& directory : directories)
        if (isReadableFile(directory + wanted))
            return directory + wanted;
    throw std::runtime_error("File " + file + " not found in given directory list.");
}

}
