"""The start of every template scenario: an initialised Root, the three managers, and Python components
registered with the factory that journal how each instance was made, so that a test sees which parameters a
template handed over and whether a component was built anew or copied."""

from tarnu import *  # noqa: F401,F403 -- the scenarios use the whole module

root = Root()
root.initialize(64, 48, 0, False)
entities = EntityTemplateManager.getSingleton()
scenes = SceneTemplateManager.getSingleton()
scripts = EventScriptManager.getSingleton()
made = []


def loaded(name, file="", manager=None):
    """The entity template (or the scene template or script of manager), loaded."""
    manager = manager or entities
    resource = manager.loadScript(name, file) if manager is scripts else manager.loadTemplate(name, file)
    resource.load()
    return resource


class Probe(Component):
    super = Component
    KEYS = ("a", "b", "c")

    def createNew(self, params):
        made.append(("new", type(self).__name__) + tuple(params.get(key) for key in self.KEYS))
        return type(self)()

    def createCopy(self):
        made.append(("copy", type(self).__name__))
        return type(self)()


class Other(Probe):
    super = Component


for cls in (Probe, Other):
    ComponentFactory.getSingleton().registerType(cls())


def types(entity):
    """The component type names of an entity, in order."""
    return [name for name in ("Probe", "Other") if Component.getComponent(name, entity) is not None]


def said(*values):
    print(">", repr(values))
