#pragma once
// The base component of everything drawn. Here: what a scene node needs to
// tell the scene's render manager that the renderable has moved.

#include "core/math/AxisAlignedBox.h"
#include "core/math/Boundable.h"
#include "scene/ComponentClass.h"
#include "scene/WorldBox.h"

namespace Tarnu
{

class RenderManager;

class Renderable : public ComponentClass<Renderable>, public Boundable
{
public:
    static inline const std::string FACTORY_TYPE = "Renderable";

    const AxisAlignedBox& getWorldBox() override { return computeWorldBox(*this, getLocalBox(), worldBox); }

    RenderManager* getRenderManager() const { return renderManager; }
    /// Set and cleared by the render manager that files the renderable.
    void setRenderManager(RenderManager* manager) { renderManager = manager; }

    bool isMoved() const { return moved; }
    /// A move waits for the render manager; the world box must be computed anew.
    void markMoved()
    {
        moved = true;
        worldBoxDirty = true;
    }
    void clearMoved() { moved = false; }
    bool isWorldBoxDirty() const { return worldBoxDirty; }

protected:
    AxisAlignedBox worldBox;
    bool worldBoxDirty = true;

private:
    RenderManager* renderManager = nullptr;
    bool moved = false;
};

}
