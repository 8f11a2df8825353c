#include "core/EngineWarning.h"

#include "core/LogManager.h"

#include <iostream>

namespace Tarnu
{

void logEngineWarning(const std::string& message)
{
    printEngineHint(message);
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessageToDefault("Warning: " + message, LogFile::ML_NORMAL);
}

void printEngineHint(const std::string& message)
{
    std::cerr << "Warning: " << message << '\n';
}

}
