#pragma once
// One running unit state machine: a current state and the definition it runs
// (FSMResource, found or made by name in the FSMResourceManager). Connected to
// an event manager, in practice its unit's entity, it enters its starting state
// and the manager's events move it along the definition's transitions; every
// change calls stateChanged, after the change is made. Entering a terminal
// state, or disconnecting, ends the connection; state 0 is terminal and means
// no state.
//
// stateChanged may do anything, this machine's own destruction included, so a
// change calls it last. Changes made from inside stateChanged nest; a cycle of
// them is cut off, with a warning, before it can run the stack out.

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Event;
class EventManager;
class FSMResource;

class UnitFSM
{
public:
    /// Changes of state running inside one another beyond which the next is refused.
    static constexpr unsigned MAX_NESTED_STATE_CHANGES = 32;

    /// An empty name gives a machine without a definition, which never connects.
    UnitFSM(const std::string& name, const std::string& module, const std::string& function);
    UnitFSM(const UnitFSM&) = delete;
    UnitFSM& operator=(const UnitFSM&) = delete;
    /// Ends a connection without telling stateChanged, which is gone by now.
    virtual ~UnitFSM();

    virtual void stateChanged(std::uint32_t oldState, std::uint32_t newState, const std::shared_ptr<Event>& event) = 0;

    std::uint32_t getState() const { return state; }
    std::shared_ptr<FSMResource> getStateMachine() const { return stateMachine; }
    bool isConnected() const { return connectionKey != nullptr; }

    /// A start state of 0 takes the definition's default; a machine not in state 0 keeps its state.
    void connect(const std::shared_ptr<EventManager>& manager, std::uint32_t startState = 0);
    void disconnect();
    void setState(std::uint32_t newState, const std::shared_ptr<Event>& event = nullptr);

protected:
    bool isConnectedTo(const EventManager& manager) const { return connectionKey == &manager; }

private:
    /// Has a definition that loaded without error.
    bool isRunnable() const;
    void endConnection();

    std::shared_ptr<FSMResource> stateMachine;
    std::uint32_t state = 0;
    std::weak_ptr<EventManager> manager;
    const EventManager* connectionKey = nullptr;  // identity only: the manager may be gone
};

}
