#pragma once
// Keeps the state machines of its entity by the name of their definitions and
// runs one of them at a time: switching disconnects the running machine (it
// falls to state 0) and connects the chosen one to the entity. Switches are
// asked for by name, directly or by a UnitFSMControllerActionEvent on the
// entity, and happen only while the entity is in a scene; leaving the scene
// stops the running machine.
//
// Machines' stateChanged runs inside a switch and may switch again: the later
// request wins, and no two machines are ever left running.

#include "core/EventListener.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace Tarnu
{

class UnitFSM;

class UnitFSMController : public ComponentClass<UnitFSMController>, public EventListener
{
public:
    static inline const std::string FACTORY_TYPE = "UnitFSMController";

    UnitFSMController();

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    /// Another event under the action event's type number (a script's bare Event) is ignored.
    void handleEvent(const std::shared_ptr<Event>& event) override;
    /// The registered machines that are not the entity's own.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    /// A machine whose name is taken already, or that has no definition to be named by, is left out.
    void registerFSM(const std::shared_ptr<UnitFSM>& machine);
    /// Stops the machine first when it is the running one.
    void unregisterFSM(UnitFSM* machine);
    /// Stops the running machine and lets go of every machine; answers whether it had any.
    bool unregisterAll();
    bool isRegistered(const std::string& name) const { return machines.count(name) != 0; }
    std::shared_ptr<UnitFSM> getRegistered(const std::string& name) const;
    std::shared_ptr<UnitFSM> getActiveFSM() const { return active.lock(); }
    /// Runs the machine of that name; an empty name stops the running one.
    void setFSM(const std::string& name);

private:
    /// The machine a switch to that name would start, or empty when it would change nothing.
    std::shared_ptr<UnitFSM> switchTarget(const std::string& name) const;
    void stopActive();

    // The entity owns the machines that are its components, so those are held
    // weakly (they unregister as they leave it); a machine registered from
    // elsewhere is kept alive by its registration.
    struct Registration
    {
        std::weak_ptr<UnitFSM> machine;
        std::shared_ptr<UnitFSM> kept;
    };

    std::unordered_map<std::string, Registration> machines;
    std::weak_ptr<UnitFSM> active;
    std::uint64_t requests = 0;  // setFSM calls so far: one made from inside another outranks it
};

}
