"""The README is true. Every sample does what its text says, as written: each Python block is saved in a copy of
the examples folder under the name its first line gives ("# sprite.py"; a block without one gets a name of its
own) and played headless by readme_player.py for a number of steps, with the keys its text speaks of pressed
through SDL; what it drew, printed and moved is then held to what the text promises (the table PROMISES). Each
sample must also end with no error and, when it started the engine, with no leak. XML blocks are saved under the
name their first comment gives, which must be the repository's own copy of that file. Every name of the engine the
README gives exists, and the calls it says take arguments by name are those that do."""

import builtins
import json
import math
import os
import re
import shutil
import subprocess
import sys

import pytest
import tarnu
from conftest import LEAK_WARNING, MODULE_DIR
from logfiles import printed
from test_documentation import CALL_FORM, FUNCTION, engine_classes
from test_root import LEAK_FREE

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.join(HERE, "..", "..")
BLOCK = re.compile(r"^```(python|xml)\n(.*?)^```", re.S | re.M)
PYTHON_NAME = re.compile(r"^# ([\w/]+\.py)\n")
XML_NAME = re.compile(r"^<!-- ([\w/.]+\.xml)\b")

with open(os.path.join(TOP, "README.md")) as readme:
    README = readme.read()


def samples():
    python, xml = [], []
    for number, (kind, body) in enumerate(BLOCK.findall(README)):
        if kind == "xml":
            named = XML_NAME.match(body)
            if named:
                xml.append((named.group(1), body))
            continue
        named = PYTHON_NAME.match(body)
        python.append((named.group(1) if named else "sample%d.py" % number, body))
    return python, xml


PYTHON, XML = samples()


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    """The examples folder with every sample of the README saved in it."""
    where = tmp_path_factory.mktemp("readme") / "examples"
    shutil.copytree(os.path.join(TOP, "examples"), where,
                    ignore=shutil.ignore_patterns("*Log.txt", "*LogFile.txt", "__pycache__"))
    for name, body in XML + PYTHON:
        (where / name).parent.mkdir(parents=True, exist_ok=True)
        (where / name).write_text(body)
    return where


@pytest.mark.parametrize("name, body", XML, ids=[name for name, _ in XML])
def test_the_data_files_the_readme_shows_are_the_repositorys(name, body):
    with open(os.path.join(TOP, "examples", name)) as shipped:
        assert shipped.read() == body


class Record:
    """What readme_player.py saw of a sample: a list of steps, each with its game time, where the watched entities
    were ([x, y, angle] or None once gone) and the values of the plan's expressions; the values and pixels once the
    main loop ended; the lines printed, each with the number of steps recorded before it."""

    def __init__(self, data):
        self.steps = data["steps"]
        self.end = data["end"]
        self.ink = data["ink"]
        self.printed = data["printed"]

    def times(self):
        return [step["time"] for step in self.steps]

    def track(self, name):
        return [step["at"][name] for step in self.steps]

    def each(self, label):
        return [step["each"][label] for step in self.steps]

    def lines(self):
        return [line for _, line in self.printed]


def close(a, b, tolerance=1e-6):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def step_of(record):
    """The game time of a step: every step advances it by the same period, however late the frame."""
    times = record.times()
    return times[1] - times[0]


# What each sample's text promises. The checks read the record; positions are in world units, window pixels
# count from the bottom left, as the README's camera makes them the same.

def no_promise(record):
    """A sample that only prepares the others (start.py) or is a module (guard.py): it runs, no more."""


def camera_shows_the_window_in_units_and_steps_every_16_ms(record):
    assert abs(step_of(record) - 0.016) < 1e-9 and close(record.times(), [0.016 * (n + 1) for n in range(3)])
    assert close(record.end["bottom left"], (0, 0), 1.0) and close(record.end["top right"], (800, 600), 1.0)
    assert record.ink["window"] == 0, "nothing to draw yet: the window is black"


def ship_is_drawn_turned_where_its_node_is(record):
    assert close(record.track("ship")[-1], (400, 300, math.pi / 4))
    assert record.ink["ship"] > 500 and record.ink["window"] == record.ink["ship"], "drawn there, nowhere else"
    assert record.ink["tip, turned"] > 0 and record.ink["tip, unturned"] == 0, "it points up and to the right"


def arrow_presses_step_the_ship(record):
    places = []
    for x, y, _ in record.track("ship"):
        if not places or places[-1] != (x, y):
            places.append((x, y))
    assert places == [(400, 300), (390, 300), (390, 310), (390, 320)]
    assert [line.lower() for line in record.lines()] == ["let go of left", "let go of up", "let go of up"]


def ship_turns_then_flies_where_it_points(record):
    track, times = record.track("ship"), record.times()
    heading = track[-1][2]
    assert heading > 0.5, "left turned the ship anticlockwise"
    turns = [(b[2] - a[2]) / (t1 - t0) for a, b, t0, t1 in zip(track, track[1:], times, times[1:]) if a[2] != b[2]]
    assert turns and all(abs(turn - 3.0) < 1e-6 for turn in turns), "3 radians a second while left is held"
    moves = [(b[0] - a[0], b[1] - a[1], t1 - t0) for a, b, t0, t1 in zip(track, track[1:], times, times[1:])
             if a[:2] != b[:2]]
    assert len(moves) >= 10 and track[0][:2] == [400, 300]
    for dx, dy, elapsed in moves:
        assert abs(math.atan2(dy, dx) - heading) < 1e-6, "it flies the way it points"
        assert abs(math.hypot(dx, dy) - 200 * elapsed) < 1e-6, "200 units a second"


def ship_picks_up_each_coin_as_it_reaches_it(record):
    ship = [place[0] for place in record.track("ship")]
    reach = 150 * step_of(record)
    for number in range(10):
        coin = record.track("coin%d" % number)
        gone = coin.index(None)
        assert None not in coin[:gone] and set(coin[gone:]) == {None}, "taken out once, for good"
        # The circles (24 and 8) start to overlap when the centres are nearer than 32: the coin is taken out at
        # the end of that step.
        edge = 200 + 50 * number - 32
        assert ship[gone - 2] <= edge + 1e-6 and edge - 1e-6 < ship[gone - 1] <= edge + reach + 1e-6
    assert record.lines() == ["score: 10"]


def clock_tells_the_game_time_in_its_box(record):
    for time, text in zip(record.times(), record.each("text")):
        assert text == "%.1f seconds of game time" % time
    assert record.ink["top line of the box"] > 300, "the text shows, at the top of its box"
    assert record.ink["window"] == record.ink["top line of the box"], "and nowhere else"


def coins_are_built_as_the_data_file_says(record):
    for number in range(8):
        x = 120 + 80 * number
        assert close(record.track("coin%d" % number)[-1], (x, 300, 0))
        assert record.end["radius%d" % number] == 8
        assert record.ink["coin%d" % number] > 50 and record.ink["after coin%d" % number] == 0


def on_segment(point, start, end, tolerance=0.5):
    (x, y), (x0, y0), (x1, y1) = point, start, end
    length = math.hypot(x1 - x0, y1 - y0)
    along = ((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / length
    across = abs((x - x0) * (y1 - y0) - (y - y0) * (x1 - x0)) / length
    return -tolerance <= along <= length + tolerance and across <= tolerance


def guard_walks_to_a_post_rests_and_walks_on(record):
    track, states, times = record.track("guard"), record.each("state"), record.times()
    start, post, other = (400, 300), (650, 450), (150, 150)
    reach = 150 * step_of(record)  # a dash ends with the step that used its time up
    arrived = states.index(2)
    left = states.index(1, arrived)
    assert set(states[:arrived]) == {1}, "walking, then resting at the post"
    assert abs(times[left] - times[arrived] - 1.0) <= 1.5 * step_of(record), "a rest of one second"
    rest = track[arrived][:2]
    assert math.dist(rest, post) <= reach and all(place[:2] == rest for place in track[arrived:left + 1])
    # Out: it turns on the spot towards the post, then dashes there along a straight line, pointing where it goes.
    assert all(on_segment(place[:2], start, rest) for place in track[:arrived])
    moving = [a for a, b in zip(track, track[1:arrived]) if a[:2] != b[:2]]
    assert moving and all(close(place[2:], [math.atan2(post[1] - 300, post[0] - 400)]) for place in moving)
    # Back: it turns round, then heads for the other post.
    way_back = track[left:]
    assert not close(way_back[-1][:2], rest, 1), "it walked on"
    assert all(on_segment(place[:2], rest, other) for place in way_back)
    assert close(way_back[-1][2:], [math.atan2(other[1] - rest[1], other[0] - rest[0])])


def only_the_rings_on_the_left_show(record):
    for number in range(6):
        shown = record.ink["ring%d" % number] > 50
        assert shown == (100 + 120 * number < 400), number


def the_stopped_beacon_is_off_the_screen(record):
    assert record.ink["beacon0"] > 200 and record.ink["beacon2"] > 200 and record.ink["beacon1"] == 0
    assert [record.end["playing%d" % number] for number in range(3)] == ["pulse", tarnu.Animatable.NO_ANIMATION,
                                                                           "pulse"]


def balls_meet_and_part_once_each(record):
    left, right = record.track("left"), record.track("right")
    gap = [b[0] - a[0] for a, b in zip(left, right)]
    met = [step for step, line in record.printed if " met " in line]
    parted = [step for step, line in record.printed if " left " in line]
    # Each entity of the pair hears it: two lines, naming the pair in the order the physics manager met them.
    assert len(met) == 2 and len(parted) == 2 and len(set(record.lines())) == 2
    assert sorted(record.lines()[0].split(" met ")) == ["left", "right"]
    # The physics step that finds them overlapping reports it before that step is recorded.
    assert gap[met[0] - 1] >= 32 > gap[met[0]], "they overlap once the gap is below the two radii"
    assert gap[parted[0] - 1] > -32 >= gap[parted[0]], "and part once through: nothing bounces"


def blue_sights_red_once_in_range(record):
    blue, red = record.track("blue scout"), record.track("red scout")
    gap = [b[0] - a[0] for a, b in zip(blue, red)]
    sighted = [step for step, line in record.printed if line == "an enemy of player 2 is in sight"]
    assert record.lines() == ["an enemy of player 2 is in sight"], "blue hears of red; red has no alarm"
    # Blue's sight (100) touches red's body (8); the sighting, queued by the physics step, is heard once that
    # step's processes are done.
    assert gap[sighted[0] - 2] >= 108 > gap[sighted[0] - 1]


def the_scout_sees_only_around_itself(record):
    assert set(record.each("where it is")) == {"VISIBLE"}
    assert set(record.each("far away")) == {"INVISIBLE"}
    start = record.each("where it started")
    assert start[0] == "VISIBLE" and start[-1] == "FOGGED"
    assert record.lines() == ["where the scout started, blue sees: FOGGED"]
    assert record.ink["far away"] == 0 and record.ink["round the scout"] > 1000


def the_arena_and_its_script_play_out(record):
    times = record.times()
    start = record.steps[0]["at"]
    assert start["director"] and start["hatchery"] and close(start["herd-leader"], (200, 300, 0))
    assert close(start["herd-follower"], (170, 320, 0))

    def present(name):
        return [place is not None for place in record.track(name)]

    def when(flags, value):
        return times[flags.index(value)]

    visitor, leader = present("visitor"), present("herd-leader")
    # The script posts each event to the director when it is due; the director acts on it within two steps.
    late = 2.5 * step_of(record)
    assert 1.0 <= when(visitor, True) < 1.0 + late, "the visitor comes at 1 s"
    assert close(record.track("visitor")[visitor.index(True)], (100, 100, 0))
    assert 2.0 <= when(record.each("visitor drifts"), True) < 2.0 + late, "it is given a Drift at 2 s"
    assert 3.5 <= when(leader, False) < 3.5 + late, "the herd's leader is killed at 3.5 s"
    assert 4.0 <= times[len(visitor) - visitor[::-1].index(True)] < 4.0 + late, "the visitor leaves at 4 s"
    assert not any(visitor[-5:]) and not any(leader[-5:])


def box(x, y, half):
    """The window's pixels within half of (x, y) each way."""
    return [x - half, y - half, x + half, y + half]


def component(kind, name):
    return 'tarnu.Component.getComponent("%s", scene.getEntity("%s"))' % (kind, name)


WINDOW = [0, 0, 800, 600]
LEFT, UP = "SDLK_LEFT", "SDLK_UP"

# A sample is found by a text only it holds. Each plan: steps to play, keys to press and let go ({step: [(key,
# down)]}), entities to watch, expressions to record each step and at the end, boxes of the window whose ink to count.
PROMISES = {
    "# start.py\n": ({"steps": 0}, no_promise),
    "# window.py\n": ({"steps": 3, "end": {"bottom left": component("Camera", "camera") + ".convertPosition(0, 600)",
                                           "top right": component("Camera", "camera") + ".convertPosition(800, 0)"},
                       "ink": {"window": WINDOW}}, camera_shows_the_window_in_units_and_steps_every_16_ms),
    "# sprite.py\n": ({"steps": 3, "watch": ["ship"],
                       "ink": {"window": WINDOW, "ship": box(400, 300, 40), "tip, turned": box(413, 311, 5),
                               "tip, unturned": box(418, 300, 6)}}, ship_is_drawn_turned_where_its_node_is),
    "# keys.py\n": ({"steps": 12, "watch": ["ship"],
                     "keys": {2: [(LEFT, True)], 3: [(LEFT, False)], 4: [(UP, True)], 5: [(UP, False)],
                              6: [(UP, True)], 7: [(UP, False)]}}, arrow_presses_step_the_ship),
    "# moving.py\n": ({"steps": 60, "watch": ["ship"], "keys": {2: [(LEFT, True)], 22: [(LEFT, False), (UP, True)]}},
                      ship_turns_then_flies_where_it_points),
    "# colliding.py\n": ({"steps": 240, "watch": ["ship"] + ["coin%d" % number for number in range(10)]},
                         ship_picks_up_each_coin_as_it_reaches_it),
    "# text.py\n": ({"steps": 40, "each": {"text": "clock.getText()"},
                     "ink": {"window": WINDOW, "top line of the box": [20, 568, 420, 592]}},
                    clock_tells_the_game_time_in_its_box),
    "# datafile.py\n": ({"steps": 3, "watch": ["coin%d" % number for number in range(8)],
                         "end": {"radius%d" % number: component("Collidable", "coin%d" % number) + ".getBound().radius"
                                 for number in range(8)},
                         "ink": {name % number: box(x + 80 * number, 300, half) for number in range(8)
                                 for name, x, half in (("coin%d", 120, 8), ("after coin%d", 160, 20))}},
                        coins_are_built_as_the_data_file_says),
    "# guard.py\n": ({"steps": 0}, no_promise),
    "# unit.py\n": ({"steps": 330, "watch": ["guard"], "each": {"state": "controller.getActiveFSM().getState()"}},
                    guard_walks_to_a_post_rests_and_walks_on),
    "class OnlyOnTheLeft": ({"steps": 3, "ink": {"ring%d" % number: box(100 + 120 * number, 300, 34)
                                                  for number in range(6)}}, only_the_rings_on_the_left_show),
    "beacons.load()": ({"steps": 20, "end": {"playing%d" % number: component("Animatable", "beacon%d" % number) +
                                             ".getCurrentAnimation()" for number in range(3)},
                        "ink": {"beacon%d" % number: box(200 + 200 * number, 300, 24) for number in range(3)}},
                       the_stopped_beacon_is_off_the_screen),
    "class Bump": ({"steps": 340, "watch": ["left", "right"]}, balls_meet_and_part_once_each),
    "class Alarm": ({"steps": 260, "watch": ["blue scout", "red scout"]}, blue_sights_red_once_in_range),
    "from build_world import build": ({"steps": 200,
                                       "each": {"where it is": "tiles.getVisibility(scout.getWorldPosition(), 1)",
                                                "where it started": "tiles.getVisibility(tarnu.Vector2(400, 300), 1)",
                                                "far away": "tiles.getVisibility(tarnu.Vector2(1500, 1100), 1)"},
                                       "ink": {"far away": box(50, 550, 50), "round the scout": box(590, 390, 30)}},
                                      the_scout_sees_only_around_itself),
    "from data_game import": ({"steps": 300,
                               "watch": ["director", "hatchery", "herd-leader", "herd-follower", "visitor"],
                               "each": {"visitor drifts": 'scene.getEntity("visitor") is not None and %s is not None'
                                                          % component("Drift", "visitor")}},
                              the_arena_and_its_script_play_out),
}


def promise_of(body):
    found = [marker for marker in PROMISES if marker in body]
    assert len(found) == 1, "each sample of the README has its promise checked, once: %r" % found
    return found[0]


def test_each_sample_has_its_promise_and_each_promise_its_sample():
    assert sorted(promise_of(body) for _, body in PYTHON) == sorted(PROMISES)


def play(folder, name, plan):
    """Plays a sample as its reader would run it; answers the process's result and its record."""
    (folder / (name + ".plan.json")).write_text(json.dumps(plan))
    record = folder / (name + ".record.json")
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join([MODULE_DIR, HERE]))
    environment.setdefault("SDL_VIDEODRIVER", "offscreen")
    result = subprocess.run([sys.executable, os.path.join(HERE, "readme_player.py"), name, name + ".plan.json",
                             record.name], cwd=folder, env=environment, capture_output=True, encoding="utf-8",
                            errors="backslashreplace", timeout=90)
    with open(record) as source:
        return result, Record(json.load(source))


@pytest.mark.parametrize("name, body", PYTHON, ids=[name for name, _ in PYTHON])
def test_a_readme_sample_does_what_its_text_says(folder, name, body):
    plan, check = PROMISES[promise_of(body)]
    result, record = play(folder, name, plan)
    outcome = "rc=%d\nstdout:\n%s\nstderr:\n%s" % (result.returncode, result.stdout, result.stderr)
    assert result.returncode == 0 and "Traceback" not in result.stderr and LEAK_WARNING not in result.stdout, outcome
    if "Root()" in body or "from start import" in body:
        assert result.stdout.splitlines()[-1] == LEAK_FREE, outcome
    assert len(record.steps) >= plan["steps"], outcome
    check(record)


# Names of the engine the README gives.

PROSE = re.sub(r"^```.*?^```", "", README, flags=re.S | re.M)
CODE = "\n".join(body for _, body in PYTHON)
# Names in the README's backticks that are not the module's, on purpose: the data files' elements and attributes
# and a template of them, the libraries the benchmarks compare with, and an environment variable.
NOT_THE_MODULES = {"SearchDirectory", "IncludeFile", "Param", "VarParam", "DefaultValue", "BaseTemplate",
                   "RemComponent", "Frame", "AnimationSequence", "Beacon", "inheritOri", "inheritScl", "stripSize",
                   "Group.draw", "Rect.collidelistall", "Batch", "PYTHONPATH"}


# A call's arguments, which may hold calls of their own (not a chain of calls: its names are checked as tarnu.X).
ARGUMENTS = r"(?:\(((?:[^()]|\([^()]*\))*)\))?"


def count_arguments(text):
    depth, count = 0, 1 if text.strip() else 0
    for character in text:
        depth += (character == "(") - (character == ")")
        count += character == "," and depth == 0
    return count


def named_in_prose():
    """The engine's names in the prose's backticks: classes and their members (`Camera.convertPosition(x, y)`,
    `tarnu.Root`), constants, key names, and methods by their own names (`kill()`, `loadFSMFromModule`)."""
    for text in sorted(set(re.findall(r"`([^`\n]+)`", PROSE))):
        dotted = re.fullmatch(r"(?:tarnu\.)?((?:[A-Z]\w*|KEY_\w+)(?:\.\w+)*)" + ARGUMENTS, text)
        method = re.fullmatch(r"([a-z]+[A-Z]\w*|[a-z]\w*(?=\())" + ARGUMENTS, text)
        if dotted:
            yield text, dotted.group(1), dotted.group(2)
        elif method:
            yield text, method.group(1), method.group(2)


def members(name):
    """What a name of the README stands for: the object a dotted name reaches from the module, else every member
    of that name of the module's classes (a method named on its own, a constant such as FOGGED)."""
    found = tarnu
    for part in name.split("."):
        found = getattr(found, part, None)
    if found is not None:
        return [found]
    return [vars(owner)[name] for owner in engine_classes() if name in vars(owner)]


def call_forms(value):
    """The numbers of arguments the help() text of a function or class allows (optional ones in brackets)."""
    if isinstance(value, type):
        value = vars(value).get("__init__")
    value = getattr(value, "__func__", value)
    counts = set()
    for line in (getattr(value, "__doc__", None) or "").splitlines():
        form = CALL_FORM.match(line)
        if form:
            required = len(re.findall(r"\w+", form.group(2).partition("[")[0]))
            counts |= {required + optional for optional in range(form.group(2).count("[") + 1)}
    return counts


def test_every_name_the_readme_gives_is_the_engines(run_script):
    unknown, misread, factory_types = [], [], []
    for text, name, arguments in named_in_prose():
        if name in NOT_THE_MODULES or hasattr(builtins, name):
            continue
        found = [getattr(tarnu.KeyEvent, name, None)] if name.startswith("KEY_") else members(name)
        if not found or None in found:
            # Built-in components a data file or the factory names, with no class of their own.
            (factory_types if re.fullmatch(r"[A-Z][a-z]\w*", name) else unknown).append(text)
            continue
        if arguments is not None:
            if not any(count_arguments(arguments) in call_forms(value) for value in found):
                misread.append(text)
    for name in sorted(set(re.findall(r"\btarnu((?:\.\w+)+)", CODE + PROSE))):
        if not members(name[1:]):
            unknown.append("tarnu" + name)
    assert (unknown, misread) == ([], [])
    result = run_script("""
        import tarnu
        root = tarnu.Root()
        root.initialize(64, 64, 0, False)
        print(">", [name for name in %r if not tarnu.ComponentFactory.getSingleton().isRegistered(name)])
        root.shutdown()
    """ % sorted(set(factory_types)))
    assert result.returncode == 0 and printed(result) == [[]], result


def test_every_key_name_the_readme_and_help_give_is_a_key():
    texts = [README] + [value.__doc__ or "" for owner in engine_classes() for value in [owner, *vars(owner).values()]]
    names = set(re.findall(r"\bKEY_\w+", "\n".join(texts)))
    assert "KEY_A" in names and [name for name in sorted(names) if not hasattr(tarnu.KeyEvent, name)] == []


CPP_WORDS = {"int", "long", "short", "char", "double", "float", "bool", "unsigned", "signed", "const"}


def takes_names(function):
    """Whether a call takes arguments by name: the binding library lists the C++ forms of a call that fits none,
    with the names of their arguments when it has them."""
    try:
        function(no_such_argument=None)
    except Exception as error:  # Boost.Python.ArgumentError
        for arguments in re.findall(r"^\s*\w+\((.*)\)$", str(error), re.M):
            arguments = re.sub(r"\{[^}]*\}", "", arguments)  # {lvalue}
            while "<" in arguments:  # template arguments hold commas of their own
                arguments = re.sub(r"<[^<>]*>", "", arguments)
            for argument in arguments.split(","):
                named = re.search(r"[\w*&]\s+([a-z_]\w*)$", argument.partition("=")[0].strip())
                if named and named.group(1) not in CPP_WORDS:
                    return True
        return False
    raise AssertionError("%r took an argument it has not" % function)


def test_the_calls_the_readme_says_take_names_are_those_that_do():
    sentence = re.search(r"in these\s+calls only:(.*?)\.\n", PROSE, re.S).group(1)
    said = set(re.findall(r"`([\w.]+)`", sentence))
    taking = set()
    for owner in engine_classes():
        for name, value in vars(owner).items():
            function = value.__func__ if isinstance(value, staticmethod) else value
            if isinstance(function, FUNCTION) and takes_names(function):
                taking.add(owner.__qualname__ if name == "__init__" else owner.__qualname__ + "." + name)
    assert said == taking
    assert tarnu.Circle(center=tarnu.Vector2(1, 2), radius=8).radius == 8, "as the README's own example"
