#pragma once
// The bridges of Python subclasses of the input listeners. The engine's
// listener turns the event into a named call (keyPressed, mouseMoved...); the
// bridge makes that call on the Python object. The Python base classes' own
// methods do nothing, so a subclass overrides only what it cares about.

#include "core/InputEvents.h"
#include "core/python/PythonBridge.h"

#include <memory>

namespace Tarnu
{

class PythonKeyListener : public KeyListener, public PythonBridge
{
public:
    explicit PythonKeyListener(PyObject* self) : PythonBridge(self) {}

    void keyPressed(const std::shared_ptr<KeyEvent>& event) override { callLogged("keyPressed", event); }
    void keyReleased(const std::shared_ptr<KeyEvent>& event) override { callLogged("keyReleased", event); }
};

class PythonMouseListener : public MouseListener, public PythonBridge
{
public:
    explicit PythonMouseListener(PyObject* self) : PythonBridge(self) {}

    void mousePressed(const std::shared_ptr<MouseEvent>& event) override { callLogged("mousePressed", event); }
    void mouseReleased(const std::shared_ptr<MouseEvent>& event) override { callLogged("mouseReleased", event); }
    void mouseMoved(const std::shared_ptr<MouseEvent>& event) override { callLogged("mouseMoved", event); }
};

class PythonWindowListener : public WindowListener, public PythonBridge
{
public:
    explicit PythonWindowListener(PyObject* self) : PythonBridge(self) {}

    void windowIconified(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowIconified", event);
    }
    void windowDeiconified(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowDeiconified", event);
    }
    void windowInputFocusGained(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowInputFocusGained", event);
    }
    void windowInputFocusLost(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowInputFocusLost", event);
    }
    void windowMouseFocusGained(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowMouseFocusGained", event);
    }
    void windowMouseFocusLost(const std::shared_ptr<WindowEvent>& event) override
    {
        callLogged("windowMouseFocusLost", event);
    }
};

/// The Python base classes' listener methods: what a subclass inherits for the
/// methods it leaves out.
template <class Listener, class EventClass>
void ignoreEvent(Listener&, const std::shared_ptr<EventClass>&)
{
}

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonKeyListener> : mpl::true_ {};
template <> struct has_back_reference<Tarnu::PythonMouseListener> : mpl::true_ {};
template <> struct has_back_reference<Tarnu::PythonWindowListener> : mpl::true_ {};
}
