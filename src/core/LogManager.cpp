#include "core/LogManager.h"

#include "core/LocalTime.h"

#include <stdexcept>

namespace Tarnu
{

LogManager::~LogManager()
{
    if (defaultLog)
        defaultLog->logMessage("Log manager shut down.", LogFile::ML_CRITICAL);
}

LogFile* LogManager::createLog(const std::string& name, LogFile::MessageLevel threshold, bool echo,
                               LogFile::MessageLevel echoLevel, bool makeDefault)
{
    if (logs.count(name))
        throw std::runtime_error("Log '" + name + "' already exists.");
    const std::tm now = localTimeNow();
    auto log = std::make_unique<LogFile>(name, threshold, echo, echoLevel);
    LogFile* created = log.get();
    logs.emplace(name, std::move(log));
    if (makeDefault)
        defaultLog = created;
    created->file << name << ": Logging file generated on " << formatDate(now) << " at " << formatClock(now)
                  << std::endl;
    return created;
}

LogFile* LogManager::getLog(const std::string& name) const
{
    auto found = logs.find(name);
    return found == logs.end() ? nullptr : found->second.get();
}

void LogManager::logMessage(const std::string& logName, const std::string& message, LogFile::MessageLevel level,
                            bool alsoToDefault)
{
    if (LogFile* log = getLog(logName))
        log->logMessage(message, level);
    if (alsoToDefault && defaultLog)
        defaultLog->logMessage(message, level);
}

void LogManager::logMessageToDefault(const std::string& message, LogFile::MessageLevel level)
{
    if (defaultLog)
        defaultLog->logMessage(message, level);
}

}
