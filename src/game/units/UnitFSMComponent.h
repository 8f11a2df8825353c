#pragma once
// A unit state machine carried by an entity as a component; only Python
// subclasses are made (PyUnitFSM). Joining an entity that has a
// UnitFSMController registers it there under its definition's name; leaving
// one unregisters it, and a machine still connected to the entity it leaves
// disconnects, so that the entity's events no longer move it.

#include "game/units/UnitFSM.h"
#include "scene/Component.h"

#include <memory>
#include <string>

namespace Tarnu
{

class UnitFSMComponent : public Component, public UnitFSM
{
public:
    UnitFSMComponent(const std::string& name, const std::string& module, const std::string& function)
        : UnitFSM(name, module, function)
    {
    }

    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
};

}
