"""Data steering a running scene: event scripts played by processes, the action components that carry their
events out, spawners putting new scenes in over time, and the entity tracker. Each scenario runs in its own
process with an initialised Root (templates_prelude)."""

from logfiles import printed, read_log

PRELUDE = """
from templates_prelude import *

heard = []

class Heard(FactoryEvent):
    TYPE = 1000

    def __init__(self, tag="", time=0.0):
        FactoryEvent.__init__(self, Heard.TYPE, time)
        self.tag = tag

    def createNew(self, params):
        return Heard(params.get("tag"))

    def createCopy(self, time):
        return Heard(self.tag, time)

class Unsure(Heard):
    def createNew(self, params):
        return Unsure()

    def createCopy(self, time):
        raise ValueError("cannot copy")

class Ear(EventListener):
    def __init__(self, where):
        EventListener.__init__(self, Heard.TYPE)
        self.where = where

    def handleEvent(self, event):
        heard.append((self.where, event.tag, event.getEventTime()))

for cls in (Heard, Unsure):
    EventFactory.getSingleton().registerType(cls())

def place(entity, scene, position=Vector2(0, 0)):
    node = SceneNode.createNew(position)
    node.attach(entity)
    scene.addNode(node)
    return node

def present(scene, *names):
    return [name for name in names if scene.getEntity(name) is not None]
"""


def xml_errors(tmp_path):
    return [line for line in read_log(tmp_path / "XmlSystemLogFile.txt") if line.startswith(("Error", "Warning"))]


ACTIONS = """\
<Data>
  <EntityTemplate name="Director">
    <Component type="TemplateInstantiator"/><Component type="ComponentAdder"/><Component type="ScriptRunner"/>
  </EntityTemplate>
  <EntityTemplate name="Thing"><Component type="Probe"/></EntityTemplate>
  <EntityTemplate name="Extra"><Component type="Other"/></EntityTemplate>
  <EntityTemplate name="Starter"><Component type="RunScriptWhenAdded"><Param name="script" value="Short"/></Component></EntityTemplate>
  <SceneTemplate name="Pair"><SceneNode pos="<1,0>"><EntityTemplate template="Thing" name="pair"/></SceneNode></SceneTemplate>
  <EventScript name="Order">
    <Event type="Heard" time="2"><Param name="tag" value="first at 2"/></Event>
    <Event type="Heard"><Param name="tag" value="at 0"/></Event>
    <Event type="Nope" time="1"/>
    <Event time="1"/>
    <Event type="Heard" time="2"><Param name="tag" value="second at 2"/></Event>
    <Event type="ComponentAddition" time="1"><Param name="action" value="Remove"/></Event>
    <Event type="Unsure" time="0.5"/>
    <Event type="Heard" time="0.5" destination="director"><Param name="tag" value="to the director"/></Event>
    <Event type="Heard" time="0.5" destination="nobody"><Param name="tag" value="lost"/></Event>
  </EventScript>
  <EventScript name="Short"><Event type="Heard"><Param name="tag" value="short"/></Event></EventScript>
  <EventScript name="Empty"/>
  <EventScript name="Story">
    <Event type="TemplateInstantiation" time="0.5"><Param name="type" value="Entity"/><Param name="template" value="Thing"/>
      <Param name="name" value="made"/><Param name="pos" value="<3,4>"/></Event>
    <Event type="TemplateInstantiation" time="0.5"><Param name="type" value="Scene"/><Param name="template" value="Pair"/>
      <Param name="parent" value="made"/></Event>
    <Event type="ComponentAddition" time="1"><Param name="action" value="AddComponent"/><Param name="entity" value="made"/>
      <Param name="template" value="Extra"/><Param name="type" value="Other"/></Event>
    <Event type="ComponentAddition" time="1"><Param name="action" value="AddComponent"/><Param name="entity" value="director"/>
      <Param name="template" value="Extra"/><Param name="type" value="Other"/></Event>
    <Event type="ComponentAddition" time="1"><Param name="action" value="AddComponent"/><Param name="entity" value="made"/>
      <Param name="template" value="Untyped"/></Event>
    <Event type="ComponentAddition" time="1.5"><Param name="action" value="RemoveComponent"/><Param name="entity" value="made"/>
      <Param name="type" value="Probe"/></Event>
    <Event type="ComponentAddition" time="1.5"><Param name="action" value="KillEntity"/><Param name="entity" value="pair"/></Event>
    <Event type="ComponentAddition" time="2"><Param name="action" value="RemoveEntity"/><Param name="entity" value="made"/></Event>
    <Event type="ScriptRunner" time="2"><Param name="script" value="Short"/></Event>
  </EventScript>
</Data>
"""


def test_event_scripts_play_in_time_order_and_skip_what_they_cannot_make(run_script, data_file, tmp_path):
    data_file("act.xml", ACTIONS)
    result = run_script(PRELUDE + """
order = loaded("Order", "act.xml", scripts)
scene = SceneManager.createNew()
director = Entity.createNew("director")
director_ear = Ear("director")
director.addEventListener(director_ear)
place(director, scene)
ear = Ear("scene")
scene.addEventListener(ear)
process = order.createProcess(scene)
scene.addProcess(process)
for step in range(3):
    scene.updateProcess(1.0)
    said(step, heard, process.getProcessManager() is not None)
    del heard[:]
empty = loaded("Empty", "", scripts)
played = empty.createProcess(scene)
scene.addProcess(played)
scene.updateProcess(0.0)
said(empty.isLoaded(), empty.wasLoadError(), played.getProcessManager(), order.createProcess(None))
""")
    assert result.returncode == 0, result
    assert printed(result) == [
        (0, [("scene", "at 0", 1.0), ("director", "to the director", 1.0)], True),
        # Equal times keep document order; the process ends with its last event.
        (1, [("scene", "first at 2", 2.0), ("scene", "second at 2", 2.0)], False),
        (2, [], False),
        (True, False, None, None)]
    rows = ACTIONS.splitlines()

    def order(start):
        return "Error: Loading EventScript Order, at row %d and column 5: " % (
            next(number for number, row in enumerate(rows, 1) if row.startswith("    " + start)))
    log = xml_errors(tmp_path)
    assert log[:3] == [order('<Event type="Nope"') + "event Nope is not registered with factory.",
                       order('<Event time="1"/>') + "type attribute missing from Event.",
                       order('<Event type="ComponentAddition" time="1"><Param name="action" value="Remove"/>') +
                       "error creating event ComponentAddition: Invalid parameter for action."]
    assert log[3].startswith("Error: Playing EventScript Order: an event could not be copied and is passed over")
    assert log[4:] == ["Warning: Loading EventScript Empty, at row %d and column 3: no events were found."
                       % (rows.index('  <EventScript name="Empty"/>') + 1)]
    assert "ValueError: cannot copy" in result.stderr


def test_scene_actions_instantiate_add_remove_and_kill_at_their_times(run_script, data_file):
    data_file("act.xml", ACTIONS)
    result = run_script(PRELUDE + """
loaded("Director", "act.xml")
scene = SceneManager.createNew()
ear = Ear("scene")
scene.addEventListener(ear)
directors = [place(loaded("Director").createEntity(ParameterList(), name), scene) for name in ("director", "second")]
params = ParameterList()
params.add("script", "Story")
scene.queueEvent(EventFactory.getSingleton().create("ScriptRunner", params))
for step in range(6):
    scene.updateProcess(0.5)
    made = scene.getEntity("made")
    pair = scene.getEntity("pair")
    said(scene.getCurrentTime(), scene.getNumEntities(), made and (str(made.getWorldPosition()), types(made)),
         pair and (str(pair.getWorldPosition()), pair.getParentEntity().getName()),
         types(scene.getEntity("director")), heard)
# An addition without a type still asks for its template, and adds nothing from it.
untyped = entities.getResource("Untyped")
said(untyped is not None, untyped is not None and untyped.isLoaded())

# RunScriptWhenAdded plays its script each time its entity joins a scene.
del heard[:]
starter = loaded("Starter").createEntity(ParameterList(), "starter")
node = place(starter, scene)
scene.updateProcess(0.5)
scene.removeNode(node)
scene.updateProcess(0.5)
scene.addNode(node)
scene.updateProcess(0.5)
said(len(heard))

# An action component outside any scene hears nothing.
alone = SceneManager.createNew()
outside = loaded("Director").createEntity(ParameterList(), "outside")
params = ParameterList()
params.add("type", "Entity")
params.add("template", "Thing")
params.add("name", "never")
alone.queueEvent(EventFactory.getSingleton().create("TemplateInstantiation", params))
alone.updateProcess(0.5)
said(alone.getNumEntities())
""")
    assert result.returncode == 0, result
    lines = printed(result)
    assert lines[:6] == [
        (0.5, 2, None, None, [], []),
        # Two instantiators in the scene make one entity; the scene goes under the named parent.
        (1.0, 4, ("<3,4>", ["Probe"]), ("<4,4>", "made"), [], []),
        (1.5, 4, ("<3,4>", ["Probe", "Other"]), ("<4,4>", "made"), [], []),
        # Killing waits for the end of the step; removing a component acts at once.
        (2.0, 3, ("<3,4>", ["Other"]), None, [], []),
        (2.5, 2, None, None, [], []),
        (3.0, 2, None, None, [], [("scene", "short", 3.0)])]
    assert lines[6:] == [(True, False), (2,), (0,)]


SPAWNERS = """\
<Data>
  <EntityTemplate name="Thing"><Component type="Tracked"/></EntityTemplate>
  <SceneTemplate name="One"><SceneNode pos="<1,0>"><EntityTemplate template="Thing" name="spawned"/></SceneNode></SceneTemplate>
  <EntityTemplate name="Spawner">
    <Component type="UniformTimeIncrementSTC"><VarParam name="spawnRate" value="rate"/>
      <VarParam name="maxOnScreen" value="max"/><VarParam name="spawnNumber" value="number"/></Component>
    <Component type="StaticRandomDistributionSTG"><Param name="seed" value="7"/>
      <Param name="scene0" value="One"/><Param name="rate0" value="1"/></Component>
    <Component type="SpawnPointSTI"/>
    <DefaultValue name="max" value="0"/><DefaultValue name="number" value="1"/>
  </EntityTemplate>
  <EntityTemplate name="BadRate"><Component type="UniformTimeIncrementSTC"><Param name="spawnRate" value="-1"/>
    <Param name="maxOnScreen" value="0"/></Component></EntityTemplate>
  <EntityTemplate name="Impostor">
    <Component type="UniformTimeIncrementSTC"><Param name="spawnRate" value="1"/><Param name="maxOnScreen" value="0"/></Component>
    <Component type="SceneTemplateGenerator"/><Component type="SpawnPointSTI"/>
  </EntityTemplate>
</Data>
"""


def test_spawners_make_waves_keep_their_count_and_refuse_bad_rates(run_script, data_file, tmp_path):
    data_file("spawn.xml", SPAWNERS)
    result = run_script(PRELUDE + """
class SceneTemplateGenerator(Probe):
    super = Component

class Tracked(Probe):
    super = Component
    every = []

    def __init__(self):
        Probe.__init__(self)
        Tracked.every.append(self)

for cls in (SceneTemplateGenerator, Tracked, SpawnPointSTI):
    ComponentFactory.getSingleton().registerType(cls())
loaded("Thing", "spawn.xml")

class Juggler(Process):
    '''Takes the spawner out of its scene and puts it back, within one step, at the steps given.'''
    def __init__(self, scene, node, steps):
        Process.__init__(self)
        self.scene, self.node, self.steps, self.step = scene, node, steps, 0

    def updateProcess(self, elapsed):
        self.step += 1
        if self.step in self.steps:
            self.scene.removeNode(self.node)
            self.scene.addNode(self.node)

def spawned(scene):
    return scene.getNumEntities() - 1

def run(steps, dt, template="Spawner", juggle=(), clear=(), **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    scene = SceneManager.createNew()
    spawner = loaded(template).createEntity(params, "spawner")
    node = place(spawner, scene, Vector2(10, 20))
    scene.addProcess(Juggler(scene, node, juggle))
    counts = []
    for step in range(1, len(dt) * steps + 1 if isinstance(dt, list) else steps + 1):
        scene.updateProcess(dt[step - 1] if isinstance(dt, list) else dt)
        if step in clear:
            for component in Tracked.every:
                entity = component.getEntity()
                if entity is not None and entity.getSceneManager() == scene:
                    entity.getSceneNode().detachEntity()
        counts.append(spawned(scene))
    return counts, scene

counts, scene = run(12, 0.5, rate=2)
said(counts, str(scene.getEntity("spawned").getWorldPosition()))
said(run(1, [7, 0.5, 0.5], rate=2)[0])
# A step whose sum with the time carried over passes the largest number still leaves a finite remainder, from which
# later steps wave by their own time alone.
said(run(1, [1e308, 0.5, 0.4e308, 0.2e308, 0.5], rate=1.5e308)[0])
said(run(4, 1, rate=1, max=3, number=2, clear=(3,))[0], run(2, 1, rate=1, number=0)[0])
# Leaving and rejoining keeps it spawning, and a count reset on rejoining does not wrap when old spawns leave.
said(run(4, 1, rate=1, juggle=(2,))[0], run(5, 1, rate=1, max=1, juggle=(2,), clear=(3,))[0])
said(run(3, 1, "Impostor")[0], loaded("BadRate").createEntity().getName() != "")
for rate in ("0", "-2", "nan", "inf", "x"):
    params = ParameterList()
    params.add("spawnRate", rate)
    params.add("maxOnScreen", "0")
    try:
        ComponentFactory.getSingleton().create("UniformTimeIncrementSTC", params)
        said(rate, "made")
    except RuntimeError as error:
        said(rate, str(error))
""")
    assert result.returncode == 0, result
    refused = "Invalid parameter spawnRate: must be a finite number of seconds greater than 0."
    unreadable = "Unable to convert parameter 'spawnRate' to double"
    assert printed(result) == [
        # Waves at the 1st, 4th, 8th and 12th step, at the spawner's place.
        ([1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4], "<11,20>"),
        # Several intervals in one step give one wave, and the rest carries over.
        ([1, 1, 2],),
        # After the step that overflowed, a wave only when the steps' own time makes one.
        ([1, 1, 1, 2, 2],),
        # The cap is tested once per wave; spawnNumber 0 still makes one per wave.
        ([2, 4, 0, 2], [1, 2]),
        ([1, 3, 4, 5], [1, 2, 0, 1, 1]),
        ([0, 0, 0], True),
        ("0", refused), ("-2", refused), ("nan", unreadable), ("inf", unreadable), ("x", unreadable)]
    assert ("Error instantiating component UniformTimeIncrementSTC from factory when trying to load entity template "
            "BadRate: " + refused) in read_log(tmp_path / "XmlSystemLogFile.txt")


def test_truncated_and_garbled_data_files_are_logged_and_crash_nothing(run_script, data_file, tmp_path):
    data_file("act.txt", ACTIONS)
    data_file("spawn.txt", SPAWNERS)
    result = run_script(PRELUDE + """
import random

rng = random.Random(11)
sources = [open("act.txt").read(), open("spawn.txt").read()]
names = {entities: ["Director", "Thing", "Extra", "Starter", "Spawner", "BadRate", "Impostor"],
         scenes: ["Pair", "One"], scripts: ["Order", "Short", "Empty", "Story"]}

def garble(text):
    choice = rng.randrange(3)
    if choice == 0:
        return text[:rng.randrange(len(text))]
    chars = list(text)
    for _ in range(rng.randrange(1, 12)):
        at = rng.randrange(len(chars))
        if choice == 1:
            chars[at] = rng.choice('<>/"= \\nx1')
        else:
            del chars[at:at + rng.randrange(1, 30)]
    return "".join(chars)

scene = SceneManager.createNew()
for copy in range(80):
    name = "garbled%d.xml" % copy
    with open(name, "w") as out:
        out.write(garble(sources[copy % 2]))
    for manager, resources in names.items():
        for resource_name in resources:
            resource = manager.loadScript(resource_name, name) if manager is scripts else manager.loadTemplate(resource_name, name)
            resource.reload() if resource.isLoaded() else resource.load()
            if manager is entities:
                entity = resource.createEntity(ParameterList(), resource_name.lower())
                if entity is not None:
                    place(entity, scene)
            elif manager is scenes:
                resource.createSceneInManager(scene)
            else:
                scene.addProcess(resource.createProcess(scene))
    for _ in range(3):
        scene.updateProcess(0.5)
said("survived", scene.getNumEntities() > 0)
scene.clear()
""")
    assert result.returncode == 0, result
    assert printed(result) == [("survived", True)]
    broken = [line for line in xml_errors(tmp_path) if line.startswith("Error: Loading XmlFile garbled")]
    assert len(broken) > 20 and all(", at row " in line for line in broken)
