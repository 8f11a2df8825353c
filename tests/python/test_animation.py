"""Animated sprites in a scene drawn headless: which frame is shown at which time (read back pixel by pixel), the
animation events a script hears and when, AnimateAndDie, occluded bars, action events from scripts and event
scripts, and bad sequences, names and numbers. The sequences come from a data file each scenario writes; a strip
of four bands shows red, green, blue and white from the bottom up. Each scenario runs in its own process."""

from logfiles import read_log
from scene_prelude import BLACK, BLUE, RED, WHITE, run

GREEN = [0, 255, 0]

SPRITES = """
BANDS = [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 255)]
images.write_png("strip.png", 16, 64, lambda x, y: BANDS[3 - y // 16])
images.write_png("bar.png", 16, 16, lambda x, y: (255, 0, 0, 255) if x < 8 else (0, 0, 255, 255))
# Frames of 1, 2 and 1 animation frames: at 4 fps they last 0.25, 0.5 and 0.25 s.
open("sprites.xml", "w").write('''<Data>
  <EntityTemplate name="Sprites"/>
  <AnimationSequence name="blink" type="StripSequence" stripSize="4" quad="&lt;-10,-10&gt;,&lt;10,10&gt;"
                     filename="strip.png">
    <Frame index="0" length="1"/><Frame index="1" length="2"/><Frame index="2" length="1"/>
  </AnimationSequence>
  <AnimationSequence name="white" type="StripSequence" stripSize="4" quad="&lt;-10,-10&gt;,&lt;10,10&gt;"
                     filename="strip.png"><Frame index="3" length="1"/></AnimationSequence>
  <AnimationSequence name="bar" type="StripSequence" stripSize="1" quad="&lt;-20,-5&gt;,&lt;20,5&gt;"
                     filename="bar.png"><Frame index="0" length="1"/></AnimationSequence>
%s
</Data>''' % EXTRA)
EntityTemplateManager.getSingleton().loadTemplate("Sprites", "sprites.xml").load()

def sprite(kind="Animatable", **values):
    values.setdefault("zOrder", 0)
    return make(kind, sequence0="blink", name0="blink", fps0=4, sequence1="white", name1="white", fps1=4, **values)

hold = ProcessManager.createNew(0.0)
def still():
    # A frame drawn without updating the scene: the clocks stand where they were set.
    sdl_input.quit()
    root.run(hold, renderer, 60)

def step():
    # One update of the scene at 4 steps a second (0.25 s), then a frame.
    sdl_input.quit()
    root.run(scene, renderer, 4)

class Heard(EventListener):
    # Counts the animation events an entity's listeners are given, and where the sprite stood then.
    def __init__(self, sprite):
        EventListener.__init__(self, AnimationEvent.TYPE)
        self.sprite, self.heard = sprite, []
    def handleEvent(self, event):
        self.heard.append([event.eventTime, self.sprite.getCurrentAnimation(), self.sprite.getCurrentPosition()])
"""


def play(run_script, source, extra=""):
    return run(run_script, "EXTRA = %r\n" % extra + SPRITES + source)


def test_frames_show_at_their_times_and_one_shot_animations_end_once(run_script):
    said = play(run_script, """
one = sprite(animation="blink")
node = place(one, "one", 40, 60)
shown = []
for time in (0, 0.25, 0.2500001, 0.75, 0.8, 5, -1):
    one.setPosition(time)
    still()
    shown.append(at(40, 60))
say("frames", shown)
say("length", [one.getAnimationLength(), one.getAnimationLength("white"), one.getAnimationLength("None"),
               one.animationAvailable("blink"), one.animationAvailable("None"), Animatable.NO_ANIMATION])

# Started when set, ended once when the clock reaches the end from below, and never again.
node.getEntity().dispatchEvents(-1)  # what the frames above queued is gone unheard
heard = Heard(one)
node.getEntity().addEventListener(heard)
one.setAnimation("blink")
positions = []
for _ in range(6):
    step()
    positions.append([one.getCurrentPosition(), len(heard.heard)])
say("one-shot", [positions, heard.heard, at(40, 60)])

# Looping wraps the clock and ends nothing.
del heard.heard[:]
one.setLooping(True)
one.setAnimation("blink", 0.9)
step()
say("looping", [round(one.getCurrentPosition(), 6), one.isLooping(), one.isLooping("white"), len(heard.heard),
                at(40, 60)])
node.getEntity().removeEventListener(heard)
""")
    assert said["frames"] == [RED, RED, GREEN, GREEN, BLUE, BLUE, RED]
    assert said["length"] == [1.0, 0.25, 0.0, True, False, "None"]
    positions, heard, last = said["one-shot"]
    assert positions == [[0.25, 1], [0.5, 1], [0.75, 1], [1.0, 2], [1.0, 2], [1.0, 2]]
    assert heard == [[0.0, "blink", 0.25], [0.0, "blink", 1.0]] and last == BLUE
    assert said["looping"] == [0.15, True, False, 1, RED]


def test_animate_and_die_action_events_and_event_scripts_steer_sprites(run_script):
    said = play(run_script, """
boom = place(sprite(animation="blink"), "boom", 40, 60)
boom.getEntity().addComponent(make("AnimateAndDie"))
loop = place(sprite(animation="blink", loop0="true"), "loop", 100, 60)
loop.getEntity().addComponent(make("AnimateAndDie"))
# Bare events under the animation numbers are not animation events: no sprite dies or changes of them.
boom.getEntity().queueEvent(Event(AnimationEvent.TYPE, 0))
boom.getEntity().postEvent(Event(AnimationActionEvent.TYPE, 0))
alive = []
for _ in range(5):
    step()
    alive.append([scene.getEntity("boom") is not None, scene.getEntity("loop") is not None])
say("alive", [alive, at(40, 60)])
del boom

# Action events posted on the entity set the animation or the position; one it cannot carry out is dropped.
walker = sprite()
node = place(walker, "walker", 40, 60)
entity = node.getEntity()
entity.postEvent(AnimationActionEvent.setAnimation("blink"))
entity.postEvent(AnimationActionEvent.setPosition(0.8))
still()
seen = [walker.getCurrentAnimation(), walker.getCurrentPosition(), at(40, 60)]
entity.postEvent(AnimationActionEvent.setAnimation("nothing", 0.5))
entity.postEvent(AnimationActionEvent.setAnimation("white", 0.0))
still()
say("actions", seen + [walker.getCurrentAnimation(), at(40, 60)])

# From data: the factory's "AnimationAction" with no "pos" sets the animation at 0.
events = EventFactory.getSingleton()
def action(**values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return events.create("AnimationAction", params)
entity.postEvent(action(action="SetAnimation", name="blink"))
say("made", [walker.getCurrentAnimation(), walker.getCurrentPosition(), AnimationActionEvent.FACTORY_TYPE,
             attempt(lambda: action(action="Jump")), attempt(lambda: action(action="SetPosition", name="blink")),
             attempt(lambda: action(action="SetAnimation"))])
script = EventScriptManager.getSingleton().loadScript("Flash", "")
script.load()
scene.addProcess(script.createProcess(scene))
step()
say("script", [walker.getCurrentAnimation(), walker.getCurrentPosition()])
del entity, node, walker
""", extra="""
  <EventScript name="Flash">
    <Event type="AnimationAction" time="0" destination="walker">
      <Param name="action" value="SetAnimation"/><Param name="name" value="white"/>
    </Event>
  </EventScript>""")
    alive, last = said["alive"]
    assert alive == [[True, True]] * 3 + [[False, True]] * 2, "killed in the update its animation ended in"
    assert last == BLACK
    assert said["actions"] == ["blink", 0.8, BLUE, "white", WHITE]
    assert said["made"] == ["blink", 0.0, "AnimationAction", "RuntimeError: Invalid type for action",
                            "RuntimeError: Could not find parameter 'pos'",
                            "RuntimeError: Could not find parameter 'name'"]
    assert said["script"] == ["white", 0.0], "the script's event is dispatched after the sprites advanced"


def test_no_animation_draws_nothing_and_every_sprite_has_its_own(run_script):
    said = play(run_script, """
shown = sprite(animation="blink")
place(shown, "shown", 40, 60)
other = sprite()
place(other, "other", 100, 60)
still()
before = [at(40, 60), at(100, 60), other.getCurrentAnimation(), other.getCurrentPosition()]
# Stopping the animation takes the sprite off the screen; setting one again brings it back.
shown.setAnimation("None")
still()
gone = at(40, 60)
# Looping the missing animation of one sprite touches no other sprite's.
shown.setLooping(True)
fresh = sprite()
say("none", before + [gone, shown.isLooping(), other.isLooping(), fresh.isLooping(), fresh.isLooping("None")])
shown.setAnimation("white")
still()
say("again", at(40, 60))
""")
    assert said["none"] == [RED, BLACK, "None", 0.0, BLACK, True, False, False, False]
    assert said["again"] == WHITE


def test_occluded_bars_keep_a_part_that_follows_their_occlusion(run_script):
    said = play(run_script, """
bar = make("OccludedAnimatable", zOrder=0, sequence0="bar", name0="bar", fps0=1, animation="bar", occlusion=0.5)
place(bar, "bar", 80, 60)
row = lambda: [at(x, 60) for x in (65, 75, 85, 95)]
still()
shown = [row()]
bar.setOcclusion(0.25)
still()
shown.append(row())
# Anchored at the right edge: with minPos 1 and maxPos 0 an occlusion of 0.25 keeps three quarters.
bar.setMinPos(1)
bar.setMaxPos(0)
still()
shown.append(row())
bar.setOcclusion(2)
still()
shown.append(row())
say("rows", shown)
say("values", [bar.getOcclusion(), bar.getMinPos(), bar.getMaxPos(), OccludedQuad.HORIZONTAL,
               OccludedQuad.Direction.VERTICAL, attempt(lambda: bar.setOcclusion(-1)), bar.getOcclusion()])
# A bar a script made itself is kept by its entity, and goes with it.
import weakref
made = OccludedAnimatable(OccludedQuad.VERTICAL, 1, occlusion=0.5)
made_node = place(made, "made", 20, 20)
made = weakref.ref(made)
still()
kept = [made() is not None and made().getOcclusion(), made() is not None and made().getEntity().getName()]
scene.removeNode(made_node)
del made_node
say("made", kept + [made() is None])
""")
    assert said["rows"] == [[RED, RED, BLACK, BLACK], [RED, BLACK, BLACK, BLACK], [BLACK, RED, BLUE, BLUE],
                            [BLACK] * 4]
    assert said["values"] == [1.0, 1.0, 0.0, 0, 1, None, 0.0]
    assert said["made"] == [0.5, "made", True]


# (minPos, maxPos, occlusion) and the part of a bar from x = 60 to 100 that is drawn, with the column where its
# red half gives way to blue (None when all of it is red; a column either way, where the texels blend): the
# occlusion is mapped onto the range, and the kept part of the picture is cut like the quad.
RANGES = [
    ((0.2, 0.6, 0.5), [60, 76], None),
    ((0.25, 0.75, 1.0), [60, 90], 80),
    ((0.5, 0.5, 0.3), [60, 80], None),
    ((0.8, 0.4, 0.25), [72, 100], 80),
    ((0.9, 0.1, 0.0), [64, 100], 80),
]


def test_occluded_bars_cut_at_the_occlusion_mapped_onto_their_range(run_script):
    said = play(run_script, """
ranges = %r
for index, (low, high, occlusion) in enumerate(ranges):
    place(make("OccludedAnimatable", zOrder=0, sequence0="bar", name0="bar", fps0=1, animation="bar", minPos=low,
               maxPos=high, occlusion=occlusion), "", 80, 12 + 20 * index)
still()
def drawn(y):
    columns = pixels.inked_columns(0, W, y, y + 1)
    blue = [x for x in columns if at(x, y)[2] > at(x, y)[0]]
    return [[columns[0], columns[-1] + 1] if columns else None, blue[0] if blue else None]
say("cuts", [drawn(12 + 20 * index) for index in range(len(ranges))])
""" % [values for values, _, _ in RANGES])
    assert [span for span, _ in said["cuts"]] == [span for _, span, _ in RANGES]
    assert all(blue == wanted or None not in (blue, wanted) and abs(blue - wanted) <= 1
               for (_, blue), (_, _, wanted) in zip(said["cuts"], RANGES)), said["cuts"]


def test_bad_sequences_names_and_numbers_are_logged_or_refused(run_script, tmp_path):
    said = play(run_script, """
nan, inf = float("nan"), float("inf")
one = sprite(animation="blink")
place(one, "one", 40, 60)
say("numbers", [attempt(lambda: one.setPosition(nan)), attempt(lambda: one.advancePosition(inf)),
                attempt(lambda: one.setAnimation("blink", nan)),
                attempt(lambda: AnimationActionEvent.setAnimation("blink", nan)),
                attempt(lambda: AnimationActionEvent.setPosition(inf)),
                one.getCurrentAnimation(), one.getCurrentPosition()])
say("names", [attempt(lambda: one.setAnimation("nope")), attempt(lambda: one.setLooping(True, "nope")),
              one.getCurrentAnimation()])
# The good sequences of a file load whatever its bad ones hold.
say("made", [attempt(lambda: make("Animatable", zOrder=0, sequence0="blink", name0="b")),
             attempt(lambda: make("Animatable", zOrder=0, sequence0="blink", name0="b", fps0=-1)),
             attempt(lambda: make("Animatable", zOrder=0, sequence0="outside", name0="o", fps0=4)),
             type(make("Animatable", zOrder=0, sequence0="blink", name0="b", fps0=4, animation="gone")).__name__,
             type(make("Animatable", zOrder=0, sequence0="", name0="b", fps0=4)).__name__])
say("bad", [attempt(lambda: make("Animatable", zOrder=0, sequence0=name, name0="x", fps0=4))
            for name in ("still", "empty", "untyped", "lost")])
""", extra="""
  <AnimationSequence name="outside" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;"
                     filename="strip.png"><Frame index="4" length="1"/></AnimationSequence>
  <AnimationSequence name="still" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;"
                     filename="strip.png"><Frame index="1" length="0"/></AnimationSequence>
  <AnimationSequence name="empty" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;"
                     filename="strip.png"/>
  <AnimationSequence name="untyped" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;" filename="strip.png"/>
  <AnimationSequence name="lost" type="StripSequence" stripSize="4" quad="&lt;0,0&gt;,&lt;1,1&gt;"
                     filename="nowhere.png"><Frame index="1" length="1"/></AnimationSequence>""")
    nan_refused = "ValueError: %s must be a finite number, not "
    numbers = said["numbers"]
    assert [n[:len(nan_refused % name)] for n, name in zip(numbers, ("time", "dt", "time", "position", "position"))] \
        == [nan_refused % name for name in ("time", "dt", "time", "position", "position")]
    assert numbers[5:] == ["blink", 0.0]
    assert said["names"] == ["RuntimeError: Animation not found."] * 2 + ["blink"]
    assert said["made"] == [
        "RuntimeError: Error creating Animatable: Could not find parameter 'fps0'",
        "ValueError: Error creating Animatable: fps must be a number not below 0, not -1.000000",
        "RuntimeError: Animation not found.",
        "Animatable", "Animatable"]
    assert said["bad"] == ["RuntimeError: Animation not found."] * 4
    xml = read_log(tmp_path / "XmlSystemLogFile.txt")
    for message in ("frame index 4 outside the 4 bands in StripSequence.",
                    "frame length 0 not positive in StripSequence.",
                    "no frame elements in StripSequence.",
                    "Error: Loading AnimationSequence untyped: unregistered sequence type: .",
                    "invalid filename nowhere.png for StripSequence."):
        assert message in xml
    assert "Loaded AnimationSequence blink." in xml and "Loaded AnimationSequence outside." not in xml
    video = read_log(tmp_path / "VideoSystemLog.txt")
    assert "Error: Cannot set gone to starting animation; not found in SequenceManager when creating animatable." \
        in video
    assert "Error:  not found in SequenceManager when creating animatable." in video
