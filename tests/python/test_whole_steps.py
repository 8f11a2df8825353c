"""Steps that end whole and operations that happen whole or not at all: numbers that are not finite, or that would
overflow, refused by name where a script hands them in; a body whose move would leave the range of numbers stopped
where it is with one warning while the rest of the scene goes on; a process that raises passed over; the physics
queues left sound; graph operations that raise leaving the graph exactly as it was."""

import math

import pytest
from scene_prelude import run

from tarnu import (Circle, Complex, Entity, Event, EventListener, Force, GridPhysicsManager, Movable,
                   MovableActionEvent, Process, ProcessManager, Scale, SceneManager, SceneNode, StaticCollidable,
                   Vector2)

PING = 9300
HOSTILE = [math.nan, math.inf, -math.inf]
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"

# Each entry point: its name, the parameter it must name, and a call of it with the number x. Made in an engine of
# its own, since components come from the factory and text needs the font manager.
ENTRIES = """
FONT = %r
manager, events = ProcessManager.createNew(0.0), EventManager()
node, parent = SceneNode.createNew(), SceneNode.createNew()
movable, box = Movable(), RenderableGeometry.createFromBound(AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), 0)
sprite, label = OccludedAnimatable(OccludedQuad.HORIZONTAL, 0), DynamicTextDisplay(
    AxisAlignedBox(Vector2(0, 0), Vector2(50, 20)), FONT, 0, 10, "x")
finder = make("StraightLinePathfinder")
place(finder)
square, ring, turned = AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), Circle(Vector2(0, 0), 1), OrientedBox(
    Vector2(0, 0), Vector2(1, 1))
v, q, s = lambda x: Vector2(x, 0), lambda x: Complex(1, x), lambda x: Scale(1, x)
entries = [
    ("Event", "eventTime", lambda x: Event(1, x)),
    ("Timer", "time", lambda x: Timer(x, events, "t")),
    ("Timer.reset", "time", lambda x: Timer(0, events, "t").reset(x)),
    ("Process", "suspendTime", lambda x: Process(1, 1, True, x)),
    ("Process.suspend", "time", lambda x: Process().suspend(True, x)),
    ("ProcessManager.createNew", "startTime", lambda x: ProcessManager.createNew(x)),
    ("ProcessManager.updateProcess", "time", lambda x: manager.updateProcess(x)),
    ("EventManager.dispatchEvents", "time", lambda x: events.dispatchEvents(x)),
    ("SceneNode.createNew", "pos", lambda x: SceneNode.createNew(v(x))),
    ("SceneNode.createNew ori", "ori", lambda x: SceneNode.createNew(v(0), q(x))),
    ("SceneNode.createNew scl", "scl", lambda x: SceneNode.createNew(v(0), q(0), s(x))),
    ("Entity.createEntity", "pos", lambda x: Entity.createEntity(Movable(), "e", v(x))),
    ("SceneNode.setPosition", "pos", lambda x: node.setPosition(v(x))),
    ("SceneNode.setOrientation", "ori", lambda x: node.setOrientation(q(x))),
    ("SceneNode.setScale", "scl", lambda x: node.setScale(s(x))),
    ("SceneNode.translate", "v", lambda x: node.translate(v(x))),
    ("SceneNode.rotate", "ori", lambda x: node.rotate(q(x))),
    ("SceneNode.scale", "scl", lambda x: node.scale(s(x))),
    ("Movable.setVelocity", "velocity", lambda x: movable.setVelocity(v(x))),
    ("Movable.setVelocity speed", "speed", lambda x: movable.setVelocity(x, Complex(1, 0))),
    ("Movable.setVelocity direction", "direction", lambda x: movable.setVelocity(1, Complex(x, 0))),
    ("Movable.setVelocityX", "x", lambda x: movable.setVelocityX(x)),
    ("Movable.setVelocityY", "y", lambda x: movable.setVelocityY(x)),
    ("Movable.changeVelocity", "change", lambda x: movable.changeVelocity(v(x))),
    ("Movable.setRotationalVelocity", "rotationalVelocity", lambda x: movable.setRotationalVelocity(x)),
    ("Movable.setMass", "mass", lambda x: movable.setMass(x)),
    ("Force", "force", lambda x: Force(v(x), SceneNode.WORLD)),
    ("Force.setMagnitude", "magnitude", lambda x: Force(v(1), SceneNode.WORLD).setMagnitude(x)),
    ("TranslationalDecellerator", "rate", lambda x: TranslationalDecellerator(x)),
    ("TranslationalDecellerator.setRate", "rate", lambda x: TranslationalDecellerator(1).setRate(x)),
    ("MovableActionEvent vector", "vector", lambda x: MovableActionEvent(MovableActionEvent.SET_VELOCITY, v(x), 0, 0)),
    ("MovableActionEvent real", "real", lambda x: MovableActionEvent(MovableActionEvent.SET_MASS, v(0), x, 0)),
    ("MovableActionEvent time", "time", lambda x: MovableActionEvent(MovableActionEvent.SET_MASS, v(0), 0, x)),
    ("StaticCollidable", "bound", lambda x: StaticCollidable(Circle(v(0), x))),
    ("AxisAlignedBox.setMin", "min", lambda x: square.setMin(v(x))),
    ("AxisAlignedBox.setMax", "max", lambda x: square.setMax(v(x))),
    ("AxisAlignedBox.setCorners", "max", lambda x: square.setCorners(v(0), v(x))),
    ("Circle.setCenter", "center", lambda x: ring.setCenter(v(x))),
    ("Circle.setRadius", "radius", lambda x: ring.setRadius(x)),
    ("OrientedBox.setOrientation", "orientation", lambda x: turned.setOrientation(q(x))),
    ("OrientedBox.setDimensions", "dimensions", lambda x: turned.setDimensions(AxisAlignedBox(v(0), v(x)))),
    ("Pathfinder.setDest", "point", lambda x: finder.setDest(v(x))),
    ("PathfinderActionEvent", "position",
     lambda x: PathfinderActionEvent(PathfinderActionEvent.SET_VEC_DEST, v(x), "", 0)),
    ("Renderable.setAlpha", "alpha", lambda x: box.setAlpha(x)),
    ("RenderableGeometry.createFromBound zOrder", "zOrder", lambda x: RenderableGeometry.createFromBound(ring, x)),
    ("RenderableGeometry.createFromBound", "bound",
     lambda x: RenderableGeometry.createFromBound(AxisAlignedBox(v(x), v(1)), 0)),
    ("RenderableBox.update", "bound", lambda x: box.update(AxisAlignedBox(v(0), v(x)))),
    ("OccludedAnimatable", "zOrder", lambda x: OccludedAnimatable(OccludedQuad.VERTICAL, x)),
    ("OccludedAnimatable.setOcclusion", "occlusion", lambda x: sprite.setOcclusion(x)),
    ("OccludedAnimatable.setMinPos", "minPos", lambda x: sprite.setMinPos(x)),
    ("Animatable.setAnimation", "time", lambda x: sprite.setAnimation(Animatable.NO_ANIMATION, x)),
    ("Animatable.advancePosition", "dt", lambda x: sprite.advancePosition(x)),
    ("AnimationActionEvent.setPosition", "position", lambda x: AnimationActionEvent.setPosition(x)),
    ("DynamicTextDisplay zOrder", "zOrder", lambda x: DynamicTextDisplay(square, FONT, x, 10, "")),
    ("DynamicTextDisplay textSize", "textSize", lambda x: DynamicTextDisplay(square, FONT, 0, x, "")),
    ("DynamicTextDisplay box", "box",
     lambda x: DynamicTextDisplay(AxisAlignedBox(v(0), v(x)), FONT, 0, 10, "")),
    ("TextDisplay.setTextSize", "textSize", lambda x: label.setTextSize(x)),
]
def outcome(call, x):
    try:
        call(x)
        return "accepted"
    except Exception as error:
        return "%%s: %%s" %% (type(error).__name__, error)
for name, parameter, call in entries:
    say(name, [parameter] + [outcome(call, x) for x in (float("nan"), float("inf"), float("-inf"))])

# Finite numbers whose result overflows, where the result is known at the door.
far = SceneNode.createNew(Vector2(1e308, 0), Complex(1e200, 0), Scale(1e200, 1))
moving = Movable()
moving.setVelocity(Vector2(1e154, 0))
overflows = [
    ("ProcessManager.updateProcess", "time", lambda: ProcessManager.createNew(1e308).updateProcess(1e308)),
    ("SceneNode.setPosition", "pos", lambda: far.setPosition(Vector2(1e308, 0), SceneNode.LOCAL)),
    ("SceneNode.translate", "v", lambda: far.translate(Vector2(1e308, 0))),
    ("SceneNode.setOrientation", "ori", lambda: far.setOrientation(Complex(1e200, 0), SceneNode.LOCAL)),
    ("SceneNode.rotate", "ori", lambda: far.rotate(Complex(1e200, 0))),
    ("SceneNode.setScale", "scl", lambda: far.setScale(Scale(1e200, 1), SceneNode.LOCAL)),
    ("SceneNode.scale", "scl", lambda: far.scale(Scale(1e200, 1))),
    ("Movable.setVelocity", "velocity", lambda: moving.setVelocity(Vector2(1e308, 1e308))),
    ("Movable.setVelocity speed", "speed", lambda: moving.setVelocity(1e300, Complex(1, 0))),
    ("Movable.setVelocityX", "x", lambda: moving.setVelocityX(1e300)),
    ("Movable.setVelocityY", "y", lambda: moving.setVelocityY(1e300)),
    ("Movable.changeVelocity", "change", lambda: moving.changeVelocity(Vector2(0, 1e154))),
    ("Force", "force", lambda: Force(Vector2(1e308, 1e308), SceneNode.WORLD)),
]
say("overflows", [[name, parameter, outcome(lambda x: call(), 0)] for name, parameter, call in overflows])
say("unchanged", [str(far.getPosition()), str(far.getOrientation()), str(far.getScale()),
                  str(moving.getVelocity())])
""" % FONT


def test_every_entry_refuses_numbers_that_are_not_finite_or_would_overflow_by_the_parameters_name(run_script):
    said = run(run_script, ENTRIES)
    overflows, unchanged = said.pop("overflows"), said.pop("unchanged")
    assert len(said) == 57
    for name, (parameter, *outcomes) in said.items():
        for outcome in outcomes:
            assert outcome.startswith("ValueError: " + parameter + " must "), (name, outcome)
    for name, parameter, outcome in overflows:
        assert outcome.startswith("ValueError: " + parameter + " is out of range: "), (name, outcome)
    assert unchanged == ["<1e+308,0>", "(1e+200,0)", "(1e+200,1)", "<1e+154,0>"], "a refusal changes nothing"


class Heard(EventListener):
    def __init__(self):
        EventListener.__init__(self, PING)
        self.count = 0

    def handleEvent(self, event):
        self.count += 1


class Ticks(Process):
    def __init__(self):
        Process.__init__(self)
        self.count = 0

    def updateProcess(self, elapsed):
        self.count += 1


def set_by_event(entity, action, vector=Vector2(0, 0), real=0.0):
    # Events are not held to the setters' bounds on length: they are how such a body comes about.
    entity.postEvent(MovableActionEvent(action, vector, real, 0.0))


def runaway_velocity(entity, movable):
    # Finite for a step, past the largest number at the next.
    set_by_event(entity, MovableActionEvent.SET_VELOCITY, Vector2(1e307, 0))


def runaway_turn(entity, movable):
    set_by_event(entity, MovableActionEvent.SET_ROT_VELOCITY, real=1e308)


def runaway_push(entity, movable):
    # A force that keeps pushing the stopped body out of range: still one warning.
    movable.setMass(1e-300)
    movable.apply(Force(Vector2(1e10, 0), SceneNode.WORLD))


@pytest.mark.parametrize("cause", [runaway_velocity, runaway_turn, runaway_push])
def test_a_runaway_body_is_stopped_where_it_was_with_one_warning_and_the_scene_goes_on(cause, capfd):
    scene = SceneManager.createNew()
    GridPhysicsManager.createNew().connect(scene)
    node = Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 1)), "rocket", Vector2(5, 6))
    entity, movable = node.getEntity(), Movable()
    entity.addComponent(movable)
    scene.addNode(node)
    walking = Movable()
    walker = Entity.createEntity(walking, "walker")
    walking.setVelocity(Vector2(1, 0))
    scene.addNode(walker)
    cause(entity, movable)
    ticks, heard = Ticks(), Heard()
    scene.addProcess(ticks)
    scene.addEventListener(heard)
    places = []
    for _ in range(40):
        scene.queueEvent(Event(PING, 0.0))
        scene.updateProcess(10.0)
        places.append(str(node.getWorldPosition()))
    assert (ticks.count, heard.count) == (40, 40)
    assert places == [places[0]] * 40
    assert places[0] == ("<1e+308,6>" if cause is runaway_velocity else "<5,6>")
    assert (movable.getVelocity(), movable.getRotationalVelocity()) == (Vector2(0, 0), 0)
    assert walker.getWorldPosition() == Vector2(400, 0), "the rest of the step goes on"
    lines = capfd.readouterr().err.splitlines()
    # Carried to 1e308, the rocket has left the collision grid too, which is said once.
    outside = [line for line in lines if "is outside the collision grid" in line]
    assert len(outside) == (1 if cause is runaway_velocity else 0)
    warnings = [line for line in lines if line not in outside]
    assert len(warnings) == 1 and warnings[0].startswith(
        "Warning: the physics step stopped the movable of entity 'rocket' where it was: its velocity "), warnings
    scene.clear()


def test_a_process_that_raises_is_passed_over_with_a_warning_naming_its_type(capfd):
    scene, ticks, heard = SceneManager.createNew(), Ticks(), Heard()
    scene.addProcess(ProcessManager.createNew(1.79e308))  # its clock overflows at the first step
    scene.addProcess(ticks)
    scene.addEventListener(heard)
    doomed = Entity.createEntity(Movable(), "doomed")
    scene.addNode(doomed)
    doomed.getEntity().kill()
    for _ in range(3):
        scene.queueEvent(Event(PING, 0.0))
        scene.updateProcess(1e307)
    assert (ticks.count, heard.count, scene.getNumEntities()) == (3, 3, 0)
    warning = ("Warning: the update of a process of type Tarnu::ProcessManager raised an error and was passed over: "
               "time is out of range: the manager's clock would pass the largest number")
    assert capfd.readouterr().err.splitlines() == [warning] * 3


def test_physics_steps_stopped_halfway_by_runaway_bodies_leave_nothing_removed_behind(run_script):
    result = run_script("""
from tarnu import *
scene = SceneManager.createNew()
GridPhysicsManager.createNew().connect(scene)
class Quiet(CollidableListener):
    def entitiesCollided(self, event): print("hit", event.entity1.getName(), event.entity2.getName())
    def entitiesSeparated(self, event): print("apart", event.entity1.getName(), event.entity2.getName())
quiet = Quiet()
def body(name, bound, position, velocity):
    node = Entity.createEntity(StaticCollidable(bound), name, position)
    movable = Movable()
    node.getEntity().addComponent(movable)
    node.getEntity().addEventListener(quiet)
    node.getEntity().postEvent(MovableActionEvent(MovableActionEvent.SET_VELOCITY, velocity, 0, 0))
    scene.addNode(node)
    return node
a = body("a", AxisAlignedBox(Vector2(-3, -3), Vector2(3, 3)), Vector2(34, 16), Vector2(16, -2))
b = body("b", Circle(Vector2(0, 0), 1e308), Vector2(29, 28), Vector2(1e308, 1e308))
for dt in (-1.0, 1e9, -1.0):
    scene.updateProcess(dt)
    print("step", dt, b.getWorldPosition())
# Removed after the steps that stopped it, moved again, removed again: nothing may reach it afterwards.
scene.removeNode(b)
scene.addNode(b)
b.translate(Vector2(1, 1))
scene.clear()
del b
scene.updateProcess(0.1)
scene.addNode(a)
scene.updateProcess(0.1)
print("survived", scene.getNumEntities())
""")
    assert result.returncode == 0, result
    lines = result.stdout.splitlines()
    assert lines[-1] == "survived 1"
    assert [line for line in lines if line.startswith("step")] == [
        "step -1.0 <-1e+308,-1e+308>", "step 1000000000.0 <-1e+308,-1e+308>", "step -1.0 <-1e+308,-1e+308>"]
    assert result.stderr.count("the physics step stopped the movable of entity 'b'") == 1, result


def graph():
    """A scene with a parent far out and turned by a rotation of length 5, a child whose world place is fine, one
    whose world place overflows, and a loose node that cannot keep its world place below the parent."""
    scene = SceneManager.createNew()
    parent = Entity.createEntity(Movable(), "parent", Vector2(1e308, 1e308))
    parent.setOrientation(Complex(3, 4))
    near = Entity.createEntity(Movable(), "near")
    far = Entity.createEntity(Movable(), "far", Vector2(1e308, 0))
    parent.addChild(near)
    parent.addChild(far)
    scene.addNode(parent)
    loose = Entity.createEntity(Movable(), "loose", Vector2(-3, 4))
    return scene, parent, near, far, loose


def snapshot(scene, nodes):
    def of(node):
        parent = node.getParent()
        return (parent.getEntity().getName() if parent else None,
                node.hasChildren(), node.getManager() == scene,
                str(node.getPosition()), str(node.getOrientation()), str(node.getScale()))
    return ([of(node) for node in nodes], scene.getNumEntities(),
            [scene.getEntity(name) is not None for name in ("parent", "near", "far", "loose")])


@pytest.mark.parametrize("flat, operation, error", [
    (False, lambda parent, near, far, loose: parent.addChild(loose, True), ValueError),
    (False, lambda parent, near, far, loose: parent.removeChild(far, True), ValueError),
    (False, lambda parent, near, far, loose: parent.removeAll(True), ValueError),
    (True, lambda parent, near, far, loose: parent.addChild(loose, True), RuntimeError),
], ids=["addChild keeping the world", "removeChild keeping the world", "removeAll keeping the world",
        "addChild below a node scaled to nothing"])
def test_graph_operations_that_raise_leave_the_graph_as_it_was(flat, operation, error):
    scene, parent, near, far, loose = graph()
    if flat:
        parent.setScale(Scale(0, 1))
    nodes = (parent, near, far, loose)
    before = snapshot(scene, nodes)
    assert before[1:] == (3, [True, True, True, False])
    with pytest.raises(error):
        operation(parent, near, far, loose)
    assert snapshot(scene, nodes) == before
    # Without keeping the world there is nothing to overflow: the operations happen whole.
    parent.removeAll(False)
    parent.addChild(loose)
    assert [node.getParent() for node in (near, far)] == [None, None] and loose.getParent() == parent
    assert scene.getNumEntities() == 2 and scene.getEntity("loose") is not None
    scene.clear()
