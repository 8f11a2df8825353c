#include "EmbeddedPython.h"
#include "InputFixtures.h"

#include "core/LogManager.h"
#include "core/PythonManager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

// Python listeners registered with the live input manager from a script.
class InputPython : public Testing::SdlInput
{
protected:
    void run(const std::string& code) { Embedded::runPython(code, space); }

    py::dict space = Embedded::pythonNamespace();
};

}

TEST_F(InputPython, SubclassesHearEngineEventsAsTheirOwnClassesAndInheritedMethodsDoNothing)
{
    run(R"(
heard = []
class Presses(tarnu.KeyListener):
    def keyPressed(self, event):
        heard.append((type(event).__name__, event.key, event.state, event.eventTime))
class Moves(tarnu.MouseListener):
    def mouseMoved(self, event):
        heard.append((event.state, event.x, event.y, event.dx, event.dy, event.button))
class AnyWindow(tarnu.EventListener):
    def __init__(self):
        tarnu.EventListener.__init__(self, tarnu.WindowEvent.TYPE)
    def handleEvent(self, event):
        heard.append((type(event).__name__, event.state))
listeners = [Presses(), Moves(), AnyWindow(), tarnu.WindowListener()]
manager = tarnu.InputManager.getSingleton()
for listener in listeners:
    manager.addEventListener(listener)
)");
    pushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    pushKey(SDL_KEYUP, SDLK_ESCAPE);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 1, 1);
    pushMotion(3, 4, -1, 2);
    pushWindow(SDL_WINDOWEVENT_LEAVE);
    pushKey(SDL_KEYDOWN, SDLK_F16);
    ASSERT_TRUE(input->pumpEvents(1.5));
    space["SDLK_F16"] = static_cast<long>(SDLK_F16);
    run(R"(
K, M, W = tarnu.KeyEvent, tarnu.MouseEvent, tarnu.WindowEvent
assert heard == [
    ('KeyEvent', K.KEY_ESCAPE, K.KEY_PRESSED, 1.5),
    (M.MOUSE_MOTION, 3, 4, -1, 2, 0),
    ('WindowEvent', W.WINDOW_LOST_MOUSE_FOCUS),
    ('KeyEvent', SDLK_F16, K.KEY_PRESSED, 1.5),
], heard
# A key without a name of ours still reads as a KeyType, and has SDL 1.2's answer.
assert isinstance(heard[-1][1], K.KeyType) and K.getKeyName(heard[-1][1]) == 'unknown key'
)");
}

TEST_F(InputPython, RaisingListenerIsReportedOncePerEventAndKeepsHearing)
{
    namespace fs = std::filesystem;
    const fs::path home = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("tarnu-input-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::current_path(dir);
    {
        LogManager logs;
        logs.createLog(PythonManager::LOG_NAME, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, false);
        run(R"(
moves = []
class Failing(tarnu.MouseListener):
    def mouseMoved(self, event):
        moves.append(event.x)
        raise ValueError('listener failed')
class Quiet(tarnu.MouseListener):
    def mouseMoved(self, event):
        moves.append(-event.x)
failing, quiet = Failing(), Quiet()
tarnu.InputManager.getSingleton().addEventListener(failing)
tarnu.InputManager.getSingleton().addEventListener(quiet)
)");
        pushMotion(1, 0, 0, 0);
        pushMotion(2, 0, 0, 0);
        EXPECT_TRUE(input->pumpEvents(0.0));
        EXPECT_FALSE(PyErr_Occurred());
        run("assert moves == [1, -1, 2, -2], moves\n");
    }
    fs::current_path(home);

    std::ifstream file(dir / PythonManager::LOG_NAME);
    std::vector<std::string> messages;
    for (std::string line; std::getline(file, line);)
        if (line.find(": Exception") != std::string::npos)
            messages.push_back(line.substr(line.find(": ") + 2));
    fs::remove_all(dir);
    EXPECT_EQ(messages, std::vector<std::string>(2, "Exception thrown in mouseMoved method."));
}

TEST_F(InputPython, ListenerDroppedDuringADeliveryIsNeverCalledAgain)
{
    run(R"(
calls = []
class DropsItself(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('first')
        global first
        del first
class DropsTheThird(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('second')
        global third
        third = None
class Third(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('third')
first, second, third = DropsItself(), DropsTheThird(), Third()
for listener in (first, second, third):
    tarnu.InputManager.getSingleton().addEventListener(listener)
del listener
)");
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_b);
    EXPECT_TRUE(input->pumpEvents(0.0));
    run("assert calls == ['first', 'second', 'second'], calls\n"
        "assert 'first' not in globals() and third is None\n");
}

TEST_F(InputPython, ReferenceToADeletedManagerRaisesInsteadOfReachingIt)
{
    run(R"(
manager = tarnu.InputManager.getSingleton()
assert isinstance(manager, tarnu.ProtectedEventManager)
listener = tarnu.KeyListener()
manager.addEventListener(None)
manager.addEventListener(listener)
manager.removeEventListener(listener)
)");
    input.reset();
    run(R"(
assert tarnu.InputManager.getSingleton() is None
for method in (manager.addEventListener, manager.removeEventListener):
    try:
        method(listener)
        raise AssertionError('no error')
    except RuntimeError as error:
        assert str(error) == 'Error: class Tarnu::InputManager was deleted; this reference to it is no longer valid.', str(error)
)");
}
