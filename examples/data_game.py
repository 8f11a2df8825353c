"""The data-driven Tarnu example: the arena, its creatures, a hatchery that breeds them and a timed script all
come from the XML files in examples/data/. The script only registers the Python components and events the data
names, builds the arena from its scene template, plays the intro script and reports what happens.

Nothing is drawn yet: the game tells on the console what enters and leaves the arena, where things are, and
what the script announces. Run it from the project's top folder after building; Escape (or closing the window)
quits.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "python"))

from tarnu import (Component, ComponentFactory, Entity, EntityTracker, EventFactory,  # noqa: E402
                   EventListener, EventScriptManager, FactoryEvent, LogManager, Process, Root, SceneEvent,
                   SceneManager, SceneTemplateManager, SpawnPointSTI, Timer, TimerListener, Vector2)

DATA_FILE = "examples/data/arena.xml"
VISITOR_FOUND, VISITOR_LOST = 5001, 5002


class Drift(Component):
    """Moves its entity at a constant "velocity", a parameter of its entity template."""
    super = Component

    def __init__(self, velocity=None):
        Component.__init__(self)
        self.velocity = velocity or Vector2(0, 0)

    def createNew(self, params):
        velocity = Vector2(0, 0)
        params.get("velocity", velocity)
        return Drift(velocity)

    def createCopy(self):
        return Drift(Vector2(self.velocity))


class Badge(Component):
    """A line of text that says who its entity is."""
    super = Component

    def __init__(self, text=""):
        Component.__init__(self)
        self.text = text

    def createNew(self, params):
        return Badge(params.get("text"))

    def createCopy(self):
        return Badge(self.text)


class Announce(FactoryEvent):
    """A line the script wants said, at the time it is due."""
    TYPE = 5000

    def __init__(self, text="", time=0.0):
        FactoryEvent.__init__(self, Announce.TYPE, time)
        self.text = text

    def createNew(self, params):
        return Announce(params.get("text"))

    def createCopy(self, time):
        return Announce(self.text, time)


def name_of(entity):
    badge = Component.getComponent("Badge", entity)
    return entity.getName() + (" (%s)" % badge.text if badge else "")


class Motion(Process):
    """Moves every drifting entity of the scene; drifters are remembered as they enter."""

    def __init__(self):
        Process.__init__(self)
        self.drifters = []

    def updateProcess(self, elapsed):
        for entity in list(self.drifters):
            drift, node = Component.getComponent("Drift", entity), entity.getSceneNode()
            if node is None or drift is None:
                continue
            node.translate(drift.velocity * elapsed)


class Reporter(EventListener):
    """Tells what enters and leaves the arena."""

    def __init__(self, scene, motion):
        EventListener.__init__(self, SceneEvent.TYPE)
        self.scene, self.motion = scene, motion

    def handleEvent(self, event):
        entity = event.entity
        if event.type == SceneEvent.ENTITY_ADDED:
            self.motion.drifters.append(entity)
            print("%5.2f s  enters: %-40s at %s" % (self.scene.getCurrentTime(), name_of(entity),
                                                    entity.getWorldPosition()))
        else:
            if entity in self.motion.drifters:
                self.motion.drifters.remove(entity)
            print("%5.2f s  leaves: %s" % (self.scene.getCurrentTime(), name_of(entity)))


class Announcer(EventListener):
    def __init__(self):
        EventListener.__init__(self, Announce.TYPE)

    def handleEvent(self, event):
        print("%5.2f s  script: %s" % (event.getEventTime(), event.text))


class Watcher(EventListener):
    """Hears the entity tracker on the director: the visitor found and lost."""

    def __init__(self, eventType, what):
        EventListener.__init__(self, eventType)
        self.what = what

    def handleEvent(self, event):
        print("%5.2f s  the director %s the visitor" % (event.getEventTime(), self.what))


class Census(TimerListener):
    """Every two seconds of game time: how many live in the arena, and where the herd follower is."""

    def __init__(self, scene):
        TimerListener.__init__(self)
        self.scene = scene

    def timeUp(self, event):
        follower = self.scene.getEntity("herd-follower")
        print("%5.2f s  census: %d entities; herd follower at %s" % (
            event.eventTime, self.scene.getNumEntities(), follower and follower.getWorldPosition()))
        self.scene.addProcess(Timer(2.0, self.scene, "census"))


def main():
    root = Root()
    root.initialize(800, 600, 0, False)
    # The data names these Python classes: they must be known before it loads.
    for component in (Drift(), Badge(), SpawnPointSTI()):
        ComponentFactory.getSingleton().registerType(component)
    EventFactory.getSingleton().registerType(Announce())

    arena = SceneTemplateManager.getSingleton().loadTemplate("Arena", DATA_FILE)
    arena.load()
    intro = EventScriptManager.getSingleton().loadScript("Intro", "")
    intro.load()
    if arena.wasLoadError() or intro.wasLoadError():
        sys.exit("The arena could not be loaded; see XmlSystemLogFile.txt.")

    scene = SceneManager.createNew()
    motion = Motion()
    listeners = [Reporter(scene, motion), Announcer(), Census(scene)]
    for listener in listeners:
        scene.addEventListener(listener)
    scene.addProcess(motion)
    arena.createSceneInManager(scene)
    scene.addProcess(intro.createProcess(scene))
    scene.addProcess(Timer(2.0, scene, "census"))

    director = scene.getEntity("director")
    watchers = [Watcher(VISITOR_FOUND, "sees"), Watcher(VISITOR_LOST, "lost sight of")]
    for watcher in watchers:
        director.addEventListener(watcher)
    tracker = EntityTracker("visitor")
    tracker.connect(scene, director, VISITOR_FOUND, VISITOR_LOST)

    root.run(scene, None, 60)
    LogManager.getSingleton().logMessageToDefault("The arena ran for %.1f s of game time." % scene.getCurrentTime())

    tracker.disconnect()
    del listeners, watchers, director
    scene.terminateAll()
    scene.clear()
    root.shutdown()


if __name__ == "__main__":
    main()
