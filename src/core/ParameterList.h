#pragma once
// The construction record of components, bounds, action events and templates:
// names mapped to text values. Values stay text until a reader asks for a type;
// every typed read converts anew with the type's stream reader, takes the
// longest leading text that forms a value, and leaves the output untouched
// when the value does not convert. A factory reading a list to make an object
// hears of every key asked for and every value that does not convert
// (ParameterReading).

#include "core/TypeName.h"

#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace Tarnu
{

class ParameterList
{
public:
    enum QueryResult
    {
        SUCCESS = 0,
        INVALID_TYPE = 1,
        NO_ELEMENT = 2
    };

    void add(const std::string& name, const std::string& value) { values[name] = value; }
    void remove(const std::string& name) { values.erase(name); }
    void clear() { values.clear(); }
    bool contains(const std::string& name) const { return find(name) != values.end(); }
    unsigned size() const { return static_cast<unsigned>(values.size()); }
    bool empty() const { return values.empty(); }

    /// The value, or an empty text when the name is absent.
    const std::string& get(const std::string& name) const;
    const std::string& getThrowOnFail(const std::string& name) const;

    template <class T>
    QueryResult get(const std::string& name, T& out) const;

    template <class T>
    void getThrowOnFail(const std::string& name, T& out, const std::string& errorPrefix) const;

    auto begin() const { return values.begin(); }
    auto end() const { return values.end(); }

private:
    using Values = std::map<std::string, std::string>;

    /// The entry of a name, told to the reading under way as asked for.
    Values::const_iterator find(const std::string& name) const;
    void unreadable(Values::const_iterator found) const;
    static std::string notFoundMessage(const std::string& name);

    Values values;
};

template <class T>
ParameterList::QueryResult ParameterList::get(const std::string& name, T& out) const
{
    auto found = find(name);
    if (found == values.end())
        return NO_ELEMENT;
    if constexpr (std::is_same_v<T, std::string>)
        out = found->second;
    else if constexpr (std::is_same_v<T, bool>)
        out = found->second == "true" || found->second == "1";
    else if constexpr (std::is_arithmetic_v<T>)
    {
        std::istringstream stream(found->second);
        T value{};
        if (!(stream >> value))
        {
            unreadable(found);
            return INVALID_TYPE;
        }
        out = value;
    }
    else
    {
        // Value types keep their old value on a failed read by themselves.
        std::istringstream stream(found->second);
        if (!(stream >> out))
        {
            unreadable(found);
            return INVALID_TYPE;
        }
    }
    return SUCCESS;
}

template <class T>
void ParameterList::getThrowOnFail(const std::string& name, T& out, const std::string& errorPrefix) const
{
    const QueryResult result = get(name, out);
    if (result == SUCCESS)
        return;
    std::string message = errorPrefix.empty() ? std::string() : errorPrefix + " ";
    if (result == NO_ELEMENT)
        message += notFoundMessage(name);
    else
        message += "Unable to convert parameter '" + name + "' to " + typeName<T>();
    throw std::runtime_error(message);
}

}
