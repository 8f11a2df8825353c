#include "core/EngineRoster.h"

#include "core/EventFactory.h"
#include "core/PythonManager.h"
#include "core/StartupRollback.h"
#include "game/Movable.h"
#include "game/StaticCollidable.h"
#include "scene/ComponentFactory.h"

namespace Tarnu
{

namespace
{

template <class Manager>
void deleteIfExists()
{
    delete Manager::getSingletonPtr();
}

template <class Manager>
Manager& create(StartupRollback& rollback)
{
    Manager* manager = new Manager();
    rollback.push(&deleteIfExists<Manager>);
    return *manager;
}

}

void startEngineRoster(StartupRollback& rollback)
{
    ComponentFactory& components = create<ComponentFactory>(rollback);
    // The built-in prototypes in the roster's (alphabetical) order; the other entries come with their classes.
    components.registerType(std::make_shared<Movable>());
    components.registerType(std::make_shared<StaticCollidable>());
    create<EventFactory>(rollback);
    create<PythonManager>(rollback);
}

void stopEngineRoster()
{
    deleteIfExists<ComponentFactory>();
    deleteIfExists<EventFactory>();
    deleteIfExists<PythonManager>();
}

}
