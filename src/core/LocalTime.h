#pragma once
// The local time as log files print it.

#include <ctime>
#include <string>

namespace Tarnu
{

std::tm localTimeNow();
/// "hh:mm:ss", two digits each.
std::string formatClock(const std::tm& time);
/// "yyyy:mm:dd".
std::string formatDate(const std::tm& time);

}
