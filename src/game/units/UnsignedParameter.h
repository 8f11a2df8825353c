#pragma once
// Player and unit-type numbers read from parameter lists. A stream read into an
// unsigned would take "-1" as 4294967295 without a word; here a number outside
// 0 to 4294967295 fails as any unconvertible parameter does.

#include <cstdint>
#include <string>

namespace Tarnu
{

class ParameterList;

/// The throwing read: "Could not find parameter '" or "Unable to convert parameter '" with the key.
std::uint32_t readUnsigned(const ParameterList& params, const std::string& key);

}
