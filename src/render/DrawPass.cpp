#include "render/DrawPass.h"

#include "core/VideoManager.h"
#include "render/Renderable.h"
#include "render/TextureManager.h"
#include "scene/SceneNode.h"

#include <SDL_opengl.h>

#include <stdexcept>

namespace Tarnu
{

namespace
{

constexpr GLenum PRIMITIVES[] = {GL_QUADS, GL_LINE_STRIP};
constexpr GLenum INDEX_TYPES[] = {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT};

// The colour state of a pass: whether the current colour is known to be opaque
// white, and whether the colour array is on.
struct ColourState
{
    bool whiteKnown = true;
    bool arrayOn = false;

    void apply(const RenderOperation& op)
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

// The node's 3x3 world matrix widened to OpenGL's 4x4, column by column.
void multiplyByWorldMatrix(SceneNode& node)
{
    const auto& m = node.getTransformMatrix().m;
    const GLdouble widened[16] = {m[0][0], m[0][1], 0.0, 0.0, m[1][0], m[1][1], 0.0, 0.0,
                                  0.0,     0.0,     1.0, 0.0, m[2][0], m[2][1], 0.0, 1.0};
    glMultMatrixd(widened);
}

}

void drawRenderables(const std::vector<Renderable*>& renderables)
{
    if (!VideoManager::getSingletonPtr())
        throw std::runtime_error("No video manager to render on.");
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

    TextureManager* textures = TextureManager::getSingletonPtr();
    ColourState colour;
    for (Renderable* renderable : renderables)
    {
        const RenderEntry& entry = renderable->getEntry();
        const RenderOperation& op = *entry.operation;
        if (op.texture)
            op.texture->bind();
        else if (textures)
            textures->unbind();

        colour.apply(op);
        glVertexPointer(2, GL_DOUBLE, 0, op.vertices);
        glTexCoordPointer(2, GL_DOUBLE, 0, op.texCoords);

        const bool transformed = op.untransformed == RenderOperation::TRANSFORMED && entry.sceneNode;
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
}

}
