#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanClassIds(TOrdrex&, TRegistry&) {}
void ScanInterfaces(TOrdrex&, TRegistry&) {}
void ScanTypeLibraries(TOrdrex&, TRegistry&) {}

}  // namespace ordrex::rules
