#include "render/QuadtreeRenderManager.h"

#include "core/EngineWarning.h"
#include "core/FlagGuard.h"
#include "core/LogManager.h"
#include "core/OwnedReferences.h"
#include "core/VideoManager.h"
#include "render/Camera.h"
#include "render/DrawPass.h"
#include "render/QuadtreeNode.h"
#include "render/Renderable.h"
#include "render/Texture.h"
#include "render/animation/Animatable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <SDL_opengl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace Tarnu
{

namespace
{

void logTrivial(const std::string& message)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(VideoManager::LOG_NAME, message, LogFile::ML_TRIVIAL, false);
}

// A view that can be drawn through: finite and of some size on both axes.
bool isUsable(const AxisAlignedBox& view)
{
    const Vector2 size = view.getDimensions();
    return std::isfinite(size.x) && std::isfinite(size.y) && size.x != 0.0 && size.y != 0.0 &&
           std::isfinite(view.getMin().x) && std::isfinite(view.getMin().y);
}

// What a scene holds when the manager connects, in the scene's order.
struct Gathering : Visitor<std::shared_ptr<Entity>>
{
    void visit(const std::shared_ptr<Entity>& entity) override
    {
        if (std::shared_ptr<Renderable> renderable = Renderable::getFor(entity.get()))
            renderables.push_back(std::move(renderable));
        if (std::shared_ptr<Animatable> animatable = Animatable::getFor(entity.get()))
            animatables.push_back(std::move(animatable));
        if (std::shared_ptr<Camera> camera = Camera::getFor(entity.get()))
            cameras.push_back(std::move(camera));
    }

    std::vector<std::shared_ptr<Renderable>> renderables;
    std::vector<std::shared_ptr<Animatable>> animatables;
    std::vector<std::shared_ptr<Camera>> cameras;
};

}

std::shared_ptr<QuadtreeRenderManager> QuadtreeRenderManager::createNew()
{
    return std::shared_ptr<QuadtreeRenderManager>(new QuadtreeRenderManager());
}

QuadtreeRenderManager::~QuadtreeRenderManager()
{
    notifyDisconnected();
}

void QuadtreeRenderManager::setMainCamera(const std::string& name)
{
    auto found = cameras.find(name);
    if (found != cameras.end())
        mainCamera = found->second;
}

void QuadtreeRenderManager::addCamera(const std::shared_ptr<Camera>& camera)
{
    if (!camera)
        return;
    if (cameras.empty())
        mainCamera = camera;
    const Entity* entity = camera->getOwnerPointer();
    cameras.emplace(entity ? entity->getName() : std::string(), camera);
}

void QuadtreeRenderManager::removeCamera(const Camera* camera)
{
    auto found = std::find_if(cameras.begin(), cameras.end(),
                              [camera](const auto& entry) { return entry.second.get() == camera; });
    if (found != cameras.end())
        cameras.erase(found);
    if (mainCamera.get() == camera)
        mainCamera = cameras.empty() ? nullptr : cameras.begin()->second;
}

void QuadtreeRenderManager::addRenderable(Renderable* renderable)
{
    SceneNode* node = renderable ? renderable->getSceneNodePointer() : nullptr;
    if (!root || !node || isFiled(renderable))
        return;
    renderable->setRenderManager(this);
    RenderEntry& entry = renderable->getEntry();
    entry.sceneNode = node;
    node->setRenderableLink(renderable);
    entry.serial = nextSerial++;
    entry.operation = nullptr;
    entry.operationChanged = true;
    renderables.insert(renderable);
    if (!place(entry))
        unplaced.push_back(&entry);
    if (renderable->hasBorrowedBox())
        borrowers.push_back(&entry);
    entry.boxDirty = false;
}

void QuadtreeRenderManager::removeRenderable(Renderable* renderable)
{
    if (!renderables.erase(renderable))
        return;
    RenderEntry& entry = renderable->getEntry();
    if (entry.sceneNode)
        entry.sceneNode->setRenderableLink(nullptr);
    entry.sceneNode = nullptr;
    if (entry.node)
        entry.node->remove(entry);
    auto movedEntry = std::find(moved.begin(), moved.end(), &entry);
    if (movedEntry != moved.end())
        moved.erase(movedEntry);
    std::erase(unplaced, &entry);
    std::erase(borrowers, &entry);
    entry.operation = nullptr;
    renderable->setRenderManager(nullptr);
    ++removals;
}

void QuadtreeRenderManager::renderableMoved(Renderable* renderable)
{
    // Only a renderable filed here points at this manager.
    if (renderable->getRenderManager() == this)
        moved.push_back(&renderable->getEntry());
}

void QuadtreeRenderManager::notifyConnected()
{
    root = std::make_unique<QuadtreeNode>(
        AxisAlignedBox(Vector2(-ROOT_HALF_SIDE, -ROOT_HALF_SIDE), Vector2(ROOT_HALF_SIDE, ROOT_HALF_SIDE)));
    Gathering gathered;
    if (SceneManager* scene = getSceneManagerPointer())
        scene->accept(gathered);
    for (const std::shared_ptr<Renderable>& renderable : gathered.renderables)
        addRenderable(renderable.get());
    for (const std::shared_ptr<Animatable>& animatable : gathered.animatables)
        addAnimatable(animatable.get());
    for (const std::shared_ptr<Camera>& camera : gathered.cameras)
        addCamera(camera);
}

void QuadtreeRenderManager::notifyDisconnected()
{
    root.reset();
    moved.clear();
    unplaced.clear();
    borrowers.clear();
    for (Renderable* renderable : renderables)
    {
        RenderEntry& entry = renderable->getEntry();
        // The nodes stay with the scene; none may point at a manager that no longer files for it.
        if (entry.sceneNode)
            entry.sceneNode->setRenderableLink(nullptr);
        entry.sceneNode = nullptr;
        entry.node = nullptr;
        entry.operation = nullptr;
        renderable->setRenderManager(nullptr);
    }
    removals += renderables.size();
    renderables.clear();
    for (Animatable* animatable : animatables)
        if (animatable)
            animatable->setAnimator(nullptr, 0);
    animatables.clear();
    emptySlots = 0;
    cameras.clear();
}

void QuadtreeRenderManager::forEachOwned(ReferenceVisitor& visitor) const
{
    for (const auto& [name, camera] : cameras)
        visitor(camera);
    visitor(mainCamera);
}

void QuadtreeRenderManager::updateProcess(double elapsed)
{
    // Advancing calls no script, but an animatable may come or go meanwhile all the same:
    // those added now wait for the next update, and those removed are skipped.
    {
        const FlagGuard walking(updating);
        const std::size_t count = animatables.size();
        for (std::size_t slot = 0; slot < count; ++slot)
            if (Animatable* animatable = animatables[slot])
                animatable->advancePosition(elapsed);
    }
    if (emptySlots > animatables.size() / 2)
        closeUpAnimatables();
}

void QuadtreeRenderManager::addAnimatable(Animatable* animatable)
{
    if (!animatable || animatable->getAnimator() == this)
        return;
    if (RenderManager* other = animatable->getAnimator())
        other->removeAnimatable(animatable);
    animatable->setAnimator(this, animatables.size());
    animatables.push_back(animatable);
}

void QuadtreeRenderManager::removeAnimatable(Animatable* animatable)
{
    if (!animatable || animatable->getAnimator() != this)
        return;
    animatables[animatable->getAnimatorSlot()] = nullptr;
    animatable->setAnimator(nullptr, 0);
    ++emptySlots;
    if (!updating && emptySlots > animatables.size() / 2)
        closeUpAnimatables();
}

void QuadtreeRenderManager::closeUpAnimatables()
{
    std::size_t kept = 0;
    for (Animatable* animatable : animatables)
        if (animatable)
        {
            animatable->setAnimator(this, kept);
            animatables[kept++] = animatable;
        }
    animatables.resize(kept);
    emptySlots = 0;
}

bool QuadtreeRenderManager::place(RenderEntry& entry)
{
    entry.owner->getWorldBox();
    QuadtreeNode* node = QuadtreeNode::placeItem(entry, *root, MAX_DEPTH);
    if (node != entry.node)
    {
        if (entry.node)
            entry.node->remove(entry);
        if (node)
            node->add(entry);
    }
    return node != nullptr;
}

void QuadtreeRenderManager::refile()
{
    for (RenderEntry* entry : moved)
    {
        if (!entry->boxDirty)
            continue;
        const bool placed = place(*entry);
        entry->boxDirty = false;
        const bool waiting = std::find(unplaced.begin(), unplaced.end(), entry) != unplaced.end();
        if (placed && waiting)
            std::erase(unplaced, entry);
        else if (!placed && !waiting)
            unplaced.push_back(entry);
    }
    moved.clear();
    std::erase_if(unplaced, [this](RenderEntry* entry) { return place(*entry); });
    for (RenderEntry* entry : borrowers)
        place(*entry);
}

void QuadtreeRenderManager::explainEmptyFrame()
{
    // The window stays black; the log line above is in a log a newcomer may not open.
    if (!getSceneManagerPointer())
    {
        if (!std::exchange(toldNotConnected, true))
            printEngineHint("nothing is drawn: the render manager is connected to no scene; call its "
                            "connect(scene) before Root.run.");
    }
    else if (!std::exchange(toldNoCamera, true))
        printEngineHint("nothing is drawn: the scene has no camera; add an entity with a \"Camera\" component "
                        "(ComponentFactory.getSingleton().create(\"Camera\", params) with \"dimensions\").");
}

void QuadtreeRenderManager::render()
{
    if (!mainCamera)
    {
        logTrivial("Error: No main camera, unable to render scene.");
        explainEmptyFrame();
        return;
    }
    // Disconnected: the scene's renderables are no longer known.
    if (!root)
        return;
    if (!VideoManager::getSingletonPtr())
        throw std::runtime_error("No video manager to render on.");
    refile();

    const OrientedBox viewport = mainCamera->getViewport();
    const AxisAlignedBox& view = viewport.getDimensions();
    if (!isUsable(view))
    {
        logTrivial("Error: Main camera's view is empty or not finite, unable to render scene.");
        return;
    }
    project(view);

    withSlots = 0;
    auto collector = [this](RenderEntry& entry) { collect(entry); };
    root->query(viewport.getAxisAlignedBox(), collector);
    if (withSlots != 0)
        askPermissions();
    std::sort(renderList.begin(), renderList.end());
    // What the projection puts on screen: quads wholly outside it are left out.
    drawPass.draw(renderList, view);
    renderList.clear();
}

void QuadtreeRenderManager::project(const AxisAlignedBox& view)
{
    // The viewport reaches past the window by a margin, with the projection widened to
    // match, so the picture is the same; but what crosses the window's edge then needs
    // no clipping, and the software rasterizer draws a frame of clipped sprites at half speed.
    const VideoManager& video = VideoManager::getSingleton();
    const GLint width = static_cast<GLint>(video.getWidth()), height = static_cast<GLint>(video.getHeight());
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    const GLint margin = std::max(0, std::min({VIEWPORT_MARGIN, (largest[0] - width) / 2, (largest[1] - height) / 2}));
    const double perPixelX = view.getWidth() / width, perPixelY = view.getHeight() / height;
    glViewport(-margin, -margin, width + 2 * margin, height + 2 * margin);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.getMin().x - margin * perPixelX, view.getMax().x + margin * perPixelX,
            view.getMin().y - margin * perPixelY, view.getMax().y + margin * perPixelY, -100.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void QuadtreeRenderManager::collect(RenderEntry& entry)
{
    Renderable& renderable = *entry.owner;
    RenderOperation& op = renderable.getRenderOperation(entry.operationChanged);
    entry.operation = &op;
    entry.operationChanged = false;
    if (op.count == 0)
        return;
    // Loaded on first use; one that could not be made binds no image, and the renderable is drawn in its colours.
    if (Texture* texture = op.texture.get(); texture && !texture->isLoaded())
        texture->load();
    if (renderable.getNumSlots() != 0)
        ++withSlots;
    renderList.push_back({renderable.getZOrder(), entry.serial, &renderable});
}

bool QuadtreeRenderManager::isDrawable(Renderable* renderable) const
{
    return isFiled(renderable) && renderable->getEntry().operation;
}

void QuadtreeRenderManager::askPermissions()
{
    const std::uint64_t before = removals;
    std::size_t kept = 0;
    for (const DrawItem& item : renderList)
    {
        Renderable* renderable = item.renderable;
        if (removals != before && !isDrawable(renderable))
            continue;
        if (renderable->getNumSlots() != 0)
        {
            // Held while its slots run: one of them may take it from its entity.
            const std::shared_ptr<Renderable> held = Renderable::getFor(renderable->getOwnerPointer());
            if (held.get() != renderable || !renderable->emit(renderable))
                continue;
        }
        renderList[kept++] = item;
    }
    renderList.resize(kept);
    // What was kept before a later slot ran may have gone since.
    if (removals != before)
        std::erase_if(renderList, [this](const DrawItem& item) { return !isDrawable(item.renderable); });
}

}
