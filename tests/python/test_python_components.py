"""Components written in Python: how the engine finds them, what it tells them
and when, what they may ask of their entity, and how a faulty class is refused."""

import gc

import pytest
from logfiles import CLOSE_LOGS, CLOSED, LOGS, read_log

from tarnu import Component, ComponentFactory, Entity, ParameterList, SceneManager


class Mover(Component):
    """Records the notifications it hears as (kind, new, old) with the engine objects."""
    super = Component

    def __init__(self, label=""):
        Component.__init__(self)
        self.label = label
        self.heard = []

    def entityChanged(self, newEntity, oldEntity):
        self.heard.append(("entity", newEntity, oldEntity))

    def managerChanged(self, newManager, oldManager):
        self.heard.append(("manager", newManager, oldManager))


class Sibling(Mover):
    super = Component


class Bare(Component):
    super = Component


def test_component_and_factory_interface():
    names = ("getCurrentTime getEntity getSceneNode getSceneManager paramIsAFilename getType getSuperType "
             "createNew createCopy entityChanged managerChanged getComponent checkRef checkDiffEntityRef "
             "__eq__ __hash__").split()
    assert [name for name in names if name not in Component.__dict__] == []
    factory = ["getSingleton", "registerType", "isRegistered", "getRegistered", "create"]
    assert [name for name in factory if not hasattr(ComponentFactory, name)] == []
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        ComponentFactory()
    assert ComponentFactory.getSingleton() is None
    with pytest.raises(RuntimeError, match="[Pp]ure virtual"):
        Bare().createNew(ParameterList())
    with pytest.raises(RuntimeError, match="[Pp]ure virtual"):
        Bare().createCopy()


def test_temporary_component_is_found_later_as_the_same_python_object_under_its_own_name_only():
    entity, other = Entity.createNew("e"), Entity.createNew("other")
    assert entity.addComponent(Mover("kept")) is True
    gc.collect()
    found = Component.getComponent("Mover", entity)
    assert isinstance(found, Mover) and found.label == "kept"
    assert found is Component.getComponent("Mover", entity) and found.getEntity() == entity
    assert found.heard == [("entity", entity, None)]
    assert found != Mover() and found != None  # noqa: E711
    # A second of its class is taken while the first stays found; a subclass with its own super is found only
    # under its own name.
    second, sibling = Mover("second"), Sibling()
    assert entity.addComponent(second) and entity.addComponent(sibling) and second.getEntity() == entity
    assert Component.getComponent("Mover", entity) is found
    assert Component.getComponent("Sibling", entity) is sibling
    assert [Component.getComponent(name, entity) for name in ("Component", "NeverHeardOf")] == [None, None]
    # Another entity refuses a component that has an owner, and nothing.
    assert other.addComponent(found) is False and other.addComponent(None) is False
    assert found.getEntity() == entity and Component.getComponent("Mover", other) is None
    assert found.heard == [("entity", entity, None)]


def test_scene_membership_reaches_the_component_with_both_managers():
    scene = SceneManager.createNew()
    mover = Mover()
    node = Entity.createEntity(mover, "walker")
    entity = node.getEntity()
    scene.addNode(node)
    scene.removeNode(node)
    assert mover.heard == [("entity", entity, None), ("manager", scene, None), ("manager", None, scene)]
    # Added inside a scene: the entity first, then the manager.
    scene.addNode(node)
    late = Sibling()
    entity.addComponent(late)
    assert late.heard == [("entity", entity, None), ("manager", scene, None)]
    assert late.getSceneManager() == scene and late.getSceneNode() == node


def test_dropping_the_entity_tells_the_component_which_entity_it_lost():
    class ByName(Mover):
        # Names only: holding the entities would keep them alive.
        def entityChanged(self, newEntity, oldEntity):
            self.heard.append((newEntity and newEntity.getName(), oldEntity and oldEntity.getName()))

    component, entity = ByName(), Entity.createNew("gone")
    entity.addComponent(component)
    del entity
    gc.collect()
    assert component.heard == [("gone", None), (None, "gone")] and component.getEntity() is None


@pytest.mark.parametrize("notified", [False, True], ids=["default hook", "python hook"])
def test_script_exception_survives_entities_dropped_while_it_unwinds(notified):
    heard = []

    class Listening(Bare):
        if notified:
            def entityChanged(self, newEntity, oldEntity):
                if newEntity is None:
                    heard.append(oldEntity.getName())

    def owned(name):
        entity = Entity.createNew(name)
        entity.addComponent(Listening())
        return entity

    def fail_holding_entities():
        # The entities are held only by the tuple on the stack, so they die as the error unwinds it.
        for _ in (None, owned("a"), owned("b")):
            raise ValueError("the script's own error")

    with pytest.raises(ValueError, match="the script's own error"):
        fail_holding_entities()
    gc.collect()
    assert sorted(heard) == (["a", "b"] if notified else [])


def test_type_names_are_kept_after_the_first_answer_and_time_needs_a_node_in_a_scene():
    class Renamed(Component):
        super = Component

    component = Renamed()
    assert (component.getType(), component.getSuperType()) == ("Renamed", "Component")
    Renamed.__name__ = "Other"
    assert component.getType() == "Renamed" and Renamed().getType() == "Other"

    mover = Mover()
    assert mover.getEntity() is None and mover.getSceneNode() is None and mover.getSceneManager() is None
    assert mover.getCurrentTime() == 0.0 and mover.paramIsAFilename("image") is False
    node = Entity.createEntity(mover)
    assert mover.getCurrentTime() == 0.0 and mover.getSceneNode() == node
    scene = SceneManager.createNew()
    scene.updateProcess(2.5)
    scene.addNode(node)
    assert mover.getCurrentTime() == 2.5


def test_check_ref_keeps_a_sibling_of_the_same_entity_and_looks_up_otherwise():
    entity, other = Entity.createNew(), Entity.createNew()
    mover, sibling, stranger = Mover(), Sibling(), Sibling()
    entity.addComponent(mover)
    entity.addComponent(sibling)
    other.addComponent(stranger)
    assert [mover.checkRef(ref, "Sibling") for ref in (sibling, None, stranger)] == [sibling] * 3
    assert Component.checkDiffEntityRef(stranger, "Sibling", other) is stranger
    assert Component.checkDiffEntityRef(sibling, "Sibling", other) is stranger
    assert Component.checkDiffEntityRef(None, "Mover", other) is None


def messages(path):
    return [message for message in read_log(path) if message != CLOSED]


def test_raising_notifications_are_logged_and_classes_without_a_registered_super_refused(run_script, tmp_path):
    result = run_script(LOGS + """
    class Faulty(Component):
        super = Component
        def entityChanged(self, newEntity, oldEntity):
            raise ValueError("entity hook failed")
        def managerChanged(self, newManager, oldManager):
            raise KeyError("manager hook failed")

    def notified(self, newEntity, oldEntity):
        print("notified")
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
    assert messages(tmp_path / "PythonSystemLog.txt") == [
        "Exception thrown in entityChanged method with type 'Faulty'.",
        "Exception thrown in managerChanged method with type 'Faulty'.",
        insertion % "Entity", "'super' not defined in python class 'Orphan'.", insertion % ""]
    assert "ValueError: entity hook failed" in result.stderr and "manager hook failed" in result.stderr
    main = messages(tmp_path / "Main.txt")
    assert insertion % "Entity" in main and insertion % "" in main
    assert not any("'super' not defined" in line for line in main)
