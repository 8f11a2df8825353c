#pragma once
// The registration shared by the action components: an instance listens on
// its entity's scene for its action event, and in each scene only the first
// instance of a class to arrive listens, so a queued action is carried out
// once however many instances the scene holds. Another instance in the same
// scene stays silent until its own entity joins a scene again.

#include "core/EventListener.h"
#include "core/PythonManager.h"
#include "core/resources/XmlFileManager.h"
#include "scene/ComponentClass.h"
#include "scene/SceneManager.h"

#include <memory>
#include <set>
#include <stdexcept>

namespace Tarnu
{

template <class Derived, class Action>
class SceneActionListener : public ComponentClass<Derived>, public EventListener
{
public:
    SceneActionListener() : EventListener(Action::TYPE) {}
    ~SceneActionListener() override { release(); }

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return std::make_shared<Derived>(); }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Derived>(); }

    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override
    {
        if (oldManager)
            release();
        if (newManager && !registeredIn && listeningScenes().insert(newManager.get()).second)
        {
            registeredIn = newManager.get();
            newManager->addEventListener(this);
        }
    }

    void handleEvent(const std::shared_ptr<Event>& event) override
    {
        // Another class may share the type number; only this class's events are ours.
        const std::shared_ptr<const Action> action = std::dynamic_pointer_cast<const Action>(event);
        const std::shared_ptr<SceneManager> scene = this->getSceneManager();
        if (!action || !scene)
            return;
        try
        {
            static_cast<Derived*>(this)->carryOut(*action, scene);
        }
        catch (const std::exception& error)
        {
            // Bad data in one action must not stop the scene's step.
            PythonManager::discardPendingError();
            XmlFileManager::log("Error: " + Derived::FACTORY_TYPE + " could not carry out " +
                                Action::FACTORY_TYPE + ": " + error.what());
        }
    }

private:
    void release()
    {
        if (!registeredIn)
            return;
        listeningScenes().erase(registeredIn);
        removeFromAllDispatchers();
        registeredIn = nullptr;
    }

    static std::set<const SceneManager*>& listeningScenes()
    {
        static std::set<const SceneManager*> scenes;
        return scenes;
    }

    // Identity only: cleared when the entity leaves that scene (or this component dies),
    // which also strikes the scene from the class-wide set.
    const SceneManager* registeredIn = nullptr;
};

}
