"""The project's tools as a game programmer uses them."""

import os
import struct
import subprocess
import sys
import zlib

import pytest

from conftest import BUILD_DIR
from scene_prelude import PRELUDE

HERE = os.path.dirname(os.path.abspath(__file__))


def read_png(path):
    """Width, height and RGB rows of a PNG as the screenshot tool writes it (8-bit RGB, one data chunk)."""
    data = path.read_bytes()
    (width, height), (length,) = struct.unpack(">II", data[16:24]), struct.unpack(">I", data[33:37])
    raw, stride = zlib.decompress(data[41:41 + length]), 3 * width + 1
    assert data[37:41] == b"IDAT" and all(raw[y * stride] == 0 for y in range(height)), "rows unfiltered"
    return width, height, [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]


# A script whose every step sleeps past the frame period stands for a slow machine: each frame is late, and steps
# without drawing make up for it.
@pytest.mark.parametrize("pace", [0, 0.04], ids=["on time", "every frame late"])
def test_screenshot_takes_any_script_after_exactly_its_frames(tmp_path, pace):
    # A red square that walks 5 pixels right a step, in a black window, drawn by a script that would go on after run.
    (tmp_path / "square.py").write_text(PRELUDE + """
import time
class Walk(Process):
    def __init__(self, node):
        Process.__init__(self)
        self.node, self.steps = node, 0
    def updateProcess(self, elapsed):
        time.sleep(%r)
        self.steps += 1
        self.node.translate(Vector2(5, 0))
        say("step", self.steps)
scene.addProcess(Walk(place(quad((1, 0, 0), static="false"), "square", 40, 60)))
root.run(scene, renderer, 60)
print("after the main loop")
""" % pace)
    environment = dict(os.environ, TARNU_BUILD_DIR=BUILD_DIR, SDL_VIDEODRIVER="offscreen", PYTHONPATH=HERE)
    completed = subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "tools", "screenshot"), "square.py",
                                "shot.png", "8"], cwd=tmp_path, env=environment, capture_output=True, text=True,
                               timeout=60)
    assert completed.returncode == 0, completed
    assert "wrote " + str(tmp_path / "shot.png") in completed.stdout
    steps = [line for line in completed.stdout.splitlines() if line.startswith("> ")]
    assert "after the main loop" not in completed.stdout and steps == ['> ["step", %d]' % n for n in range(1, 9)]
    width, height, rows = read_png(tmp_path / "shot.png")
    assert (width, height) == (160, 120)
    red = [x for x in range(width) if tuple(rows[60][3 * x:3 * x + 3]) == (255, 0, 0)]
    # The picture is the square after its eighth step, 40 pixels on, and nothing else is drawn.
    assert (red[0], red[-1], len(red)) == (70, 89, 20) and rows[10] == bytes(3 * width)
