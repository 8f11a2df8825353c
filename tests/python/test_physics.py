"""Physics and movement as a game script drives them: movables reaching the places the
formulas give, action events, affectors, static collidables meeting movers, collision
listeners and finders, managers joining and leaving scenes, listeners that tear the
scene apart while they are told, and input that must be refused or survived."""

import gc
import math

import pytest

from logfiles import CLOSE_LOGS, LOGS, read_log
from tarnu import (AxisAlignedBox, Circle, CollidableEvent, CollidableListener, CollisionComponentFinder,
                   CollisionEntityFinder, Collidable, Complex, Component, Entity, Event, EventListener,
                   FactoryEvent, Force, GridPhysicsManager, Movable, MovableActionEvent, MovableAffector,
                   OrientedBox, ParameterList, PhysicsManager, Process, Scale, SceneManager, SceneNode,
                   StaticCollidable, TranslationalDecellerator, Vector2)

NAN, INF = float("nan"), float("inf")


def box(half):
    return AxisAlignedBox(Vector2(-half, -half), Vector2(half, half))


class Journal(CollidableListener):
    """Writes each collision it hears as (kind, first entity's name, second entity's name)."""

    def __init__(self, lines):
        CollidableListener.__init__(self)
        self.lines = lines

    def note(self, kind, event):
        name = lambda entity: entity.getName() if entity is not None else None
        self.lines.append((kind, name(event.entity1), name(event.entity2)))

    def entitiesCollided(self, event):
        self.note("hit", event)

    def entitiesSeparated(self, event):
        self.note("apart", event)


class Stage:
    """A scene with a grid physics manager; bodies are entities with a collidable and maybe a movable."""

    def __init__(self):
        self.scene = SceneManager.createNew()
        self.physics = GridPhysicsManager.createNew()
        self.physics.connect(self.scene)
        self.lines = []
        self.journal = Journal(self.lines)

    def body(self, name, shape, position, velocity=None, listen=True):
        node = Entity.createEntity(StaticCollidable(shape), name, position)
        entity = node.getEntity()
        if velocity is not None:
            movable = Movable()
            movable.setVelocity(velocity)
            entity.addComponent(movable)
        if listen:
            entity.addEventListener(self.journal)
        self.scene.addNode(node)
        return node

    def step(self, dt=1.0, times=1):
        for _ in range(times):
            self.scene.updateProcess(dt)


def test_the_python_surface_of_physics():
    for cls, base in [(GridPhysicsManager, PhysicsManager), (Movable, Component), (MovableActionEvent, FactoryEvent), (Force, MovableAffector),
                      (TranslationalDecellerator, MovableAffector), (Collidable, Component),
                      (CollidableEvent, Event), (CollidableListener, EventListener),
                      (CollisionComponentFinder, EventListener), (CollisionEntityFinder, EventListener),
                      (CollisionComponentFinder.FoundEvent, Event), (CollisionEntityFinder.FoundEvent, Event),
                      (StaticCollidable, Collidable)]:
        assert issubclass(cls, base), cls
    assert [base.__name__ for base in PhysicsManager.__bases__] == ["instance"], "no engine class above the manager"
    for cls in (PhysicsManager, GridPhysicsManager, MovableAffector, Collidable, CollidableEvent,
                CollisionComponentFinder.FoundEvent, CollisionEntityFinder.FoundEvent):
        with pytest.raises(RuntimeError, match="cannot be instantiated"):
            cls()
    scene = SceneManager.createNew()
    physics = GridPhysicsManager.createNew()
    physics.connect(scene)
    assert isinstance(scene.getPhysicsManager(), GridPhysicsManager) and scene.getPhysicsManager() == physics

    actions = ["SET_VELOCITY", "ADD_VELOCITY", "SCALE_VELOCITY", "ROTATE_VELOCITY", "SET_ROT_VELOCITY",
               "SCALE_ROT_VELOCITY", "SET_MASS"]
    assert [int(getattr(MovableActionEvent.Action, name)) for name in actions] == list(range(7))
    assert MovableActionEvent.SET_MASS == MovableActionEvent.Action.SET_MASS
    assert [int(CollidableEvent.ENTITIES_COLLIDED), int(CollidableEvent.ENTITIES_SEPARATED)] == [0, 1]
    assert MovableActionEvent.FACTORY_TYPE == "MovableAction"
    assert 0 < CollidableEvent.TYPE != MovableActionEvent.TYPE > 0
    event = MovableActionEvent(MovableActionEvent.ROTATE_VELOCITY, Vector2(1, 2), 0.5, 3.0)
    assert (event.action, event.vector, event.real, event.eventTime, event.getEventType()) == (
        MovableActionEvent.ROTATE_VELOCITY, Vector2(1, 2), 0.5, 3.0, MovableActionEvent.TYPE)
    assert not hasattr(Movable, "createStaticCollidable") and hasattr(StaticCollidable, "getBound")


def test_a_movable_reaches_the_places_the_formulas_give():
    stage = Stage()
    node = stage.body("mover", Circle(Vector2(0, 0), 1), Vector2(10, 5), Vector2(3, -2), listen=False)
    node.setOrientation(Complex(0.3))
    movable = Component.getComponent("Movable", node.getEntity())
    movable.setRotationalVelocity(0.5)
    movable.setMass(2.0)
    movable.apply(Force(Vector2(4, 1), SceneNode.LOCAL))

    dt = 0.25
    vx, vy, px, py = 3.0, -2.0, 10.0, 5.0
    r, i = node.getOrientation().r, node.getOrientation().i
    length = math.sqrt(4 * 4 + 1 * 1)
    for _ in range(12):
        # The force, turned by the node's own orientation, then the turn, then the move.
        dx, dy = 4 / length, 1 / length
        dx, dy = dx * r - dy * i, dx * i + dy * r
        k = length * dt / 2.0
        vx, vy = vx + dx * k, vy + dy * k
        a = 0.5 * dt
        c, s = math.cos(a), math.sin(a)
        r, i = r * c - i * s, r * s + i * c
        px, py = px + vx * dt, py + vy * dt
        stage.step(dt)
        assert (node.getPosition().x, node.getPosition().y) == (px, py)
        assert (node.getOrientation().r, node.getOrientation().i) == (r, i)
        assert (movable.getVelocity().x, movable.getVelocity().y) == (vx, vy)

    # A decelerator cuts rate * dt / mass from the speed, keeping the heading, down to rest.
    still = Stage()
    braked = still.body("braked", box(1), Vector2(0, 0), Vector2(3, -4), listen=False)
    brakes = Component.getComponent("Movable", braked.getEntity())
    brakes.setMass(2.0)
    brakes.apply(TranslationalDecellerator(4.0))
    still.step(0.5)  # speed 5, cut 1
    assert brakes.getVelocity() == Vector2(3 / 5 * 4, -4 / 5 * 4)
    assert braked.getPosition() == Vector2(3 / 5 * 4 * 0.5, -4 / 5 * 4 * 0.5)
    still.step(1.0)  # cut 2 of 4
    still.step(1.0)  # cut 2 of 2: exactly to rest
    assert brakes.getVelocity() == Vector2(0, 0)
    rested = braked.getPosition()
    still.step(1.0, 3)
    assert brakes.getVelocity() == Vector2(0, 0) and braked.getPosition() == rested
    # The speed is the root of the summed squares, to the last bit.
    brakes.setVelocity(Vector2(0.1, 1.5))
    still.step(0.5)
    speed, cut = math.sqrt(0.1 * 0.1 + 1.5 * 1.5), 4.0 * 0.5 / 2.0
    assert (brakes.getVelocity().x, brakes.getVelocity().y) == (0.1 / speed * (speed - cut), 1.5 / speed * (speed - cut))


# Two nodes above the movable, turned and scaled unevenly; the inner one inherits the outer's turn and scale or not.
@pytest.mark.parametrize("inherit", [True, False], ids=["inherited", "not inherited"])
def test_a_movable_under_turned_and_scaled_nodes_moves_by_its_velocity_in_world_space(inherit):
    stage = Stage()
    outer = SceneNode.createNew(Vector2(5, -3), Complex(-2.1), Scale(0.5, 2))
    inner = SceneNode.createNew(Vector2(5, -3), Complex(0.4), Scale(1, 3))
    inner.setInheritOrientation(inherit)
    inner.setInheritScale(inherit)
    stage.scene.addNode(outer)
    outer.addChild(inner)
    mover = Entity.createEntity(Movable(), "mover", Vector2(2, 1))
    inner.addChild(mover)
    Component.getComponent("Movable", mover.getEntity()).setVelocity(Vector2(3, -4))
    start = mover.getWorldPosition()
    for step in range(1, 5):
        stage.step(0.25)
        assert (mover.getWorldPosition() - start - Vector2(0.75, -1) * step).magnitude() < 1e-9, step


# At a quarter of a second a step and a mass of 0.5, the fast body's cut of 400 a step exceeds its speed of 150: it
# stops in its first step. The slow one loses 0.2 a step from 0.5 and stops in its third, when 0.1 is left (speeds
# below 1, whose squares are smaller than themselves, show a cut compared with the wrong power). Neither turns back.
@pytest.mark.parametrize("velocity, rate, seen", [
    (Vector2(-90, 120), 800.0, [(0, 0, 0)] * 5),
    (Vector2(0.3, -0.4), 0.4, [(0.3, 0.045, -0.06), (0.1, 0.06, -0.08)] + [(0, 0.06, -0.08)] * 3),
], ids=["fast", "slow"])
def test_a_decelerator_stops_a_movable_without_turning_it_back_at_the_step_its_speed_runs_out(velocity, rate, seen):
    stage = Stage()
    node = stage.body("braked", box(1), Vector2(0, 0), velocity, listen=False)
    movable = Component.getComponent("Movable", node.getEntity())
    movable.setMass(0.5)
    movable.apply(TranslationalDecellerator(rate))
    for speed, x, y in seen:
        stage.step(0.25)
        assert (movable.getVelocity().magnitude(), node.getPosition().x, node.getPosition().y) == pytest.approx(
            (speed, x, y), abs=1e-12)


def test_action_events_steer_a_movable_through_its_entity():
    stage = Stage()
    node = stage.body("steered", box(1), Vector2(0, 0), Vector2(1, 0), listen=False)
    entity, movable = node.getEntity(), Component.getComponent("Movable", node.getEntity())
    post = lambda action, vector=Vector2(0, 0), real=0.0: entity.postEvent(
        MovableActionEvent(action, vector, real, 0.0))

    post(MovableActionEvent.ROTATE_VELOCITY, real=math.pi / 2)
    assert abs(movable.getVelocity().x) < 1e-15 and movable.getVelocity().y == 1.0
    post(MovableActionEvent.SET_VELOCITY, Vector2(2, 3))
    post(MovableActionEvent.ADD_VELOCITY, Vector2(1, 1))
    post(MovableActionEvent.SCALE_VELOCITY, real=2.0)
    assert movable.getVelocity() == Vector2(6, 8)
    post(MovableActionEvent.SET_ROT_VELOCITY, real=0.25)
    post(MovableActionEvent.SCALE_ROT_VELOCITY, real=4.0)
    assert movable.getRotationalVelocity() == 1.0
    post(MovableActionEvent.SET_MASS, real=-3.0)
    assert movable.getMass() == 0.0
    post(MovableActionEvent.SET_MASS, real=2.0)
    assert movable.getMass() == 2.0
    # Queued for a later time, it acts in the scene's event pass of that step.
    entity.queueEvent(MovableActionEvent(MovableActionEvent.SET_VELOCITY, Vector2(0, 0), 0.0, 1.5))
    entity.postEvent(Event(MovableActionEvent.TYPE, 0.0))  # a bare event of the type is ignored
    stage.step(1.0)
    assert movable.getVelocity() == Vector2(6, 8)
    stage.step(1.0)
    assert movable.getVelocity() == Vector2(0, 0)

    # A velocity relative to the heading waits for the node and is turned when the entity enters a scene.
    pending = Movable()
    later = Entity.createNew("later")
    later.addComponent(pending)
    pending.setVelocity(2.0, Complex(1, 0))
    pending.changeVelocity(Vector2(1, 0))
    assert pending.getVelocity() == Vector2(3, 0)
    turned = SceneNode.createNew(Vector2(0, 0), Complex(0, 1))
    turned.attach(later)
    stage.scene.addNode(turned)
    assert pending.getVelocity() == Vector2(0, 3)
    # Setting one component clears the wait.
    cleared = Movable()
    cleared.setVelocity(2.0, Complex(1, 0))
    cleared.setVelocityX(5)
    other = Entity.createNew("cleared")
    other.addComponent(cleared)
    node = SceneNode.createNew(Vector2(0, 0), Complex(0, 1))
    node.attach(other)
    stage.scene.addNode(node)
    assert cleared.getVelocity() == Vector2(5, 0)


def test_parameter_lists_make_movables_and_static_collidables():
    def params(**values):
        made = ParameterList()
        for key, value in values.items():
            made.add(key, value)
        return made

    with pytest.raises(RuntimeError, match=r"^Invalid type in Movable ParamList\.$"):
        Movable().createNew(params(mass="heavy"))
    made = Movable().createNew(params(mass="2", velocity="<1,2>", rotationalVelocity="0.5", force="<3,0>"))
    assert (made.getMass(), made.getVelocity(), made.getRotationalVelocity()) == (2.0, Vector2(1, 2), 0.5)
    with pytest.raises(RuntimeError, match="forceSpace"):
        Movable().createNew(params(force="<3,0>", forceSpace="Sideways"))
    assert Movable().createNew(params(mass="-3")).getMass() == -3.0
    relative = Movable().createNew(params(velocity="<2,0>", relativeToOrienation="true"))
    entity = Entity.createNew("relative")
    entity.addComponent(relative)
    node = SceneNode.createNew(Vector2(0, 0), Complex(0, 1))
    node.attach(entity)
    SceneManager.createNew().addNode(node)
    assert relative.getVelocity() == Vector2(0, 2)

    prototype = StaticCollidable(box(1))
    with pytest.raises(RuntimeError, match="Could not find parameter 'type'"):
        prototype.createNew(params())
    with pytest.raises(RuntimeError, match=r"^Invalid type parameter for StaticCollidable\.$"):
        prototype.createNew(params(type="Triangle"))
    short = prototype.createNew(params(type="AABB", min="<1,2>", max="<3,4>"))
    long = prototype.createNew(params(type="AxisAlignedBox", min="<1,2>", max="<3,4>"))
    assert short.getBound() == long.getBound() == AxisAlignedBox(Vector2(1, 2), Vector2(3, 4))
    assert prototype.createNew(params(type="Circle", center="<1,1>", radius="2")).getBound() == Circle(
        Vector2(1, 1), 2)


def test_numbers_that_are_not_finite_are_refused_with_the_parameter_named():
    movable = Movable()
    refused = [
        (lambda: movable.setVelocity(Vector2(NAN, 0)), "velocity"),
        (lambda: movable.setVelocity(INF, Complex(1, 0)), "speed"),
        (lambda: movable.setVelocity(1.0, Complex(NAN, 0)), "direction"),
        (lambda: movable.setVelocityX(INF), "x"),
        (lambda: movable.setVelocityY(NAN), "y"),
        (lambda: movable.changeVelocity(Vector2(0, -INF)), "change"),
        (lambda: movable.setRotationalVelocity(NAN), "rotationalVelocity"),
        (lambda: movable.setMass(INF), "mass"),
        (lambda: Force(Vector2(NAN, 1), SceneNode.WORLD), "force"),
        (lambda: Force(Vector2(1, 1), SceneNode.WORLD).setMagnitude(INF), "magnitude"),
        (lambda: TranslationalDecellerator(NAN), "rate"),
        (lambda: TranslationalDecellerator(1.0).setRate(-INF), "rate"),
        (lambda: MovableActionEvent(MovableActionEvent.SET_VELOCITY, Vector2(INF, 0), 0.0, 0.0), "vector"),
        (lambda: MovableActionEvent(MovableActionEvent.SET_MASS, Vector2(0, 0), NAN, 0.0), "real"),
        (lambda: MovableActionEvent(MovableActionEvent.SET_MASS, Vector2(0, 0), 1.0, INF), "time"),
    ]
    for call, parameter in refused:
        with pytest.raises(ValueError, match="^%s must" % parameter):
            call()
    assert movable.getVelocity() == Vector2(0, 0) and movable.getMass() == 0.0


def test_zero_force_zero_mass_and_rest_make_no_nan_and_wild_places_do_no_harm():
    stage = Stage()
    massless = stage.body("massless", box(1), Vector2(0, 0), Vector2(0, 0), listen=False)
    pushed = Component.getComponent("Movable", massless.getEntity())
    pushed.apply(Force(Vector2(0, 0), SceneNode.WORLD))
    pushed.apply(TranslationalDecellerator(0.0))
    stage.step(1.0)
    assert pushed.getVelocity() == Vector2(0, 0) and massless.getPosition() == Vector2(0, 0)
    # A mass of zero counts as one.
    pushed.apply(Force(Vector2(2, 0), SceneNode.WORLD))
    stage.step(0.5)
    assert pushed.getVelocity() == Vector2(1, 0) and massless.getPosition() == Vector2(0.5, 0)

    # Places far outside the grid: the body is in no cell, and it meets others again on its return.
    # Places that are not finite are refused at the door.
    target = stage.body("target", box(2), Vector2(100, 100))
    wild = stage.body("wild", box(2), Vector2(0, 0))
    fast = stage.body("fast", Circle(Vector2(0, 0), 1), Vector2(-50, -50), Vector2(1e150, 1e150))
    for place in (Vector2(1e300, -1e300), Vector2(-1e300, 1e300)):
        wild.setPosition(place)
        stage.step(1.0, 2)
    for place in (Vector2(INF, 0), Vector2(NAN, NAN)):
        with pytest.raises(ValueError, match="^pos must have finite components"):
            wild.setPosition(place)
    wild.setPosition(Vector2(101, 101))
    stage.step(1.0)
    assert stage.lines == [("hit", "wild", "target")] * 2, "heard on both entities"
    # Without a node a movable is skipped; its values still answer to events.
    loose = Entity.createNew("loose")
    drifting = Movable()
    loose.addComponent(drifting)
    loose.postEvent(MovableActionEvent(MovableActionEvent.SET_VELOCITY, Vector2(1, 1), 0.0, 0.0))
    assert drifting.getVelocity() == Vector2(1, 1)
    stage.step(1.0)
    del fast


def test_static_collidables_meet_movers_and_never_move():
    stage = Stage()
    wall = stage.body("wall", box(5), Vector2(0, 0), listen=False)
    stage.body("ball", Circle(Vector2(0, 0), 1), Vector2(-20, 0), Vector2(4, 0), listen=False)
    stage.body("brick", OrientedBox(Vector2(-1, -1), Vector2(1, 1), Complex(0.7)), Vector2(20, 0.5), Vector2(-4, 0),
               listen=False)

    class Wall(CollidableListener):
        def __init__(self):
            CollidableListener.__init__(self)
            self.heard = []

        def entitiesCollided(self, event):
            self.heard.append(("hit", event.entity1.getName(), self.other(event)))

        def entitiesSeparated(self, event):
            self.heard.append(("apart", self.other(event)))

        def other(self, event):
            return event.getOther(Component.getComponent("Collidable", wall.getEntity())).getName()

    listener = Wall()
    wall.getEntity().addEventListener(listener)
    for _ in range(10):  # ball and brick pass through the wall and each other
        stage.step(1.0)
        assert wall.getPosition() == Vector2(0, 0) and wall.getOrientation() == Complex(1, 0)
    # The mover found the wall, so it is named first; the wall hears each contact begin and end once.
    assert listener.heard == [("hit", "ball", "ball"), ("hit", "brick", "brick"), ("apart", "ball"),
                              ("apart", "brick")]


def test_listeners_and_finders_answer_what_they_are_asked():
    stage = Stage()
    seeker = stage.body("seeker", box(1), Vector2(-3, 0), Vector2(1, 0), listen=False)
    target = stage.body("target", box(1), Vector2(0, 0), Vector2(0, 0), listen=False)
    bystander = stage.body("bystander", box(1), Vector2(50, 0), listen=False)

    class Heard(EventListener):
        def __init__(self, type):
            EventListener.__init__(self, type)
            self.heard = []

        def handleEvent(self, event):
            self.heard.append(event)

    class OnlyHits(CollidableListener):
        def __init__(self):
            CollidableListener.__init__(self)
            self.hits = []

        def entitiesCollided(self, event):
            self.hits.append((int(event.eventType), event.getOther(
                Component.getComponent("Movable", seeker.getEntity())).getName()))

    entity = seeker.getEntity()
    movers = CollisionComponentFinder(entity, "Movable", 141)
    walls = CollisionComponentFinder(entity, "Camera", 142)
    one = CollisionEntityFinder(entity, target.getEntity(), 105)
    two = CollisionEntityFinder(entity, bystander.getEntity(), 106, 107)
    only = OnlyHits()
    heard = {type: Heard(type) for type in (105, 106, 107, 141, 142)}
    for listener in [movers, walls, one, two, only] + list(heard.values()):
        entity.addEventListener(listener)
    stage.step(1.0, 2)  # seeker at -1: touching target
    stage.step(1.0, 3)  # seeker at 2: apart again
    assert only.hits == [(0, "target")], "separations reach a subclass without entitiesSeparated silently"
    found = heard[141].heard
    assert [(int(e.eventType), e.entity.getName(), type(e.component).__name__) for e in found] == [
        (0, "target", "Movable"), (1, "target", "Movable")]
    assert [int(e.eventType) for e in heard[105].heard] == [0, 1]
    assert heard[142].heard == heard[106].heard == heard[107].heard == []
    # Retargeted, and a target that is gone is never matched again.
    two.setTarget(target.getEntity())
    seeker.setPosition(Vector2(0.5, 0))
    stage.step(1.0)
    assert [e.getEventType() for e in heard[106].heard] == [106]
    # An event naming neither the owner nor a target is let through unanswered.
    entity.postEvent(MovableActionEvent(MovableActionEvent.SET_VELOCITY, Vector2(0, 0), 0.0, 0.0))
    assert len(heard[105].heard) == 3 and len(heard[106].heard) == 1
    for listener in [movers, walls, one, two, only]:
        entity.removeEventListener(listener)
    entity.postEvent(Event(CollidableEvent.TYPE, 0.0))  # a bare event of the type: ignored by the listeners


def test_a_python_listener_without_entities_collided_is_logged_at_each_collision(run_script, tmp_path):
    result = run_script(LOGS + """
    scene = SceneManager.createNew()
    GridPhysicsManager.createNew().connect(scene)
    class Deaf(CollidableListener):
        pass
    deaf = Deaf()
    for x in (0.0, 1.0):
        node = Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 1)), "e%d" % x, Vector2(x, 0))
        node.getEntity().addEventListener(deaf)
        scene.addNode(node)
    scene.updateProcess(1.0)
    print("> carried on")
    del scene, node, deaf
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert "> carried on" in result.stdout
    assert read_log(tmp_path / "PythonSystemLog.txt")[:2] == ["Exception thrown in entitiesCollided method."] * 2
    assert result.stderr.count("Pure virtual function called") == 2


def test_listeners_may_remove_readd_and_kill_what_they_are_told_about():
    stage = Stage()
    left = stage.body("left", box(2), Vector2(-1, 0))
    right = stage.body("right", box(2), Vector2(1, 0))
    third = stage.body("third", box(2), Vector2(0, 3))

    class Wrecker(CollidableListener):
        def entitiesCollided(self, event):
            stage.lines.append(("hit", event.entity1.getName(), event.entity2.getName()))
            if "left" in (event.entity1.getName(), event.entity2.getName()):
                # The third body leaves and comes back; both of the pair are killed.
                stage.scene.removeNode(third)
                stage.scene.addNode(third)
                event.entity1.kill()
                event.entity2.kill()

        def entitiesSeparated(self, event):
            name = lambda entity: entity.getName() if entity is not None else None
            stage.lines.append(("apart", name(event.entity1), name(event.entity2)))

    wrecker = Wrecker()
    for node in (left, right, third):
        node.getEntity().removeEventListener(stage.journal)
        node.getEntity().addEventListener(wrecker)
    stage.step(1.0)
    hits = [line for line in stage.lines if line[0] == "hit"]
    assert len(hits) == 2 * 3, "three contacts, heard on each side"
    assert stage.scene.getNumEntities() == 0
    del stage.lines[:]
    stage.step(1.0, 2)
    # Every contact ends once, heard on each side that is still there.
    apart = sorted(tuple(sorted(line[1:])) for line in stage.lines)
    assert apart == sorted([("left", "right")] * 2 + [("left", "third")] * 2 + [("right", "third")] * 2)


def test_a_manager_keeps_being_stepped_wherever_it_goes():
    first, second = SceneManager.createNew(), SceneManager.createNew()
    physics = GridPhysicsManager.createNew()
    physics.connect(first)
    physics.connect(second)  # already connected: nothing
    assert second.getPhysicsManager() is None
    node = Entity.createEntity(Movable(), "mover", Vector2(0, 0))
    Component.getComponent("Movable", node.getEntity()).setVelocity(Vector2(1, 0))
    second.addNode(node)

    class Mover(Process):
        def updateProcess(self, dt):
            # Leaves the first scene and joins the second while the first is stepping.
            physics.disconnect()
            physics.connect(second)

    first.addProcess(Mover())
    first.updateProcess(1.0)
    assert second.getPhysicsManager() == physics and first.getPhysicsManager() is None
    second.updateProcess(1.0)
    assert node.getPosition() == Vector2(1, 0)

    class Rejoin(Process):
        def updateProcess(self, dt):
            physics.disconnect()
            physics.connect(second)

    rejoin = Rejoin()
    second.addProcess(rejoin)
    second.updateProcess(1.0)
    rejoin.killProcess()
    second.updateProcess(1.0)
    second.updateProcess(1.0)
    assert node.getPosition() == Vector2(4, 0), "stepped once a step, through the rejoin"


def test_events_come_in_the_same_order_on_every_run():
    def run(spread):
        gc.collect()
        ballast = [Entity.createNew("ballast") for _ in range(spread)]  # moves the bodies' addresses
        stage = Stage()
        for i in range(24):
            angle = i * 2.4
            stage.body("b%d" % i, Circle(Vector2(0, 0), 3) if i % 2 else box(3),
                       Vector2(20 * math.cos(angle), 20 * math.sin(angle)),
                       Vector2(-4 * math.cos(angle), -4 * math.sin(angle)))
        stage.step(1.0, 12)
        del ballast
        return stage.lines

    first = run(0)
    assert len(first) > 40
    assert run(37) == first and run(211) == first


def test_start_up_registers_the_physics_prototypes_but_not_the_movable_action(run_script):
    result = run_script("""
from tarnu import *
root = Root()
root.initialize(64, 64, 0, False)
components, events = ComponentFactory.getSingleton(), EventFactory.getSingleton()
print(">", components.isRegistered("Movable"), components.isRegistered("StaticCollidable"),
      events.isRegistered("MovableAction"))
params = ParameterList()
params.add("type", "Circle")
params.add("radius", "3")
made = components.create("StaticCollidable", params)
print(">", type(made).__name__, made.getBound() == Circle(Vector2(0, 0), 3), made.getSuperType())
del made
root.shutdown()
""")
    assert result.returncode == 0, result
    said = [line[2:] for line in result.stdout.splitlines() if line.startswith("> ")]
    assert said == ["True True False", "StaticCollidable True Collidable"]


def test_a_collidable_outside_the_grid_is_reported_once_per_manager(run_script, tmp_path):
    # Straddling the edge is outside too: only a box wholly inside the grid is filed.
    result = run_script(LOGS + """
    scenes = []
    for places in ((("edge", 8190.0), ("far", 20000.0)), (("away", -9000.0),)):
        scenes.append(SceneManager.createNew())
        GridPhysicsManager.createNew().connect(scenes[-1])
        for name, x in places:
            scenes[-1].addNode(Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 4)), name, Vector2(x, 0)))
        for _ in range(3):
            scenes[-1].updateProcess(1.0)
    del scenes
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    reports = [line for line in result.stderr.splitlines() if "outside the collision grid" in line]
    report = ("Warning: the collidable of entity '%s' is outside the collision grid (-8192 to 8192 each way), its box "
              "from %s: there it collides with nothing. (Said once per physics manager and scene.)")
    assert reports == [report % ("edge", "<8186,-4> to <8194,4>"), report % ("away", "<-9004,-4> to <-8996,4>")]
    assert [line for line in read_log(tmp_path / "Main.txt") if "collision grid" in line] == reports
