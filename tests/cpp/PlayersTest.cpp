// What the engine itself asks of players and beacons: the scene registry of
// game-player managers against scenes made at a dead scene's address, the
// advice of Python beacons when their methods fail, and a beacon's visitors.

#include "EmbeddedPython.h"
#include "SceneFixtures.h"

#include "game/units/GamePlayerManager.h"
#include "game/units/PlayerBeacon.h"
#include "game/units/PlayerUnit.h"
#include "game/units/UnitFSMController.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace py = boost::python;
using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

class PlayersTest : public SceneTest
{
};

}

TEST_F(PlayersTest, ASceneMadeAtADeadScenesAddressHasNoGamePlayerManager)
{
    auto scene = SceneManager::createNew();
    scene->addNode(entityNode("players", {std::make_shared<GamePlayerManager>()}));
    const SceneManager* address = scene.get();
    ASSERT_NE(GamePlayerManager::getGamePlayerManager(address), nullptr);
    scene.reset();
    // The address is only a key: looking it up reads nothing at it.
    EXPECT_EQ(GamePlayerManager::getGamePlayerManager(address), nullptr);
    // The allocator hands a freed block out again soon (not under the address sanitizer, which holds
    // freed blocks back); keep making scenes until one lands there.
    std::vector<std::shared_ptr<SceneManager>> made;
    while (made.size() < 64 && (made.empty() || made.back().get() != address))
        made.push_back(SceneManager::createNew());
    for (const std::shared_ptr<SceneManager>& reborn : made)
        EXPECT_EQ(GamePlayerManager::getGamePlayerManager(reborn.get()), nullptr);
}

namespace
{

const char* const beaconClasses = R"(
import io, sys
sys.stderr = printed = io.StringIO()

class Advisor(tarnu.PlayerBeacon):
    super = tarnu.PlayerBeacon
    def __init__(self, evaluate, select):
        tarnu.PlayerBeacon.__init__(self, 1, 1)
        self.evaluate, self.select = evaluate, select
    def evaluateUnit(self, unit):
        return self.evaluate(self, unit) if self.evaluate else tarnu.PlayerBeacon.evaluateUnit(self, unit)
    def selectUnitToRemove(self):
        return self.select(self) if self.select else tarnu.PlayerBeacon.selectUnitToRemove(self)
)";

struct AdviceCase
{
    const char* evaluate;  // a lambda of the beacon and the unit, or None for the engine's own
    const char* select;    // a lambda of the beacon, or None
    double score;          // what the engine's caller receives
    int chosen;            // the unit chosen: 0 the first, 1 the second, -1 none
    const char* error;     // what is printed, or "" for nothing
};

}

TEST_F(PlayersTest, APythonBeaconsFailingAdviceGivesWayToTheEnginesOwn)
{
    const double distanceScore = 1.0 / 25.0;
    const std::vector<AdviceCase> cases = {
        {"None", "None", distanceScore, 0, ""},
        {"lambda self, unit: 2.5", "lambda self: second", 2.5, 1, ""},
        {"lambda self, unit: tarnu.PlayerBeacon.evaluateUnit(self, unit) / 2", "None", distanceScore / 2, 0, ""},
        {"lambda self, unit: 1 / 0", "lambda self: None", distanceScore, -1, "ZeroDivisionError"},
        {"lambda self, unit: 'far'", "lambda self: 5", distanceScore, 0, "No registered converter"},
        {"lambda self, unit: None", "lambda self: [][1]", distanceScore, 0, "IndexError"},
    };
    py::dict space = Embedded::pythonNamespace();
    Embedded::runPython(beaconClasses, space);
    auto scene = SceneManager::createNew();
    std::vector<std::shared_ptr<PlayerUnit>> units;
    for (const char* name : {"first", "second"})
    {
        units.push_back(std::make_shared<PlayerUnit>(1, 1));
        auto node = entityNode(name, {units.back()});
        node->setPosition(Vector2(3, 4));
        scene->addNode(node);
    }
    space["second"] = units[1];
    space["scene"] = scene;
    for (const AdviceCase& advice : cases)
    {
        SCOPED_TRACE(std::string(advice.evaluate) + " / " + advice.select);
        Embedded::runPython("printed.seek(0)\nprinted.truncate()\nnode = tarnu.Entity.createEntity(Advisor(" +
                                std::string(advice.evaluate) + ", " + advice.select + "), 'beacon')\n" +
                                "scene.addNode(node)\n",
                            space);
        const std::shared_ptr<PlayerBeacon> beacon = PlayerBeacon::getFor(scene->getEntity("beacon").get());
        ASSERT_NE(beacon, nullptr);
        for (const std::shared_ptr<PlayerUnit>& unit : units)
            beacon->addUnit(unit);
        EXPECT_EQ(beacon->evaluateUnit(units[0]), advice.score);
        EXPECT_EQ(beacon->selectUnitToRemove(), advice.chosen < 0 ? nullptr : units[advice.chosen]);
        const std::string printed = py::extract<std::string>(space["printed"].attr("getvalue")());
        if (*advice.error)
            EXPECT_NE(printed.find(advice.error), std::string::npos) << printed;
        else
            EXPECT_EQ(printed, "");
        scene->removeNode(beacon->getSceneNode());
        EXPECT_EQ(beacon->getNumUnits(), 0u);
    }
    // The last error printed keeps its frames, and with them the beacon it was raised for.
    Embedded::runPython("sys.stderr = sys.__stderr__\nsys.last_type = sys.last_value = sys.last_traceback = None\n"
                        "del node, second, scene\ngc.collect()\n",
                        space);
}

namespace
{

template <class T>
struct Collector : Visitor<const std::shared_ptr<T>>
{
    void visit(const std::shared_ptr<T>& element) override { seen.push_back(element); }
    std::vector<std::shared_ptr<T>> seen;
};

}

TEST_F(PlayersTest, ABeaconIsVisitedByItsUnitsAndTheirControllersInTheOrderTheyJoined)
{
    auto scene = SceneManager::createNew();
    auto beacon = std::make_shared<PlayerBeacon>(1, 1);
    scene->addNode(entityNode("beacon", {beacon}));
    std::vector<std::shared_ptr<PlayerUnit>> units;
    auto controller = std::make_shared<UnitFSMController>();
    for (int number = 0; number < 3; ++number)
    {
        units.push_back(std::make_shared<PlayerUnit>(number, 1));
        std::vector<std::shared_ptr<Component>> parts{units.back()};
        if (number == 1)
            parts.push_back(controller);
        scene->addNode(entityNode("unit" + std::to_string(number), parts));
    }
    for (int number : {2, 0, 1})
        beacon->addUnit(units[number]);
    Collector<PlayerUnit> unitVisitor;
    Collector<UnitFSMController> controllerVisitor;
    beacon->accept(unitVisitor);
    beacon->accept(controllerVisitor);
    EXPECT_EQ(unitVisitor.seen, (std::vector<std::shared_ptr<PlayerUnit>>{units[2], units[0], units[1]}));
    EXPECT_EQ(controllerVisitor.seen, (std::vector<std::shared_ptr<UnitFSMController>>{nullptr, nullptr, controller}));
    scene->clear();
}
