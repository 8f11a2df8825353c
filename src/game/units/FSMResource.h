#pragma once
// The shared definition of one unit state machine: named states (state 0, the
// null state, is in every definition, nameless and terminal), the transitions
// keyed by (source state, event type), the default starting state, and one
// event listener per transition. Its loader runs a Python script file with the
// definition as `fsm`, or calls a function of a Python module with it, and the
// Python code fills it through addState, addTransition and
// setDefaultStartingState.
//
// Machines (UnitFSM) connected to an event manager put the definition's
// listeners on it and are entered in the definition's table under that manager.
// A listener finds the machine through the manager dispatching the event; only
// the machine that holds a manager's entry follows that manager's events, and
// only it takes the listeners off the manager again.

#include "core/EventListener.h"
#include "core/resources/Resource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class Event;
class EventManager;
class UnitFSM;

class FSMResource : public Resource, public std::enable_shared_from_this<FSMResource>
{
public:
    /// Moves the machine that the dispatching manager drives along one transition.
    class Listener : public EventListener
    {
    public:
        Listener(FSMResource& owner, std::uint32_t sourceState, std::uint32_t eventType);

        void handleEvent(const std::shared_ptr<Event>& event) override;

    private:
        FSMResource& owner;  // the definition owns its listeners and deletes them first when it clears
        const std::uint32_t sourceState;
        const std::uint32_t eventType;
    };

    /// An empty module makes an empty definition; an empty function makes module a script file's path.
    FSMResource(const std::string& name, std::uint32_t handle, const std::string& module,
                const std::string& function);
    ~FSMResource() override;

    /// The new state's number (1 for the first).
    std::uint32_t addState(const std::string& name, bool terminal = false, bool defaultStart = false);
    void addTransition(const std::string& fromState, const std::string& toState, std::uint32_t eventType);
    void setDefaultStartingState(const std::string& name);
    /// Back to the null state alone; the listeners leave every manager they were on.
    void clearAllStates();

protected:
    void loadImpl() override;
    void unloadImpl() override { clearAllStates(); }

private:
    friend class UnitFSM;

    struct Transition
    {
        std::uint32_t sourceState;
        std::uint32_t eventType;
        bool operator==(const Transition& other) const = default;
    };
    struct TransitionHash
    {
        std::size_t operator()(const Transition& transition) const;
    };
    struct Connection
    {
        UnitFSM* machine;         // the machine enters and leaves this table itself, also when it dies
        std::uint32_t managerID;  // tells the manager from a later one at the same address
        // The live events that have moved the machine, each once: also those whose delivery is
        // still going on around changes made from inside stateChanged. Observed only: an event
        // may hold the very entity it moves.
        std::vector<std::weak_ptr<Event>> movedBy;
    };

    /// States and transitions may be added while loading and once loaded.
    bool isFillable() const;
    void runScript();
    void callModuleFunction();

    /// Puts the listeners on the manager and enters the machine under it, unless
    /// a machine connected to that very manager holds the entry already.
    void enterMachine(EventManager& manager, UnitFSM& machine);
    /// Undoes enterMachine when the machine holds the entry under key; the
    /// listeners come off the manager when it is still alive.
    void releaseMachine(const EventManager* key, EventManager* liveManager, const UnitFSM& machine);

    std::unordered_map<std::string, std::uint32_t> stateNumbers;
    std::vector<std::string> stateNames{""};
    std::vector<std::unique_ptr<Listener>> listeners;
    std::unordered_map<Transition, std::uint32_t, TransitionHash> transitions;
    std::vector<bool> terminal{true};
    std::unordered_map<const EventManager*, Connection> connections;
    const std::string module;
    const std::string function;
    std::uint32_t defaultStartingState = 0;
};

}
