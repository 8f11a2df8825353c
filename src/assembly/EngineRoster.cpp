#include "assembly/EngineRoster.h"

#include "core/EventFactory.h"
#include "core/PythonManager.h"
#include "core/StartupRollback.h"
#include "core/resources/XmlFileManager.h"
#include "game/units/FSMResourceManager.h"
#include "game/units/GamePlayer.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/PlayerUnit.h"
#include "game/units/SetVisualTargetActionEvent.h"
#include "game/units/SingleStateBeacon.h"
#include "game/units/VisualReactor.h"
#include "game/units/VisualTargetSeeker.h"
#include "game/world/FogVetoes.h"
#include "game/physics/Movable.h"
#include "game/paths/PathfinderActionEvent.h"
#include "game/physics/StaticCollidable.h"
#include "game/paths/StraightLinePathfinder.h"
#include "game/paths/TurnAndDashPathwalker.h"
#include "game/units/UnitFSMController.h"
#include "game/units/UnitFSMControllerActionEvent.h"
#include "render/Camera.h"
#include "render/DynamicTextDisplay.h"
#include "render/FontManager.h"
#include "render/RenderableGeometry.h"
#include "render/RepeatedStaticImage.h"
#include "render/SlaveRenderable.h"
#include "render/StaticImage.h"
#include "render/TextureManager.h"
#include "render/animation/AnimateAndDie.h"
#include "render/animation/AnimationEvents.h"
#include "render/animation/AnimationSequenceManager.h"
#include "render/animation/OccludedAnimatable.h"
#include "render/animation/StripSequence.h"
#include "scene/ComponentFactory.h"
#include "scene/templates/ActionEvents.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/EventScriptManager.h"
#include "scene/templates/SceneActions.h"
#include "scene/templates/SceneTemplateManager.h"
#include "scene/templates/StaticRandomDistributionSTG.h"
#include "scene/templates/UniformTimeIncrementSTC.h"

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
    // The video manager deletes the texture manager, and that the font manager, when it
    // goes; these undos only cover a start that fails before the video manager is undone.
    create<TextureManager>(rollback);
    create<FontManager>(rollback);
    create<XmlFileManager>(rollback);
    create<EntityTemplateManager>(rollback);
    create<SceneTemplateManager>(rollback);
    create<EventScriptManager>(rollback);
    create<AnimationSequenceManager>(rollback).registerSequenceType(StripSequence::FACTORY_TYPE, StripSequence());
    create<FSMResourceManager>(rollback);

    // In alphabetical order of type names, each built-in class in its place among the others.
    ComponentFactory& components = create<ComponentFactory>(rollback);
    components.registerType(std::make_shared<Animatable>());
    components.registerType(std::make_shared<AnimateAndDie>());
    components.registerType(std::make_shared<Camera>());
    components.registerType(std::make_shared<ComponentAdder>());
    components.registerType(std::make_shared<DynamicTextDisplay>());
    components.registerType(std::make_shared<GamePlayer>());
    components.registerType(std::make_shared<GamePlayerManager>());
    components.registerType(std::make_shared<Movable>());
    components.registerType(std::make_shared<OccludedAnimatable>());
    components.registerType(std::make_shared<PlayerBeacon>());
    components.registerType(std::make_shared<PlayerUnit>());
    components.registerType(std::make_shared<PreventRenderWhenNotVisible>());
    components.registerType(std::make_shared<PreventRenderWhenUnexplored>());
    components.registerType(std::make_shared<RenderableBox>());
    components.registerType(std::make_shared<RenderableCircle>());
    components.registerType(std::make_shared<RepeatedStaticImage>());
    components.registerType(std::make_shared<RunScriptWhenAdded>());
    components.registerType(std::make_shared<ScriptRunner>());
    components.registerType(std::make_shared<SingleStateBeacon>());
    components.registerType(std::make_shared<SlaveRenderable>());
    components.registerType(std::make_shared<StaticCollidable>());
    components.registerType(std::make_shared<StaticImage>());
    components.registerType(std::make_shared<StaticRandomDistributionSTG>());
    components.registerType(std::make_shared<StraightLinePathfinder>());
    components.registerType(std::make_shared<TemplateInstantiator>());
    components.registerType(std::make_shared<TurnAndDashPathwalker>());
    components.registerType(std::make_shared<UniformTimeIncrementSTC>());
    components.registerType(std::make_shared<UnitFSMController>());
    components.registerType(std::make_shared<VisualReactor>());
    components.registerType(std::make_shared<VisualTargetSeeker>());

    // The movable action event is a factory event too, but not among these.
    EventFactory& events = create<EventFactory>(rollback);
    events.registerType(std::make_shared<AnimationActionEvent>());
    events.registerType(std::make_shared<ComponentAdderActionEvent>());
    events.registerType(std::make_shared<PathfinderActionEvent>());
    events.registerType(std::make_shared<ScriptRunnerActionEvent>());
    events.registerType(std::make_shared<SetVisualTargetActionEvent>());
    events.registerType(std::make_shared<TemplateInstantiationActionEvent>());
    events.registerType(std::make_shared<UnitFSMControllerActionEvent>());

    create<PythonManager>(rollback);
}

void stopEngineRoster()
{
    // Textures and fonts that only their managers hold go now; the rest stay until the video manager goes.
    if (TextureManager* textures = TextureManager::getSingletonPtr())
        textures->removeUnreferenced();
    if (FontManager* fonts = FontManager::getSingletonPtr())
        fonts->removeUnreferenced();
    if (SceneTemplateManager* scenes = SceneTemplateManager::getSingletonPtr())
        scenes->unloadAll();
    if (EntityTemplateManager* entities = EntityTemplateManager::getSingletonPtr())
        entities->unloadAll();
    deleteIfExists<FSMResourceManager>();
    deleteIfExists<AnimationSequenceManager>();
    deleteIfExists<EventScriptManager>();
    deleteIfExists<SceneTemplateManager>();
    deleteIfExists<EntityTemplateManager>();
    deleteIfExists<XmlFileManager>();
    deleteIfExists<ComponentFactory>();
    deleteIfExists<EventFactory>();
    deleteIfExists<PythonManager>();
}

}
