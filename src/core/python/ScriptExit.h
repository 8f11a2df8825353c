#pragma once
// The end of a game script. Python runs its exit handlers while the script's
// globals still hold what they held: a live scene with its entities and their
// Python components, a controller with the machines it was given, an event a
// listener kept. Such objects and the script's classes (whose methods hold
// those globals) make cycles through the engine that Python's collector cannot
// always see, so without help they outlived the interpreter and the leak report
// counted them. At exit the engine first lets go of what every live Python
// object of an engine class holds, and of what that holds in turn, the way
// their destruction would (components hear that they leave, with their Python
// state whole); what is left is plain Python, which the interpreter frees as it
// clears the globals. Callbacks that hear it may make new work (a component
// that leaves adds an entity to a scene), so the teardown goes round until a
// round lets nothing go, a bounded number of times. An exit they ask for (Ctrl-C,
// sys.exit) still ends a main loop they run, and reaches them as it returns;
// what they let through has no script left to end, and is dropped. Then the
// engine shuts down.
// Objects that the script keeps alive in ways the interpreter never ends (a
// reference never given back) stay, and the leak report says so.

#include "core/OwnedReferences.h"

#include <functional>
#include <memory>
#include <typeinfo>

namespace Tarnu
{

/// When a class lets go in a round of the teardown: the scene graph from the top down (entities
/// leave their scene before they lose their components), then everything else.
enum class ExitStage
{
    SCENES,
    NODES,
    ENTITIES,
    OTHERS
};

namespace scriptexit
{

using Enter = void (*)(void* object, ReferenceVisitor& visitor);
void addRoot(const std::type_info& type, Enter enter);
void addRelease(const std::type_info& type, ExitStage stage, bool (*letGo)(void* object));

}

/// The teardown at the script's exit starts from the live Python objects of class T (and of its
/// subclasses): it reaches what their T owns, and what that owns.
template <class T>
void reachAtScriptExit()
{
    scriptexit::addRoot(typeid(T), [](void* object, ReferenceVisitor& visitor) {
        // Held for the teardown by its Python object.
        visitor(std::shared_ptr<T>(std::shared_ptr<T>(), static_cast<T*>(object)));
    });
}

/// The same, and every T it reaches lets go of what it holds with LetGo (a function of a T&, or a
/// member function), which answers whether it let anything go.
template <class T, auto LetGo>
void releaseAtScriptExit(ExitStage stage = ExitStage::OTHERS)
{
    reachAtScriptExit<T>();
    scriptexit::addRelease(typeid(T), stage,
                           [](void* object) -> bool { return std::invoke(LetGo, *static_cast<T*>(object)); });
}

/// Registers the exit handler with Python's atexit; called once by the module entry.
void registerScriptExit();

}
