"""Pathfinding as a game script sees it: entities that turn and dash to a point or after another entity (one that
moves, dies, leaves the scene, or is the walker itself), the arrival events and animations at their times, action
events from scripts and data files, and input that must be refused. Each scenario runs in its own process with a
headless root; walkers carry a sprite whose current animation shows what the walker queued."""

import math

import pytest

from logfiles import read_log
from scene_prelude import run
from tarnu import (Component, Entity, Event, FactoryEvent, Pathfinder, PathfinderActionEvent, PathfinderEvent,
                   StraightLinePathfinder, Vector2)
import tarnu

WALKERS = """
images.write_png("strip.png", 16, 32, lambda x, y: (255, 255, 255, 255))
open("walk.xml", "w").write('''<Data>
  <EntityTemplate name="Walk"/>
  <AnimationSequence name="still" type="StripSequence" stripSize="2" quad="&lt;-4,-4&gt;,&lt;4,4&gt;"
                     filename="strip.png"><Frame index="0" length="1"/></AnimationSequence>
  <AnimationSequence name="step" type="StripSequence" stripSize="2" quad="&lt;-4,-4&gt;,&lt;4,4&gt;"
                     filename="strip.png"><Frame index="1" length="1"/></AnimationSequence>
%s
</Data>''' % EXTRA)
EntityTemplateManager.getSingleton().loadTemplate("Walk", "walk.xml").load()
physics = GridPhysicsManager.createNew()
physics.connect(scene)
QUARTER = math.pi / 2
DT = 0.25

def walker(name, x=0.0, y=0.0, movable=True, finder=True):
    # Turns a quarter in 1 s and dashes 10 units a second.
    node = place(make("Animatable", zOrder=0, sequence0="still", name0="standing", fps0=1, sequence1="step",
                      name1="walking", fps1=1), name, x, y)
    entity = node.getEntity()
    if movable:
        entity.addComponent(make("Movable", mass=1))
    entity.addComponent(make("TurnAndDashPathwalker", rotSpeed=repr(QUARTER), transSpeed=10))
    if finder:
        entity.addComponent(make("StraightLinePathfinder"))
    return entity

def finder(entity):
    return Component.getComponent("Pathfinder", entity)

def state(entity):
    # Where it stands, which way it faces (degrees), what it shows, and its velocities.
    node, movable = entity.getSceneNode(), Component.getComponent("Movable", entity)
    where, velocity = node.getWorldPosition(), movable.getVelocity()
    return [round(where.x, 6), round(where.y, 6), round(math.degrees(node.getWorldOrientation().getAngle()), 6),
            Component.getComponent("Animatable", entity).getCurrentAnimation(), [velocity.x, velocity.y],
            movable.getRotationalVelocity()]

arrivals, kept = [], []
class Arrivals(EventListener):
    def __init__(self):
        EventListener.__init__(self, PathfinderEvent.TYPE)
    def handleEvent(self, event):
        entity = event.pathfinder.getEntity()
        assert event.pathfinder == finder(entity)
        arrivals.append([entity.getName(), event.eventTime, event.position.x, event.position.y])
        kept.append(event.position)
ear = Arrivals()

def listen(*entities):
    for entity in entities:
        entity.addEventListener(ear)

def steps(count, watch=None):
    seen = []
    for _ in range(count):
        scene.updateProcess(DT)
        if watch is not None:
            seen.append(state(watch))
    return seen
"""


def play(run_script, source, extra=""):
    return run(run_script, "EXTRA = %r\n" % extra + WALKERS + source)


def test_the_python_surface_of_pathfinding():
    for cls, base in [(Pathfinder, tarnu.Component), (PathfinderEvent, Event),
                      (PathfinderActionEvent, FactoryEvent), (StraightLinePathfinder, Pathfinder)]:
        assert cls.__bases__ == (base,), cls
    for cls in (Pathfinder, PathfinderEvent, StraightLinePathfinder):
        with pytest.raises(RuntimeError, match="cannot be instantiated"):
            cls()
    assert not hasattr(tarnu, "Pathwalker") and not hasattr(tarnu, "TurnAndDashPathwalker")
    assert [name for name in dir(Pathfinder) if not name.startswith("_") and name not in dir(tarnu.Component)] == [
        "clearDest", "setDest", "start", "stop"]
    names = ["SET_VEC_DEST", "SET_ENT_DEST", "CLEAR_DEST", "START_PATHING", "STOP_PATHING", "SET_VEC_DEST_AND_START",
             "SET_ENT_DEST_AND_START"]
    assert [int(getattr(PathfinderActionEvent.Action, name)) for name in names] == list(range(7))
    assert PathfinderActionEvent.SET_ENT_DEST_AND_START == PathfinderActionEvent.Action.SET_ENT_DEST_AND_START
    assert PathfinderActionEvent.FACTORY_TYPE == "PathfinderAction"
    # Numbered after the physics events, in the order of their classes.
    assert tarnu.MovableActionEvent.TYPE < PathfinderEvent.TYPE < PathfinderActionEvent.TYPE

    entity = Entity.createNew("target")
    for made in (PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST, Vector2(1, 2), "target", 2.0),
                 PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST, Vector2(1, 2), entity, 2.0),
                 PathfinderActionEvent(action=PathfinderActionEvent.STOP_PATHING, position=Vector2(1, 2),
                                       entity=None, time=2.0)):
        assert (made.getEventType(), made.eventTime) == (PathfinderActionEvent.TYPE, 2.0)
    with pytest.raises(TypeError):
        PathfinderActionEvent(PathfinderActionEvent.SET_VEC_DEST, Vector2(1, 2), "target")
    for position, time, parameter in [(Vector2(float("nan"), 0), 0.0, "position"), (Vector2(0, 0), float("inf"),
                                                                                      "eventTime")]:
        with pytest.raises(ValueError, match=parameter):
            PathfinderActionEvent(PathfinderActionEvent.SET_VEC_DEST, position, "", time)


def test_an_entity_turns_then_dashes_to_a_point_and_stops_there(run_script):
    said = play(run_script, """
up, down, ahead = walker("up"), walker("down", 100), walker("ahead", 200)
listen(up, down, ahead)
for entity, x, y in ((up, 0, 25), (down, 100, -25), (ahead, 225, 0)):
    finder(entity).setDest(Vector2(x, y))
    finder(entity).start()
trace = steps(1, up)
say("first", [state(down), state(ahead)])
say("up", trace + steps(15, up))
say("arrivals", arrivals)
say("kept", [[position.x, position.y] for position in kept])  # their events are gone
""")
    quarter = math.pi / 2
    # A quarter turn to the left takes 1 s, then 25 units at 10 a second take 2.5 s.
    up = said["up"]
    assert up[0] == [0, 0, 0, "standing", [0, 0], quarter]
    assert [step[2] for step in up[1:4]] == [22.5, 45, 67.5]
    assert up[4] == [0, 0, 90, "walking", [0, 10], 0]
    assert up[13] == [0, 22.5, 90, "walking", [0, 10], 0]
    assert up[14] == up[15] == [0, 25, 90, "standing", [0, 0], 0]
    # To the right the other way round; straight ahead it dashes in the update it first sees the point.
    assert said["first"] == [[100, 0, 0, "standing", [0, 0], -quarter], [200, 0, 0, "walking", [10, 0], 0]]
    assert said["arrivals"] == [["ahead", 2.75, 225, 0], ["up", 3.75, 0, 25], ["down", 3.75, 100, -25]]
    assert said["kept"] == [[225, 0], [0, 25], [100, -25]]


def test_a_walker_whose_waypoint_is_out_of_reach_gives_up_once_and_the_others_walk_on(run_script, tmp_path):
    said = play(run_script, """
lost, dodger, ahead = walker("lost", -1e308), walker("dodger", 0, 50), walker("ahead", 0, 100)
listen(lost, dodger, ahead)
# Ways longer than the largest number: from -1e308 to 1e308, and the dodger's dash once it is carried past its
# waypoint while it turns.
for entity, x, y in ((lost, 1e308, 0), (dodger, 0, 1e308), (ahead, 10, 100)):
    finder(entity).setDest(Vector2(x, y))
    finder(entity).start()
trace = steps(2, lost)
dodger.getSceneNode().setPosition(Vector2(0, -1e308))
say("lost", trace + steps(10, lost))
say("others", [state(dodger), state(ahead), arrivals])
""")
    assert said["lost"] == [[-1e308, 0, 0, "standing", [0, 0], 0]] * 12, "it never starts to spin"
    assert said["others"] == [[0, -1e308, 90, "standing", [0, 0], 0], [10, 100, 0, "standing", [0, 0], 0],
                              [["ahead", 1.25, 10, 100]]]
    assert [line for line in read_log(tmp_path / "TarnuLog.txt") if "gave up its path" in line] == [
        "Warning: the path walker of entity '%s' gave up its path: the way to %s cannot be measured in finite "
        "numbers." % name_and_place for name_and_place in (("lost", "<1e+308,0>"), ("dodger", "<0,1e+308>"))]


def test_a_follower_plans_again_until_the_target_stands_still(run_script):
    said = play(run_script, """
hunter, prey = walker("hunter"), walker("prey", 20, finder=False)
listen(hunter, prey)
# The name is looked up when the event is due, in the hunter's scene.
hunter.queueEvent(PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST_AND_START, Vector2.ZERO, "prey", 2.0))
Component.getComponent("Movable", prey).setVelocity(Vector2(5, 0))
trace = steps(12, hunter)
Component.getComponent("Movable", prey).setVelocity(Vector2.ZERO)
trace += steps(16, hunter)
say("hunter", [step[:2] + [step[3]] for step in trace])
say("arrivals", arrivals)
""")
    hunter = {0.25 * (index + 1): step for index, step in enumerate(said["hunter"])}
    assert hunter[1.75] == [0, 0, "None"] and hunter[2.0] == [0, 0, "standing"]
    # It dashes for where the prey stood at 2 s; the prey has gone on to 35 by then.
    assert hunter[2.25] == [0, 0, "walking"] and hunter[5.0] == [27.5, 0, "walking"]
    assert hunter[5.25] == [30, 0, "standing"] and hunter[5.5] == [30, 0, "walking"]
    assert hunter[6.0] == hunter[7.0] == [35, 0, "standing"]
    assert said["arrivals"] == [["hunter", 6.0, 35, 0]]


def test_a_chase_ends_where_a_target_that_died_or_left_was_last_seen(run_script):
    said = play(run_script, """
hunters = [walker(name, 0, 100 * index) for index, name in enumerate(("mortal", "leaver", "self", "stopped"))]
mortal, leaver = walker("mortal prey", 20, 0, finder=False), walker("leaving prey", 20, 100, finder=False)
listen(*hunters)
for hunter, target in zip(hunters, (mortal, leaver, hunters[2])):
    hunter.postEvent(PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST_AND_START, Vector2.ZERO, target, 0))
finder(hunters[3]).setDest(Vector2(20, 300))
finder(hunters[3]).start()
steps(4)
mortal.kill()
leaving = leaver.getSceneNode()
scene.removeNode(leaving)
leaving.setPosition(Vector2(50, 50))
finder(hunters[3]).clearDest()
say("stopped", state(hunters[3]))
steps(12)
say("arrivals", arrivals)
say("hunters", [state(hunter)[:2] + [state(hunter)[3]] for hunter in hunters])
say("left", leaving.getEntity().getName())
del leaving, leaver
""")
    # Stopped at once; the standing animation follows with the next update's events.
    assert said["stopped"] == [7.5, 300, 0, "walking", [0, 0], 0]
    # A target that died, or left for no scene and moved there, is chased to where it was last seen; the walker
    # that follows itself is there already.
    assert said["arrivals"] == [["self", 0.25, 0, 200], ["mortal", 2.25, 20, 0], ["leaver", 2.25, 20, 100]]
    assert said["hunters"] == [[20, 0, "standing"], [20, 100, "standing"], [0, 200, "standing"],
                               [7.5, 300, "standing"]]
    assert said["left"] == "leaving prey"


HUNT = """
  <EventScript name="Hunt">
    <Event type="PathfinderAction" time="1" destination="hunter"><Param name="action" value="SetEntDestAndStart"/>
      <Param name="entity" value="prey"/></Event>
    <Event type="PathfinderAction" time="1" destination="hunter"><Param name="action" value="startPathing"/></Event>
  </EventScript>"""


def test_event_scripts_steer_pathfinders_by_name_and_bad_actions_are_refused(run_script, tmp_path):
    said = play(run_script, """
hunter, prey = walker("hunter"), walker("prey", 20, 0, finder=False)
listen(hunter)
script = EventScriptManager.getSingleton().loadScript("Hunt", "walk.xml")
script.load()
scene.addProcess(script.createProcess(scene))
steps(4)
say("before", state(hunter)[:2])
steps(12)
say("arrivals", arrivals)

def refused(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return attempt(lambda: EventFactory.getSingleton().create(kind, params))
say("refused", [refused("PathfinderAction", action="clearDest"), refused("PathfinderAction"),
                refused("PathfinderAction", action="SetVecDest", position="<1,x>"),
                attempt(lambda: make("TurnAndDashPathwalker", rotSpeed=0, transSpeed=1)),
                attempt(lambda: make("TurnAndDashPathwalker", rotSpeed=1, transSpeed=-2)),
                attempt(lambda: make("TurnAndDashPathwalker", rotSpeed=1)),
                attempt(lambda: finder(hunter).setDest(Vector2(float("nan"), 0)))])
""", extra=HUNT)
    # The copy the script queues at 1 s still names its target.
    assert said["before"] == [0, 0] and said["arrivals"] == [["hunter", 3.25, 20, 0]]
    assert said["refused"] == ["RuntimeError: invalid action: clearDest", "RuntimeError: invalid action: ",
                               "RuntimeError: Unable to convert parameter 'position' to class Tarnu::Vector2"] + [
        "RuntimeError: invalid speed argumenets for TurnAndDashPathwalker"] * 2 + [
        "RuntimeError: Could not find parameter 'transSpeed'",
        "ValueError: point must have finite components, not <nan,0>"]
    assert ("Error: Loading EventScript Hunt, at row 11 and column 5: error creating event PathfinderAction: "
            "invalid action: startPathing") in read_log(tmp_path / "XmlSystemLogFile.txt")


def test_walks_survive_their_parts_going_and_leave_nothing_behind(run_script):
    said = play(run_script, """
leaving, still, lone = walker("leaving"), walker("still", 0, 200, movable=False), walker("lone", 0, 300)
listen(leaving, still, lone)
for entity in (leaving, still):
    finder(entity).setDest(Vector2(30, entity.getSceneNode().getWorldPosition().y))
    finder(entity).start()
# Events of the action type that are not action events, and an action with no target, change nothing.
lone.postEvent(Event(PathfinderActionEvent.TYPE, 0.0))
lone.postEvent(PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST_AND_START, Vector2(5, 5), "nobody", 0.0))
# An event that waits in the queue of the entity it names does not keep that entity alive.
doomed = walker("doomed", 0, 400)
doomed.queueEvent(PathfinderActionEvent(PathfinderActionEvent.SET_ENT_DEST, Vector2.ZERO, doomed, 100.0))
doomed.kill()
del doomed
steps(4)
node = leaving.getSceneNode()
scene.removeNode(node)
say("gone", state(leaving)[4:])
steps(4)
scene.addNode(node)
steps(12)
say("arrivals", arrivals)
say("where", [state(entity)[:2] + [state(entity)[3]] for entity in (leaving, lone)])
say("still", [still.getSceneNode().getWorldPosition().x, scene.getEntity("doomed")])
del node
""")
    # Out of its scene it stops at once; back in, it walks on to the point.
    assert said["gone"] == [[0, 0], 0]
    assert said["arrivals"] == [["leaving", 4.5, 30, 0]]
    assert said["where"] == [[30, 0, "standing"], [0, 300, "None"]]
    # Without a movable nothing moves; the killed entity is gone, and the prelude's exit checks that nothing leaked.
    assert said["still"] == [0, None]


def test_each_action_does_what_it_names(run_script):
    said = play(run_script, """
steered, mark = walker("steered"), walker("mark", 0, -20, finder=False)
def act(action, target=""):
    steered.postEvent(PathfinderActionEvent(getattr(PathfinderActionEvent, action), Vector2(30, 0), target, 0.0))
    steps(1)
    return [action] + state(steered)[4:]
trace = [act("SET_VEC_DEST"), act("START_PATHING"), act("STOP_PATHING"), act("START_PATHING"), act("CLEAR_DEST"),
         act("START_PATHING"), act("SET_ENT_DEST", "mark"), act("START_PATHING")]
steps(4)
trace += [act("STOP_PATHING"), act("SET_VEC_DEST_AND_START")]
say("trace", trace)
""")
    quarter = math.pi / 2
    assert said["trace"] == [
        ["SET_VEC_DEST", [0, 0], 0], ["START_PATHING", [10, 0], 0], ["STOP_PATHING", [0, 0], 0],
        ["START_PATHING", [10, 0], 0], ["CLEAR_DEST", [0, 0], 0], ["START_PATHING", [0, 0], 0],
        # The mark is behind the walker and to its right: it turns clockwise.
        ["SET_ENT_DEST", [0, 0], 0], ["START_PATHING", [0, 0], -quarter],
        ["STOP_PATHING", [0, 0], 0], ["SET_VEC_DEST_AND_START", [0, 0], quarter]]
