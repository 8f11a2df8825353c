#pragma once
// What every typed resource manager's Python class has: a static getSingleton
// that answers None while the manager does not exist (each call a new wrapper,
// equal to the others). The lookups are inherited from ResourceManager: a
// script's reference kept past the engine's shutdown raises RuntimeError through
// them as through the manager's own methods (LiveSingleton.h).

#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"

#include <boost/python.hpp>

namespace Tarnu
{

template <class Manager, class PythonClass>
void defineTypedManager(PythonClass& cls)
{
    cls.def("getSingleton", &getLiveSingleton<Manager>,
            "getSingleton(): The engine's manager, or None before Root.initialize and after Root.shutdown.")
        .staticmethod("getSingleton");
    defineIdentity(cls);
}

}
