#pragma once
// A name shared by any number of live objects of one class, with a count per
// name. An empty name is replaced by a generated one that no live object of
// the class carries; generated names begin with the character of code 1, which
// no data file or script writes.

#include <string>
#include <unordered_map>

namespace Tarnu
{

template <class T>
class NameableObject
{
public:
    explicit NameableObject(const std::string& name) : name(name.empty() ? generateName() : name)
    {
        ++counts()[this->name];
    }
    NameableObject(const NameableObject&) = delete;
    NameableObject& operator=(const NameableObject&) = delete;
    ~NameableObject()
    {
        auto found = counts().find(name);
        if (--found->second == 0)
            counts().erase(found);
    }

    const std::string& getName() const { return name; }

    /// How many live objects carry the name.
    static int countOf(const std::string& name)
    {
        auto found = counts().find(name);
        return found == counts().end() ? 0 : found->second;
    }

private:
    static std::unordered_map<std::string, int>& counts()
    {
        static std::unordered_map<std::string, int> map;
        return map;
    }

    static std::string generateName()
    {
        static std::string candidate = std::string(1, '\x01') + "!";
        static std::size_t position = 1;
        for (;;)
        {
            ++candidate[position];
            if (candidate[position] > '}' && ++position == candidate.size())
            {
                candidate = std::string(1, '\x01') + std::string(candidate.size(), '!');
                position = 1;
            }
            if (!counts().count(candidate))
                return candidate;
        }
    }

    const std::string name;
};

}
