#pragma once
// One component per scene, found by the scene: the class-wide table of a kind
// of component that a scene has at most one of (its players' manager, its tile
// map), holding each strongly while it is filed. It is keyed by the scene's
// address, and an entry is only good while its component is in that scene:
// callbacks can move an entity on before every component has heard it leave,
// and a scene may die and another be made at its address. So every look-up
// checks, and an entry that fails the check is dropped, never answered.
//
// A component that leaves the table is let go of after its entry is gone: the
// table may hold its last reference, and its destruction may come back here.

#include "core/OwnedReferences.h"
#include "scene/Component.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class Entity;
class SceneManager;

template <class T>
class SceneRegistry
{
public:
    /// The component filed for the scene while it is still in it, else empty (also for no scene).
    std::shared_ptr<T> find(const SceneManager* scene)
    {
        auto found = scene ? entries.find(scene) : entries.end();
        if (found == entries.end())
            return nullptr;
        if (found->second->getSceneManagerPointer() == scene)
            return found->second;
        const std::shared_ptr<T> stale = std::move(found->second);
        entries.erase(found);
        return nullptr;
    }

    /// Unfiles the component from the scene it leaves, when it is the one filed there.
    void leave(const SceneManager* scene, const T& component)
    {
        auto found = entries.find(scene);
        if (found == entries.end() || found->second.get() != &component)
            return;
        const std::shared_ptr<T> leaving = std::move(found->second);
        entries.erase(found);
    }

    /// Whether the component is filed for the scene it enters already; entries it holds for
    /// other scenes are those it never heard it leave, and are dropped.
    bool claim(const SceneManager& scene, const T& component)
    {
        bool filedHere = false;
        std::vector<std::shared_ptr<T>> released;
        for (auto entry = entries.begin(); entry != entries.end();)
        {
            if (entry->second.get() != &component || entry->first == &scene)
            {
                filedHere = filedHere || entry->second.get() == &component;
                ++entry;
            }
            else
            {
                released.push_back(std::move(entry->second));
                entry = entries.erase(entry);
            }
        }
        return filedHere;
    }

    /// Files the component for a scene that has none (find answered empty).
    void file(const SceneManager& scene, const std::shared_ptr<T>& component) { entries[&scene] = component; }

    /// Lists, as held by the entity, the entry of the scene the entity's component is in when it is
    /// that component's: the component leaves the table as it leaves the scene, which it does
    /// before its entity lets it go.
    void visitEntry(const Entity& entity, const T& component, ReferenceVisitor& visitor) const
    {
        const SceneManager* scene = component.getSceneManagerPointer();
        auto found = scene && component.getOwnerPointer() == &entity ? entries.find(scene) : entries.end();
        if (found != entries.end() && found->second.get() == &component)
            visitor(found->second);
    }

private:
    std::unordered_map<const SceneManager*, std::shared_ptr<T>> entries;
};

}
