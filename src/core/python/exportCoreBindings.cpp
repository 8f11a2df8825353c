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
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"
#include "core/python/ScriptExit.h"
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

// A process manager that a script still holds as it ends ends its processes.
bool endProcesses(ProcessManager& manager)
{
    const bool held = manager.hasProcesses();
    manager.terminateAll();
    return held;
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
    (cls.def("get",
             static_cast<ParameterList::QueryResult (ParameterList::*)(const std::string&, T&) const>(
                 &ParameterList::get<T>),
             "get(name, value): Reads the named parameter into the value object given, in place; answers a "
             "QueryResult."),
     ...);
}

template <class... T>
void defineValueGetThrowOnFails(py::class_<ParameterList>& cls)
{
    (cls.def("getThrowOnFail",
             static_cast<void (ParameterList::*)(const std::string&, T&, const std::string&) const>(
                 &ParameterList::getThrowOnFail<T>),
             "getThrowOnFail(name, value, errorPrefix): Reads the named parameter into the value object given; raises "
             "RuntimeError, its message after errorPrefix, when it is missing or unreadable."),
     ...);
}

void exportLogging()
{
    {
        py::scope logFile = py::class_<LogFile, boost::noncopyable>(
            "LogFile", "One log file of the log manager: time-stamped lines above a level.",
            py::init<std::string>("LogFile(name): A log file of that name, opened for writing."));
        py::enum_<LogFile::MessageLevel>("MessageLevel",
                                         "How important a log line is: ML_TRIVIAL, ML_NORMAL or ML_CRITICAL.")
            .value("ML_TRIVIAL", LogFile::ML_TRIVIAL)
            .value("ML_NORMAL", LogFile::ML_NORMAL)
            .value("ML_CRITICAL", LogFile::ML_CRITICAL)
            .export_values();
    }
    // A log made from Python belongs to the script, not to the log manager.
    py::class_<LogManager, boost::noncopyable>(
        "LogManager", "The engine's named log files, one of them the default log (\"TarnuLog.txt\").",
        py::init<>("LogManager(): A log manager of the script's own; Root.initialize makes the engine's."))
        .def("getSingleton", &getLiveSingleton<LogManager>,
             "getSingleton(): The engine's log manager, or None before Root.initialize and after Root.shutdown.")
        .staticmethod("getSingleton")
        .def("createLog", &LogManager::createLog, py::return_value_policy<py::reference_existing_object>(),
             "createLog(name, threshold, echo, echoThreshold, makeDefault): Opens a log file that keeps lines from "
             "threshold up and prints those from echoThreshold up.")
        .def("logMessageToDefault", &LogManager::logMessageToDefault,
             LogMessageToDefaultForms("logMessageToDefault(message[, level]): Writes a line to the default log at a "
                                      "level (ML_NORMAL unless given)."))
        .def("logMessage", &LogManager::logMessage,
             LogMessageForms("logMessage(logName, message[, level[, alsoToDefault]]): Writes a line to the named log, "
                             "and to the default log too when asked."));
}

void exportParameterList()
{
    py::class_<ParameterList> cls(
        "ParameterList", "Named text values: what components, bounds, events and templates are made from.",
        py::init<>("ParameterList(): An empty list."));
    cls.def(py::init<const ParameterList&>("ParameterList(other): A copy of another list."));
    {
        py::scope inside = cls;
        py::enum_<ParameterList::QueryResult>("QueryResult",
                                              "What a typed read found: SUCCESS, INVALID_TYPE or NO_ELEMENT.")
            .value("SUCCESS", ParameterList::SUCCESS)
            .value("INVALID_TYPE", ParameterList::INVALID_TYPE)
            .value("NO_ELEMENT", ParameterList::NO_ELEMENT)
            .export_values();
    }
    using GetText = const std::string& (ParameterList::*)(const std::string&) const;
    cls.def("add", &ParameterList::add,
            "add(name, value): Sets the named parameter to a text value, replacing any earlier one.")
        .def("remove", &ParameterList::remove, "remove(name): Drops the named parameter.")
        .def("clear", &ParameterList::clear, "clear(): Drops every parameter.")
        .def("contains", &ParameterList::contains, "contains(name): Whether the named parameter is set.");
    defineValueGets<Vector2, Vector3, Complex, Scale, AxisAlignedBox>(cls);
    cls.def("get", static_cast<GetText>(&ParameterList::get), py::return_value_policy<py::copy_const_reference>(),
            "get(name): The named parameter's text, or an empty text when it is not set.")
        .def("getFloat", &getOr<double>,
             "getFloat(name, default): The named parameter as a number, or default when it is missing or not a number.")
        .def("getInt", &getOr<int>,
             "getInt(name, default): The named parameter as a whole number, or default when it is missing or not one.")
        .def("getBool", &getOr<bool>,
             "getBool(name, default): The named parameter as a truth value, or default when it is missing or not one.")
        .def("getThrowOnFail", static_cast<GetText>(&ParameterList::getThrowOnFail),
             py::return_value_policy<py::copy_const_reference>(),
             "getThrowOnFail(name): The named parameter's text; raises RuntimeError when it is not set.");
    defineValueGetThrowOnFails<Vector2, Vector3, Complex, Scale, AxisAlignedBox>(cls);
    cls.def("getFloatThrowOnFail", &getOrThrow<double>,
            "getFloatThrowOnFail(name): The named parameter as a number; raises RuntimeError when it is missing or not "
            "a number.")
        .def("getIntThrowOnFail", &getOrThrow<int>,
             "getIntThrowOnFail(name): The named parameter as a whole number; raises RuntimeError when it is missing "
             "or not one.")
        .def("getBoolThrowOnFail", &getOrThrow<bool>,
             "getBoolThrowOnFail(name): The named parameter as a truth value; raises RuntimeError when it is missing "
             "or not one.")
        .def("size", &ParameterList::size, "size(): How many parameters are set.")
        .def("empty", &ParameterList::empty, "empty(): Whether no parameter is set.")
        .def("__copy__", &copyOf<ParameterList>)
        .def("__deepcopy__", &deepCopyOf<ParameterList>);
}

void exportEvents()
{
    collectCyclesThrough<Event>(
        py::class_<Event, std::shared_ptr<Event>, boost::noncopyable>(
            "Event", "Something that happened, of a numbered event type, at a time in seconds.",
            py::init<std::uint32_t, double>("Event(eventType, eventTime): An event of that type number, due at that "
                                            "time."))
            .add_property("eventType", &Event::getEventType, "The event's type number.")
            .add_property("eventTime", &Event::getEventTime, "When the event is due, in seconds.")
            .def("getEventType", &Event::getEventType, "getEventType(): The event's type number.")
            .def("getEventTime", &Event::getEventTime, "getEventTime(): When the event is due, in seconds."));
    reachAtScriptExit<Event>();

    py::class_<EventListener, PythonEventListener, boost::noncopyable>(
        "EventListener",
        "Hears the events of one type from the event managers it is added to; subclass it and define handleEvent. "
        "A manager does not keep its listeners alive: the script does.",
        py::init<std::uint32_t>("EventListener(eventType): A listener of the events of that type number."))
        .add_property("eventType", &EventListener::getEventType, "The type number of the events it hears.")
        .def("handleEvent", pureVirtual(&EventListener::handleEvent),
             "handleEvent(event): Called with each event of the listener's type; a subclass defines it.")
        .def("removeFromAllDispatchers", &EventListener::removeFromAllDispatchers,
             "removeFromAllDispatchers(): Leaves every event manager the listener was added to.");

    collectCyclesThrough<EventManager>(
        py::class_<EventManager, boost::noncopyable>(
            "EventManager", "Delivers events to its listeners: at once, or queued until they are due.",
            py::init<>("EventManager(): An event manager with no listeners."))
            .def("postEvent", &EventManager::postEvent,
                 "postEvent(event): Delivers the event to its listeners at once.")
            .def("queueEvent", &EventManager::queueEvent,
                 "queueEvent(event): Keeps the event until dispatchEvents reaches its time (a scene does so every "
                 "step).")
            .def("dispatchEvents", &EventManager::dispatchEvents,
                 "dispatchEvents(time): Delivers the queued events due by that time, earliest first; a negative time "
                 "delivers all.")
            .def("addEventListener", &EventManager::addEventListener,
                 "addEventListener(listener): Adds a listener for its event type; the manager does not keep it alive.")
            .def("removeEventListener", &EventManager::removeEventListener,
                 "removeEventListener(listener): Removes a listener.")
            .def("getID", &EventManager::getID, "getID(): The manager's number, unique in the run."));
    releaseAtScriptExit<EventManager, &EventManager::dropQueuedEvents>();

    py::class_<ProtectedEventManager, boost::noncopyable>(
        "ProtectedEventManager", "An event manager that scripts may only add listeners to and remove them from.",
        py::init<>("ProtectedEventManager(): An event manager with no listeners."))
        .def("addEventListener", &ProtectedEventManager::addEventListener,
             "addEventListener(listener): Adds a listener for its event type; the manager does not keep it alive.")
        .def("removeEventListener", &ProtectedEventManager::removeEventListener,
             "removeEventListener(listener): Removes a listener.");
}

void exportProcesses()
{
    py::class_<Process, PythonProcess, boost::noncopyable> process(
        "Process",
        "A task updated with the time of each step of its process manager (a scene); subclass it and define "
        "updateProcess. The manager keeps it alive until it is killed.",
        py::init<py::optional<std::uint32_t, std::uint32_t, bool, double>>(
            "Process([updateRate[, priority[, suspended[, suspendTime]]]]): A process updated every updateRate-th "
            "step, lower priority numbers first, maybe suspended a while."));
    process
        .def("getSuspended", &Process::getSuspended, "getSuspended(): Whether the process is suspended.")
        .def("isActive", &Process::isActive,
             "isActive(): Whether the process is in a process manager and not suspended.")
        .def("getPriority", &Process::getPriority,
             "getPriority(): The process's priority: lower numbers are updated first.")
        .def("getProcessManager", &Process::getProcessManager,
             "getProcessManager(): The process manager (a scene, say) that updates it, or None.")
        .def("suspend", &Process::suspend,
             "suspend(suspended, time): Suspends the process for that many seconds (0: until resumed), or resumes it.")
        .def("killProcess", &Process::killProcess,
             "killProcess(): Ends the process; its manager lets it go after the current pass.")
        .def("setUpdateRate", &Process::setUpdateRate,
             "setUpdateRate(rate): Updates the process every rate-th step, with the time of those steps summed; 0 is "
             "ignored.")
        .def("getUpdateRate", &Process::getUpdateRate, "getUpdateRate(): Every how many steps it is updated.")
        .def("updateProcess", pureVirtual(&Process::updateProcess),
             "updateProcess(elapsed): Called each update with the seconds since the last; a subclass defines it.")
        .def("processStarted", overridable(&Process::processStarted, &PythonProcess::defaultProcessStarted),
             "processStarted(): Called when a process manager takes the process; does nothing unless a subclass "
             "defines it.")
        .def("processSuspended", overridable(&Process::processSuspended, &PythonProcess::defaultProcessSuspended),
             "processSuspended(suspended): Called when the process is suspended or resumed; does nothing unless a "
             "subclass defines it.")
        .def("processTerminated", overridable(&Process::processTerminated, &PythonProcess::defaultProcessTerminated),
             "processTerminated(): Called when the process ends; does nothing unless a subclass defines it.");
    collectCyclesThrough<Process, &releaseTimersManager>(process);
    reachAtScriptExit<Process>();
    py::register_ptr_to_python<std::shared_ptr<Process>>();

    py::class_<ProcessManager, py::bases<Process>, std::shared_ptr<ProcessManager>, boost::noncopyable> manager(
        "ProcessManager", "A process that updates a set of processes at its own current time.", py::no_init);
    manager.def("createNew", &ProcessManager::createNew,
                "createNew(startTime): A new process manager whose clock starts at that time in seconds.")
        .staticmethod("createNew")
        .def("addProcess", &ProcessManager::addProcess,
             "addProcess(process): Adds a process, which the manager keeps alive until it is killed.")
        .def("getCurrentTime", &ProcessManager::getCurrentTime,
             "getCurrentTime(): The manager's clock: the seconds of the steps it has run, from its start time.")
        .def("terminateAll", &ProcessManager::terminateAll, "terminateAll(): Kills every process it updates.");
    // getProcessManager hands out a new wrapper of the manager each time; it
    // still compares equal to the script's own reference.
    defineIdentity(manager);
    collectCyclesThrough<ProcessManager>(manager);
    releaseAtScriptExit<ProcessManager, &endProcesses>();
}

void exportFactoryEvents()
{
    py::class_<FactoryEvent, py::bases<Event>, PythonFactoryEvent, boost::noncopyable>(
        "FactoryEvent",
        "An event the event factory makes by name from parameters, as event scripts do; subclass it to add one.",
        py::init<std::uint32_t, double>("FactoryEvent(eventType, eventTime): An event of that type number, due at that "
                                        "time."))
        .def("createNew", pureVirtual(&FactoryEvent::createNew),
             "createNew(params): A new event of this kind made from a ParameterList; a subclass defines it.")
        .def("createCopy", pureVirtual(&FactoryEvent::createCopy),
             "createCopy(time): A copy of this event due at another time; a subclass defines it.");
    py::register_ptr_to_python<std::shared_ptr<FactoryEvent>>();
    collectCyclesThroughHeld<FactoryEvent>();

    py::class_<EventFactory, boost::noncopyable>(
        "EventFactory", "Makes action events by their factory name from parameters, for event scripts.", py::no_init)
        .def("getSingleton", &getLiveSingleton<EventFactory>,
             "getSingleton(): The engine's event factory, or None before Root.initialize and after Root.shutdown.")
        .staticmethod("getSingleton")
        .def("registerType", &EventFactory::registerType,
             "registerType(prototype): Registers an event as the prototype of its kind; the first one registered under "
             "a name stays.")
        .def("isRegistered", &EventFactory::isRegistered,
             "isRegistered(typeName): Whether a prototype is registered under that name.")
        .def("getRegistered", &EventFactory::getRegistered, py::return_value_policy<py::copy_const_reference>(),
             "getRegistered(typeName): The prototype registered under that name; raises RuntimeError if none.")
        .def("create", &EventFactory::create,
             "create(typeName, params): A new event made by the prototype of that name from a ParameterList.")
        .def(typesWithoutClass(
            ParameterTable::EVENT,
            {{"ComponentAddition", "Queued on a scene, has its ComponentAdder add or remove a component of an entity, "
                                   "or remove or kill the entity."},
             {"ScriptRunner", "Queued on a scene, has its ScriptRunner play an event script."},
             {"TemplateInstantiation",
              "Queued on a scene, has its TemplateInstantiator make an entity or a scene from a template."}}));
}

void exportTimers()
{
    py::class_<Timer, py::bases<Process>, boost::noncopyable>(
        "Timer", "A process that posts an event on an event manager when its time is up, once.",
        py::init<double, std::shared_ptr<EventManager>, std::string>(
            "Timer(time, manager, name): Posts a TimerEvent of that name on the manager after time seconds; add it to "
            "a scene to run it."))
        .def(py::init<double, std::shared_ptr<EventManager>, std::uint32_t>(
            "Timer(time, manager, eventType): Posts a TimerEvent of that event type on the manager after time "
            "seconds."))
        .def("reset", &Timer::reset, "reset(time): Starts counting again, to time seconds from now.");

    py::class_<TimerEvent, py::bases<Event>, std::shared_ptr<TimerEvent>, boost::noncopyable> timerEvent(
        "TimerEvent", "What a Timer posts when its time is up.", py::no_init);
    addEventType(timerEvent, &TimerEvent::TYPE);
    collectCyclesThroughHeld<TimerEvent>();
    timerEvent.add_property(
        "name", py::make_function(&TimerEvent::getName, py::return_value_policy<py::copy_const_reference>()),
        "The name the timer was given.");

    py::class_<TimerListener, py::bases<EventListener>, PythonTimerListener, boost::noncopyable>(
        "TimerListener", "Hears TimerEvents; subclass it and define timeUp.",
        py::init<>("TimerListener(): A listener of timer events."))
        .def("timeUp", pureVirtual(&TimerListener::timeUp),
             "timeUp(event): Called with each TimerEvent; a subclass defines it.");
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
