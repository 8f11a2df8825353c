#pragma once
// One plain-text log: lines below the threshold are dropped, each written line
// carries the local time, and lines at or above the echo level are also
// printed on standard output when echo is on.

#include <fstream>
#include <string>

namespace Tarnu
{

class LogFile
{
public:
    enum MessageLevel
    {
        ML_TRIVIAL = 0,
        ML_NORMAL = 1,
        ML_CRITICAL = 2
    };

    explicit LogFile(const std::string& fileName, MessageLevel threshold = ML_NORMAL, bool echo = false,
                     MessageLevel echoLevel = ML_CRITICAL);
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;
    ~LogFile();

    void logMessage(const std::string& message, MessageLevel level);

private:
    friend class LogManager;

    std::ofstream file;
    MessageLevel threshold;
    MessageLevel echoLevel;
    bool echo;
};

}
