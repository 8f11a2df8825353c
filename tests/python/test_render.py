"""Drawing a scene from a game script: what Root.run leaves in the window (read back pixel by pixel through
a camera the size of the window, so world units are pixels), the texture, camera and render-manager messages
in the logs, and bad input that must neither crash nor hang. Each scenario runs in its own process."""

import pytest

from logfiles import read_log
from scene_prelude import BLACK, BLUE, RED, WHITE, near, run


def test_python_surface_of_rendering_and_animation_without_an_engine():
    import tarnu
    from tarnu import (Animatable, AnimationActionEvent, AnimationEvent, Camera, Component, Event, FactoryEvent,
                       OccludedAnimatable, OccludedQuad, QuadtreeRenderManager, RenderableBox, RenderableCircle,
                       RenderableGeometry, Renderable, RenderManager, Slot, StaticImage)
    # The classes in the order they are registered, each with its Python bases and its own attributes in order.
    # The render manager and the occlusion interface have no engine base in Python, as Component has none.
    instance = Component.__bases__[0]
    surface = [
        (RenderManager, [instance], "connect disconnect getMainCamera setMainCamera"),
        (QuadtreeRenderManager, [RenderManager], "createNew"),
        (Camera, [Component], "convertPosition getViewport"),
        (Renderable, [Component], "getZOrder setAlpha connect disconnectAll"),
        (StaticImage, [Renderable], ""),
        (Animatable, [Renderable], "NO_ANIMATION setAnimation getCurrentAnimation animationAvailable advancePosition "
                                   "setPosition getCurrentPosition getAnimationLength setLooping isLooping"),
        (AnimationEvent, [Event], "TYPE"),
        (AnimationActionEvent, [FactoryEvent], "TYPE FACTORY_TYPE setAnimation setPosition"),
        (OccludedQuad, [instance], "Direction HORIZONTAL VERTICAL setOcclusion getOcclusion setMinPos getMinPos "
                                   "setMaxPos getMaxPos"),
        (OccludedAnimatable, [Animatable, OccludedQuad], ""),
        (RenderableGeometry, [Renderable], "createFromBound"),
        (RenderableBox, [RenderableGeometry], "update"),
        (RenderableCircle, [RenderableGeometry], "update"),
    ]
    assert [cls.__name__ for cls, bases, _ in surface if list(cls.__bases__) != bases] == []
    assert [cls.__name__ for cls, _, names in surface
            if [name for name in vars(cls) if not name.startswith("_")] != names.split()] == []
    module = list(vars(tarnu))
    assert sorted(module.index(cls.__name__) for cls, _, _ in surface) == [module.index(cls.__name__)
                                                                        for cls, _, _ in surface]
    assert "disconnect" in vars(Slot)
    assert int(OccludedQuad.HORIZONTAL) == 0 and OccludedQuad.Direction.VERTICAL == OccludedQuad.VERTICAL == 1
    assert Animatable.NO_ANIMATION == "None" and AnimationActionEvent.FACTORY_TYPE == "AnimationAction"
    assert 0 < AnimationEvent.TYPE != AnimationActionEvent.TYPE > 0
    action = AnimationActionEvent.setAnimation("walk")
    assert isinstance(action, FactoryEvent) and action.eventType == AnimationActionEvent.TYPE
    assert action.eventTime == 0.0 and AnimationActionEvent.setPosition(2.5).eventTime == 0.0
    bases = [cls for cls, _, _ in surface if cls is not OccludedAnimatable]
    # Nothing here is made from Python but slots and occluded sprites; managers come from createNew, each new
    # and unconnected.
    for cls in bases:
        with pytest.raises(RuntimeError, match="cannot be instantiated"):
            cls()
    bar = OccludedAnimatable(OccludedQuad.HORIZONTAL, 2.5)
    assert [bar.getZOrder(), bar.getOcclusion(), bar.getMinPos(), bar.getMaxPos(), bar.getCurrentAnimation()] \
        == [2.5, 1.0, 0.0, 1.0, "None"] and bar.getType() == "OccludedAnimatable"
    # The occlusion is clamped as setOcclusion clamps it; the range is taken as given.
    bar = OccludedAnimatable(OccludedQuad.VERTICAL, 0, 1, 0, 2)
    assert [bar.getOcclusion(), bar.getMinPos(), bar.getMaxPos()] == [1.0, 1.0, 0.0]
    assert OccludedAnimatable(zOrder=1, direction=OccludedQuad.HORIZONTAL, occlusion=-3).getOcclusion() == 0.0
    with pytest.raises(TypeError):
        OccludedAnimatable()
    first, second = QuadtreeRenderManager.createNew(), QuadtreeRenderManager.createNew()
    assert first != second and first.getMainCamera() is None
    first.disconnect()
    outline = RenderableGeometry.createFromBound(tarnu.OrientedBox(tarnu.Vector2(0, 0), tarnu.Vector2(4, 2)), 2.5)
    assert type(outline) is RenderableBox and outline.getZOrder() == 2.5 and outline.getType() == "RenderableBox"
    assert type(RenderableGeometry.createFromBound(tarnu.Circle(tarnu.Vector2(1, 1), 2), 0)) is RenderableCircle
    assert isinstance(Slot(), Slot)


def test_scene_draws_quads_in_z_order_with_alpha_outlines_and_a_right_side_up_image(run_script, tmp_path):
    said = run(run_script, """
# Lower z-orders underneath; equal z-orders in the order they were added, whatever their addresses.
place(quad((0, 0, 1), z=5), "", 30, 30)
place(quad((1, 0, 0), z=1), "", 34, 30)
place(quad((1, 0, 0), z=9, alpha=0.5), "", 30, 60)
place(quad((0, 0, 1), z=2), "", 30, 60)
for index, colour in enumerate([(1, 0, 0), (0, 1, 0), (0, 0, 1), (1, 1, 0), (0, 1, 1), (1, 0, 1)]):
    place(quad(colour, half=6, z=3), "", 30 + index, 95)
# Outlines of an axis-aligned box (0,0)-(20,10) and of a circle of radius 8.
place(RenderableGeometry.createFromBound(AxisAlignedBox(Vector2(0, 0), Vector2(20, 10)), 0), "box", 70, 20)
place(RenderableGeometry.createFromBound(Circle(Vector2(0, 0), 8), 0), "circle", 80, 60)
# An outline filed far out of view and then updated into it is filed anew and drawn.
moved = RenderableGeometry.createFromBound(AxisAlignedBox(Vector2(-500, -500), Vector2(-490, -490)), 0)
place(moved, "moved", 130, 20)
frame()
moved.update(AxisAlignedBox(Vector2(-5, -5), Vector2(5, 5)))
# A texture whose upper half is red and lower half blue.
images.write_png("halves.png", 16, 16, images.halves((255, 0, 0, 255), (0, 0, 255, 255), 16))
place(make("StaticImage", filename="halves.png", texCoord="<0,0>,<1,1>", zOrder=0, min="<-8,-8>", max="<8,8>"),
      "image", 130, 60)
frame()
say("z", [at(22, 30), at(32, 30), at(42, 30)])
say("alpha", at(30, 60))
say("ties", at(33, 95))
say("box", [brightest(70, 25), brightest(90, 25), brightest(80, 20), brightest(80, 30), at(80, 25)])
say("circle", [brightest(88, 60), at(80, 60)])
say("image", [at(130, 64), at(130, 56)])
say("updated", brightest(125, 20))
""")
    assert said["z"][0] == BLUE and said["z"][1] == BLUE and said["z"][2] == RED
    assert near(said["alpha"], [128, 0, 127])
    assert said["ties"] == [255, 0, 255], "the last of equal z-orders is on top"
    left, right, bottom, top, inside = said["box"]
    assert left == right == bottom == top == WHITE and inside == BLACK
    assert said["circle"] == [WHITE, BLACK]
    assert said["image"] == [RED, BLUE], "the image's top row is drawn at the top"
    assert said["updated"] == WHITE
    assert "Error" not in " ".join(read_log(tmp_path / "VideoSystemLog.txt"))


def test_repeated_background_covers_the_view_wherever_the_camera_scrolls(run_script):
    said = run(run_script, """
# Tiles of 16 with a red left half and a blue right half: at x = 16 k + 4 red, at 16 k + 12 blue.
images.write_png("tile.png", 16, 16, lambda x, y: (255, 0, 0, 255) if x < 8 else (0, 0, 255, 255))
place(make("RepeatedStaticImage", camera="camera", repeatX="true", repeatY="true", filename="tile.png",
           texCoord="<0,0>,<1,1>", zOrder=-10, min="<0,0>", max="<16,16>"), "background")
def covered():
    return all(at(x, y) == [255, 0, 0] and at(x + 8, y) == [0, 0, 255] for x in range(4, W - 8, 16) for y in (3, H // 2, H - 3))
frame()
seen = [covered()]
for x, y in ((10000, 5000), (-123456.5, 987.25), (1e6, -7e5)):
    camera.setPosition(Vector2(x, y))
    frame()
    seen.append(covered())
# Far out, where OpenGL's floats no longer place pixels, tiling still costs the same.
camera.setPosition(Vector2(3e15, -2e15))
frame()
say("covered", seen)
""")
    assert said["covered"] == [True] * 4


def test_slots_veto_drawing_copies_start_afresh_and_what_lies_outside_the_view_is_not_asked(run_script):
    said = run(run_script, """
calls = []
class Veto(Slot):
    def __init__(self, name, answer):
        Slot.__init__(self)
        self.name, self.answer = name, answer
    def __call__(self, renderable):
        calls.append((self.name, renderable.getZOrder()))
        return self.answer

hidden, shown, far = quad((1, 0, 0), z=1), quad((0, 1, 0), z=2), quad((0, 0, 1), z=3)
no, yes, asked, broken = Veto("no", False), Veto("yes", True), Veto("far", True), Veto("broken", True)
broken.__call__ = None  # a slot whose call fails lets the renderable be drawn
for slot in (yes, no, yes):
    hidden.connect(slot)
shown.connect(yes)
shown.connect(broken)
far.connect(asked)
original = place(hidden, "hidden", 40, 60)
place(shown, "shown", 80, 60)
place(far, "far", 1000, 60)
frame()
say("first", [at(40, 60), at(80, 60), sorted(calls)])

# A copy draws, without the original's slots and without its place in the render manager.
copy = Entity.createCopy(original.getEntity(), "copy")
node = SceneNode.createNew(Vector2(120, 60))
node.attach(copy)
scene.addNode(node)
# A slot that is collected leaves its signal.
del calls[:]
no = None
import gc; gc.collect()
frame()
say("after", [at(40, 60), at(120, 60), sorted(calls)])
""")
    first_pixels = said["first"][:2]
    assert first_pixels == [BLACK, [0, 255, 0]]
    assert said["first"][2] == [["no", 1.0], ["yes", 1.0], ["yes", 2.0]], \
        "every slot asked once a frame, even after a refusal; nothing asked of what lies outside the view"
    assert said["after"] == [[255, 0, 0], [255, 0, 0], [["yes", 1.0], ["yes", 2.0]]]


def test_slave_shows_its_master_and_moving_images_follow_their_nodes(run_script):
    said = run(run_script, """
# The slave comes first: it is filed once its master is there.
place(make("SlaveRenderable", entity="master"), "slave", 120, 40)
master = place(quad((0, 1, 0), static="false"), "master", 40, 40)
# A static image bakes its place; moved, it is drawn at the new one.
still = place(quad((1, 0, 0), static="true"), "still", 40, 90)
frame()
before = [at(40, 40), at(120, 40), at(40, 90)]
master.translate(Vector2(10, 0))
still.translate(Vector2(60, 0))
frame()
say("slave", before + [at(50, 40), at(120, 40), at(40, 90), at(100, 90)])
# Slaves of each other draw nothing; nor does a slave whose master has gone.
place(make("SlaveRenderable", entity="b"), "a", 20, 110)
place(make("SlaveRenderable", entity="a"), "b", 20, 110)
scene.removeNode(master)
frame()
say("gone", [at(120, 40), at(20, 110)])
""")
    green, red = [0, 255, 0], [255, 0, 0]
    assert said["slave"] == [green, green, red, green, green, BLACK, red]
    assert said["gone"] == [BLACK, BLACK]


def test_cameras_main_camera_view_and_window_positions(run_script, tmp_path):
    said = run(run_script, """
view = lambda box: [round(v, 6) for v in (box.getDimensions().min.x, box.getDimensions().min.y,
                                          box.getDimensions().max.x, box.getDimensions().max.y)]
main = renderer.getMainCamera()
wide = make("Camera", dimensions="<800,600>")
wide_node = place(wide, "a-wide", 100, 50)
say("main", [main.getEntity().getName(), view(wide.getViewport())])
say("convert", [[round(c, 6) for c in (p.x, p.y)] for p in
                (wide.convertPosition(0, H), wide.convertPosition(W // 2, H // 2), main.convertPosition(W, 0))])
# A node's world scale scales both the view and the window's positions in it.
wide_node.setScale(Scale(2, 0.5))
p = wide.convertPosition(0, H)
say("scaled", [view(wide.getViewport()), [p.x, p.y]])
# Turned by a quarter: the right edge's centre lies above the view's centre.
wide_node.setScale(Scale(1, 1))
wide_node.setOrientation(Complex(0, 1))
p = wide.convertPosition(W, H // 2)
say("turned", [round(p.x, 6), round(p.y, 6)])
# A second camera on an entity of the same name is not filed, and its leaving takes nothing with it.
twin = place(make("Camera", dimensions="<1,1>"), "camera", 0, 0)
scene.removeNode(twin)
say("twin", renderer.getMainCamera().getEntity().getName() == "camera" and renderer.getMainCamera() == main)
renderer.setMainCamera("a-wide")
renderer.setMainCamera("nobody")
say("switched", renderer.getMainCamera().getEntity().getName())
scene.removeNode(wide_node)
say("fallback", renderer.getMainCamera().getEntity().getName())
scene.removeNode(camera)
say("none", renderer.getMainCamera() is None)
frame()
free = make("Camera", dimensions="<4,2>")
say("free", [view(free.getViewport()), [free.convertPosition(3, 3).x, free.convertPosition(3, 3).y]])
say("errors", [attempt(lambda: make("Camera")), attempt(lambda: make("Camera", dimensions="wide"))])
""")
    assert said["main"] == ["camera", [-300, -250, 500, 350]]
    assert said["convert"] == [[-300, -250], [100, 50], [160, 120]]
    assert said["scaled"] == [[-700, -100, 900, 200], [-700, -100]]
    assert said["turned"] == [100, 450]
    assert said["twin"] is True
    assert said["switched"] == "a-wide" and said["fallback"] == "camera" and said["none"] is True
    assert said["free"] == [[-2, -1, 2, 1], [0, 0]]
    assert said["errors"] == ["RuntimeError: Could not find parameter 'dimensions'",
                              "RuntimeError: Unable to convert parameter 'dimensions' to class Tarnu::Vector2"]
    assert "Error: No main camera, unable to render scene." in read_log(tmp_path / "VideoSystemLog.txt")


def test_render_manager_connects_once_disconnects_cleanly_and_connects_again(run_script):
    said = run(run_script, """
place(quad((1, 0, 0)), "red", 80, 60)
other = SceneManager.createNew()
spare = QuadtreeRenderManager.createNew()
renderer.connect(other)
spare.connect(scene)
say("refused", [other.getRenderManager() is None, scene.getRenderManager() == renderer, spare.getMainCamera() is None])
frame()
drawn = at(80, 60)
renderer.disconnect()
renderer.disconnect()
say("disconnected", [scene.getRenderManager() is None, renderer.getMainCamera().getEntity().getName()])
# Drawing with a manager that has no scene draws nothing and raises nothing.
frame()
say("after disconnect", [drawn, at(80, 60)])
node = scene.getEntity("red").getSceneNode()
node.translate(Vector2(1, 1))  # its node no longer reports to the manager that let it go
renderer.connect(scene)
frame()
say("again", [scene.getRenderManager() == renderer, at(81, 61)])
""")
    assert said["refused"] == [True, True, True]
    assert said["disconnected"] == [True, "camera"]
    assert said["after disconnect"] == [[255, 0, 0], BLACK]
    assert said["again"] == [True, [255, 0, 0]]


def test_bad_images_and_numbers_are_logged_or_refused_and_the_game_goes_on(run_script, tmp_path):
    said = run(run_script, """
images.write_png("wide.png", 100, 64, images.solid((255, 0, 0, 255)))
images.write_png("rgb.png", 64, 64, images.solid((255, 0, 0, 255)), alpha=False)
images.write_png("good.png", 64, 32, images.solid((0, 255, 0, 255)))
open("text.png", "w").write("not an image")
def image(name, x):
    return place(make("StaticImage", filename=name, texCoord="<0,0>,<1,1>", zOrder=0, min="<-8,-8>", max="<8,8>"),
                 "", x, 20)
for index, name in enumerate(("missing.png", "wide.png", "rgb.png", "text.png", "good.png")):
    image(name, 16 + 30 * index)
nan, inf = float("nan"), float("inf")
box = RenderableGeometry.createFromBound(AxisAlignedBox(Vector2(-5, -5), Vector2(5, 5)), 1e300)
say("numbers", [attempt(lambda: box.setAlpha(nan)),
                attempt(lambda: RenderableGeometry.createFromBound(Circle(Vector2(0, 0), 1), nan)),
                attempt(lambda: RenderableGeometry.createFromBound(Circle(Vector2(0, 0), 1), inf))])
place(box, "huge z", 80, 80)
faint = quad((1, 1, 1), alpha=-3)
place(faint, "faint", 40, 80)
say("places", [attempt(lambda: place(quad((1, 1, 1)), "lost", nan, nan)),
               attempt(lambda: place(quad((1, 1, 1)), "far", inf, 0))])
place(make("RepeatedStaticImage", camera="camera", repeatX="true", repeatY="true", filename="good.png",
           texCoord="<0,0>,<1,1>", zOrder=-1, min="<5,5>", max="<5,5>"), "flat")
frame()
say("drawn", [at(16 + 30 * i, 20) for i in range(5)] + [brightest(75, 80), at(40, 80)])
# A camera of no size, or of a size past the largest number, draws nothing and says so; it cannot lose its place.
camera.setScale(Scale(0, 1))
frame()
camera.setScale(Scale(1e307, 1))
frame()
camera.setScale(Scale(1, 1))
say("lost camera", attempt(lambda: camera.setPosition(Vector2(nan, 0))))
say("errors", [attempt(lambda: make("StaticImage", texCoord="<0,0>,<1,1>", zOrder=0)),
               attempt(lambda: make("StaticImage", filename="x", texCoord="corner", zOrder=0)),
               attempt(lambda: make("RepeatedStaticImage", filename="x", texCoord="<0,0>,<1,1>", zOrder=0)),
               attempt(lambda: make("RenderableBox")),
               attempt(lambda: make("SlaveRenderable"))])
""")
    assert said["numbers"] == ["ValueError: alpha must be a finite number, not nan",
                               "ValueError: zOrder must be a finite number, not nan",
                               "ValueError: zOrder must be a finite number, not inf"]
    assert said["places"] == ["ValueError: pos must have finite components, not <nan,nan>",
                              "ValueError: pos must have finite components, not <inf,0>"]
    assert said["lost camera"] == "ValueError: pos must have finite components, not <nan,0>"
    # An image whose file cannot be used is drawn untextured, in its colour (white).
    assert said["drawn"] == [WHITE] * 4 + [[0, 255, 0], WHITE, BLACK]
    assert said["errors"] == [
        "RuntimeError: Error creating StaticImage: Could not find parameter 'filename'",
        "RuntimeError: Error creating StaticImage: Unable to convert parameter 'texCoord' to class Tarnu::AxisAlignedBox",
        "RuntimeError: Could not find parameter 'camera'",
        "RuntimeError: Could not find parameter 'zOrder'",
        "RuntimeError: Could not find parameter 'entity'"]
    video = read_log(tmp_path / "VideoSystemLog.txt")
    assert any(line.startswith("Error attempting to load texture missing.png: ") and
               line.endswith("; using blank texture.") for line in video)
    assert "Warning: invalid image format for texture wide.png: bpp: 32 width: 100 height: 64." in video
    assert "Warning: texture rgb.pngwas not of bitdepth 32, aborting load" in video
    assert any(line.startswith("Error attempting to load texture text.png: ") for line in video)
    assert video.count("Error: Main camera's view is empty or not finite, unable to render scene.") == 2
    # Critical texture messages reach the default log too; the bit-depth warning does not.
    tarnu = read_log(tmp_path / "TarnuLog.txt")
    assert "Warning: invalid image format for texture wide.png: bpp: 32 width: 100 height: 64." in tarnu
    assert not any("bitdepth" in line for line in tarnu)
    assert tarnu.count("Initialized texture manager.") == 1 and tarnu.count("Texture manager shut down.") == 1


def test_slots_that_change_the_scene_while_they_are_asked_leave_a_sound_frame(run_script):
    said = run(run_script, """
import gc
class Meddler(Slot):
    def __init__(self, act):
        Slot.__init__(self)
        self.act = act
    def __call__(self, renderable):
        self.act(renderable)
        return True

nodes = {name: place(quad(colour, z=z), name, x, 60)
         for name, colour, z, x in (("a", (1, 0, 0), 1, 20), ("b", (0, 1, 0), 2, 60), ("c", (0, 0, 1), 3, 100),
                                    ("d", (1, 1, 0), 4, 140))}
def take(name):
    # The node may hold the last references: the entity and its renderable die here.
    node = nodes.pop(name, None)
    if node is not None:
        scene.removeNode(node)
        gc.collect()
# a's slot removes b, asked after it, and a itself; c's slot removes d.
slots = [Meddler(lambda r: (take("b"), take("a"))), Meddler(lambda r: take("d"))]
Component.getComponent("Renderable", scene.getEntity("a")).connect(slots[0])
Component.getComponent("Renderable", scene.getEntity("c")).connect(slots[1])
frame()
say("removed", [at(20, 60), at(60, 60), at(100, 60), at(140, 60)])

# A slot that disconnects the render manager in the middle of its pass.
Component.getComponent("Renderable", scene.getEntity("c")).disconnectAll()
late = place(quad((1, 0, 1), z=5), "late", 140, 60)
stopper = Meddler(lambda r: renderer.disconnect())
Component.getComponent("Renderable", scene.getEntity("late")).connect(stopper)
frame()
say("disconnected", [scene.getRenderManager() is None, at(100, 60), at(140, 60)])
del nodes, late, slots, stopper
""")
    assert said["removed"] == [BLACK, BLACK, [0, 0, 255], BLACK]
    assert said["disconnected"] == [True, BLACK, BLACK]


def test_small_sprites_far_off_the_diagonal_are_found_in_every_quadrant_and_after_moving(run_script):
    said = run(run_script, """
# Each sprite lies far along one axis and near the other, so a tree that mixed up its x and y halves
# would file it in a node that the view never meets. Some lie beyond the tree's cells, filed at its root.
spots = [(sx * far, sy * near) for far, near in ((3000, 20), (5000, 1500), (6000, 40))
         for sx in (1, -1) for sy in (1, -1)]
nodes = [place(quad((1, 0, 0), half=4), "", x, y) for x, y in spots]
place(quad((0, 1, 0), half=4), "", 9000, -30)
def look(x, y):
    camera.setPosition(Vector2(x, y))
    frame()
    return at(W // 2, H // 2)
say("placed", [look(x, y) for x, y in spots + [(9000, -30)]])
# Moved across to the mirrored place, each is filed anew where it now lies, and nothing stays behind.
for node, (x, y) in zip(nodes, spots):
    node.setPosition(Vector2(y, x))
say("moved", [look(y, x) for x, y in spots] + [look(x, y) for x, y in spots[:4]])
""")
    assert said["placed"] == [RED] * 12 + [[0, 255, 0]]
    assert said["moved"] == [RED] * 12 + [BLACK] * 4


@pytest.mark.parametrize("width, height", [(80, 120), (320, 60), (160, 30)], ids=["narrow", "wide", "flat"])
def test_a_camera_with_different_units_across_and_up_puts_each_sprite_in_its_place(run_script, width, height):
    # A sprite 8 units square, an eighth of the view left of its centre and a quarter above it: the window shows it
    # centred on pixel (60, 90).
    said = run(run_script, """
place(make("Camera", dimensions="<%d,%d>"), "stretched", 1000, -500)
renderer.setMainCamera("stretched")
place(quad((1, 1, 1), half=4), "sprite", 1000 - %d / 8.0, -500 + %d / 4.0)
frame()
columns = [x for x in range(W) if at(x, H * 3 // 4) != [0, 0, 0]]
rows = [y for y in range(H) if at(W * 3 // 8, y) != [0, 0, 0]]
say("span", [columns[0], columns[-1] + 1, rows[0], rows[-1] + 1])
""" % (width, height, width, height))
    across, up = 4 * 160 / width, 4 * 120 / height  # pixels from its centre to its sides
    assert near(said["span"], [60 - across, 60 + across, 90 - up, 90 + up], 1), said["span"]


# A ComponentAdder, and the changes a data file's ComponentAddition posts to it.
ADDITIONS = """
director = place(make("ComponentAdder"), "director")
def addition(action, name, **more):
    params = ParameterList()
    for key, value in dict(action=action, entity=name, **more).items():
        params.add(key, value)
    scene.postEvent(EventFactory.getSingleton().create("ComponentAddition", params))
"""


def test_a_slave_follows_its_master_through_a_new_renderable_and_a_new_entity_of_the_same_name(run_script):
    said = run(run_script, ADDITIONS + """
place(make("SlaveRenderable", entity="master"), "slave", 120, 60)
# Just beyond the view's right edge: only a master's picture wider than 24 reaches into the view.
place(make("SlaveRenderable", entity="master"), "edge", W + 12, 100)
# The master keeps its entity and changes its renderable, for a wider one; then its entity is killed, and another of
# the same name, as narrow as the first, takes its place.
steps = [lambda: place(quad((0, 1, 0), static="false"), "master", 40, 60),
         lambda: addition("RemoveComponent", "master", type="Renderable"),
         lambda: scene.getEntity("master").addComponent(quad((0, 0, 1), half=20, static="false")),
         lambda: scene.getEntity("master").kill(), lambda: place(quad((1, 0, 0), static="false"), "master", 40, 20)]
for number, step in enumerate(steps):
    step()
    frame()
    say(number, [at(120, 60), at(W - 4, 100), at(40, 20)])
""")
    assert [said[number] for number in range(5)] == [[[0, 255, 0], BLACK, BLACK], [BLACK] * 3, [BLUE, BLUE, BLACK],
                                                     [BLACK] * 3, [RED, BLACK, RED]]


def test_a_renderable_that_a_slot_took_out_of_the_scene_is_not_asked_by_its_next_slot(run_script):
    said = run(run_script, ADDITIONS + """
import gc
class Meddler(Slot):
    def __init__(self, act):
        Slot.__init__(self)
        self.__call__ = lambda renderable: act(renderable) or True
other, nodes, asked = SceneManager.createNew(), {}, []
# Each way a slot can take its renderable out of the scene, by the renderable's zOrder.
removals = [lambda name: (scene.removeNode(nodes.pop(name)), gc.collect()),
            lambda name: addition("RemoveComponent", name, type="Renderable"),
            lambda name: addition("RemoveEntity", name),
            lambda name: (scene.removeNode(nodes[name]), other.addNode(nodes[name]))]
# A renderable that has lost its entity comes as None.
asker = Meddler(lambda renderable: asked.append(renderable and renderable.getZOrder()))
takers = [Meddler(lambda _, name="r%d" % z, take=take: take(name)) for z, take in enumerate(removals, 1)]
# The last, green, is taken by no slot.
for z, taker in enumerate(takers + [None], 1):
    renderable = quad((1, 0, 0) if taker else (0, 1, 0), z=z)
    nodes["r%d" % z] = place(renderable, "r%d" % z, 20 * z, 60)
    for slot in filter(None, (taker, asker)):
        renderable.connect(slot)
del renderable
frame()
say("asked and drawn", [asked, [at(20 * z, 60) for z in range(1, 6)]])
nodes.clear()
del takers, removals
""")
    assert said["asked and drawn"] == [[5.0], [BLACK] * 4 + [[0, 255, 0]]]


# Ways a slot of the first renderable asked takes the second out of the render manager while the second keeps its
# slots: whatever happened to it, the second is asked and drawn only from the next frame on.
@pytest.mark.parametrize("take, drawn_first", [
    ("renderer.disconnect()", BLACK),
    ("renderer.disconnect()\n    renderer.connect(scene)", BLACK),
    ("scene.removeNode(later)\n    scene.addNode(later)\n    second.connect(asker)", RED),
], ids=["render manager disconnected", "render manager connected anew", "taken out and put back with its slot"])
def test_a_renderable_that_an_earlier_slot_took_out_is_neither_asked_nor_drawn_in_that_frame(run_script, take,
                                                                                              drawn_first):
    said = run(run_script, """
asked = []
class Asker(Slot):
    def __call__(self, renderable):
        asked.append(renderable.getZOrder())
        return True

class Taker(Slot):
    def __init__(self, take):
        Slot.__init__(self)
        self.take = take
    def __call__(self, renderable):
        take, self.take = self.take, None
        if take:
            take()
        return True

def take():
    %s

first, second = quad((1, 0, 0), z=1), quad((0, 1, 0), z=2)
place(first, "first", 40, 60)
later = place(second, "second", 80, 60)
asker, taker = Asker(), Taker(take)
for renderable, slot in ((first, taker), (first, asker), (second, asker)):
    renderable.connect(slot)
frame()
say("taken", [asked, at(40, 60), at(80, 60)])
del asked[:]
if scene.getRenderManager() is None:
    renderer.connect(scene)
frame()
say("next", [asked, at(40, 60), at(80, 60)])
del first, second, later, asker, taker
""" % take)
    assert said["taken"] == [[1.0], drawn_first, BLACK]
    assert said["next"] == [[1.0, 2.0], RED, [0, 255, 0]]
