#pragma once
// A creator that makes a wave of scenes every "spawnRate" seconds while its
// entity is in a scene, the first wave at once, and holds back a wave while
// "maxOnScreen" of its creations are still in the scene (0: no limit). It
// counts a creation while the created entity stays in the scene by listening
// for that entity's removal.
//
// Each joining of a scene plays afresh: a new timing process joins the
// scene, the count starts at 0, and the creations of earlier visits are no
// longer counted. The process of a visit ends with it, so leaving and
// rejoining within one step never leaves the creator without a process.

#include "core/Process.h"
#include "scene/SceneEvent.h"
#include "scene/templates/Rand48.h"
#include "scene/templates/SceneTemplateRoles.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class UniformTimeIncrementSTC : public ComponentClass<UniformTimeIncrementSTC, SceneTemplateCreator>,
                                public SceneListener
{
public:
    static inline const std::string FACTORY_TYPE = "UniformTimeIncrementSTC";

    /// Refuses a spawn rate that is not a finite number above 0.
    UniformTimeIncrementSTC(double spawnRate = 1.0, std::int32_t maxOnScreen = 0, std::uint32_t spawnNumber = 1,
                            std::uint32_t seed = 1);

    /// "spawnRate" and "maxOnScreen" required, "spawnNumber" (1) and "seed" (the clock) optional.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    /// The same parameters, a count of 0.
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    /// Builds one scene and counts its entity, if it has one.
    void createScene() override;

    void entityAdded(const std::shared_ptr<SceneEvent>& event) override {}
    void entityRemoved(const std::shared_ptr<SceneEvent>& event) override;

    /// The step of the timing process.
    void update(double time);

private:
    class Timing;

    std::shared_ptr<Timing> timing;   // the process of the current visit, if any
    double spawnRate;
    std::int32_t maxOnScreen;
    std::uint32_t spawnNumber;
    double accumulated = 0.0;
    std::uint32_t count = 0;
    Rand48 generator;   // seeded on each visit; no operation draws from it
    std::uint32_t seed;
};

}
