#pragma once
// A request the engine refused without failing the caller (adding to an
// object that is being destroyed, an event going round a cycle of routers):
// one line on standard error, where the engine's warnings go, and in the
// default log when there is one, so the game's log tells the story too.
//
// A hint is the line on standard error alone: it points a script at a mistake
// whose specified report is a log line a newcomer may not read (an image
// drawn blank, a data file left out), without adding to that log.

#include <string>

namespace Tarnu
{

void logEngineWarning(const std::string& message);

void printEngineHint(const std::string& message);

}
