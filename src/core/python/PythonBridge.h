#pragma once
// The common half of every bridge, the engine-side object inside a Python
// subclass (listeners, processes, factory events, components...). It calls a
// Python method by name on the Python object that holds it, so a method defined
// by the subclass, or assigned to the instance, is the one that runs.
//
// Three error policies: callLogged reports a failure ("Exception thrown in X
// method." to "PythonSystemLog.txt", the traceback on standard error) and lets
// the engine carry on; callPrinted only prints the traceback and carries on
// (callLoggedOr and callPrintedOr answer a fallback in place of the method's);
// callRethrowing prints the traceback and passes the error on to the engine
// caller (and on up to the script, which sees the original Python exception).

#include "core/CallbackScope.h"
#include "core/PythonErrors.h"

#include <boost/python.hpp>

#include <optional>
#include <string>

namespace Tarnu
{

class PythonBridge
{
protected:
    explicit PythonBridge(PyObject* self) : self(self) {}

    PyObject* getSelf() const { return self; }

    template <class... Args>
    void callLogged(const char* method, const Args&... args) const noexcept
    {
        // The message is built only on failure: processes and listeners are called every step.
        callReporting([method] { return failureMessage(method); }, method, args...);
    }

    /// The same with a message of the caller's own.
    template <class... Args>
    void callLoggedAs(const std::string& message, const char* method, const Args&... args) const noexcept
    {
        callReporting([&message] { return message; }, method, args...);
    }

    /// The method's answer, or the fallback after a failure reported as callLogged reports it.
    template <class Result, class... Args>
    Result callLoggedOr(const Result& fallback, const char* method, const Args&... args) const noexcept
    {
        Result result = fallback;
        keepingPendingError([method] { reportPythonException(failureMessage(method)); },
                            [&] { result = boost::python::call_method<Result>(self, method, args...); });
        return result;
    }

    /// A failure is printed and nothing more: the hook's errors are the game's to see on its console.
    template <class... Args>
    void callPrinted(const char* method, const Args&... args) const noexcept
    {
        keepingPendingError([] { printPythonException(); },
                            [&] { boost::python::call_method<void>(self, method, args...); });
    }

    /// The method's answer; after a failure (an answer that does not convert is one), the
    /// fallback's, the failure printed only.
    template <class Result, class Fallback, class... Args>
    Result callPrintedOr(const Fallback& fallback, const char* method, const Args&... args) const noexcept
    {
        std::optional<Result> result;
        keepingPendingError([] { printPythonException(); },
                            [&] { result = boost::python::call_method<Result>(self, method, args...); });
        return result ? std::move(*result) : fallback();
    }

    /// The Python class's __name__, which bridges use as their type name.
    std::string getClassName() const;

    template <class Result, class... Args>
    Result callRethrowing(const char* method, const Args&... args) const
    {
        try
        {
            const CallbackScope callback;
            return boost::python::call_method<Result>(self, method, args...);
        }
        catch (...)
        {
            printPythonExceptionKeepingIt();
            throw;
        }
    }

private:
    static std::string failureMessage(const char* method)
    {
        return std::string("Exception thrown in ") + method + " method.";
    }

    template <class Describe, class... Args>
    void callReporting(const Describe& describe, const char* method, const Args&... args) const noexcept
    {
        keepingPendingError([&describe] { reportPythonException(describe()); },
                            [&] { boost::python::call_method<void>(self, method, args...); });
    }

    template <class Report, class Call>
    static void keepingPendingError(const Report& report, const Call& call) noexcept
    {
        // The engine may call while a script's own exception is pending (objects
        // freed as it unwinds): keep it aside, as the interpreter does around __del__.
        PyObject* type = nullptr;
        PyObject* value = nullptr;
        PyObject* traceback = nullptr;
        PyErr_Fetch(&type, &value, &traceback);
        try
        {
            const CallbackScope callback;
            call();
        }
        catch (...)
        {
            report();
        }
        PyErr_Restore(type, value, traceback);
    }

    // Borrowed: the Python object holds the bridge by value, so it outlives every call.
    PyObject* self;
};

}
