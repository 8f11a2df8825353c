#pragma once
// The attach/detach protocol of a built-in component class, written once.
// Each class keeps its own registry (entity → instance) for typed lookups and
// enters itself in the global registry under its own type name after its base
// class did: the refusals run from the most derived class down, the entries
// are made from the base up. An entity has at most one instance of a class.

#include "core/OwnedReferences.h"
#include "scene/Component.h"

#include <memory>
#include <unordered_map>

namespace Tarnu
{

template <class Derived, class Base = Component>
class ComponentClass : public Base
{
public:
    using Base::Base;

    /// The instance of this class attached to the entity, or empty.
    static std::shared_ptr<Derived> getFor(const Entity* entity)
    {
        auto found = classRegistry().find(entity);
        return found == classRegistry().end() ? nullptr : found->second;
    }

    /// Keeps a sibling's cached instance while it is still the entity's, and looks it up anew otherwise.
    static void refresh(std::shared_ptr<Derived>& cached, const Entity* entity)
    {
        if (!cached || !entity || cached->getOwnerPointer() != entity)
            cached = getFor(entity);
    }

    const std::string& getType() const override { return Derived::FACTORY_TYPE; }
    const std::string& getSuperType() const override { return Base::FACTORY_TYPE; }

    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override
    {
        if (classRegistry().count(entity) || !Base::attach(entity, self))
            return false;
        classRegistry().emplace(entity, std::static_pointer_cast<Derived>(self));
        Component::registerComponent(Derived::FACTORY_TYPE, entity, self);
        return true;
    }

    void forEachRegistryEntry(const Entity& entity, ReferenceVisitor& visitor) const override
    {
        auto found = classRegistry().find(&entity);
        if (found != classRegistry().end() && found->second.get() == this)
            visitor(found->second);
        Component::visitRegistryEntry(Derived::FACTORY_TYPE, entity, this, visitor);
        Base::forEachRegistryEntry(entity, visitor);
    }

    void detach(Entity* entity) override
    {
        auto found = classRegistry().find(entity);
        if (found != classRegistry().end() && found->second.get() == this)
        {
            const std::shared_ptr<Derived> leaving = std::move(found->second);
            classRegistry().erase(found);
        }
        Component::unregisterComponent(Derived::FACTORY_TYPE, entity, this);
        Base::detach(entity);
    }

private:
    static std::unordered_map<const Entity*, std::shared_ptr<Derived>>& classRegistry()
    {
        static std::unordered_map<const Entity*, std::shared_ptr<Derived>> map;
        return map;
    }
};

}
