#include "core/InputEvents.h"

#include "core/KeyTable.h"

namespace Tarnu
{

std::string KeyEvent::getKeyName(KeyType key)
{
    return sdlKeyName(key);
}

// Nothing may touch the listener after the call: a Python listener can drop
// its own last reference inside it.

void KeyListener::handleEvent(const std::shared_ptr<Event>& event)
{
    auto keyEvent = std::dynamic_pointer_cast<KeyEvent>(event);
    if (!keyEvent)
        return;
    if (keyEvent->getState() == KeyEvent::KEY_PRESSED)
        keyPressed(keyEvent);
    else
        keyReleased(keyEvent);
}

void MouseListener::handleEvent(const std::shared_ptr<Event>& event)
{
    auto mouseEvent = std::dynamic_pointer_cast<MouseEvent>(event);
    if (!mouseEvent)
        return;
    switch (mouseEvent->getState())
    {
    case MouseEvent::MOUSE_PRESSED:
        mousePressed(mouseEvent);
        break;
    case MouseEvent::MOUSE_RELEASED:
        mouseReleased(mouseEvent);
        break;
    default:
        mouseMoved(mouseEvent);
    }
}

void WindowListener::handleEvent(const std::shared_ptr<Event>& event)
{
    auto windowEvent = std::dynamic_pointer_cast<WindowEvent>(event);
    if (!windowEvent)
        return;
    switch (windowEvent->getState())
    {
    case WindowEvent::WINDOW_DEICONIFIED:
        windowDeiconified(windowEvent);
        break;
    case WindowEvent::WINDOW_ICONIFIED:
        windowIconified(windowEvent);
        break;
    case WindowEvent::WINDOW_GAINED_INPUT_FOCUS:
        windowInputFocusGained(windowEvent);
        break;
    case WindowEvent::WINDOW_LOST_INPUT_FOCUS:
        windowInputFocusLost(windowEvent);
        break;
    case WindowEvent::WINDOW_GAINED_MOUSE_FOCUS:
        windowMouseFocusGained(windowEvent);
        break;
    case WindowEvent::WINDOW_LOST_MOUSE_FOCUS:
        windowMouseFocusLost(windowEvent);
        break;
    }
}

}
