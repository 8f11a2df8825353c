#pragma once
// The collision component. Here: what a scene node needs to tell the scene's
// physics manager that the collidable has moved.

#include "core/math/AxisAlignedBox.h"
#include "core/math/Boundable.h"
#include "scene/ComponentClass.h"
#include "scene/WorldBox.h"

namespace Tarnu
{

class PhysicsManager;

class Collidable : public ComponentClass<Collidable>, public Boundable
{
public:
    static inline const std::string FACTORY_TYPE = "Collidable";

    const AxisAlignedBox& getWorldBox() override { return computeWorldBox(*this, getLocalBox(), worldBox); }

    PhysicsManager* getPhysicsManager() const { return physicsManager; }
    /// Set and cleared by the physics manager that files the collidable.
    void setPhysicsManager(PhysicsManager* manager) { physicsManager = manager; }

    bool isMoved() const { return moved; }
    /// A move waits for the physics manager; the world bound and box must be computed anew.
    void markMoved()
    {
        moved = true;
        worldBoundDirty = true;
        worldBoxDirty = true;
    }
    void clearMoved() { moved = false; }

protected:
    AxisAlignedBox worldBox;
    bool worldBoundDirty = true;
    bool worldBoxDirty = true;

private:
    PhysicsManager* physicsManager = nullptr;
    bool moved = false;
};

}
