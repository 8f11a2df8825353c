#include "core/LogFile.h"

#include "core/LocalTime.h"

#include <iostream>
#include <stdexcept>

namespace Tarnu
{

LogFile::LogFile(const std::string& fileName, MessageLevel threshold, bool echo, MessageLevel echoLevel)
    : file(fileName, std::ios::out | std::ios::trunc), threshold(threshold), echoLevel(echoLevel), echo(echo)
{
    if (!file.is_open())
        throw std::runtime_error("Cannot open log file.");
}

LogFile::~LogFile()
{
    logMessage("Log File Closed.", ML_CRITICAL);
}

void LogFile::logMessage(const std::string& message, MessageLevel level)
{
    if (level < threshold)
        return;
    file << formatClock(localTimeNow()) << ": " << message << std::endl;
    if (echo && level >= echoLevel)
        std::cout << message << '\n';
}

}
