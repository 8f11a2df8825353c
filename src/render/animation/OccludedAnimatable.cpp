#include "render/animation/OccludedAnimatable.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"

#include <algorithm>

namespace Tarnu
{

namespace
{

const ParameterTable
    PARAMETERS(ParameterTable::COMPONENT, "OccludedAnimatable",
               {{"minPos", ParameterFormat::NUMBER, "0", "The fraction of the width shown at occlusion 0."},
                {"maxPos", ParameterFormat::NUMBER, "1", "The fraction of the width shown at occlusion 1."},
                {"occlusion", ParameterFormat::NUMBER, "1",
                 "How much is shown, from 0 to 1 (clamped); the bar is cut from side "
                 "to side."}},
               {{ParameterTable::COMPONENT, "Animatable"}});

}

OccludedAnimatable::OccludedAnimatable(Direction direction, double zOrder, double minPos, double maxPos,
                                       double occlusion)
    : ComponentClass(zOrder),
      OccludedQuad(direction, requireFinite(minPos, "minPos"), requireFinite(maxPos, "maxPos"))
{
    setOcclusion(occlusion);
}

OccludedAnimatable::OccludedAnimatable(const OccludedAnimatable& other)
    : ComponentClass(other), OccludedQuad(other)
{
}

std::shared_ptr<Component> OccludedAnimatable::createNew(const ParameterList& params) const
{
    double zOrder = 0.0;
    params.getThrowOnFail("zOrder", zOrder, "Error creating Animatable:");
    double readMin = 0.0, readMax = 1.0, readOcclusion = 1.0;
    params.get("minPos", readMin);
    params.get("maxPos", readMax);
    params.get("occlusion", readOcclusion);
    auto made = std::make_shared<OccludedAnimatable>(HORIZONTAL, zOrder, readMin, readMax, readOcclusion);
    made->configure(params);
    return made;
}

std::shared_ptr<Component> OccludedAnimatable::createCopy() const
{
    return std::make_shared<OccludedAnimatable>(*this);
}

void OccludedAnimatable::setAnimation(const std::string& name, double time)
{
    Animatable::setAnimation(name, time);
    setOcclusion(occlusion);
}

void OccludedAnimatable::setOcclusion(double value)
{
    occlusion = std::clamp(requireFinite(value, "occlusion"), 0.0, 1.0);
    fraction = minPos + occlusion * (maxPos - minPos);
    cutChanged();
}

void OccludedAnimatable::setMinPos(double value)
{
    if (requireFinite(value, "minPos") == minPos)
        return;
    minPos = value;
    setOcclusion(occlusion);
}

void OccludedAnimatable::setMaxPos(double value)
{
    if (requireFinite(value, "maxPos") == maxPos)
        return;
    maxPos = value;
    setOcclusion(occlusion);
}

AxisAlignedBox OccludedAnimatable::cut(const AxisAlignedBox& whole) const
{
    if (direction != HORIZONTAL)
        return whole;
    AxisAlignedBox kept = whole;
    const double width = whole.getWidth();
    if (maxPos >= minPos)
        kept.getMax().x = whole.getMin().x + fraction * width;
    else
        kept.getMin().x = whole.getMax().x - fraction * width;
    return kept;
}

void OccludedAnimatable::writeTexCoords(const AxisAlignedBox& textureBox)
{
    setTexCoords(cut(textureBox));
}

bool OccludedAnimatable::rebuildQuad()
{
    if (const Frame* frame = getCurrentFrame())
        writeTexCoords(frame->textureBox);
    drawnQuad = getQuad();
    drawnQuad.setDimensions(cut(getQuad().getDimensions()));
    vertices = drawnQuad.getCorners();
    getEntry().operationChanged = false;
    return true;
}

}
