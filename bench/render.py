#!/usr/bin/python3
"""Benchmark of the render pass: N textured 32x32 sprites in a world four times
the view in each direction (about 1/16 of them visible), 10 % of them moving,
drawn headless by Tarnu through Root.run, then the same scene with pygame
(Group.draw of every sprite, and blits of the sprites a spatial grid finds in
the view) and with pyglet (one Batch of Sprites). Each frame's drawing is
finished before its time is taken. Prints milliseconds per frame and the
ratios of the others to Tarnu.

Then Tarnu alone: the same scenes with animated sprites (each a looping
animation of four frames that the render manager advances every step), for N
up to 10 000, and a text display of 2 000 characters given a new text every
frame; for these and the static scene it prints the update step's cost and the
render's cost per frame.

    /usr/bin/python3 bench/render.py [N ...]     (default: 1000 10000 50000)

Tarnu's figure is the time of its frames less the time of its update steps:
the clearing, the render pass, the buffer swap and the input pump, as Root.run
runs them. A last table runs Tarnu with only the visible sprites, in a world the
size of the view: the render pass should cost what the visible sprites cost.
Every library keeps the game loop's frame period, so that each frame starts
after an idle pause as a game's do. Each measurement runs in a process of its
own, in rounds, keeping each one's best round, and the pixels each library drew
in its last frame are printed so that the pictures can be seen to match. Needs python3-pygame and
python3-pyglet (tools/install-deps)."""

import ctypes
import math
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import time
import zlib

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(TOP, "build", "python"))
os.environ.setdefault("SDL_VIDEODRIVER", "offscreen")

VIEW_W, VIEW_H = 800, 600
WORLD_W, WORLD_H = 4 * VIEW_W, 4 * VIEW_H
CAMERA = (WORLD_W / 2, WORLD_H / 2)
SIDE = 32
BANDS = 4  # frames of the animated sprites' strip
MOST_ANIMATED = 10000
TEXT_LENGTH = 2000
WARM_UP, FRAMES = 10, 120
ROUNDS = 5
STEP = 1.0 / 20  # the frame period: long enough that no frame of Root.run is late and needs catching up

_gl = ctypes.CDLL("libGL.so.1")


class Sprite:
    """Where a sprite starts (its lower left corner) and how it moves."""

    def __init__(self, rng, moving):
        self.x, self.y = rng.uniform(0, WORLD_W - SIDE), rng.uniform(0, WORLD_H - SIDE)
        angle, speed = rng.uniform(0, 2 * math.pi), rng.uniform(20, 80)
        self.vx, self.vy = (speed * math.cos(angle), speed * math.sin(angle)) if moving else (0.0, 0.0)

    def step(self, dt):
        """Moves and bounces off the world's edges; answers the move."""
        dx, dy = self.vx * dt, self.vy * dt
        if not 0 <= self.x + dx <= WORLD_W - SIDE:
            self.vx, dx = -self.vx, -dx
        if not 0 <= self.y + dy <= WORLD_H - SIDE:
            self.vy, dy = -self.vy, -dy
        self.x += dx
        self.y += dy
        return dx, dy


def make_scene(count):
    rng = random.Random(count)
    return [Sprite(rng, index % 10 == 0) for index in range(count)]


def visible(sprites):
    left, bottom = CAMERA[0] - VIEW_W / 2, CAMERA[1] - VIEW_H / 2
    return sum(1 for s in sprites if s.x < left + VIEW_W and s.x + SIDE > left and
               s.y < bottom + VIEW_H and s.y + SIDE > bottom)


def sprite_pixels():
    """A ball with a soft edge, RGBA bytes with the top row first."""
    rows = bytearray()
    for y in range(SIDE):
        for x in range(SIDE):
            d = math.hypot(x + 0.5 - SIDE / 2, y + 0.5 - SIDE / 2) / (SIDE / 2)
            alpha = max(0, min(255, int((1.0 - d) * 4 * 255)))
            rows.extend((255, int(255 * y / SIDE), 64, alpha))
    return bytes(rows)


def strip_pixels():
    """The ball four times, one band a frame, each band tinted its own way."""
    ball = sprite_pixels()
    tints = [(1.0, 1.0, 1.0), (0.5, 1.0, 1.0), (1.0, 0.5, 1.0), (1.0, 1.0, 0.5)]
    return b"".join(bytes(int(value * tint[i % 4]) if i % 4 < 3 else value for i, value in enumerate(ball))
                    for tint in tints)


def write_png(path, width, height, rgba):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def bench_tarnu(root, sprites, image, kind="static"):
    """Milliseconds per frame of the render (the frame less its update step) and of the update step, and
    the pixels drawn. kind: "static" images, "animated" sprites, or "text" alone."""
    import tarnu

    scene = tarnu.SceneManager.createNew()
    renderer = tarnu.QuadtreeRenderManager.createNew()
    renderer.connect(scene)
    factory = tarnu.ComponentFactory.getSingleton()

    def params(**values):
        p = tarnu.ParameterList()
        for key, value in values.items():
            p.add(key, value)
        return p
    camera = factory.create("Camera", params(dimensions="<%d,%d>" % (VIEW_W, VIEW_H)))
    scene.addNode(tarnu.Entity.createEntity(camera, "camera", tarnu.Vector2(*CAMERA)))
    if kind == "animated":
        write_sequence(image)
    clocks = random.Random(1)
    moving = []
    for sprite in sprites:
        still = sprite.vx == 0 and sprite.vy == 0
        if kind == "animated":
            # Clocks that start anywhere, so the sprites do not change frames all at once.
            component = factory.create("Animatable", params(
                zOrder="0", sequence0="spin", name0="spin", fps0="8", loop0="true", animation="spin",
                frame=str(clocks.uniform(0, BANDS / 8))))
        else:
            component = factory.create("StaticImage", params(
                filename=image, texCoord="<0,0>,<1,1>", zOrder="0", min="<0,0>", max="<%d,%d>" % (SIDE, SIDE),
                static="true" if still else "false"))
        node = tarnu.Entity.createEntity(component, "", tarnu.Vector2(sprite.x, sprite.y))
        scene.addNode(node)
        if not still:
            moving.append((sprite, node))
    if kind == "text":
        texts = [text_of(index) for index in range(60)]
        font = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
        view = tarnu.AxisAlignedBox(tarnu.Vector2(-VIEW_W / 2 + 8, -VIEW_H / 2 + 8),
                                    tarnu.Vector2(VIEW_W / 2 - 8, VIEW_H / 2 - 8))
        display = tarnu.DynamicTextDisplay(view, font, 1, 12, texts[0])
        scene.addNode(tarnu.Entity.createEntity(display, "text", tarnu.Vector2(*CAMERA)))

    class Move(tarnu.Process):
        def updateProcess(self, elapsed):
            for sprite, node in moving:
                node.translate(tarnu.Vector2(*sprite.step(elapsed)))

    class Retext(tarnu.Process):
        def updateProcess(self, elapsed):
            display.setText(texts[len(steps) % len(texts)])

    steps = []
    render_ms, step_ms = run_frames(root, scene, renderer, Retext() if kind == "text" else Move(), steps)
    drawn = lit_pixels()
    if kind == "text":
        del display
    renderer.disconnect()
    scene.terminateAll()
    scene.clear()
    return render_ms, drawn, step_ms, drawn


def run_frames(root, scene, renderer, worker, steps=None):
    """Runs the scene through Root.run for WARM_UP + FRAMES frames, the worker (a process) working in every
    step; answers the milliseconds per frame of the render (the frame less its update step) and of the update
    step. steps, a list, gathers each step's seconds as they come."""
    import tarnu

    steps = [] if steps is None else steps
    dither = random.Random(0)

    class First(tarnu.Process):
        """Runs first in every step: the last frame's drawing is finished before the step's clock starts."""

        def updateProcess(self, elapsed):
            _gl.glFinish()
            self.started = time.perf_counter()

    class Last(tarnu.Process):
        def updateProcess(self, elapsed):
            steps.append(time.perf_counter() - first.started)
            # The loop's clock counts whole milliseconds from a frame start just after one turns:
            # a random part of a millisecond more, counted in the frame but not in the step,
            # spreads the end of the frame evenly over the millisecond, so the mean count is exact.
            end = time.perf_counter() + dither.random() / 1000
            while time.perf_counter() < end:
                pass
            if len(steps) == WARM_UP + FRAMES:
                _push_quit()  # run ends after this frame

    # The render manager, which advances the animations, joined the scene first: the steps' clock starts before it.
    first, last = First(1, 0xFFFFFFFF), Last(1, 0)
    for process in (first, worker, last):
        scene.addProcess(process)
    log = os.path.join(os.getcwd(), "TarnuLog.txt")
    reported = open(log).read().count("\n")
    root.run(scene, renderer, 1.0 / STEP)
    frames = [int(m.group(1)) for m in re.finditer(r"timeDiff:(-?\d+) ", "".join(open(log).readlines()[reported:]))]
    frame_ms = sum(frames[WARM_UP:]) / len(frames[WARM_UP:])
    step_ms = 1000 * sum(steps[WARM_UP:]) / len(steps[WARM_UP:])
    return frame_ms - step_ms, step_ms


def write_sequence(image):
    """The animated sprites' sequence: four frames of 1, one band of the strip each, on the static images' quad."""
    frames = "".join('<Frame index="%d" length="1"/>' % band for band in range(BANDS))
    path = os.path.join(os.path.dirname(image), "sequences.xml")
    with open(path, "w") as out:
        out.write('<Data><EntityTemplate name="Bench"/><AnimationSequence name="spin" type="StripSequence" '
                  'stripSize="%d" quad="&lt;0,0&gt;,&lt;%d,%d&gt;" filename="%s">%s</AnimationSequence></Data>'
                  % (BANDS, SIDE, SIDE, os.path.basename(image), frames))
    import tarnu
    tarnu.EntityTemplateManager.getSingleton().loadTemplate("Bench", path).load()


def text_of(index):
    """2 000 characters of words, different for every index."""
    words = random.Random(index).choices(["tarnu", "sprite", "frame", "glyph", "sheet", "quad", "text", "z"], k=400)
    return " ".join(words)[:TEXT_LENGTH].ljust(TEXT_LENGTH, ".")


def lit_pixels():
    """Pixels of the last frame that are not black: the libraries must draw the same picture."""
    data = (ctypes.c_ubyte * (VIEW_W * VIEW_H * 4))()
    _gl.glReadPixels(0, 0, VIEW_W, VIEW_H, 0x1908, 0x1401, data)  # GL_RGBA, GL_UNSIGNED_BYTE
    return count_lit(bytes(data), 4)


def count_lit(raw, step):
    return sum(1 for i in range(0, len(raw), step) if raw[i] or raw[i + 1] or raw[i + 2])


def _push_quit():
    sdl = ctypes.CDLL("libSDL2-2.0.so.0")
    event = ctypes.create_string_buffer(56)
    event[0:4] = (0x100).to_bytes(4, "little")  # SDL_QUIT
    sdl.SDL_PushEvent(event)


def screen_position(sprite):
    """pygame's y runs down from the top of the view."""
    left, top = CAMERA[0] - VIEW_W / 2, CAMERA[1] + VIEW_H / 2
    return int(sprite.x - left), int(top - sprite.y - SIDE)


def bench_pygame(sprites, pixels):
    import pygame

    pygame.display.init()
    screen = pygame.display.set_mode((VIEW_W, VIEW_H))
    image = pygame.image.frombuffer(pixels, (SIDE, SIDE), "RGBA").convert_alpha()
    group = pygame.sprite.Group()
    pairs = []
    for sprite in sprites:
        item = pygame.sprite.Sprite(group)
        item.image, item.rect = image, image.get_rect(topleft=screen_position(sprite))
        pairs.append((sprite, item))
    moving = [(s, item) for s, item in pairs if s.vx or s.vy]

    def move():
        for sprite, item in moving:
            sprite.step(STEP)
            item.rect.topleft = screen_position(sprite)

    def group_frame():
        screen.fill((0, 0, 0))
        group.draw(screen)

    # The grid: cells of 128 world units; moving sprites are filed anew each frame.
    cell = 128
    grid = {}

    def key(sprite):
        return int(sprite.x // cell), int(sprite.y // cell)

    keys = {}
    for sprite, item in pairs:
        keys[id(sprite)] = key(sprite)
        grid.setdefault(keys[id(sprite)], []).append((sprite, item))
    left, bottom = CAMERA[0] - VIEW_W / 2, CAMERA[1] - VIEW_H / 2
    cells = [(cx, cy) for cx in range(int((left - SIDE) // cell), int((left + VIEW_W) // cell) + 1)
             for cy in range(int((bottom - SIDE) // cell), int((bottom + VIEW_H) // cell) + 1)]

    def grid_frame():
        for sprite, item in moving:
            now = key(sprite)
            if now != keys[id(sprite)]:
                grid[keys[id(sprite)]].remove((sprite, item))
                grid.setdefault(now, []).append((sprite, item))
                keys[id(sprite)] = now
        screen.fill((0, 0, 0))
        blit = screen.blit
        for c in cells:
            for sprite, item in grid.get(c, ()):
                blit(item.image, item.rect)

    drawn = lambda: count_lit(pygame.image.tostring(screen, "RGB"), 3)
    results = [timed(group_frame, move), drawn(), timed(grid_frame, move), drawn()]
    pygame.display.quit()
    return results


def open_pyglet_window():
    import pyglet
    pyglet.options["headless"] = True
    pyglet.options["shadow_window"] = False
    from pyglet import gl

    # Its headless default is 16 bits a pixel; the others draw at 8 bits a channel.
    config = gl.Config(red_size=8, green_size=8, blue_size=8, alpha_size=8, double_buffer=False)
    return pyglet.window.Window(VIEW_W, VIEW_H, config=config)


def bench_pyglet(window, sprites, pixels):
    import pyglet
    from pyglet import gl

    image = pyglet.image.ImageData(SIDE, SIDE, "RGBA", pixels, pitch=-SIDE * 4)
    batch = pyglet.graphics.Batch()
    pairs = [(s, pyglet.sprite.Sprite(image, s.x, s.y, batch=batch)) for s in sprites]
    moving = [(s, item) for s, item in pairs if s.vx or s.vy]

    def move():
        for sprite, item in moving:
            sprite.step(STEP)
            item.position = (sprite.x, sprite.y)

    # A headless window hears no resize, so nothing has set the projection: the view, in pixels.
    gl.glViewport(0, 0, VIEW_W, VIEW_H)
    gl.glMatrixMode(gl.GL_PROJECTION)
    gl.glLoadIdentity()
    gl.glOrtho(0, VIEW_W, 0, VIEW_H, -1, 1)

    def frame():
        window.clear()
        gl.glMatrixMode(gl.GL_MODELVIEW)
        gl.glLoadIdentity()
        gl.glTranslatef(VIEW_W / 2 - CAMERA[0], VIEW_H / 2 - CAMERA[1], 0)
        batch.draw()
        gl.glFinish()

    result = timed(frame, move), lit_pixels()
    for sprite, item in pairs:
        item.delete()
    return result


def timed(frame, move):
    """Milliseconds per frame of frame(), after a warm-up; move() runs between frames, untimed,
    and frames keep Root.run's period, so that each starts after an idle pause as a game's do."""
    spent = 0.0
    for index in range(WARM_UP + FRAMES):
        begin = time.perf_counter()
        move()
        start = time.perf_counter()
        frame()
        end = time.perf_counter()
        if index >= WARM_UP:
            spent += end - start
        time.sleep(max(0.0, begin + STEP - time.perf_counter()))
    return 1000 * spent / FRAMES


def measure(library, count):
    """One library's milliseconds per frame for one scene size, in this process; "dense"
    is Tarnu with a world the size of the view, so that every sprite is visible."""
    global WORLD_W, WORLD_H, CAMERA
    if library == "dense":
        WORLD_W, WORLD_H, CAMERA = VIEW_W, VIEW_H, (VIEW_W / 2, VIEW_H / 2)
    sprites, pixels = make_scene(count), sprite_pixels()
    if library == "pygame":
        return bench_pygame(sprites, pixels)
    if library == "pyglet":
        window = open_pyglet_window()
        try:
            return bench_pyglet(window, sprites, pixels)
        finally:
            window.close()
    work = tempfile.mkdtemp(prefix="tarnu-bench-")
    os.chdir(work)
    image = os.path.join(work, "sprite.png")
    if library == "animated":
        write_png(image, SIDE, SIDE * BANDS, strip_pixels())
    else:
        write_png(image, SIDE, SIDE, pixels)
    import tarnu
    root = tarnu.Root()
    root.initialize(VIEW_W, VIEW_H, 32, False)
    try:
        kind = library if library in ("animated", "text") else "static"
        return bench_tarnu(root, [] if kind == "text" else sprites, image, kind)
    finally:
        root.shutdown()


def main():
    if sys.argv[1:2] == ["--one"]:
        print("RESULT", *measure(sys.argv[2], int(sys.argv[3])))
        return
    counts = [int(arg) for arg in sys.argv[1:]] or [1000, 10000, 50000]
    # Each measurement in a process of its own (the libraries do not share a process well), in
    # rounds that take turns, keeping each one's best round: other work on the machine only slows.
    best = {}
    seen = {count: visible(make_scene(count)) for count in counts}
    animated = [count for count in counts if count <= MOST_ANIMATED]
    for _ in range(ROUNDS):
        for count in counts:
            runs = [("tarnu", count), ("pygame", count), ("pyglet", count), ("dense", seen[count])]
            runs += [("animated", count)] if count in animated else []
            runs += [("text", 0)] if count == counts[0] else []
            for library, size in runs:
                output = subprocess.run([sys.executable, os.path.abspath(__file__), "--one", library, str(size)],
                                        capture_output=True, text=True, check=True).stdout
                line = next(line for line in output.splitlines() if line.startswith("RESULT "))
                times = [float(t) for t in line.split()[1:]]
                # Times and drawn pixels alternate; the pixels of the best round are kept with its time.
                previous = best.get((library, count), times)
                best[library, count] = [value if index % 2 or value < old else old
                                        for index, (old, value) in enumerate(zip(previous, times))]

    print("ms per frame, %dx%d view, world %dx%d, %d frames after %d of warm-up, best of %d rounds" %
          (VIEW_W, VIEW_H, WORLD_W, WORLD_H, FRAMES, WARM_UP, ROUNDS))
    print("%8s %8s %8s %14s %14s %14s" % ("sprites", "visible", "Tarnu", "pygame Group", "pygame grid", "pyglet Batch"))
    for count in counts:
        ours, (group, _, grid, _), (batch, _) = best["tarnu", count][0], best["pygame", count], best["pyglet", count]
        print("%8d %8d %8.2f %7.2f (%4.1fx) %7.2f (%4.2fx) %7.2f (%4.1fx)" % (
            count, seen[count], ours, group, group / ours, grid, grid / ours, batch, batch / ours))
    print("(x: the other's time over Tarnu's)")
    print("Tarnu with only the visible sprites, in a world the size of the view:")
    for count in counts:
        print("%8d %8d %8.2f" % (seen[count], seen[count], best["dense", count][0]))
    print("pixels drawn in the last frame, of %d:" % (VIEW_W * VIEW_H))
    for count in counts:
        print("%8d %8d %14d %14d %14d" % (count, best["tarnu", count][1], best["pygame", count][1],
                                          best["pygame", count][3], best["pyglet", count][1]))
    print("Tarnu's update step and render per frame, ms (the update of static images moves 10 %; animated")
    print("sprites move alike and the render manager advances every one of them):")
    print("%8s %8s %16s %16s %16s %16s" % ("sprites", "visible", "static update", "static render",
                                           "animated update", "animated render"))
    for count in counts:
        (render, _, update, _) = best["tarnu", count]
        row = "%8d %8d %16.2f %16.2f" % (count, seen[count], update, render)
        if count in animated:
            (render, _, update, _) = best["animated", count]
            row += " %16.2f %16.2f" % (update, render)
        print(row)
    render, _, update, _ = best["text", counts[0]]
    print("a text display of %d characters, given a new text every frame: update %.2f, render %.2f" %
          (TEXT_LENGTH, update, render))


if __name__ == "__main__":
    main()
