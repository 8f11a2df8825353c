"""Benchmark of the physics step: N boxes and circles (sizes 8 to 32) doing a random
walk at constant density (a 4096 x 4096 world at N = 5000, scaled with N), stepped
headless without drawing. The same workload then runs with what a Python game would
use instead: pygame's Rect.collidelistall per mover and sprite.groupcollide, and a
numpy sort-and-sweep. Only the steps are timed; steering the walk is not.

Both the engine and the numpy sweep integrate positions the same way, so they see the
same contacts; the benchmark checks that they agree.

Run: tools/build build && /usr/bin/python3 bench/physics.py [N ...]
(WORLD_N=20000 puts 20000 bodies in 4096 x 4096 instead, four times as dense.)
"""

import math
import os
import sys
import time

import numpy as np

os.environ.setdefault("SDL_VIDEODRIVER", "offscreen")
os.environ.setdefault("PYGAME_HIDE_SUPPORT_PROMPT", "1")
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.environ.get("TARNU_BUILD_DIR", os.path.join(HERE, "..", "build")), "python"))

import pygame  # noqa: E402
import tarnu  # noqa: E402

DT = 1.0 / 60.0
SPEED = 60.0
WARMUP = 5
STEPS = 60
TURNING = 8      # each step one mover in TURNING picks a new heading
SLOW_BUDGET = 3.0  # seconds of measured steps for the quadratic methods
WORLD_N = float(os.environ.get("WORLD_N", 5000))  # the N that fills 4096 x 4096


class Walk:
    """The world's movers as arrays; both the engine and the others follow the same walk."""

    def __init__(self, n, seed=12):
        self.n = n
        self.side = 4096.0 * math.sqrt(n / WORLD_N)
        rng = np.random.default_rng(seed)
        self.rng = rng
        self.size = rng.uniform(8.0, 32.0, n)
        self.half = self.size / 2
        self.circle = np.arange(n) % 2 == 1
        self.pos = rng.uniform(-self.side / 2, self.side / 2, (n, 2))
        angle = rng.uniform(0, 2 * math.pi, n)
        self.vel = np.stack([np.cos(angle), np.sin(angle)], axis=1) * SPEED

    def turns(self):
        """New headings for a random few, pointing home for those outside the world."""
        chosen = self.rng.choice(self.n, self.n // TURNING, replace=False)
        angle = self.rng.uniform(0, 2 * math.pi, len(chosen))
        vel = np.stack([np.cos(angle), np.sin(angle)], axis=1) * SPEED
        outside = np.abs(self.pos[chosen]).max(axis=1) > self.side / 2
        home = -self.pos[chosen][outside]
        vel[outside] = home / np.linalg.norm(home, axis=1)[:, None] * SPEED
        self.vel[chosen] = vel
        return chosen

    def boxes(self):
        return (self.pos[:, 0] - self.half, self.pos[:, 1] - self.half,
                self.pos[:, 0] + self.half, self.pos[:, 1] + self.half)


def narrow(walk, a, b):
    """Strict overlap of candidate pairs (their boxes overlap): circles and boxes."""
    pa, pb = walk.pos[a], walk.pos[b]
    ha, hb = walk.half[a], walk.half[b]
    ca, cb = walk.circle[a], walk.circle[b]
    touching = np.ones(len(a), dtype=bool)
    both = ca & cb
    d2 = ((pa[both] - pb[both]) ** 2).sum(axis=1)
    touching[both] = d2 < (ha[both] + hb[both]) ** 2
    one = ca ^ cb
    centre = np.where(ca[one, None], pa[one], pb[one])
    radius = np.where(ca[one], ha[one], hb[one])
    box = np.where(ca[one, None], pb[one], pa[one])
    bh = np.where(ca[one], hb[one], ha[one])
    gap = np.maximum(np.abs(centre - box) - bh[:, None], 0.0)
    touching[one] = (gap ** 2).sum(axis=1) < radius ** 2
    return touching


def sweep(walk):
    """Sort by left edge, sweep to candidate pairs, test them: the touching pairs as keys."""
    minx, miny, maxx, maxy = walk.boxes()
    n = walk.n
    order = np.argsort(minx)
    sorted_min = minx[order]
    ends = np.searchsorted(sorted_min, maxx[order], side="left")
    counts = np.maximum(ends - np.arange(1, n + 1), 0)
    first = np.repeat(np.arange(n), counts)
    second = first + 1 + np.arange(counts.sum()) - np.repeat(np.cumsum(counts) - counts, counts)
    a, b = order[first], order[second]
    keep = (miny[a] < maxy[b]) & (miny[b] < maxy[a])
    a, b = a[keep], b[keep]
    touching = narrow(walk, a, b)
    a, b = a[touching], b[touching]
    return np.minimum(a, b) * n + np.maximum(a, b)


def run_numpy(walk, steps):
    contacts = sweep(walk)
    elapsed, events = 0.0, 0
    for _ in range(steps):
        walk.turns()
        start = time.perf_counter()
        walk.pos += walk.vel * DT
        now = sweep(walk)
        collided = np.setdiff1d(now, contacts, assume_unique=True)
        separated = np.setdiff1d(contacts, now, assume_unique=True)
        contacts = now
        elapsed += time.perf_counter() - start
        events += len(collided) + len(separated)
    return elapsed / steps, {(int(key) // walk.n, int(key) % walk.n) for key in contacts}, events / steps


class Sprite(pygame.sprite.Sprite):
    def __init__(self, walk, i):
        super().__init__()
        self.x, self.y = walk.pos[i]
        self.vx, self.vy = walk.vel[i]
        size = int(walk.size[i])
        self.rect = pygame.Rect(0, 0, size, size)
        self.rect.center = (self.x, self.y)


def pygame_world(walk):
    sprites = [Sprite(walk, i) for i in range(walk.n)]
    return sprites, pygame.sprite.Group(sprites)


def pygame_move(walk, sprites, chosen):
    for i in chosen:
        sprites[i].vx, sprites[i].vy = walk.vel[i]
    for sprite in sprites:
        sprite.x += sprite.vx * DT
        sprite.y += sprite.vy * DT
        sprite.rect.center = (sprite.x, sprite.y)


def run_slow(walk, detect):
    """Times steps until the budget is spent: these methods grow with the square of N."""
    sprites, group = pygame_world(walk)
    elapsed, steps, found = 0.0, 0, 0
    while steps < STEPS and (steps == 0 or elapsed < SLOW_BUDGET):
        chosen = walk.turns()
        walk.pos += walk.vel * DT
        start = time.perf_counter()
        pygame_move(walk, sprites, chosen)
        found = detect(sprites, group)
        elapsed += time.perf_counter() - start
        steps += 1
    return elapsed / steps, found


def collidelistall(sprites, group):
    rects = [sprite.rect for sprite in sprites]
    return sum(len(rect.collidelistall(rects)) - 1 for rect in rects) // 2


def groupcollide(sprites, group):
    hits = pygame.sprite.groupcollide(group, group, False, False)
    return sum(len(others) - 1 for others in hits.values()) // 2


class Contacts(tarnu.CollidableListener):
    """The pairs touching now, by body number, from the events (each heard on both sides)."""

    def __init__(self):
        tarnu.CollidableListener.__init__(self)
        self.pairs = set()

    def key(self, event):
        a, b = int(event.entity1.getName()), int(event.entity2.getName())
        return min(a, b), max(a, b)

    def entitiesCollided(self, event):
        self.pairs.add(self.key(event))

    def entitiesSeparated(self, event):
        self.pairs.discard(self.key(event))


def run_engine(walk, steps, contacts=None):
    """Milliseconds per step; with a Contacts listener on every body (untimed use), its pairs at the end."""
    scene = tarnu.SceneManager.createNew()
    physics = tarnu.GridPhysicsManager.createNew()
    physics.connect(scene)
    movables = []
    for i in range(walk.n):
        half = walk.half[i]
        if walk.circle[i]:
            bound = tarnu.Circle(tarnu.Vector2(0, 0), half)
        else:
            bound = tarnu.AxisAlignedBox(tarnu.Vector2(-half, -half), tarnu.Vector2(half, half))
        node = tarnu.Entity.createEntity(tarnu.StaticCollidable(bound), str(i), tarnu.Vector2(*walk.pos[i]))
        movable = tarnu.Movable()
        movable.setVelocity(tarnu.Vector2(*walk.vel[i]))
        node.getEntity().addComponent(movable)
        if contacts is not None:
            node.getEntity().addEventListener(contacts)
        scene.addNode(node)
        movables.append(movable)
    scene.updateProcess(DT)  # files everything and finds the first contacts
    walk.pos += walk.vel * DT
    elapsed = 0.0
    for step in range(WARMUP + steps):
        for i in walk.turns():
            movables[i].setVelocity(tarnu.Vector2(*walk.vel[i]))
        start = time.perf_counter()
        scene.updateProcess(DT)
        if step >= WARMUP:
            elapsed += time.perf_counter() - start
        walk.pos += walk.vel * DT
    physics.disconnect()
    return elapsed / steps


def main():
    sizes = [int(arg) for arg in sys.argv[1:]] or [1000, 5000, 20000]
    results = {}
    for n in sizes:
        engine = run_engine(Walk(n), STEPS)
        # The same walk again, step for step: the contact count must agree with the engine's world.
        reference = Walk(n)
        reference.pos += reference.vel * DT
        for _ in range(WARMUP):
            reference.turns()
            reference.pos += reference.vel * DT
        numpy_ms, contacts, events = run_numpy(reference, STEPS)
        listall_ms, _ = run_slow(Walk(n), collidelistall)
        group_ms, _ = run_slow(Walk(n), groupcollide)
        results[n] = engine
        fastest = min(numpy_ms, listall_ms, group_ms)
        print("N=%6d  engine %8.3f ms/step  contacts %6d  events/step %7.1f" % (
            n, engine * 1e3, len(contacts), events))
        print("          numpy sort-and-sweep %9.3f ms  (%.1fx)" % (numpy_ms * 1e3, numpy_ms / engine))
        print("          pygame collidelistall %8.1f ms  (%.1fx)" % (listall_ms * 1e3, listall_ms / engine))
        print("          pygame groupcollide   %8.1f ms  (%.1fx)" % (group_ms * 1e3, group_ms / engine))
        print("          engine vs fastest other: %.1fx faster" % (fastest / engine))
        heard = Contacts()
        run_engine(Walk(n), STEPS, heard)
        print("          engine and numpy %s on the contacts at the end" % (
            "agree" if heard.pairs == contacts else "DISAGREE"))
        sys.stdout.flush()
    ordered = sorted(results)
    for small, large in zip(ordered, ordered[1:]):
        growth = results[large] / results[small]
        print("N %d -> %d (x%.0f): cost x%.2f, slope %.2f" % (
            small, large, large / small, growth, math.log(growth) / math.log(large / small)))


if __name__ == "__main__":
    main()
