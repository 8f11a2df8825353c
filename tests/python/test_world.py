"""Tile maps as a game script uses them: archives built at run time loaded into terrain, batches and entities (and
bad archives refused, whole), the fog of war following moving sights per player, drawn as black, half and full
brightness, the render vetoes hiding enemy units and unexplored entities, the queries of visibility and unexplored
tiles, and what is left when a script kills the map's parts or the map itself."""

import pytest

import archives

from logfiles import read_log
from scene_prelude import BLACK, BLUE, RED, WHITE, near, run
from tarnu import (AxisAlignedBox, Entity, GamePlayer, GamePlayerManager, GridPhysicsManager, PlayerUnit, SceneManager,
                   StaticCollidable, TileMap, Vector2, VisualReactor)

# Added to the drawing scene of scene_prelude (160 x 120, world units are pixels): a physics manager and
# players 1 (active) and 2.
WORLD = """
import archives
GridPhysicsManager.createNew().connect(scene)
for part in (GamePlayerManager(), GamePlayer(1, True), GamePlayer(2, False)):
    place(part)

def tile_map(rows, entities=()):
    # A map of 20-unit tiles centred on the camera, loaded and initialized.
    made = TileMap(Vector2(20, 20), 0, 0, 0)
    place(made, "map", W / 2, H / 2)
    made.loadFromFile(archives.write("map.tar.bz2", rows, entities))
    made.initialize()
    return made

def unit(player, x, y, reach=0, parts=()):
    # A unit of the player (None: a thing that is no unit): a body (a box of 2), the parts, and a sight (a box of
    # half side reach) on a child.
    node = place(StaticCollidable(AxisAlignedBox(Vector2(-1, -1), Vector2(1, 1))), "", x, y)
    for part in (() if player is None else (PlayerUnit(1, player, ""),)) + tuple(parts):
        node.getEntity().addComponent(part)
    if reach:
        sight = Entity.createEntity(StaticCollidable(AxisAlignedBox(Vector2(-reach, -reach), Vector2(reach, reach))))
        sight.getEntity().addComponent(VisualReactor())
        node.addChild(sight)
    return node

def veto(kind):
    return factory.create(kind, ParameterList())

def packed(rows, entities=()):
    return archives.pack({"map": archives.rows_text(rows), "entity": archives.rows_text(entities)})

class Arrivals(EventListener):
    # The entities that enter the scene during the call: those the map places among them.
    def __init__(self, call):
        EventListener.__init__(self, SceneEvent.TYPE)
        self.entities = []
        scene.addEventListener(self)
        call()
        scene.removeEventListener(self)
    def handleEvent(self, event):
        if event.type == SceneEvent.ENTITY_ADDED:
            self.entities.append(event.entity)
"""


def templates(*named):
    """The bytes of a data file of templates, each a square of 6 in its colour: (name, b"(r,g,b)") pairs."""
    return b"<Data>%s</Data>" % b"".join(
        b'<EntityTemplate name="%s"><Component type="StaticImage"><Param name="filename" value=""/>'
        b'<Param name="texCoord" value="&lt;0,0&gt;,&lt;1,1&gt;"/><Param name="zOrder" value="1"/>'
        b'<Param name="min" value="&lt;-3,-3&gt;"/><Param name="max" value="&lt;3,3&gt;"/>'
        b'<Param name="color" value="%s"/></Component></EntityTemplate>' % pair for pair in named)


@pytest.mark.parametrize("size, message", [((1, 0), "tileSize must be positive, not <1,0>"),
                                           ((1, float("nan")), "tileSize must have finite components, not <1,nan>")])
def test_a_tile_size_not_positive_and_finite_is_refused(size, message):
    with pytest.raises(ValueError) as refused:
        TileMap(Vector2(*size), 1, 1, 1)
    assert str(refused.value) == message


# Each row: what is being shown, a point, the colour expected there. The sheet's four quarters are red, green, blue
# and white; the map is 4 x 3 tiles of 20 from (40, 30), every tile seen by player 1; its tile (x, y) has its
# centre at (50 + 20x, 40 + 20y). Which cells make which tiles is the C++ archive tests' matter; here, how they draw.
# The map hides a green floor; above it, images drawn after the map's batches are still blended over it.
GREEN, YELLOW, MAGENTA, HALF = [0, 255, 0], [255, 255, 0], [255, 0, 255], [128, 128, 128]
ARCHIVE_TILES = [
    ("type 0", 56, 46, RED), ("type 1", 76, 46, GREEN), ("type 2", 96, 46, BLUE), ("row 1: type 2", 56, 66, BLUE),
    ("an entity on tile (0, 0)", 50, 40, YELLOW), ("the second of two entity rows wins", 110, 80, MAGENTA),
    ("a template that does not exist", 70, 40, GREEN), ("a texture's clear half", 14, 14, GREEN),
    ("its opaque half", 26, 14, RED), ("an opaque texture", 50, 14, BLUE), ("made faint", 80, 14, [0, 128, 128])]


# What a game's data files may name: every prototype and action event, but no part of a tile map.
PROTOTYPES = ("Animatable AnimateAndDie Camera ComponentAdder DynamicTextDisplay GamePlayer GamePlayerManager Movable "
              "OccludedAnimatable PlayerBeacon PlayerUnit PreventRenderWhenNotVisible PreventRenderWhenUnexplored "
              "RenderableBox RenderableCircle RepeatedStaticImage RunScriptWhenAdded ScriptRunner SingleStateBeacon "
              "SlaveRenderable StaticCollidable StaticImage StaticRandomDistributionSTG StraightLinePathfinder "
              "TemplateInstantiator TurnAndDashPathwalker UniformTimeIncrementSTC UnitFSMController VisualReactor "
              "VisualTargetSeeker").split()
ACTIONS = ("AnimationAction ComponentAddition PathfinderAction ScriptRunner SetVisualTarget TemplateInstantiation "
           "UnitFSMControllerAction").split()


def test_an_archive_loads_into_its_terrain_batches_and_entities(run_script, tmp_path):
    (tmp_path / "markers.xml").write_bytes(templates((b"Marker", b"(1,1,0)"), (b"Fels\xff", b"(1,0,1)")))
    said = run(run_script, WORLD + """
quarters = [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 255)]
images.write_png("sheet \\u00e9.png", 64, 16, lambda x, y: quarters[x // 16])
# Loading one template loads its file, where the archive's templates are found by name.
EntityTemplateManager.getSingleton().loadTemplate("Marker", "markers.xml").load()
types = [[1, 0, 0, 0.25, 1], [1, 0.25, 0, 0.5, 1], [1, 0.5, 0, 0.75, 1], [0, 9, 9, 9, 9]]
rows = [[], ["sheet \\u00e9.png", "", "", 4, 3, 2, 4, "not read"], []] + types + [
    [0, 1, 2, 3], [], [2, -1], [4, 0, 1, 2, 0]]
entities = [[0, 0, "Marker"], [3, 2, "Marker"], [3, 2, "Fels\\udcff"], [9, 9, "Marker"], [1, 0], [1, 0, "Nowhere"]]
tiles = tile_map(rows, entities)
unit(1, 80, 60, 100)
place(quad((0, 1, 0), half=80, z=-1), "floor", 80, 60)
images.write_png("half.png", 16, 16, lambda x, y: (255, 0, 0, 255 if x >= 8 else 0))
images.write_png("opaque.png", 16, 16, images.solid((0, 0, 255, 255)))
for name, x, extra in (("half.png", 20, {}), ("opaque.png", 50, {}), ("opaque.png", 80, {"alpha": 0.5})):
    place(make("StaticImage", filename=name, texCoord="<0,0>,<1,1>", zOrder=1, min="<-8,-8>", max="<8,8>", **extra),
          "", x, 14)
frame()
say("drawn", [at(x, y) for _, x, y, _ in %r])
say("box", str(tiles.getBoundingBox()))
say("misfiled", [name for name in %r if not factory.isRegistered(name)] +
    [name for name in %r if not EventFactory.getSingleton().isRegistered(name)] +
    [name for name in ("TileMap", "TileMap::BatchedRenderable") if factory.isRegistered(name)])
""" % (ARCHIVE_TILES, PROTOTYPES, ACTIONS))
    assert [(what, colour) for (what, _, _, colour), drawn in zip(ARCHIVE_TILES, said["drawn"])
            if not near(drawn, colour, 8)] == []
    assert said["box"] == "<40,30>,<120,90>"
    assert said["misfiled"] == []
    loading = "Warning: Loading tile map map.tar.bz2: "
    assert {loading + "2 tiles name a terrain type that is not defined; they are left as they were.",
            loading + "entity row 4 places 'Marker' on tile (9, 9), outside the 4 x 3 map; ignored.",
            "Loaded tile map map.tar.bz2: 4 x 3 tiles of 4 terrain types."} <= set(read_log(tmp_path / "TarnuLog.txt"))
    # The name of the template with a byte that is not UTF-8 passed through whole.
    xml = (tmp_path / "XmlSystemLogFile.txt").read_bytes().splitlines()
    assert any(b"Nowhere" in line and b"cannot find element" in line for line in xml)
    assert any(line.endswith(b"Loaded EntityTemplate Fels\xff.") for line in xml)


# The fog story on a 4 x 3 map of 20-unit tiles in two batches (columns 0-1, 2-3) whose texture cannot be read:
# untextured tiles are white at full brightness, grey at half, black where unexplored. Units stand at tile centres
# (50 + 20x, 40 + 20y); a sight is a box of 8 on its tile alone. A and B are player 1's sights, C is player 2's; E and
# D are player 2's units (D also hidden until explored), O is player 1's own, T is no unit and is hidden until
# explored, R is the map's entity on tile (0, 0); each shows a square of its colour. Each step: the moves (last, the
# first batch and R are killed, then the map goes first), then what is drawn at points of the picture.
FOG_STORY = [
    ([], {"A and B see (0, 0)": (56, 46, WHITE), "C's sight does not light player 1's tiles": (76, 46, BLACK),
          "E unseen": (90, 60, BLACK), "own O drawn unseen": (110, 80, GREEN), "T unexplored": (110, 40, BLACK),
          "D unseen": (70, 80, BLACK), "R": (50, 40, BLUE)}),
    (["A 110 40"], {"B still sees (0, 0)": (56, 46, WHITE), "A sees (3, 0)": (116, 46, WHITE),
                    "T explored": (110, 40, BLUE)}),
    (["B 90 60"], {"(0, 0) fogged": (56, 46, HALF), "E seen": (90, 60, RED), "(2, 1) seen": (96, 66, WHITE)}),
    (["A 70 80"], {"(3, 0) fogged": (116, 46, HALF), "T stays drawn": (110, 40, BLUE),
                   "D seen and explored": (70, 80, YELLOW)}),
    (["B 0 0"], {"E unseen again: its tile shows": (90, 60, HALF), "(2, 1) fogged": (96, 66, HALF),
                 "D still seen": (70, 80, YELLOW)}),
    (["A 0 0"], {"D explored but unseen": (70, 80, HALF), "(1, 2) fogged": (76, 86, HALF),
                 "never seen by player 1": (96, 46, BLACK)}),
    (["kill"], {"the killed batch draws nothing": (56, 46, BLACK), "R gone": (50, 40, BLACK)}),
    (["A 70 60"], {"the fog moves over the killed batch": (76, 66, BLACK)}),
    (["A 90 60"], {"the batch left is recoloured": (96, 66, WHITE), "D hidden": (70, 80, BLACK)}),
    (["unmap", "A 110 80"], {"no map: D drawn": (70, 80, YELLOW), "the batch keeps its colours": (96, 66, WHITE),
                             "and is not lit": (116, 86, BLACK)}),
]


def test_fog_follows_the_sights_of_each_player_and_the_vetoes_hide_what_the_local_player_cannot_see(run_script,
                                                                                                     tmp_path):
    (tmp_path / "rock.xml").write_bytes(templates((b"Rock", b"(0,0,1)")))
    said = run(run_script, WORLD + """
import gc
EntityTemplateManager.getSingleton().loadTemplate("Rock", "rock.xml").load()
parts = Arrivals(lambda: tile_map([["missing.png", "", "", 4, 3, 6, 1], [1, 0, 0, 1, 1]] + [[0, 0, 0, 0]] * 3,
                                  [[0, 0, "Rock"]])).entities
rock = [entity for entity in parts if Component.getComponent("StaticImage", entity)]
batch = [entity for entity in parts if Component.getComponent("Renderable", entity) and entity not in rock]
def marked(colour, *vetoes):
    return (quad(colour, half=3, z=1),) + tuple(veto(kind) for kind in vetoes)
sights = {"A": unit(1, 50, 40, 4), "B": unit(1, 50, 40, 4)}
unit(2, 70, 40, 4)
unit(2, 90, 60, 0, marked((1, 0, 0), "PreventRenderWhenNotVisible"))
unit(1, 110, 80, 0, marked((0, 1, 0), "PreventRenderWhenNotVisible"))
unit(None, 110, 40, 0, marked((0, 0, 1), "PreventRenderWhenUnexplored"))     # T: told its tile by its body
unit(2, 70, 80, 0, marked((1, 1, 0), "PreventRenderWhenNotVisible", "PreventRenderWhenUnexplored"))
def kill():
    batch[0].kill()
    rock[0].kill()
def unmap():
    # The batch, the tiles' collidables and the vetoes find no map.
    kept = batch[1].getSceneNode()
    kept.getParent().removeChild(kept, True)
    scene.addNode(kept)
    scene.removeNode(TileMap.getTileMap(scene).getSceneNode())
    gc.collect()
for step, (moves, points) in enumerate(%r):
    for move in moves:
        name, *xy = move.split()
        sights[name].setPosition(Vector2(*map(float, xy))) if xy else globals()[name]()
    frame()
    say("drawn %%d" %% step, {label: at(x, y) for label, (x, y, colour) in points.items()})
    found = TileMap.getTileMap(scene)
    say("seen %%d" %% step, found and [str(found.getVisibility(Vector2(x, 40), player)).split(".")[-1]
                                     for x, player in ((50, 1), (50, 2), (70, 1), (70, 2), (70, 3))])
    del found
""" % FOG_STORY)
    wrong = [(step, label) for step, (_, points) in enumerate(FOG_STORY) for label, (_, _, colour) in points.items()
             if not near(said["drawn %d" % step][label], colour, 2)]
    assert wrong == []
    # Tile (0, 0) for players 1 and 2, then tile (1, 0) for players 1, 2 and 3 (a player the map does not know).
    V, F, I = "VISIBLE", "FOGGED", "INVISIBLE"
    assert [said["seen %d" % step] for step in range(len(FOG_STORY))] == [
        [V, I, I, V, I], [V, I, I, V, I]] + [[F, I, I, V, I]] * 7 + [None]


def explore(scene, tiles):
    """Player 1's sights pass over the tiles (x, y) of a 4 x 4 map of 10 centred on the origin, and go."""
    viewer = Entity.createEntity(PlayerUnit(1, 1, ""))
    for x, y in tiles:
        sight = Entity.createEntity(VisualReactor(), "", Vector2(-15 + 10 * x, -15 + 10 * y))
        sight.getEntity().addComponent(StaticCollidable(AxisAlignedBox(Vector2(-2, -2), Vector2(2, 2))))
        viewer.addChild(sight)
    for step in (scene.addNode, scene.removeNode):
        step(viewer)
        scene.updateProcess(0.1)


# Stages of exploration by player 1, each with its queries: position, radius, player, border only, and the tile
# whose centre is answered (None: False). (5, 5) lies on tile (2, 2); the map ends at 20.
NAN = float("nan")
STAGES = [
    ([], [((5, 5), 0, 1, False, None), ((5, 5), 2 ** 31 - 1, 1, False, (0, 0)), ((20, 0), 5, 1, False, None),
          ((NAN, 0), 5, 1, False, None), ((1e300, 0), 5, 1, False, None)]),
    ([(1, 1), (1, 3), (2, 1)], [((5, 5), 1, 1, False, (1, 2)), ((5, 5), 1, 1, True, (2, 3)),
                                ((5, 5), 1, 2, False, (1, 1)), ((5, 5), 1, 9, False, (1, 1))]),
    ([(x, y) for x in range(4) for y in range(4) if (x, y) != (3, 3)],
     [((5, 5), 1, 1, False, None), ((5, 5), 2, 1, False, (3, 3))]),
]


def test_queries_answer_for_the_tile_under_a_position_and_nothing_off_the_map(tmp_path):
    scene, tiles = SceneManager.createNew(), TileMap(Vector2(10, 10), 0, 0, 0)
    assert TileMap.getTileMap(None) is None and TileMap.getTileMap(scene) is None
    GridPhysicsManager.createNew().connect(scene)
    for part in (GamePlayerManager(), GamePlayer(1, True), GamePlayer(2, False), tiles):
        scene.addNode(Entity.createEntity(part))
    # Before initialize: an empty map, whatever is asked.
    assert (str(tiles.getBoundingBox()), tiles.getVisibility(Vector2(0, 0), 1), tiles.getInvisibleTile(
        Vector2(0, 0), 3, 1, False, Vector2(-1, -1))) == ("<0,0>,<0,0>", TileMap.INVISIBLE, False)
    tiles.loadFromFile(archives.write(tmp_path / "map.tar.bz2", [["", "", "", 4, 4, 4, 1], [1, 0, 0, 1, 1]]
                                      + [[0] * 4] * 4))
    tiles.initialize()
    assert str(tiles.getBoundingBox()) == "<-20,-20>,<20,20>"
    answers = []
    for explored, queries in STAGES:
        explore(scene, explored)
        for (x, y), radius, player, border, _ in queries:
            out = Vector2(-1, -1)
            found = tiles.getInvisibleTile(Vector2(x, y), radius, player, border, out)
            answers.append((round((out.x + 15) / 10), round((out.y + 15) / 10)) if found else None)
    assert answers == [tile for _, queries in STAGES for *_, tile in queries]
    assert [tiles.getVisibility(Vector2(x, y), 1) for x, y in ((NAN, 0), (-20.5, 0), (20, 0), (0, 1e300))] == [
        TileMap.INVISIBLE] * 4
    scene.clear()


def test_a_map_refuses_bad_archives_and_late_changes_and_is_built_once_where_there_are_players(run_script, tmp_path):
    said = run(run_script, WORLD + """
ten = [["", "", "", 10, 10, 0, 1], [1, 0, 0, 1, 1]] + [[0] * 10] * 10
archives.write("ten.tar.bz2", ten)
early = TileMap(Vector2(10, 10), 3, 3, 3)
place(early, "early", 0, 0)
early.setTerrainData(None, AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), 0, 0)
early.initialize()
say("unbuilt", str(early.getBoundingBox()))
early.loadFromFile("ten.tar.bz2")
good, header = packed(ten), lambda *cells: packed([["", "", ""] + list(cells)] + ten[1:])
# Archives that cannot be read raise what Python raises; those whose header cannot be believed are logged. Either
# way the map keeps the terrain it had. Each: a label, the archive's bytes (None: no file), the error.
BAD = [
    ("no file", None, "FileNotFoundError"),
    ("truncated", good[:len(good) // 2], "ReadError"),
    ("no map", archives.pack({"entity": b""}), "KeyError"),
    ("no entity", archives.pack({"map": archives.rows_text(ten)}), "KeyError"),
    ("map is a folder", archives.pack({"map": None, "entity": b""}), "KeyError"),
    ("a cell past csv's limit", archives.pack({"map": b"x" * 200000, "entity": b""}), "Error"),
    ("a billion tiles", header(100000, 10000, 64, 1), None),
    ("-1 columns", header(-1, 2, 4, 1), None),
    ("no header", packed([ten[1], [0]], [[0, 0, "Rock"]]), None),
]
def load(data):
    if data is not None:
        open("bad.tar.bz2", "wb").write(data)
    try:
        early.loadFromFile("bad.tar.bz2" if data is not None else "nowhere.tar.bz2")
    except Exception as error:
        return type(error).__name__
say("unexpected", [label for label, data, expected in BAD if load(data) != expected])
unfinished = AxisAlignedBox(Vector2(0, math.nan), Vector2(1, 1))
say("refused box", attempt(lambda: early.setTerrainData(None, unfinished, 0, 0)))
early.setTerrainData(None, AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), 10, 0)
# Elsewhere without players, nothing is built; here, once, in batches of 64 for a batch size of 0.
lonely, stray = SceneManager.createNew(), TileMap(Vector2(10, 10), 0, 0, 0)
lonely.addNode(Entity.createEntity(stray, "stray"))
stray.loadFromFile("ten.tar.bz2")
stray.initialize()
placed = [len(Arrivals(early.initialize).entities) for _ in range(2)]
say("built", [str(stray.getBoundingBox()), str(early.getBoundingBox())] + placed)
say("reload", attempt(lambda: early.loadFromFile("ten.tar.bz2")))
# A player that came after the map was built has no fog on it.
place(GamePlayer(3, False), "three")
late = unit(3, 5, 5, 2)
frame()
late.setPosition(Vector2(500, 500))
frame()
lonely.clear()
""")
    assert said["unbuilt"] == "<0,0>,<0,0>"
    assert said["unexpected"] == []
    assert said["refused box"] == "ValueError: texBox must have finite components, not <0,nan>"
    # Two batches of 64 tiles at most the first time, nothing the second.
    assert said["built"] == ["<0,0>,<0,0>", "<-50,-50>,<50,50>", 2, 0]
    assert said["reload"] == "RuntimeError: Attempted to load a tile map archive into an initialized tile map"
    log = read_log(tmp_path / "TarnuLog.txt")
    prefix = "Error: Loading tile map bad.tar.bz2: "
    assert [line for line in log if line.startswith(prefix)] == [prefix + reason for reason in (
        "100000 x 10000 tiles are more than the 1048576 a map may have.",
        "the header's columns and rows must be positive, not -1 and 2.")]
    assert log.count("Error: Loading tile map bad.tar.bz2 failed: no usable header; nothing changes.") == 3
    assert "Warning: Loading tile map bad.tar.bz2: entity row 1 comes before any header; ignored." in log
    # Once for terrain set before any archive, once for the tile row of the archive without a header.
    assert log.count("Attempted to modify terrain of a locked tile map") == 2
    assert log.count("Attempted to initialize terrainless tile map") == 1
    # Heard as its sight touches the tile, and as it leaves it.
    assert log.count("unit without valid player found!") == 2



# Names a script may hold for an archive, each with the bytes the log names it by: a name that is not UTF-8 as Python
# lists it (a str with a surrogate escape) and as bytes, a UTF-8 one, and names Python's own open() refuses (a NUL, a
# surrogate that stands for no byte; None: no file written).
FILE_NAMES = [("karte-\udcff.tar.bz2", b"karte-\xff.tar.bz2"), (b"karte-\xfe.tar.bz2", b"karte-\xfe.tar.bz2"),
              ("karte-\u00e9.tar.bz2", b"karte-\xc3\xa9.tar.bz2"), ("nul\0.tar.bz2", None), ("\ud800.tar.bz2", None)]


def test_an_archive_opens_by_any_name_pythons_open_takes_and_the_log_names_it_by_its_bytes(run_script, tmp_path):
    said = run(run_script, WORLD + """
import os
def outcome(call):
    try:
        call()
        return "done"
    except Exception as error:
        return type(error).__name__
def fresh():
    made = TileMap(Vector2(10, 10), 0, 0, 0)
    return made, place(made, "map", 0, 0)
def let_go(holder):
    scene.removeNode(holder)
    scene.updateProcess(0.01)
results = []
for name, logged in %r:
    if logged:
        archives.write(name, [["", "", "", 2, 3, 0, 1], [1, 0, 0, 1, 1]])
    tiles, holder = fresh()
    results.append([outcome(lambda: open(name, "rb").close()), outcome(lambda: tiles.loadFromFile(name))])
    tiles.initialize()
    results[-1].append(str(tiles.getBoundingBox()))
    let_go(holder)
say("loaded", results)
# Errors name the archive as Python does: by the script's own str, or by its repr in a message.
tiles, holder = fresh()
missing = os.fsdecode(b"nirgends-\\xff.tar.bz2")
try:
    tiles.loadFromFile(missing)
except FileNotFoundError as error:
    say("missing", error.filename == missing)
folder = os.fsdecode(b"ordner-\\xff.tar.bz2")
open(folder, "wb").write(archives.pack({"map": None, "entity": b""}))
try:
    tiles.loadFromFile(folder)
except KeyError as error:
    say("folder", [error.args[0], "member 'map' of %%r is not a file" %% folder])
archives.write(b"kopf-\\xff.tar.bz2", [["", "", "", 0, 2, 0, 1]])
tiles.loadFromFile(os.fsdecode(b"kopf-\\xff.tar.bz2"))
let_go(holder)
""" % FILE_NAMES)
    built, unbuilt = ["done", "done", "<-10,-15>,<10,15>"], "<0,0>,<0,0>"
    assert said["loaded"] == [built] * 3 + [["ValueError"] * 2 + [unbuilt], ["UnicodeEncodeError"] * 2 + [unbuilt]]
    assert said["missing"] is True
    assert said["folder"][0] == said["folder"][1]
    # Log files are bytes: the names are written as the bytes they are, as the names an archive holds are.
    log = [line[len(b"00:00:00: "):] for line in (tmp_path / "TarnuLog.txt").read_bytes().splitlines()[1:]]
    bad = b"Error: Loading tile map kopf-\xff.tar.bz2"
    assert {b"Loaded tile map %s: 2 x 3 tiles of 1 terrain types." % logged for _, logged in FILE_NAMES if logged} | {
        bad + b": the header's columns and rows must be positive, not 0 and 2.",
        bad + b" failed: no usable header; nothing changes."} <= set(log)


# The header's batch size for a map of 10 x 7 tiles (70, all drawn), and the batches it makes: the cell is read as an
# unsigned number (-1 is 4294967295, a number past 32 bits is the largest), and any size from the map's tiles up makes
# one batch of them all; 0 is the engine's 64. Each draws what batches of 8 draw, fog included.
BATCH_SIZES = [("8", 9), ("4294967295", 1), ("-1", 1), ("1000000000", 1), ("70", 1), ("71", 1), ("0", 2),
               ("99999999999999999999", 1)]


def test_a_batch_size_past_the_maps_tiles_draws_them_all_in_one_batch(run_script):
    said = run(run_script, WORLD + """
quarters = [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255), (255, 255, 255, 255)]
images.write_png("sheet.png", 64, 16, lambda x, y: quarters[x // 16])
types = [[1, q / 4, 0, (q + 1) / 4, 1] for q in range(4)]
rows = [[(x + 2 * y) %% 4 for x in range(10)] for y in range(7)]
for size, _ in %r:
    made = TileMap(Vector2(10, 10), 0, 0, 0)
    holder = place(made, "map", W / 2, H / 2)
    made.loadFromFile(archives.write("map.tar.bz2", [["sheet.png", "", "", 10, 7, size, 4]] + types + rows))
    batches = Arrivals(made.initialize).entities
    # Player 1 sees the tiles around (55, 60); the rest stay black.
    sight = unit(1, 55, 60, 20)
    frame()
    say(size, [len(batches), [at(35 + 10 * x, 30 + 10 * y) for x in range(10) for y in range(7)]])
    del made, batches
    for node in (holder, sight):
        scene.removeNode(node)
    scene.updateProcess(0.01)
""" % BATCH_SIZES)
    drawn = said["8"][1]
    # Seen tiles of each colour, and dark ones.
    assert [sum(near(pixel, colour, 8) for pixel in drawn) > 0 for colour in (RED, GREEN, BLUE, WHITE, BLACK)] == [
        True] * 5
    assert [(size, said[size][0], said[size][1] == drawn) for size, _ in BATCH_SIZES] == [
        (size, count, True) for size, count in BATCH_SIZES]


# A row of 20-unit tiles of a red texture over a blue floor, a batch each, given an alpha: a faint batch blends over
# what lies under it, a seen tile and an unexplored (black) one alike, and an opaque one hides it. Each: the alpha,
# whether player 1 sees the tile, the colour expected.
FAINT_BATCHES = [(0.25, True, [64, 0, 191]), (0.75, True, [191, 0, 64]), (1.0, True, RED), (0.0, True, BLUE),
                 (0.25, False, [0, 0, 191])]


def test_a_faint_tile_batch_blends_over_what_lies_under_it(run_script):
    said = run(run_script, WORLD + """
cases = %r
images.write_png("red.png", 16, 16, images.solid((255, 0, 0, 255)))
place(quad((0, 0, 1), half=80, z=-1), "floor", W / 2, H / 2)
arrived = Arrivals(lambda: tile_map([["red.png", "", "", len(cases), 1, 1, 1], [1, 0, 0, 1, 1], [0] * len(cases)]))
batches = [renderable for renderable in (Component.getComponent("Renderable", entity) for entity in arrived.entities)
           if renderable]
for (alpha, _, _), batch in zip(cases, batches):
    Renderable.setAlpha(batch, alpha)
# The map runs from x = 30; the sight covers the seen tiles, which come first.
seen = sum(lit for _, lit, _ in cases)
unit(1, 30 + 10 * seen, 60, 10 * seen - 2)
frame()
say("drawn", [len(batches)] + [at(40 + 20 * x, 60) for x in range(len(cases))])
del arrived, batches
""" % FAINT_BATCHES)
    count, *drawn = said["drawn"]
    assert count == len(FAINT_BATCHES)
    assert [(alpha, lit) for (alpha, lit, colour), pixel in zip(FAINT_BATCHES, drawn) if not near(pixel, colour, 8)] == []


def test_archives_garbled_byte_by_byte_and_cell_by_cell_raise_or_load_and_never_crash(run_script, data_file):
    data_file("rock.xml", '<Data><EntityTemplate name="Rock"/></Data>')
    said = run(run_script, WORLD + """
import random
EntityTemplateManager.getSingleton().loadTemplate("Rock", "rock.xml").load()
rng = random.Random(17)
rows = [["", "", "", 5, 4, 3, 3], [1, 0, 0, 0.5, 1], [0, 0, 0, 0, 0], [1, 0.5, 0, 1, 1]] + [
    [rng.randrange(4) for _ in range(5)] for _ in range(4)]
entities = [[1, 1, "Rock"], [4, 3, "Rock"], [0, 2, "Nowhere"]]
good = packed(rows, entities)
CELLS = ["", "-1", "4294967296", "99999999999999999999", "1e999", "nan", "x", "\\udcff\\x00", '"', "\\n", "1048577"]
def garble(data):
    data = bytearray(data)
    for _ in range(rng.randint(1, 6)):
        data[rng.randrange(len(data))] = rng.randrange(256)
    return bytes(data[:rng.randrange(len(data))] if rng.random() < 0.2 else data)
def by_cells():
    # One to eight changes to the map's and the entities' rows: an odd cell for another, or a row's tail cut off or
    # replaced by odd cells.
    garbled = [list(row) for row in rows + entities]
    for _ in range(rng.randint(1, 8)):
        row = rng.choice(garbled)
        start = rng.randrange(len(row) + 1)
        end, count = (start + 1, 1) if rng.random() < 0.6 else (len(row), rng.randint(0, 3))
        row[start:end] = [rng.choice(CELLS) for _ in range(count)]
    return packed(garbled[:len(rows)], garbled[len(rows):])
# In turn: the cells, the compressed archive byte by byte, the members' text byte by byte (anything csv makes of it).
makers = (by_cells, lambda: garble(good), lambda: archives.pack(
    {"map": garble(archives.rows_text(rows)), "entity": garble(archives.rows_text(entities))}))
raised, built = set(), 0
for number in range(600):
    open("garbled.tar.bz2", "wb").write(makers[number % 3]())
    tiles = TileMap(Vector2(4, 4), 0, 0, 0)
    holder = place(tiles, "map", 0, 0)
    try:
        tiles.loadFromFile("garbled.tar.bz2")
        tiles.initialize()
        built += str(tiles.getBoundingBox()) != "<0,0>,<0,0>"
        scene.updateProcess(0.01)
    except Exception as error:
        raised.add(type(error).__name__)
    scene.removeNode(holder)
    scene.updateProcess(0.01)
say("outcome", [built, sorted(raised)])
""")
    built, raised = said["outcome"]
    # Most garbled cells and texts still make a map; most garbled archives do not; nothing else is raised.
    assert built > 200
    assert set(raised) <= {"ReadError", "EOFError", "KeyError", "Error", "OSError", "CompressionError", "HeaderError"}
