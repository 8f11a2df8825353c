#pragma once
// The managers that start after the window and stop before it: resource
// managers, the component and event factories with their built-in prototypes,
// and the Python manager, each a singleton, in one fixed order.

namespace Tarnu
{

class StartupRollback;

/// Creates the roster in order; each creation records its undo in rollback.
void startEngineRoster(StartupRollback& rollback);
/// Deletes, in order, those of the roster that exist.
void stopEngineRoster();

}
