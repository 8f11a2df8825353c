#include "core/EngineRoster.h"

#include "core/EventFactory.h"
#include "core/PythonManager.h"
#include "core/StartupRollback.h"
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
    create<ComponentFactory>(rollback);
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
