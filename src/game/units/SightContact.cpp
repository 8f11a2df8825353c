#include "game/units/SightContact.h"

#include "game/physics/CollidableEvent.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

SightContact readSightContact(const Component& sensor, const CollidableEvent& event)
{
    SightContact contact;
    const bool ownFirst = sensor.getOwnerPointer() == event.getEntity1().get();
    contact.seen = ownFirst ? event.getEntity2() : event.getEntity1();
    contact.seenId = ownFirst ? event.getId2() : event.getId1();
    const SceneManager* scene = sensor.getSceneManagerPointer();
    if (!scene)
        return contact;
    contact.viewer = sensor.getOwnerPointer()->getParentEntity();
    contact.time = sensor.getCurrentTime();
    const SceneNode* seenNode = contact.seen ? contact.seen->getSceneNodePointer() : nullptr;
    // The sensor hangs on its unit, so it touches the unit's own body: that is not a sighting.
    contact.sighted = contact.viewer && seenNode && seenNode->getManagerPointer() == scene &&
                      contact.viewer != contact.seen;
    return contact;
}

}
