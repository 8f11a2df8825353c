#pragma once
// The base component of everything drawn. A subclass owns its draw record
// (RenderOperation) and hands it out once per frame; the render manager files
// the renderable by its world box in the bookkeeping embedded here
// (RenderEntry) and asks the render-permission signal before drawing it. A
// renderable joins and leaves its scene's render manager by itself as its
// entity enters and leaves scenes, and leaving forgets every permission slot.
// The z-order is fixed at construction and must be a finite number, since the
// render manager sorts by it.

#include "core/math/AxisAlignedBox.h"
#include "core/math/Boundable.h"
#include "render/RenderEntry.h"
#include "render/RenderOperation.h"
#include "render/Signal.h"
#include "scene/ComponentClass.h"

namespace Tarnu
{

class RenderManager;
class Renderable;

using RenderSlot = Slot<bool, Renderable*>;

class Renderable : public ComponentClass<Renderable>, public Boundable, public SignalWrapper<bool, Renderable*>
{
public:
    static inline const std::string FACTORY_TYPE = "Renderable";

    explicit Renderable(double zOrder = 0.0);
    /// A copy draws like the original but is filed nowhere and has no slots.
    Renderable(const Renderable& other);
    ~Renderable() override;

    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    virtual void setAlpha(float alpha) = 0;
    /// The record, rebuilt first when changed is true or the subclass knows its data changed.
    virtual RenderOperation& getRenderOperation(bool changed) = 0;

    const AxisAlignedBox& getWorldBox() override;
    double getZOrder() const { return zOrder; }

    RenderManager* getRenderManager() const { return renderManager; }
    /// Set and cleared by the render manager that files the renderable.
    void setRenderManager(RenderManager* manager) { renderManager = manager; }
    RenderEntry& getEntry() { return entry; }
    const RenderEntry& getEntry() const { return entry; }

    /// True while a move waits for the render manager to file the renderable anew.
    bool isMoved() const { return entry.boxDirty; }
    /// The world box and the record must be made anew; the scene node calls this after a move.
    void markMoved()
    {
        entry.boxDirty = true;
        entry.operationChanged = true;
    }
    void clearMoved() { entry.boxDirty = false; }

    /// True when the local box is another renderable's, which may change without a word to this
    /// one: the render manager then files it anew at every pass.
    virtual bool hasBorrowedBox() const { return false; }

protected:
    /// For subclasses whose local box changed: files the renderable anew, as a move does.
    void localBoxChanged();

private:
    RenderEntry entry;
    RenderManager* renderManager = nullptr;
    double zOrder;
};

}
