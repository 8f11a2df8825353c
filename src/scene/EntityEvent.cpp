#include "scene/EntityEvent.h"

#include "core/OwnedReferences.h"
#include "scene/Component.h"
#include "scene/Entity.h"

namespace Tarnu
{

void EntityEvent::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(entity);
    visitor(component);
}

}
