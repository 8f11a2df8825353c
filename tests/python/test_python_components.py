"""Components written in Python: how the engine finds them, what it tells them
and when, what they may ask of their entity, and how a faulty class is refused."""

import gc

import pytest
from logfiles import CLOSE_LOGS, CLOSED, LOGS, read_log

from tarnu import Component, ComponentFactory, Entity, ParameterList, SceneManager, SceneNode


class Mover(Component):
    """Records the notifications it hears as (kind, new, old) with the engine objects."""
    super = Component

    def __init__(self, label="mover"):
        Component.__init__(self)
        self.label = label
        self.heard = []

    def createNew(self, params):
        return Mover()

    def createCopy(self):
        return Mover(self.label + " copy")

    def entityChanged(self, newEntity, oldEntity):
        self.heard.append(("entity", newEntity, oldEntity))

    def managerChanged(self, newManager, oldManager):
        self.heard.append(("manager", newManager, oldManager))


class Sibling(Mover):
    super = Component


class Bare(Component):
    super = Component


def test_component_and_factory_offer_every_listed_name():
    names = ["getCurrentTime", "getEntity", "getSceneNode", "getSceneManager", "paramIsAFilename",
             "getType", "getSuperType", "createNew", "createCopy", "entityChanged", "managerChanged",
             "getComponent", "checkRef", "checkDiffEntityRef", "__eq__", "__hash__"]
    assert [name for name in names if name not in Component.__dict__] == []
    factory = ["getSingleton", "registerType", "isRegistered", "getRegistered", "create"]
    assert [name for name in factory if not hasattr(ComponentFactory, name)] == []
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        ComponentFactory()


def test_factory_is_none_before_the_engine_makes_one():
    assert ComponentFactory.getSingleton() is None


class TestAttaching:
    def test_temporary_component_is_found_later_as_the_same_python_object(self):
        entity = Entity.createNew("e")
        assert entity.addComponent(Mover("kept")) is True
        gc.collect()
        found = Component.getComponent("Mover", entity)
        assert isinstance(found, Mover) and found.label == "kept"
        assert found is Component.getComponent("Mover", entity)
        assert found.getEntity() == entity
        assert found.heard == [("entity", entity, None)]

    def test_found_under_its_own_name_only(self):
        entity = Entity.createNew()
        entity.addComponent(Sibling())
        assert isinstance(Component.getComponent("Sibling", entity), Sibling)
        assert Component.getComponent("Component", entity) is None
        assert Component.getComponent("Mover", entity) is None
        assert Component.getComponent("NeverHeardOf", entity) is None

    def test_second_instance_of_a_class_is_accepted_but_the_first_stays_found(self):
        entity = Entity.createNew()
        first, second = Mover("first"), Mover("second")
        assert entity.addComponent(first) and entity.addComponent(second)
        assert Component.getComponent("Mover", entity) is first
        assert second.getEntity() == entity

    def test_component_of_one_entity_or_nothing_is_refused_by_another(self):
        owner, other = Entity.createNew("owner"), Entity.createNew("other")
        mover = Mover()
        owner.addComponent(mover)
        assert other.addComponent(mover) is False
        assert other.addComponent(None) is False
        assert mover.getEntity() == owner and Component.getComponent("Mover", other) is None
        assert mover.heard == [("entity", owner, None)]


class TestNotifications:
    def test_joining_and_leaving_a_scene_reaches_the_component_with_both_managers(self):
        scene = SceneManager.createNew()
        mover = Mover()
        node = Entity.createEntity(mover, "walker")
        entity = node.getEntity()
        scene.addNode(node)
        scene.removeNode(node)
        assert mover.heard == [("entity", entity, None), ("manager", scene, None), ("manager", None, scene)]

    def test_component_added_inside_a_scene_hears_entity_then_manager(self):
        scene = SceneManager.createNew()
        node = SceneNode.createNew()
        node.attach(Entity.createNew())
        scene.addNode(node)
        mover = Mover()
        node.getEntity().addComponent(mover)
        assert mover.heard == [("entity", node.getEntity(), None), ("manager", scene, None)]
        assert mover.getSceneManager() == scene and mover.getSceneNode() == node

    def test_dropping_the_entity_tells_the_component_which_entity_it_lost(self):
        class ByName(Mover):
            # Names only: holding the entities would keep them alive.
            def entityChanged(self, newEntity, oldEntity):
                self.heard.append((newEntity and newEntity.getName(), oldEntity and oldEntity.getName()))

        component = ByName()
        entity = Entity.createNew("gone")
        entity.addComponent(component)
        del entity
        gc.collect()
        assert component.heard == [("gone", None), (None, "gone")]
        assert component.getEntity() is None and component.label == "mover"

    @pytest.mark.parametrize("notified", [False, True], ids=["default hook", "python hook"])
    def test_script_exception_survives_entities_dropped_while_it_unwinds(self, notified):
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


class TestQueries:
    def test_type_names_come_from_the_python_class_and_are_kept_after_the_first_answer(self):
        class Renamed(Component):
            super = Component

        component = Renamed()
        assert (component.getType(), component.getSuperType()) == ("Renamed", "Component")
        Renamed.__name__ = "Other"
        assert component.getType() == "Renamed"
        assert Renamed().getType() == "Other"

    def test_unattached_component_has_no_links_and_time_zero(self):
        mover = Mover()
        assert mover.getEntity() is None and mover.getSceneNode() is None and mover.getSceneManager() is None
        assert mover.getCurrentTime() == 0.0
        assert mover.paramIsAFilename("image") is False

    def test_current_time_needs_a_node_in_a_scene(self):
        mover = Mover()
        node = Entity.createEntity(mover)
        assert mover.getCurrentTime() == 0.0 and mover.getSceneNode() == node
        scene = SceneManager.createNew()
        scene.updateProcess(2.5)
        scene.addNode(node)
        assert mover.getCurrentTime() == 2.5

    def test_class_without_create_functions_raises_the_pure_virtual_error(self):
        with pytest.raises(RuntimeError, match="[Pp]ure virtual"):
            Bare().createNew(ParameterList())
        with pytest.raises(RuntimeError, match="[Pp]ure virtual"):
            Bare().createCopy()

    def test_check_ref_keeps_a_sibling_of_the_same_entity_and_looks_up_otherwise(self):
        entity, other = Entity.createNew(), Entity.createNew()
        mover, sibling, stranger = Mover(), Sibling(), Sibling()
        entity.addComponent(mover)
        entity.addComponent(sibling)
        other.addComponent(stranger)
        assert mover.checkRef(sibling, "Sibling") is sibling
        assert mover.checkRef(None, "Sibling") is sibling
        assert mover.checkRef(stranger, "Sibling") is sibling
        assert Component.checkDiffEntityRef(stranger, "Sibling", other) is stranger
        assert Component.checkDiffEntityRef(sibling, "Sibling", other) is stranger
        assert Component.checkDiffEntityRef(None, "Mover", other) is None

    def test_components_compare_and_hash_by_engine_object(self):
        entity = Entity.createNew()
        mover = Mover()
        entity.addComponent(mover)
        found = Component.getComponent("Mover", entity)
        assert found == mover and hash(found) == hash(mover)
        assert mover != Mover() and mover != None  # noqa: E711


def messages(path):
    return [message for message in read_log(path) if message != CLOSED]


def test_raising_notifications_are_logged_and_the_component_stays(run_script, tmp_path):
    result = run_script(LOGS + """
    class Faulty(Component):
        super = Component
        def entityChanged(self, newEntity, oldEntity):
            raise ValueError("entity hook failed")
        def managerChanged(self, newManager, oldManager):
            raise KeyError("manager hook failed")

    node = SceneNode.createNew()
    node.attach(Entity.createNew("e"))
    print(node.getEntity().addComponent(Faulty()))
    gc.collect()
    print(type(Component.getComponent("Faulty", node.getEntity())).__name__)
    scene = SceneManager.createNew()
    scene.addNode(node)
    print(scene.getNumEntities())
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "True\nFaulty\n1\n"
    assert messages(tmp_path / "PythonSystemLog.txt") == [
        "Exception thrown in entityChanged method with type 'Faulty'.",
        "Exception thrown in managerChanged method with type 'Faulty'."]
    assert "ValueError: entity hook failed" in result.stderr and "manager hook failed" in result.stderr


@pytest.mark.parametrize("declaration, expected", [
    ("super = Entity", ["Error inserting python component: 'Entity' not registered with factory"]),
    ("", ["'super' not defined in python class 'Orphan'.",
          "Error inserting python component: '' not registered with factory"]),
], ids=["unregistered super", "no super"])
def test_component_with_an_unknown_super_is_refused_and_logged(run_script, tmp_path, declaration, expected):
    result = run_script(LOGS + """
    class Orphan(Component):
        %s
        def entityChanged(self, newEntity, oldEntity):
            print("notified")

    entity = Entity.createNew()
    orphan = Orphan()
    print(entity.addComponent(orphan), orphan.getEntity(), Component.getComponent("Orphan", entity))
    """ % (declaration or "pass") + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "False None None\n"
    assert messages(tmp_path / "PythonSystemLog.txt") == expected
    main = messages(tmp_path / "Main.txt")
    assert expected[-1] in main and not any("'super' not defined" in line for line in main)
