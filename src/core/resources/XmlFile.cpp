#include "core/resources/XmlFile.h"

#include "core/ParameterList.h"
#include "core/resources/XmlFileManager.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace Tarnu
{

namespace
{

const std::string SEARCH_DIRECTORY = "SearchDirectory";
const std::string INCLUDE_FILE = "IncludeFile";

// Tabs and newlines in attribute values stay as written; a raw "<" inside a
// value is accepted, since data files write vectors as pos="<10,0>".
constexpr unsigned PARSE_OPTIONS = pugi::parse_default & ~pugi::parse_wconv_attribute;

bool readFile(const std::string& path, std::string& text)
{
    if (!isReadableFile(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}

std::string toSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool isReadableFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    return std::ifstream(path).is_open();
}

XmlFile::XmlFile(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : Resource(name, handle, loader)
{
}

XmlFile::~XmlFile()
{
    unload();
}

bool XmlFile::hasElement(const std::string& tag, const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    auto byTag = elements.find(tag);
    return byTag != elements.end() && byTag->second.count(name) != 0;
}

pugi::xml_node XmlFile::getElement(const std::string& tag, const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (!isLoaded() || !document)
        return pugi::xml_node();
    auto byTag = elements.find(tag);
    if (byTag == elements.end())
        return pugi::xml_node();
    auto found = byTag->second.find(name);
    return found == byTag->second.end() ? pugi::xml_node() : found->second;
}

std::string XmlFile::describeLocation(const pugi::xml_node& node) const
{
    // An element's offset is that of its name; its location is that of its "<".
    std::ptrdiff_t offset = node.offset_debug();
    if (offset > 0 && node.type() == pugi::node_element)
        --offset;
    return locationOfOffset(offset);
}

std::string XmlFile::locationOfOffset(std::ptrdiff_t offset) const
{
    std::size_t row = 1, column = 1;
    if (offset >= 0 && !lineStarts.empty())
    {
        auto line = std::upper_bound(lineStarts.begin(), lineStarts.end(), static_cast<std::size_t>(offset));
        row = static_cast<std::size_t>(line - lineStarts.begin());
        column = static_cast<std::size_t>(offset) - *(line - 1) + 1;
    }
    return ", at row " + std::to_string(row) + " and column " + std::to_string(column);
}

void XmlFile::readAttributes(const pugi::xml_node& element, ParameterList& out)
{
    for (const pugi::xml_attribute& attribute : element.attributes())
        out.add(attribute.name(), attribute.value());
}

void XmlFile::readPair(const pugi::xml_node& child, const std::string& tag, ParameterList& out,
                       const ParameterList& taken, const std::string& prefix) const
{
    ParameterList attributes;
    readAttributes(child, attributes);
    if (!attributes.contains("name"))
        XmlFileManager::log(prefix + describeLocation(child) + ": name attribute missing from " + tag + ".");
    else if (!attributes.contains("value"))
        XmlFileManager::log(prefix + describeLocation(child) + ": value attribute missing from " + tag + ".");
    else if (out.contains(attributes.get("name")) || taken.contains(attributes.get("name")))
        XmlFileManager::log(prefix + describeLocation(child) + ": duplicate name attribute " + attributes.get("name") +
                            " of " + tag + ".");
    else
        out.add(attributes.get("name"), attributes.get("value"));
}

void XmlFile::readParameterList(const pugi::xml_node& parent, const std::string& tag, ParameterList& out,
                                const std::string& prefix) const
{
    const ParameterList none;
    for (const pugi::xml_node& child : parent.children(tag.c_str()))
        readPair(child, tag, out, none, prefix);
}

void XmlFile::readParameterLists(const pugi::xml_node& parent, ParameterList& params, ParameterList& varParams,
                                 const std::string& prefix) const
{
    readParameterList(parent, "Param", params, prefix);
    for (const pugi::xml_node& child : parent.children("VarParam"))
        readPair(child, "VarParam", varParams, params, prefix);
}

/// Where the IncludeFile children are read up to while an included file loads.
struct XmlFile::IncludeReading : LoadProgress
{
    std::string prefix;
    pugi::xml_node next;                      // the next IncludeFile child to read
    std::shared_ptr<XmlFile> loadingInclude;   // answered to load(): recorded once it has loaded without error
};

std::shared_ptr<Resource> XmlFile::loadStep(std::unique_ptr<LoadProgress>& progress)
{
    if (!progress)
    {
        if (!parse())
            return nullptr;
        auto reading = std::make_unique<IncludeReading>();
        reading->prefix = "Error: Loading XmlFile " + getName();
        const pugi::xml_node root = document->document_element();
        readSearchDirectories(root, reading->prefix);
        reading->next = root.child(INCLUDE_FILE.c_str());
        progress = std::move(reading);
    }
    IncludeReading& reading = static_cast<IncludeReading&>(*progress);
    if (std::shared_ptr<XmlFile> waiting = readIncludes(reading))
        return waiting;
    indexElements(document->document_element(), reading.prefix);
    XmlFileManager::log("Loaded XmlFile " + getName() + ".", LogFile::ML_NORMAL);
    return nullptr;
}

bool XmlFile::parse()
{
    elements.clear();
    searchDirectories.clear();
    includedFiles.clear();
    lineStarts.clear();

    std::string text;
    const bool read = readFile(getName(), text);
    auto parsed = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result =
        read ? parsed->load_buffer(text.data(), text.size(), PARSE_OPTIONS) : pugi::xml_parse_result();
    lineStarts.push_back(0);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        lineStarts.push_back(at + 1);

    if (!read || !result || !parsed->document_element())
    {
        std::string message = "Error: Loading XmlFile " + getName();
        if (!read)
            message += ": Failed to open file";
        else
            message += locationOfOffset(result.offset) + ": " + (result ? "No document element found" : result.description());
        XmlFileManager::log(message);
        loadError = true;
        return false;
    }
    document = std::move(parsed);
    return true;
}

void XmlFile::readSearchDirectories(const pugi::xml_node& root, const std::string& prefix)
{
    searchDirectories = {"./", "./data/"};
    std::set<std::string> taken;
    for (const pugi::xml_node& child : root.children(SEARCH_DIRECTORY.c_str()))
    {
        ParameterList attributes;
        readAttributes(child, attributes);
        // An empty path would name the file system's root once a "/" is added: treated as missing.
        std::string path = toSlashes(attributes.get("path"));
        if (path.empty())
        {
            XmlFileManager::log(prefix + describeLocation(child) + ": path attribute missing from " +
                                SEARCH_DIRECTORY + ".");
            continue;
        }
        if (path.back() != '/')
            path += '/';
        if (!taken.insert(path).second)
            XmlFileManager::log(prefix + describeLocation(child) + ": duplicate path attribute " + path + " of " +
                                SEARCH_DIRECTORY + ".");
        else
            searchDirectories.push_back(path);
    }
}

std::shared_ptr<XmlFile> XmlFile::readIncludes(IncludeReading& reading)
{
    if (const std::shared_ptr<XmlFile> included = std::move(reading.loadingInclude))
        if (!included->wasLoadError())
            includedFiles.push_back(included->getName());
    XmlFileManager& manager = XmlFileManager::getSingleton();
    const std::string& prefix = reading.prefix;
    while (const pugi::xml_node child = reading.next)
    {
        reading.next = child.next_sibling(INCLUDE_FILE.c_str());
        ParameterList attributes;
        readAttributes(child, attributes);
        // Only an absent attribute is missing: an empty one names no file and is not found.
        if (!attributes.contains("file"))
        {
            XmlFileManager::log(prefix + describeLocation(child) + ": file attribute missing from " + INCLUDE_FILE +
                                ".");
            continue;
        }
        const std::string& file = attributes.get("file");
        std::string resolved;
        try
        {
            resolved = findFileInDirectories(searchDirectories, file);
        }
        catch (...)
        {
            XmlFileManager::log(prefix + describeLocation(child) + ": cannot find include file " + file +
                                " in any search directories.");
            continue;
        }
        const std::shared_ptr<XmlFile> included = manager.getFile(resolved);
        if (std::find(includedFiles.begin(), includedFiles.end(), included->getName()) != includedFiles.end())
        {
            XmlFileManager::log(prefix + describeLocation(child) + ": duplicate name attribute " + file + " of " +
                                INCLUDE_FILE + ".");
            continue;
        }
        // A file still loading further up this chain of includes is recorded,
        // not read again: its elements are indexed when that load finishes,
        // which is how an include cycle ends.
        if (included->getLoadState() == UNLOADED)
        {
            reading.loadingInclude = included;
            return included;
        }
        includedFiles.push_back(included->getName());
    }
    return nullptr;
}

void XmlFile::indexElements(const pugi::xml_node& root, const std::string& prefix)
{
    XmlFileManager& manager = XmlFileManager::getSingleton();
    for (const std::string& tag : manager.getElementTags())
    {
        std::map<std::string, pugi::xml_node>& named = elements[tag];
        for (const pugi::xml_node& child : root.children(tag.c_str()))
        {
            const pugi::xml_attribute nameAttribute = child.attribute("name");
            if (!nameAttribute)
            {
                XmlFileManager::log(prefix + describeLocation(child) + ": name attribute missing from " + tag + ".");
                continue;
            }
            const std::string name = nameAttribute.value();
            if (!named.emplace(name, child).second)
            {
                XmlFileManager::log(prefix + describeLocation(child) + ": duplicate name attribute " + name + " of " +
                                    tag + ".");
                continue;
            }
            manager.indexElement(tag, name, getName());
        }
    }
}

void XmlFile::unloadImpl()
{
    document.reset();
    if (XmlFileManager::logExists())
        XmlFileManager::log("Unloaded template file " + getName() + ".", LogFile::ML_TRIVIAL);
}

}
