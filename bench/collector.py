#!/usr/bin/python3
"""Benchmark of Python's cycle collector during play: what a game pays for the collections the interpreter
runs on its own while it plays.

The Tarnu game: N entities, each made with Entity.createEntity around a component written in Python (a few
attributes of its own), its node added to a scene, the entity filed in a dict by name. Each step kills the 5
oldest entities, makes 5 new ones, and steps the scene (which takes the killed ones out). The same story is
then played by plain Python objects of the same shape, what a pygame game keeps: a node, an entity and a
component per thing, linked to each other, the entity filed in a dict by name; a killed thing is dropped from
the dict.

A second story adds what a game's own logic leaves behind: each step both games also drop 20 small cycles of
plain Python objects (records that refer to each other), which the young collections free. There the
collections run as often in both games, and what they cost shows what the objects they look at cost.

Each game runs in a process of its own (the other's leftovers would change what the collector looks at),
the two alternating for some rounds. A collector callback times every collection of the play; then one full
gc.collect() is timed. Printed: the time in young collections (generations 0 and 1), how many there were,
the longest single collection during play, and the full collection, each the median of the rounds, with
Tarnu's figure over the plain game's.

    /usr/bin/python3 bench/collector.py [N ...]      (default: 5000 20000)
"""

import gc
import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.environ.get("TARNU_BUILD_DIR", os.path.join(HERE, "..", "build"))
STEPS = 3000
CHURN = 5
GARBAGE = 20  # small cycles a step in the second story
ROUNDS = 5


class Timings:
    """Times every collection from the first callback's "start" to the last one's "stop", so that what
    other callbacks do (the engine's own) is counted in."""

    def __init__(self):
        self.pauses = []  # (generation, seconds)
        self.started = 0.0

    def start(self, phase, info):
        if phase == "start":
            self.started = time.perf_counter()

    def stop(self, phase, info):
        if phase == "stop":
            self.pauses.append((info["generation"], time.perf_counter() - self.started))

    def __enter__(self):
        gc.callbacks.insert(0, self.start)
        gc.callbacks.append(self.stop)
        return self

    def __exit__(self, *exc):
        gc.callbacks.remove(self.start)
        gc.callbacks.remove(self.stop)


def tarnu_game(n):
    """The scene and the game's own operations: spawn(i), kill(entity), step()."""
    sys.path.insert(0, os.path.join(BUILD, "python"))
    import tarnu

    class Brain(tarnu.Component):
        super = tarnu.Component

        def __init__(self, name):
            tarnu.Component.__init__(self)
            self.name, self.health, self.target = name, 100, None

    scene = tarnu.SceneManager.createNew()

    def spawn(i):
        name = "thing%d" % i
        node = tarnu.Entity.createEntity(Brain(name), name, tarnu.Vector2(i % 256, i // 256))
        scene.addNode(node)
        return name, node.getEntity()

    return spawn, lambda entity: entity.kill(), lambda: scene.updateProcess(1.0 / 60.0)


class Node:
    def __init__(self, x, y):
        self.x, self.y, self.entity = x, y, None


class Entity:
    def __init__(self, name, node):
        self.name, self.node, self.components = name, node, []


class Component:
    def __init__(self, name):
        self.name, self.health, self.target, self.entity = name, 100, None, None


def plain_game(n):
    def spawn(i):
        name = "thing%d" % i
        node = Node(i % 256, i // 256)
        entity = Entity(name, node)
        node.entity = entity
        component = Component(name)
        component.entity = entity
        entity.components.append(component)
        return name, entity

    return spawn, lambda entity: None, lambda: None


class Record:
    def __init__(self, other=None):
        self.other = other


def litter():
    """The game's own garbage: pairs of records that refer to each other."""
    for _ in range(GARBAGE):
        first = Record()
        first.other = Record(first)


def play(game, n, garbage):
    spawn, kill, step = game(n)
    things = dict(spawn(i) for i in range(n))
    gc.collect()
    born = n
    with Timings() as timings:
        for _ in range(STEPS):
            for name in [name for name, _ in zip(things, range(CHURN))]:
                kill(things.pop(name))
            for _ in range(CHURN):
                name, entity = spawn(born)
                things[name] = entity
                born += 1
            step()
            if garbage:
                litter()
    started = time.perf_counter()
    gc.collect()
    full = time.perf_counter() - started
    young = [seconds for generation, seconds in timings.pauses if generation < 2]
    return {"young": sum(young), "collections": len(young),
            "longest": max([seconds for _, seconds in timings.pauses], default=0.0), "full": full}


def measure(game, n, garbage):
    """One play in a process of its own."""
    environment = dict(os.environ, SDL_VIDEODRIVER="offscreen")
    out = subprocess.run([sys.executable, os.path.abspath(__file__), "--play", game, str(n), str(int(garbage))],
                         env=environment, check=True, capture_output=True, text=True).stdout
    return json.loads(out.splitlines()[-1])


def ratio(tarnu, plain):
    return "%.2fx" % (tarnu / plain) if plain else "-"


def main():
    print("%d steps, %d killed and %d born a step; medians of %d rounds; ms" % (STEPS, CHURN, CHURN, ROUNDS))
    print("%7s  %-13s %-6s %8s %6s %9s %8s" % ("N", "story", "game", "young", "count", "longest", "full"))
    for n in [int(arg) for arg in sys.argv[1:]] or [5000, 20000]:
        for garbage in (False, True):
            story = "+ own garbage" if garbage else "entities"
            runs = {"tarnu": [], "plain": []}
            for _ in range(ROUNDS):
                for game in runs:
                    runs[game].append(measure(game, n, garbage))
            medians = {game: {key: statistics.median(run[key] for run in played) for key in played[0]}
                       for game, played in runs.items()}
            for game, figures in medians.items():
                print("%7d  %-13s %-6s %8.2f %6d %9.2f %8.2f" % (
                    n, story, game, figures["young"] * 1e3, figures["collections"], figures["longest"] * 1e3,
                    figures["full"] * 1e3))
            tarnu, plain = medians["tarnu"], medians["plain"]
            print("%7s  Tarnu / plain: young collections %s, full collection %s, longest pause %s" % (
                "", ratio(tarnu["young"], plain["young"]), ratio(tarnu["full"], plain["full"]),
                ratio(tarnu["longest"], plain["longest"])))
            sys.stdout.flush()


if __name__ == "__main__":
    if sys.argv[1:2] == ["--play"]:
        print(json.dumps(play(tarnu_game if sys.argv[2] == "tarnu" else plain_game, int(sys.argv[3]),
                              sys.argv[4] == "1")))
    else:
        main()
