#pragma once
// A contact of a sight sensor (a collidable on a child entity of a unit) read
// as a sighting: who is seen, and the unit that sees, which is the sensor
// entity's nearest ancestor entity. The viewer does not see itself, though its
// sensor touches its body. A contact that begins is a sighting only of an
// entity still in the sensor's scene: one that has left it (killed, or moved
// away) has its contacts end a step later, and they are no news of it. Those
// ends may name no entity on the seen side (it died, or its collidable left
// it), so the seen collidable's number is read too: it is the one the contact
// began with.

#include <cstdint>
#include <memory>

namespace Tarnu
{

class CollidableEvent;
class Component;
class Entity;

struct SightContact
{
    std::shared_ptr<Entity> seen;    // empty when that side has no entity any more
    std::uint32_t seenId = 0;        // the seen collidable's number
    std::shared_ptr<Entity> viewer;  // where reports are queued; empty when the sensor is in no scene
    double time = 0.0;               // the scene's current time
    bool sighted = false;            // the seen entity is in the sensor's scene and is not the viewer
};

SightContact readSightContact(const Component& sensor, const CollidableEvent& event);

}
