#pragma once
// Turns SDL's keyboard, mouse, window-activity and quit events into engine
// events and hands each to the listeners at once, in SDL's order. SDL's event
// filter, installed for exactly the manager's lifetime, keeps every other kind
// (and key repeats) out of the queue; a quit makes no engine event, the pump
// answers false. One instance, owned by Root; scripts only add and remove listeners.

#include "core/EventManager.h"
#include "core/Singleton.h"

#include <cstdint>
#include <memory>

union SDL_Event;

namespace Tarnu
{

class InputManager : public Singleton<InputManager>, public ProtectedEventManager
{
public:
    InputManager();
    ~InputManager() override;

    /// Drains SDL's queue, posting each engine event, stamped with time, before
    /// reading the next. False when a quit was among the events. A listener's
    /// exception leaves the pump; the unread events stay queued for the next one.
    bool pumpEvents(double time);

    /// SDL's filter: non-zero keeps the event in the queue.
    static int eventFilter(void* userData, SDL_Event* event);

private:
    void post(const std::shared_ptr<Event>& event);
    void postWindowChange(std::uint8_t change, double time);

    // SDL2 also "restores" a window from maximised; only the way back from
    // iconified is a deiconify.
    bool iconified = false;
};

}
