#pragma once
// A small offline Windows 10 volume written by a test: the hives of Windows\System32\config
// (SOFTWARE, SYSTEM, DEFAULT), one user "ann" with NTUSER.DAT and UsrClass.dat, and a few
// files, filled by hivexregedit. Problems are planted in every hive, each beside an entry that
// is fine and one on a drive the volume lacks:
//   SOFTWARE  ...\CurrentVersion\Run "Gone" (C:\Program Files\Gone\gone.exe)
//   NTUSER    Software\...\CurrentVersion\Run "UserGone" (C:\Users\ann\gone.exe)
//   UsrClass  CLSID\{0D1E5A7B-0000-4000-8000-00000000A001}\InprocServer32 (a missing .dll)
// UsrClass.dat's .ann names the class AnnFile of SOFTWARE\Classes. SYSTEM has two control sets;
// Select\Current picks ControlSet002, whose computer name is OFFICE-PC (ControlSet001 says DECOY).

#include <filesystem>
#include <string>

#include "support/fresh_prefix.h"

namespace ordrex::testsupport {

inline constexpr const char* kPlantedClsid = "{0D1E5A7B-0000-4000-8000-00000000A001}";

class TempVolume {
 public:
  // Skips nothing itself: check HivexregeditAvailable() first.
  TempVolume();

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Config() const;
  std::filesystem::path Software() const { return Config() / "SOFTWARE"; }
  std::filesystem::path System() const { return Config() / "SYSTEM"; }
  std::filesystem::path UserHive(const std::string& user = "ann") const;
  std::filesystem::path ClassesHive(const std::string& user = "ann") const;

  // Another profile (Users\NAME with its two hives, listed in ProfileList under sid).
  void AddUser(const std::string& name, const std::string& sid);

  // hivexregedit --export of every hive, one after another: what "nothing else changed" compares.
  std::string ExportAll() const;

 private:
  ScratchFolder scratch_;
  std::filesystem::path path_;
};

}  // namespace ordrex::testsupport
