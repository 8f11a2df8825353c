#pragma once
// A rectangle of an image file shown in the scene: an oriented quad textured
// with a rectangle of a texture. A static image bakes its owner's world
// transform into its vertices whenever it is told that it changed; a moving
// one is drawn from its local vertices under the owner's world transform every
// frame. An image not told which decides once, when it first gets an entity:
// moving when that entity or one above it has a Movable.

#include "core/math/OrientedBox.h"
#include "core/math/Vector3.h"
#include "render/Renderable.h"

#include <array>
#include <optional>
#include <string>

namespace Tarnu
{

class StaticImage : public ComponentClass<StaticImage, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "StaticImage";

    enum MotionMode
    {
        STATIC = 0,
        MOVING = 1,
        UNDECIDED = 2
    };

    /// What a parameter list says of an image.
    struct Settings
    {
        OrientedBox quad;
        std::string fileName;
        AxisAlignedBox texCoord;
        int motionMode = UNDECIDED;
        double zOrder = 0.0;
        std::optional<float> alpha;
        std::optional<Vector3> colour;

        /// "filename", "texCoord" and "zOrder" must be there; the quad's keys, "static",
        /// "alpha" and "color" may be.
        static Settings read(const ParameterList& params);
    };

    StaticImage() : StaticImage(Settings()) {}
    StaticImage(const OrientedBox& quad, const std::string& fileName, const AxisAlignedBox& texCoord, int motionMode,
                double zOrder);
    /// Loads the texture at once; an empty file name gives an untextured image.
    explicit StaticImage(const Settings& settings);
    StaticImage(const StaticImage& other);

    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    bool paramIsAFilename(const std::string& name) const override { return name == "filename"; }
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool changed) override;
    const AxisAlignedBox& getLocalBox() const override { return localBox; }

    /// Bakes the owner's world transform into the vertices; false without a scene node.
    virtual bool rebuildGeometry();
    int getMotionMode() const { return motionMode; }

protected:
    RenderOperation operation;
    OrientedBox worldQuad;
    std::array<Vector2, 4> vertices;
    std::array<Vector2, 4> texCoords;

private:
    void pointRecord();
    void applyMotionMode();

    OrientedBox quad;
    AxisAlignedBox localBox;
    int motionMode;
};

}
