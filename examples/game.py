"""A small Tarnu game: a window, a scene of entities made of Python
components, processes that move them, and keyboard, mouse and window input.

Arrow keys push the player, a mouse click drops a new drifter where it was
clicked, Escape (or closing the window) quits. Nothing is drawn yet: the
renderer comes in a later release, so the game reports what happens on the
console instead. Run it from the project's top folder after building.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build", "python"))

from tarnu import (Complex, Component, Entity, KeyEvent, KeyListener, LogManager,  # noqa: E402
                   MouseListener, Process, Root, SceneEvent, EventListener, SceneManager,
                   Timer, TimerListener, Vector2, WindowListener)


class Velocity(Component):
    """How fast its entity drifts, in pixels per second."""
    super = Component

    def __init__(self, velocity=None):
        Component.__init__(self)
        self.velocity = velocity or Vector2(0, 0)

    def createNew(self, params):
        return Velocity()

    def createCopy(self):
        return Velocity(Vector2(self.velocity))


class Motion(Process):
    """Moves every entity that has a Velocity, and keeps it inside the window."""

    def __init__(self, scene, entities):
        Process.__init__(self)
        self.scene = scene
        self.entities = entities

    def updateProcess(self, elapsed):
        for entity in self.entities:
            velocity = Component.getComponent("Velocity", entity)
            node = entity.getSceneNode()
            if velocity is None or node is None:
                continue
            node.translate(velocity.velocity * elapsed)
            position = node.getPosition()
            if not 0 <= position.x <= 800:
                velocity.velocity.x = -velocity.velocity.x
            if not 0 <= position.y <= 600:
                velocity.velocity.y = -velocity.velocity.y
        self.scene.getEntity("player").getSceneNode().rotate(Complex(elapsed))


class Controls(KeyListener):
    def __init__(self, player):
        KeyListener.__init__(self)
        self.player = player
        self.pushes = {KeyEvent.KEY_LEFT: Vector2(-40, 0), KeyEvent.KEY_RIGHT: Vector2(40, 0),
                       KeyEvent.KEY_UP: Vector2(0, -40), KeyEvent.KEY_DOWN: Vector2(0, 40)}

    def keyPressed(self, event):
        print("pressed", KeyEvent.getKeyName(event.key))
        push = self.pushes.get(event.key)
        if push is not None:
            Component.getComponent("Velocity", self.player).velocity += push


class Spawner(MouseListener):
    def __init__(self, scene, entities):
        MouseListener.__init__(self)
        self.scene = scene
        self.entities = entities

    def mousePressed(self, event):
        node = Entity.createEntity(Velocity(Vector2(event.x % 50 - 25, event.y % 50 - 25)), "",
                                   Vector2(event.x, event.y))
        self.scene.addNode(node)
        self.entities.append(node.getEntity())


class Focus(WindowListener):
    def windowInputFocusGained(self, event):
        print("window has the keyboard")

    def windowInputFocusLost(self, event):
        print("window lost the keyboard")


class Arrivals(EventListener):
    def __init__(self):
        EventListener.__init__(self, SceneEvent.TYPE)

    def handleEvent(self, event):
        if event.type == SceneEvent.ENTITY_ADDED:
            print("entered the scene:", repr(event.entity.getName()))


class Clock(TimerListener):
    """Reports every two seconds of game time."""

    def __init__(self, scene, entities):
        TimerListener.__init__(self)
        self.scene = scene
        self.entities = entities

    def timeUp(self, event):
        player = self.scene.getEntity("player")
        print("%.0f s: %d entities, player at %s" % (
            event.eventTime, self.scene.getNumEntities(), player.getWorldPosition()))
        self.scene.addProcess(Timer(2.0, self.scene, "tick"))


def main():
    root = Root()
    root.initialize(800, 600, 0, False)
    scene = SceneManager.createNew()
    arrivals = Arrivals()
    scene.addEventListener(arrivals)

    entities = []
    for index in range(3):
        node = Entity.createEntity(Velocity(Vector2(30 * (index + 1), 20)), "drifter%d" % index,
                                   Vector2(100 + 200 * index, 300))
        scene.addNode(node)
        entities.append(node.getEntity())
    player = Entity.createEntity(Velocity(), "player", Vector2(400, 300))
    scene.addNode(player)
    entities.append(player.getEntity())

    scene.addProcess(Motion(scene, entities))
    clock = Clock(scene, entities)
    scene.addEventListener(clock)
    scene.addProcess(Timer(2.0, scene, "tick"))

    input_manager = __import__("tarnu").InputManager.getSingleton()
    listeners = [Controls(player.getEntity()), Spawner(scene, entities), Focus()]
    for listener in listeners:
        input_manager.addEventListener(listener)

    root.run(scene, None, 60)
    LogManager.getSingleton().logMessageToDefault("The game ran for %.1f s of game time." % scene.getCurrentTime())

    # Processes and timers hold the scene they work on: end them, then empty the scene.
    del listeners, entities, player, clock
    scene.terminateAll()
    scene.clear()
    root.shutdown()


if __name__ == "__main__":
    main()
