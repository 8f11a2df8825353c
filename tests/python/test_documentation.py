"""help() on the module: every class, method, property and constant says what it is, and every call form
names its arguments. The arguments are positional only, so the names live in the texts, each of which
begins with its call form ("setPosition(pos[, space]): ..."); the forms must match the calls the engine
takes."""

import re

import tarnu

FUNCTION = type(tarnu.Vector2.dot)
CALL_FORM = re.compile(r"^(\w+)\(([\w, \[\]]*)\): \S")


def engine_classes(owner=tarnu, found=None):
    """Every class of the module, nested ones included, each once."""
    found = [] if found is None else found
    for value in vars(owner).values():
        if isinstance(value, type) and value.__module__ == "tarnu" and value not in found:
            found.append(value)
            engine_classes(value, found)
    return found


def engine_arities(function):
    """How many arguments each form takes, from the C++ forms the binding library lists for a call that fits none."""
    try:
        function(*[None] * 20)
    except Exception as error:  # Boost.Python.ArgumentError
        counts = set()
        for arguments in re.findall(r"^\s*\w+\((.*)\)$", str(error), re.M):
            while "<" in arguments:  # template arguments hold commas of their own
                arguments = re.sub(r"<[^<>]*>", "", arguments)
            counts.add(0 if arguments in ("", "void") else arguments.count(",") + 1)
        return counts
    raise AssertionError("a call with 20 arguments was accepted")


def faults_of(owner):
    """What a class (or the module, for its functions) leaves unsaid."""
    faults = [] if owner is tarnu or (owner.__doc__ or "").strip() else ["class has no text"]
    for name, value in vars(owner).items():
        function = value.__func__ if isinstance(value, staticmethod) else value
        doc = function.__doc__ or ""
        if name.startswith("_") and name != "__init__" or "cannot be instantiated" in doc:
            continue
        if isinstance(value, property) and not doc.strip():
            faults.append(name + ": property has no text")
        if not isinstance(function, FUNCTION):
            continue
        # Each line of the text is a call form, optional arguments in brackets; a method's count includes self.
        forms = [CALL_FORM.match(line) for line in doc.splitlines() if line.strip()]
        skipped = 0 if owner is tarnu or function is not value else 1
        declared = {skipped + len(re.findall(r"\w+", form.group(2).partition("[")[0])) + extra
                    for form in forms if form for extra in range(form.group(2).count("[") + 1)}
        engine = engine_arities(function)
        # Arguments with default values show as one form to the library: the longest.
        if (not forms or not all(form and form.group(1) == (owner.__name__ if name == "__init__" else name)
                                 for form in forms)
                or re.search(r"\barg\d+\b", doc) or not engine <= declared or max(declared) != max(engine)):
            faults.append("%s: %r for the engine's forms of %s arguments" % (name, doc, sorted(engine)))
    return faults


def test_every_class_method_and_property_is_documented_with_named_arguments():
    faults = [(getattr(owner, "__qualname__", "tarnu"), faults_of(owner)) for owner in [tarnu] + engine_classes()]
    assert [(name, found) for name, found in faults if found] == []


# What the data files make, by the name they give it (an event's factory name), with its class when it has one
# (None: the factory's text tells of it) and the keys its createNew reads.
BOX = "center dim min max extent"
SPRITE = "zOrder sequence<i> name<i> fps<i> loop<i> animation frame alpha color"
MADE_BY_NAME = [
    (tarnu.ComponentFactory, "Animatable", tarnu.Animatable, SPRITE),
    (tarnu.ComponentFactory, "AnimateAndDie", None, ""),
    (tarnu.ComponentFactory, "Camera", tarnu.Camera, "dimensions"),
    (tarnu.ComponentFactory, "ComponentAdder", None, ""),
    (tarnu.ComponentFactory, "DynamicTextDisplay", tarnu.DynamicTextDisplay,
     "text font textSize zOrder ha va alpha color " + BOX),
    (tarnu.ComponentFactory, "GamePlayer", tarnu.GamePlayer, "id active"),
    (tarnu.ComponentFactory, "GamePlayerManager", tarnu.GamePlayerManager, ""),
    (tarnu.ComponentFactory, "Movable", tarnu.Movable,
     "mass velocity rotationalVelocity relativeToOrienation force forceSpace"),
    (tarnu.ComponentFactory, "OccludedAnimatable", tarnu.OccludedAnimatable, "minPos maxPos occlusion " + SPRITE),
    (tarnu.ComponentFactory, "PlayerBeacon", tarnu.PlayerBeacon, "type player"),
    (tarnu.ComponentFactory, "PlayerUnit", tarnu.PlayerUnit, "type player template"),
    (tarnu.ComponentFactory, "PreventRenderWhenNotVisible", None, ""),
    (tarnu.ComponentFactory, "PreventRenderWhenUnexplored", None, ""),
    (tarnu.ComponentFactory, "RenderableBox", tarnu.RenderableBox, "zOrder ori " + BOX),
    (tarnu.ComponentFactory, "RenderableCircle", tarnu.RenderableCircle, "zOrder center radius"),
    (tarnu.ComponentFactory, "RepeatedStaticImage", None,
     "camera repeatX repeatY filename texCoord zOrder static alpha color ori " + BOX),
    (tarnu.ComponentFactory, "RunScriptWhenAdded", None, "script file"),
    (tarnu.ComponentFactory, "ScriptRunner", None, ""),
    (tarnu.ComponentFactory, "SingleStateBeacon", tarnu.SingleStateBeacon, "fsm type player"),
    (tarnu.ComponentFactory, "SlaveRenderable", None, "entity"),
    (tarnu.ComponentFactory, "StaticCollidable", tarnu.StaticCollidable, "type ori radius " + BOX),
    (tarnu.ComponentFactory, "StaticImage", tarnu.StaticImage, "filename texCoord zOrder static alpha color ori " + BOX),
    (tarnu.ComponentFactory, "StaticRandomDistributionSTG", None, "seed noSceneRate scene<i> rate<i>"),
    (tarnu.ComponentFactory, "StraightLinePathfinder", tarnu.StraightLinePathfinder, ""),
    (tarnu.ComponentFactory, "TemplateInstantiator", None, ""),
    (tarnu.ComponentFactory, "TurnAndDashPathwalker", None, "rotSpeed transSpeed"),
    (tarnu.ComponentFactory, "UniformTimeIncrementSTC", None, "spawnRate maxOnScreen spawnNumber seed"),
    (tarnu.ComponentFactory, "UnitFSMController", tarnu.UnitFSMController, ""),
    (tarnu.ComponentFactory, "VisualReactor", tarnu.VisualReactor, ""),
    (tarnu.ComponentFactory, "VisualTargetSeeker", tarnu.VisualTargetSeeker, "target"),
    (tarnu.EventFactory, "AnimationAction", tarnu.AnimationActionEvent, "action time name pos"),
    (tarnu.EventFactory, "ComponentAddition", None, "action entity template type file time"),
    (tarnu.EventFactory, "PathfinderAction", tarnu.PathfinderActionEvent, "action position time entity"),
    (tarnu.EventFactory, "ScriptRunner", None, "script file time"),
    (tarnu.EventFactory, "SetVisualTarget", tarnu.SetVisualTargetActionEvent, "time target"),
    (tarnu.EventFactory, "TemplateInstantiation", None, "type template name time file parent pos ori scl"),
    (tarnu.EventFactory, "UnitFSMControllerAction", tarnu.UnitFSMControllerActionEvent, "time fsm"),
]


def parameters_told(factory, name, cls):
    """The parameter lines of what help() tells of a type made by name: its class's, else its factory's."""
    if cls is not None:
        text = cls.__doc__
    else:
        assert not hasattr(tarnu, name) or factory is tarnu.EventFactory, name
        text = re.search(r"^%s: .*?(?=\n\n|\Z)" % name, factory.__doc__, re.M | re.S).group(0)
    if text.endswith("Parameters: none."):
        return {}
    return dict(re.findall(r"^  ([\w<>]+): (.*)$", text.split("Parameters (a data file's Param elements, or a "
                                                             "ParameterList):\n", 1)[1], re.M))


def test_help_of_each_type_the_data_files_make_lists_every_parameter_it_reads():
    assert len(MADE_BY_NAME) == 37 and len({(factory, name) for factory, name, _, _ in MADE_BY_NAME}) == 37
    told = {(factory.__name__, name): sorted(parameters_told(factory, name, cls))
            for factory, name, cls, _ in MADE_BY_NAME}
    assert told == {(factory.__name__, name): sorted(keys.split()) for factory, name, _, keys in MADE_BY_NAME}


def test_help_tells_each_parameters_format_default_and_meaning():
    image = parameters_told(tarnu.ComponentFactory, "StaticImage", tarnu.StaticImage)
    assert image["filename"] == ("text, a file name found through the data directories; required. The image (32 bits "
                                 "a pixel, sides powers of two); an empty filename draws a plain quad of the colour.")
    assert image["texCoord"].startswith('AxisAlignedBox as text, "<x,y>,<x,y>" (min, then max); required. ')
    assert image["min"] == 'Vector2 "<x,y>"; default <0,0>. The lower left corner.'
    assert image["max"] == 'Vector2 "<x,y>"; default <0,0>. The upper right corner.'
    assert image["zOrder"] == "number; required. The drawing order: higher z-orders are drawn on top."
    assert image["color"].startswith('Vector3 "(r,g,b)", each from 0 to 1; default (1,1,1), white. ')
    assert tarnu.StaticImage.__doc__.startswith("A quad with an image")
    # Words, flags, whole numbers and indexed keys; the types without a class of their own are told of by name.
    assert parameters_told(tarnu.ComponentFactory, "Movable", tarnu.Movable)["forceSpace"].startswith(
        'one of the words "Local", "Parent" or "World"; default none. ')
    assert parameters_told(tarnu.ComponentFactory, "RepeatedStaticImage", None)["repeatX"].startswith(
        'flag, "true" or "1" for true, any other text for false; required. ')
    assert parameters_told(tarnu.ComponentFactory, "GamePlayer", tarnu.GamePlayer)["id"].startswith(
        "whole number, 0 or more; required. ")
    assert parameters_told(tarnu.ComponentFactory, "Animatable", tarnu.Animatable)["fps<i>"] == (
        "number; required. With sequence<i>: its frames per second.")
    assert re.search(r"^RepeatedStaticImage: A StaticImage repeated over a camera's view, such as a background\.\n"
                     r"Parameters \(", tarnu.ComponentFactory.__doc__, re.M)
    assert parameters_told(tarnu.EventFactory, "TemplateInstantiation", None)["scl"].startswith(
        'Scale "(x,y)", or one number for both; default (1,1). ')
