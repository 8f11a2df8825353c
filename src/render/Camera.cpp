#include "render/Camera.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/VideoManager.h"
#include "core/math/Scale.h"
#include "render/RenderManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

namespace
{

const ParameterTable PARAMETERS(ParameterTable::COMPONENT, "Camera",
                                {{"dimensions", ParameterFormat::VECTOR2, ParameterTable::REQUIRED,
                                  "The width and height of the view in world units; the view fills the window."}});

}

std::shared_ptr<Component> Camera::createNew(const ParameterList& params) const
{
    Vector2 read;
    params.getThrowOnFail("dimensions", read, "");
    return std::make_shared<Camera>(read);
}

std::shared_ptr<Component> Camera::createCopy() const
{
    return std::make_shared<Camera>(dimensions);
}

void Camera::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                            const std::shared_ptr<SceneManager>& oldManager)
{
    if (oldManager)
        if (const std::shared_ptr<RenderManager>& renderer = oldManager->getRenderManager())
            renderer->removeCamera(this);
    if (newManager)
        if (const std::shared_ptr<RenderManager>& renderer = newManager->getRenderManager())
            if (std::shared_ptr<Camera> self = getFor(getOwnerPointer()); self.get() == this)
                renderer->addCamera(self);
}

OrientedBox Camera::getViewport() const
{
    SceneNode* node = getSceneNodePointer();
    if (!node)
        return OrientedBox(dimensions * -0.5, dimensions * 0.5);
    const Vector2& position = node->getWorldPosition();
    const Scale& scale = node->getWorldScale();
    const Vector2 half = dimensions * scale * 0.5;
    return OrientedBox(position - half, position + half, node->getWorldOrientation());
}

Vector2 Camera::convertPosition(unsigned x, unsigned y) const
{
    if (!getSceneNodePointer())
        return Vector2::ZERO;
    const VideoManager& video = VideoManager::getSingleton();
    const double fx = x / static_cast<double>(video.getWidth());
    const double fy = (static_cast<double>(video.getHeight()) - y) / video.getHeight();
    const OrientedBox view = getViewport();
    const AxisAlignedBox& box = view.getDimensions();
    const Vector2 centre = box.getCenter();
    // The view's own size, as scaled by the node, so the point lies where the picture shows it.
    const Vector2 size = box.getDimensions();
    const Vector2 point(box.getMin().x + size.x * fx, box.getMin().y + size.y * fy);
    return centre + (point - centre) * view.getOrientation();
}

}
