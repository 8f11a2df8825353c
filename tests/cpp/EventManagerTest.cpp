#include "core/Event.h"
#include "core/EventListener.h"
#include "core/EventManager.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

using Strings = std::vector<std::string>;

// Far from the numbers the start-up roster hands out.
constexpr std::uint32_t PING = 1001, PONG = 1002;

struct LabelledEvent : Event
{
    LabelledEvent(std::string label, double time, std::uint32_t type) : Event(type, time), label(std::move(label)) {}
    const std::string label;
};

std::shared_ptr<Event> labelled(const std::string& label, double time = 0.0, std::uint32_t type = PING)
{
    return std::make_shared<LabelledEvent>(label, time, type);
}

// Writes "name:label" for every event it hears, then runs its optional reaction.
struct Recorder : EventListener
{
    Recorder(std::string name, Strings& heard, std::uint32_t type = PING)
        : EventListener(type), name(std::move(name)), heard(heard)
    {
    }
    void handleEvent(const std::shared_ptr<Event>& event) override
    {
        const std::string& label = static_cast<const LabelledEvent&>(*event).label;
        heard.push_back(name + ":" + label);
        if (onEvent)
            onEvent(label);
    }
    std::function<void(const std::string&)> onEvent;
    std::string name;
    Strings& heard;
};

// A manager and recorders that all write to one list.
struct Bus
{
    Recorder& listen(const std::string& name, std::uint32_t type = PING)
    {
        Recorder& recorder = recorders.emplace_back(name, heard, type);
        manager.addEventListener(&recorder);
        return recorder;
    }
    Strings heard;
    EventManager manager;
    std::deque<Recorder> recorders;
};

std::vector<EventManager*> notified;

}

TEST(EventRegistration, RepeatedAddsAndUnknownRemovalsChangeNothingAndDestroyedListenersLeave)
{
    Strings heard;
    Recorder second("second", heard), first("first", heard), stranger("x", heard);
    {
        EventManager manager, other;
        {
            Recorder doomed("doomed", heard);
            for (Recorder* recorder : {&second, &first, &second, &doomed})
                manager.addEventListener(recorder);
            other.addEventListener(&doomed);
        }
        manager.removeEventListener(&stranger);
        manager.postEvent(labelled("a"));
        other.postEvent(labelled("a"));
        manager.removeEventListener(&second);
        manager.postEvent(labelled("b"));
        EXPECT_EQ(heard, (Strings{"second:a", "first:a", "first:b"}));
        // A second entry in a listener's own list would dangle once the manager is gone.
        manager.addEventListener(&second);
        manager.addEventListener(&second);
    }
    second.removeFromAllDispatchers();
}

TEST(EventQueue, EqualTimesLeaveInQueueingOrderAndNotifyFiresWhenTheQueueFills)
{
    notified.clear();
    Strings heard;
    Recorder recorder("l", heard);
    EventManager manager([](EventManager* m) { notified.push_back(m); });
    manager.addEventListener(&recorder);
    manager.queueEvent(nullptr);
    EXPECT_TRUE(notified.empty());
    // Queued in the reverse of their creation, so neither allocation order nor a plain heap gives this order.
    std::vector<std::shared_ptr<Event>> events;
    for (int i = 0; i < 5; ++i)
        events.push_back(labelled(std::to_string(i), 1.0));
    manager.queueEvent(labelled("early", 0.5));
    for (auto event = events.rbegin(); event != events.rend(); ++event)
        manager.queueEvent(*event);
    manager.queueEvent(labelled("later", 2.0));
    EXPECT_EQ(notified.size(), 1u);

    manager.dispatchEvents(1.0);
    EXPECT_EQ(heard, (Strings{"l:early", "l:4", "l:3", "l:2", "l:1", "l:0"}));
    manager.queueEvent(labelled("c", 3.0));
    EXPECT_EQ(notified.size(), 1u);
    manager.dispatchEvents(-1);
    manager.queueEvent(labelled("d", 4.0));
    EXPECT_EQ(notified, (std::vector<EventManager*>{&manager, &manager}));
}

TEST(EventQueue, ListenerDispatchingAgainGetsEachEventOnceAndTheEventItHandlesStillCountsAsQueued)
{
    notified.clear();
    Strings heard;
    EventManager manager([](EventManager* m) { notified.push_back(m); });
    Recorder recorder("l", heard);
    manager.addEventListener(&recorder);
    recorder.onEvent = [&](const std::string& label) {
        if (label != "first")
            return;
        manager.queueEvent(labelled("meanwhile", 5.0));
        manager.dispatchEvents(-1);
    };
    manager.queueEvent(labelled("first", 1.0));
    manager.dispatchEvents(-1);
    EXPECT_EQ(heard, (Strings{"l:first", "l:meanwhile"}));
    EXPECT_EQ(notified.size(), 1u) << "the queue never went empty while the first event was handled";
    EXPECT_FALSE(manager.hasQueuedEvents());
    manager.queueEvent(labelled("later", 6.0));
    EXPECT_EQ(notified.size(), 2u);
}

TEST(EventQueue, EventsQueuedByListenersAreReleasedInTheSameCallWhenDue)
{
    Bus bus;
    bus.listen("l").onEvent = [&](const std::string& label) {
        if (label != "first")
            return;
        bus.manager.queueEvent(labelled("earlier", 1.0));
        bus.manager.queueEvent(labelled("notDue", 9.0));
    };
    bus.manager.queueEvent(labelled("first", 2.0));
    bus.manager.queueEvent(labelled("second", 2.0));
    bus.manager.dispatchEvents(2.0);
    EXPECT_EQ(bus.heard, (Strings{"l:first", "l:earlier", "l:second"}));
    bus.manager.dispatchEvents(-1);
    EXPECT_EQ(bus.heard.back(), "l:notDue");
}

// An event that runs code as it dies, as a script's event may: it queues another on its manager.
struct QueuesAsItDies : LabelledEvent
{
    explicit QueuesAsItDies(EventManager& manager) : LabelledEvent("dying", 1.0, PING), manager(manager) {}
    ~QueuesAsItDies() override { manager.queueEvent(labelled("queued as it died", 2.0)); }
    EventManager& manager;
};

TEST(EventQueue, DroppedEventsDieUndeliveredAndOneQueuedAsTheyDieWaitsForItsTime)
{
    Bus bus;
    bus.listen("l");
    const std::shared_ptr<Event> plain = labelled("plain", 0.5);
    const std::weak_ptr<Event> dropped = plain;
    bus.manager.queueEvent(plain);
    bus.manager.queueEvent(std::make_shared<QueuesAsItDies>(bus.manager));
    EXPECT_TRUE(bus.manager.dropQueuedEvents());
    EXPECT_EQ(dropped.use_count(), 1) << "only the test's own reference is left";
    ASSERT_TRUE(bus.manager.hasQueuedEvents());
    bus.manager.dispatchEvents(-1);
    EXPECT_EQ(bus.heard, (Strings{"l:queued as it died"}));
    EXPECT_FALSE(bus.manager.dropQueuedEvents());
}

TEST(EventDispatch, ListenersAddedMeanwhileWaitRemovedOnesStillHearAndDestroyedOnesNever)
{
    Bus bus;
    Recorder late("late", bus.heard);
    auto doomed = std::make_unique<Recorder>("doomed", bus.heard);
    Recorder& first = bus.listen("first");
    Recorder& removed = bus.listen("removed");
    bus.manager.addEventListener(doomed.get());
    bus.listen("last");
    // Destroyed from a delivery nested inside the one that copied it.
    bus.listen("killer", PONG).onEvent = [&](const std::string&) { doomed.reset(); };
    first.onEvent = [&](const std::string& label) {
        if (label == "nested")
            return bus.manager.postEvent(labelled("inner", 0.0, PONG));
        bus.manager.addEventListener(&late);
        bus.manager.removeEventListener(&removed);
        doomed.reset();
    };
    bus.manager.postEvent(labelled("nested"));
    EXPECT_EQ(bus.heard, (Strings{"first:nested", "killer:inner", "removed:nested", "last:nested"}));

    bus.heard.clear();
    doomed = std::make_unique<Recorder>("doomed", bus.heard);
    bus.manager.addEventListener(doomed.get());
    bus.manager.queueEvent(labelled("queued"));
    bus.manager.dispatchEvents(-1);
    bus.manager.postEvent(labelled("after"));
    EXPECT_EQ(bus.heard, (Strings{"first:queued", "removed:queued", "last:queued", "first:after", "last:after",
                                  "late:after"}));
}

TEST(EventDispatch, ThrowingListenerDoesNotGetTheEventDeliveredAgain)
{
    Bus bus;
    bus.listen("l").onEvent = [](const std::string& label) {
        if (label == "bad")
            throw std::runtime_error("listener failed");
    };
    std::shared_ptr<Event> bad = labelled("bad", 1.0);
    std::weak_ptr<Event> watch = bad;
    bus.manager.queueEvent(bad);
    bus.manager.queueEvent(labelled("good", 2.0));
    bad.reset();
    EXPECT_THROW(bus.manager.dispatchEvents(-1), std::runtime_error);
    EXPECT_EQ(bus.heard, Strings{"l:bad"});
    EXPECT_TRUE(watch.expired());
    bus.manager.dispatchEvents(-1);
    EXPECT_EQ(bus.heard, (Strings{"l:bad", "l:good"}));
}

TEST(EventDispatch, EveryListenerSeesTheManagerDeliveringToItAfterAnEarlierOnePassedTheEventOn)
{
    // Writes down which manager it was called by, then passes the event on to the next one.
    struct Relay : EventListener
    {
        explicit Relay(EventManager* next) : EventListener(PING), next(next) {}
        void handleEvent(const std::shared_ptr<Event>& event) override
        {
            seen.push_back(event->getDispatcher());
            if (next)
                next->postEvent(event);
        }
        EventManager* next;
        std::vector<const EventManager*> seen;
    };
    EventManager first, second;
    Relay passer(&second), after(nullptr), elsewhere(nullptr);
    first.addEventListener(&passer);
    first.addEventListener(&after);
    second.addEventListener(&elsewhere);
    first.postEvent(labelled("x"));
    EXPECT_EQ(elsewhere.seen, std::vector<const EventManager*>{&second});
    EXPECT_EQ(after.seen, std::vector<const EventManager*>{&first});
}
