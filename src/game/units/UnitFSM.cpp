#include "game/units/UnitFSM.h"

#include "core/EngineWarning.h"
#include "core/EventManager.h"
#include "game/units/FSMResource.h"
#include "game/units/FSMResourceManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <utility>

namespace Tarnu
{

namespace
{

unsigned nestedStateChanges = 0;

class NestedStateChange
{
public:
    NestedStateChange() { ++nestedStateChanges; }
    ~NestedStateChange() { --nestedStateChanges; }
    NestedStateChange(const NestedStateChange&) = delete;
    NestedStateChange& operator=(const NestedStateChange&) = delete;
};

// A script's reference to an entity or a scene is a wrapper of its own that lets
// go when the call returns; they know the reference that lives as long as they do.
std::weak_ptr<EventManager> lastingReference(const std::shared_ptr<EventManager>& manager)
{
    if (const auto* entity = dynamic_cast<const Entity*>(manager.get()))
        return entity->getSelf();
    if (const auto* scene = dynamic_cast<const SceneManager*>(manager.get()))
        return scene->getSelf();
    return manager;
}

}

UnitFSM::UnitFSM(const std::string& name, const std::string& module, const std::string& function)
    : stateMachine(FSMResourceManager::getSingleton().loadFSMFromModule(name, module, function))
{
    if (stateMachine)
        stateMachine->load();
}

UnitFSM::~UnitFSM()
{
    if (isConnected())
        endConnection();
}

bool UnitFSM::isRunnable() const
{
    return stateMachine && stateMachine->isLoaded() && !stateMachine->wasLoadError();
}

void UnitFSM::connect(const std::shared_ptr<EventManager>& eventManager, std::uint32_t startState)
{
    if (!eventManager || isConnected() || !isRunnable())
        return;
    manager = lastingReference(eventManager);
    connectionKey = eventManager.get();
    stateMachine->enterMachine(*eventManager, *this);
    if (state != 0)
        return;
    const std::uint32_t first = startState != 0 ? startState : stateMachine->defaultStartingState;
    if (first != 0)
        setState(first);
}

void UnitFSM::disconnect()
{
    if (!isConnected() || !isRunnable())
        return;
    // State 0 is terminal, so the change ends the connection before stateChanged hears of it.
    if (state != 0)
        setState(0);
    else
        endConnection();
}

void UnitFSM::setState(std::uint32_t newState, const std::shared_ptr<Event>& event)
{
    if (!isConnected() || newState == state || !stateMachine || newState >= stateMachine->stateNames.size())
        return;
    // Leaving for state 0 always goes through: disconnecting must work at any depth, and a
    // cycle cannot pass state 0 twice without entering another state in between.
    if (newState != 0 && nestedStateChanges >= MAX_NESTED_STATE_CHANGES)
    {
        logEngineWarning("state machine " + stateMachine->getName() + " did not enter state " +
                         stateMachine->stateNames[newState] + ": " + std::to_string(nestedStateChanges) +
                         " changes of state were running inside one another, a cycle of stateChanged calls.");
        return;
    }
    const std::uint32_t oldState = std::exchange(state, newState);
    if (stateMachine->terminal[newState])
        endConnection();
    const NestedStateChange nested;
    stateChanged(oldState, newState, event);
}

void UnitFSM::endConnection()
{
    const EventManager* key = std::exchange(connectionKey, nullptr);
    const std::shared_ptr<EventManager> live = std::exchange(manager, {}).lock();
    if (stateMachine)
        stateMachine->releaseMachine(key, live.get() == key ? live.get() : nullptr, *this);
}

}
