#pragma once
// The registry of named log files, one of which may be the default log. A
// log's name is its file name. Writing to a name that has no log is not an
// error: the engine logs to optional logs freely.

#include "core/LogFile.h"
#include "core/Singleton.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace Tarnu
{

class LogManager : public Singleton<LogManager>
{
public:
    LogManager() = default;
    ~LogManager();

    LogFile* createLog(const std::string& name, LogFile::MessageLevel threshold, bool echo,
                       LogFile::MessageLevel echoLevel, bool makeDefault);
    LogFile* getLog(const std::string& name) const;

    /// To the named log when it exists, and to the default log too when asked.
    void logMessage(const std::string& logName, const std::string& message,
                    LogFile::MessageLevel level = LogFile::ML_NORMAL, bool alsoToDefault = false);
    void logMessageToDefault(const std::string& message, LogFile::MessageLevel level = LogFile::ML_NORMAL);

private:
    std::unordered_map<std::string, std::unique_ptr<LogFile>> logs;
    LogFile* defaultLog = nullptr;
};

}
