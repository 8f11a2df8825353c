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

// Whether the record hides what lies under it wholly: an opaque image (or none) in an opaque
// colour. Colours per vertex with an alpha of their own are not looked into.
bool coversWholly(const RenderOperation& op)
{
    const Texture* texture = op.texture.get();
    if (texture && texture->getGLName() != 0 && !texture->isOpaque())
        return false;
    return op.colour.a >= 1.0f && (!op.colours || op.colourComponents == 3);
}

}

// What the pass has set: the colour is known to be opaque white, the colour array is on, blending is on.
struct DrawPass::State
{
    bool whiteKnown = true;
    bool arrayOn = false;
    bool blending = true;

    /// What covers wholly is drawn without blending: the software rasterizer then need not read what is under it.
    void blend(bool on)
    {
        if (on == blending)
            return;
        (on ? glEnable : glDisable)(GL_BLEND);
        blending = on;
    }

    void bind(const RenderOperation& op)
    {
        if (op.texture)
            op.texture->bind();
        else if (TextureManager* textures = TextureManager::getSingletonPtr())
            textures->unbind();
    }

    /// Four floats a vertex.
    void colourArray(const float* colours)
    {
        if (!arrayOn)
            glEnableClientState(GL_COLOR_ARRAY);
        arrayOn = true;
        glColorPointer(4, GL_FLOAT, 0, colours);
        whiteKnown = false;
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
    return op.primitive == RenderOperation::QUADS && !op.indices && op.count % 4 == 0 &&
           (!op.colours || op.colourComponents == 3 || op.colourComponents == 4);
}

bool DrawPass::joins(const RenderOperation& op, const RenderOperation& batched)
{
    if (op.texture != batched.texture || !op.colours != !batched.colours)
        return false;
    return op.colours || sameColour(op.colour, batched.colour);
}

void DrawPass::draw(const std::vector<DrawItem>& items, const AxisAlignedBox& view)
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
        if (batched && (!batchable || !joins(op, *batched)))
        {
            flush(state);
            batched = nullptr;
        }
        if (!batched)
        {
            state.bind(op);
            // A batch with colours per vertex sets its colour array as it is drawn.
            if (!batchable || !op.colours)
                state.colour(op);
        }
        if (batchable)
        {
            batchCovers = (batched ? batchCovers : true) && coversWholly(op);
            add(entry, op, view);
            batched = &op;
            continue;
        }

        state.blend(!coversWholly(op));

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
        flush(state);
    state.blend(true);
}

void DrawPass::add(const RenderEntry& entry, const RenderOperation& op, const AxisAlignedBox& view)
{
    const Vector2* points = reinterpret_cast<const Vector2*>(op.vertices) + op.first;
    const Vector2* coordinates = reinterpret_cast<const Vector2*>(op.texCoords) + op.first;
    const bool transformed = isTransformed(entry, op);
    const Matrix3* matrix = transformed ? &entry.sceneNode->getTransformMatrix() : nullptr;
    const Vector2 offset = transformed && op.translation ? *op.translation : Vector2::ZERO;
    const Vector2 &low = view.getMin(), &high = view.getMax();
    const std::int32_t components = op.colours ? static_cast<std::int32_t>(op.colourComponents) : 0;
    for (std::int32_t quad = 0; quad < op.count; quad += 4)
    {
        Vector2 corners[4];
        for (std::int32_t i = 0; i < 4; ++i)
            corners[i] = matrix ? transformPoint(*matrix, points[quad + i] + offset) : points[quad + i];
        const auto all = [&corners](auto outside) {
            return outside(corners[0]) && outside(corners[1]) && outside(corners[2]) && outside(corners[3]);
        };
        if (all([&](const Vector2& p) { return p.x < low.x; }) || all([&](const Vector2& p) { return p.x > high.x; }) ||
            all([&](const Vector2& p) { return p.y < low.y; }) || all([&](const Vector2& p) { return p.y > high.y; }))
            continue;
        for (std::int32_t i = 0; i < 4; ++i)
        {
            vertices.push_back(static_cast<float>(corners[i].x));
            vertices.push_back(static_cast<float>(corners[i].y));
            texCoords.push_back(static_cast<float>(coordinates[quad + i].x));
            texCoords.push_back(static_cast<float>(coordinates[quad + i].y));
            if (components == 0)
                continue;
            // Three components take the record's alpha, as OpenGL would not.
            const float* colour = op.colours + (op.first + quad + i) * components;
            colours.insert(colours.end(), colour, colour + 3);
            colours.push_back(components == 4 ? colour[3] : op.colour.a);
        }
    }
}

void DrawPass::flush(State& state)
{
    // OpenGL draws in single precision whatever it is given, so nothing is lost here.
    if (!colours.empty())
        state.colourArray(colours.data());
    state.blend(!batchCovers);
    glVertexPointer(2, GL_FLOAT, 0, vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size() / 2));
    vertices.clear();
    texCoords.clear();
    colours.clear();
}

}
