#include "core/ParameterList.h"

#include "core/ParameterTable.h"

namespace Tarnu
{

const std::string& ParameterList::get(const std::string& name) const
{
    static const std::string empty;
    auto found = find(name);
    return found == values.end() ? empty : found->second;
}

const std::string& ParameterList::getThrowOnFail(const std::string& name) const
{
    auto found = find(name);
    if (found == values.end())
        throw std::runtime_error(notFoundMessage(name));
    return found->second;
}

ParameterList::Values::const_iterator ParameterList::find(const std::string& name) const
{
    ParameterReading::keyAsked(*this, name);
    return values.find(name);
}

void ParameterList::unreadable(Values::const_iterator found) const
{
    ParameterReading::valueUnreadable(*this, found->first, found->second);
}

std::string ParameterList::notFoundMessage(const std::string& name)
{
    return "Could not find parameter '" + name + "'";
}

}
