#pragma once
// The application object: initialize brings the engine up (logs, SDL, input,
// window, then the roster of managers), run is the main loop, shutdown takes
// everything down again in a fixed order. Every manager is a singleton; Root
// keeps no pointers. A failure while starting rolls back what was started, so
// initialize can simply be called again. The roster's managers belong to the
// subsystems above this one, so the layer that assembles the engine hands it in.

#include <memory>

namespace Tarnu
{

class ProcessManager;
class RenderManager;
class StartupRollback;

class Root
{
public:
    Root();
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;
    /// Shuts the engine down when it is up; never throws.
    virtual ~Root();

    void initialize(int width, int height, int bitDepth, bool fullscreen);
    void shutdown();
    /// The main loop, until Escape or the window's closing; without a process manager it returns at once.
    void run(const std::shared_ptr<ProcessManager>& processManager,
             const std::shared_ptr<RenderManager>& renderManager, float fps);

    static bool isInitialized() { return initialized; }
    static bool isRunning() { return running; }
    /// Called at the start of every frame of run and during its sleeps, at least every
    /// 50 ms; it may throw to end the loop (the Python module checks for Ctrl-C there).
    static void setFrameHook(void (*hook)()) { frameHook = hook; }
    /// What initialize starts after the window (each start recording its undo in the rollback) and
    /// shutdown stops before it; without one, the engine is the window, input and logs alone.
    static void setRoster(void (*start)(StartupRollback&), void (*stop)())
    {
        startRoster = start;
        stopRoster = stop;
    }
    /// Shuts down an engine left running when the program ends; never throws.
    static void shutdownAtExit() noexcept;

private:
    static void shutdownEngine();

    static inline bool rootExists = false;
    static inline bool initialized = false;
    static inline bool running = false;
    static inline bool shuttingDown = false;
    static inline void (*frameHook)() = nullptr;
    static inline void (*startRoster)(StartupRollback&) = nullptr;
    static inline void (*stopRoster)() = nullptr;
};

}
