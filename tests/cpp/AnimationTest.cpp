// Animation internals a script cannot see: the bands of strip sequences, the
// order and times of animation events, the exact cut of occluded sprites,
// copies, and the render manager's walk over sprites that come and go while
// it advances them.

#include "SceneFixtures.h"

#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/resources/XmlFileManager.h"
#include "render/QuadtreeRenderManager.h"
#include "render/animation/AnimationEvents.h"
#include "render/animation/AnimationSequenceManager.h"
#include "render/animation/OccludedAnimatable.h"
#include "render/animation/StripSequence.h"

#include <gtest/gtest.h>

#include <limits>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace Tarnu;
using namespace Tarnu::Testing;
namespace fs = std::filesystem;

namespace
{

// Frames of 1, 2 and 1 animation frames from a strip of four bands; "white" is the top band alone.
const char* const SEQUENCES = R"(<Data>
  <AnimationSequence name="blink" type="StripSequence" stripSize="4" quad="&lt;-8,-2&gt;,&lt;8,2&gt;"
                     filename="strip.png">
    <Frame index="0" length="1"/><Frame index="1" length="2"/><Frame index="2" length="1"/>
  </AnimationSequence>
  <AnimationSequence name="white" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;"
                     filename="strip.png">
    <Frame index="3" length="1"/>
  </AnimationSequence>
  <AnimationSequence name="half" type="StripSequence" stripSize="2" quad="&lt;-8,-2&gt;,&lt;8,2&gt;"
                     filename="strip.png">
    <Frame index="0" length="1"/>
  </AnimationSequence>
  <AnimationSequence name="jumbled" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;2,1&gt;"
                     filename="strip.png">
    <Frame index="3" length="2"/><Frame index="0" length="1"/><Frame index="3" length="5"/>
  </AnimationSequence>
</Data>)";

// Writes "<name> started|ended <time>" for every animation event of its entity.
struct Heard : AnimationListener
{
    void animationStarted(const std::shared_ptr<AnimationEvent>& event) override { write("started", *event); }
    void animationEnded(const std::shared_ptr<AnimationEvent>& event) override { write("ended", *event); }
    void write(const std::string& what, const AnimationEvent& event)
    {
        log.push_back(event.getAnimationName() + " " + what + " " + std::to_string(event.getEventTime()));
    }
    Log log;
};

// The managers sequences need, in a folder of their own holding the data file and the strip image.
struct Sprites : SceneTest
{
    void SetUp() override
    {
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("tarnu-animation-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        fs::current_path(folder);
        std::ofstream(folder / "sprites.xml") << SEQUENCES;
        std::ofstream(folder / "strip.png") << "only found, never drawn: these sprites have no texture manager";
        logs = std::make_unique<LogManager>();
        files = std::make_unique<XmlFileManager>();
        sequences = std::make_unique<AnimationSequenceManager>();
        sequences->registerSequenceType(StripSequence::FACTORY_TYPE, StripSequence());
        files->getFile("sprites.xml")->load();
    }

    void TearDown() override
    {
        sequences.reset();
        files.reset();
        logs.reset();
        fs::current_path(previous);
        fs::remove_all(folder);
        SceneTest::TearDown();
    }

    std::shared_ptr<AnimationSequence> loaded(const std::string& name)
    {
        auto sequence = sequences->getSequence(name);
        sequence->load();
        return sequence;
    }

    template <class Sprite = Animatable, class... Arguments>
    std::shared_ptr<Sprite> sprite(double fps = 4.0, Arguments... arguments)
    {
        auto made = std::make_shared<Sprite>(arguments...);
        for (const char* name : {"blink", "white", "half"})
            made->addAnimation(sequences->getSequence(name), name, fps);
        return made;
    }

    fs::path previous, folder;
    std::unique_ptr<LogManager> logs;
    std::unique_ptr<XmlFileManager> files;
    std::unique_ptr<AnimationSequenceManager> sequences;
};

std::array<Vector2, 4> texCoordsOf(Animatable& sprite)
{
    const Vector2* coordinates = reinterpret_cast<const Vector2*>(sprite.getRenderOperation(false).texCoords);
    return {coordinates[0], coordinates[1], coordinates[2], coordinates[3]};
}

AxisAlignedBox box(double minX, double minY, double maxX, double maxY)
{
    return AxisAlignedBox(Vector2(minX, minY), Vector2(maxX, maxY));
}

}

TEST_F(Sprites, StripFramesAreBandsOfTheImageInDocumentOrder)
{
    const AnimationSequence::Data* data = loaded("jumbled")->getData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->getFrameCount(), 3u);
    const AnimationFrame first = data->getFrame(0), second = data->getFrame(1), third = data->getFrame(2);
    EXPECT_EQ(first.textureBox, box(0, 0.75, 1, 1.0));
    EXPECT_EQ(second.textureBox, box(0, 0, 1, 0.25));
    EXPECT_EQ(third.textureBox, first.textureBox);
    EXPECT_EQ(std::vector<std::uint32_t>({first.length, second.length, third.length}),
              std::vector<std::uint32_t>({2, 1, 5}));
    EXPECT_EQ(first.textureName, "./strip.png") << "found through the data file's search directories";
    EXPECT_EQ(data->getQuad(), OrientedBox(box(0, 0, 2, 1)));
    EXPECT_THROW(data->getFrame(3), std::out_of_range);
}

TEST_F(Sprites, OneShotAnimationsEndOnceAndEveryEventIsQueuedAtTimeZero)
{
    auto one = sprite();
    auto heard = std::make_shared<Heard>();
    auto node = entityNode("one", {one});
    const std::shared_ptr<Entity> entity = node->getEntity();
    entity->addEventListener(heard.get());

    one->setAnimation("blink", 0.75);
    one->advancePosition(0.5);
    EXPECT_TRUE(one->hasEnded());
    EXPECT_DOUBLE_EQ(one->getCurrentPosition(), 1.0);
    EXPECT_EQ(one->getFrameIndex(), 2u);
    one->advancePosition(0.5);
    one->setPosition(7.0);
    EXPECT_EQ(heard->log, Log()) << "queued, not posted";
    entity->dispatchEvents(-1.0);
    EXPECT_EQ(heard->log, (Log{"blink started 0.000000", "blink ended 0.000000"}));

    // Set at or past its end: the ended event comes before the started one, and only from below the end.
    heard->log.clear();
    one->setAnimation("white");
    one->setAnimation("blink", 3.0);
    one->setAnimation("blink", 3.0);
    entity->dispatchEvents(-1.0);
    EXPECT_EQ(heard->log, (Log{"white started 0.000000", "blink ended 0.000000", "blink started 0.000000",
                               "blink started 0.000000"}));

    // Turned looping at its end it stays ended until the clock is set; before its end it runs on.
    one->setLooping(true);
    EXPECT_TRUE(one->hasEnded());
    one->setPosition(0.9);
    one->advancePosition(0.2);
    EXPECT_NEAR(one->getCurrentPosition(), 0.1, 1e-12);
    EXPECT_EQ(one->getFrameIndex(), 0u);
    heard->log.clear();
    entity->dispatchEvents(-1.0);
    EXPECT_EQ(heard->log, Log()) << "looping ends nothing";
    entity->removeEventListener(heard.get());
}

TEST_F(Sprites, AtNoFpsFramesLastForeverAndNoAnimationLeavesNothingFiled)
{
    auto still = sprite(0.0);
    still->setAnimation("blink");
    still->advancePosition(1e9);
    EXPECT_EQ(still->getFrameIndex(), 0u);
    EXPECT_FALSE(still->hasEnded());
    // Past the largest number its clock holds there: a render manager's step must not raise.
    for (int i = 0; i < 2; ++i)
        EXPECT_NO_THROW(still->advancePosition(std::numeric_limits<double>::max()));
    EXPECT_EQ(still->getCurrentPosition(), std::numeric_limits<double>::max());
    EXPECT_EQ(still->getFrameIndex(), 0u);

    still->getRenderOperation(true);
    still->clearMoved();
    still->setAnimation(Animatable::NO_ANIMATION);
    still->setLooping(true);
    still->advancePosition(0.3);
    EXPECT_EQ(still->getCurrentPosition(), 0.0) << "a looping animation of no length stands at its start";
    EXPECT_EQ(still->getRenderOperation(true).count, 0);
    EXPECT_EQ(still->getRenderOperation(true).texture, nullptr);
    EXPECT_EQ(still->getLocalBox().getExtent(), AxisAlignedBox::EX_NULL);
    EXPECT_TRUE(still->isMoved()) << "filed anew by its null box, which takes it out of the quadtree";
}

TEST_F(Sprites, ReplacingTheShownAnimationShowsTheNewOneAtTheSameTime)
{
    auto one = sprite();
    one->setAnimation("blink", 0.8);
    one->addAnimation(sequences->getSequence("jumbled"), "blink", 4.0);
    EXPECT_EQ(one->getCurrentAnimation(), "blink");
    EXPECT_DOUBLE_EQ(one->getAnimationLength(), 2.0);
    EXPECT_DOUBLE_EQ(one->getCurrentPosition(), 0.8);
    EXPECT_EQ(one->getFrameIndex(), 2u);
    EXPECT_EQ(one->getQuad(), OrientedBox(box(0, 0, 2, 1)));
    EXPECT_EQ(texCoordsOf(*one)[0], Vector2(0, 0.75));
}

TEST_F(Sprites, CopiesKeepTheirAnimationsColourAlphaAndClock)
{
    ParameterList params;
    for (auto [key, value] : std::initializer_list<std::pair<const char*, const char*>>{
             {"zOrder", "3"}, {"sequence0", "blink"}, {"name0", "b"}, {"fps0", "4"}, {"loop0", "true"},
             {"animation", "b"}, {"frame", "0.5"}, {"alpha", "0.5"}, {"color", "(0.25,0.5,1)"}})
        params.add(key, value);
    const auto original = std::static_pointer_cast<Animatable>(Animatable().createNew(params));
    const auto copy = std::static_pointer_cast<Animatable>(original->createCopy());
    for (const auto& made : {original, copy})
    {
        const Colour& colour = made->getRenderOperation(true).colour;
        EXPECT_EQ(std::vector<float>({colour.r, colour.g, colour.b, colour.a}),
                  std::vector<float>({0.25f, 0.5f, 1.0f, 0.5f}));
        EXPECT_EQ(made->getZOrder(), 3.0);
        EXPECT_EQ(made->getCurrentAnimation(), "b");
        EXPECT_EQ(made->getCurrentPosition(), 0.5);
        EXPECT_TRUE(made->isLooping());
        EXPECT_EQ(made->getFrameIndex(), 1u);
    }
    // The copy draws from its own arrays.
    EXPECT_NE(copy->getRenderOperation(true).vertices, original->getRenderOperation(true).vertices);
}

TEST_F(Sprites, OccludedSpritesKeepTheSameFractionOfTheQuadAndOfTheFrame)
{
    struct Case
    {
        OccludedQuad::Direction direction;
        double minPos, maxPos, occlusion;
        AxisAlignedBox quad, texture;
    };
    const std::vector<Case> cases{
        {OccludedQuad::HORIZONTAL, 0, 1, 0.25, box(-8, -2, -4, 2), box(0, 0, 0.25, 0.5)},
        {OccludedQuad::HORIZONTAL, 1, 0, 0.25, box(-4, -2, 8, 2), box(0.25, 0, 1, 0.5)},
        {OccludedQuad::HORIZONTAL, 0, 1, 2.0, box(-8, -2, 8, 2), box(0, 0, 1, 0.5)},
        {OccludedQuad::HORIZONTAL, 0, 1, -1.0, box(-8, -2, -8, 2), box(0, 0, 0, 0.5)},
        {OccludedQuad::VERTICAL, 0, 1, 0.25, box(-8, -2, 8, 2), box(0, 0, 1, 0.5)}};
    for (const Case& c : cases)
    {
        auto bar = sprite<OccludedAnimatable>(4.0, c.direction, 0.0, c.minPos, c.maxPos, c.occlusion);
        bar->setAnimation("half");
        EXPECT_EQ(bar->getDrawnQuad().getDimensions(), c.quad);
        EXPECT_EQ(texCoordsOf(*bar), c.texture.getCorners());
        EXPECT_EQ(bar->getLocalBox(), box(-8, -2, 8, 2)) << "filed by its whole quad";
    }

    // A new occlusion is cut at the next rebuild of the record; a new frame is cut as it is shown.
    auto bar = sprite<OccludedAnimatable>(4.0, OccludedQuad::HORIZONTAL, 0.0, 0.0, 1.0, 1.0);
    bar->setAnimation("blink");
    bar->getRenderOperation(true);
    bar->setOcclusion(0.5);
    EXPECT_TRUE(bar->getEntry().operationChanged);
    bar->getRenderOperation(true);
    EXPECT_EQ(bar->getDrawnQuad().getDimensions(), box(-8, -2, 0, 2));
    bar->setPosition(0.5);
    EXPECT_EQ(texCoordsOf(*bar), box(0, 0.25, 0.5, 0.5).getCorners());
}

TEST_F(Sprites, TheRenderManagerAdvancesSpritesInTheirOrderWhileTheyComeAndGo)
{
    // A sprite that does something to the others while it is advanced.
    struct Meddler : Animatable
    {
        using Animatable::Animatable;
        void writeTexCoords(const AxisAlignedBox& textureBox) override
        {
            Animatable::writeTexCoords(textureBox);
            if (meddle)
                std::exchange(meddle, nullptr)();
        }
        std::function<void()> meddle;
    };
    const auto renderer = QuadtreeRenderManager::createNew();
    std::vector<std::shared_ptr<Meddler>> all;
    for (int i = 0; i < 5; ++i)
    {
        all.push_back(sprite<Meddler>());
        all.back()->setAnimation("blink");
        renderer->addAnimatable(all.back().get());
    }
    const auto late = sprite<Meddler>();
    late->setAnimation("blink");
    // The first takes the second out, destroys the third and brings a late one in.
    all[0]->meddle = [&] {
        renderer->removeAnimatable(all[1].get());
        all[2].reset();
        renderer->addAnimatable(late.get());
    };
    renderer->updateProcess(0.25);
    EXPECT_EQ(renderer->getNumAnimatables(), 4u);
    std::vector<double> positions;
    for (const auto& one : {all[0], all[1], all[3], all[4], late})
        positions.push_back(one->getCurrentPosition());
    EXPECT_EQ(positions, (std::vector<double>{0.25, 0.0, 0.25, 0.25, 0.0}));
    renderer->updateProcess(0.25);
    EXPECT_EQ(late->getCurrentPosition(), 0.25) << "advanced from the next update on";
    EXPECT_EQ(all[1]->getAnimator(), nullptr);

    // Sprites join their scene's render manager, and leave it with their entity or the manager.
    auto scene = SceneManager::createNew();
    auto other = QuadtreeRenderManager::createNew();
    auto inScene = sprite();
    auto before = sprite();
    scene->addNode(entityNode("before", {before}));
    other->connect(scene);
    auto node = entityNode("in", {inScene});
    scene->addNode(node);
    EXPECT_EQ(other->getNumAnimatables(), 2u);
    EXPECT_EQ(inScene->getAnimator(), other.get());
    scene->removeNode(node);
    EXPECT_EQ(other->getNumAnimatables(), 1u);
    EXPECT_EQ(inScene->getAnimator(), nullptr);
    other->disconnect();
    EXPECT_EQ(before->getAnimator(), nullptr);
    scene->terminateAll();
    scene->clear();
}
