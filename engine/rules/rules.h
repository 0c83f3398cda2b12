#pragma once
// The detection rules the scan schedule runs. Each walks one part of the registry (or the
// disk) for its categories and records problems through TOrdrex::AddProblem. A rule whose
// category is disabled finds an empty list (EnumKey) and does nothing.

#include <string_view>

#include "engine/ordrex.h"
#include "engine/registry.h"

namespace ordrex::rules {

// COM registrations, on HKEY_CLASSES_ROOT.
void ScanClassIds(TOrdrex& engine, TRegistry& reg);       // Registry Integrity
void ScanInterfaces(TOrdrex& engine, TRegistry& reg);     // Interface
void ScanTypeLibraries(TOrdrex& engine, TRegistry& reg);  // ActiveX/COM

// File associations and shell; prefix "\" or "\SOFTWARE\Classes\" (and "Applications\").
void ScanFileAssociations(TOrdrex& engine, TRegistry& reg, std::string_view prefix);
void ScanOpenWith(TOrdrex& engine, TRegistry& reg, std::string_view prefix);
// On HKEY_CURRENT_USER, looking classes up in HKEY_CLASSES_ROOT.
void ScanUserFileExts(TOrdrex& engine, TRegistry& reg);

// Software and startup.
void ScanOldSoftware(TOrdrex& engine, TRegistry& reg);  // on the accessor's root
void ScanStartup(TOrdrex& engine, TRegistry& reg);      // on the accessor's root
void ScanAppPaths(TOrdrex& engine, TRegistry& reg);
void ScanInstallerFolders(TOrdrex& engine, TRegistry& reg);
void ScanSharedDlls(TOrdrex& engine, TRegistry& reg);
void ScanUninstall(TOrdrex& engine, TRegistry& reg);

// Recent lists, on HKEY_CURRENT_USER.
void ScanLastVisitedMru(TOrdrex& engine, TRegistry& reg);
void ScanOpenSaveMru(TOrdrex& engine, TRegistry& reg);
void ScanRunMru(TOrdrex& engine, TRegistry& reg);
void ScanRecentDocs(TOrdrex& engine, TRegistry& reg);
void ScanStartMenuOrder(TOrdrex& engine);

// Shortcut files of the system root drive.
void ScanShortcuts(TOrdrex& engine);

// System files, on HKEY_LOCAL_MACHINE.
void ScanHelpFiles(TOrdrex& engine, TRegistry& reg);
void ScanFonts(TOrdrex& engine, TRegistry& reg);
void ScanInstalledFiles(TOrdrex& engine, TRegistry& reg);
void ScanServices(TOrdrex& engine, TRegistry& reg);
void ScanEventLog(TOrdrex& engine);
void ScanVxd(TOrdrex& engine, TRegistry& reg);

}  // namespace ordrex::rules
