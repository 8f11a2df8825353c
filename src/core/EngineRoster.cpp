#include "core/EngineRoster.h"

#include "core/EventFactory.h"
#include "core/PythonManager.h"
#include "core/StartupRollback.h"
#include "render/Camera.h"
#include "render/RenderableGeometry.h"
#include "render/RepeatedStaticImage.h"
#include "render/SlaveRenderable.h"
#include "render/StaticImage.h"
#include "render/TextureManager.h"
#include "scene/ComponentFactory.h"

#include <memory>

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
    // The video manager deletes the texture manager when it goes; this undo only
    // covers a start that fails before the video manager is undone.
    create<TextureManager>(rollback);
    ComponentFactory& components = create<ComponentFactory>(rollback);
    // The built-in prototypes, in alphabetical order.
    components.registerType(std::make_shared<Camera>());
    components.registerType(std::make_shared<RenderableBox>());
    components.registerType(std::make_shared<RenderableCircle>());
    components.registerType(std::make_shared<RepeatedStaticImage>());
    components.registerType(std::make_shared<SlaveRenderable>());
    components.registerType(std::make_shared<StaticImage>());
    create<EventFactory>(rollback);
    create<PythonManager>(rollback);
}

void stopEngineRoster()
{
    // Textures that only the manager holds go now; the rest stay until the video manager goes.
    if (TextureManager* textures = TextureManager::getSingletonPtr())
        textures->removeUnreferenced();
    deleteIfExists<ComponentFactory>();
    deleteIfExists<EventFactory>();
    deleteIfExists<PythonManager>();
}

}
