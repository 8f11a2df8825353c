#pragma once
// A generator that picks among scene templates at random, each with its own
// weight, with a weight for picking nothing. The templates stay loaded for as
// long as the generator lives. Weights are taken as given: a negative one
// shifts the chances of the entries after it.

#include "scene/templates/Rand48.h"
#include "scene/templates/SceneTemplateRoles.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace Tarnu
{

class StaticRandomDistributionSTG
    : public ComponentClass<StaticRandomDistributionSTG, SceneTemplateGenerator>
{
public:
    static inline const std::string FACTORY_TYPE = "StaticRandomDistributionSTG";

    StaticRandomDistributionSTG(std::uint32_t seed = 1, double noSceneRate = 0.0);

    /// "seed", "noSceneRate", then "scene0"/"rate0", "scene1"/"rate1"... up to the first missing scene.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// The same entries and a generator seeded alike, which draws what this one drew when new.
    std::shared_ptr<Component> createCopy() const override;
    std::shared_ptr<SceneTemplate> generateTemplate() override;

private:
    void addEntry(const std::shared_ptr<SceneTemplate>& sceneTemplate, double rate);

    std::vector<std::pair<std::shared_ptr<SceneTemplate>, double>> entries;
    double noSceneRate;
    double totalRate;
    Rand48 generator;
    std::uint32_t seed;
};

}
