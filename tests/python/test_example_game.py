"""The example game flies as a player expects: a held arrow key turns or thrusts the ship, and letting go
stops it; the game ends without a leak report."""

import os

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")

SCRIPT = """
import sys
import sdl_input
sys.path.insert(0, "examples")
import game
from tarnu import Component

session = game.Game()
ship = session.scene.getEntity("player")

def frames(count, *keys):
    for symbol, pressed in keys:
        sdl_input.key(symbol, pressed)
    for _ in range(count):
        sdl_input.quit()
        session.run()
    velocity = Component.getComponent("Velocity", ship).velocity
    print(">", round(ship.getSceneNode().getOrientation().getAngle(), 4), round(velocity.x, 3), round(velocity.y, 3))

frames(1)
frames(3, (sdl_input.SDLK_LEFT, True))
frames(3, (sdl_input.SDLK_LEFT, False))
frames(3, (sdl_input.SDLK_RIGHT, True), (sdl_input.SDLK_UP, True))
frames(3, (sdl_input.SDLK_RIGHT, False), (sdl_input.SDLK_UP, False))
session.close()
"""


def test_held_keys_turn_and_thrust_the_ship_and_letting_go_stops_them(run_script, tmp_path):
    os.symlink(os.path.abspath(EXAMPLES), tmp_path / "examples")
    result = run_script(SCRIPT)
    assert result.returncode == 0, result
    states = [[float(value) for value in line[2:].split()] for line in result.stdout.splitlines()
              if line.startswith("> ")]
    (start, vx, vy), turned, coasting, thrusting, drifting = states
    step = 3 * 3.0 * 0.016   # three steps of 16 ms at 3 radians a second
    assert abs(turned[0] - (start + step)) < 1e-3 and turned[1:] == [vx, vy], "left turns it, only"
    assert coasting == turned, "let go, it turns no more"
    assert abs(thrusting[0] - start) < 1e-3, "right turns it back while up thrusts"
    gained = ((thrusting[1] - vx) ** 2 + (thrusting[2] - vy) ** 2) ** 0.5
    assert abs(gained - 3 * 160.0 * 0.016) < 0.05
    assert drifting == thrusting, "let go, it drifts on as it was"
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph.")
