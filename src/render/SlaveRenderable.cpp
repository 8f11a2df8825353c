#include "render/SlaveRenderable.h"

#include "core/OwnedReferences.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"
#include "scene/Entity.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "SlaveRenderable",
                                {{"entity", ParameterFormat::TEXT, ParameterTable::REQUIRED,
                                  "The name of the entity of the same scene whose renderable it draws again, at "
                                  "its own node."}});

// What a slave answers with nothing to hand on: a record of no vertices and a box that is not filed.
RenderOperation& emptyRecord()
{
    static RenderOperation record;
    return record;
}

const AxisAlignedBox NULL_BOX;

// Marks a forwarding call for its length, so that a loop of slaves is seen when it comes back.
class Forwarding
{
public:
    explicit Forwarding(bool& flag) : flag(flag) { flag = true; }
    ~Forwarding() { flag = false; }

private:
    bool& flag;
};

}

std::shared_ptr<Component> SlaveRenderable::createNew(const ParameterList& params) const
{
    std::string name;
    params.getThrowOnFail("entity", name, "");
    return std::make_shared<SlaveRenderable>(name);
}

std::shared_ptr<Component> SlaveRenderable::createCopy() const
{
    return std::make_shared<SlaveRenderable>(*this);
}

void SlaveRenderable::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                     const std::shared_ptr<SceneManager>& oldManager)
{
    Renderable::managerChanged(newManager, oldManager);
    if (oldManager)
    {
        master.reset();
        masterRenderable.reset();
    }
}

Renderable* SlaveRenderable::findMaster() const
{
    if (forwarding)
    {
        masterName.clear();
        master.reset();
        masterRenderable.reset();
    }
    const Entity* owner = getOwnerPointer();
    if (!owner)
        return nullptr;
    refreshEntityReference(master, *owner, masterName);
    if (!master)
        return nullptr;
    if (!masterRenderable || masterRenderable->getOwnerPointer() != master.get())
        masterRenderable = Renderable::getFor(master.get());
    return masterRenderable.get();
}

void SlaveRenderable::setAlpha(float alpha)
{
    requireFinite(alpha, "alpha");
}

void SlaveRenderable::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(master);
    visitor(masterRenderable);
}

RenderOperation& SlaveRenderable::getRenderOperation(bool)
{
    Renderable* found = findMaster();
    if (!found)
        return emptyRecord();
    const std::shared_ptr<Renderable> held = masterRenderable;
    Forwarding call(forwarding);
    return found->getRenderOperation(found->getEntry().operationChanged);
}

const AxisAlignedBox& SlaveRenderable::getLocalBox() const
{
    Renderable* found = findMaster();
    if (!found)
        return NULL_BOX;
    const std::shared_ptr<Renderable> held = masterRenderable;
    Forwarding call(forwarding);
    return found->getLocalBox();
}

}
