#pragma once
// A renderable with no picture of its own: at its own z-order and place in the
// tree it hands on whatever draw record the renderable of another entity of
// its scene (its master, found by name) produces, and reports the master's
// local box as its own. A record drawn under its owner's transform appears
// where the slave is; one already in world space appears where the master is.
// A chain of slaves that loops back empties the name of the slave where the
// loop is found, for good, so a loop draws nothing instead of recursing.

#include "render/Renderable.h"

#include <string>

namespace Tarnu
{

class SlaveRenderable : public ComponentClass<SlaveRenderable, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "SlaveRenderable";

    explicit SlaveRenderable(const std::string& masterName = "") : masterName(masterName) {}
    SlaveRenderable(const SlaveRenderable& other) : ComponentClass(other), masterName(other.masterName) {}

    /// Reads "entity", which must be there.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    /// A slave draws with its master's alpha: the value is only checked.
    void setAlpha(float alpha) override;
    RenderOperation& getRenderOperation(bool changed) override;
    const AxisAlignedBox& getLocalBox() const override;
    bool hasBorrowedBox() const override { return true; }

    const std::string& getMasterName() const { return masterName; }
    /// The master and its renderable, held while the slave draws them.
    void forEachOwned(ReferenceVisitor& visitor) const override;

private:
    /// The master's renderable, looked up again when the scene changed; null when there is none.
    Renderable* findMaster() const;

    mutable std::string masterName;
    mutable std::shared_ptr<Entity> master;
    mutable std::shared_ptr<Renderable> masterRenderable;
    mutable bool forwarding = false;
};

}
