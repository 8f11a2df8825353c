#pragma once
// What the input manager tells its listeners: key, mouse and window-activity
// events, each constant once made, and the three listener interfaces that fan
// them out to named operations. A listener hears one event type; an event of
// that type number but of another class (posted by a script) is ignored, never
// misread.

#include "core/Event.h"
#include "core/EventListener.h"
#include "core/KeyTypes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class KeyEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

#define TARNU_KEY_ENUMERATOR(name, number) name = number,
    /// SDL 1.2's key symbols; a key outside the list keeps its own number.
    enum KeyType : std::uint32_t
    {
        TARNU_KEY_TYPES(TARNU_KEY_ENUMERATOR)
    };
#undef TARNU_KEY_ENUMERATOR

    /// The numbers of SDL 1.2's key-down and key-up event types. The state
    /// enumerations have a fixed underlying type, so that a number outside the
    /// list is still a value, which the listeners route as they say.
    enum KeyState : std::uint32_t
    {
        KEY_PRESSED = 2,
        KEY_RELEASED = 3
    };

    KeyEvent(KeyType key, KeyState state, double eventTime) : Event(TYPE, eventTime), key(key), state(state) {}

    KeyType getKey() const { return key; }
    KeyState getState() const { return state; }

    /// SDL 1.2's name of the key ("space", "left shift", "[0]"), "unknown key" when it had none.
    static std::string getKeyName(KeyType key);

private:
    const KeyType key;
    const KeyState state;
};

/// Every named key with its name, in ascending order of number.
struct NamedKey
{
    const char* name;
    KeyEvent::KeyType key;
};
#define TARNU_NAMED_KEY(name, number) NamedKey{#name, KeyEvent::name},
inline constexpr NamedKey NAMED_KEYS[] = {TARNU_KEY_TYPES(TARNU_NAMED_KEY)};
#undef TARNU_NAMED_KEY

class MouseEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    enum MouseState : std::uint32_t
    {
        MOUSE_PRESSED = 0,
        MOUSE_RELEASED = 1,
        MOUSE_MOTION = 2
    };

    /// dx and dy are 0 for button events, button is 0 for motion.
    MouseEvent(MouseState state, std::uint32_t x, std::uint32_t y, std::int32_t dx, std::int32_t dy,
               std::uint32_t button, double eventTime)
        : Event(TYPE, eventTime), state(state), x(x), y(y), dx(dx), dy(dy), button(button)
    {
    }

    MouseState getState() const { return state; }
    std::uint32_t getX() const { return x; }
    std::uint32_t getY() const { return y; }
    std::int32_t getDx() const { return dx; }
    std::int32_t getDy() const { return dy; }
    std::uint32_t getButton() const { return button; }

private:
    const MouseState state;
    const std::uint32_t x;
    const std::uint32_t y;
    const std::int32_t dx;
    const std::int32_t dy;
    const std::uint32_t button;
};

class WindowEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    enum WindowState : std::uint32_t
    {
        WINDOW_DEICONIFIED = 0,
        WINDOW_ICONIFIED = 1,
        WINDOW_GAINED_INPUT_FOCUS = 2,
        WINDOW_LOST_INPUT_FOCUS = 3,
        WINDOW_GAINED_MOUSE_FOCUS = 4,
        WINDOW_LOST_MOUSE_FOCUS = 5
    };

    WindowEvent(WindowState state, double eventTime) : Event(TYPE, eventTime), state(state) {}

    WindowState getState() const { return state; }

private:
    const WindowState state;
};

class KeyListener : public EventListener
{
public:
    KeyListener() : EventListener(KeyEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void keyPressed(const std::shared_ptr<KeyEvent>& event) = 0;
    virtual void keyReleased(const std::shared_ptr<KeyEvent>& event) = 0;
};

class MouseListener : public EventListener
{
public:
    MouseListener() : EventListener(MouseEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void mousePressed(const std::shared_ptr<MouseEvent>& event) = 0;
    virtual void mouseReleased(const std::shared_ptr<MouseEvent>& event) = 0;
    virtual void mouseMoved(const std::shared_ptr<MouseEvent>& event) = 0;
};

class WindowListener : public EventListener
{
public:
    WindowListener() : EventListener(WindowEvent::TYPE) {}

    void handleEvent(const std::shared_ptr<Event>& event) override;
    virtual void windowIconified(const std::shared_ptr<WindowEvent>& event) = 0;
    virtual void windowDeiconified(const std::shared_ptr<WindowEvent>& event) = 0;
    virtual void windowInputFocusGained(const std::shared_ptr<WindowEvent>& event) = 0;
    virtual void windowInputFocusLost(const std::shared_ptr<WindowEvent>& event) = 0;
    virtual void windowMouseFocusGained(const std::shared_ptr<WindowEvent>& event) = 0;
    virtual void windowMouseFocusLost(const std::shared_ptr<WindowEvent>& event) = 0;
};

}
