// What the engine itself asks of beacons: the advice of Python beacons when
// their methods fail, and a beacon's visitors.

#include "EmbeddedPython.h"
#include "SceneFixtures.h"

#include "game/units/PlayerBeacon.h"
#include "game/units/PlayerUnit.h"
#include "game/units/UnitFSMController.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace py = boost::python;
using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

// A Python beacon in the scene, advising with the lambdas it is given, or as the engine's own where they are None,
// and two units at (3, 4) that join it in turn.
const char* const ADVISOR = R"(
import io, sys
sys.stderr = printed = io.StringIO()
class Advisor(tarnu.PlayerBeacon):
    super = tarnu.PlayerBeacon
    def evaluateUnit(self, unit):
        return self.evaluate(unit) if self.evaluate else tarnu.PlayerBeacon.evaluateUnit(self, unit)
    def selectUnitToRemove(self):
        return self.select() if self.select else tarnu.PlayerBeacon.selectUnitToRemove(self)
advisor = Advisor(1, 1)
scene.addNode(tarnu.Entity.createEntity(advisor, "beacon"))
first, second = tarnu.PlayerUnit(1, 1, ""), tarnu.PlayerUnit(1, 1, "")
for name, unit in (("first", first), ("second", second)):
    scene.addNode(tarnu.Entity.createEntity(unit, name, tarnu.Vector2(3, 4)))
    advisor.addUnit(unit)
)";

template <class T>
struct Collector : Visitor<const std::shared_ptr<T>>
{
    explicit Collector(PlayerBeacon& beacon) { beacon.accept(*this); }
    void visit(const std::shared_ptr<T>& element) override { seen.push_back(element); }
    std::vector<std::shared_ptr<T>> seen;
};

using PlayersTest = SceneTest;

}

TEST_F(PlayersTest, APythonBeaconsFailingAdviceGivesWayToTheEnginesOwnAndItsVisitorsMeetEachUnitAndController)
{
    auto scene = SceneManager::createNew();
    py::dict space = Embedded::pythonNamespace();
    space["scene"] = scene;
    Embedded::runPython(ADVISOR, space);
    const std::shared_ptr<PlayerBeacon> beacon = PlayerBeacon::getFor(scene->getEntity("beacon").get());
    ASSERT_NE(beacon, nullptr);
    const std::vector<std::shared_ptr<PlayerUnit>> units = {PlayerUnit::getFor(scene->getEntity("first").get()),
                                                            PlayerUnit::getFor(scene->getEntity("second").get())};
    auto controller = std::make_shared<UnitFSMController>();
    units[1]->getEntity()->addComponent(controller);
    EXPECT_EQ(Collector<PlayerUnit>(*beacon).seen, units);
    EXPECT_EQ(Collector<UnitFSMController>(*beacon).seen, (std::vector<decltype(controller)>{nullptr, controller}));
    // The beacon's lambdas (or None), then what the engine's caller receives: the score (the engine's own is 0.04, 1
    // over the squared distance), the unit chosen (0 the first, 1 the second, -1 none) and what is printed.
    const std::tuple<const char*, const char*, double, int, const char*> cases[] = {
        {"None", "None", 0.04, 0, ""}, {"lambda unit: 2.5", "lambda: second", 2.5, 1, ""},
        {"lambda unit: 1 / 0", "lambda: None", 0.04, -1, "ZeroDivisionError"},
        {"lambda unit: 'far'", "lambda: 5", 0.04, 0, "No registered converter"}};
    for (const auto& [evaluate, select, score, chosen, error] : cases)
    {
        SCOPED_TRACE(std::string(evaluate) + " / " + select);
        Embedded::runPython("printed.seek(0)\nprinted.truncate()\nadvisor.evaluate, advisor.select = " +
                            std::string(evaluate) + ", " + select + "\n", space);
        EXPECT_EQ(beacon->evaluateUnit(units[0]), score);
        EXPECT_EQ(beacon->selectUnitToRemove(), chosen < 0 ? nullptr : units[chosen]);
        const std::string printed = py::extract<std::string>(space["printed"].attr("getvalue")());
        EXPECT_TRUE(*error ? printed.find(error) != std::string::npos : printed.empty()) << printed;
    }
    scene->clear();
    // The last error printed keeps its frames, and with them the beacon it was raised for.
    Embedded::runPython("sys.stderr = sys.__stderr__\nsys.last_type = sys.last_value = sys.last_traceback = None\n"
                        "del advisor, first, second, unit, scene\ngc.collect()\n", space);
}
