"""Plays a sample of the README as its reader runs it (`python3 SAMPLE` from the sample's folder) and records what
the sample's text promises: the sample itself is left as it was typed. Its main loop is ended after a number of
steps, as a closed window ends it, and keys are pressed and let go at given steps, through SDL as a player's are.
Each step records where the named entities are and which way they point, and the values of expressions evaluated
in the sample's own namespace; once the main loop has ended, expressions again and the ink in given boxes of the
window; and every line the sample printed, with the number of steps recorded before it. Steps are counted, never
timed, so a loaded machine plays the same game.

    readme_player.py SAMPLE PLAN.json RECORD.json

The plan: {"steps": N, "keys": {"STEP": [["SDLK_LEFT", true], ...]}, "watch": [entity names],
"each": {label: expression}, "end": {label: expression}, "ink": {label: [x0, y0, x1, y1]}} (ink counts the
pixels that are not black in window rows y0 to y1 and columns x0 to x1, excluded, y = 0 the bottom row).
"""

import ctypes
import json
import os
import runpy
import sys

import sdl_input
import tarnu


def plain(value):
    """A value the engine answered, as JSON holds it: vectors as [x, y], enumeration values by name."""
    if value is None or isinstance(value, (bool, str)):
        return value
    if isinstance(value, int):
        return getattr(value, "name", int(value))
    if isinstance(value, float):
        return value
    if isinstance(value, (list, tuple)):
        return [plain(item) for item in value]
    if isinstance(value, tarnu.Vector2):
        return [value.x, value.y]
    return repr(value)


def evaluate(expressions, namespace):
    values = {}
    for label, expression in expressions.items():
        try:
            values[label] = plain(eval(expression, namespace))
        except Exception as error:  # recorded, for the test to show
            values[label] = "raised %s: %s" % (type(error).__name__, error)
    return values


def ink(x0, y0, x1, y1):
    width, height = x1 - x0, y1 - y0
    data = (ctypes.c_ubyte * (width * height * 4))()
    ctypes.CDLL("libGL.so.1").glReadPixels(x0, y0, width, height, 0x1908, 0x1401, data)  # GL_RGBA, GL_UNSIGNED_BYTE
    return sum(1 for index in range(0, len(data), 4) if data[index] or data[index + 1] or data[index + 2])


class Printed:
    """Standard output as it was, each line also kept with the step it was printed in."""

    def __init__(self, player, stream):
        self.player = player
        self.stream = stream
        self.pending = ""

    def write(self, text):
        self.pending += text
        *lines, self.pending = self.pending.split("\n")
        self.player.record["printed"] += [[self.player.step, line] for line in lines]
        return self.stream.write(text)

    def flush(self):
        self.stream.flush()


class Recorder(tarnu.Process):
    def __init__(self, player, scene, namespace):
        tarnu.Process.__init__(self)
        self.player = player
        self.scene = scene
        self.namespace = namespace

    def updateProcess(self, elapsed):
        player = self.player
        player.step += 1
        for symbol, pressed in player.plan.get("keys", {}).get(str(player.step), []):
            sdl_input.key(getattr(sdl_input, symbol), pressed)
        if player.step >= player.plan["steps"]:
            sdl_input.quit()
        where = {}
        for name in player.plan.get("watch", []):
            entity = self.scene.getEntity(name)
            where[name] = None if entity is None else [entity.getWorldPosition().x, entity.getWorldPosition().y,
                                                       entity.getWorldOrientation().getAngle()]
        player.record["steps"].append({"time": self.scene.getCurrentTime(), "at": where,
                                       "each": evaluate(player.plan.get("each", {}), self.namespace)})


class Player:
    def __init__(self, plan):
        self.plan = plan
        self.step = 0
        self.record = {"steps": [], "end": {}, "ink": {}, "printed": []}
        self.run = tarnu.Root.run
        # A function, which binds the root as methods do.
        tarnu.Root.run = lambda root, *args: self.on_run(root, *args)

    def on_run(self, root, processes, renderer, fps):
        namespace = sys._getframe(2).f_globals  # the sample's, which called run
        recorder = Recorder(self, processes, namespace)
        processes.addProcess(recorder)
        try:
            self.run(root, processes, renderer, fps)
        finally:
            recorder.killProcess()
            recorder.scene = recorder.namespace = None  # what the sample holds is the sample's to let go
        # The headless window keeps the last frame drawn.
        self.record["end"] = evaluate(self.plan.get("end", {}), namespace)
        self.record["ink"] = {label: ink(*box) for label, box in self.plan.get("ink", {}).items()}


def main():
    sample, plan, output = sys.argv[1:]
    with open(plan) as source:
        player = Player(json.load(source))
    sys.argv = [sample]
    sys.path.insert(0, os.path.dirname(os.path.abspath(sample)))
    sys.stdout = Printed(player, sys.stdout)
    try:
        runpy.run_path(sample, run_name="__main__")
    finally:
        sys.stdout.flush()
        sys.stdout = sys.stdout.stream
        with open(output, "w") as record:
            json.dump(player.record, record)


if __name__ == "__main__":
    main()
