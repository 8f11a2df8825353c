#pragma once
// A component that gives its entity a view: a rectangle of the given
// dimensions centred on the entity's node, scaled by the node's world scale
// and turned by its world orientation. The scene's render manager files every
// camera by its entity's name and draws through its main camera.

#include "core/math/OrientedBox.h"
#include "core/math/Vector2.h"
#include "scene/ComponentClass.h"

namespace Tarnu
{

class Camera : public ComponentClass<Camera>
{
public:
    static inline const std::string FACTORY_TYPE = "Camera";

    explicit Camera(const Vector2& dimensions = Vector2::ZERO) : dimensions(dimensions) {}

    /// Reads "dimensions", which must be there.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;

    /// The view in world space; without a node, centred on the origin and unturned.
    OrientedBox getViewport() const;
    /// The world point under a window position (pixels, origin top left, y down).
    Vector2 convertPosition(unsigned x, unsigned y) const;
    const Vector2& getDimensions() const { return dimensions; }

private:
    Vector2 dimensions;
};

}
