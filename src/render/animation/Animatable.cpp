#include "render/animation/Animatable.h"

#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/VideoManager.h"
#include "core/math/FiniteCheck.h"
#include "core/math/Vector3.h"
#include "render/RenderManager.h"
#include "render/TextureManager.h"
#include "render/animation/AnimationEvents.h"
#include "render/animation/AnimationSequenceManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

const std::string CONTEXT = "Error creating Animatable:";

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "Animatable",
    {{"zOrder", NUMBER, ParameterTable::REQUIRED, "The drawing order: higher z-orders are drawn on top."},
     {"sequence<i>", TEXT, "none: the first index missing ends the list",
      "An AnimationSequence of the data files, for i = 0, 1, 2...; one that does not load leaves the sprite "
      "unmade (\"Animation not found.\")."},
     {"name<i>", TEXT, ParameterTable::REQUIRED,
      "With sequence<i>: the name that animation is played by (setAnimation)."},
     {"fps<i>", NUMBER, ParameterTable::REQUIRED, "With sequence<i>: its frames per second."},
     {"loop<i>", FLAG, "false", "Whether it starts again when it ends."},
     {"animation", TEXT, "None (no animation: nothing shows)",
      "The animation playing from the start; a name it has no animation of is logged and none plays."},
     {"frame", NUMBER, "0", "How many seconds into that animation it starts."},
     {"alpha", NUMBER, "1", "The opacity, from 0 (invisible) to 1 (opaque)."},
     {"color", COLOUR, "(1,1,1), white", "The colour the frames are multiplied by."}});

void logVideo(const std::string& message)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(VideoManager::LOG_NAME, message, LogFile::ML_CRITICAL, false);
}

}

template <class Map>
auto& Animatable::findAnimation(Map& map, const std::string& name)
{
    auto found = map.find(name);
    if (found == map.end())
        throw std::runtime_error("Animation not found.");
    return found->second;
}

Animatable::Animatable(double zOrder) : ComponentClass(zOrder), EventListener(AnimationActionEvent::TYPE)
{
    pointRecord();
}

Animatable::Animatable(const Animatable& other)
    : ComponentClass(other),
      EventListener(AnimationActionEvent::TYPE),
      operation(other.operation),
      animations(other.animations),
      noAnimation(other.noAnimation)
{
    pointRecord();
    // The copy's record starts without the original's frame; setting the animation gives it its own.
    operation.texture.reset();
    operation.count = 0;
    setAnimation(other.currentAnimation, other.position);
}

Animatable::~Animatable()
{
    if (animator)
        animator->removeAnimatable(this);
}

void Animatable::pointRecord()
{
    operation.primitive = RenderOperation::QUADS;
    operation.first = 0;
    operation.vertices = coordinates(vertices.data());
    operation.texCoords = coordinates(texCoords.data());
    operation.untransformed = RenderOperation::TRANSFORMED;
}

std::shared_ptr<Component> Animatable::createNew(const ParameterList& params) const
{
    double zOrder = 0.0;
    params.getThrowOnFail("zOrder", zOrder, CONTEXT);
    auto made = std::make_shared<Animatable>(zOrder);
    made->configure(params);
    return made;
}

void Animatable::configure(const ParameterList& params)
{
    for (unsigned i = 0;; ++i)
    {
        const std::string number = std::to_string(i);
        std::string sequenceName;
        if (params.get("sequence" + number, sequenceName) != ParameterList::SUCCESS)
            break;
        std::string name;
        double fps = 0.0;
        bool loop = false;
        params.getThrowOnFail("name" + number, name, CONTEXT);
        params.getThrowOnFail("fps" + number, fps, CONTEXT);
        params.get("loop" + number, loop);
        AnimationSequenceManager* sequences = AnimationSequenceManager::getSingletonPtr();
        if (!sequences)
            throw std::runtime_error("sequence manager not instantiated for Animatable.");
        const std::shared_ptr<AnimationSequence> sequence = sequences->getSequence(sequenceName);
        if (!sequence)
        {
            logVideo("Error: " + sequenceName + " not found in SequenceManager when creating animatable.");
            continue;
        }
        addAnimation(sequence, name, fps);
        setLooping(loop, name);
    }

    std::string animation = NO_ANIMATION;
    double frame = 0.0;
    params.get("animation", animation);
    params.get("frame", frame);
    try
    {
        setAnimation(animation, frame);
    }
    catch (const std::exception&)
    {
        logVideo("Error: Cannot set " + animation +
                 " to starting animation; not found in SequenceManager when creating animatable.");
    }

    float alpha = 1.0f;
    if (params.get("alpha", alpha) == ParameterList::SUCCESS)
        operation.setAlpha(alpha);
    Vector3 colour;
    if (params.get("color", colour) == ParameterList::SUCCESS)
        operation.setColour(static_cast<float>(colour.x), static_cast<float>(colour.y), static_cast<float>(colour.z));
}

std::shared_ptr<Component> Animatable::createCopy() const
{
    return std::make_shared<Animatable>(*this);
}

void Animatable::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

void Animatable::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                const std::shared_ptr<SceneManager>& oldManager)
{
    Renderable::managerChanged(newManager, oldManager);
    if (oldManager && animator)
        animator->removeAnimatable(this);
    if (newManager)
        if (const std::shared_ptr<RenderManager>& manager = newManager->getRenderManager())
            manager->addAnimatable(this);
}

RenderOperation& Animatable::getRenderOperation(bool changed)
{
    if (changed)
        rebuildQuad();
    if (currentFrame && currentFrame->texture != operation.texture)
        operation.texture = currentFrame->texture;
    return operation;
}

void Animatable::addAnimation(const std::shared_ptr<AnimationSequence>& sequence, const std::string& name, double fps)
{
    if (!sequence || name == NO_ANIMATION)
        return;
    if (std::isnan(fps) || fps < 0.0)
        throw std::invalid_argument(CONTEXT + " fps must be a number not below 0, not " + std::to_string(fps));
    sequence->load();
    const AnimationSequence::Data* data = sequence->getData();
    if (sequence->wasLoadError() || !data)
        return;

    Animation made;
    made.quad = data->getQuad();
    // At 0 fps every frame lasts forever, but a frame of no length still lasts nothing.
    const double frameTime = 1.0 / fps;
    TextureManager* textures = TextureManager::getSingletonPtr();
    const std::uint32_t count = data->getFrameCount();
    made.frames.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const AnimationFrame frame = data->getFrame(i);
        Frame built;
        built.duration = frame.length == 0 ? 0.0 : frame.length * frameTime;
        made.length += built.duration;
        built.endTime = made.length;
        built.textureBox = frame.textureBox;
        if (textures)
            if ((built.texture = textures->createTyped(frame.textureName)))
                built.texture->load();
        made.frames.push_back(std::move(built));
    }

    const bool replacingCurrent = current != &noAnimation && currentAnimation == name;
    animations[name] = std::move(made);
    // The animation shown was replaced under the frame it showed: it is shown anew at the same time.
    if (replacingCurrent)
        setAnimation(name, position);
}

void Animatable::setAnimation(const std::string& name, double time)
{
    requireFinite(time, "time");
    if (name == NO_ANIMATION)
    {
        position = 0.0;
        current = &noAnimation;
        currentFrame = nullptr;
        frameIndex = 0;
        currentAnimation = NO_ANIMATION;
        operation.texture.reset();
        operation.count = 0;
        localBox = AxisAlignedBox();
        // Filed anew by its null box, which takes it out of the quadtree: nothing is left drawn.
        localBoxChanged();
        return;
    }
    Animation& next = findAnimation(animations, name);
    current = &next;
    currentAnimation = name;
    setPosition(time);
    queueAnimationEvent(false);
    quad = next.quad;
    localBox = quad.getAxisAlignedBox();
    operation.count = currentFrame ? 4 : 0;
    localBoxChanged();
}

void Animatable::advancePosition(double dt)
{
    // Only a time near the largest number can overflow; held there, an animation has
    // long ended, and a loop stands somewhere in its round, rather than the step failing.
    constexpr double LARGEST = std::numeric_limits<double>::max();
    setPosition(std::clamp(position + requireFinite(dt, "dt"), -LARGEST, LARGEST));
}

void Animatable::setPosition(double time)
{
    requireFinite(time, "time");
    const double length = current->length;
    if (current->loop)
        // An animation of no length stands at its start rather than at fmod's NaN.
        position = length > 0.0 ? std::fmod(time, length) : 0.0;
    else if (time < length)
    {
        ended = false;
        position = time;
    }
    else
    {
        ended = true;
        if (position < length)
            queueAnimationEvent(true);
        position = length;
    }

    const std::vector<Frame>& frames = current->frames;
    if (frames.empty())
    {
        frameIndex = 0;
        currentFrame = nullptr;
        return;
    }
    const std::uint32_t last = static_cast<std::uint32_t>(frames.size() - 1);
    if (!current->loop && ended)
        frameIndex = last;
    else
    {
        // The first frame whose end is at or after the position: a position on a frame's end still shows it.
        double remaining = position;
        frameIndex = 0;
        while (frameIndex < last && (remaining -= frames[frameIndex].duration) > 0.0)
            ++frameIndex;
    }
    currentFrame = &frames[frameIndex];
    writeTexCoords(currentFrame->textureBox);
}

void Animatable::writeTexCoords(const AxisAlignedBox& textureBox)
{
    setTexCoords(textureBox);
}

void Animatable::queueAnimationEvent(bool hasEnded)
{
    if (Entity* entity = getOwnerPointer())
        entity->queueEvent(std::make_shared<AnimationEvent>(currentAnimation, hasEnded, 0.0));
}

const OrientedBox& Animatable::getDrawnQuad()
{
    rebuildQuad();
    return drawnQuad;
}

bool Animatable::rebuildQuad()
{
    drawnQuad = quad;
    vertices = drawnQuad.getCorners();
    getEntry().operationChanged = false;
    return true;
}

double Animatable::getAnimationLength(const std::string& name) const
{
    return name == NO_ANIMATION ? 0.0 : findAnimation(animations, name).length;
}

void Animatable::setLooping(bool loop)
{
    // A one-shot animation turned looping before its end carries on from where it stands; at its
    // end it stays ended until its position is set again.
    if (loop && !current->loop && position < current->length)
        setPosition(position);
    current->loop = loop;
}

void Animatable::setLooping(bool loop, const std::string& name)
{
    if (name == NO_ANIMATION)
        return;
    Animation& animation = findAnimation(animations, name);
    if (&animation == current)
        setLooping(loop);
    else
        animation.loop = loop;
}

bool Animatable::isLooping(const std::string& name) const
{
    return name != NO_ANIMATION && findAnimation(animations, name).loop;
}

void Animatable::handleEvent(const std::shared_ptr<Event>& event)
{
    const std::shared_ptr<AnimationActionEvent> action = std::dynamic_pointer_cast<AnimationActionEvent>(event);
    if (!action)
        return;
    try
    {
        if (action->fields.action == AnimationAction::SetAnimation)
            setAnimation(action->fields.animationName, action->fields.position);
        else
            setPosition(action->fields.position);
    }
    catch (const std::exception&)
    {
        // Data and scripts may name animations this sprite lacks; the action is simply not taken.
    }
}

}
