#include "assembly/EventTypes.h"

#include "core/InputEvents.h"
#include "core/Timer.h"
#include "game/physics/CollidableEvent.h"
#include "game/physics/MovableActionEvent.h"
#include "game/paths/Pathfinder.h"
#include "game/paths/PathfinderActionEvent.h"
#include "game/paths/Pathwalker.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SightEvents.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "game/world/TileMap.h"
#include "render/TextDisplayActionEvent.h"
#include "render/animation/AnimationEvents.h"
#include "scene/EntityEvent.h"
#include "scene/SceneEvent.h"
#include "scene/templates/ActionEvents.h"

#include <cstdint>

namespace Tarnu
{

void assignEventTypes()
{
    static bool assigned = false;
    if (assigned)
        return;
    assigned = true;

    std::uint32_t counter = 0;
    for (std::uint32_t* type : {&TimerEvent::TYPE, &KeyEvent::TYPE, &MouseEvent::TYPE, &WindowEvent::TYPE,
                                  &EntityEvent::TYPE, &ComponentAdderActionEvent::TYPE,
                                  &ScriptRunnerActionEvent::TYPE, &TemplateInstantiationActionEvent::TYPE,
                                  &SceneEvent::TYPE, &AnimationEvent::TYPE, &AnimationActionEvent::TYPE,
                                  &TextDisplayActionEvent::TYPE, &CollidableEvent::TYPE, &MovableActionEvent::TYPE,
                                  &PathfinderEvent::TYPE, &PathwalkerEvent::TYPE, &PathfinderActionEvent::TYPE,
                                  &UnitFSMControllerActionEvent::TYPE, &UnitSightedEvent::TYPE,
                                  &EnemySightedEvent::TYPE, &VisualTargetLost::TYPE, &VisualTargetFound::TYPE,
                                  &SetVisualTargetActionEvent::TYPE, &TileMap::TileCollisionEvent::TYPE})
        *type = ++counter;
}

}
