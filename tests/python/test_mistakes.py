"""The mistakes of a first hour with the engine end in a message that names the cause: a Python exception, or
a line on standard error, given once, with the engine's own log lines kept. Each runs in its own process."""

import pytest

from logfiles import printed, read_log

PRELUDE = """
import images, pytest, sdl_input
from templates_prelude import *
scene = SceneManager.createNew()
def make(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return ComponentFactory.getSingleton().create(kind, params)
def frames(renderer):
    for _ in range(2):
        sdl_input.quit()
        root.run(scene, renderer, 60)
def template(name, text):
    open(name + ".xml", "w").write(text)
    return loaded(name, name + ".xml")
"""

# (mistake, script after the prelude, what standard error says once, log file, the engine's line kept in it)
MISTAKES = [
    ("24-bit image", """
images.write_png("rgb.png", 16, 16, images.solid((255, 0, 0, 255)), alpha=False)
for _ in range(2):
    make("StaticImage", filename="rgb.png", texCoord="<0,0>,<1,1>", zOrder=0, min="<-8,-8>", max="<8,8>")
""", "texture rgb.png has 24 bits a pixel; only 32-bit images (with an alpha channel) are drawn",
     "VideoSystemLog.txt", "Warning: texture rgb.pngwas not of bitdepth 32, aborting load"),
    ("misspelt component type", """
template("ship", "<Data><EntityTemplate name='ship'><Component type='Movabel'/></EntityTemplate></Data>").createEntity()
""", "component Movabel is not registered with factory. (A component written in Python is registered with "
     "ComponentFactory.getSingleton().registerType", "XmlSystemLogFile.txt",
     "Error: Loading EntityTemplate ship, at row 1 and column 35: component Movabel is not registered with factory."),
    ("malformed data file", """
ship = template("ship", "<Data><EntityTemplate name='ship'><Component type='Movable'/></EntityTemplate>")
assert ship.createEntity(ParameterList(), "a") is None and ship.createEntity(ParameterList(), "b") is None
""", "EntityTemplate ship makes nothing (None): it failed to load",
     "XmlSystemLogFile.txt", "Error: Loading XmlFile ship.xml, at row 1 and column 78: Start-end tags mismatch"),
    ("template never loaded", """
ship = EntityTemplateManager.getSingleton().loadTemplate("ship", "ship.xml")
assert ship.createEntity(ParameterList(), "a") is None and ship.createEntity(ParameterList(), "b") is None
""", "EntityTemplate ship makes nothing (None): it is not loaded; call its load() first.", None, None),
    ("animation sequence without frames", """
template("sprites", "<Data><AnimationSequence name='Pulse' type='StripSequence' stripSize='1' quad='<-8,-8>,<8,8>' "
                    "filename='sprites.xml'/><EntityTemplate name='sprites'/></Data>")
for _ in range(2):
    with pytest.raises(RuntimeError, match="^Animation not found.$"):
        make("Animatable", zOrder=1, sequence0="Pulse", name0="pulse", fps0=10, loop0="true")
""", "AnimationSequence Pulse is left out, for the reason above: a sprite that names it has no such animation",
     "XmlSystemLogFile.txt", "no frame elements in StripSequence."),
    ("component class without super", """
class Shield(Component): pass
assert not Entity.createNew("ship").addComponent(Shield())
""", "the component class Shield needs the class attribute super, naming the class it derives from: "
     "super = Component", "PythonSystemLog.txt", "'super' not defined in python class 'Shield'."),
    ("renderer never connected", "frames(QuadtreeRenderManager.createNew())\n",
     "nothing is drawn: the render manager is connected to no scene; call its connect(scene) before Root.run.",
     "VideoSystemLog.txt", "Error: No main camera, unable to render scene."),
    ("camera missing", "renderer = QuadtreeRenderManager.createNew()\nrenderer.connect(scene)\nframes(renderer)\n",
     "nothing is drawn: the scene has no camera; add an entity with a \"Camera\" component",
     "VideoSystemLog.txt", "Error: No main camera, unable to render scene."),
]


@pytest.mark.parametrize("mistake, script, hint, log, logged", MISTAKES, ids=[case[0] for case in MISTAKES])
def test_a_silent_mistake_is_named_once_on_standard_error_with_the_log_line_kept(
        run_script, tmp_path, mistake, script, hint, log, logged):
    result = run_script(PRELUDE + script + "scene.clear()\ndel scene\nroot.shutdown()\n")
    assert result.returncode == 0, result
    assert result.stderr.count(hint) == 1, result
    assert log is None or logged in read_log(tmp_path / log)


def test_a_missing_entity_or_engine_raises_with_what_to_do(run_script):
    result = run_script("""
from tarnu import *
print(">", repr([ComponentFactory.getSingleton(), LogManager.getSingleton()]))
for call in (lambda: UnitFSMComponent("guard"), lambda: Root().run(SceneManager.createNew(), None, 60),
             lambda: SceneNode.createNew().attach(None)):
    try:
        call()
    except RuntimeError as error:
        print(">", repr(" | ".join([str(error)] + getattr(error, "__notes__", []))))
""")
    assert result.returncode == 0, result
    null = ("Error: attempt to dereference singleton class Tarnu::%s when singleton is null. | Call Root.initialize "
            "first: it creates the engine's managers (Root.shutdown deletes them).")
    assert printed(result) == [
        [None, None], null % "FSMResourceManager", null % "InputManager",
        "SceneNode.attach: the entity is None (EntityTemplate.createEntity answers None when its template is not "
        "loaded or failed to load)."]
    # The first manager asked for before Root.initialize is named, once: the next step is an AttributeError.
    assert result.stderr.splitlines() == [
        "Warning: ComponentFactory.getSingleton() answers None: the engine's managers exist only between "
        "Root.initialize and Root.shutdown; call Root.initialize first."]


FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
IMAGE = {"filename": "", "texCoord": "<0,0>,<1,1>", "zOrder": 1, "min": "<-8,-8>", "max": "<8,8>"}
TEXT = {"font": FONT, "textSize": 10, "min": "<0,0>", "max": "<90,20>", "text": "score"}
NOT_MADE = "the %s is not made."

# (what a data file makes, its other parameters, the unreadable one, the format told, what becomes of it, the
# engine's own line in XmlSystemLogFile.txt after "...entity template ship: " when the component is not made)
UNREADABLE = [
    ("StaticImage", IMAGE, ("zOrder", "abc"), "number", NOT_MADE,
     "Error creating StaticImage: Unable to convert parameter 'zOrder' to double"),
    ("StaticImage", IMAGE, ("alpha", "half"), "number", "its default, 1, is used.", None),
    ("StaticImage", IMAGE, ("min", "<1,2"), 'Vector2 "<x,y>"', "its default, <0,0>, is used.", None),
    ("StaticImage", IMAGE, ("texCoord", "whole"), 'AxisAlignedBox as text, "<x,y>,<x,y>" (min, then max)', NOT_MADE,
     "Error creating StaticImage: Unable to convert parameter 'texCoord' to class Tarnu::AxisAlignedBox"),
    ("Movable", {}, ("velocity", "<1,2"), 'Vector2 "<x,y>"', NOT_MADE, "Invalid type in Movable ParamList."),
    ("Movable", {"force": "<0,1>"}, ("forceSpace", "Sideways"),
     'one of the words "Local", "Parent" or "World"', NOT_MADE,
     "Unable to convert parameter 'forceSpace' to enum Tarnu::SceneNode::TransformSpace"),
    ("GamePlayer", {}, ("id", "first"), "whole number, 0 or more", NOT_MADE,
     "Unable to convert parameter 'id' to unsigned int"),
    ("DynamicTextDisplay", TEXT, ("color", "red"), 'Vector3 "(r,g,b)", each from 0 to 1',
     "its default, (1,1,1), white, is used.", None),
    ("UniformTimeIncrementSTC", {"spawnRate": 1}, ("maxOnScreen", "many"), "whole number", NOT_MADE,
     "Unable to convert parameter 'maxOnScreen' to int"),
]


@pytest.mark.parametrize("kind, others, unreadable, expected, outcome, logged", UNREADABLE,
                         ids=["%s.%s" % (case[0], case[2][0]) for case in UNREADABLE])
def test_an_unreadable_parameter_value_is_named_once_however_many_entities_its_template_makes(
        run_script, tmp_path, kind, others, unreadable, expected, outcome, logged):
    params = "".join("<Param name='%s' value='%s'/>" % item for item in {**others, unreadable[0]: unreadable[1]}.items())
    result = run_script(PRELUDE + """
ship = template("ship", "<Data><EntityTemplate name='ship'><Component type='%s' cache='false'>%s</Component>"
                        "</EntityTemplate></Data>")
ships = [ship.createEntity(ParameterList(), "ship%%d" %% i) for i in range(200)]
print(">", repr(sorted({Component.getComponent("%s", entity) is not None for entity in ships})))
del ships
""" % (kind, params, kind) + "scene.clear()\ndel scene\nroot.shutdown()\n")
    assert result.returncode == 0, result
    told = 'Warning: %s parameter %s="%s" cannot be read (format: %s); %s' % (
        kind, *unreadable, expected, outcome % kind if "%s" in outcome else outcome)
    assert [line for line in result.stderr.splitlines() if "cannot be read" in line] == [told], result
    assert printed(result) == [[logged is None]]
    if logged:
        assert ("Error instantiating component %s from factory when trying to load entity template ship: %s"
                % (kind, logged)) in read_log(tmp_path / "XmlSystemLogFile.txt")


def test_an_unreadable_event_parameter_is_named_once_and_a_script_reading_a_list_hears_nothing(run_script):
    events = "".join("<Event type='TemplateInstantiation' time='%d'><Param name='type' value='Entity'/>"
                     "<Param name='template' value='ship'/><Param name='pos' value='<1,2'/><Param name='scl' "
                     "value='big'/></Event>" % time for time in range(20))
    result = run_script(PRELUDE + """
template("intro", "<Data><EventScript name='intro'>%s</EventScript><EntityTemplate name='intro'/></Data>")
intro = loaded("intro", "intro.xml", scripts)
params = ParameterList()
params.add("pos", "<1,2")
print(">", repr(int(params.get("pos", Vector2(0, 0)))))
""" % events + "scene.clear()\ndel scene\nroot.shutdown()\n")
    assert result.returncode == 0, result
    assert printed(result) == [1]
    assert [line for line in result.stderr.splitlines() if "cannot be read" in line] == [
        'Warning: TemplateInstantiation event parameter pos="<1,2" cannot be read (format: Vector2 "<x,y>"); its '
        'default, <0,0>, is used.',
        'Warning: TemplateInstantiation event parameter scl="big" cannot be read (format: Scale "(x,y)", or one '
        'number for both); its default, (1,1), is used.'], result
