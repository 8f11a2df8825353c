"""A console example: processes, timers and events without a window.

A process manager runs a countdown process and a blinking process at their own
update rates; timers post events that Python listeners receive; the log manager
writes "example.log". Run it from the project's top folder after building.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "build", "python"))

import tarnu  # noqa: E402

STEP = 0.1


class Countdown(tarnu.Process):
    def __init__(self, seconds):
        tarnu.Process.__init__(self)
        self.left = seconds

    def updateProcess(self, elapsed):
        self.left -= elapsed
        if self.left <= 0:
            print("Countdown finished.")
            self.killProcess()

    def processTerminated(self):
        print("Countdown left its manager.")


class Blinker(tarnu.Process):
    def __init__(self):
        tarnu.Process.__init__(self, 5)  # every fifth step
        self.on = False

    def updateProcess(self, elapsed):
        self.on = not self.on
        print("Blink %s after %.1f s" % ("on" if self.on else "off", elapsed))


class Alarm(tarnu.TimerListener):
    def timeUp(self, event):
        print("Timer '%s' fired at %.1f s" % (event.name, event.eventTime))
        tarnu.LogManager.getSingleton().logMessageToDefault("Timer " + event.name + " fired")


def main():
    logs = tarnu.LogManager()
    logs.createLog("example.log", tarnu.LogFile.ML_NORMAL, True, tarnu.LogFile.ML_CRITICAL, True)

    manager = tarnu.ProcessManager.createNew(0.0)
    events = tarnu.EventManager()
    alarm = Alarm()
    events.addEventListener(alarm)

    manager.addProcess(Countdown(1.5))
    blinker = Blinker()
    manager.addProcess(blinker)
    manager.addProcess(tarnu.Timer(0.55, events, "short"))
    manager.addProcess(tarnu.Timer(2.0, events, "long"))

    while manager.getCurrentTime() < 2.5 - STEP / 2:
        manager.updateProcess(STEP)

    logs.logMessageToDefault("Example finished at %.1f s" % manager.getCurrentTime(), tarnu.LogFile.ML_CRITICAL)
    manager.terminateAll()


if __name__ == "__main__":
    main()
