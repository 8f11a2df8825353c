#include "game/units/SightContact.h"

#include "game/physics/CollidableEvent.h"
#include "scene/Component.h"
#include "scene/Entity.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

bool readSightContact(const Component& sensor, const CollidableEvent& event, SightContact& contact)
{
    const SceneManager* scene = sensor.getSceneManagerPointer();
    const Entity* own = sensor.getOwnerPointer();
    contact.seen = event.getOther(sensor);
    const SceneNode* seenNode = contact.seen ? contact.seen->getSceneNodePointer() : nullptr;
    if (!scene || !seenNode || seenNode->getManagerPointer() != scene)
        return false;
    contact.viewer = own->getParentEntity();
    contact.time = sensor.getCurrentTime();
    // The sensor hangs on its unit, so it touches the unit's own body: that is not a sighting.
    return contact.viewer && contact.viewer != contact.seen;
}

}
