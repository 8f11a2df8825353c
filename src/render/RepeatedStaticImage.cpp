#include "render/RepeatedStaticImage.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "render/Camera.h"
#include "render/Texture.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <algorithm>
#include <cmath>

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "RepeatedStaticImage",
    {{"camera", ParameterFormat::TEXT, ParameterTable::REQUIRED,
      "The name of the entity with the Camera over whose view the image repeats."},
     {"repeatX", ParameterFormat::FLAG, ParameterTable::REQUIRED, "Whether the image repeats from side to side."},
     {"repeatY", ParameterFormat::FLAG, ParameterTable::REQUIRED, "Whether it repeats up and down."}},
    {{ParameterTable::COMPONENT, "StaticImage"}});

AxisAlignedBox infiniteBox()
{
    AxisAlignedBox box;
    box.setExtent(AxisAlignedBox::EX_INFINITE);
    return box;
}

const AxisAlignedBox INFINITE_BOX = infiniteBox();

struct Tiling
{
    double start;
    double count;
};

// Tiles of the given size from start on, covering [low, high]: the first starts at the
// greatest start + k * size not right of low. A size that cannot tile gives one tile where it is.
Tiling tileAlong(double start, double size, double low, double high)
{
    if (!(size > 0.0) || !std::isfinite(size) || !std::isfinite(start) || !std::isfinite(low) ||
        !std::isfinite(high))
        return {start, 1.0};
    double first = start + std::floor((low - start) / size) * size;
    if (first > low)  // rounding may land a hair to the right
        first -= size;
    return {first, std::max(1.0, std::ceil((high - first) / size))};
}

}

RepeatedStaticImage::RepeatedStaticImage(const Settings& image, const std::string& camera, bool repeatX, bool repeatY)
    : ComponentClass(image), camera(camera), repeatX(repeatX), repeatY(repeatY)
{
    if (operation.texture)
        operation.texture->setRepeat(true);
}

RepeatedStaticImage::RepeatedStaticImage(const RepeatedStaticImage& other)
    : ComponentClass(other), camera(other.camera), repeatX(other.repeatX), repeatY(other.repeatY)
{
}

std::shared_ptr<Component> RepeatedStaticImage::createNew(const ParameterList& params) const
{
    std::string cameraName;
    bool alongX = false;
    bool alongY = false;
    params.getThrowOnFail("camera", cameraName, "");
    params.getThrowOnFail("repeatX", alongX, "");
    params.getThrowOnFail("repeatY", alongY, "");
    return std::make_shared<RepeatedStaticImage>(Settings::read(params), cameraName, alongX, alongY);
}

std::shared_ptr<Component> RepeatedStaticImage::createCopy() const
{
    return std::make_shared<RepeatedStaticImage>(*this);
}

const AxisAlignedBox& RepeatedStaticImage::getLocalBox() const
{
    return INFINITE_BOX;
}

const AxisAlignedBox& RepeatedStaticImage::getWorldBox()
{
    return getEntry().worldBox = INFINITE_BOX;
}

RenderOperation& RepeatedStaticImage::getRenderOperation(bool changed)
{
    // A moving image shows its single quad; the camera's moves alone do not mark it changed.
    if (operation.untransformed != RenderOperation::TRANSFORMED && (changed || cameraMoved()))
        rebuildGeometry();
    return operation;
}

std::shared_ptr<Camera> RepeatedStaticImage::findCamera() const
{
    SceneNode* node = getSceneNodePointer();
    SceneManager* scene = node ? node->getManagerPointer() : nullptr;
    const std::shared_ptr<Entity> entity = scene ? scene->getEntity(camera) : nullptr;
    return entity ? Camera::getFor(entity.get()) : nullptr;
}

bool RepeatedStaticImage::cameraMoved() const
{
    const std::shared_ptr<Camera> found = findCamera();
    SceneNode* node = found ? found->getSceneNodePointer() : nullptr;
    return node && !(node->getTransformMatrix() == lastCameraTransform);
}

bool RepeatedStaticImage::rebuildGeometry()
{
    const std::shared_ptr<Camera> found = findCamera();
    SceneNode* cameraNode = found ? found->getSceneNodePointer() : nullptr;
    if (!cameraNode)
        return StaticImage::rebuildGeometry();
    const Matrix3 cameraTransform = cameraNode->getTransformMatrix();
    if (!StaticImage::rebuildGeometry() && cameraTransform == lastCameraTransform)
        return false;

    OrientedBox view = found->getViewport();
    view.rotate(worldQuad.getOrientation().conjugate());
    const AxisAlignedBox viewBox = view.getAxisAlignedBox();
    const AxisAlignedBox& quadBox = worldQuad.getDimensions();
    const Vector2 size = quadBox.getDimensions();
    const Vector2& start = quadBox.getMin();
    const Tiling alongX =
        repeatX ? tileAlong(start.x, size.x, viewBox.getMin().x, viewBox.getMax().x) : Tiling{start.x, 1.0};
    const Tiling alongY =
        repeatY ? tileAlong(start.y, size.y, viewBox.getMin().y, viewBox.getMax().y) : Tiling{start.y, 1.0};

    const Vector2 min(alongX.start, alongY.start);
    vertices = AxisAlignedBox(min, min + Vector2(alongX.count * size.x, alongY.count * size.y)).getCorners();
    texCoords = AxisAlignedBox(Vector2::ZERO, Vector2(alongX.count, alongY.count)).getCorners();
    lastCameraTransform = cameraTransform;
    return true;
}

}
