#include "render/DrawPass.h"

#include "core/math/PointTransform.h"
#include "render/Renderable.h"
#include "render/Texture.h"
#include "render/TextureManager.h"
#include "scene/SceneNode.h"

#include <SDL_opengl.h>

namespace Tarnu
{

namespace
{

constexpr GLenum PRIMITIVES[] = {GL_QUADS, GL_LINE_STRIP};
constexpr GLenum INDEX_TYPES[] = {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT};

bool sameColour(const Colour& a, const Colour& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

// The node's 3x3 world matrix widened to OpenGL's 4x4, column by column.
void multiplyByWorldMatrix(SceneNode& node)
{
    const auto& m = node.getTransformMatrix().m;
    const GLdouble widened[16] = {m[0][0], m[0][1], 0.0, 0.0, m[1][0], m[1][1], 0.0, 0.0,
                                  0.0,     0.0,     1.0, 0.0, m[2][0], m[2][1], 0.0, 1.0};
    glMultMatrixd(widened);
}

bool isTransformed(const RenderEntry& entry, const RenderOperation& op)
{
    return op.untransformed == RenderOperation::TRANSFORMED && entry.sceneNode;
}

}

// What the pass has set: the colour is known to be opaque white, the colour array is on.
struct DrawPass::State
{
    bool whiteKnown = true;
    bool arrayOn = false;

    void bind(const RenderOperation& op)
    {
        if (op.texture)
            op.texture->bind();
        else if (TextureManager* textures = TextureManager::getSingletonPtr())
            textures->unbind();
    }

    void colour(const RenderOperation& op)
    {
        if (op.colours)
        {
            if (!arrayOn)
                glEnableClientState(GL_COLOR_ARRAY);
            arrayOn = true;
            if (op.colourComponents < 4)
                glColor4f(1.0f, 1.0f, 1.0f, op.colour.a);
            glColorPointer(static_cast<GLint>(op.colourComponents), GL_FLOAT, 0, op.colours);
            whiteKnown = false;
            return;
        }
        if (arrayOn)
            glDisableClientState(GL_COLOR_ARRAY);
        arrayOn = false;
        if (!whiteKnown || !op.isOpaqueWhite)
        {
            glColor4f(op.colour.r, op.colour.g, op.colour.b, op.colour.a);
            whiteKnown = op.isOpaqueWhite;
        }
    }
};

bool DrawPass::isBatchable(const RenderOperation& op)
{
    return op.primitive == RenderOperation::QUADS && !op.indices && !op.colours && op.count % 4 == 0;
}

void DrawPass::draw(const std::vector<DrawItem>& items)
{
    if (!glIsEnabled(GL_BLEND))
    {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (!glIsEnabled(GL_TEXTURE_2D))
        glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisableClientState(GL_COLOR_ARRAY);
    glMatrixMode(GL_MODELVIEW);

    State state;
    const RenderOperation* batched = nullptr;  // the first record of the batch being gathered
    for (const DrawItem& item : items)
    {
        const RenderEntry& entry = item.renderable->getEntry();
        const RenderOperation& op = *entry.operation;
        const bool batchable = isBatchable(op);
        if (batched && (!batchable || op.texture != batched->texture || !sameColour(op.colour, batched->colour)))
        {
            flush();
            batched = nullptr;
        }
        if (!batched)
        {
            state.bind(op);
            state.colour(op);
        }
        if (batchable)
        {
            add(entry, op);
            batched = &op;
            continue;
        }

        glVertexPointer(2, GL_DOUBLE, 0, op.vertices);
        glTexCoordPointer(2, GL_DOUBLE, 0, op.texCoords);
        const bool transformed = isTransformed(entry, op);
        if (transformed)
        {
            glPushMatrix();
            multiplyByWorldMatrix(*entry.sceneNode);
            if (op.translation)
                glTranslated(op.translation->x, op.translation->y, 0.0);
        }
        if (op.indices)
            glDrawElements(PRIMITIVES[op.primitive], op.count, INDEX_TYPES[op.indexType], op.indices);
        else
            glDrawArrays(PRIMITIVES[op.primitive], op.first, op.count);
        if (transformed)
            glPopMatrix();
    }
    if (batched)
        flush();
}

void DrawPass::add(const RenderEntry& entry, const RenderOperation& op)
{
    const Vector2* points = reinterpret_cast<const Vector2*>(op.vertices) + op.first;
    const Vector2* coordinates = reinterpret_cast<const Vector2*>(op.texCoords) + op.first;
    const bool transformed = isTransformed(entry, op);
    const Matrix3* matrix = transformed ? &entry.sceneNode->getTransformMatrix() : nullptr;
    const Vector2 offset = transformed && op.translation ? *op.translation : Vector2::ZERO;
    for (std::int32_t i = 0; i < op.count; ++i)
    {
        const Vector2 point = matrix ? transformPoint(*matrix, points[i] + offset) : points[i];
        vertices.push_back(static_cast<float>(point.x));
        vertices.push_back(static_cast<float>(point.y));
        texCoords.push_back(static_cast<float>(coordinates[i].x));
        texCoords.push_back(static_cast<float>(coordinates[i].y));
    }
}

void DrawPass::flush()
{
    // OpenGL draws in single precision whatever it is given, so nothing is lost here.
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size() / 2));
    vertices.clear();
    texCoords.clear();
}

}
