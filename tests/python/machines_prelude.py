"""The start of every state machine scenario: an initialised Root, the definitions' manager, a scene, and a
machine component that journals every change of state it hears in one list, so that a test sees the order of
changes across machines. Scenarios print what they found on "> " lines (logfiles.printed reads them)."""

from tarnu import *  # noqa: F401,F403 -- the scenarios use the whole module

root = Root()
root.initialize(64, 48, 0, False)
fsms = FSMResourceManager.getSingleton()
scene = SceneManager.createNew()
heard = []


class Machine(UnitFSMComponent):
    """Journals (definition, old state, new state, event type or None); then runs react(machine, old, new, event)."""
    super = Component

    def __init__(self, name, react=None):
        UnitFSMComponent.__init__(self, name)
        self.react = react

    def stateChanged(self, old, new, event):
        heard.append((self.getStateMachine().getName(), old, new, None if event is None else event.getEventType()))
        if self.react:
            self.react(self, old, new, event)

    def createNew(self, params):
        return type(self)(params.get("fsm"))

    def createCopy(self):
        return type(self)(self.getStateMachine().getName())


def defined(name, states, transitions=(), default=None):
    """A definition filled from here: states by name ("!" at the end marks a terminal one), transitions as
    (from, to, event type), and the default starting state."""
    fsm = fsms.createEmptyFSM(name)
    fsm.load()
    for state in states:
        fsm.addState(state.rstrip("!"), state.endswith("!"), state == default)
    for transition in transitions:
        fsm.addTransition(*transition)
    return fsm


def unit(name, *components, placed=True):
    """An entity with the components, in the scene unless told otherwise."""
    entity = Entity.createNew(name)
    for component in components:
        entity.addComponent(component)
    if placed:
        node = SceneNode.createNew()
        node.attach(entity)
        scene.addNode(node)
    return entity


# Carries out the removals of remove().
unit("director", ComponentFactory.getSingleton().create("ComponentAdder", ParameterList()))


def remove(entity, typeName):
    """Takes the entity's component of that type off it, as a data file's ComponentAddition does."""
    params = ParameterList()
    for key, value in (("action", "RemoveComponent"), ("entity", entity.getName()), ("type", typeName)):
        params.add(key, value)
    scene.postEvent(EventFactory.getSingleton().create("ComponentAddition", params))


def poke(entity, eventType, time=0.0):
    entity.postEvent(Event(eventType, time))


def drain():
    """The changes heard since the last call."""
    changes = list(heard)
    del heard[:]
    return changes


def attempt(call):
    try:
        return call()
    except (RuntimeError, ValueError) as error:
        return "%s: %s" % (type(error).__name__, error)


def said(*values):
    print("> " + repr(values))
