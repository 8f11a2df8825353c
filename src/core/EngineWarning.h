#pragma once
// A request the engine refused without failing the caller (adding to an
// object that is being destroyed, an event going round a cycle of routers):
// one line on standard error, where the engine's warnings go, and in the
// default log when there is one, so the game's log tells the story too.

#include <string>

namespace Tarnu
{

void logEngineWarning(const std::string& message);

}
