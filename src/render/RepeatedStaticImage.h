#pragma once
// A static image that covers the view of a named camera with copies of itself
// along one or both axes, as a single quad whose texture repeats: a scrolling
// background. Its boxes are infinite, so the render manager files it at the
// root of its tree and meets it in every view. It lays its tiles anew when its
// own node moves and whenever the camera has moved since the last tiling; the
// tiles are counted with arithmetic, so any distance costs the same.

#include "core/math/Matrix3.h"
#include "render/StaticImage.h"

namespace Tarnu
{

class Camera;

class RepeatedStaticImage : public ComponentClass<RepeatedStaticImage, StaticImage>
{
public:
    static inline const std::string FACTORY_TYPE = "RepeatedStaticImage";

    RepeatedStaticImage() : RepeatedStaticImage(Settings(), "", false, false) {}
    RepeatedStaticImage(const Settings& image, const std::string& camera, bool repeatX, bool repeatY);
    /// The copy tiles afresh on its first draw.
    RepeatedStaticImage(const RepeatedStaticImage& other);

    /// Reads "camera", "repeatX" and "repeatY", which must be there, then the image's keys.
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    RenderOperation& getRenderOperation(bool changed) override;
    const AxisAlignedBox& getLocalBox() const override;
    const AxisAlignedBox& getWorldBox() override;

    /// Lays the tiles over the camera's view; without the camera, bakes as a static image does.
    bool rebuildGeometry() override;

private:
    /// The camera to cover, in the image's own scene; null when there is none.
    std::shared_ptr<Camera> findCamera() const;
    bool cameraMoved() const;

    std::string camera;
    bool repeatX;
    bool repeatY;
    Matrix3 lastCameraTransform;
};

}
