#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanShortcuts(TOrdrex&) {}

}  // namespace ordrex::rules
