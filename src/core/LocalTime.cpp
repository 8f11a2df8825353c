#include "core/LocalTime.h"

#include <cstdio>

namespace Tarnu
{

std::tm localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string formatClock(const std::tm& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.tm_hour, time.tm_min, time.tm_sec);
    return text;
}

std::string formatDate(const std::tm& time)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d", time.tm_year + 1900, time.tm_mon + 1, time.tm_mday);
    return text;
}

}
