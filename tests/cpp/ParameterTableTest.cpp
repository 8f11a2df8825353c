// The parameter table of each type the engine's factories make says what its
// createNew reads, no more and no less: each type is made from sample lists
// that give every documented key, and the keys the making asked for are
// compared with the table.

#include "WindowFixture.h"

#include "assembly/EngineRoster.h"
#include "core/EventFactory.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/StartupRollback.h"
#include "scene/ComponentFactory.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

// A window and the managers and prototypes Root.initialize makes.
struct Roster : InWindow
{
    void SetUp() override
    {
        InWindow::SetUp();
        if (HasFatalFailure())
            return;
        rollback = std::make_unique<StartupRollback>();
        startEngineRoster(*rollback);
    }

    void TearDown() override
    {
        stopEngineRoster();
        rollback.reset();
        InWindow::TearDown();
    }

    std::unique_ptr<StartupRollback> rollback;
};

ParameterList listOf(const std::string& pairs)
{
    ParameterList list;
    std::istringstream words(pairs);
    for (std::string word; words >> word;)
        list.add(word.substr(0, word.find('=')), word.substr(word.find('=') + 1));
    return list;
}

struct Made
{
    ParameterTable::Family family;
    std::string type;
    // Together they give every key; alternatives that exclude each other (center and dim against min
    // and max, the shapes of a collidable) come in lists of their own.
    std::vector<std::string> samples;
};

const std::string QUAD = "ori=0.5 center=<0,0> dim=<2,2> extent=finite";
const std::string CORNERS = "min=<-1,-1> max=<1,1>";
const std::string IMAGE = "filename= texCoord=<0,0>,<1,1> zOrder=1 static=true alpha=0.5 color=(1,0,0) ";
// A sequence that does not load fails the making after its keys; the keys after them need a list without one.
const std::string SPRITE = "zOrder=1 sequence0=none name0=walk fps0=4 loop0=true ";
const std::string LOOKS = "zOrder=1 animation=walk frame=0.5 alpha=1 color=(1,1,1) ";
constexpr auto COMPONENT = ParameterTable::COMPONENT;
constexpr auto EVENT = ParameterTable::EVENT;

const std::vector<Made> MADE = {
    {COMPONENT, "Animatable", {SPRITE, LOOKS}},
    {COMPONENT, "AnimateAndDie", {""}},
    {COMPONENT, "Camera", {"dimensions=<320,240>"}},
    {COMPONENT, "ComponentAdder", {""}},
    {COMPONENT,
     "DynamicTextDisplay",
     {"text=hi font=none.ttf textSize=10 zOrder=1 ha=Center va=Bottom alpha=1 color=(1,1,1) center=<0,0> dim=<9,9> "
      "extent=finite",
      "font=none.ttf textSize=10 " + CORNERS}},
    {COMPONENT, "GamePlayer", {"id=1 active=true"}},
    {COMPONENT, "GamePlayerManager", {""}},
    {COMPONENT,
     "Movable",
     {"mass=2 velocity=<1,0> rotationalVelocity=1 relativeToOrienation=true force=<0,1> forceSpace=World"}},
    {COMPONENT, "OccludedAnimatable", {SPRITE, LOOKS + "minPos=0.2 maxPos=0.8 occlusion=0.5"}},
    {COMPONENT, "PlayerBeacon", {"type=1 player=2"}},
    {COMPONENT, "PlayerUnit", {"type=1 player=2 template=none"}},
    {COMPONENT, "PreventRenderWhenNotVisible", {""}},
    {COMPONENT, "PreventRenderWhenUnexplored", {""}},
    {COMPONENT, "RenderableBox", {"zOrder=1 " + QUAD, "zOrder=1 " + CORNERS}},
    {COMPONENT, "RenderableCircle", {"zOrder=1 center=<1,1> radius=2"}},
    {COMPONENT,
     "RepeatedStaticImage",
     {"camera=camera repeatX=true repeatY=false " + IMAGE + QUAD, "camera=c repeatX=1 repeatY=1 " + IMAGE + CORNERS}},
    {COMPONENT, "RunScriptWhenAdded", {"script=none file=none.xml"}},
    {COMPONENT, "ScriptRunner", {""}},
    {COMPONENT, "SingleStateBeacon", {"fsm=guard type=1 player=2"}},
    {COMPONENT, "SlaveRenderable", {"entity=master"}},
    {COMPONENT,
     "StaticCollidable",
     {"type=OrientedBox " + QUAD, "type=AABB " + CORNERS, "type=Circle center=<1,1> radius=2"}},
    {COMPONENT, "StaticImage", {IMAGE + QUAD, IMAGE + CORNERS}},
    {COMPONENT, "StaticRandomDistributionSTG", {"seed=7 noSceneRate=1 scene0=none rate0=2"}},
    {COMPONENT, "StraightLinePathfinder", {""}},
    {COMPONENT, "TemplateInstantiator", {""}},
    {COMPONENT, "TurnAndDashPathwalker", {"rotSpeed=1 transSpeed=2"}},
    {COMPONENT, "UniformTimeIncrementSTC", {"spawnRate=2 maxOnScreen=3 spawnNumber=2 seed=7"}},
    {COMPONENT, "UnitFSMController", {""}},
    {COMPONENT, "VisualReactor", {""}},
    {COMPONENT, "VisualTargetSeeker", {"target=ship"}},
    {EVENT, "AnimationAction", {"action=SetAnimation name=walk pos=0.5 time=1"}},
    {EVENT,
     "ComponentAddition",
     {"action=AddComponent entity=ship template=ship type=Movable file=ship.xml time=1"}},
    {EVENT, "PathfinderAction", {"action=SetVecDest position=<1,1> time=1 entity=ship"}},
    {EVENT, "ScriptRunner", {"script=intro file=intro.xml time=1"}},
    {EVENT, "SetVisualTarget", {"time=1 target=ship"}},
    {EVENT,
     "TemplateInstantiation",
     {"type=Entity template=ship name=ship time=1 file=ship.xml parent=base pos=<1,1> ori=0.5 scl=2"}},
    {EVENT, "UnitFSMControllerAction", {"time=1 fsm=guard"}},
};

// The documented keys that making the type from its samples asked for, and as "undocumented: key" the others.
std::set<std::string> keysRead(const Made& made, const ParameterTable& table)
{
    std::set<std::string> read;
    for (const std::string& sample : made.samples)
    {
        const ParameterList list = listOf(sample);
        const ParameterReading reading(made.family, made.type, list);
        try
        {
            if (made.family == COMPONENT)
                ComponentFactory::getSingleton().getRegistered(made.type)->createNew(list);
            else
                EventFactory::getSingleton().getRegistered(made.type)->createNew(list);
        }
        catch (const std::exception&)
        {
            // What was read before the failure counts; a sample need not make a whole object.
        }
        for (const std::string& key : reading.getAsked())
        {
            const std::optional<ParameterDoc> doc = table.entry(key);
            read.insert(doc ? doc->name : "undocumented: " + key);
        }
    }
    return read;
}

}

TEST_F(Roster, EachTypeTheFactoriesMakeDocumentsExactlyTheKeysItsCreateNewReads)
{
    ASSERT_EQ(MADE.size(), 37u) << "30 component prototypes and 7 action events are registered at start-up";
    for (const Made& made : MADE)
    {
        SCOPED_TRACE(made.type);
        EXPECT_TRUE(made.family == COMPONENT ? ComponentFactory::getSingleton().isRegistered(made.type)
                                             : EventFactory::getSingleton().isRegistered(made.type));
        const ParameterTable* table = ParameterTable::find(made.family, made.type);
        ASSERT_NE(table, nullptr);
        std::set<std::string> documented;
        for (const ParameterDoc& doc : table->getEntries())
        {
            EXPECT_TRUE(documented.insert(doc.name).second) << doc.name << " documented twice";
            EXPECT_FALSE(doc.format.empty() || doc.fallback.empty() || doc.meaning.empty()) << doc.name;
            EXPECT_EQ(doc.meaning.back(), '.') << doc.name;
        }
        EXPECT_EQ(keysRead(made, *table), documented);
    }
}

TEST(ParameterTable, IndexedKeysFindTheirEntryAndIncludedTablesComeAfterTheOwnKeys)
{
    const ParameterTable base(ParameterTable::BOUND, "TestBase", {{"size", "number", "1", "Size."}});
    const ParameterTable table(ParameterTable::COMPONENT, "TestSprite",
                               {{"frame<i>", "text", "none", "Frames."}, {"size", "number", "2", "Own size."}},
                               {{ParameterTable::BOUND, "TestBase"}});
    EXPECT_EQ(ParameterTable::find(ParameterTable::COMPONENT, "TestSprite"), &table);
    EXPECT_EQ(ParameterTable::find(ParameterTable::EVENT, "TestSprite"), nullptr);
    for (const char* key : {"frame0", "frame12"})
        EXPECT_EQ(table.entry(key).value().name, "frame<i>") << key;
    for (const char* key : {"frame", "frame1x", "framex", "siz"})
        EXPECT_FALSE(table.entry(key)) << key;
    // The own entry of a key wins over an included one.
    EXPECT_EQ(table.entry("size").value().meaning, "Own size.");
    EXPECT_EQ(table.describe(), "Parameters (a data file's Param elements, or a ParameterList):\n"
                                "  frame<i>: text; default none. Frames.\n"
                                "  size: number; default 2. Own size.");
    const ParameterTable orphan(ParameterTable::COMPONENT, "TestOrphan", {}, {{ParameterTable::BOUND, "Missing"}});
    EXPECT_THROW(orphan.getEntries(), std::logic_error);
}

TEST(ParameterTable, OnlyTheInnermostReadingOfTheListBeingReadHearsItsKeys)
{
    ParameterList outerList = listOf("a=1 b=x");
    ParameterList innerList = listOf("c=2");
    double value = 0.0;
    const ParameterReading outer(ParameterTable::COMPONENT, "Outer", outerList);
    outerList.get("a", value);
    {
        const ParameterReading inner(ParameterTable::COMPONENT, "Inner", innerList);
        innerList.contains("c");
        outerList.get("b", value);
        EXPECT_EQ(inner.getAsked(), std::vector<std::string>{"c"});
    }
    outerList.get("b", value);
    outerList.get("a");
    EXPECT_EQ(outer.getAsked(), (std::vector<std::string>{"a", "b"}));
}
