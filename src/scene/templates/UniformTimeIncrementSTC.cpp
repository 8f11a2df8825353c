#include "scene/templates/UniformTimeIncrementSTC.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <SDL.h>

#include <cmath>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::COMPONENT, "UniformTimeIncrementSTC",
               {{"spawnRate", ParameterFormat::NUMBER, ParameterTable::REQUIRED,
                 "Seconds between two waves, above 0; the first wave comes as the entity joins a scene."},
                {"maxOnScreen", ParameterFormat::WHOLE, ParameterTable::REQUIRED,
                 "No wave starts while this many of its scenes' entities are in the scene; 0 (or less) for no limit."},
                {"spawnNumber", ParameterFormat::COUNT, "1", "The scenes made by a wave (at least one)."},
                {"seed", ParameterFormat::COUNT, "the milliseconds since start-up", "The seed of its random draws."}});

}

/// Forwards its steps to the creator for one visit of a scene.
class UniformTimeIncrementSTC::Timing : public Process
{
public:
    explicit Timing(const std::shared_ptr<UniformTimeIncrementSTC>& creator) : creator(creator) {}

    void updateProcess(double time) override
    {
        if (const std::shared_ptr<UniformTimeIncrementSTC> owner = creator.lock(); owner && owner->timing.get() == this)
            owner->update(time);
        else
            killProcess();
    }

private:
    std::weak_ptr<UniformTimeIncrementSTC> creator;
};

UniformTimeIncrementSTC::UniformTimeIncrementSTC(double spawnRate, std::int32_t maxOnScreen,
                                                 std::uint32_t spawnNumber, std::uint32_t seed)
    : spawnRate(spawnRate), maxOnScreen(maxOnScreen), spawnNumber(spawnNumber), generator(seed), seed(seed)
{
    // The wave loop needs an interval it can count down.
    if (!std::isfinite(spawnRate) || spawnRate <= 0)
        throw std::runtime_error("Invalid parameter spawnRate: must be a finite number of seconds greater than 0.");
}

std::shared_ptr<Component> UniformTimeIncrementSTC::createNew(const ParameterList& params) const
{
    double rate = 0.0;
    std::int32_t maximum = 0;
    std::uint32_t number = 1;
    std::uint32_t clockSeed = SDL_GetTicks();
    params.getThrowOnFail("spawnRate", rate, "");
    params.getThrowOnFail("maxOnScreen", maximum, "");
    params.get("spawnNumber", number);
    params.get("seed", clockSeed);
    return std::make_shared<UniformTimeIncrementSTC>(rate, maximum, number, clockSeed);
}

std::shared_ptr<Component> UniformTimeIncrementSTC::createCopy() const
{
    return std::make_shared<UniformTimeIncrementSTC>(spawnRate, maxOnScreen, spawnNumber, seed);
}

void UniformTimeIncrementSTC::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                             const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager && timing)
    {
        timing->killProcess();
        timing.reset();
    }
    if (!newManager)
        return;
    accumulated = spawnRate;
    count = 0;
    // What earlier visits made is no longer counted, so its removals must not be either.
    removeFromAllDispatchers();
    generator.seed(seed);
    if (const std::shared_ptr<UniformTimeIncrementSTC> self = getFor(getOwnerPointer()); self.get() == this)
    {
        timing = std::make_shared<Timing>(self);
        newManager->addProcess(timing);
    }
}

void UniformTimeIncrementSTC::update(double time)
{
    if (!getSceneManagerPointer())
        return;
    const double due = accumulated + time;
    if (due < spawnRate)
    {
        accumulated = due;
        return;
    }
    // Several intervals in one step still give one wave. A step so long that the sum
    // overflows is counted in whole intervals on its own, rather than leaving a NaN behind.
    if (std::isfinite(due))
        accumulated = std::fmod(due, spawnRate);
    else
    {
        const double part = std::fmod(time, spawnRate);
        accumulated = accumulated >= spawnRate - part ? accumulated - (spawnRate - part) : accumulated + part;
    }
    if (maxOnScreen != 0 && count >= static_cast<std::uint32_t>(maxOnScreen))
        return;
    const Timing* visit = timing.get();
    std::uint32_t made = 0;
    do
    {
        createScene();
        // What was built may have taken this creator out of its scene.
        if (timing.get() != visit || !getSceneManagerPointer())
            return;
    } while (++made < spawnNumber);
}

void UniformTimeIncrementSTC::createScene()
{
    const std::shared_ptr<SceneNode> node = instantiateGenerated();
    if (!node || !node->getEntity())
        return;
    node->getEntity()->addEventListener(this);
    ++count;
}

void UniformTimeIncrementSTC::entityRemoved(const std::shared_ptr<SceneEvent>& event)
{
    if (const std::shared_ptr<Entity>& entity = event->getEntity())
        entity->removeEventListener(this);
    if (count > 0)
        --count;
}

}
