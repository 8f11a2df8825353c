"""A small Tarnu game: a window, a scene of entities made of Python and built-in
components, processes that move them, and keyboard, mouse and window input.

The world is larger than the window: a tile map of grass, sand, water and rock
covers it, built from examples/data/world.txt into a tile-map archive (by
examples/build_world.py) as the game starts, with trees standing on some of its
tiles; a dimmed floor lies beyond its edges, and the camera follows the player's
ship. Drifters that run into each other or into the ship bounce apart, turned
round by the grid physics manager's collision events. Two players share the
world: the ship, four scouts (small ships, their range of sight drawn round
them) and the drifters are their units, and each unit watches through a sight
sensor. The fog of war is the first player's: tiles none of its units has seen
are black, those it saw are dimmed, those it sees now are lit; the drifters show
only where it sees them, the trees only once it has explored their tiles. A
scout that sights a drifter is alerted for two seconds (its state machine,
given by its player's beacon, switches) and glows meanwhile, a pulse animated
from examples/data/beacon.xml. A line of text in the view's corner tells the
game time, the units alert and the tiles explored now and then. The arrow keys
fly the ship: left and right turn it while held, up thrusts it forward, down
brakes; let go and it drifts on. A mouse click drops a new drifter where it was
clicked, Escape (or closing the window) quits. The console tells the controls as
the game starts, then what a player would want to hear of: a scout sighting a
drifter, a drifter dropped, each further tenth of the world explored, and at the
end how long the game ran. Run it from the project's top folder after building.
"""

import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "build", "python"))

from build_world import build as build_world  # noqa: E402
from tarnu import (AxisAlignedBox, Circle, CollidableListener, Complex, Component, ComponentFactory,  # noqa: E402
                   DynamicTextDisplay, EnemySightedEvent, Entity, EntityTemplateManager, FSMResourceManager,
                   GamePlayer, GamePlayerManager, GridPhysicsManager, InputManager, KeyEvent, KeyListener, LogManager,
                   MouseListener, ParameterList, PlayerUnit, Process, QuadtreeRenderManager, RenderableGeometry, Root,
                   SceneManager, SceneNode, StaticCollidable, TileMap, Timer, TimerEvent, TimerListener,
                   UnitFSMComponent, UnitFSMController, Vector2, VisualReactor)

WIDTH, HEIGHT = 800, 600
WORLD = AxisAlignedBox(Vector2(0, 0), Vector2(1600, 1200))
TILE = 40                     # the world is 40 x 30 tiles
TILES = int(WORLD.getWidth() // TILE) * int(WORLD.getHeight() // TILE)
SIGHT = 110                   # how far a unit sees
SCOUTS, DRIFTERS = 1, 2       # the two players' numbers
# From fonts-dejavu-core, which tools/install-deps installs.
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"


def image(name):
    return os.path.join(HERE, "data", "images", name)


def build(kind, **values):
    """A built-in component from the factory, as a data file would describe it."""
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return ComponentFactory.getSingleton().create(kind, params)


def sprite(file_name, side, z_order):
    # Moving images are drawn under their node's transform, so they turn with it.
    half = side / 2
    return build("StaticImage", filename=image(file_name), texCoord="<0,0>,<1,1>", zOrder=z_order,
                 min="<%g,%g>" % (-half, -half), max="<%g,%g>" % (half, half), static="false")


class Velocity(Component):
    """How fast its entity drifts, in world units per second."""
    super = Component

    def __init__(self, velocity=None):
        Component.__init__(self)
        self.velocity = velocity or Vector2(0, 0)

    def createNew(self, params):
        return Velocity()

    def createCopy(self):
        return Velocity(Vector2(self.velocity))


class Motion(Process):
    """Lets the helm steer the player's ship, moves every entity that has a
    Velocity, keeps it inside the world and keeps the camera on the ship."""

    def __init__(self, scene, entities, helm):
        Process.__init__(self)
        self.scene = scene
        self.entities = entities
        self.helm = helm

    def updateProcess(self, elapsed):
        ship = self.scene.getEntity("player")
        self.helm.steer(ship.getSceneNode(), Component.getComponent("Velocity", ship), elapsed)
        low, high = WORLD.getMin(), WORLD.getMax()
        for entity in self.entities:
            velocity = Component.getComponent("Velocity", entity)
            node = entity.getSceneNode()
            if velocity is None or node is None:
                continue
            node.translate(velocity.velocity * elapsed)
            position = node.getPosition()
            if not low.x <= position.x <= high.x:
                velocity.velocity.x = -velocity.velocity.x
            if not low.y <= position.y <= high.y:
                velocity.velocity.y = -velocity.velocity.y
        self.scene.getEntity("camera").getSceneNode().setPosition(ship.getSceneNode().getPosition())


class Bumper(CollidableListener):
    """Turns a drifter round when it runs into something that drifts: each side
    of a collision hears of it on its own entity, so each bounces off the other.
    Sight sensors are collidables too, but nothing bounces off a line of sight."""

    def __init__(self, entity):
        CollidableListener.__init__(self)
        self.entity = entity
        entity.addEventListener(self)

    def entitiesCollided(self, event):
        other = event.getOther(Component.getComponent("Collidable", self.entity))
        velocity = Component.getComponent("Velocity", self.entity)
        if other is None or velocity is None or Component.getComponent("Velocity", other) is None:
            return
        away = self.entity.getWorldPosition() - other.getWorldPosition()
        if away.magnitude() > 0:
            velocity.velocity = away.unit() * velocity.velocity.magnitude()


def body(entity, file_name, side, z_order):
    """A drifting thing: its picture, a round body the physics manager files, and its bumper."""
    entity.addComponent(sprite(file_name, side, z_order))
    entity.addComponent(StaticCollidable(Circle(Vector2(0, 0), side / 2)))
    return Bumper(entity)


def define_sentry():
    """The units' state machine: an enemy in sight alerts a unit, the timer its alert starts calms it."""
    sentry = FSMResourceManager.getSingleton().createEmptyFSM("sentry")
    sentry.load()
    sentry.addState("patrol", False, True)
    sentry.addState("alert")
    sentry.addTransition("patrol", "alert", EnemySightedEvent.TYPE)
    sentry.addTransition("alert", "patrol", TimerEvent.TYPE)


class Sentry(UnitFSMComponent):
    """Shows its unit's state: alerted for two seconds, the unit glows (a pulsing beacon under it) when it
    has a glow to show; the second player's units have none, which would show through the fog."""
    super = Component
    ALERT = 2

    def __init__(self, glow):
        UnitFSMComponent.__init__(self, "sentry")
        self.glow = glow
        self.shown = None

    def stateChanged(self, old, new, event):
        node = self.getSceneNode()
        if new == self.ALERT:
            if self.glow is not None:
                print("%s sights a drifter" % self.getEntity().getName())
                self.shown = SceneNode.createNew()
                self.shown.attach(self.glow.createEntity(ParameterList(), self.getEntity().getName() + " glow"))
                node.addChild(self.shown)
            self.getSceneManager().addProcess(Timer(2.0, self.getEntity(), "calm"))
        elif self.shown is not None:
            node.removeChild(self.shown)
            self.shown = None


def eyes(node, reach, ring):
    """A sight sensor on a child entity of the unit's node: what it touches, the unit sees."""
    sight = Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), reach)), node.getEntity().getName() + " sight")
    sight.getEntity().addComponent(VisualReactor())
    if ring:
        sight.getEntity().addComponent(RenderableGeometry.createFromBound(Circle(Vector2(0, 0), reach), 1))
    node.addChild(sight)


def unit(node, player, glow, ring):
    """Makes the entity on the node a unit of the player that sees through its eyes and runs the sentry
    machine once its player's beacon takes it in."""
    for component in (PlayerUnit(1, player, ""), UnitFSMController(), Sentry(glow)):
        node.getEntity().addComponent(component)
    eyes(node, SIGHT, ring)


class Helm(KeyListener):
    """The keys held down fly the ship, a step at a time: left and right turn it,
    up thrusts it along its heading, down brakes. A key let go stops acting."""
    TURN = 3.0          # radians a second, anticlockwise for left
    THRUST = 160.0      # units a second gained each second
    BRAKE = 2.0         # the part of the speed lost each second
    TOP_SPEED = 240.0   # units a second

    def __init__(self):
        KeyListener.__init__(self)
        self.held = set()

    def keyPressed(self, event):
        self.held.add(event.key)

    def keyReleased(self, event):
        self.held.discard(event.key)

    def steer(self, node, velocity, elapsed):
        turn = (KeyEvent.KEY_LEFT in self.held) - (KeyEvent.KEY_RIGHT in self.held)
        if turn:
            node.rotate(Complex(turn * self.TURN * elapsed))
        if KeyEvent.KEY_UP in self.held:
            # The ship's picture points along x: its heading is x turned by the node's rotation.
            velocity.velocity += node.getOrientation() * Vector2(self.THRUST * elapsed, 0)
            speed = velocity.velocity.magnitude()
            if speed > self.TOP_SPEED:
                velocity.velocity *= self.TOP_SPEED / speed
        if KeyEvent.KEY_DOWN in self.held:
            velocity.velocity *= max(0.0, 1.0 - self.BRAKE * elapsed)


class Spawner(MouseListener):
    def __init__(self, game, camera):
        MouseListener.__init__(self)
        self.game = game
        self.camera = camera

    def mousePressed(self, event):
        where = self.camera.convertPosition(event.x, event.y)
        print("a drifter dropped at (%.0f, %.0f)" % (where.x, where.y))
        self.game.drifter(Vector2(event.x % 50 - 25, event.y % 50 - 25), "", where)


class Clock(TimerListener):
    """Reports every two seconds of game time in the view; on the console, each further tenth of the world
    explored."""

    def __init__(self, scene, entities, caption, tiles):
        TimerListener.__init__(self)
        self.scene = scene
        self.entities = entities
        self.caption = caption
        self.tiles = tiles
        self.tenths = 0

    def explored(self):
        """The tiles the first player has seen, asked of the map at each tile's centre."""
        corner = WORLD.getMin()
        return sum(1 for x in range(int(WORLD.getWidth() // TILE)) for y in range(int(WORLD.getHeight() // TILE))
                   if self.tiles.getVisibility(corner + Vector2((x + 0.5) * TILE, (y + 0.5) * TILE), SCOUTS) !=
                   TileMap.INVISIBLE)

    def timeUp(self, event):
        alert = [entity for entity in self.entities
                 if Component.getComponent("Sentry", entity) and Component.getComponent("Sentry", entity).shown]
        explored = self.explored()
        tenths = explored * 10 // TILES
        if tenths > self.tenths:
            self.tenths = tenths
            print("%d%% of the world explored" % (10 * tenths))
        self.caption.setText("%.0f s of game time, %d units alert, %d tiles explored" % (
            event.eventTime, len(alert), explored))
        self.scene.addProcess(Timer(2.0, self.scene, "tick"))


class Game:
    """The window, the scene and what runs it; run plays until the player quits."""

    def __init__(self):
        self.root = Root()
        self.root.initialize(WIDTH, HEIGHT, 0, False)
        self.scene = SceneManager.createNew()
        self.renderer = QuadtreeRenderManager.createNew()
        self.renderer.connect(self.scene)
        self.physics = GridPhysicsManager.createNew()
        self.physics.connect(self.scene)

        camera = Entity.createEntity(build("Camera", dimensions="<%d,%d>" % (WIDTH, HEIGHT)), "camera",
                                     WORLD.getCenter())
        self.scene.addNode(camera)
        # A dimmed floor covers the camera's view wherever it goes, under the world's tiles; beyond them it
        # shows, and the outline, where the world ends.
        self.scene.addNode(Entity.createEntity(build(
            "RepeatedStaticImage", camera="camera", repeatX="true", repeatY="true", filename=image("floor.png"),
            texCoord="<0,0>,<1,1>", zOrder=-10, min="<0,0>", max="<64,64>", color="(0.35,0.35,0.35)"), "floor"))
        self.scene.addNode(Entity.createEntity(RenderableGeometry.createFromBound(WORLD, 1), "edge"))

        # Two players; each one's beacon gives its units the sentry machine as they join it. An alerted
        # unit's glow comes from a data file: the template's Animatable plays the file's "Pulse" sequence.
        define_sentry()
        self.glow = EntityTemplateManager.getSingleton().loadTemplate("Beacon", os.path.join(HERE, "data",
                                                                                             "beacon.xml"))
        self.glow.load()
        self.scene.addNode(Entity.createEntity(GamePlayerManager(), "players"))
        self.beacons = {}
        for number in (SCOUTS, DRIFTERS):
            self.scene.addNode(Entity.createEntity(GamePlayer(number, number == SCOUTS), "player%d" % number))
            post = Entity.createEntity(build("SingleStateBeacon", fsm="sentry", type=1, player=number),
                                       "post%d" % number)
            self.scene.addNode(post)
            self.beacons[number] = Component.getComponent("PlayerBeacon", post.getEntity())

        # The world's tiles: the readable examples/data/world.txt built into an archive as the game starts,
        # the trees' template found in examples/data/world.xml. Built once the players are there: the fog is
        # kept for the players the scene has then, and drawn for its active one.
        EntityTemplateManager.getSingleton().loadTemplate("Tree", os.path.join(HERE, "data", "world.xml")).load()
        self.tiles = TileMap(Vector2(TILE, TILE), 0, 0, 0)
        self.scene.addNode(Entity.createEntity(self.tiles, "world", WORLD.getCenter()))
        with tempfile.TemporaryDirectory(prefix="tarnu-world-") as folder:
            archive = os.path.join(folder, "world.tar.bz2")
            build_world(os.path.join(HERE, "data", "world.txt"), archive)
            self.tiles.loadFromFile(archive)
        self.tiles.initialize()

        self.entities = []
        self.bumpers = []
        for index in range(24):
            self.drifter(Vector2(30 + 7 * index % 50 - 25, 20 - 11 * index % 40), "drifter%d" % index,
                         Vector2(60 + 397 * index % 1480, 60 + 271 * index % 1080))
        for index, (where, velocity) in enumerate([((450, 520), (0, -60)), ((900, 700), (-30, 20)),
                                                   ((1300, 300), (-25, -15)), ((700, 1000), (20, -30))]):
            node = Entity.createEntity(Velocity(Vector2(*velocity)), "scout%d" % index, Vector2(*where))
            self.bumpers.append(body(node.getEntity(), "ship.png", 32, 2))
            unit(node, SCOUTS, self.glow, True)
            self.enlist(node, SCOUTS)
        # The ship drifts where it points, until the player flies it.
        drift = Vector2(25, 15)
        player = Entity.createEntity(Velocity(drift), "player", Vector2(300, 260), Complex(drift))
        self.bumpers.append(body(player.getEntity(), "ship.png", 48, 2))
        # The ship is one of the first player's units too: it sees farther than the scouts.
        player.getEntity().addComponent(PlayerUnit(1, SCOUTS, ""))
        eyes(player, 160, False)
        # A ring around the ship, on a child entity: it turns and moves with it.
        player.addChild(Entity.createEntity(RenderableGeometry.createFromBound(Circle(Vector2(0, 0), 34), 2),
                                            "shield"))
        self.scene.addNode(player)
        self.entities.append(player.getEntity())
        # The ship once more, in the view's corner: a slave draws its master's picture where it stands.
        camera.addChild(Entity.createEntity(build("SlaveRenderable", entity="player"), "badge",
                                            Vector2(WIDTH / 2 - 40, HEIGHT / 2 - 40)))
        # A line of text along the view's top edge, changed by the clock below.
        caption = DynamicTextDisplay(AxisAlignedBox(Vector2(0, -24), Vector2(WIDTH - 100, 0)), FONT, 5, 18,
                                     "Arrows fly the ship, a click drops a drifter, Escape quits")
        camera.addChild(Entity.createEntity(caption, "caption", Vector2(-WIDTH / 2 + 12, HEIGHT / 2 - 10)))

        self.helm = Helm()
        self.scene.addProcess(Motion(self.scene, self.entities, self.helm))
        self.clock = Clock(self.scene, self.entities, caption, self.tiles)
        self.scene.addEventListener(self.clock)
        self.scene.addProcess(Timer(2.0, self.scene, "tick"))

        self.listeners = [self.helm, Spawner(self, Component.getComponent("Camera", camera.getEntity()))]
        for listener in self.listeners:
            InputManager.getSingleton().addEventListener(listener)

    def drifter(self, velocity, name, where):
        """A drifter, a unit of the second player, drawn only where the first player sees it now."""
        node = Entity.createEntity(Velocity(velocity), name, where)
        self.bumpers.append(body(node.getEntity(), "ball.png", 32, 1))
        node.getEntity().addComponent(build("PreventRenderWhenNotVisible"))
        unit(node, DRIFTERS, None, False)
        self.enlist(node, DRIFTERS)

    def enlist(self, node, player):
        self.scene.addNode(node)
        self.entities.append(node.getEntity())
        self.beacons[player].addUnit(Component.getComponent("PlayerUnit", node.getEntity()))

    def run(self):
        self.root.run(self.scene, self.renderer, 60)

    def close(self):
        ending = "The game ran for %.1f s of game time; %d of the world's %d tiles were explored." % (
            self.scene.getCurrentTime(), self.clock.explored(), TILES)
        print(ending)
        LogManager.getSingleton().logMessageToDefault(ending)
        # Processes and timers hold the scene they work on: end them, then empty the scene.
        del self.listeners, self.helm, self.entities, self.bumpers, self.clock, self.beacons, self.tiles
        self.scene.terminateAll()
        self.scene.clear()
        del self.scene, self.renderer, self.physics
        self.root.shutdown()


def main():
    game = Game()
    print("Arrow keys: left and right turn the ship, up thrusts, down brakes. A click drops a drifter; Escape quits.")
    game.run()
    game.close()


if __name__ == "__main__":
    main()
