#include "scene/templates/StaticRandomDistributionSTG.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "scene/templates/SceneTemplateManager.h"

#include <SDL.h>

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::COMPONENT, "StaticRandomDistributionSTG",
               {{"seed", ParameterFormat::COUNT, "the milliseconds since start-up", "The seed of its random draws."},
                {"noSceneRate", ParameterFormat::NUMBER, "0", "The weight of making nothing."},
                {"scene<i>", ParameterFormat::TEXT, "none: the first index missing or empty ends the list",
                 "A scene template to choose from, for i = 0, 1, 2..."},
                {"rate<i>", ParameterFormat::NUMBER, ParameterTable::REQUIRED, "With scene<i>: its weight."}});

}

StaticRandomDistributionSTG::StaticRandomDistributionSTG(std::uint32_t seed, double noSceneRate)
    : noSceneRate(noSceneRate), totalRate(noSceneRate), generator(seed), seed(seed)
{
}

std::shared_ptr<Component> StaticRandomDistributionSTG::createNew(const ParameterList& params) const
{
    std::uint32_t seed = SDL_GetTicks();
    double noSceneRate = 0.0;
    params.get("seed", seed);
    params.get("noSceneRate", noSceneRate);
    auto made = std::make_shared<StaticRandomDistributionSTG>(seed, noSceneRate);
    SceneTemplateManager& scenes = SceneTemplateManager::getSingleton();
    for (unsigned index = 0;; ++index)
    {
        const std::string& name = params.get("scene" + std::to_string(index));
        if (name.empty())
            break;
        double rate = 0.0;
        params.getThrowOnFail("rate" + std::to_string(index), rate, "");
        const std::shared_ptr<SceneTemplate> sceneTemplate = scenes.loadTemplate(name, "");
        // Not read until a scene is made: made while an entity template loads,
        // it loads after that load, so that templates spawning templates spawning
        // templates load one after the other instead of one inside the other.
        Resource::loadSoon(sceneTemplate);
        made->addEntry(sceneTemplate, rate);
    }
    return made;
}

std::shared_ptr<Component> StaticRandomDistributionSTG::createCopy() const
{
    auto copy = std::make_shared<StaticRandomDistributionSTG>(seed, noSceneRate);
    for (const auto& [sceneTemplate, rate] : entries)
        copy->addEntry(sceneTemplate, rate);
    return copy;
}

void StaticRandomDistributionSTG::addEntry(const std::shared_ptr<SceneTemplate>& sceneTemplate, double rate)
{
    entries.emplace_back(sceneTemplate, rate);
    totalRate += rate;
}

std::shared_ptr<SceneTemplate> StaticRandomDistributionSTG::generateTemplate()
{
    if (entries.empty())
        return nullptr;
    double left = generator.next() * totalRate - noSceneRate;
    if (left <= 0)
        return nullptr;
    for (const auto& [sceneTemplate, rate] : entries)
    {
        left -= rate;
        if (left <= 0)
            return sceneTemplate;
    }
    return nullptr;
}

}
