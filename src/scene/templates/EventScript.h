#pragma once
// A timed list of action events read from an EventScript element. Playing it
// against a scene makes a process that, as scene time passes, queues a fresh
// copy of each event on the scene manager or on a named entity of the scene
// when its time has come, and ends after the last one. The events made at
// load time are never posted themselves, so every playing sends new objects.

#include "core/Process.h"
#include "core/resources/XmlElementResource.h"

#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class FactoryEvent;
class SceneManager;

class EventScript : public XmlElementResource
{
public:
    static inline const std::string FACTORY_TYPE = "EventScript";

    struct ScriptEvent
    {
        std::shared_ptr<FactoryEvent> event;
        std::string destination;   // an entity of the scene; empty for the scene manager
        double time = 0.0;
    };

    /// Plays one script once; several may play one script at the same time.
    class EventProcess : public Process
    {
    public:
        EventProcess(const std::shared_ptr<EventScript>& script, const std::shared_ptr<SceneManager>& manager);

        void updateProcess(double time) override;

    private:
        std::shared_ptr<EventScript> script;
        std::size_t nextEvent = 0;
        double elapsed = 0.0;
        std::weak_ptr<SceneManager> manager;
    };

    EventScript(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~EventScript() override;

    /// A process that plays the script against the scene; empty without a scene.
    /// The caller adds it to a process manager.
    std::shared_ptr<EventProcess> createProcess(const std::shared_ptr<SceneManager>& manager);

    /// Sorted by time; equal times in document order.
    const std::vector<ScriptEvent>& getEvents() const { return events; }

protected:
    void loadImpl() override;
    void unloadImpl() override;

private:
    std::vector<ScriptEvent> events;
};

}
