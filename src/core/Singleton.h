#pragma once
// One instance per manager class, reached from anywhere. The instance registers
// itself while it is constructed and leaves when destroyed, so a manager's
// lifetime alone decides whether the slot is filled. Each construction starts a
// new generation, which tells a reference to a deleted instance from one to its
// successor, even at the same address. The error of a missing instance has a
// class of its own, so that the Python module can say what to do about it.

#include "core/TypeName.h"

#include <cstdint>
#include <stdexcept>

namespace Tarnu
{

/// A manager used while none exists: before Root.initialize or after Root.shutdown.
class MissingSingletonError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

template <class T>
class Singleton
{
public:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    static T& getSingleton()
    {
        if (!instance)
            throw MissingSingletonError("Error: attempt to dereference singleton " + typeName<T>() +
                                        " when singleton is null.");
        return *static_cast<T*>(instance);
    }

    static T* getSingletonPtr() { return static_cast<T*>(instance); }
    static std::uint64_t getGeneration() { return generation; }

protected:
    Singleton()
    {
        if (instance)
            throw std::runtime_error("Error: attempt to reconstruct singleton " + typeName<T>() + "!");
        // Kept as the base: T is not constructed yet, so the cast to T waits for the accessors.
        instance = this;
        ++generation;
    }

    ~Singleton() { instance = nullptr; }

private:
    static inline Singleton* instance = nullptr;
    static inline std::uint64_t generation = 0;
};

}
