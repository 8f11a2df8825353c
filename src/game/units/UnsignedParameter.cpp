#include "game/units/UnsignedParameter.h"

#include "core/ParameterList.h"

#include <limits>
#include <stdexcept>

namespace Tarnu
{

std::uint32_t readUnsigned(const ParameterList& params, const std::string& key)
{
    params.getThrowOnFail(key);
    std::int64_t value = -1;
    if (params.get(key, value) != ParameterList::SUCCESS || value < 0 ||
        value > std::numeric_limits<std::uint32_t>::max())
        throw std::runtime_error("Unable to convert parameter '" + key + "' to " + typeName<std::uint32_t>());
    return static_cast<std::uint32_t>(value);
}

}
