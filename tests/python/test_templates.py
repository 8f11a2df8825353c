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


# Elements without a name, which the log places at their "<" at the start of a line, after tabs (a tab counts as one
# column, and a line may end in CR LF) or after another element.
MISFITS = [("<Data><EntityTemplate/>\n", 1, 7), ("<EntityTemplate/>\n", 2, 1), ("\t\t<EntityTemplate/>\r\n", 3, 3),
           ('<EntityTemplate name="Ok"/><EntityTemplate/>\n', 4, 28), ("<EntityTemplate/></Data>\n", 5, 1)]


def test_rows_and_columns_of_misfits_at_the_start_of_a_line_after_tabs_or_after_another_element(
        run_script, data_file, tmp_path):
    data_file("Ok.xml", "".join(line for line, _, _ in MISFITS))
    result = run_script(PRELUDE + "said(loaded('Ok', 'Ok.xml').wasLoadError())\n")
    assert result.returncode == 0 and printed(result) == [(False,)], result
    named = "Error: Loading XmlFile Ok.xml, at row %d and column %d: name attribute missing from EntityTemplate."
    assert xml_log(tmp_path)[:len(MISFITS)] == [named % (row, column) for _, row, column in MISFITS]


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


# Data nested or chained far deeper than the stack, loaded, built as far as it goes and unloaded.
DEPTH, CHAIN = 30000, 10000


def probe(name, value):
    """An entity template whose one Probe is built anew each time, with parameter a set to value."""
    return ('<EntityTemplate name="%s"><Component type="Probe" cache="false"><Param name="a" value="%s"/></Component>'
            '</EntityTemplate>' % (name, value))


DEEP_FILES = {
    # Nodes nested deep, and scene templates each including the next.
    "deep.xml": '<Data><EntityTemplate name="Thing"><Component type="Probe"/></EntityTemplate>'
                '<SceneTemplate name="Deep"><SceneNode pos="<1,0>"><EntityTemplate template="Thing" name="top"/>' +
                '<SceneNode pos="<1,0>">' * (DEPTH - 1) + '<EntityTemplate template="Thing" name="bottom"/>' +
                '</SceneNode>' * DEPTH + '</SceneTemplate>' +
                "".join('<SceneTemplate name="S%d"><SceneTemplate name="S%d" pos="<1,0>"/><SceneNode><EntityTemplate '
                        'template="Thing" name="e%d"/></SceneNode></SceneTemplate>' % (k, k + 1, k)
                        for k in range(CHAIN)) +
                '<SceneTemplate name="S%d"/></Data>' % CHAIN,
    # Files each including the next, the last defining "Far".
    **{"chain/f%d.xml" % k: '<Data><IncludeFile file="chain/f%d.xml"/></Data>' % (k + 1) for k in range(CHAIN)},
    "chain/f%d.xml" % CHAIN: '<Data>%s</Data>' % probe("Far", "far"),
    # Base templates whose far end names the first as its base: only the first refuses, at the far end of its walk.
    "bases.xml": '<Data>' + "".join('<EntityTemplate name="E%d"><BaseTemplate name="E%d"/></EntityTemplate>'
                                    % (k, k + 1) for k in range(CHAIN)) +
                 '<EntityTemplate name="E%d"><BaseTemplate name="E0"/><Component type="Probe" cache="false">'
                 '<VarParam name="a" value="who"/></Component><DefaultValue name="who" value="far"/></EntityTemplate>'
                 '</Data>' % CHAIN,
    # Templates whose spawner names the next scene template: they load one after the other.
    "spawn.xml": '<Data>' + "".join(
        '<EntityTemplate name="P%d"><Component type="StaticRandomDistributionSTG"><Param name="scene0" value="Q%d"/>'
        '<Param name="rate0" value="1"/></Component></EntityTemplate><SceneTemplate name="Q%d"><SceneNode>'
        '<EntityTemplate template="P%d"/></SceneNode></SceneTemplate>' % (k, k + 1, k, k) for k in range(CHAIN)) +
        '<SceneTemplate name="Q%d"><SceneNode/></SceneTemplate></Data>' % CHAIN,
}


def test_deep_and_long_chained_data_loads_builds_and_unloads(run_script, data_file, tmp_path):
    for name, text in DEEP_FILES.items():
        data_file(name, text)
    result = run_script(PRELUDE + """
inner, outer = SceneManager.createNew(), SceneManager.createNew()
loaded("Deep", "deep.xml", scenes).createSceneInManager(inner)
loaded("S0", "", scenes).createSceneInManager(outer, Vector2(0, 5))
said(inner.getNumEntities(), str(inner.getEntity("bottom").getSceneNode().getWorldPosition()), outer.getNumEntities(),
     str(outer.getEntity("e%d").getSceneNode().getWorldPosition()))
loaded("Q0", "spawn.xml", scenes)
loaded("Far", "chain/f0.xml").createEntity()
first = loaded("E0", "bases.xml")
# From the second, the far end's default value travels down the chain with the component that reads it.
said(made[-1][2], first.wasLoadError(), types(first.createEntity()), types(loaded("E1").createEntity()), made[-1][2],
     scenes.getResource("Q%d").createSceneInManager(outer) is not None)
root.shutdown()
""" % (CHAIN - 1, CHAIN), timeout=300)
    assert result.returncode == 0, result
    assert printed(result) == [(2, "<%d,0>" % DEPTH, CHAIN, "<%d,5>" % (CHAIN - 1)),
                               ("far", False, [], ["Probe"], "far", True)]
    assert [line for line in xml_log(tmp_path) if "itself" in line] == [
        "Error: Loading EntityTemplate E0, at row 1 and column 33: template defined as base template of itself."]


def test_includes_keep_their_order_and_an_include_closing_a_cycle_through_templates_still_loading_is_refused(
        run_script, data_file, tmp_path):
    # Each file's includes, then its templates, which set parameter a to the file's name.
    for name, included, names in (("a", "bc", "Start Both"), ("b", "da", "Both Over"), ("c", "bd", "Over"),
                                  ("d", "", "Over Deep")):
        includes = "".join('<IncludeFile file="%s.xml"/>' % other for other in included)
        data_file(name + ".xml", "<Data>%s%s</Data>" % (includes, "".join(probe(each, name) for each in names.split())))

    def node(value, inside=""):
        return ('<SceneNode><EntityTemplate template="Thing"><Param name="a" value="%s"/></EntityTemplate>%s'
                '</SceneNode>' % (value, inside))

    def scene(name, nodes, *included):
        return '<SceneTemplate name="%s">%s%s</SceneTemplate>' % (
            name, nodes, "".join('<SceneTemplate name="%s"/>' % other for other in included))
    # W loads Y, Y loads X (which takes Y while Y loads) and Z (which takes W while W loads): W then including X
    # would close W, X, Y, Z into a cycle that no build could finish.
    text = ('<Data><EntityTemplate name="Thing"><Component type="Probe"><VarParam name="a" value="a"/></Component>'
            '</EntityTemplate>' + scene("S", node("n1", node("n2", node("n3"))) + node("n4"), "A", "B") +
            scene("A", node("a1"), "C") + scene("B", node("b1")) + scene("C", node("c1")) +
            scene("W", node("W"), "Y", "X") + scene("Y", node("Y"), "X", "Z") + scene("X", node("X"), "Y") +
            scene("Z", node("Z"), "W") + '</Data>')
    data_file("scenes.xml", text)
    result = run_script(PRELUDE + """
loaded("Start", "a.xml")
for name in ("Both", "Over", "Deep"):
    loaded(name).createEntity()
said([entry[2] for entry in made])
loaded("W", "scenes.xml", scenes)
def built(name):
    del made[:]
    loaded(name, "", scenes).createSceneInManager(SceneManager.createNew())
    return [entry[2] for entry in made]
said(*[built(name) for name in "SWX"])
""")
    assert result.returncode == 0, result
    # A name defined in an included file and in its includer points to the includer; between siblings the later wins.
    # Nodes are built in document order, each before its children, then the includes, depth first.
    assert printed(result) == [(["a", "c", "d"],),
                               (["n1", "n2", "n3", "n4", "a1", "c1", "b1"], ["W"], ["X", "Y", "Z", "W"])]
    # Each file loads once, what it includes first; including back a file still loading, or one loaded, says nothing.
    assert [line[len("Loaded XmlFile "):] for line in read_log(tmp_path / "XmlSystemLogFile.txt")
            if line.startswith("Loaded XmlFile")] == ["./d.xml.", "./b.xml.", "./c.xml.", "a.xml.", "scenes.xml."]
    refused = "Error: Loading SceneTemplate %s, at row 1 and column %d: template included within itself."
    assert xml_log(tmp_path) == [refused % (name, text.index('<SceneTemplate name="%s"/>' % at, text.index(
        '<SceneTemplate name="%s">' % name)) + 1) for name, at in (("Y", "X"), ("W", "Y"), ("W", "X"))]
