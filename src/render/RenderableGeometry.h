#pragma once
// Outlines of bounds, drawn as untextured line strips under the owner's world
// transform, mostly to show collision shapes while a game is developed: a box
// (axis-aligned or oriented) by its four corners, a circle by twenty points.
// A changed bound files the renderable anew, as a move of its node does.

#include "core/math/Circle.h"
#include "core/math/OrientedBox.h"
#include "render/Renderable.h"

#include <array>

namespace Tarnu
{

class RenderableGeometry : public ComponentClass<RenderableGeometry, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableGeometry";

    using ComponentClass::ComponentClass;

    /// A box outline for a box of either kind, a circle outline for a circle, else nothing.
    static std::shared_ptr<RenderableGeometry> createFromBound(const Bound& bound, double zOrder);

    /// Takes the new shape when the bound is of a kind the outline draws.
    virtual void update(const Bound& bound) = 0;
};

class RenderableBox : public ComponentClass<RenderableBox, RenderableGeometry>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableBox";

    RenderableBox() : RenderableBox(OrientedBox(), 0.0) {}
    RenderableBox(const Bound& bound, double zOrder);
    RenderableBox(const RenderableBox& other);

    /// Reads "zOrder", which must be there, and the oriented box's keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool) override { return operation; }
    const AxisAlignedBox& getLocalBox() const override { return localBox; }
    void update(const Bound& bound) override;

private:
    void pointRecord();

    RenderOperation operation;
    OrientedBox shape;
    std::array<Vector2, 4> corners;
    AxisAlignedBox localBox;
};

class RenderableCircle : public ComponentClass<RenderableCircle, RenderableGeometry>
{
public:
    static inline const std::string FACTORY_TYPE = "RenderableCircle";
    static constexpr int POINTS = 20;

    RenderableCircle() : RenderableCircle(Circle(), 0.0) {}
    RenderableCircle(const Bound& bound, double zOrder);
    RenderableCircle(const RenderableCircle& other);

    /// Reads "zOrder", which must be there, and the circle's keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool) override { return operation; }
    const AxisAlignedBox& getLocalBox() const override { return localBox; }
    void update(const Bound& bound) override;

private:
    void pointRecord();
    void setShape(const Circle& circle);

    RenderOperation operation;
    Circle shape;
    std::array<Vector2, POINTS> points;
    AxisAlignedBox localBox;
};

}
