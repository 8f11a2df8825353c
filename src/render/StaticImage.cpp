#include "render/StaticImage.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "render/TextureManager.h"
#include "scene/Entity.h"
#include "scene/SceneNode.h"

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

const std::string CONTEXT = "Error creating StaticImage:";

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "StaticImage",
    {{"filename", FILE_NAME, ParameterTable::REQUIRED,
      "The image (32 bits a pixel, sides powers of two); an empty filename draws a plain quad of the colour."},
     {"texCoord", BOX, ParameterTable::REQUIRED,
      "The part of the image on the quad, in texture coordinates: <0,0>,<1,1> is the whole image."},
     {"zOrder", NUMBER, ParameterTable::REQUIRED, "The drawing order: higher z-orders are drawn on top."},
     {"static", FLAG, "true unless the entity or one above it has a Movable when the image joins it",
      "true: the quad is placed in the world only when its node changes (scenery); false: it is drawn under its "
      "node's transform every frame (what moves)."},
     {"alpha", NUMBER, "1", "The opacity, from 0 (invisible) to 1 (opaque)."},
     {"color", COLOUR, "(1,1,1), white", "The colour the image is multiplied by, or the colour of the plain quad."}},
    {{ParameterTable::BOUND, "OrientedBox"}});
}

StaticImage::Settings StaticImage::Settings::read(const ParameterList& params)
{
    Settings settings;
    settings.quad.setFrom(params);
    params.getThrowOnFail("filename", settings.fileName, CONTEXT);
    params.getThrowOnFail("texCoord", settings.texCoord, CONTEXT);
    params.getThrowOnFail("zOrder", settings.zOrder, CONTEXT);
    bool isStatic = false;
    if (params.get("static", isStatic) == ParameterList::SUCCESS)
        settings.motionMode = isStatic ? STATIC : MOVING;
    float alpha = 1.0f;
    if (params.get("alpha", alpha) == ParameterList::SUCCESS)
        settings.alpha = alpha;
    Vector3 colour;
    if (params.get("color", colour) == ParameterList::SUCCESS)
        settings.colour = colour;
    return settings;
}

StaticImage::StaticImage(const OrientedBox& quad, const std::string& fileName, const AxisAlignedBox& texCoord,
                         int motionMode, double zOrder)
    : StaticImage(Settings{quad, fileName, texCoord, motionMode, zOrder, {}, {}})
{
}

StaticImage::StaticImage(const Settings& settings)
    : ComponentClass(settings.zOrder),
      worldQuad(settings.quad),
      vertices(settings.quad.getCorners()),
      texCoords(settings.texCoord.getCorners()),
      quad(settings.quad),
      localBox(settings.quad.getAxisAlignedBox()),
      motionMode(settings.motionMode)
{
    pointRecord();
    if (!settings.fileName.empty())
    {
        operation.texture = TextureManager::getSingleton().createTyped(settings.fileName);
        if (operation.texture)
            operation.texture->load();
    }
    if (settings.alpha)
        operation.setAlpha(*settings.alpha);
    if (settings.colour)
        operation.setColour(static_cast<float>(settings.colour->x), static_cast<float>(settings.colour->y),
                            static_cast<float>(settings.colour->z));
    applyMotionMode();
}

StaticImage::StaticImage(const StaticImage& other)
    : ComponentClass(other),
      operation(other.operation),
      worldQuad(other.worldQuad),
      vertices(other.vertices),
      texCoords(other.texCoords),
      quad(other.quad),
      localBox(other.localBox),
      motionMode(other.motionMode)
{
    pointRecord();
}

void StaticImage::pointRecord()
{
    operation.primitive = RenderOperation::QUADS;
    operation.count = static_cast<std::int32_t>(vertices.size());
    operation.first = 0;
    operation.vertices = coordinates(vertices.data());
    operation.texCoords = coordinates(texCoords.data());
}

void StaticImage::applyMotionMode()
{
    operation.untransformed = motionMode == MOVING ? RenderOperation::TRANSFORMED : RenderOperation::UNTRANSFORMED;
}

std::shared_ptr<Component> StaticImage::createNew(const ParameterList& params) const
{
    return std::make_shared<StaticImage>(Settings::read(params));
}

std::shared_ptr<Component> StaticImage::createCopy() const
{
    return std::make_shared<StaticImage>(*this);
}

void StaticImage::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>&)
{
    if (!newEntity || motionMode != UNDECIDED)
        return;
    motionMode = STATIC;
    for (std::shared_ptr<Entity> entity = newEntity; entity; entity = entity->getParentEntity())
        if (Component::getComponent("Movable", entity.get()))
        {
            motionMode = MOVING;
            break;
        }
    applyMotionMode();
}

RenderOperation& StaticImage::getRenderOperation(bool changed)
{
    if (changed && operation.untransformed != RenderOperation::TRANSFORMED)
        rebuildGeometry();
    return operation;
}

bool StaticImage::rebuildGeometry()
{
    SceneNode* node = getSceneNodePointer();
    if (!node)
        return false;
    worldQuad = quad;
    worldQuad.transform(*node);
    vertices = worldQuad.getCorners();
    getEntry().operationChanged = false;
    return true;
}

}
