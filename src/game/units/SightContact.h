#pragma once
// A contact of a sight sensor (a collidable on a child entity of a unit) read
// as a sighting: who is seen, and the unit that sees, which is the sensor
// entity's nearest ancestor entity. The viewer does not see itself, though its
// sensor touches its body. Only an entity still in the sensor's scene counts
// as seen: one that has left it (killed, or moved away) ends its contacts a
// step later, and a report about it then would be about the dead.

#include <memory>

namespace Tarnu
{

class CollidableEvent;
class Component;
class Entity;

struct SightContact
{
    std::shared_ptr<Entity> seen;
    std::shared_ptr<Entity> viewer;  // where reports are queued
    double time = 0.0;               // the scene's current time
};

/// False when the contact is with nothing in the sensor's scene, with the viewer, or there is no viewer.
bool readSightContact(const Component& sensor, const CollidableEvent& event, SightContact& contact);

}
