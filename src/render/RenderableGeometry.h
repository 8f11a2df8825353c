#pragma once
// Outlines of bounds, drawn as untextured line strips under the owner's world
// transform, mostly to show collision shapes while a game is developed: a box
// (axis-aligned or oriented) by its four corners, a circle by twenty points.
// A changed bound files the renderable anew, as a move of its node does.

#include "core/math/Circle.h"
#include "core/math/OrientedBox.h"
#include "render/Renderable.h"

#include <array>
#include <cstdint>

namespace Tarnu
{

class RenderableGeometry : public ComponentClass<RenderableGeometry, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableGeometry";

    /// A box outline for a box of either kind, a circle outline for a circle, else nothing.
    static std::shared_ptr<RenderableGeometry> createFromBound(const Bound& bound, double zOrder);

    /// Takes the new shape when the bound is of a kind the outline draws.
    virtual void update(const Bound& bound) = 0;

    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool) override { return operation; }
    const AxisAlignedBox& getLocalBox() const override { return localBox; }

protected:
    using ComponentClass::ComponentClass;

    /// A new outline of the class from "zOrder", which must be there, and the shape's own keys.
    template <class Outline, class Shape>
    static std::shared_ptr<Component> createOutline(const ParameterList& params);
    /// Points the record at a closed strip through the vertices.
    void outline(const std::uint8_t* indices, std::size_t count, const Vector2* vertices);

    RenderOperation operation;
    AxisAlignedBox localBox;
};

class RenderableBox : public ComponentClass<RenderableBox, RenderableGeometry>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableBox";

    RenderableBox() : RenderableBox(OrientedBox(), 0.0) {}
    RenderableBox(const Bound& bound, double zOrder);
    RenderableBox(const RenderableBox& other);

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void update(const Bound& bound) override;

private:
    OrientedBox shape;
    std::array<Vector2, 4> corners;
};

class RenderableCircle : public ComponentClass<RenderableCircle, RenderableGeometry>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableCircle";
    static constexpr int POINTS = 20;

    RenderableCircle() : RenderableCircle(Circle(), 0.0) {}
    RenderableCircle(const Bound& bound, double zOrder);
    RenderableCircle(const RenderableCircle& other);

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void update(const Bound& bound) override;

private:
    void setShape(const Circle& circle);

    Circle shape;
    std::array<Vector2, POINTS> points;
};

}
