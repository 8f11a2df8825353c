#!/usr/bin/python3
"""Benchmark of tile maps, in three parts.

Drawing: a 256 x 256 map of 32-pixel tiles of four kinds (a tile sheet of 128 x 32), every tile seen, drawn
headless through an 800 x 600 camera that moves across it: Tarnu's batched tiles for several batch sizes, the same
tiles as one StaticImage each, Tarnu's frame with the camera away from the map (what a frame costs with nothing
to draw: clearing, the render pass, the buffer swap), and a pygame loop that blits the visible tiles from the
sheet, without and with the display's flip that shows each frame. Milliseconds per frame of the render, as
bench/render.py measures them (each in a process of its own, best of some rounds).

Fog: 200 units of two players, each with a body, a sight sensor (a circle of 96 on a child entity, with a
VisualReactor) and a random walk over 1600 x 1600, stepped headless without drawing on a 64 x 64 and a
256 x 256 map, and with no map; milliseconds per step and the fog updates (sight contacts with tiles begun or
ended) per step. Then the same units standing still.

Memory: the growth of the process for loading and initializing the 256 x 256 map with two players, a physics
manager and a render manager.

    /usr/bin/python3 bench/world.py [draw] [fog] [memory]     (default: all three)
"""

import math
import os
import random
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "examples"))

import render as drawing  # noqa: E402  (the frame timing, image writer and pixel count of bench/render.py)
from build_world import write_archive  # noqa: E402

TILE, KINDS = 32, 4
SIDE = 256                              # the drawn map's columns and rows
BATCH_SIZES = [16, 64, 256, 1024]
ROUNDS = 3
CAMERA_SPEED = 40.0                     # world units per frame, across the map
UNITS, SIGHT, SPEED, WALK = 200, 96.0, 60.0, 1600.0
DT, WARMUP, STEPS = 1.0 / 60.0, 10, 120


def sheet_pixels():
    """Four 32 x 32 tiles side by side, each its own colour with a lighter border: RGBA, top row first."""
    colours = [(60, 140, 60), (200, 180, 110), (50, 90, 190), (120, 120, 120)]
    rows = bytearray()
    for y in range(TILE):
        for kind in range(KINDS):
            for x in range(TILE):
                edge = x in (0, TILE - 1) or y in (0, TILE - 1)
                rows.extend(tuple(min(255, c + 60) if edge else c for c in colours[kind]) + (255,))
    return bytes(rows)


def kinds(side):
    """The kind of every tile, by column then row."""
    rng = random.Random(side)
    return [[rng.randrange(KINDS) for _ in range(side)] for _ in range(side)]


def map_archive(path, side, batch, texture):
    """An archive of the map; its tile rows are the map's rows, from y = 0."""
    tiles = kinds(side)
    types = [[1, k / KINDS, 0, (k + 1) / KINDS, 1] for k in range(KINDS)]
    rows = [[tiles[x][y] for x in range(side)] for y in range(side)]
    write_archive(path, [[texture, "", "", side, side, batch, KINDS]] + types + rows, [])


def world(tarnu, side=None, batch=64, texture=""):
    """A scene with players 1 (active) and 2, a physics manager and, with a side, a tile map centred on the
    origin, loaded and initialized."""
    scene = tarnu.SceneManager.createNew()
    physics = tarnu.GridPhysicsManager.createNew()
    physics.connect(scene)
    scene.addNode(tarnu.Entity.createEntity(tarnu.GamePlayerManager(), "players"))
    for number in (1, 2):
        scene.addNode(tarnu.Entity.createEntity(tarnu.GamePlayer(number, number == 1), "player%d" % number))
    tile_map = None
    if side:
        path = os.path.join(tempfile.mkdtemp(prefix="tarnu-world-"), "map.tar.bz2")
        map_archive(path, side, batch, texture)
        tile_map = tarnu.TileMap(tarnu.Vector2(TILE, TILE), 0, 0, 0)
        scene.addNode(tarnu.Entity.createEntity(tile_map, "map"))
        tile_map.loadFromFile(path)
        tile_map.initialize()
    return scene, physics, tile_map


def camera_path(frame):
    """Where the camera looks in a frame: across the map and back, weaving up and down."""
    span = SIDE * TILE - 1000
    x = (frame * CAMERA_SPEED) % (2 * span)
    return (x if x < span else 2 * span - x) - span / 2, 1500 * math.sin(frame / 40)


# Drawing --------------------------------------------------------------------------------------------------------

def draw_tarnu(tarnu, root, batch, images, path=None):
    """Render ms per frame and lit pixels: the map's batches (batch size batch), or one StaticImage per tile,
    seen through a camera on the path (by default, camera_path)."""
    path = path or camera_path
    sheet = os.path.join(os.getcwd(), "sheet.png")
    drawing.write_png(sheet, TILE * KINDS, TILE, sheet_pixels())
    scene, physics, tile_map = world(tarnu, None if images else SIDE, batch, sheet)
    renderer = tarnu.QuadtreeRenderManager.createNew()
    renderer.connect(scene)
    factory = tarnu.ComponentFactory.getSingleton()

    def make(kind, **values):
        params = tarnu.ParameterList()
        for key, value in values.items():
            params.add(key, str(value))
        return factory.create(kind, params)
    if images:
        low = -SIDE * TILE / 2
        for x, column in enumerate(kinds(SIDE)):
            for y, kind in enumerate(column):
                image = make("StaticImage", filename=sheet, zOrder=0, static="true", min="<0,0>",
                             max="<%d,%d>" % (TILE, TILE),
                             texCoord="<%g,0>,<%g,1>" % (kind / KINDS, (kind + 1) / KINDS))
                scene.addNode(tarnu.Entity.createEntity(image, "", tarnu.Vector2(low + x * TILE, low + y * TILE)))
    else:
        # One sight of the local player over the whole map: every tile is seen, at full brightness.
        viewer = tarnu.Entity.createEntity(tarnu.PlayerUnit(1, 1, ""), "viewer")
        reach = SIDE * TILE / 2 + TILE
        sight = tarnu.Entity.createEntity(tarnu.StaticCollidable(tarnu.AxisAlignedBox(
            tarnu.Vector2(-reach, -reach), tarnu.Vector2(reach, reach))), "sight")
        sight.getEntity().addComponent(tarnu.VisualReactor())
        viewer.addChild(sight)
        scene.addNode(viewer)
        scene.updateProcess(0.0)
    camera = tarnu.Entity.createEntity(make("Camera", dimensions="<%d,%d>" % (drawing.VIEW_W, drawing.VIEW_H)),
                                       "camera")
    scene.addNode(camera)

    class Pan(tarnu.Process):
        frame = 0

        def updateProcess(self, elapsed):
            camera.setPosition(tarnu.Vector2(*path(self.frame)))
            self.frame += 1

    render_ms, _ = drawing.run_frames(root, scene, renderer, Pan())
    lit = drawing.lit_pixels()
    renderer.disconnect()
    scene.terminateAll()
    scene.clear()
    physics.disconnect()
    return render_ms, lit


def draw_pygame(flip):
    """Render ms per frame and lit pixels of a loop that blits the tiles in view from the sheet, and shows the
    frame when flip is set."""
    import pygame

    pygame.display.init()
    screen = pygame.display.set_mode((drawing.VIEW_W, drawing.VIEW_H))
    sheet = pygame.image.frombuffer(sheet_pixels(), (TILE * KINDS, TILE), "RGBA").convert()
    tiles = [sheet.subsurface((k * TILE, 0, TILE, TILE)) for k in range(KINDS)]
    grid = kinds(SIDE)
    low = -SIDE * TILE / 2
    frame = [0]

    def draw():
        cx, cy = camera_path(frame[0])
        left, top = cx - drawing.VIEW_W / 2, cy + drawing.VIEW_H / 2
        screen.fill((0, 0, 0))
        blit = screen.blit
        first_x, last_x = int((left - low) // TILE), int((left + drawing.VIEW_W - low) // TILE)
        first_y, last_y = int((top - drawing.VIEW_H - low) // TILE), int((top - low) // TILE)
        for x in range(max(first_x, 0), min(last_x, SIDE - 1) + 1):
            column, sx = grid[x], int(low + x * TILE - left)
            for y in range(max(first_y, 0), min(last_y, SIDE - 1) + 1):
                blit(tiles[column[y]], (sx, int(top - (low + (y + 1) * TILE))))
        if flip:
            pygame.display.flip()

    def move():
        frame[0] += 1

    ms = drawing.timed(draw, move)
    lit = drawing.count_lit(pygame.image.tostring(screen, "RGB"), 3)
    pygame.display.quit()
    return ms, lit


def measure_drawing(kind):
    if kind.startswith("pygame"):
        return draw_pygame(kind == "pygame-flip")
    os.chdir(tempfile.mkdtemp(prefix="tarnu-bench-"))
    import tarnu
    root = tarnu.Root()
    root.initialize(drawing.VIEW_W, drawing.VIEW_H, 32, False)
    try:
        if kind == "images":
            return draw_tarnu(tarnu, root, 0, True)
        if kind == "empty":
            return draw_tarnu(tarnu, root, 64, False, lambda frame: (50000.0, 0.0))
        return draw_tarnu(tarnu, root, int(kind), False)
    finally:
        root.shutdown()


def bench_drawing():
    kinds_run = [str(size) for size in BATCH_SIZES] + ["images", "empty", "pygame", "pygame-flip"]
    best = {}
    for _ in range(ROUNDS):
        for kind in kinds_run:
            output = subprocess.run([sys.executable, os.path.abspath(__file__), "--one", "draw", kind],
                                    capture_output=True, text=True, check=True).stdout
            ms, lit = (float(v) for v in next(l for l in output.splitlines() if l.startswith("RESULT ")).split()[1:])
            if kind not in best or ms < best[kind][0]:
                best[kind] = (ms, lit)
    pygame_ms = best["pygame"][0]
    print("Drawing a %d x %d map of %d-pixel tiles through a %d x %d camera moving across it, ms per frame "
          "(best of %d rounds; x: over the pygame loop):" % (SIDE, SIDE, TILE, drawing.VIEW_W, drawing.VIEW_H,
                                                             ROUNDS))
    for kind in kinds_run:
        label = {"images": "a StaticImage per tile", "empty": "Tarnu, nothing in view",
                 "pygame": "pygame blits of the visible tiles", "pygame-flip": "the same, and the display's flip"}.get(
            kind, "Tarnu, batches of %s" % kind)
        ms, lit = best[kind]
        print("  %-36s %7.2f ms  (%4.2fx)  %d pixels lit" % (label, ms, ms / pygame_ms, lit))
    sys.stdout.flush()


# Fog ------------------------------------------------------------------------------------------------------------

def fog_run(tarnu, side, moving, count_updates=False):
    """ms per step and fog updates per step of the units walking over a map of that side (None: no map)."""
    scene, physics, tile_map = world(tarnu, side)
    rng = random.Random(5)
    movables = []
    for index in range(UNITS):
        where = tarnu.Vector2(rng.uniform(-WALK / 2, WALK / 2), rng.uniform(-WALK / 2, WALK / 2))
        node = tarnu.Entity.createEntity(tarnu.StaticCollidable(tarnu.Circle(tarnu.Vector2(0, 0), 8)), "", where)
        unit = node.getEntity()
        movable = tarnu.Movable()
        for component in (movable, tarnu.PlayerUnit(1, 1 + index % 2, "")):
            unit.addComponent(component)
        sight = tarnu.Entity.createEntity(tarnu.StaticCollidable(tarnu.Circle(tarnu.Vector2(0, 0), SIGHT)))
        sight.getEntity().addComponent(tarnu.VisualReactor())
        node.addChild(sight)
        scene.addNode(node)
        movables.append((node, movable))

    class Updates(tarnu.CollidableListener):
        """Counts the sight sensors' contacts with tiles that begin or end (the scene hears those of tiles)."""
        count = 0

        def entitiesCollided(self, event):
            self.entitiesSeparated(event)

        def entitiesSeparated(self, event):
            for entity in (event.entity1, event.entity2):
                if entity is not None and tarnu.Component.getComponent("VisualReactor", entity) is not None:
                    self.count += 1
    updates = Updates()
    if count_updates:
        scene.addEventListener(updates)

    def steer():
        for node, movable in rng.sample(movables, UNITS // 8):
            angle = rng.uniform(0, 2 * math.pi)
            at = node.getPosition()
            heading = tarnu.Vector2(math.cos(angle), math.sin(angle))
            if abs(at.x) > WALK / 2 or abs(at.y) > WALK / 2:
                heading = tarnu.Vector2(-at.x, -at.y).unit()
            movable.setVelocity(heading * (SPEED if moving else 0.0))
    steer()
    scene.updateProcess(DT)
    times, counts = [], []
    for _ in range(WARMUP + STEPS):
        steer()
        before, start = updates.count, time.perf_counter()
        scene.updateProcess(DT)
        times.append(time.perf_counter() - start)
        counts.append(updates.count - before)
    if count_updates:
        scene.removeEventListener(updates)
    scene.clear()
    physics.disconnect()
    return 1e3 * sum(times[WARMUP:]) / STEPS, sum(counts[WARMUP:]) / STEPS


def bench_fog():
    import tarnu
    root = tarnu.Root()
    root.initialize(64, 48, 0, False)
    print("Fog: %d units of two players with sights of %g walking over %g x %g, ms per step (best of %d):"
          % (UNITS, SIGHT, WALK, WALK, ROUNDS))
    for moving in (True, False):
        results = {}
        for side in (None, 64, SIDE):
            results[side] = min(fog_run(tarnu, side, moving)[0] for _ in range(ROUNDS))
        updates = {side: fog_run(tarnu, side, moving, True)[1] for side in (64, SIDE)}
        print("  %s: no map %7.3f ms, 64 x 64 map %7.3f ms (%.1f fog updates), %d x %d map %7.3f ms "
              "(%.1f fog updates); %d x %d over 64 x 64: %.2fx, 64 x 64 over no map: %.2fx" % (
                  "walking" if moving else "standing still", results[None], results[64], updates[64], SIDE, SIDE,
                  results[SIDE], updates[SIDE], SIDE, SIDE, results[SIDE] / results[64],
                  results[64] / results[None]))
        sys.stdout.flush()
    root.shutdown()


# Memory ---------------------------------------------------------------------------------------------------------

def resident_mb():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 2 ** 20


def measure_memory():
    os.chdir(tempfile.mkdtemp(prefix="tarnu-bench-"))
    import tarnu
    root = tarnu.Root()
    root.initialize(64, 48, 0, False)
    sheet = os.path.join(os.getcwd(), "sheet.png")
    drawing.write_png(sheet, TILE * KINDS, TILE, sheet_pixels())
    path = os.path.join(os.getcwd(), "map.tar.bz2")
    map_archive(path, SIDE, 64, sheet)
    scene, physics, _ = world(tarnu)
    renderer = tarnu.QuadtreeRenderManager.createNew()
    renderer.connect(scene)
    before = resident_mb()
    tile_map = tarnu.TileMap(tarnu.Vector2(TILE, TILE), 0, 0, 0)
    scene.addNode(tarnu.Entity.createEntity(tile_map, "map"))
    tile_map.loadFromFile(path)
    tile_map.initialize()
    scene.updateProcess(DT)
    grown = resident_mb() - before
    del tile_map
    scene.clear()
    renderer.disconnect()
    physics.disconnect()
    root.shutdown()
    return grown, 0


def bench_memory():
    output = subprocess.run([sys.executable, os.path.abspath(__file__), "--one", "memory", "-"],
                            capture_output=True, text=True, check=True).stdout
    grown = float(next(l for l in output.splitlines() if l.startswith("RESULT ")).split()[1])
    print("Memory: the %d x %d map with two players, loaded and initialized, grows the process by %.1f MB "
          "(%.0f bytes a tile)" % (SIDE, SIDE, grown, grown * 2 ** 20 / (SIDE * SIDE)))


def main():
    if sys.argv[1:2] == ["--one"]:
        part, kind = sys.argv[2], sys.argv[3]
        print("RESULT", *(measure_drawing(kind) if part == "draw" else measure_memory()))
        return
    parts = sys.argv[1:] or ["draw", "fog", "memory"]
    for part in parts:
        {"draw": bench_drawing, "fog": bench_fog, "memory": bench_memory}[part]()


if __name__ == "__main__":
    main()
