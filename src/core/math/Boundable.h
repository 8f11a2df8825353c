#pragma once
// Anything that occupies a box: collidables and renderables. The world box is
// cached by the implementer and recomputed when its scene node has moved, so
// it is answered by reference and may change on the next call.

namespace Tarnu
{

class AxisAlignedBox;

class Boundable
{
public:
    virtual ~Boundable() = default;

    /// The box in the object's own space.
    virtual const AxisAlignedBox& getLocalBox() const = 0;
    /// The box in world space.
    virtual const AxisAlignedBox& getWorldBox() = 0;
};

}
