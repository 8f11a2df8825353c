#pragma once
// An animated sprite shown only in part, as a bar that fills and empties
// (health, progress): along its direction a fraction of the quad is kept, and
// the same fraction of the frame's picture. The fraction maps an occlusion in
// [0, 1] linearly onto minPos..maxPos; the kept part starts at the quad's left
// edge when maxPos >= minPos and ends at its right edge otherwise. VERTICAL
// draws the sprite whole.
//
// The cut follows every change: a new frame cuts its texture rectangle as it
// is written, and a new occlusion or range marks the draw record changed, so
// the next pass cuts the quad anew.

#include "render/animation/Animatable.h"

namespace Tarnu
{

class OccludedQuad
{
public:
    enum Direction
    {
        HORIZONTAL = 0,
        VERTICAL = 1
    };

    virtual ~OccludedQuad() = default;

    /// Clamped to [0, 1]; values must be finite numbers.
    virtual void setOcclusion(double occlusion) = 0;
    virtual double getOcclusion() const = 0;
    virtual void setMinPos(double minPos) = 0;
    virtual double getMinPos() const = 0;
    virtual void setMaxPos(double maxPos) = 0;
    virtual double getMaxPos() const = 0;

protected:
    OccludedQuad(Direction direction, double minPos, double maxPos)
        : direction(direction), minPos(minPos), maxPos(maxPos)
    {
    }

    Direction direction;
    double minPos;
    double maxPos;
    double occlusion = 1.0;
    /// minPos + occlusion * (maxPos - minPos): the part kept.
    double fraction = 1.0;
};

class OccludedAnimatable : public ComponentClass<OccludedAnimatable, Animatable>, public OccludedQuad
{
public:
    static inline const std::string FACTORY_TYPE = "OccludedAnimatable";

    explicit OccludedAnimatable(Direction direction = HORIZONTAL, double zOrder = 0.0, double minPos = 0.0,
                                double maxPos = 1.0, double occlusion = 1.0);
    OccludedAnimatable(const OccludedAnimatable& other);

    /// The keys of an Animatable, and "minPos", "maxPos" and "occlusion"; always HORIZONTAL.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void setAnimation(const std::string& name, double time = 0.0) override;
    bool rebuildQuad() override;

    void setOcclusion(double value) override;
    double getOcclusion() const override { return occlusion; }
    void setMinPos(double value) override;
    double getMinPos() const override { return minPos; }
    void setMaxPos(double value) override;
    double getMaxPos() const override { return maxPos; }

protected:
    void writeTexCoords(const AxisAlignedBox& textureBox) override;

private:
    /// The kept part of a box, along the direction.
    AxisAlignedBox cut(const AxisAlignedBox& whole) const;
    /// The next pass rebuilds the record with the new cut.
    void cutChanged() { getEntry().operationChanged = true; }
};

}
