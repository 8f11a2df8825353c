#pragma once
// A 2D shape that collision and rendering test against: an axis-aligned box,
// a circle or an oriented box. Bounds are made by kind from a parameter list
// (createNew, or createBoundByName and setFrom), carried into world space by a
// scene node, and reduced to an axis-aligned box for broad-phase tests. The
// kind number decides the pair test in intersects, so it must match the class.

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class AxisAlignedBox;
class Complex;
class ParameterList;
class Scale;
class SceneNode;
class Vector2;

/// The numbers getBoundType answers.
enum BoundKind : std::uint8_t
{
    BK_AXIS_ALIGNED_BOX = 0,
    BK_CIRCLE = 1,
    BK_ORIENTED_BOX = 2
};

class Bound
{
public:
    virtual ~Bound() = default;

    /// The class name, as the factories and data files spell it.
    virtual const std::string& getType() const = 0;
    /// A new bound of the same kind, filled from the list alone.
    virtual std::unique_ptr<Bound> createNew(const ParameterList& params) const = 0;
    virtual std::unique_ptr<Bound> createCopy() const = 0;
    virtual std::uint8_t getBoundType() const = 0;

    virtual void translate(const Vector2& offset) = 0;
    virtual void rotate(const Complex& rotation) = 0;
    virtual void scale(const Scale& factor) = 0;
    /// Carries a bound given in the node's space into world space.
    virtual void transform(SceneNode& node) = 0;

    virtual bool isAxisAligned() const = 0;
    virtual AxisAlignedBox getAxisAlignedBox() const = 0;
    /// Whether every number of the shape is finite.
    virtual bool isFinite() const = 0;
    /// The box that covers this bound at its place and moved by the offset.
    AxisAlignedBox getSweep(const Vector2& offset) const;

    /// Copies the other bound only when it is of the same kind.
    virtual void setEqual(const Bound& other) = 0;
    /// Reads the keys the kind knows; missing or unreadable ones leave the field as it was.
    virtual void setFrom(const ParameterList& params) = 0;

protected:
    Bound() = default;
    Bound(const Bound&) = default;
    Bound& operator=(const Bound&) = default;
};

/// The bound's transform by the node; raises when either is missing.
void transform(Bound* bound, const std::shared_ptr<SceneNode>& node);

/// A shape handed to a component, refused by the parameter's name when a number of it is not finite.
const Bound& requireFinite(const Bound& bound, const char* parameter);

}
