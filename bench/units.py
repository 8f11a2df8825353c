"""Benchmark of sight: N units of two players (the bodies of bench/physics.py on the same random walk), each with a
sight sensor (a circle of radius 48 on a child entity), a VisualReactor on the sensor and a state machine that
switches on what the unit sees: an EnemySightedEvent alerts it, a UnitSightedEvent calms it. Stepped headless
without drawing, beside the same scene with the sensors left out (the physics-only step) and with the sensors'
collidables but no reactors (what the sight components add beyond their collidables). A last pair of runs keeps
everyone still, so that nothing comes into or goes out of view.

Run: tools/build build && /usr/bin/python3 bench/units.py [N ...]
"""

import os
import sys
import time

os.environ.setdefault("SDL_VIDEODRIVER", "offscreen")
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from physics import DT, STEPS, WARMUP, Walk, tarnu  # noqa: E402

SIGHT = 48.0


class Watch(tarnu.UnitFSMComponent):
    """Counts its changes of state: the game's reaction to what its unit sees."""
    super = tarnu.Component
    changes = 0

    def __init__(self):
        tarnu.UnitFSMComponent.__init__(self, "watch")

    def stateChanged(self, old, new, event):
        Watch.changes += 1


class Counter(tarnu.EventListener):
    """Counts the sight reports of one type on the units it listens to."""

    def __init__(self, eventType):
        tarnu.EventListener.__init__(self, eventType)
        self.count = 0

    def handleEvent(self, event):
        self.count += 1


def define_watch():
    fsm = tarnu.FSMResourceManager.getSingleton().createEmptyFSM("watch")
    fsm.load()
    fsm.addState("calm", False, True)
    fsm.addState("alert")
    fsm.addTransition("calm", "alert", tarnu.EnemySightedEvent.TYPE)
    fsm.addTransition("alert", "calm", tarnu.UnitSightedEvent.TYPE)


def body_bound(walk, i):
    half = walk.half[i]
    if walk.circle[i]:
        return tarnu.Circle(tarnu.Vector2(0, 0), half)
    return tarnu.AxisAlignedBox(tarnu.Vector2(-half, -half), tarnu.Vector2(half, half))


def run(walk, sensors, reactors, moving=True, counters=None):
    """Milliseconds per step and state changes per step."""
    scene = tarnu.SceneManager.createNew()
    physics = tarnu.GridPhysicsManager.createNew()
    physics.connect(scene)
    movables = []
    for i in range(walk.n):
        node = tarnu.Entity.createEntity(tarnu.StaticCollidable(body_bound(walk, i)), "", tarnu.Vector2(*walk.pos[i]))
        unit = node.getEntity()
        movable = tarnu.Movable()
        if moving:
            movable.setVelocity(tarnu.Vector2(*walk.vel[i]))
        for component in (movable, tarnu.PlayerUnit(1, 1 + i % 2, ""), tarnu.UnitFSMController(), Watch()):
            unit.addComponent(component)
        for counter in counters or ():
            unit.addEventListener(counter)
        if sensors:
            sight = tarnu.Entity.createEntity(tarnu.StaticCollidable(tarnu.Circle(tarnu.Vector2(0, 0), SIGHT)))
            if reactors:
                sight.getEntity().addComponent(tarnu.VisualReactor())
            node.addChild(sight)
        scene.addNode(node)
        tarnu.Component.getComponent("UnitFSMController", unit).setFSM("watch")
        movables.append(movable)
    scene.updateProcess(DT)  # files everything and finds the first contacts
    walk.pos += walk.vel * DT
    elapsed, changes = 0.0, 0
    for step in range(WARMUP + STEPS):
        for i in walk.turns():
            if moving:
                movables[i].setVelocity(tarnu.Vector2(*walk.vel[i]))
        before = Watch.changes
        start = time.perf_counter()
        scene.updateProcess(DT)
        if step >= WARMUP:
            elapsed += time.perf_counter() - start
            changes += Watch.changes - before
        walk.pos += walk.vel * DT
    scene.clear()
    physics.disconnect()
    return elapsed / STEPS * 1e3, changes / STEPS


def main():
    root = tarnu.Root()
    root.initialize(64, 48, 0, False)
    define_watch()
    for n in [int(arg) for arg in sys.argv[1:]] or [1000, 5000]:
        bodies, _ = run(Walk(n), sensors=False, reactors=False)
        collidables, _ = run(Walk(n), sensors=True, reactors=False)
        sight, changes = run(Walk(n), sensors=True, reactors=True)
        counters = [Counter(kind.TYPE) for kind in (tarnu.UnitSightedEvent, tarnu.EnemySightedEvent)]
        run(Walk(n), sensors=True, reactors=True, counters=counters)
        seen, enemies = (counter.count / (WARMUP + STEPS) for counter in counters)
        still_collidables, _ = run(Walk(n), sensors=True, reactors=False, moving=False)
        still_sight, _ = run(Walk(n), sensors=True, reactors=True, moving=False)
        print("N=%5d  bodies only %7.3f ms/step  with sensors' collidables %7.3f ms  with sight %7.3f ms" % (
            n, bodies, collidables, sight))
        print("         sight / bodies only %.2fx, sight / sensors' collidables %.2fx" % (
            sight / bodies, sight / collidables))
        print("         per step: %.1f units sighted, %.1f enemies sighted, %.1f changes of state" % (
            seen, enemies, changes))
        print("         standing still: sensors' collidables %7.3f ms, with sight %7.3f ms (%.2fx)" % (
            still_collidables, still_sight, still_sight / still_collidables))
        sys.stdout.flush()
    root.shutdown()


if __name__ == "__main__":
    main()
