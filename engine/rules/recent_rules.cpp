#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanLastVisitedMru(TOrdrex&, TRegistry&) {}
void ScanOpenSaveMru(TOrdrex&, TRegistry&) {}
void ScanRunMru(TOrdrex&, TRegistry&) {}
void ScanRecentDocs(TOrdrex&, TRegistry&) {}
void ScanStartMenuOrder(TOrdrex&) {}

}  // namespace ordrex::rules
