#pragma once
// The keys a type made by name reads from its ParameterList, with their formats,
// defaults and meanings: one table per type, beside the createNew that reads them.
// help() is built from it, and a factory reading a list (ParameterReading) names
// a documented value that does not convert once on standard error. Component and
// event types share names ("ScriptRunner"): a table belongs to a family too.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Tarnu
{

class ParameterList;

/// The formats of typed reads, as tables and hints spell them.
namespace ParameterFormat
{
inline constexpr const char* TEXT = "text";
inline constexpr const char* FILE_NAME = "text, a file name found through the data directories";
inline constexpr const char* NUMBER = "number";
inline constexpr const char* WHOLE = "whole number";
inline constexpr const char* COUNT = "whole number, 0 or more";
inline constexpr const char* FLAG = "flag, \"true\" or \"1\" for true, any other text for false";
inline constexpr const char* VECTOR2 = "Vector2 \"<x,y>\"";
inline constexpr const char* COLOUR = "Vector3 \"(r,g,b)\", each from 0 to 1";
inline constexpr const char* SCALE = "Scale \"(x,y)\", or one number for both";
inline constexpr const char* ANGLE = "Complex: an angle in radians, or \"<x,y>\"";
inline constexpr const char* BOX = "AxisAlignedBox as text, \"<x,y>,<x,y>\" (min, then max)";

/// "one of the words A, B or C".
std::string oneOf(const std::vector<std::string>& words);
}

struct ParameterDoc
{
    /// The key as read; "<i>" stands for an index counted from 0 ("sequence<i>" is "sequence0", "sequence1"...).
    std::string name;
    std::string format;
    /// What is used when the key is missing, or ParameterTable::REQUIRED.
    std::string fallback;
    std::string meaning;
};

/// The "time" key that every action event reads.
ParameterDoc eventTimeParameter();

class ParameterTable
{
public:
    enum Family
    {
        COMPONENT,
        EVENT,
        BOUND
    };

    static inline constexpr const char* REQUIRED = "required";

    /// Own keys first, then those of the tables included (of the same family, or bounds), each key once.
    ParameterTable(Family family, std::string type, std::vector<ParameterDoc> own,
                   std::vector<std::pair<Family, std::string>> included = {});
    ~ParameterTable();
    ParameterTable(const ParameterTable&) = delete;
    ParameterTable& operator=(const ParameterTable&) = delete;

    /// The table of a type, or null.
    static const ParameterTable* find(Family family, const std::string& type);

    /// Every key, own and included; raises std::logic_error when an included table does not exist.
    std::vector<ParameterDoc> getEntries() const;
    /// The entry of a key as read ("fps2" finds "fps<i>"), or null.
    std::optional<ParameterDoc> entry(const std::string& key) const;
    /// What help() shows: a heading, then a line a key, "  name: format; default x. Meaning."
    std::string describe() const;

private:
    Family family;
    std::string type;
    std::vector<ParameterDoc> own;
    std::vector<std::pair<Family, std::string>> included;
};

/// While it lasts, a factory makes an object of a type from a list: the list
/// tells it each key asked for and each value that does not convert. As it
/// ends, each such value is told on standard error, once per type and key, with
/// the default used, or, when the making raised, the object not made. Readings
/// nest; only the innermost hears its list.
class ParameterReading
{
public:
    ParameterReading(ParameterTable::Family family, const std::string& type, const ParameterList& list);
    ~ParameterReading();
    ParameterReading(const ParameterReading&) = delete;
    ParameterReading& operator=(const ParameterReading&) = delete;

    /// The keys asked for so far, each once, in the order first asked.
    const std::vector<std::string>& getAsked() const { return asked; }

    /// Told by the list being read.
    static void keyAsked(const ParameterList& list, const std::string& key);
    static void valueUnreadable(const ParameterList& list, const std::string& key, const std::string& value);

private:
    void tell(const std::string& key, const std::string& value, bool made) const;

    ParameterTable::Family family;
    std::string type;
    const ParameterList& list;
    ParameterReading* outer;
    int exceptionsBefore;
    std::vector<std::string> asked;
    std::vector<std::pair<std::string, std::string>> unreadable;
};

}
