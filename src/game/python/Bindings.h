#pragma once
// The export areas of physics, game players and tile maps, pathfinding, state
// machines and players; the module entry calls them among the other
// subsystems' areas, in one order.

namespace Tarnu
{

void exportPhysicsBindings();
void exportGamePlayerBindings();
void exportPathfinderBindings();
void exportFSMBindings();
void exportPlayerBindings();

}
