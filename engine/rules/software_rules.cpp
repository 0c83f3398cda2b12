#include "engine/rules/rules.h"

// Not written yet: these walks find nothing until their rules land.
namespace ordrex::rules {

void ScanOldSoftware(TOrdrex&, TRegistry&) {}
void ScanStartup(TOrdrex&, TRegistry&) {}
void ScanAppPaths(TOrdrex&, TRegistry&) {}
void ScanInstallerFolders(TOrdrex&, TRegistry&) {}
void ScanSharedDlls(TOrdrex&, TRegistry&) {}
void ScanUninstall(TOrdrex&, TRegistry&) {}

}  // namespace ordrex::rules
