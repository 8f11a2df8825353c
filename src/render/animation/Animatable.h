#pragma once
// The animated sprite: named animations built from animation sequences, a clock
// (the position, in seconds) inside the current one, and one textured quad
// showing the frame at that position. The scene's render manager advances the
// clock every update; the animatable queues an AnimationEvent on its entity
// when an animation starts and each time a one-shot animation reaches its end
// from below, and follows AnimationActionEvents posted on its entity.
//
// current and currentFrame point into the animation map, whose nodes stay put:
// an animation replaced while it is current is set again at once. With no
// animation the clock runs on the animatable's own empty animation, and the
// sprite is neither filed nor drawn. Advancing allocates nothing unless an
// event is queued.

#include "core/EventListener.h"
#include "core/math/OrientedBox.h"
#include "render/Renderable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class AnimationSequence;
class Texture;

class Animatable : public ComponentClass<Animatable, Renderable>, public EventListener
{
public:
    static inline const std::string FACTORY_TYPE = "Animatable";
    /// The animation name that stands for no animation.
    static inline const std::string NO_ANIMATION = "None";

    struct Frame
    {
        std::shared_ptr<Texture> texture;
        AxisAlignedBox textureBox;
        double duration = 0.0;
        /// The animation's length up to and including this frame.
        double endTime = 0.0;
    };

    struct Animation
    {
        std::vector<Frame> frames;
        OrientedBox quad;
        double length = 0.0;
        bool loop = false;
    };

    explicit Animatable(double zOrder = 0.0);
    /// The animations (frames share their textures), colour and alpha, at the original's animation and
    /// position; unfiled and with no entity.
    Animatable(const Animatable& other);
    ~Animatable() override;

    /// "zOrder" must be there; "sequence"i, "name"i, "fps"i and "loop"i for i = 0, 1, ... up to the
    /// first missing "sequence"i; then "animation", "frame", "alpha" and "color".
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool changed) override;
    const AxisAlignedBox& getLocalBox() const override { return localBox; }

    /// Raises "Animation not found." for a name it does not have; "None" stops animating and drawing.
    virtual void setAnimation(const std::string& name, double time = 0.0);
    /// The quad as drawn, rebuilt first.
    virtual const OrientedBox& getDrawnQuad();
    const OrientedBox& getQuad() const { return quad; }
    /// Makes the drawn quad and the vertices from the current quad.
    virtual bool rebuildQuad();

    /// Builds the animation from the loaded sequence; a sequence that fails to load adds nothing.
    void addAnimation(const std::shared_ptr<AnimationSequence>& sequence, const std::string& name, double fps);
    /// Looping animations wrap, one-shot ones stop at their end; times must be finite.
    void setPosition(double time);
    void advancePosition(double dt);

    const std::string& getCurrentAnimation() const { return currentAnimation; }
    double getCurrentPosition() const { return position; }
    std::uint32_t getFrameIndex() const { return frameIndex; }
    bool hasEnded() const { return ended; }
    bool animationAvailable(const std::string& name) const { return animations.count(name) != 0; }
    double getAnimationLength() const { return current->length; }
    /// 0 for "None"; raises "Animation not found." for a name it does not have.
    double getAnimationLength(const std::string& name) const;
    void setLooping(bool loop);
    /// Nothing for "None"; raises "Animation not found." for a name it does not have.
    void setLooping(bool loop, const std::string& name);
    bool isLooping() const { return current->loop; }
    bool isLooping(const std::string& name) const;

    /// Follows AnimationActionEvents; an action it cannot carry out is dropped.
    void handleEvent(const std::shared_ptr<Event>& event) override;

    /// The render manager advancing it, and where that manager keeps it; set and cleared by that manager.
    RenderManager* getAnimator() const { return animator; }
    std::size_t getAnimatorSlot() const { return animatorSlot; }
    void setAnimator(RenderManager* manager, std::size_t slot)
    {
        animator = manager;
        animatorSlot = slot;
    }

protected:
    /// Reads everything but "zOrder" into this new animatable, as createNew describes.
    void configure(const ParameterList& params);
    /// The current frame's texture rectangle becomes the texture coordinates; an occluded
    /// animatable cuts it first.
    virtual void writeTexCoords(const AxisAlignedBox& textureBox);
    const Frame* getCurrentFrame() const { return currentFrame; }
    void setTexCoords(const AxisAlignedBox& textureBox) { texCoords = textureBox.getCorners(); }

    RenderOperation operation;
    OrientedBox drawnQuad;
    std::array<Vector2, 4> vertices;

private:
    /// The animation of that name; raises "Animation not found." when there is none.
    template <class Map>
    static auto& findAnimation(Map& map, const std::string& name);
    void queueAnimationEvent(bool ended);
    void pointRecord();

    AxisAlignedBox localBox;
    OrientedBox quad;
    std::array<Vector2, 4> texCoords;
    std::unordered_map<std::string, Animation> animations;
    Animation noAnimation;
    double position = 0.0;
    std::uint32_t frameIndex = 0;
    Animation* current = &noAnimation;
    const Frame* currentFrame = nullptr;
    std::string currentAnimation = NO_ANIMATION;
    bool ended = true;
    RenderManager* animator = nullptr;  // cleared by that manager when it lets the animatable go
    std::size_t animatorSlot = 0;
};

}
