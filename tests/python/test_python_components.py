"""Components written in Python: how the engine finds them, what it tells them
and when, and how a faulty class is refused."""

import gc

import pytest
from logfiles import CLOSE_LOGS, CLOSED, LOGS, read_log

from tarnu import Component, Entity, ParameterList, SceneManager


class Mover(Component):
    """Records the notifications it hears as (kind, new, old)."""
    super = Component

    def __init__(self, label=""):
        Component.__init__(self)
        self.label, self.heard = label, []

    def entityChanged(self, newEntity, oldEntity):
        self.heard.append(("entity", newEntity, oldEntity))

    def managerChanged(self, newManager, oldManager):
        self.heard.append(("manager", newManager, oldManager))


class Sibling(Mover):
    super = Component


class Bare(Component):
    super = Component


def test_temporary_component_is_found_later_as_the_same_python_object_under_its_own_name_only():
    entity, other = Entity.createNew("e"), Entity.createNew("other")
    assert entity.addComponent(Mover("kept")) is True
    gc.collect()
    found = Component.getComponent("Mover", entity)
    assert isinstance(found, Mover) and found.label == "kept"
    assert found is Component.getComponent("Mover", entity) and found.getEntity() == entity
    assert found.heard == [("entity", entity, None)]
    # A second of its class is taken while the first stays found; a subclass is found under its own name only.
    sibling = Sibling()
    assert entity.addComponent(Mover("second")) and entity.addComponent(sibling)
    assert Component.getComponent("Mover", entity) is found and Component.getComponent("Sibling", entity) is sibling
    # Another entity refuses a component that has an owner, and nothing.
    assert other.addComponent(found) is False and other.addComponent(None) is False
    assert found.getEntity() == entity and found.heard == [("entity", entity, None)]
    for call in (lambda: Bare().createNew(ParameterList()), Bare().createCopy):
        with pytest.raises(RuntimeError, match="[Pp]ure virtual"):
            call()


def test_scene_membership_and_time_reach_the_component_with_both_managers():
    scene, mover = SceneManager.createNew(), Mover()
    node = Entity.createEntity(mover, "walker")
    entity = node.getEntity()
    scene.updateProcess(2.5)
    scene.addNode(node)
    assert mover.getCurrentTime() == 2.5
    scene.removeNode(node)
    assert mover.heard == [("entity", entity, None), ("manager", scene, None), ("manager", None, scene)]
    # Added inside a scene: the entity first, then the manager.
    scene.addNode(node)
    late = Sibling()
    entity.addComponent(late)
    assert late.heard == [("entity", entity, None), ("manager", scene, None)] and late.getSceneNode() == node


def test_script_exception_survives_entities_dropped_while_it_unwinds():
    heard = []

    class Listening(Bare):
        def entityChanged(self, newEntity, oldEntity):
            if newEntity is None:
                heard.append(oldEntity.getName())

    def owned(name, component):
        entity = Entity.createNew(name)
        entity.addComponent(component)
        return entity

    def fail_holding_entities():
        # The entities are held only by the tuple on the stack, so they die as the error unwinds it.
        for _ in (None, owned("a", Listening()), owned("b", Bare()), owned("c", Listening())):
            raise ValueError("the script's own error")

    with pytest.raises(ValueError, match="the script's own error"):
        fail_holding_entities()
    gc.collect()
    # The hook is told which entity the component lost; an entity with a default hook dies quietly too.
    assert sorted(heard) == ["a", "c"]


def test_raising_notifications_are_logged_and_classes_without_a_registered_super_refused(run_script, tmp_path):
    result = run_script(LOGS + """
    class Faulty(Component):
        super = Component
        def entityChanged(self, newEntity, oldEntity):
            raise ValueError("entity hook failed")
        def managerChanged(self, newManager, oldManager):
            raise KeyError("manager hook failed")

    notified = lambda self, newEntity, oldEntity: print("notified")
    Stray = type("Stray", (Component,), {"super": Entity, "entityChanged": notified})
    Orphan = type("Orphan", (Component,), {"entityChanged": notified})

    node = SceneNode.createNew()
    node.attach(Entity.createNew("e"))
    print(node.getEntity().addComponent(Faulty()))
    gc.collect()
    print(type(Component.getComponent("Faulty", node.getEntity())).__name__)
    scene = SceneManager.createNew()
    scene.addNode(node)
    print(scene.getNumEntities())
    for cls in (Stray, Orphan):
        entity, component = Entity.createNew(), cls()
        print(entity.addComponent(component), component.getEntity(), Component.getComponent(cls.__name__, entity))
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "True\nFaulty\n1\n" + "False None None\n" * 2
    insertion = "Error inserting python component: '%s' not registered with factory"
    messages = lambda name: [message for message in read_log(tmp_path / name) if message != CLOSED]
    assert messages("PythonSystemLog.txt") == [
        "Exception thrown in entityChanged method with type 'Faulty'.",
        "Exception thrown in managerChanged method with type 'Faulty'.",
        insertion % "Entity", "'super' not defined in python class 'Orphan'.", insertion % ""]
    assert "ValueError: entity hook failed" in result.stderr and "manager hook failed" in result.stderr
    main = messages("Main.txt")
    assert insertion % "Entity" in main and insertion % "" in main
    assert not any("'super' not defined" in line for line in main)
