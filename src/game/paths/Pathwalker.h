#pragma once
// The walking half of path following. A pathfinder hands its entity's walker a
// list of waypoints; the walker moves the entity along at most a given number
// of them and posts a PathwalkerEvent on the entity when it is done, which the
// pathfinder hears as a PathwalkerListener.
//
// A path is shared: the walker holds the nodes it walks, so a pathfinder that
// goes while its path is being walked leaves nothing dangling.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/math/Vector2.h"
#include "scene/ComponentClass.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

/// One waypoint, in world coordinates, and the rest of the path.
struct PathNode
{
    std::shared_ptr<const Vector2> point;   // none: the path ends before this node
    std::shared_ptr<const PathNode> next;   // none at the end
};

class Pathwalker : public ComponentClass<Pathwalker>
{
public:
    static inline const std::string FACTORY_TYPE = "Pathwalker";

    /// Walks at most count waypoints from the first node on; no path or a count of 0 stops walking.
    virtual void setPath(const std::shared_ptr<const PathNode>& path, std::uint32_t count) = 0;
};

/// Posted on the walker's entity when it is done with a path.
class PathwalkerEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    PathwalkerEvent(double time, const std::shared_ptr<const PathNode>& path, bool completed)
        : Event(TYPE, time), path(path), completed(completed)
    {
    }

    /// The node the walker was walking when it stopped.
    const std::shared_ptr<const PathNode>& getPath() const { return path; }
    bool isCompleted() const { return completed; }

private:
    const std::shared_ptr<const PathNode> path;
    const bool completed;
};

class PathwalkerListener : public EventListener
{
public:
    PathwalkerListener() : EventListener(PathwalkerEvent::TYPE) {}

    /// Another event under this type number (a script's bare Event) is ignored.
    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void pathAborted(const std::shared_ptr<const PathNode>& path) = 0;
    virtual void pathCompleted(const std::shared_ptr<const PathNode>& path) = 0;
};

}
