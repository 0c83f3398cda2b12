#pragma once
// Reading and writing the settings model in the settings registry (HKEY_CURRENT_USER of the
// roots given, key "\Software\Zentrix\"), at the moments the program touches it: defaults on
// the very first start, loading at start, the category selection once the engine exists, and
// saving at the end.
//
// A value that is missing or of the wrong type reads as its default; nothing here throws for
// what a settings file may hold.

#include <cstdint>
#include "app/settings/settings_model.h"
#include "platform/clock.h"
#include "platform/target.h"

namespace ordrex {

class TOrdrex;

// Only when the settings key does not exist: creates it with the defaults and an empty
// "Restore" subkey. Returns whether it wrote them (the very first start).
bool WriteDefaultSettings(RegistryRoots& roots);

// "Data" as stored (a 32- or 64-bit integer); 0 when it or the key is missing or of another
// type.
std::int64_t ReadWindowHandle(RegistryRoots& roots);

// Fills "Data", the options, the search directories and the restore list (an unreadable backup date
// becomes clock's now). Writes the defaults of "Backup_Dir" and of the four search and
// shortcut switches when they are missing.
void LoadSettings(RegistryRoots& roots, SettingsModel& model,
                  const Clock& clock = SystemClock::Instance());

// Moves the selection values "0" to "11" of older versions to values named by the category
// titles (the numbering differs between the Windows 9x and NT families) and deletes them.
// Returns how many it found.
int ConvertLegacySelection(RegistryRoots& roots, TOrdrex& engine);

// Reads the check mark of every listed category (checked when absent) into the model's
// selection and the category's Enabled flag. Categories that are not listed are neither read
// nor touched.
void LoadSelection(RegistryRoots& roots, SettingsModel& model, TOrdrex& engine);

// Writes everything back: "Data" as the model holds it, the selection, the options,
// the search directories (replacing the "Folder" subkey, so removed folders are gone) and the
// restore list (replacing the "Restore" subkey).
void SaveSettings(RegistryRoots& roots, const SettingsModel& model);

}  // namespace ordrex
