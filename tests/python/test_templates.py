"""Data files, entity templates and scene templates as a game script loads and instantiates them. Each
scenario runs in its own process with an initialised Root (templates_prelude) and reads the data files the
test wrote into its working directory."""

import pytest

from logfiles import printed, read_log

PRELUDE = "from templates_prelude import *\n"


def xml_log(tmp_path):
    return [line for line in read_log(tmp_path / "XmlSystemLogFile.txt")
            if not line.startswith(("Loaded ", "Created ", "XmlFileManager shut down", "Log File Closed"))]


def test_data_files_search_directories_includes_and_their_faults(run_script, data_file, tmp_path):
    data_file("main.xml", r"""
        <Data>
          <SearchDirectory path="lib\"/>
          <SearchDirectory path="lib"/>
          <SearchDirectory/>
          <IncludeFile file="ents.xml"/>
          <IncludeFile file="ents.xml"/>
          <IncludeFile file="nowhere.xml"/>
          <IncludeFile file="deep\more.xml"/>
          <IncludeFile file="main.xml"/>
          <IncludeFile/>
          <IncludeFile file=""/>
          <EntityTemplate name="Local"><Component type="Probe"><Param name="a" value="main"/></Component></EntityTemplate>
          <EntityTemplate><Component type="Probe"/></EntityTemplate>
          <EntityTemplate name="Local"/>
          <Unknown name="x"/>
        </Data>""")
    data_file("data/ents.xml", """
        <Data>
          <EntityTemplate name="Local"><Component type="Probe"><Param name="a" value="ents"/></Component></EntityTemplate>
          <EntityTemplate name="Shared"><Component type="Probe"><Param name="a" value="ents"/></Component></EntityTemplate>
        </Data>""")
    data_file("lib/deep/more.xml", """
        <Data>
          <IncludeFile file="main.xml"/>
          <EntityTemplate name="Deep"><Component type="Probe"><Param name="a" value="deep"/></Component></EntityTemplate>
        </Data>""")
    data_file("later.xml", """
        <Data>
          <EntityTemplate name="Shared"><Component type="Probe"><Param name="a" value="later"/></Component></EntityTemplate>
          <Other name="nothing"/>
        </Data>""")
    data_file("quiet.xml", "<Data><Something name='x'/><EntityTemplat name='y'/></Data>")
    data_file("broken.xml", '<Data>\n  <EntityTemplate name="B">\n <B c=1/>\n</Data>\n')
    result = run_script(PRELUDE + """
loaded("Local", "main.xml").createEntity()
loaded("Deep").createEntity()
shared = loaded("Shared")
shared.createEntity()
loaded("Nothing", "later.xml")
shared.reload()
shared.createEntity()
loaded("Q", "quiet.xml")
said(loaded("B", "broken.xml").wasLoadError(), loaded("M", "missing.xml").wasLoadError())
said([entry for entry in made if entry[0] == "new"])
""")
    assert result.returncode == 0, result
    assert printed(result) == [
        (True, True),
        ([("new", "Probe", "main", "", ""), ("new", "Probe", "deep", "", ""), ("new", "Probe", "ents", "", ""),
          ("new", "Probe", "later", "", "")],)]
    log = xml_log(tmp_path)
    main = "Error: Loading XmlFile main.xml, at row %d and column 3: "
    assert log[:10] == [
        main % 3 + "duplicate path attribute lib/ of SearchDirectory.",
        main % 4 + "path attribute missing from SearchDirectory.",
        main % 6 + "duplicate name attribute ents.xml of IncludeFile.",
        main % 7 + "cannot find include file nowhere.xml in any search directories.",
        # Including itself, and more.xml including it back, end the cycle without a word.
        main % 10 + "file attribute missing from IncludeFile.",
        main % 11 + "cannot find include file  in any search directories.",
        main % 13 + "name attribute missing from EntityTemplate.",
        main % 14 + "duplicate name attribute Local of EntityTemplate.",
        # The quiet file's other tags say nothing; the parse error has its row and column.
        "Error: Loading EntityTemplate Nothing: cannot find element name in any loaded xml files.",
        "Error: Loading EntityTemplate Q: cannot find element name in any loaded xml files."]
    assert log[10].startswith("Error: Loading XmlFile broken.xml, at row 3 and column 7: ")
    assert log[11:13] == ["Error: Loading EntityTemplate B: cannot find element name in any loaded xml files.",
                          "Error: Loading XmlFile missing.xml: Failed to open file"]
    assert log[13:] == ["Error: Loading EntityTemplate M: cannot find element name in any loaded xml files."]


# Misfits whose places the log must give, at the start of a line or after blanks and tabs (a tab counts as one
# column): the lines of one data file, each with an element without a name, located at its "<"; and files of
# their own that do not parse, located where the parser stopped.
MISFITS = [
    ("<Data><EntityTemplate/>\n", 1, 7),
    ("<EntityTemplate/>\n", 2, 1),
    ("   <EntityTemplate/>\n", 3, 4),
    ("\t\t<EntityTemplate/>\r\n", 4, 3),
    (" \t <EntityTemplate/>\n", 5, 4),
    ('<EntityTemplate name="Ok"/><EntityTemplate/>\n', 6, 28),
    ("<EntityTemplate/></Data>\n", 7, 1),
]
BROKEN = [("<Data>\n<B c=1/>\n</Data>\n", 2, 6), ("<Data>\n\t  <B c=1/>\n</Data>\n", 2, 9)]


def test_rows_and_columns_of_misfits_at_the_start_of_a_line_or_after_blanks_and_tabs(run_script, tmp_path):
    (tmp_path / "lines.xml").write_bytes("".join(line for line, _, _ in MISFITS).encode())
    for index, (text, _, _) in enumerate(BROKEN):
        (tmp_path / ("broken%d.xml" % index)).write_bytes(text.encode())
    result = run_script(PRELUDE + """
said(loaded("Ok", "lines.xml").wasLoadError(), [loaded("B%%d" %% index, "broken%%d.xml" %% index).wasLoadError()
                                               for index in range(%d)])
""" % len(BROKEN))
    assert result.returncode == 0, result
    assert printed(result) == [(False, [True] * len(BROKEN))]
    log = xml_log(tmp_path)
    named = "Error: Loading XmlFile lines.xml, at row %d and column %d: name attribute missing from EntityTemplate."
    assert log[:len(MISFITS)] == [named % (row, column) for _, row, column in MISFITS]
    places = [line.split(": ")[1] for line in log if line.startswith("Error: Loading XmlFile broken")]
    assert places == ["Loading XmlFile broken%d.xml, at row %d and column %d" % (index, row, column)
                      for index, (_, row, column) in enumerate(BROKEN)]


ENTITY_FILE = """\
<Data>
  <EntityTemplate name="Base">
    <Component type="Probe"><Param name="a" value="base"/><Param name="b" value="base"/></Component>
    <Component type="Other" cache="false"><Param name="a" value="base-other"/></Component>
    <DefaultValue name="who" value="base-default"/>
  </EntityTemplate>
  <EntityTemplate name="Second">
    <Component type="Probe"><Param name="c" value="second"/></Component>
  </EntityTemplate>
  <EntityTemplate name="Derived">
    <BaseTemplate name="Base"/>
    <BaseTemplate name="Second"/>
    <BaseTemplate name="Base"/>
    <BaseTemplate name="Derived"/>
    <BaseTemplate name="Missing"/>
    <BaseTemplate name="Missing"/>
    <BaseTemplate/>
    <RemComponent type="Other"/>
    <RemComponent type="Other"/>
    <RemComponent type="Ghost"/>
    <Component type="Probe"><VarParam name="a" value="who"/><Param name="b" value="own"/><Param name="b" value="again"/></Component>
    <Component type="Unregistered"/>
    <Component/>
    <DefaultValue name="who" value="own"/>
  </EntityTemplate>
  <EntityTemplate name="Empty"/>
  <EntityTemplate name="Open">
    <Component type="Other"><VarParam name="a" value="x"/><Param name="b" value="fixed"/><VarParam name="b" value="y"/></Component>
  </EntityTemplate>
  <EntityTemplate name="A"><BaseTemplate name="B"/><Component type="Probe"/></EntityTemplate>
  <EntityTemplate name="B"><BaseTemplate name="A"/><Component type="Other"/></EntityTemplate>
</Data>
"""


def location(row, text):
    """Where text begins on row (from 1) of the entity file, as the loaders write it."""
    return ", at row %d and column %d" % (row, ENTITY_FILE.splitlines()[row - 1].index(text) + 1)


def test_entity_templates_inherit_remove_cache_and_fill_open_parameters(run_script, data_file, tmp_path):
    data_file("ent.xml", ENTITY_FILE)
    result = run_script(PRELUDE + """
def journal(make):
    del made[:]
    entity = make()
    if isinstance(entity, Entity):
        entity = (entity.getName(), types(entity))
    return (entity and type(entity).__name__ if isinstance(entity, Component) else entity, list(made))

base = loaded("Base", "ent.xml")
said(journal(base.createEntity), journal(base.createEntity))
derived = loaded("Derived")
said(journal(derived.createEntity))
caller = ParameterList()
caller.add("who", "caller")
said(journal(lambda: derived.createEntity(caller, "named")))
said(entities.getResource("Missing"), derived.wasLoadError())

empty, opened = loaded("Empty"), loaded("Open")
said(journal(empty.createEntity), journal(opened.createEntity))
said(journal(lambda: opened.createComponent("Other", ParameterList())))
given = ParameterList()
given.add("x", "1")
said(journal(lambda: opened.createComponent("Other", given)), opened.createComponent("Probe", given))
said(types(loaded("A").createEntity()), types(loaded("B").createEntity()))
said(entities.loadTemplate("Never", "").createEntity(), entities.loadTemplate("", "x.xml"))
same = entities.loadTemplate("Derived", "other.xml")
said(same == derived, same.getHandle() == derived.getHandle())
""")
    assert result.returncode == 0, result
    assert printed(result) == [
        # A component without open parameters is built once and copied; cache="false" is built every time.
        ((("\x01\"", ["Probe", "Other"]), [("copy", "Probe"), ("new", "Other", "base-other", "", "")]),
         (("\x01#", ["Probe", "Other"]), [("copy", "Probe"), ("new", "Other", "base-other", "", "")])),
        # The own Probe replaces every inherited Param; the last base's defaults (none) gave way to its own.
        ((("\x01$", ["Probe"]), [("new", "Probe", "own", "own", "")]),),
        ((("named", ["Probe"]), [("new", "Probe", "caller", "own", "")]),),
        (None, False),
        ((("\x01%", []), []), (("\x01&", ["Other"]), [("new", "Other", "", "fixed", "")])),
        ((None, []),),
        (("Other", [("new", "Other", "1", "fixed", "")]), None),
        (["Probe"], ["Other"]),
        (None, None),
        (True, True)]
    derived = "Error: Loading EntityTemplate Derived"
    assert xml_log(tmp_path) == [
        derived + location(13, "<Base") + ": duplicate name attribute Base of BaseTemplate.",
        derived + location(14, "<Base") + ": template defined as base template of itself.",
        # A base that failed to load was never merged: naming it again tries it afresh, no duplicate.
        "Error: Loading EntityTemplate Missing: cannot find element name in any loaded xml files.",
        "Error: Loading EntityTemplate Missing: cannot find element name in any loaded xml files.",
        derived + location(17, "<Base") + ": name attribute missing from BaseTemplate.",
        derived + location(19, "<Rem") + ": duplicate type attribute Other of RemComponent.",
        "Warning: Loading EntityTemplate Derived" + location(20, "<Rem") +
        ": removing component Ghost when component was not inherited from base templates.",
        derived + location(21, '<Param name="b" value="again"') + ": duplicate name attribute b of Param.",
        derived + location(22, "<Comp") + ": component Unregistered is not registered with factory.",
        derived + location(23, "<Comp") + ": type attribute missing from Component.",
        "Warning: Loading EntityTemplate Empty" + location(26, "<Entity") + ": no components were found.",
        "Error: Loading EntityTemplate Open" + location(28, '<VarParam name="b"') +
        ": duplicate name attribute b of VarParam.",
        "Error, Creating EntityTemplate Open: unable to resolve VarParam x for parameter a of component Other.",
        "Error, Creating EntityTemplate Open: unable to resolve VarParam x for parameter a of component Other.",
        "Error: Loading EntityTemplate A" + location(30, "<Base") + ": template defined as base template of itself."]


SCENE_FILE = """\
<Data>
  <EntityTemplate name="Thing"><Component type="Probe"><VarParam name="a" value="a"/></Component>
    <DefaultValue name="a" value="default"/></EntityTemplate>
  <SceneTemplate name="Plain"><SceneNode/></SceneTemplate>
  <SceneTemplate name="Zero"><SceneNode ori="(0,0)" inheritScl="false"/></SceneTemplate>
  <SceneTemplate name="Tree" inline="true">
    <SceneNode pos="<10,0>" inheritOri="false" inheritScl="0">
      <EntityTemplate template="Thing" name="top"><Param name="a" value="given"/></EntityTemplate>
      <EntityTemplate template="Thing" name="second"/>
      <SceneNode pos="<5,5>" space="World" scl="2"><EntityTemplate template="Thing" name="world"/></SceneNode>
      <SceneNode pos="<1,0>"><EntityTemplate name="nameless"/></SceneNode>
    </SceneNode>
    <SceneNode pos="<0,3>" ori="(0,0)"><EntityTemplate template="Missing"/></SceneNode>
    <SceneTemplate name="Plain" pos="<5,5>"/>
    <SceneTemplate/>
    <SceneTemplate name="Tree"/>
  </SceneTemplate>
  <SceneTemplate name="Ping"><SceneNode><EntityTemplate template="Thing"/></SceneNode><SceneTemplate name="Pong"/></SceneTemplate>
  <SceneTemplate name="Pong"><SceneNode><EntityTemplate template="Thing"/></SceneNode><SceneTemplate name="Ping"/></SceneTemplate>
</Data>
"""


def test_scene_templates_build_nested_nodes_includes_and_offsets(run_script, data_file, tmp_path):
    data_file("scn.xml", SCENE_FILE)
    result = run_script(PRELUDE + """
import math

def node(n):
    entity = n.getEntity()
    return (str(n.getPosition()), str(n.getWorldPosition()), str(n.getOrientation()), str(n.getWorldScale()),
            n.getInheritOrientation(), n.getInheritScale(), entity and entity.getName())

def attempt(call):
    try:
        return call()
    except (RuntimeError, ValueError) as error:
        return "%s: %s" % (type(error).__name__, error)

tree = loaded("Tree", "scn.xml", scenes)
scene = SceneManager.createNew()
top = tree.createSceneInManager(scene)
world = scene.getEntity("world").getSceneNode()
said(node(top), node(world), world.getParent() == top, scene.getNumEntities(), made)
said(scene.getEntity("top") == top.getEntity(), scene.getEntity("second"))

placed = SceneManager.createNew()
first = tree.createSceneInManager(placed, Vector2(1, 2))
said(node(first), str(placed.getEntity("world").getWorldPosition()))

parent = SceneNode.createNew(Vector2(100, 0))
holder = SceneManager.createNew()
holder.addNode(parent)
inside = tree.createSceneInNode(parent)
said(inside.getParent() == parent, holder.getNumEntities(), str(inside.getWorldPosition()))

turned = loaded("Plain", "", scenes).createSceneInManager(SceneManager.createNew(), Vector2(10, 0), Complex(math.pi / 2))
zero = loaded("Zero", "", scenes).createSceneInManager(SceneManager.createNew())
said(str(turned.getPosition()), round(turned.getOrientation().getAngle(), 6), node(zero))

empty = SceneManager.createNew()
said(scenes.loadTemplate("Unloaded", "").createSceneInManager(empty), empty.getNumEntities(),
     tree.createSceneInManager(None), tree.createSceneInNode(None))
said(attempt(lambda: tree.createSceneInManager(empty, Vector2(float("nan"), 0))),
     attempt(lambda: tree.createSceneInNode(parent, Vector2(0, 0), Complex(0.0), Scale(float("inf"), 1))))
def count(name):
    built = SceneManager.createNew()
    loaded(name, "", scenes).createSceneInManager(built)
    return built.getNumEntities()
said(count("Pong"), count("Ping"))
""")
    assert result.returncode == 0, result
    top = ("<10,0>", "<10,0>", "(1,0)", "(1,1)", False, False, "top")
    assert printed(result) == [
        (top, ("<-5,5>", "<5,5>", "(1,0)", "(2,2)", True, True, "world"), True, 2,
         [("new", "Probe", "given", "", ""), ("new", "Probe", "default", "", "")]),
        (True, None),
        # The offset moves each top-level node where it stands; the subtree moves with it.
        (("<11,2>", "<11,2>", "(1,0)", "(1,1)", False, False, "top"), "<6,7>"),
        (True, 2, "<110,0>"),
        # A zero orientation keeps the identity.
        ("<10,0>", round(1.5707963267948966, 6), ("<0,0>", "<0,0>", "(1,0)", "(1,1)", True, False, None)),
        (None, 0, None, None),
        ("ValueError: createSceneInManager: parameter pos is not a finite value.",
         "ValueError: createSceneInNode: parameter scl is not a finite value."),
        (1, 2)]
    rows = SCENE_FILE.splitlines()

    def at(row, text):
        return ", at row %d and column %d" % (row, rows[row - 1].index(text) + 1)
    tree = "Error: Loading SceneTemplate Tree"
    assert xml_log(tmp_path) == [
        # Like the node's Params, a nameless entity is reported without the template's name.
        "Error: Loading SceneTemplate " + at(11, "<Entity") + ": template attribute missing from EntityTemplate.",
        "Error: Loading EntityTemplate Missing: cannot find element name in any loaded xml files.",
        tree + at(15, "<Scene") + ": name attribute missing from SceneTemplate.",
        tree + at(16, "<Scene") + ": template included within itself.",
        "Error: Loading SceneTemplate Pong" + at(19, "<SceneTemplate name=\"Ping\"") + ": template included within itself."]


def test_template_classes_and_managers_as_scripts_see_them():
    import tarnu
    surface = {"EntityTemplate": "createEntity createComponent", "SceneTemplate": "createSceneInManager createSceneInNode",
               "EventScript": "createProcess", "EntityTemplateManager": "getSingleton loadTemplate getResource",
               "SceneTemplateManager": "getSingleton loadTemplate getResource",
               "EventScriptManager": "getSingleton loadScript getResource",
               "EntityTracker": "getEntityName setEntity getEntity connect disconnect"}
    for name, methods in surface.items():
        cls = getattr(tarnu, name)
        assert all(hasattr(cls, method) for method in methods.split()), name
        if name != "EntityTracker":
            with pytest.raises(RuntimeError):
                cls()
    for template, manager in (("EntityTemplate", "EntityTemplateManager"), ("SceneTemplate", "SceneTemplateManager"),
                              ("EventScript", "EventScriptManager")):
        assert issubclass(getattr(tarnu, template), tarnu.Resource)
        assert issubclass(getattr(tarnu, manager), tarnu.ResourceManager)
        assert getattr(tarnu, manager).getSingleton() is None
    assert not issubclass(tarnu.EntityTracker, tarnu.EventListener)
    # Touching bounds do not overlap.
    assert tarnu.intersects(tarnu.Circle(tarnu.Vector2(0, 0), 1), tarnu.Circle(tarnu.Vector2(1.5, 0), 1))
    assert not tarnu.intersects(tarnu.Circle(tarnu.Vector2(0, 0), 1), tarnu.Circle(tarnu.Vector2(2, 0), 1))


def test_entity_tracker_follows_an_entity_by_name():
    from tarnu import Entity, EntityTracker, Event, EventListener, SceneManager, SceneNode

    class Told(EventListener):
        def __init__(self, eventType):
            EventListener.__init__(self, eventType)
            self.times = []

        def handleEvent(self, event):
            self.times.append(event.getEventTime())

    def place(entity, scene):
        node = SceneNode.createNew()
        node.attach(entity)
        scene.addNode(node)
        return node

    scene = SceneManager.createNew()
    target = Entity.createNew("target")
    place(target, scene)
    found, lost = Told(501), Told(502)
    target.addEventListener(found)
    target.addEventListener(lost)
    tracker = EntityTracker("hero")
    tracker.connect(scene, target, 501, 502)
    tracker.connect(scene, None, 0, 0)   # ignored while connected
    assert tracker.getEntity() is None and found.times == []
    hero = Entity.createNew("hero")
    node = place(hero, scene)
    place(Entity.createNew("other"), scene)
    assert tracker.getEntity() == hero and found.times == [0.0]
    scene.updateProcess(1.5)
    hero.kill()
    assert tracker.getEntity() == hero
    scene.updateProcess(0.5)
    assert tracker.getEntity() is None and lost.times == [2.0]
    scene.addNode(node)
    assert tracker.getEntity() == hero and found.times == [0.0, 2.0]
    tracker.setEntity(None)
    assert tracker.getEntityName() == "hero"
    tracker.setEntity(Entity.createNew("other"))
    assert tracker.getEntityName() == "other" and tracker.getEntity() == scene.getEntity("other")
    quiet = EntityTracker()
    quiet.setEntity("hero")
    quiet.connect(scene)
    # The renamed tracker found "other" and told its target; the quiet one tells nobody.
    assert quiet.getEntity() == hero and quiet.getEntityName() == "hero" and found.times == [0.0, 2.0, 2.0]
    tracker.disconnect()
    assert tracker.getEntity() is None
    scene.clear()


def test_manager_references_refuse_work_after_shutdown(run_script, data_file):
    data_file("t.xml", '<Data><EntityTemplate name="T"><Component type="Probe"/></EntityTemplate></Data>')
    result = run_script(PRELUDE + """
template = loaded("T", "t.xml")
said(entities == EntityTemplateManager.getSingleton(), entities.getResource("T") == template,
     entities.getResource(template.getHandle()) == template, entities.getResource("none"), entities.getResource(0))
root.shutdown()
outcomes = []
for call in (lambda: entities.loadTemplate("T", ""), lambda: scenes.getResource("T"), lambda: scripts.loadScript("S", ""),
             lambda: scripts.getResource(1)):
    try:
        call()
        outcomes.append("answered")
    except RuntimeError as error:
        outcomes.append(str(error).split(" was deleted")[0])
said(outcomes, template.isLoaded(), template.createEntity(), EntityTemplateManager.getSingleton())
""")
    assert result.returncode == 0, result
    assert printed(result) == [
        (True, True, True, None, None),
        (["Error: class Tarnu::EntityTemplateManager", "Error: class Tarnu::SceneTemplateManager",
          "Error: class Tarnu::EventScriptManager", "Error: class Tarnu::EventScriptManager"], False, None, None)]


# Data nested or chained far deeper than the stack; each case loads, builds what it can and unloads.
DEPTH = 30000
CHAIN = 10000
THING = '<EntityTemplate name="Thing"><Component type="Probe"/></EntityTemplate>'
BASE_CHAIN = "".join('<EntityTemplate name="E%d"><BaseTemplate name="E%d"/></EntityTemplate>' % (k, k + 1)
                     for k in range(CHAIN))
FAR_BASE = ('<EntityTemplate name="E%d">%%s<Component type="Probe" cache="false"><VarParam name="a" value="who"/>'
            '</Component><DefaultValue name="who" value="far"/></EntityTemplate>' % CHAIN)


def chained_files():
    files = {"chain/f%d.xml" % k: '<Data><IncludeFile file="chain/f%d.xml"/><EntityTemplate name="Shared">'
             '<Component type="Probe" cache="false"><Param name="a" value="%d"/></Component></EntityTemplate></Data>'
             % (k + 1, k) for k in range(CHAIN)}
    files["chain/f%d.xml" % CHAIN] = ('<Data><EntityTemplate name="Far"><Component type="Probe" cache="false">'
                                      '<Param name="a" value="far"/></Component></EntityTemplate></Data>')
    return files


DEEP_DATA = [
    ("nested scene nodes",
     {"deep.xml": '<Data>' + THING + '<SceneTemplate name="Deep"><SceneNode pos="<1,0>"><EntityTemplate template="Thing" '
      'name="top"/>' + '<SceneNode pos="<1,0>">' * (DEPTH - 1) + '<EntityTemplate template="Thing" name="bottom"/>' +
      '</SceneNode>' * DEPTH + '</SceneTemplate></Data>'}, """
deep = loaded("Deep", "deep.xml", scenes)
scene = SceneManager.createNew()
top = deep.createSceneInManager(scene)
said(deep.wasLoadError(), scene.getNumEntities(), str(top.getWorldPosition()),
     str(scene.getEntity("bottom").getSceneNode().getWorldPosition()))
""", [(False, 2, "<1,0>", "<%d,0>" % DEPTH)], []),
    # The including file is indexed after what it includes: its own "Shared" wins.
    ("chain of included files", chained_files(), """
far = loaded("Far", "chain/f0.xml")
far.createEntity()
loaded("Shared").createEntity()
said(far.wasLoadError(), [entry[2] for entry in made])
""", [(False, ["far", "0"])], []),
    ("chain of included scene templates",
     {"scenes.xml": '<Data>' + THING + "".join(
         '<SceneTemplate name="S%d"><SceneTemplate name="S%d" pos="<1,0>"/><SceneNode><EntityTemplate template="Thing" '
         'name="e%d"/></SceneNode></SceneTemplate>' % (k, k + 1, k) for k in range(CHAIN)) +
      '<SceneTemplate name="S%d"/></Data>' % CHAIN}, """
chain = loaded("S0", "scenes.xml", scenes)
scene = SceneManager.createNew()
first = chain.createSceneInManager(scene, Vector2(0, 5))
said(chain.wasLoadError(), scene.getNumEntities(), first.getEntity().getName(),
     str(scene.getEntity("e%d").getSceneNode().getWorldPosition()))
""" % (CHAIN - 1), [(False, CHAIN, "e0", "<%d,5>" % (CHAIN - 1))], []),
    # Default values travel down the chain with the component that reads them.
    ("chain of base templates", {"bases.xml": '<Data>' + BASE_CHAIN + FAR_BASE % "" + '</Data>'}, """
first = loaded("E0", "bases.xml")
said(first.wasLoadError(), types(first.createEntity()), made)
""", [(False, ["Probe"], [("new", "Probe", "far", "", "")])], []),
    # The far end names the first as its base: only the first refuses, at the far end of its walk.
    ("chain of base templates closing a cycle", {"bases.xml": '<Data>' + BASE_CHAIN + FAR_BASE % '<BaseTemplate name="E0"/>' +
                                                 '</Data>'}, """
first = loaded("E0", "bases.xml")
said(first.wasLoadError(), types(first.createEntity()), types(loaded("E1").createEntity()))
""", [(False, [], ["Probe"])],
     ["Error: Loading EntityTemplate E0, at row 1 and column 33: template defined as base template of itself."]),
    # Each template's spawner names the next template: they load one after the other.
    ("chain of spawners' scene templates",
     {"spawn.xml": '<Data>' + "".join(
         '<EntityTemplate name="E%d"><Component type="StaticRandomDistributionSTG"><Param name="scene0" value="S%d"/>'
         '<Param name="rate0" value="1"/></Component></EntityTemplate><SceneTemplate name="S%d"><SceneNode>'
         '<EntityTemplate template="E%d"/></SceneNode></SceneTemplate>' % (k, k + 1, k, k) for k in range(CHAIN)) +
      '<SceneTemplate name="S%d"><SceneNode/></SceneTemplate></Data>' % CHAIN}, """
first = loaded("S0", "spawn.xml", scenes)
last = scenes.getResource("S%d")
said(first.wasLoadError(), last.isLoaded(), last.wasLoadError(), last.createSceneInManager(SceneManager.createNew()) is not None)
""" % CHAIN, [(False, True, False, True)], []),
]


@pytest.mark.parametrize("files, script, expected, refusals", [case[1:] for case in DEEP_DATA],
                         ids=[case[0] for case in DEEP_DATA])
def test_deep_and_long_chained_data_loads_builds_and_unloads(run_script, tmp_path, files, script, expected, refusals):
    for name, text in files.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(text)
    result = run_script(PRELUDE + script + "root.shutdown()\nsaid('survived')\n", timeout=300)
    assert result.returncode == 0, result
    assert printed(result) == expected + [("survived",)]
    assert [line for line in xml_log(tmp_path) if "itself" in line] == refusals


def test_included_files_and_templates_keep_their_order(run_script, data_file, tmp_path):
    def probe(name, value):
        return ('<EntityTemplate name="%s"><Component type="Probe" cache="false"><Param name="a" value="%s"/>'
                '</Component></EntityTemplate>' % (name, value))
    data_file("a.xml", '<Data><IncludeFile file="b.xml"/><IncludeFile file="c.xml"/>' + probe("Start", "a") +
              probe("Both", "a") + '</Data>')
    data_file("b.xml", '<Data><IncludeFile file="d.xml"/><IncludeFile file="a.xml"/>' + probe("Both", "b") +
              probe("Over", "b") + '</Data>')
    data_file("c.xml", '<Data><IncludeFile file="b.xml"/><IncludeFile file="d.xml"/>' + probe("Over", "c") + '</Data>')
    data_file("d.xml", '<Data>' + probe("Over", "d") + probe("Deep", "d") + '</Data>')

    def node(value, inside=""):
        return '<SceneNode><EntityTemplate template="Thing"><Param name="a" value="%s"/></EntityTemplate>%s</SceneNode>' % (
            value, inside)
    data_file("scenes.xml", '<Data><EntityTemplate name="Thing"><Component type="Probe"><VarParam name="a" value="a"/>'
              '</Component></EntityTemplate><SceneTemplate name="S">' + node("n1", node("n2", node("n3"))) + node("n4") +
              '<SceneTemplate name="A"/><SceneTemplate name="B"/></SceneTemplate><SceneTemplate name="A">' + node("a1") +
              '<SceneTemplate name="C"/></SceneTemplate><SceneTemplate name="B">' + node("b1") +
              '</SceneTemplate><SceneTemplate name="C">' + node("c1") + '</SceneTemplate></Data>')
    result = run_script(PRELUDE + """
loaded("Start", "a.xml")
for name in ("Both", "Over", "Deep"):
    loaded(name).createEntity()
said([entry[2] for entry in made])
del made[:]
loaded("S", "scenes.xml", scenes).createSceneInManager(SceneManager.createNew())
said([entry[2] for entry in made])
""")
    assert result.returncode == 0, result
    # A name defined in an included file and in its includer points to the includer; between siblings the later wins.
    # Nodes are built in document order, each before its children, then the includes, depth first.
    assert printed(result) == [(["a", "c", "d"],), (["n1", "n2", "n3", "n4", "a1", "c1", "b1"],)]
    # Each file loads once, what it includes first; including back a file still loading, or one loaded, says nothing.
    assert [line for line in read_log(tmp_path / "XmlSystemLogFile.txt") if line.startswith("Loaded XmlFile")] == [
        "Loaded XmlFile ./d.xml.", "Loaded XmlFile ./b.xml.", "Loaded XmlFile ./c.xml.", "Loaded XmlFile a.xml.",
        "Loaded XmlFile scenes.xml."]
    assert xml_log(tmp_path) == []


def test_an_include_closing_a_cycle_through_templates_still_loading_is_refused(run_script, data_file, tmp_path):
    # W loads Y, Y loads X (which takes Y while Y loads) and Z (which takes W while W loads): W then including X
    # would close W, X, Y, Z into a cycle that no build could finish.
    def scene(name, *included):
        return ('<SceneTemplate name="%s"><SceneNode><EntityTemplate template="Thing" name="%s"/></SceneNode>%s'
                '</SceneTemplate>' % (name, name, "".join('<SceneTemplate name="%s"/>' % other for other in included)))
    text = ('<Data><EntityTemplate name="Thing"><Component type="Probe"/></EntityTemplate>' + scene("W", "Y", "X") +
            scene("Y", "X", "Z") + scene("X", "Y") + scene("Z", "W") + '</Data>')
    data_file("cycle.xml", text)
    result = run_script(PRELUDE + """
def names(template):
    scene = SceneManager.createNew()
    template.createSceneInManager(scene)
    return sorted(name for name in "WXYZ" if scene.getEntity(name) is not None)

loaded("W", "cycle.xml", scenes)
said([names(scenes.getResource(name)) for name in "WXYZ"])
""")
    assert result.returncode == 0, result
    assert printed(result) == [([["W"], ["W", "X", "Y", "Z"], ["W", "Y", "Z"], ["W", "Z"]],)]

    def refused(name, at):
        column = text.index('<SceneTemplate name="%s"/>' % at, text.index('<SceneTemplate name="%s">' % name)) + 1
        return "Error: Loading SceneTemplate %s, at row 1 and column %d: template included within itself." % (name, column)
    assert xml_log(tmp_path) == [refused("Y", "X"), refused("W", "Y"), refused("W", "X")]
