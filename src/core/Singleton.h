#pragma once
// One instance per manager class, reached from anywhere. The instance registers
// itself while it is constructed and leaves when destroyed, so a manager's
// lifetime alone decides whether the slot is filled.

#include "core/TypeName.h"

#include <stdexcept>

namespace Tarnu
{

template <class T>
class Singleton
{
public:
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;

    static T& getSingleton()
    {
        if (!instance)
            throw std::runtime_error("Error: attempt to dereference singleton " + typeName<T>() +
                                     " when singleton is null.");
        return *instance;
    }

    static T* getSingletonPtr() { return instance; }

protected:
    Singleton()
    {
        if (instance)
            throw std::runtime_error("Error: attempt to reconstruct singleton " + typeName<T>() + "!");
        instance = static_cast<T*>(this);
    }

    ~Singleton() { instance = nullptr; }

private:
    static inline T* instance = nullptr;
};

}
