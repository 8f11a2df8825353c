// Unit state machines against the event managers they listen on: which machine a
// manager's events move when managers and machines come and go.

#include "core/Event.h"
#include "core/EventManager.h"
#include "game/units/FSMResource.h"
#include "game/units/FSMResourceManager.h"
#include "game/units/UnitFSM.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

using Strings = std::vector<std::string>;

constexpr std::uint32_t PING = 1001;

// Writes "label:old>new" for every change of state.
struct Recorder : UnitFSM
{
    Recorder(std::string label, const std::string& definition, Strings& heard)
        : UnitFSM(definition, "", ""), label(std::move(label)), heard(heard)
    {
    }
    void stateChanged(std::uint32_t oldState, std::uint32_t newState, const std::shared_ptr<Event>&) override
    {
        heard.push_back(label + ":" + std::to_string(oldState) + ">" + std::to_string(newState));
    }
    std::string label;
    Strings& heard;
};

class UnitFSMTest : public testing::Test
{
protected:
    // Stand and walk, each PING going to the other; stand is where machines start.
    void defineWalker()
    {
        const std::shared_ptr<FSMResource> walker = manager.createEmptyFSM("walker");
        walker->load();
        walker->addState("stand", false, true);
        walker->addState("walk");
        walker->addTransition("stand", "walk", PING);
        walker->addTransition("walk", "stand", PING);
    }
    static void ping(EventManager& target) { target.postEvent(std::make_shared<Event>(PING, 0.0)); }

    FSMResourceManager manager;
    Strings heard;
};

}

TEST_F(UnitFSMTest, AMachineWhoseManagerDiedDoesNotFollowTheOneMadeAtItsAddress)
{
    defineWalker();
    alignas(EventManager) unsigned char storage[sizeof(EventManager)];
    const auto makeManager = [&storage] {
        return std::shared_ptr<EventManager>(new (storage) EventManager, [](EventManager* gone) {
            gone->~EventManager();
        });
    };
    Recorder old("old", "walker", heard), young("young", "walker", heard);
    old.connect(makeManager());
    const std::shared_ptr<EventManager> reborn = makeManager();
    young.connect(reborn);
    ping(*reborn);
    EXPECT_EQ(heard, (Strings{"old:0>1", "young:0>1", "young:1>2"}));
    // The old machine still counts itself connected; leaving, it takes nothing of the young one's away.
    EXPECT_TRUE(old.isConnected());
    old.disconnect();
    ping(*reborn);
    EXPECT_EQ(heard, (Strings{"old:0>1", "young:0>1", "young:1>2", "old:1>0", "young:2>1"}));
}

TEST_F(UnitFSMTest, DestroyedWhileConnectedAMachineTakesTheListenersOffWithoutHearingOfIt)
{
    defineWalker();
    const auto target = std::make_shared<EventManager>();
    auto machine = std::make_unique<Recorder>("m", "walker", heard);
    machine->connect(target);
    EXPECT_TRUE(target->hasListeners(PING));
    machine.reset();
    EXPECT_FALSE(target->hasListeners(PING));
    ping(*target);
    EXPECT_EQ(heard, Strings{"m:0>1"});
}
