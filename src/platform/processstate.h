#pragma once
// What the platform keeps for the whole process rather than per Platform:
// the folders and faults that runs and trials put in place of the user's,
// the trials' hooks into the settings store, and the settings file kept in
// memory. Whoever changes one puts it back; ResetProcessState puts all of
// them back at once (the simulated surroundings do, at both ends).
namespace platform {

// The Windows and journal folders back to the user's own, no disk fault,
// no file-call hook or replace listener, no settings file kept in memory.
void ResetProcessState();

}  // namespace platform
