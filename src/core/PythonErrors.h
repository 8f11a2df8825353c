#pragma once
// What the engine does with an exception raised in a game script's code that
// the engine called: print it (and log it) and carry on, since one bad method
// must not stop the game. A SystemExit or KeyboardInterrupt is not the
// callback's to swallow: it is kept and raised again in the script as soon as
// the engine call it came from returns to Python (the interpreter runs its
// pending calls there), or as Root.run ends its frame, so that sys.exit() in a
// key handler ends the game the way Ctrl-C does.

#include <string>

namespace Tarnu
{

/// Prints the pending Python error and clears it. Never throws: it runs inside
/// engine callbacks and destructors.
void printPythonException() noexcept;

/// Logs message to the Python log when there is one, then prints the pending
/// Python error and clears it, as printPythonException.
void reportPythonException(const std::string& message) noexcept;

/// Prints the pending Python error and leaves it pending, so that a script up
/// the call chain still receives the original exception.
void printPythonExceptionKeepingIt() noexcept;

/// Raises, as a pending Python error, a SystemExit or KeyboardInterrupt that a
/// callback raised, and any signal that arrived; answers false when one is raised.
bool raiseDeferredExits() noexcept;

/// From the script's end on, an exit that a callback asks for ends the script
/// code that called the engine from inside a callback, if any; one that escapes to
/// the script's end has no script left to end: it is dropped as it is raised (as
/// Python drops one raised in an exit handler), and so is one still on its way.
void dropExitsFromNowOn() noexcept;

/// After the script's end, drops an exit still on its way once no callback is
/// under way: what asked for it has returned without receiving it.
void dropPendingExit() noexcept;

}
