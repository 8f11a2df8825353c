#pragma once
// The bridges of the core's Python subclasses: each is the engine object inside
// a Python instance, and turns the engine's virtual calls into calls of the
// Python methods of the same names.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/Process.h"
#include "core/Timer.h"
#include "core/python/PythonBridge.h"

#include <string>

namespace Tarnu
{

class PythonEventListener : public EventListener, public PythonBridge
{
public:
    PythonEventListener(PyObject* self, std::uint32_t eventType) : EventListener(eventType), PythonBridge(self) {}

    void handleEvent(const std::shared_ptr<Event>& event) override { callLogged("handleEvent", event); }
};

class PythonProcess : public Process, public PythonBridge
{
public:
    explicit PythonProcess(PyObject* self, std::uint32_t updateRate = 1, std::uint32_t priority = DEFAULT_PRIORITY,
                           bool suspended = false, double suspendTime = 0.0)
        : Process(updateRate, priority, suspended, suspendTime), PythonBridge(self)
    {
    }

    void updateProcess(double time) override { callLogged("updateProcess", time); }
    void processStarted() override { callLogged("processStarted"); }
    void processSuspended(bool suspended) override { callLogged("processSuspended", suspended); }
    void processTerminated() override { callLogged("processTerminated"); }

    // What a Python subclass inherits when it leaves these out.
    void defaultProcessStarted() { Process::processStarted(); }
    void defaultProcessSuspended(bool suspended) { Process::processSuspended(suspended); }
    void defaultProcessTerminated() { Process::processTerminated(); }
};

class PythonFactoryEvent : public FactoryEvent, public PythonBridge
{
public:
    PythonFactoryEvent(PyObject* self, std::uint32_t eventType, double eventTime)
        : FactoryEvent(eventType, eventTime), PythonBridge(self)
    {
    }

    /// The Python class's name, read once: registrations keep the name they were made under.
    const std::string& getFactoryType() const override;
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override;
    std::shared_ptr<FactoryEvent> createCopy(double time) const override;

private:
    mutable std::string factoryType;
};

class PythonTimerListener : public TimerListener, public PythonBridge
{
public:
    explicit PythonTimerListener(PyObject* self) : PythonBridge(self) {}

    void timeUp(const std::shared_ptr<TimerEvent>& event) override { callLogged("timeUp", event); }
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonEventListener> : mpl::true_ {};
template <> struct has_back_reference<Tarnu::PythonProcess> : mpl::true_ {};
template <> struct has_back_reference<Tarnu::PythonFactoryEvent> : mpl::true_ {};
template <> struct has_back_reference<Tarnu::PythonTimerListener> : mpl::true_ {};
}
