#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanHelpFiles(TOrdrex&, TRegistry&) {}
void ScanFonts(TOrdrex&, TRegistry&) {}
void ScanInstalledFiles(TOrdrex&, TRegistry&) {}
void ScanServices(TOrdrex&, TRegistry&) {}
void ScanEventLog(TOrdrex&) {}
void ScanVxd(TOrdrex&, TRegistry&) {}

}  // namespace ordrex::rules
