#pragma once
// The end of a game script. Python runs its exit handlers while the script's
// globals still hold what they held: a live scene with its entities and their
// Python components, a Python process in a scene. Such a scene and the
// components' classes (whose methods hold those globals) make a cycle through
// the engine that Python's collector cannot free, so without help it outlived
// the interpreter and the leak report counted it. At exit the engine first lets
// go of what the script's live objects hold, the way their own destruction
// would (components hear that they leave, with their Python state whole); what
// is left is plain Python, which the interpreter frees as it clears the
// globals. Then the engine shuts down. Objects that the script keeps alive in
// ways the interpreter never ends (a reference never given back) stay, and the
// leak report says so.

namespace Tarnu
{

/// Adds a step to what runs at the script's exit, before the engine shuts down; steps run in the
/// order they were added and must not throw.
void atScriptExit(void (*release)() noexcept);

/// Registers the exit handler with Python's atexit; called once by the module entry.
void registerScriptExit();

}
