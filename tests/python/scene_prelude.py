"""A scene drawn headless for the rendering tests: a root, a scene with a quadtree render manager and a camera the
size of the window (so world units are pixels), helpers that make components from parameters and read pixels back,
and the runner that plays such a script in its own process and collects what it said on "> " lines."""

import json

PRELUDE = """
import json, math
import images, pixels, sdl_input
from tarnu import *

W, H = 160, 120
root = Root()
root.initialize(W, H, 0, False)
factory = ComponentFactory.getSingleton()
scene = SceneManager.createNew()
renderer = QuadtreeRenderManager.createNew()
renderer.connect(scene)

def make(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return factory.create(kind, params)

def place(component, name="", x=0.0, y=0.0, parent=None):
    node = Entity.createEntity(component, name, Vector2(x, y))
    (parent.addChild(node) if parent else scene.addNode(node))
    return node

def quad(colour, half=10, z=0, alpha=None, **extra):
    # An untextured square in a colour, centred on its node.
    values = dict(filename="", texCoord="<0,0>,<1,1>", zOrder=z, min="<%g,%g>" % (-half, -half),
                  max="<%g,%g>" % (half, half), color="(%g,%g,%g)" % colour, **extra)
    if alpha is not None:
        values["alpha"] = alpha
    return make("StaticImage", **values)

def frame(manager=None):
    sdl_input.quit()
    root.run(scene, manager or renderer, 60)

def at(x, y):
    return list(pixels.pixel(x, y))

# The brightest pixel around a point: a line falls on either side of an edge between pixels.
def brightest(x, y):
    return max(at(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))

def attempt(call):
    try:
        return call()
    except (RuntimeError, ValueError) as error:
        return "%s: %s" % (type(error).__name__, error)

def say(label, value):
    print("> " + json.dumps([label, value]))

camera = place(make("Camera", dimensions="<%d,%d>" % (W, H)), "camera", W / 2, H / 2)
"""

EPILOGUE = """
scene.clear()
del scene, renderer
root.shutdown()
"""


def run(run_script, source):
    result = run_script(PRELUDE + source + EPILOGUE)
    assert result.returncode == 0, result
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph."), result
    return {label: value for label, value in
            (json.loads(line[2:]) for line in result.stdout.splitlines() if line.startswith("> "))}


def near(actual, expected, tolerance=2):
    return len(actual) == len(expected) and all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


BLACK, WHITE, RED, BLUE = [0, 0, 0], [255, 255, 255], [255, 0, 0], [0, 0, 255]
