#pragma once
// The engine side of a component written in Python. Its type name is the
// Python class's name; its place in the type hierarchy is the class attribute
// `super` (a Python or engine component class), and through the factory's
// prototypes the chain above it, up to the engine class it derives from (its
// family: "Component", or an engine family such as "PlayerBeacon"). A chain
// that does not reach the family, or repeats a name, is logged and refused.
// Attaching enters the component under every name of that chain below the
// family, and the family class files it under its own names; detaching
// removes exactly those entries.
//
// PythonComponent<Base> is the bridge of a Python subclass of the engine class
// Base (Component itself, or an engine family such as UnitFSMComponent or
// PlayerBeacon whose constructor takes the extra arguments): the engine's own
// part of Base still hears of its entity and its scene first, then the Python
// method runs.

#include "core/python/PythonBridge.h"
#include "scene/Component.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

/// What every Python component does, whatever engine class it derives from.
class PythonComponentHooks : public PythonBridge
{
protected:
    /// family: the type name of the engine class the Python class derives from.
    PythonComponentHooks(PyObject* self, const std::string& family) : PythonBridge(self), family(family) {}

    const std::string& pythonType() const;
    const std::string& pythonSuperType() const;
    std::shared_ptr<Component> pythonCreateNew(const ParameterList& params) const;
    std::shared_ptr<Component> pythonCreateCopy() const;
    void pythonEntityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) const;
    void pythonManagerChanged(const std::shared_ptr<SceneManager>& newManager,
                              const std::shared_ptr<SceneManager>& oldManager) const;
    /// The type names from this class up to (not including) the family, or false
    /// when a level is unknown to the factory, the chain repeats a name or ends at
    /// "Component" short of the family.
    bool collectTypeChain(std::vector<std::string>& chain) const;
    void attachTypeChain(Entity* entity, const std::shared_ptr<Component>& self, const std::vector<std::string>& chain);
    void detachTypeChain(const Component& component, Entity* entity);
    void visitTypeChainEntries(const Component& component, const Entity& entity, ReferenceVisitor& visitor) const;

private:
    const std::string& family;
    mutable std::string typeName;
    mutable std::string superTypeName;
    // What attach entered, per entity, for detach to remove: while a callback moves
    // the component, it is entered for its new entity before its old one lets go.
    std::unordered_map<const Entity*, std::vector<std::string>> registeredNames;
};

template <class Base = Component>
class PythonComponent : public Base, public PythonComponentHooks
{
public:
    template <class... Args>
    explicit PythonComponent(PyObject* self, const Args&... args)
        : Base(args...), PythonComponentHooks(self, Base::FACTORY_TYPE)
    {
    }

    const std::string& getType() const override { return pythonType(); }
    const std::string& getSuperType() const override { return pythonSuperType(); }
    std::shared_ptr<Component> createNew(const ParameterList& params) const override
    {
        return pythonCreateNew(params);
    }
    std::shared_ptr<Component> createCopy() const override { return pythonCreateCopy(); }
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override
    {
        Base::entityChanged(newEntity, oldEntity);
        pythonEntityChanged(newEntity, oldEntity);
    }
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override
    {
        Base::managerChanged(newManager, oldManager);
        pythonManagerChanged(newManager, oldManager);
    }
    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override
    {
        std::vector<std::string> chain;
        if (!collectTypeChain(chain) || !Base::attach(entity, self))
            return false;
        attachTypeChain(entity, self, chain);
        return true;
    }
    void detach(Entity* entity) override
    {
        detachTypeChain(*this, entity);
        Base::detach(entity);
    }
    void forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const override
    {
        visitTypeChainEntries(*this, entity, visitor);
        Base::forEachRegistryEntry(entity, visitor);
    }

    // What a Python subclass inherits when it leaves the notifications out. The
    // binding reaches them through the held class only, so a bridge derived from
    // this one declares its own.
    void defaultEntityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&) {}
    void defaultManagerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&) {}
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonComponent<>> : mpl::true_ {};
}
