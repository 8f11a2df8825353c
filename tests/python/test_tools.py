"""The project's tools as a game programmer uses them."""

import os
import struct
import subprocess
import sys
import zlib

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


def test_screenshot_takes_any_script_after_its_frames(tmp_path):
    # A red square left of the middle of a black window, drawn by a script that would go on after run.
    (tmp_path / "square.py").write_text(PRELUDE + 'place(quad((1, 0, 0)), "square", 40, 60)\n'
                                        'root.run(scene, renderer, 60)\nprint("after the main loop")\n')
    environment = dict(os.environ, TARNU_BUILD_DIR=BUILD_DIR, SDL_VIDEODRIVER="offscreen", PYTHONPATH=HERE)
    completed = subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "tools", "screenshot"), "square.py",
                                "shot.png", "3"], cwd=tmp_path, env=environment, capture_output=True, text=True,
                               timeout=60)
    assert completed.returncode == 0, completed
    assert "wrote " + str(tmp_path / "shot.png") in completed.stdout
    assert "after the main loop" not in completed.stdout and "Total Frame Count: 3" in completed.stdout
    width, height, rows = read_png(tmp_path / "shot.png")
    assert (width, height) == (160, 120)
    pixel = lambda x, y: tuple(rows[y][3 * x:3 * x + 3])
    assert (pixel(40, 60), pixel(120, 60), pixel(40, 10)) == ((255, 0, 0), (0, 0, 0), (0, 0, 0))
