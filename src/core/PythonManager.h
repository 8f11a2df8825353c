#pragma once
// Python work done on the engine's behalf: owns "PythonSystemLog.txt", where
// the bridges report exceptions raised by Python methods, and makes fresh
// script namespaces with the engine's module already imported.

#include "core/Singleton.h"

#include <boost/python/dict.hpp>

namespace Tarnu
{

class PythonManager : public Singleton<PythonManager>
{
public:
    static constexpr const char* LOG_NAME = "PythonSystemLog.txt";

    PythonManager();
    virtual ~PythonManager();

    /// Drops the Python error that a rethrowing bridge left pending, once the
    /// engine code that caught it has reported it and carries on.
    static void discardPendingError() noexcept;

    /// A new dictionary with "__builtins__" set and "from tarnu import *" run in it.
    boost::python::dict createNamespace() const;
};

}
