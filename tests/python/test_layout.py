"""The engine's folders stack: the core below scenes, scenes below rendering, rendering below the game, and what
assembles them above all. A folder includes nothing above it but the couplings its classes are made of (the main
loop draws through a render manager, bounds transform by a scene node, the leak report counts entities and
components, the window's end takes the textures with it)."""

import os
import re

import pytest

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src")
INCLUDE = re.compile(r'^#include "(\w+)/([^"]+)"', re.M)
LEVEL = {"core": 0, "scene": 1, "render": 2, "game": 3, "assembly": 4}

# (including file, included file): the couplings that the classes themselves make.
COUPLINGS = {
    ("core/Root.cpp", "render/RenderManager.h"),
    ("core/Root.cpp", "scene/Component.h"),
    ("core/Root.cpp", "scene/Entity.h"),
    ("core/VideoManager.cpp", "render/TextureManager.h"),
    ("core/math/AxisAlignedBox.cpp", "scene/SceneNode.h"),
    ("core/math/Bound.cpp", "scene/SceneNode.h"),
    ("core/math/Circle.cpp", "scene/SceneNode.h"),
    ("core/math/OrientedBox.cpp", "scene/SceneNode.h"),
    ("core/python/exportBoundBindings.cpp", "scene/SceneNode.h"),
}


def upward_includes(subsystem):
    found = set()
    for folder, _, files in os.walk(os.path.join(SRC, subsystem)):
        for name in files:
            path = os.path.join(folder, name)
            with open(path) as source:
                for top, rest in INCLUDE.findall(source.read()):
                    if LEVEL.get(top, 0) > LEVEL[subsystem]:
                        found.add((os.path.relpath(path, SRC), "%s/%s" % (top, rest)))
    return found


@pytest.mark.parametrize("subsystem", ["core", "scene", "render", "game"])
def test_a_subsystem_includes_nothing_above_it_but_its_classes_couplings(subsystem):
    found = upward_includes(subsystem)
    assert not any(included.startswith("assembly/") for _, included in found), found
    if subsystem == "core":
        assert found == COUPLINGS
