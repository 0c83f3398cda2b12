#pragma once
// A repair can leave entries stale that were sound when the scan ran: deleting a type library
// leaves the classes and interfaces that name it pointing at nothing. The scan after a repair
// finds them; this counts them, so the user can be told that another run will clear them.

#include "engine/ordrex.h"

namespace ordrex {

// Scans the target again, in a separate engine, over the categories that were enabled in the
// repaired engine (the shortcut walks excepted: a repair never removes what a shortcut points
// at), with the same ignore test. Counts the problems that were not among the repaired engine's
// problems, so that a problem the user left unticked, or whose repair failed, is not counted
// again. The repaired engine's problems are left as they are.
int CountFollowUpProblems(TOrdrex& repaired);

}  // namespace ordrex
