#pragma once
// Python objects that refer to an engine singleton by reference (the log
// manager, the event and component factories, the input manager, later
// managers) would dangle once Root.shutdown deletes it. Such an object holds a
// LiveSingletonReference, the pointer and the singleton's generation, and every
// conversion of the object to an engine object asks the reference for its
// pointer: whichever class's method the object is passed to (the manager's
// own, a base class's such as ProtectedEventManager.addEventListener, any
// other), a deleted manager raises RuntimeError instead of being reached.
//
// getSingleton answers None while the manager does not exist. Asked before
// Root.initialize ever ran, standard error says why, once: the script's next
// step is usually an AttributeError on None. After Root.shutdown, or a start
// that failed, None is an answer scripts ask for.

#include "core/Singleton.h"
#include "core/TypeName.h"

#include <boost/python.hpp>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Tarnu
{

template <class T>
class LiveSingletonReference
{
public:
    explicit LiveSingletonReference(T* instance) : instance(instance), generation(T::getGeneration()) {}

    T* get() const
    {
        if (instance != T::getSingletonPtr() || generation != T::getGeneration())
            throw std::runtime_error("Error: " + typeName<T>() +
                                     " was deleted; this reference to it is no longer valid.");
        return instance;
    }

private:
    T* instance;
    std::uint64_t generation;
};

/// How the binding library reaches the object a Python reference holds.
template <class T>
T* get_pointer(const LiveSingletonReference<T>& reference)
{
    return reference.get();
}

/// Once per run: the script asked for a manager before Root.initialize.
void noteMissingSingleton(const std::string& typeName);

/// The Python face of getSingletonPtr: the live instance by reference, or None.
template <class T>
boost::python::object getLiveSingleton()
{
    namespace objects = boost::python::objects;
    T* instance = T::getSingletonPtr();
    if (!instance)
    {
        noteMissingSingleton(typeName<T>());
        return boost::python::object();
    }
    LiveSingletonReference<T> reference(instance);
    using Holder = objects::pointer_holder<LiveSingletonReference<T>, T>;
    return boost::python::object(
        boost::python::handle<>(objects::make_ptr_instance<T, Holder>::execute(reference)));
}

}
