// Logging, parameter lists, events, event managers, processes, the event
// factory and timers. Registered first: every later area builds on these classes.

#include "core/EventFactory.h"
#include "core/EventManager.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/ProcessManager.h"
#include "core/Timer.h"
#include "core/math/AxisAlignedBox.h"
#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/math/Vector3.h"
#include "core/python/Bindings.h"
#include "core/python/CoreBridges.h"
#include "core/python/CycleCollection.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"
#include "core/python/ValueCopies.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(LogMessageForms, logMessage, 2, 4)
BOOST_PYTHON_MEMBER_FUNCTION_OVERLOADS(LogMessageToDefaultForms, logMessageToDefault, 1, 2)

// A timer that nothing but a collected cycle holds lets go of its event manager,
// as firing would: a timer aimed at its own scene is such a cycle.
bool releaseTimersManager(Process& process)
{
    auto* timer = dynamic_cast<Timer*>(&process);
    if (!timer || !cycles::ownsAnything(*timer))
        return false;
    timer->releaseManager();
    return true;
}

// The typed getters of scripts: a default stands in for a missing or unreadable value.
template <class T>
T getOr(const ParameterList& params, const std::string& name, T value)
{
    params.get(name, value);
    return value;
}

template <class T>
T getOrThrow(const ParameterList& params, const std::string& name)
{
    T value{};
    params.getThrowOnFail(name, value, "");
    return value;
}

// The forms that fill a value object in place, one per value type a script reads.
template <class... T>
void defineValueGets(py::class_<ParameterList>& cls)
{
    (cls.def("get", static_cast<ParameterList::QueryResult (ParameterList::*)(const std::string&, T&) const>(
                        &ParameterList::get<T>)),
     ...);
}

template <class... T>
void defineValueGetThrowOnFails(py::class_<ParameterList>& cls)
{
    (cls.def("getThrowOnFail",
             static_cast<void (ParameterList::*)(const std::string&, T&, const std::string&) const>(
                 &ParameterList::getThrowOnFail<T>)),
     ...);
}

void exportLogging()
{
    {
        py::scope logFile = py::class_<LogFile, boost::noncopyable>("LogFile", py::init<std::string>());
        py::enum_<LogFile::MessageLevel>("MessageLevel")
            .value("ML_TRIVIAL", LogFile::ML_TRIVIAL)
            .value("ML_NORMAL", LogFile::ML_NORMAL)
            .value("ML_CRITICAL", LogFile::ML_CRITICAL)
            .export_values();
    }
    // A log made from Python belongs to the script, not to the log manager.
    py::class_<LogManager, boost::noncopyable>("LogManager")
        .def("getSingleton", &getLiveSingleton<LogManager>)
        .staticmethod("getSingleton")
        .def("createLog", &LogManager::createLog, py::return_value_policy<py::reference_existing_object>())
        .def("logMessageToDefault", &LogManager::logMessageToDefault, LogMessageToDefaultForms())
        .def("logMessage", &LogManager::logMessage, LogMessageForms());
}

void exportParameterList()
{
    py::class_<ParameterList> cls("ParameterList", py::init<>());
    cls.def(py::init<const ParameterList&>());
    {
        py::scope inside = cls;
        py::enum_<ParameterList::QueryResult>("QueryResult")
            .value("SUCCESS", ParameterList::SUCCESS)
            .value("INVALID_TYPE", ParameterList::INVALID_TYPE)
            .value("NO_ELEMENT", ParameterList::NO_ELEMENT)
            .export_values();
    }
    using GetText = const std::string& (ParameterList::*)(const std::string&) const;
    cls.def("add", &ParameterList::add)
        .def("remove", &ParameterList::remove)
        .def("clear", &ParameterList::clear)
        .def("contains", &ParameterList::contains);
    defineValueGets<Vector2, Vector3, Complex, Scale, AxisAlignedBox>(cls);
    cls.def("get", static_cast<GetText>(&ParameterList::get), py::return_value_policy<py::copy_const_reference>())
        .def("getFloat", &getOr<double>)
        .def("getInt", &getOr<int>)
        .def("getBool", &getOr<bool>)
        .def("getThrowOnFail", static_cast<GetText>(&ParameterList::getThrowOnFail),
             py::return_value_policy<py::copy_const_reference>());
    defineValueGetThrowOnFails<Vector2, Vector3, Complex, Scale, AxisAlignedBox>(cls);
    cls.def("getFloatThrowOnFail", &getOrThrow<double>)
        .def("getIntThrowOnFail", &getOrThrow<int>)
        .def("getBoolThrowOnFail", &getOrThrow<bool>)
        .def("size", &ParameterList::size)
        .def("empty", &ParameterList::empty)
        .def("__copy__", &copyOf<ParameterList>)
        .def("__deepcopy__", &deepCopyOf<ParameterList>);
}

void exportEvents()
{
    collectCyclesThrough<Event>(
        py::class_<Event, std::shared_ptr<Event>, boost::noncopyable>("Event", py::init<std::uint32_t, double>())
            .add_property("eventType", &Event::getEventType)
            .add_property("eventTime", &Event::getEventTime)
            .def("getEventType", &Event::getEventType)
            .def("getEventTime", &Event::getEventTime));

    py::class_<EventListener, PythonEventListener, boost::noncopyable>("EventListener", py::init<std::uint32_t>())
        .add_property("eventType", &EventListener::getEventType)
        .def("handleEvent", py::pure_virtual(&EventListener::handleEvent))
        .def("removeFromAllDispatchers", &EventListener::removeFromAllDispatchers);

    collectCyclesThrough<EventManager>(py::class_<EventManager, boost::noncopyable>("EventManager")
                                           .def("postEvent", &EventManager::postEvent)
                                           .def("queueEvent", &EventManager::queueEvent)
                                           .def("dispatchEvents", &EventManager::dispatchEvents)
                                           .def("addEventListener", &EventManager::addEventListener)
                                           .def("removeEventListener", &EventManager::removeEventListener)
                                           .def("getID", &EventManager::getID));

    py::class_<ProtectedEventManager, boost::noncopyable>("ProtectedEventManager")
        .def("addEventListener", &ProtectedEventManager::addEventListener)
        .def("removeEventListener", &ProtectedEventManager::removeEventListener);
}

void exportProcesses()
{
    py::class_<Process, PythonProcess, boost::noncopyable> process(
        "Process", py::init<py::optional<std::uint32_t, std::uint32_t, bool, double>>());
    process
        .def("getSuspended", &Process::getSuspended)
        .def("isActive", &Process::isActive)
        .def("getPriority", &Process::getPriority)
        .def("getProcessManager", &Process::getProcessManager)
        .def("suspend", &Process::suspend)
        .def("killProcess", &Process::killProcess)
        .def("setUpdateRate", &Process::setUpdateRate)
        .def("getUpdateRate", &Process::getUpdateRate)
        .def("updateProcess", py::pure_virtual(&Process::updateProcess))
        .def("processStarted", &Process::processStarted, &PythonProcess::defaultProcessStarted)
        .def("processSuspended", &Process::processSuspended, &PythonProcess::defaultProcessSuspended)
        .def("processTerminated", &Process::processTerminated, &PythonProcess::defaultProcessTerminated);
    collectCyclesThrough<Process, &releaseTimersManager>(process);
    py::register_ptr_to_python<std::shared_ptr<Process>>();

    py::class_<ProcessManager, py::bases<Process>, std::shared_ptr<ProcessManager>, boost::noncopyable> manager(
        "ProcessManager", py::no_init);
    manager.def("createNew", &ProcessManager::createNew)
        .staticmethod("createNew")
        .def("addProcess", &ProcessManager::addProcess)
        .def("getCurrentTime", &ProcessManager::getCurrentTime)
        .def("terminateAll", &ProcessManager::terminateAll);
    // getProcessManager hands out a new wrapper of the manager each time; it
    // still compares equal to the script's own reference.
    defineIdentity(manager);
    collectCyclesThrough<ProcessManager>(manager);
}

void exportFactoryEvents()
{
    py::class_<FactoryEvent, py::bases<Event>, PythonFactoryEvent, boost::noncopyable>(
        "FactoryEvent", py::init<std::uint32_t, double>())
        .def("createNew", py::pure_virtual(&FactoryEvent::createNew))
        .def("createCopy", py::pure_virtual(&FactoryEvent::createCopy));
    py::register_ptr_to_python<std::shared_ptr<FactoryEvent>>();

    py::class_<EventFactory, boost::noncopyable>("EventFactory", py::no_init)
        .def("getSingleton", &getLiveSingleton<EventFactory>)
        .staticmethod("getSingleton")
        .def("registerType", &EventFactory::registerType)
        .def("isRegistered", &EventFactory::isRegistered)
        .def("getRegistered", &EventFactory::getRegistered, py::return_value_policy<py::copy_const_reference>())
        .def("create", &EventFactory::create);
}

void exportTimers()
{
    py::class_<Timer, py::bases<Process>, boost::noncopyable>(
        "Timer", py::init<double, std::shared_ptr<EventManager>, std::string>())
        .def(py::init<double, std::shared_ptr<EventManager>, std::uint32_t>())
        .def("reset", &Timer::reset);

    py::class_<TimerEvent, py::bases<Event>, std::shared_ptr<TimerEvent>, boost::noncopyable> timerEvent(
        "TimerEvent", py::no_init);
    addEventType(timerEvent, &TimerEvent::TYPE);
    timerEvent.add_property("name", py::make_function(&TimerEvent::getName,
                                                      py::return_value_policy<py::copy_const_reference>()));

    py::class_<TimerListener, py::bases<EventListener>, PythonTimerListener, boost::noncopyable>("TimerListener")
        .def("timeUp", py::pure_virtual(&TimerListener::timeUp));
}

}

void exportCoreBindings()
{
    exportLogging();
    exportParameterList();
    exportEvents();
    exportProcesses();
    exportFactoryEvents();
    exportTimers();
}

}
