#pragma once
// An interpreter inside the C++ test runner, with the engine's own module
// registered from this binary: tests hand engine objects that scripts cannot
// create yet (factories, managers) to Python code and watch the bridges work.

#include <boost/python.hpp>

#include <string>

namespace Tarnu::Embedded
{

/// Starts the interpreter on first use; it lives until the process ends.
void ensurePython();

/// A fresh namespace with the module imported as "tarnu" and gc available.
boost::python::dict pythonNamespace();

/// Runs code in the namespace; a Python error fails with its printed form.
void runPython(const std::string& code, boost::python::dict& space);

}
