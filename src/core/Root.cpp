#include "core/Root.h"

#include "core/CallbackScope.h"
#include "core/FrameClock.h"
#include "core/InputEvents.h"
#include "core/InputManager.h"
#include "core/LogManager.h"
#include "core/MainLoop.h"
#include "core/ProcessManager.h"
#include "core/ReentryGuard.h"
#include "core/StartupRollback.h"
#include "core/VideoManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"
#include "scene/Entity.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <iostream>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace Tarnu
{

namespace
{

/// Ends run when Escape is pressed.
class QuitListener : public KeyListener
{
public:
    void keyPressed(const std::shared_ptr<KeyEvent>& event) override
    {
        if (event->getKey() == KeyEvent::KEY_ESCAPE)
            quit = true;
    }
    void keyReleased(const std::shared_ptr<KeyEvent>&) override {}

    bool quit = false;
};

void reportSceneGraphLeaks()
{
    std::cout << (activeEntityCount == 0 && activeComponentCount == 0
                      ? "No memory leaks detected in scene graph.\n"
                      : "WARNING: MEMORY LEAK DETECTED IN SCENE GRAPH!\n")
              << std::flush;
}

void writeRunReport(const MainLoop& loop)
{
    LogManager* logs = LogManager::getSingletonPtr();
    if (!logs)
        return;
    logs->logMessageToDefault(loop.frameReport(), LogFile::ML_NORMAL);
    std::ostringstream totals;
    totals << "Total run time: " << loop.getRunTime() / 1000.0 << " Total Frame Count: " << loop.getFrames().size()
           << "\nActive Entities: " << activeEntityCount << "\nActive Components: " << activeComponentCount << "\n";
    logs->logMessageToDefault(totals.str(), LogFile::ML_CRITICAL);
}

}

Root::Root()
{
    if (rootExists)
        throw std::runtime_error("Root already initialized");
    rootExists = true;
}

Root::~Root()
{
    shutdownAtExit();
    rootExists = false;
}

void Root::initialize(int width, int height, int bitDepth, bool fullscreen)
{
    std::atexit(&reportSceneGraphLeaks);
    if (initialized)
        throw std::runtime_error("Root already initialized.");

    StartupRollback rollback;
    LogManager* logs = new LogManager();
    rollback.push([] { delete LogManager::getSingletonPtr(); });
    logs->createLog("TarnuLog.txt", LogFile::ML_NORMAL, true, LogFile::ML_CRITICAL, true);

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0)
    {
        const std::string message = std::string("Couldn't initialize SDL: ") + SDL_GetError();
        logs->logMessageToDefault(message, LogFile::ML_CRITICAL);
        throw std::runtime_error(message);
    }
    rollback.push(&SDL_Quit);

    new InputManager();
    rollback.push([] { delete InputManager::getSingletonPtr(); });
    const auto size = [](int value) { return value > 0 ? static_cast<std::uint32_t>(value) : 0u; };
    new VideoManager(VideoMode{size(width), size(height), size(bitDepth), fullscreen});
    rollback.push([] { delete VideoManager::getSingletonPtr(); });

    if (startRoster)
        startRoster(rollback);
    rollback.commit();
    initialized = true;
}

void Root::shutdown()
{
    shutdownEngine();
}

void Root::shutdownEngine()
{
    if (!initialized)
        throw std::runtime_error("Attempted to shutdown non initialized Root.");
    if (running)
        throw std::runtime_error("Attempted to shutdown Root while Root.run is running; leave run first.");
    // The engine call that is waiting for the callback would go on with managers deleted under it.
    if (CallbackScope::isOpen())
        throw std::runtime_error("Attempted to shutdown Root from inside a callback of the engine; "
                                 "shut it down once the engine call has returned.");
    // A manager's destruction may release script objects whose finalisers call back in.
    ReentryGuard guard(shuttingDown, "Attempted to shutdown Root while it is shutting down.");
    if (stopRoster)
        stopRoster();
    delete VideoManager::getSingletonPtr();
    delete InputManager::getSingletonPtr();
    LogManager::getSingleton().logMessageToDefault("", LogFile::ML_CRITICAL);
    SDL_Quit();
    delete LogManager::getSingletonPtr();
    initialized = false;
}

void Root::shutdownAtExit() noexcept
{
    if (!initialized || running || shuttingDown || CallbackScope::isOpen())
        return;
    try
    {
        shutdownEngine();
    }
    catch (const std::exception& error)
    {
        std::cerr << "Error while shutting the engine down: " << error.what() << '\n';
    }
    catch (...)
    {
        std::cerr << "Error while shutting the engine down.\n";
    }
}

void Root::run(const std::shared_ptr<ProcessManager>& processManager,
               const std::shared_ptr<RenderManager>& renderManager, float fps)
{
    if (!processManager)
        return;
    // The period is a whole number of milliseconds, kept in an int.
    if (!(fps > 0) || 1000.0 / fps > std::numeric_limits<int>::max())
    {
        std::ostringstream message;
        message << "Root.run: fps must be above 0 and give a frame period (1000/fps ms) of at most "
                << std::numeric_limits<int>::max() << " ms, not " << fps << ".";
        throw std::runtime_error(message.str());
    }
    ReentryGuard guard(running, "Root.run called from inside Root.run; a game has one main loop.");
    InputManager& input = InputManager::getSingleton();
    QuitListener quitListener;
    input.addEventListener(&quitListener);

    SdlClock clock;
    MainLoop loop(clock, fps);
    loop.run(
        [&] {
            if (frameHook)
                frameHook();
            return quitListener.quit;
        },
        [&](double timeStep) {
            const bool open = input.pumpEvents(0.0);
            processManager->updateProcess(timeStep);
            return open;
        },
        [&] {
            if (!renderManager)
                return;
            glClear(GL_COLOR_BUFFER_BIT);
            renderManager->render();
            VideoManager::getSingleton().swapBuffers();
        },
        [] {
            if (frameHook)
                frameHook();
        },
        std::cout);
    writeRunReport(loop);
}

}
