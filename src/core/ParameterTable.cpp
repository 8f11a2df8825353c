#include "core/ParameterTable.h"

#include "core/EngineWarning.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <map>
#include <set>
#include <stdexcept>

namespace Tarnu
{

namespace
{

using Key = std::pair<ParameterTable::Family, std::string>;

// Filled while the tables are constructed, before main; a table leaves it as it goes.
std::map<Key, const ParameterTable*>& registry()
{
    static std::map<Key, const ParameterTable*> tables;
    return tables;
}

const std::string INDEX = "<i>";

bool matches(const std::string& documented, const std::string& key)
{
    if (documented == key)
        return true;
    if (documented.size() <= INDEX.size() || !documented.ends_with(INDEX))
        return false;
    const std::string stem = documented.substr(0, documented.size() - INDEX.size());
    return key.size() > stem.size() && key.starts_with(stem) &&
           std::all_of(key.begin() + static_cast<std::ptrdiff_t>(stem.size()), key.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

ParameterReading* current = nullptr;

}

std::string ParameterFormat::oneOf(const std::vector<std::string>& words)
{
    std::string text = "one of the words";
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? " \"" : i + 1 == words.size() ? " or \"" : ", \"") + words[i] + "\"";
    return text;
}

ParameterDoc eventTimeParameter()
{
    return {"time", ParameterFormat::NUMBER, "0", "The event time, in seconds: when a queued event is due."};
}

ParameterTable::ParameterTable(Family family, std::string type, std::vector<ParameterDoc> own,
                               std::vector<std::pair<Family, std::string>> included)
    : family(family),
      type(std::move(type)),
      own(std::move(own)),
      included(std::move(included))
{
    registry().emplace(Key(this->family, this->type), this);
}

ParameterTable::~ParameterTable()
{
    auto found = registry().find(Key(family, type));
    if (found != registry().end() && found->second == this)
        registry().erase(found);
}

const ParameterTable* ParameterTable::find(Family family, const std::string& type)
{
    auto found = registry().find(Key(family, type));
    return found == registry().end() ? nullptr : found->second;
}

std::vector<ParameterDoc> ParameterTable::getEntries() const
{
    std::vector<ParameterDoc> entries = own;
    for (const auto& [includedFamily, includedType] : included)
    {
        const ParameterTable* table = find(includedFamily, includedType);
        if (!table)
            throw std::logic_error("the parameters of " + type + " include those of " + includedType +
                                   ", which has no table");
        for (ParameterDoc& doc : table->getEntries())
            if (std::none_of(entries.begin(), entries.end(),
                             [&](const ParameterDoc& taken) { return taken.name == doc.name; }))
                entries.push_back(std::move(doc));
    }
    return entries;
}

std::optional<ParameterDoc> ParameterTable::entry(const std::string& key) const
{
    for (ParameterDoc& doc : getEntries())
        if (matches(doc.name, key))
            return std::move(doc);
    return std::nullopt;
}

std::string ParameterTable::describe() const
{
    const std::vector<ParameterDoc> entries = getEntries();
    if (entries.empty())
        return "Parameters: none.";
    std::string text = "Parameters (a data file's Param elements, or a ParameterList):";
    for (const ParameterDoc& doc : entries)
        text += "\n  " + doc.name + ": " + doc.format + "; " +
                (doc.fallback == REQUIRED ? std::string(REQUIRED) : "default " + doc.fallback) + ". " + doc.meaning;
    return text;
}

ParameterReading::ParameterReading(ParameterTable::Family family, const std::string& type, const ParameterList& list)
    : family(family),
      type(type),
      list(list),
      outer(current),
      exceptionsBefore(std::uncaught_exceptions())
{
    current = this;
}

ParameterReading::~ParameterReading()
{
    current = outer;
    const bool made = std::uncaught_exceptions() <= exceptionsBefore;
    try
    {
        for (const auto& [key, value] : unreadable)
            tell(key, value, made);
    }
    catch (const std::exception&)
    {
        // A hint that cannot be put together is not worth failing the making for.
    }
}

void ParameterReading::keyAsked(const ParameterList& list, const std::string& key)
{
    if (current && &current->list == &list &&
        std::find(current->asked.begin(), current->asked.end(), key) == current->asked.end())
        current->asked.push_back(key);
}

void ParameterReading::valueUnreadable(const ParameterList& list, const std::string& key, const std::string& value)
{
    if (current && &current->list == &list &&
        std::none_of(current->unreadable.begin(), current->unreadable.end(),
                     [&](const auto& told) { return told.first == key; }))
        current->unreadable.emplace_back(key, value);
}

void ParameterReading::tell(const std::string& key, const std::string& value, bool made) const
{
    // Once for a type and key in the life of the process: a template that makes a thousand entities
    // has one mistake, not a thousand.
    static std::set<std::pair<Key, std::string>> told;
    const ParameterTable* table = ParameterTable::find(family, type);
    const std::optional<ParameterDoc> doc = table ? table->entry(key) : std::nullopt;
    if (!doc || !told.emplace(Key(family, type), doc->name).second)
        return;
    const std::string noun = family == ParameterTable::EVENT ? type + " event" : type;
    printEngineHint(noun + " parameter " + key + "=\"" + value + "\" cannot be read (format: " + doc->format + "); " +
                    (made ? "its default, " + doc->fallback + ", is used." : "the " + noun + " is not made."));
}

}
