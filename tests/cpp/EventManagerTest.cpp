#include "core/Event.h"
#include "core/EventListener.h"
#include "core/EventManager.h"

#include <gtest/gtest.h>

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
constexpr std::uint32_t PING = 1001;
constexpr std::uint32_t PONG = 1002;

class LabelledEvent : public Event
{
public:
    LabelledEvent(std::string label, double time, std::uint32_t type) : Event(type, time), label(std::move(label)) {}
    const std::string label;
};

std::shared_ptr<Event> labelled(const std::string& label, double time = 0.0, std::uint32_t type = PING)
{
    return std::make_shared<LabelledEvent>(label, time, type);
}

const std::string& labelOf(const std::shared_ptr<Event>& event)
{
    return static_cast<const LabelledEvent&>(*event).label;
}

// Writes "name:label" for every event it hears, then runs its optional reaction.
class Recorder : public EventListener
{
public:
    Recorder(std::string name, Strings& heard, std::uint32_t type = PING)
        : EventListener(type), name(std::move(name)), heard(heard)
    {
    }

    void handleEvent(const std::shared_ptr<Event>& event) override
    {
        heard.push_back(name + ":" + labelOf(event));
        if (onEvent)
            onEvent(event);
    }

    std::function<void(const std::shared_ptr<Event>&)> onEvent;

private:
    std::string name;
    Strings& heard;
};

std::vector<EventManager*> notified;

void recordNotify(EventManager* manager)
{
    notified.push_back(manager);
}

}

TEST(EventRegistration, ListenersHearTheirTypeOnceEachInRegistrationOrder)
{
    Strings heard;
    Recorder second("second", heard), first("first", heard), pong("pong", heard, PONG);
    {
        EventManager manager;
        manager.addEventListener(&second);
        manager.addEventListener(&pong);
        manager.addEventListener(&first);
        manager.addEventListener(&second);
        std::shared_ptr<Event> event = labelled("a");
        manager.postEvent(event);
        EXPECT_EQ(event->getDispatcher(), &manager);
        manager.postEvent(labelled("nobody", 0.0, 4242));
        EXPECT_EQ(heard, (Strings{"second:a", "first:a"}));

        manager.removeEventListener(&second);
        manager.postEvent(labelled("b"));
        EXPECT_EQ(heard, (Strings{"second:a", "first:a", "first:b"}));

        // A second entry in a listener's own list would dangle once the manager is gone.
        manager.addEventListener(&second);
        manager.addEventListener(&second);
    }
    second.removeFromAllDispatchers();
}

TEST(EventRegistration, DestroyedListenerIsGoneFromEveryManager)
{
    Strings heard;
    EventManager one, two;
    Recorder survivor("survivor", heard);
    {
        Recorder doomed("doomed", heard);
        for (EventManager* manager : {&one, &two})
        {
            manager->addEventListener(&doomed);
            manager->addEventListener(&survivor);
        }
    }
    one.postEvent(labelled("a"));
    two.postEvent(labelled("b"));
    EXPECT_EQ(heard, (Strings{"survivor:a", "survivor:b"}));
}

TEST(EventRegistration, DestroyedManagerDropsItsQueueAndNeverCallsItsListeners)
{
    Strings heard;
    Recorder listener("l", heard);
    EventManager survivor;
    std::weak_ptr<Event> pending;
    {
        EventManager doomed;
        doomed.addEventListener(&listener);
        survivor.addEventListener(&listener);
        std::shared_ptr<Event> event = labelled("pending");
        pending = event;
        doomed.queueEvent(event);
    }
    EXPECT_TRUE(heard.empty());
    EXPECT_TRUE(pending.expired());

    survivor.postEvent(labelled("a"));
    listener.removeFromAllDispatchers();  // must reach only the live manager
    survivor.postEvent(labelled("b"));
    EXPECT_EQ(heard, Strings{"l:a"});
}

TEST(EventRegistration, NullAndUnknownInputsChangeNothing)
{
    notified.clear();
    Strings heard;
    EventManager manager(recordNotify);
    Recorder stranger("stranger", heard), listener("l", heard);
    manager.addEventListener(nullptr);
    manager.removeEventListener(nullptr);
    manager.removeEventListener(&stranger);
    manager.postEvent(nullptr);
    manager.queueEvent(nullptr);
    EXPECT_TRUE(notified.empty());
    manager.dispatchEvents(-1);

    manager.addEventListener(&listener);
    manager.postEvent(labelled("a"));
    EXPECT_EQ(heard, Strings{"l:a"});
}

TEST(EventRegistration, ManagerIDsAreNeverRepeated)
{
    auto first = std::make_unique<EventManager>();
    EventManager second;
    const std::uint32_t firstID = first->getID();
    EXPECT_NE(firstID, second.getID());
    first.reset();
    EventManager third;
    EXPECT_NE(third.getID(), firstID);
    EXPECT_NE(third.getID(), second.getID());
}

TEST(EventQueue, DueEventsLeaveInTimeOrderAndAreLetGo)
{
    Strings heard;
    EventManager manager;
    Recorder listener("l", heard);
    manager.addEventListener(&listener);
    std::shared_ptr<Event> first = labelled("1", 1.0);
    std::weak_ptr<Event> watch = first;
    manager.queueEvent(labelled("3", 3.0));
    manager.queueEvent(labelled("2.5", 2.5));
    manager.queueEvent(first);
    manager.queueEvent(labelled("2", 2.0));
    first.reset();

    manager.dispatchEvents(2.0);
    EXPECT_EQ(heard, (Strings{"l:1", "l:2"}));
    EXPECT_TRUE(watch.expired());
    manager.dispatchEvents(-1);
    EXPECT_EQ(heard, (Strings{"l:1", "l:2", "l:2.5", "l:3"}));
}

TEST(EventQueue, EqualTimesLeaveInQueueingOrder)
{
    Strings heard;
    EventManager manager;
    Recorder listener("l", heard);
    manager.addEventListener(&listener);
    // Queued in the reverse of their creation, so neither allocation order nor a plain heap gives this order.
    std::vector<std::shared_ptr<Event>> events;
    for (int i = 0; i < 7; ++i)
        events.push_back(labelled(std::to_string(i), 1.0));
    manager.queueEvent(labelled("early", 0.5));
    for (auto event = events.rbegin(); event != events.rend(); ++event)
        manager.queueEvent(*event);

    manager.dispatchEvents(1.0);
    EXPECT_EQ(heard, (Strings{"l:early", "l:6", "l:5", "l:4", "l:3", "l:2", "l:1", "l:0"}));
}

TEST(EventQueue, NotifyFiresEachTimeTheQueueStopsBeingEmpty)
{
    notified.clear();
    EventManager manager(recordNotify);
    manager.queueEvent(labelled("a", 1.0));
    manager.queueEvent(labelled("b", 2.0));
    EXPECT_EQ(notified, std::vector<EventManager*>{&manager});
    manager.dispatchEvents(1.0);
    manager.queueEvent(labelled("c", 3.0));
    EXPECT_EQ(notified.size(), 1u);

    manager.dispatchEvents(-1);
    manager.queueEvent(labelled("d", 4.0));
    EXPECT_EQ(notified, (std::vector<EventManager*>{&manager, &manager}));
}

TEST(EventQueue, EventsQueuedByListenersAreReleasedInTheSameCallWhenDue)
{
    Strings heard;
    EventManager manager;
    Recorder listener("l", heard);
    listener.onEvent = [&](const std::shared_ptr<Event>& event) {
        if (labelOf(event) != "first")
            return;
        manager.queueEvent(labelled("earlier", 1.0));
        manager.queueEvent(labelled("notDue", 9.0));
    };
    manager.addEventListener(&listener);
    manager.queueEvent(labelled("first", 2.0));
    manager.queueEvent(labelled("second", 2.0));

    manager.dispatchEvents(2.0);
    EXPECT_EQ(heard, (Strings{"l:first", "l:earlier", "l:second"}));
    manager.dispatchEvents(-1);
    EXPECT_EQ(heard.back(), "l:notDue");
    EXPECT_EQ(heard.size(), 4u);
}

TEST(EventDispatch, ListenersAddedMeanwhileWaitAndRemovedOnesStillHear)
{
    Strings heard;
    EventManager manager;
    Recorder first("first", heard), late("late", heard), removed("removed", heard);
    first.onEvent = [&](const std::shared_ptr<Event>&) {
        manager.addEventListener(&late);
        manager.removeEventListener(&removed);
    };
    manager.addEventListener(&first);
    manager.addEventListener(&removed);

    manager.postEvent(labelled("a"));
    manager.postEvent(labelled("b"));
    EXPECT_EQ(heard, (Strings{"first:a", "removed:a", "first:b", "late:b"}));
}

TEST(EventDispatch, ListenerDestroyedDuringADeliveryIsNeverCalledAgain)
{
    Strings heard;
    EventManager manager;
    Recorder first("first", heard), killer("killer", heard, PONG), last("last", heard);
    auto doomed = std::make_unique<Recorder>("doomed", heard);
    // Destroyed from a delivery nested inside the one that copied it.
    first.onEvent = [&](const std::shared_ptr<Event>& event) {
        if (labelOf(event) == "nested")
            manager.postEvent(labelled("inner", 0.0, PONG));
        else
            doomed.reset();
    };
    killer.onEvent = [&](const std::shared_ptr<Event>&) { doomed.reset(); };
    manager.addEventListener(&first);
    manager.addEventListener(doomed.get());
    manager.addEventListener(&last);
    manager.addEventListener(&killer);

    manager.postEvent(labelled("nested"));
    EXPECT_EQ(heard, (Strings{"first:nested", "killer:inner", "last:nested"}));

    heard.clear();
    doomed = std::make_unique<Recorder>("doomed", heard);
    manager.addEventListener(doomed.get());
    manager.queueEvent(labelled("queued"));
    manager.dispatchEvents(-1);
    EXPECT_EQ(heard, (Strings{"first:queued", "last:queued"}));
}

TEST(EventDispatch, ThrowingListenerDoesNotGetTheEventDeliveredAgain)
{
    Strings heard;
    EventManager manager;
    Recorder listener("l", heard);
    listener.onEvent = [](const std::shared_ptr<Event>& event) {
        if (labelOf(event) == "bad")
            throw std::runtime_error("listener failed");
    };
    manager.addEventListener(&listener);
    std::shared_ptr<Event> bad = labelled("bad", 1.0);
    std::weak_ptr<Event> watch = bad;
    manager.queueEvent(bad);
    manager.queueEvent(labelled("good", 2.0));
    bad.reset();

    EXPECT_THROW(manager.dispatchEvents(-1), std::runtime_error);
    EXPECT_EQ(heard, Strings{"l:bad"});
    EXPECT_TRUE(watch.expired());
    manager.dispatchEvents(-1);
    EXPECT_EQ(heard, (Strings{"l:bad", "l:good"}));
}
