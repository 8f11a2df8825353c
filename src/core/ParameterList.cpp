#include "core/ParameterList.h"

namespace Tarnu
{

const std::string& ParameterList::get(const std::string& name) const
{
    static const std::string empty;
    auto found = values.find(name);
    return found == values.end() ? empty : found->second;
}

const std::string& ParameterList::getThrowOnFail(const std::string& name) const
{
    auto found = values.find(name);
    if (found == values.end())
        throw std::runtime_error(notFoundMessage(name));
    return found->second;
}

std::string ParameterList::notFoundMessage(const std::string& name)
{
    return "Could not find parameter '" + name + "'";
}

}
