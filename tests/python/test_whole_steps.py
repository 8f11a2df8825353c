"""Steps that end whole and operations that happen whole or not at all: numbers that are not finite, or that would
overflow, refused by name where a script hands them in; a body whose move would leave the range of numbers stopped
where it is with one warning while the rest of the scene goes on; a process that raises passed over; the physics
queues left sound; graph operations that raise leaving the graph exactly as it was."""

import pytest
from scene_prelude import run

from tarnu import (AxisAlignedBox, Circle, CollidableListener, Complex, Entity, Event, EventListener, Force,
                   GridPhysicsManager, Movable, MovableActionEvent, Process, ProcessManager, Scale, SceneManager,
                   SceneNode, StaticCollidable, Vector2)

PING = 9300

# Entry points that take numbers, but for those whose area's tests already feed them numbers that are not finite,
# one for each place that checks: the parameter it must name and a call with the number x.
ENTRIES = [
    ("suspendTime", "Process(1, 1, True, x)"), ("scl", "SceneNode.createNew(v(0), q(0), s(x))"),
    ("ori", "node.setOrientation(q(x))"), ("scl", "node.setScale(s(x))"), ("v", "node.translate(v(x))"),
    ("ori", "node.rotate(q(x))"), ("bound", "StaticCollidable(Circle(v(0), x))"), ("min", "square.setMin(v(x))"),
    ("max", "square.setMax(v(x))"), ("center", "ring.setCenter(v(x))"), ("radius", "ring.setRadius(x)"),
    ("orientation", "turned.setOrientation(q(x))"), ("dimensions", "turned.setDimensions(AxisAlignedBox(v(0), v(x)))"),
    ("bound", "RenderableGeometry.createFromBound(AxisAlignedBox(v(x), v(1)), 0)"),
    ("bound", "box.update(AxisAlignedBox(v(0), v(x)))"), ("occlusion", "sprite.setOcclusion(x)"),
    ("minPos", "sprite.setMinPos(x)"), ("box", "DynamicTextDisplay(AxisAlignedBox(v(0), v(x)), FONT, 0, 10, '')")]
# Finite numbers whose result overflows, where the result is known at the door.
OVERFLOWS = [
    ("pos", "far.setPosition(v(1e308), SceneNode.LOCAL)"), ("v", "far.translate(v(1e308))"),
    ("ori", "far.setOrientation(Complex(1e200, 0), SceneNode.LOCAL)"), ("ori", "far.rotate(Complex(1e200, 0))"),
    ("scl", "far.setScale(Scale(1e200, 1), SceneNode.LOCAL)"), ("x", "moving.setVelocityX(1e300)"),
    ("velocity", "moving.setVelocity(Vector2(1e308, 1e308))"), ("speed", "moving.setVelocity(1e300, Complex(1, 0))"),
    ("y", "moving.setVelocityY(1e300)"), ("change", "moving.changeVelocity(Vector2(0, 1e154))"),
    ("force", "Force(Vector2(1e308, 1e308), SceneNode.WORLD)")]


def test_entries_refuse_numbers_that_are_not_finite_or_would_overflow_by_the_parameters_name(run_script):
    # An engine of its own, since text needs the font manager.
    said = run(run_script, """
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
v, q, s, one = lambda x: Vector2(x, 0), lambda x: Complex(1, x), lambda x: Scale(1, x), Vector2(1, 1)
square, ring, turned = AxisAlignedBox(v(0), one), Circle(v(0), 1), OrientedBox(v(0), one)
node, box = SceneNode.createNew(), RenderableGeometry.createFromBound(square, 0)
sprite = OccludedAnimatable(OccludedQuad.HORIZONTAL, 0)
far = SceneNode.createNew(Vector2(1e308, 0), Complex(1e200, 0), Scale(1e200, 1))
moving = Movable()
moving.setVelocity(Vector2(1e154, 0))
check = lambda call, x=None: attempt(lambda: eval("lambda x: " + call)(x))
say("entries", [[call] + [check(call, x) for x in (math.nan, math.inf, -math.inf)] for _, call in %r])
say("overflows", [check(call) for _, call in %r])
say("unchanged", [str(far.getPosition()), str(far.getOrientation()), str(far.getScale()), str(moving.getVelocity())])
""" % (ENTRIES, OVERFLOWS))
    for (parameter, _), (call, *outcomes) in zip(ENTRIES, said["entries"], strict=True):
        assert all(outcome.startswith("ValueError: %s must " % parameter) for outcome in outcomes), (call, outcomes)
    for (parameter, call), outcome in zip(OVERFLOWS, said["overflows"], strict=True):
        assert outcome.startswith("ValueError: %s is out of range: " % parameter), (call, outcome)
    assert said["unchanged"] == ["<1e+308,0>", "(1e+200,0)", "(1e+200,1)", "<1e+154,0>"], "a refusal changes nothing"


def steps(scene, count, dt, watch=lambda: None):
    """How many of count steps, each after a ping, a process and a listener saw, and what watch saw after each."""
    met, seen = [], []
    heard = type("Heard", (EventListener,), {"handleEvent": lambda self, event: met.append("ping")})(PING)
    scene.addProcess(type("Ticks", (Process,), {"updateProcess": lambda self, elapsed: met.append("tick")})())
    scene.addEventListener(heard)  # the script keeps its listeners
    for _ in range(count):
        scene.queueEvent(Event(PING, 0.0))
        scene.updateProcess(dt)
        seen.append(watch())
    return met.count("tick"), met.count("ping"), seen


# Events are not held to the setters' bounds on length: they are how such a body comes about.
@pytest.mark.parametrize("cause, place", [
    (lambda movable: MovableActionEvent(MovableActionEvent.SET_VELOCITY, Vector2(1e307, 0), 0, 0), "<1e+308,6>"),
    (lambda movable: MovableActionEvent(MovableActionEvent.SET_ROT_VELOCITY, Vector2(0, 0), 1e308, 0), "<5,6>"),
    # A force that keeps pushing the stopped body out of range: still one warning.
    (lambda movable: movable.setMass(1e-300) or movable.apply(Force(Vector2(1e10, 0), SceneNode.WORLD)), "<5,6>")],
    ids=["velocity", "turn", "push"])
def test_a_runaway_body_is_stopped_where_it_was_with_one_warning_and_the_scene_goes_on(cause, place, capfd):
    scene = SceneManager.createNew()
    GridPhysicsManager.createNew().connect(scene)
    node = Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 1)), "rocket", Vector2(5, 6))
    movable, walking = Movable(), Movable()
    node.getEntity().addComponent(movable)
    walker = Entity.createEntity(walking, "walker")
    walking.setVelocity(Vector2(1, 0))
    for added in (node, walker):
        scene.addNode(added)
    event = cause(movable)
    if event is not None:
        node.getEntity().postEvent(event)
    assert steps(scene, 40, 10.0, lambda: str(node.getWorldPosition())) == (40, 40, [place] * 40)
    assert (movable.getVelocity(), movable.getRotationalVelocity()) == (Vector2(0, 0), 0)
    assert walker.getWorldPosition() == Vector2(400, 0), "the rest of the step goes on"
    lines = capfd.readouterr().err.splitlines()
    # Carried to 1e308, the rocket has left the collision grid too, which is said once.
    outside = [line for line in lines if "is outside the collision grid" in line]
    assert len(outside) == (1 if place == "<1e+308,6>" else 0)
    warnings = [line for line in lines if line not in outside]
    assert len(warnings) == 1 and warnings[0].startswith(
        "Warning: the physics step stopped the movable of entity 'rocket' where it was: its velocity "), warnings
    scene.clear()


def test_a_process_that_raises_is_passed_over_with_a_warning_naming_its_type(capfd):
    scene = SceneManager.createNew()
    scene.addProcess(ProcessManager.createNew(1.79e308))  # its clock overflows at the first step
    doomed = Entity.createEntity(Movable(), "doomed")
    scene.addNode(doomed)
    doomed.getEntity().kill()
    assert steps(scene, 3, 1e307)[:2] == (3, 3) and scene.getNumEntities() == 0
    warning = ("Warning: the update of a process of type Tarnu::ProcessManager raised an error and was passed over: "
               "time is out of range: the manager's clock would pass the largest number")
    assert capfd.readouterr().err.splitlines() == [warning] * 3


def test_physics_steps_stopped_halfway_by_runaway_bodies_leave_nothing_removed_behind(capfd):
    class Touching(CollidableListener):
        def entitiesCollided(self, event):
            event.entity1.getName(), event.entity2.getName()
        entitiesSeparated = entitiesCollided

    scene, touching = SceneManager.createNew(), Touching()
    GridPhysicsManager.createNew().connect(scene)
    a, b = [Entity.createEntity(StaticCollidable(bound), name, place) for name, bound, place in (
        ("a", AxisAlignedBox(Vector2(-3, -3), Vector2(3, 3)), Vector2(34, 16)),
        ("b", Circle(Vector2(0, 0), 1e308), Vector2(29, 28)))]
    for node, velocity in ((a, Vector2(16, -2)), (b, Vector2(1e308, 1e308))):
        node.getEntity().addComponent(Movable())
        node.getEntity().addEventListener(touching)
        node.getEntity().postEvent(MovableActionEvent(MovableActionEvent.SET_VELOCITY, velocity, 0, 0))
        scene.addNode(node)
    for dt in (-1.0, 1e9, -1.0):
        scene.updateProcess(dt)
        assert str(b.getWorldPosition()) == "<-1e+308,-1e+308>"
    # Removed after the steps that stopped it, moved again, removed again: nothing may reach it afterwards.
    scene.removeNode(b)
    scene.addNode(b)
    b.translate(Vector2(1, 1))
    scene.clear()
    del b, node
    scene.updateProcess(0.1)
    scene.addNode(a)
    scene.updateProcess(0.1)
    assert scene.getNumEntities() == 1
    assert capfd.readouterr().err.count("the physics step stopped the movable of entity 'b'") == 1
    scene.clear()


# Keeping the world, one operation adds, one removes: the first child could leave, the second cannot.
@pytest.mark.parametrize("operation", [lambda parent, loose: parent.addChild(loose, True),
                                       lambda parent, loose: parent.removeAll(True)], ids=["addChild", "removeAll"])
def test_graph_operations_that_raise_leave_the_graph_as_it_was(operation):
    # A parent far out, turned by a rotation of length 5, a child whose world place is fine, one whose world place
    # overflows, and a loose node that cannot keep its world place below the parent.
    scene, names = SceneManager.createNew(), ("parent", "near", "far", "loose")
    nodes = parent, near, far, loose = [Entity.createEntity(Movable(), name, place) for name, place in zip(
        names, (Vector2(1e308, 1e308), Vector2(0, 0), Vector2(1e308, 0), Vector2(-3, 4)))]
    parent.setOrientation(Complex(3, 4))
    for child in (near, far):
        parent.addChild(child)
    scene.addNode(parent)

    def snapshot():
        return [(node.getParent(), node.hasChildren(), node.getManager() == scene, str(node.getPosition()),
                 str(node.getOrientation()), str(node.getScale())) for node in nodes] + [
            scene.getNumEntities()] + [scene.getEntity(name) is not None for name in names]
    before = snapshot()
    assert before[4:] == [3, True, True, True, False]
    with pytest.raises(ValueError, match="^child is out of range: "):
        operation(parent, loose)
    assert snapshot() == before
    # Without keeping the world there is nothing to overflow: the operations happen whole.
    parent.removeAll(False)
    parent.addChild(loose)
    assert [node.getParent() for node in (near, far, loose)] == [None, None, parent]
    assert scene.getNumEntities() == 2 and scene.getEntity("loose") is not None
    scene.clear()
