#include "EmbeddedPython.h"
#include "InputFixtures.h"

#include <gtest/gtest.h>

#include <string>

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
