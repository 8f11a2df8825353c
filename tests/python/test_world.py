"""Tile maps as a game script uses them: archives built at run time loaded into terrain, batches and entities (and
bad archives refused, whole), the fog of war following moving sights per player, drawn as black, half and full
brightness, the render vetoes hiding enemy units and unexplored entities, the queries of visibility and unexplored
tiles, and what is left when a script kills the map's parts or the map itself."""

import pytest

import archives

import tarnu
from logfiles import read_log
from scene_prelude import BLACK, WHITE, near, run
from tarnu import TileMap, Vector2

# Added to the drawing scene of scene_prelude (160 x 120, world units are pixels): a physics manager and
# players 1 (active) and 2.
WORLD = """
import archives
physics = GridPhysicsManager.createNew()
physics.connect(scene)
place(GamePlayerManager(), "players")
place(GamePlayer(1, True), "one")
place(GamePlayer(2, False), "two")

def tile_map(rows, entities=(), tile=20, name="map.tar.bz2"):
    # A map of 20-unit tiles centred on the camera, loaded and initialized.
    archives.write(name, rows, entities)
    made = TileMap(Vector2(tile, tile), 0, 0, 0)
    place(made, "map", W / 2, H / 2)
    made.loadFromFile(name)
    made.initialize()
    return made

def unit(player, x, y, reach=0, parts=()):
    # A unit of the player: a body (a box of 2), the parts, and a sight (a box of half side reach) on a child.
    node = place(PlayerUnit(1, player, ""), "", x, y)
    for part in (StaticCollidable(AxisAlignedBox(Vector2(-1, -1), Vector2(1, 1))),) + tuple(parts):
        node.getEntity().addComponent(part)
    if reach:
        sight = Entity.createEntity(StaticCollidable(AxisAlignedBox(Vector2(-reach, -reach), Vector2(reach, reach))))
        sight.getEntity().addComponent(VisualReactor())
        node.addChild(sight)
    return node

def veto(kind):
    return factory.create(kind, ParameterList())

class Arrivals(EventListener):
    # The entities that enter the scene while it listens, those the map places among them.
    def __init__(self):
        EventListener.__init__(self, SceneEvent.TYPE)
        self.entities = []
    def handleEvent(self, event):
        if event.type == SceneEvent.ENTITY_ADDED:
            self.entities.append(event.entity)

def placed_by(call):
    arrivals = Arrivals()
    scene.addEventListener(arrivals)
    call()
    scene.removeEventListener(arrivals)
    return arrivals.entities
"""


def test_the_python_surface_of_the_tile_map():
    names = list(vars(tarnu))
    assert names.index("GamePlayerManager") < names.index("TileMap") < names.index("Pathfinder")
    order = "getTileMap loadFromFile initialize setTerrainData getVisibility getBoundingBox getInvisibleTile".split()
    assert [name for name in vars(TileMap) if name in order] == order
    assert TileMap.__bases__ == (tarnu.Component,)
    assert [(value, int(value)) for value in (TileMap.VISIBLE, TileMap.FOGGED, TileMap.INVISIBLE)] == [
        (TileMap.Visibility.VISIBLE, 0), (TileMap.Visibility.FOGGED, 1), (TileMap.Visibility.INVISIBLE, 2)]
    assert TileMap.getTileMap(None) is None and TileMap.getTileMap(tarnu.SceneManager.createNew()) is None
    refusals = []
    for size in (Vector2(0, 1), Vector2(1, -2), Vector2(float("nan"), 1), Vector2(1, float("inf"))):
        with pytest.raises(ValueError) as refused:
            TileMap(size, 1, 1, 1)
        refusals.append(str(refused.value))
    assert refusals == ["tileSize must be positive, not <0,1>", "tileSize must be positive, not <1,-2>",
                        "tileSize must have finite components, not <nan,1>",
                        "tileSize must have finite components, not <1,inf>"]
    for call in (lambda: TileMap(Vector2(1, 1), 1, 1), lambda: TileMap(Vector2(1, 1), -1, 1, 1)):
        with pytest.raises((TypeError, OverflowError)):
            call()


# Each row: what is being shown, a point, the colour expected there. The sheet's four quarters are red, green, blue
# and white; the map is 4 x 3 tiles of 20 from (40, 30), every tile seen by player 1; its tile (x, y) has its
# centre at (50 + 20x, 40 + 20y). A tile with the whole sheet shows red at its left edge and white at its right.
RED, GREEN, BLUE, YELLOW, MAGENTA = [255, 0, 0], [0, 255, 0], [0, 0, 255], [255, 255, 0], [255, 0, 255]
ARCHIVE_TILES = [
    ("type 0", 56, 46, RED), ("type 1", 76, 46, GREEN), ("type 2", 96, 46, BLUE), ("a type not drawn", 116, 46, BLACK),
    ("type 2 above", 56, 66, BLUE), ("-1: the whole sheet, left", 62, 66, RED), ("-1: right", 78, 66, WHITE),
    ("a short row: whole sheet", 98, 66, WHITE), ("4, the type count: whole sheet", 42, 86, RED),
    ("row 2 goes on", 76, 86, RED), ("the fifth cell is cut", 116, 86, BLUE),
    ("an entity on tile (0, 0)", 50, 40, YELLOW), ("the second of two entity rows wins", 110, 80, MAGENTA),
    ("a template that does not exist", 70, 40, GREEN)]


def test_an_archive_loads_into_its_terrain_batches_and_entities(run_script, tmp_path):
    with open(tmp_path / "markers.xml", "wb") as data:
        data.write(b"""<Data>
<EntityTemplate name="Marker"><Component type="StaticImage"><Param name="filename" value=""/>
<Param name="texCoord" value="&lt;0,0&gt;,&lt;1,1&gt;"/><Param name="zOrder" value="1"/>
<Param name="min" value="&lt;-3,-3&gt;"/><Param name="max" value="&lt;3,3&gt;"/>
<Param name="color" value="(1,1,0)"/></Component></EntityTemplate>
<EntityTemplate name="Fels\xff"><Component type="StaticImage"><Param name="filename" value=""/>
<Param name="texCoord" value="&lt;0,0&gt;,&lt;1,1&gt;"/><Param name="zOrder" value="1"/>
<Param name="min" value="&lt;-3,-3&gt;"/><Param name="max" value="&lt;3,3&gt;"/>
<Param name="color" value="(1,0,1)"/></Component></EntityTemplate>
</Data>""")
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
frame()
say("drawn", [at(x, y) for _, x, y, _ in %r])
say("box", str(tiles.getBoundingBox()))
""" % ARCHIVE_TILES)
    assert [(what, colour) for (what, _, _, colour), drawn in zip(ARCHIVE_TILES, said["drawn"])
            if not near(drawn, colour, 8)] == []
    assert said["box"] == "<40,30>,<120,90>"
    log = read_log(tmp_path / "TarnuLog.txt")
    assert "Warning: Loading tile map map.tar.bz2: 2 tiles name a terrain type that is not defined; " \
           "they are left as they were." in log
    assert "Warning: Loading tile map map.tar.bz2: entity row 4 places 'Marker' on tile (9, 9), outside the " \
           "4 x 3 map; ignored." in log
    assert "Loaded tile map map.tar.bz2: 4 x 3 tiles of 4 terrain types." in log
    # The name of the template with a byte that is not UTF-8 passed through whole.
    xml = (tmp_path / "XmlSystemLogFile.txt").read_bytes().splitlines()
    assert any(b"Nowhere" in line and b"cannot find element" in line for line in xml)
    assert any(line.endswith(b"Loaded EntityTemplate Fels\xff.") for line in xml)


# The fog story on a 4 x 3 map of 20-unit tiles whose texture cannot be read: the tiles are drawn untextured, white
# at full brightness, grey at half and black where unexplored. Units stand at tile centres (50 + 20x, 40 + 20y); a
# sight is a box of 8 on its tile alone. A and B are player 1's sights, C is player 2's; E and D are player 2's units
# (D also hidden until explored), O is player 1's own, T is no unit and is hidden until explored; each shows a
# square of its colour at its centre. Each step: the moves, then what is drawn at points of the picture.
HALF = [128, 128, 128]
R, G, B, Y = [255, 0, 0], [0, 255, 0], [0, 0, 255], [255, 255, 0]
FOG_STORY = [
    ([], {"A and B see (0, 0)": (56, 46, WHITE), "C's sight does not light player 1's tiles": (76, 46, BLACK),
          "E unseen": (90, 60, BLACK), "own O drawn unseen": (110, 80, G), "T unexplored": (110, 40, BLACK),
          "D unseen": (70, 80, BLACK)}),
    (["A 110 40"], {"B still sees (0, 0)": (56, 46, WHITE), "A sees (3, 0)": (116, 46, WHITE),
                    "T explored": (110, 40, B)}),
    (["B 90 60"], {"(0, 0) fogged": (56, 46, HALF), "E seen": (90, 60, R), "(2, 1) seen": (96, 66, WHITE)}),
    (["A 70 80"], {"(3, 0) fogged": (116, 46, HALF), "T stays drawn": (110, 40, B), "D seen and explored": (70, 80, Y)}),
    (["B 0 0"], {"E unseen again: its tile shows": (90, 60, HALF), "(2, 1) fogged": (96, 66, HALF), "D still seen": (70, 80, Y)}),
    (["A 0 0"], {"D explored but unseen": (70, 80, HALF), "(1, 2) fogged": (76, 86, HALF),
                 "never seen by player 1": (96, 46, BLACK)}),
]


def test_fog_follows_the_sights_of_each_player_and_the_vetoes_hide_what_the_local_player_cannot_see(run_script):
    said = run(run_script, WORLD + """
tiles = tile_map([["missing.png", "", "", 4, 3, 0, 1], [1, 0, 0, 1, 1]] + [[0, 0, 0, 0]] * 3)
def marked(colour, *vetoes):
    return (quad(colour, half=3, z=1),) + tuple(veto(kind) for kind in vetoes)
sights = {"A": unit(1, 50, 40, 4), "B": unit(1, 50, 40, 4)}
unit(2, 70, 40, 4)
unit(2, 90, 60, 0, marked((1, 0, 0), "PreventRenderWhenNotVisible"))
unit(1, 110, 80, 0, marked((0, 1, 0), "PreventRenderWhenNotVisible"))
# T is told its tile by its body's contacts, as a unit is.
thing = place(quad((0, 0, 1), half=3, z=1), "T", 110, 40).getEntity()
for part in (StaticCollidable(AxisAlignedBox(Vector2(-1, -1), Vector2(1, 1))), veto("PreventRenderWhenUnexplored")):
    thing.addComponent(part)
unit(2, 70, 80, 0, marked((1, 1, 0), "PreventRenderWhenNotVisible", "PreventRenderWhenUnexplored"))
for step, (moves, points) in enumerate(%r):
    for move in moves:
        name, x, y = move.split()
        sights[name].setPosition(Vector2(float(x), float(y)))
    frame()
    say("drawn %%d" %% step, {label: at(x, y) for label, (x, y, colour) in points.items()})
    say("seen %%d" %% step, [str(tiles.getVisibility(Vector2(x, 40), player)) for x, player in
                           ((50, 1), (50, 2), (70, 1), (70, 2), (70, 3))])
""" % FOG_STORY)
    wrong = [(step, label) for step, (_, points) in enumerate(FOG_STORY) for label, (_, _, colour) in points.items()
             if not near(said["drawn %d" % step][label], colour, 2)]
    assert wrong == []
    # Tile (0, 0) for players 1 and 2, then tile (1, 0) for players 1, 2 and 3 (a player the map does not know).
    V, F, I = "VISIBLE", "FOGGED", "INVISIBLE"
    assert [[name.split(".")[-1] for name in said["seen %d" % step]] for step in range(len(FOG_STORY))] == [
        [V, I, I, V, I], [V, I, I, V, I]] + [[F, I, I, V, I]] * 4


def explore(scene, tiles):
    """Player 1's sights pass over the tiles (x, y) of a 4 x 4 map of 10 centred on the origin, and go."""
    viewer = tarnu.Entity.createEntity(tarnu.PlayerUnit(1, 1, ""))
    for x, y in tiles:
        sight = tarnu.Entity.createEntity(tarnu.StaticCollidable(tarnu.AxisAlignedBox(Vector2(-2, -2), Vector2(2, 2))),
                                          "", Vector2(-15 + 10 * x, -15 + 10 * y))
        sight.getEntity().addComponent(tarnu.VisualReactor())
        viewer.addChild(sight)
    scene.addNode(viewer)
    scene.updateProcess(0.1)
    scene.removeNode(viewer)
    scene.updateProcess(0.1)


# Stages of exploration by player 1, each with its queries: position, radius, player, border only, and the tile
# whose centre is answered (None: False). (5, 5) lies on tile (2, 2).
NAN, INF = float("nan"), float("inf")
STAGES = [
    ([], [((5, 5), 1, 1, False, (1, 1)), ((5, 5), 0, 1, False, None), ((5, 5), -1, 1, False, None),
          ((5, 5), 1, 1, True, (1, 1)), ((-15, -15), 1, 1, False, (0, 0)), ((5, 5), 2 ** 31 - 1, 1, False, (0, 0)),
          ((-25, 0), 5, 1, False, None), ((0, -20.001), 5, 1, False, None), ((20, 0), 5, 1, False, None),
          ((NAN, 0), 5, 1, False, None), ((0, INF), 5, 1, False, None), ((1e300, 0), 5, 1, False, None)]),
    ([(1, 1), (1, 3), (2, 1)], [((5, 5), 1, 1, False, (1, 2)), ((5, 5), 1, 1, True, (2, 3)),
                                ((5, 5), 1, 2, False, (1, 1)), ((5, 5), 1, 9, False, (1, 1))]),
    ([(x, y) for x in range(4) for y in range(4) if (x, y) != (3, 3)],
     [((5, 5), 1, 1, True, None), ((5, 5), 1, 1, False, None), ((5, 5), 2, 1, False, (3, 3))]),
]


def test_queries_answer_for_the_tile_under_a_position_and_nothing_off_the_map():
    scene = tarnu.SceneManager.createNew()
    tarnu.GridPhysicsManager.createNew().connect(scene)
    for part in (tarnu.GamePlayerManager(), tarnu.GamePlayer(1, True), tarnu.GamePlayer(2, False)):
        scene.addNode(tarnu.Entity.createEntity(part))
    tiles = TileMap(Vector2(10, 10), 0, 0, 0)
    scene.addNode(tarnu.Entity.createEntity(tiles, "map"))
    out = Vector2(-1, -1)
    # Before initialize: an empty map, whatever is asked.
    assert (str(tiles.getBoundingBox()), tiles.getBoundingBox() == tarnu.AxisAlignedBox(Vector2(0, 0), Vector2(0, 0)),
            tiles.getVisibility(Vector2(0, 0), 1), tiles.getInvisibleTile(Vector2(0, 0), 3, 1, False, out)) == (
                "<0,0>,<0,0>", False, TileMap.INVISIBLE, False)
    path = __import__("os").path.join(__import__("tempfile").mkdtemp(), "map.tar.bz2")
    archives.write(path, [["", "", "", 4, 4, 4, 1], [1, 0, 0, 1, 1]] + [[0] * 4] * 4)
    tiles.loadFromFile(path)
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
    # Explored stays; nothing sees now.
    assert [tiles.getVisibility(Vector2(-15 + 10 * x, -15), 1) for x in range(4)] == [TileMap.FOGGED] * 4
    assert [tiles.getVisibility(Vector2(x, y), 1) for x, y in ((NAN, 0), (-20.5, 0), (20, 0), (0, 1e300))] == [
        TileMap.INVISIBLE] * 4
    scene.clear()


def test_a_map_is_built_once_from_loaded_terrain_in_a_scene_with_players_and_says_what_it_refuses(run_script, tmp_path):
    said = run(run_script, WORLD + """
rows = [["", "", "", 10, 10, 0, 1], [1, 0, 0, 1, 1]] + [[0] * 10] * 10
archives.write("ten.tar.bz2", rows)
early = TileMap(Vector2(10, 10), 3, 3, 3)
place(early, "early", 0, 0)
early.setTerrainData(None, AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), 0, 0)
early.initialize()
say("unbuilt", [str(early.getBoundingBox())])
# A second archive replaces the first one's terrain whole: its grid and its batch size too.
archives.write("three.tar.bz2", [["", "", "", 3, 3, 4, 1], [1, 0, 0, 1, 1]] + [[0] * 3] * 3)
early.loadFromFile("three.tar.bz2")
early.loadFromFile("ten.tar.bz2")
say("refused boxes", [attempt(lambda: early.setTerrainData(None, AxisAlignedBox(Vector2(0, nan), Vector2(1, 1)), 0, 0))
                      for nan in (float("nan"),)])
early.setTerrainData(None, AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), 10, 0)
# Elsewhere without players, nothing is built; here, once, in batches of 64 for a batch size of 0.
lonely = SceneManager.createNew()
stray = TileMap(Vector2(10, 10), 0, 0, 0)
lonely.addNode(Entity.createEntity(stray, "stray"))
stray.loadFromFile("ten.tar.bz2")
stray.initialize()
placed = [len(placed_by(early.initialize)) for _ in range(2)]
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
    assert said["unbuilt"] == ["<0,0>,<0,0>"]
    assert said["refused boxes"] == ["ValueError: texBox must have finite components, not <0,nan>"]
    # Two batches of 64 tiles at most the first time, nothing the second.
    assert said["built"] == ["<0,0>,<0,0>", "<-50,-50>,<50,50>", 2, 0]
    assert said["reload"] == "RuntimeError: Attempted to load a tile map archive into an initialized tile map"
    log = read_log(tmp_path / "TarnuLog.txt")
    assert log.count("Attempted to modify terrain of a locked tile map") == 1
    assert log.count("Attempted to initialize terrainless tile map") == 1
    # Heard as its sight touches the tile, and as it leaves it.
    assert log.count("unit without valid player found!") == 2


def test_killed_batches_and_terrain_entities_and_a_map_that_goes_first_leave_nothing_dangling(run_script, data_file):
    data_file("rock.xml", """
        <Data><EntityTemplate name="Rock"><Component type="StaticImage"><Param name="filename" value=""/>
        <Param name="texCoord" value="&lt;0,0&gt;,&lt;1,1&gt;"/><Param name="zOrder" value="1"/>
        <Param name="min" value="&lt;-3,-3&gt;"/><Param name="max" value="&lt;3,3&gt;"/>
        <Param name="color" value="(0,0,1)"/></Component></EntityTemplate></Data>""")
    said = run(run_script, WORLD + """
import gc
EntityTemplateManager.getSingleton().loadTemplate("Rock", "rock.xml").load()
made = []
parts = placed_by(lambda: made.append(tile_map([["missing.png", "", "", 4, 3, 6, 1], [1, 0, 0, 1, 1]] +
                                              [[0] * 4] * 3, [[0, 0, "Rock"]])))
tiles = made.pop()
node = tiles.getSceneNode()
rock = [entity for entity in parts if Component.getComponent("StaticImage", entity)]
batch = [entity for entity in parts if Component.getComponent("Renderable", entity) and entity not in rock]
enemy = unit(2, 110, 80, 0, (quad((1, 0, 0), half=3, z=1), veto("PreventRenderWhenNotVisible")))
sight = unit(1, 50, 40, 4)
frame()
say("seen", [at(56, 46), at(50, 40), at(110, 80)])
# The first batch (tiles 0 to 5: columns 0 and 1) and the rock are killed, then the fog changes over them.
batch[0].kill()
rock[0].kill()
frame()
for x in (70, 90):
    sight.setPosition(Vector2(x, 60))
    frame()
say("killed", [len(batch), at(56, 46), at(50, 40), at(96, 66)])
# The map goes first: its batch is taken out from under it, then its entity leaves the scene. The batch,
# the tiles' collidables and the vetoes find no map.
kept = batch[1].getSceneNode()
kept.getParent().removeChild(kept, True)
scene.addNode(kept)
scene.removeNode(node)
del tiles, node, kept, made
gc.collect()
say("no map", [TileMap.getTileMap(scene) is None])
sight.setPosition(Vector2(110, 80))
frame()
say("after", [at(110, 80), at(96, 66), at(116, 86)])
""")
    assert said["seen"] == [WHITE, [0, 0, 255], BLACK]
    # The killed batch draws nothing (black) and the fog changing over it touches nothing; the batch left is
    # recoloured as the sight moves on.
    assert said["killed"] == [2, BLACK, BLACK, WHITE]
    assert said["no map"] == [True]
    # Without a map the enemy is drawn; the batch keeps the colours it had.
    assert said["after"] == [[255, 0, 0], WHITE, BLACK]


GOOD = [["", "", "", 3, 2, 4, 1], [1, 0, 0, 1, 1], [0, 0, 0], [0, 0, 0]]
# Archives that cannot be read raise what Python raises; those whose header cannot be believed are logged. Either
# way the map keeps the terrain it had. Each: a label, the archive's bytes (or None: no file), the error's name.
BAD_ARCHIVES = """
good = archives.pack({"map": archives.rows_text(GOOD), "entity": b""})
with tarfile.open(fileobj=io.BytesIO(good), mode="r:bz2") as whole:
    plain = io.BytesIO()
    with tarfile.open(fileobj=plain, mode="w") as copy:
        for member in whole.getmembers():
            copy.addfile(member, whole.extractfile(member))
def header(*cells):
    return archives.pack({"map": archives.rows_text([["", "", ""] + list(cells)] + GOOD[1:]), "entity": b""})
BAD = [
    ("no file", None, "FileNotFoundError"),
    ("text", b"map,entity\\n", "ReadError"),
    ("a plain tar", plain.getvalue(), "ReadError"),
    ("gzip", gzip.compress(plain.getvalue()), "ReadError"),
    ("truncated", good[:len(good) // 2], "ReadError"),
    ("no map", archives.pack({"entity": b""}), "KeyError"),
    ("no entity", archives.pack({"map": archives.rows_text(GOOD)}), "KeyError"),
    ("map is a folder", archives.pack({"map": None, "entity": b""}), "KeyError"),
    ("a cell past csv's limit", archives.pack({"map": b"x" * 200000, "entity": b""}), "Error"),
    ("a billion tiles", header(100000, 10000, 64, 1), None),
    ("-1 columns", header(-1, 2, 4, 1), None),
    ("a negative batch", header(3, 2, -4, 1), None),
    ("huge numbers", header(2 ** 64, 2 ** 64, 2 ** 64, 2 ** 64), None),
    ("numbers that do not parse", header("three", "two", "four", "one"), None),
    ("no header", archives.pack({"map": archives.rows_text(GOOD[1:]), "entity": b"0,0,Rock\\n"}), None),
]
"""


def test_archives_that_cannot_be_read_or_believed_change_nothing(run_script, tmp_path):
    said = run(run_script, WORLD + "import gzip, io, tarfile\nGOOD = %r\n" % GOOD + BAD_ARCHIVES + """
tiles = TileMap(Vector2(10, 10), 0, 0, 0)
place(tiles, "map", 0, 0)
archives.write("good.tar.bz2", GOOD)
tiles.loadFromFile("good.tar.bz2")
raised = []
for label, data, expected in BAD:
    if data is not None:
        open("bad.tar.bz2", "wb").write(data)
    try:
        tiles.loadFromFile("bad.tar.bz2" if data is not None else "nowhere.tar.bz2")
        raised.append([label, None, expected])
    except Exception as error:
        raised.append([label, type(error).__name__, expected])
tiles.initialize()
say("raised", raised)
say("box", str(tiles.getBoundingBox()))
""")
    assert [label for label, raised, expected in said["raised"] if raised != expected] == []
    assert said["box"] == "<-15,-10>,<15,10>"
    log = read_log(tmp_path / "TarnuLog.txt")
    prefix = "Error: Loading tile map bad.tar.bz2: "
    assert [line for line in log if line.startswith(prefix)] == [prefix + reason for reason in (
        "100000 x 10000 tiles are more than the 1048576 a map may have.",
        "the header's columns and rows must be positive, not -1 and 2.",
        "the header's batch size must be 0 (the engine's choice) to 536870911, not -4.",
        "9223372036854775807 x 9223372036854775807 tiles are more than the 1048576 a map may have.",
        "the header's columns and rows must be positive, not 0 and 0.")]
    assert log.count("Error: Loading tile map bad.tar.bz2 failed: no usable header; nothing changes.") == 6
    assert "Warning: Loading tile map bad.tar.bz2: entity row 1 comes before any header; ignored." in log


def test_archives_garbled_byte_by_byte_and_cell_by_cell_raise_or_load_and_never_crash(run_script, data_file):
    data_file("rock.xml", '<Data><EntityTemplate name="Rock"/></Data>')
    said = run(run_script, WORLD + """
import random
EntityTemplateManager.getSingleton().loadTemplate("Rock", "rock.xml").load()
rng = random.Random(17)
rows = [["", "", "", 5, 4, 3, 3], [1, 0, 0, 0.5, 1], [0, 0, 0, 0, 0], [1, 0.5, 0, 1, 1]] + [
    [rng.randrange(4) for _ in range(5)] for _ in range(4)]
entities = [[1, 1, "Rock"], [4, 3, "Rock"], [0, 2, "Nowhere"]]
good = archives.pack({"map": archives.rows_text(rows), "entity": archives.rows_text(entities)})
CELLS = ["", "-1", "0", "4294967296", "99999999999999999999", "1e999", "nan", "x", "\\udcff\\x00", " 7", "2,3",
         '"', "\\n", "-0", "1048577"]
raised, built = {}, 0
def garble(data):
    data = bytearray(data)
    for _ in range(rng.randint(1, 6)):
        data[rng.randrange(len(data))] = rng.randrange(256)
    return bytes(data[:rng.randrange(len(data))] if rng.random() < 0.2 else data)
for attempt_number in range(600):
    if attempt_number % 3 == 1:
        # The compressed archive, byte by byte.
        data = garble(good)
    elif attempt_number % 3 == 2:
        # The members' text, byte by byte: anything csv makes of it.
        data = archives.pack({"map": garble(archives.rows_text(rows)), "entity": garble(archives.rows_text(entities))})
    else:
        garbled = [list(row) for row in rows]
        for _ in range(rng.randint(1, 5)):
            row = rng.choice(garbled)
            choice = rng.random()
            if choice < 0.6 and row:
                row[rng.randrange(len(row))] = rng.choice(CELLS)
            elif choice < 0.8:
                row.extend(rng.choice(CELLS) for _ in range(rng.randint(1, 3)))
            elif row:
                del row[rng.randrange(len(row)):]
        rng.shuffle(garbled) if rng.random() < 0.1 else None
        data = archives.pack({"map": archives.rows_text(garbled), "entity": archives.rows_text(
            [[rng.choice(CELLS + [cell]) for cell in row] for row in entities])})
    open("garbled.tar.bz2", "wb").write(data)
    tiles = TileMap(Vector2(4, 4), 0, 0, 0)
    holder = place(tiles, "map", 0, 0)
    try:
        tiles.loadFromFile("garbled.tar.bz2")
        tiles.initialize()
        built += str(tiles.getBoundingBox()) != "<0,0>,<0,0>"
        scene.updateProcess(0.01)
    except Exception as error:
        raised[type(error).__name__] = raised.get(type(error).__name__, 0) + 1
    scene.removeNode(holder)
    scene.updateProcess(0.01)
say("outcome", [built, sorted(raised)])
""")
    built, raised = said["outcome"]
    # Most garbled cells and texts still make a map; most garbled archives do not; nothing else is raised.
    assert built > 200
    assert set(raised) <= {"ReadError", "EOFError", "KeyError", "Error", "OSError", "CompressionError", "HeaderError"}


def test_start_up_registers_every_prototype_and_action_event(run_script):
    result = run_script("""
from tarnu import *
root = Root()
root.initialize(64, 48, 0, False)
components, events = ComponentFactory.getSingleton(), EventFactory.getSingleton()
names = ("Animatable AnimateAndDie Camera ComponentAdder DynamicTextDisplay GamePlayer GamePlayerManager Movable "
         "OccludedAnimatable PlayerBeacon PlayerUnit PreventRenderWhenNotVisible PreventRenderWhenUnexplored "
         "RenderableBox RenderableCircle RepeatedStaticImage RunScriptWhenAdded ScriptRunner SingleStateBeacon "
         "SlaveRenderable StaticCollidable StaticImage StaticRandomDistributionSTG StraightLinePathfinder "
         "TemplateInstantiator TurnAndDashPathwalker UniformTimeIncrementSTC UnitFSMController VisualReactor "
         "VisualTargetSeeker").split()
actions = ("AnimationAction ComponentAddition PathfinderAction ScriptRunner SetVisualTarget TemplateInstantiation "
           "UnitFSMControllerAction").split()
print(">", len(names), all(map(components.isRegistered, names)), len(actions), all(map(events.isRegistered, actions)),
      [name for name in ("TileMap", "TileMap::BatchedRenderable") if components.isRegistered(name)])
made = components.create("PreventRenderWhenUnexplored", ParameterList())
print(">", made.getType(), made.getSuperType(), made.createCopy().getType())
del made
root.shutdown()
""")
    assert result.returncode == 0, result
    said = [line[2:] for line in result.stdout.splitlines() if line.startswith("> ")]
    assert said == ["30 True 7 True []",
                    "PreventRenderWhenUnexplored Component PreventRenderWhenUnexplored"]


def test_what_does_not_cover_wholly_is_still_blended_over_what_lies_under_it(run_script):
    # Over a green floor: an image half transparent, an opaque image, the opaque image made faint, and a tile map
    # of the opaque image, every tile seen, which hides the floor.
    said = run(run_script, WORLD + """
images.write_png("half.png", 16, 16, lambda x, y: (255, 0, 0, 255 if x >= 8 else 0))
images.write_png("opaque.png", 16, 16, images.solid((0, 0, 255, 255)))
place(quad((0, 1, 0), half=80, z=-1), "floor", 80, 60)
def image(name, x, y, **extra):
    return place(make("StaticImage", filename=name, texCoord="<0,0>,<1,1>", zOrder=1, min="<-8,-8>", max="<8,8>",
                      **extra), "", x, y)
image("half.png", 20, 20)
image("opaque.png", 50, 20)
image("opaque.png", 80, 20, alpha=0.5)
tile_map([["opaque.png", "", "", 2, 1, 0, 1], [1, 0, 0, 1, 1], [0, 0]], tile=10)
unit(1, 80, 60, 30)
frame()
say("drawn", [at(14, 20), at(26, 20), at(50, 20), at(80, 20), at(78, 60)])
""")
    expected = [[0, 255, 0], [255, 0, 0], [0, 0, 255], [0, 128, 128], [0, 0, 255]]
    assert all(near(drawn, colour) for drawn, colour in zip(said["drawn"], expected)), said["drawn"]
