#pragma once
// The family of a player's units and beacons: both are filed under
// "PlayerObject" in the component registry as well as under their own names.

#include "scene/ComponentClass.h"

#include <string>

namespace Tarnu
{

class PlayerObject : public ComponentClass<PlayerObject>
{
public:
    static inline const std::string FACTORY_TYPE = "PlayerObject";
};

}
