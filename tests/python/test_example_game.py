"""The example game flies as a player expects: a held arrow key turns or thrusts the ship, and letting go
stops it; the game ends without a leak report."""

import os

from logfiles import printed

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")


def test_held_keys_turn_and_thrust_the_ship_and_letting_go_stops_them(run_script, tmp_path):
    os.symlink(os.path.abspath(EXAMPLES), tmp_path / "examples")
    result = run_script("""
import sys
import sdl_input
from sdl_input import SDLK_LEFT, SDLK_RIGHT, SDLK_UP
sys.path.insert(0, "examples")
import game
from tarnu import Component

session = game.Game()
ship = session.scene.getEntity("player")
for keys in ([], [(SDLK_LEFT, True)], [(SDLK_LEFT, False)], [(SDLK_RIGHT, True), (SDLK_UP, True)],
             [(SDLK_RIGHT, False), (SDLK_UP, False)]):
    for symbol, pressed in keys:
        sdl_input.key(symbol, pressed)
    for _ in range(3):
        sdl_input.quit()
        session.run()
    velocity = Component.getComponent("Velocity", ship).velocity
    print(">", (ship.getSceneNode().getOrientation().getAngle(), velocity.x, velocity.y))
session.close()
""")
    assert result.returncode == 0, result
    (start, vx, vy), turned, coasting, thrusting, drifting = printed(result)
    step = 3 * 3.0 * 0.016   # three steps of 16 ms at 3 radians a second
    assert abs(turned[0] - (start + step)) < 1e-3 and turned[1:] == (vx, vy), "left turns it, only"
    assert coasting == turned, "let go, it turns no more"
    assert abs(thrusting[0] - start) < 1e-3, "right turns it back while up thrusts"
    assert abs(((thrusting[1] - vx) ** 2 + (thrusting[2] - vy) ** 2) ** 0.5 - 3 * 160.0 * 0.016) < 0.05
    assert drifting == thrusting, "let go, it drifts on as it was"
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph.")
