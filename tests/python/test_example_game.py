"""The example game flies as a player expects: a held arrow key turns or thrusts the ship along its heading, and
letting go stops it; its console tells what a player wants to hear (a drifter dropped by a click, how the game
ended), not every entity that enters the scene; the game ends without a leak report."""

import math
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
             [(SDLK_RIGHT, False), (SDLK_UP, False)], [(SDLK_LEFT, True)], [(SDLK_LEFT, False), (SDLK_UP, True)],
             [(SDLK_UP, False)]):
    for symbol, pressed in keys:
        sdl_input.key(symbol, pressed)
    for _ in range(3):
        sdl_input.quit()
        session.run()
    velocity = Component.getComponent("Velocity", ship).velocity
    print(">", (ship.getSceneNode().getOrientation().getAngle(), velocity.x, velocity.y))
# The click is heard before the step that moves the camera with the ship.
where = Component.getComponent("Camera", session.scene.getEntity("camera")).convertPosition(400, 300)
print(">", repr("a drifter dropped at (%.0f, %.0f)" % (where.x, where.y)))
sdl_input.mouse_button(400, 300)
sdl_input.quit()
session.run()
session.close()
""")
    assert result.returncode == 0, result
    (start, vx, vy), turned, coasting, thrusting, drifting, turned_again, ahead, _, dropped = printed(result)
    step = 3 * 3.0 * 0.016   # three steps of 16 ms at 3 radians a second
    thrust = 3 * 160.0 * 0.016
    assert abs(turned[0] - (start + step)) < 1e-3 and turned[1:] == (vx, vy), "left turns it, only"
    assert coasting == turned, "let go, it turns no more"
    assert abs(thrusting[0] - start) < 1e-3, "right turns it back while up thrusts"
    assert abs(math.hypot(thrusting[1] - vx, thrusting[2] - vy) - thrust) < 0.05
    assert drifting == thrusting, "let go, it drifts on as it was"
    # Up alone thrusts along the heading, which left has turned away from the way the ship drifts.
    heading = turned_again[0]
    assert abs(heading - (start + step)) < 1e-3 and ahead[0] == heading
    assert abs(math.atan2(ahead[2] - turned_again[2], ahead[1] - turned_again[1]) - heading) < 1e-6
    assert abs(math.hypot(ahead[1] - turned_again[1], ahead[2] - turned_again[2]) - thrust) < 1e-6
    lines = result.stdout.splitlines()
    assert lines.count(dropped) == 1, "a click drops a drifter and says where"
    assert "entered the scene" not in result.stdout, "the scene's comings and goings are not the player's"
    assert sum(line.startswith("The game ran for ") for line in lines) == 1
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph.")
