"""The project's tools as a game programmer uses them."""

import os
import struct
import subprocess
import sys
import textwrap
import zlib

from conftest import BUILD_DIR

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")


def read_png(path):
    """Width, height and RGB rows of a PNG as the screenshot tool writes it (8-bit RGB, rows unfiltered)."""
    data = path.read_bytes()
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks[kind] = chunks.get(kind, b"") + data[at + 8:at + 8 + length]
        at += 12 + length
    width, height = struct.unpack(">II", chunks[b"IHDR"][:8])
    raw = zlib.decompress(chunks[b"IDAT"])
    rows = [raw[y * (3 * width + 1):(y + 1) * (3 * width + 1)] for y in range(height)]
    assert all(row[0] == 0 for row in rows)
    return width, height, [row[1:] for row in rows]


def test_screenshot_takes_any_script_after_its_frames(tmp_path):
    # A red square left of the middle of a black window, drawn by a script that would go on after run.
    (tmp_path / "square.py").write_text(textwrap.dedent("""
        from tarnu import *
        root = Root()
        root.initialize(80, 60, 0, False)
        scene = SceneManager.createNew()
        renderer = QuadtreeRenderManager.createNew()
        renderer.connect(scene)
        factory = ComponentFactory.getSingleton()
        def make(kind, **values):
            params = ParameterList()
            for key, value in values.items():
                params.add(key, str(value))
            return factory.create(kind, params)
        scene.addNode(Entity.createEntity(make("Camera", dimensions="<80,60>"), "camera", Vector2(40, 30)))
        scene.addNode(Entity.createEntity(make("StaticImage", filename="", texCoord="<0,0>,<1,1>", zOrder=0,
                                               min="<-10,-10>", max="<10,10>", color="(1,0,0)"), "square",
                                          Vector2(20, 30)))
        root.run(scene, renderer, 60)
        print("after the main loop")
    """))
    environment = dict(os.environ, TARNU_BUILD_DIR=BUILD_DIR, SDL_VIDEODRIVER="offscreen")
    completed = subprocess.run([sys.executable, os.path.join(TOOLS, "screenshot"), "square.py", "shot.png", "3"],
                               cwd=tmp_path, env=environment, capture_output=True, text=True, timeout=60)
    assert completed.returncode == 0, completed
    assert "wrote " + str(tmp_path / "shot.png") in completed.stdout
    assert "after the main loop" not in completed.stdout and "Total Frame Count: 3" in completed.stdout
    width, height, rows = read_png(tmp_path / "shot.png")
    assert (width, height) == (80, 60)
    pixel = lambda x, y: tuple(rows[y][3 * x:3 * x + 3])
    assert (pixel(20, 30), pixel(60, 30), pixel(20, 5)) == ((255, 0, 0), (0, 0, 0), (0, 0, 0))
