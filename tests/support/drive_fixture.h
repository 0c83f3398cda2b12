#pragma once
// A Windows system for engine tests: a real C: drive in a temporary folder, served by the Wine
// prefix file system (drive table, case-insensitive names, links to folders marked), inside a
// memory target whose registry and profile the test fills. The profile can be set to any
// Windows family and environment before the engine is built on the target.
//
//   DriveFixture drive;
//   drive.File(R"(C:\Apps\app.exe)");
//   drive.SetString(kLocalMachine, R"(\SOFTWARE\X)", "", R"(C:\Apps\app.exe)");
//   TOrdrex engine(drive.Target(), clock);

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/target.h"
#include "platform/wine/prefix_file_system.h"
#include "support/fresh_prefix.h"

namespace ordrex::testsupport {

class DriveFixture {
 public:
  DriveFixture();

  MemoryTarget& Target() { return target_; }
  SystemProfile& Profile() { return target_.MutableProfile(); }
  PrefixFileSystem& Files() { return *files_; }

  // An empty file (with its folders) or a folder at a Windows path on drive C.
  DriveFixture& File(const std::string& windowsPath);
  DriveFixture& Folder(const std::string& windowsPath);
  // A symbolic link at a Windows path on drive C pointing at a host path.
  DriveFixture& Link(const std::string& windowsPath, const std::filesystem::path& hostTarget);
  std::filesystem::path HostPath(const std::string& windowsPath) const;
  const std::filesystem::path& PrefixPath() const { return prefix_; }

  // Registry values, creating the key; keys are absolute paths under the root.
  void CreateKey(RootHandle root, const std::string& key);
  void SetString(RootHandle root, const std::string& key, const std::string& name,
                 const std::string& data);
  void SetExpandString(RootHandle root, const std::string& key, const std::string& name,
                       const std::string& data);
  void SetDword(RootHandle root, const std::string& key, const std::string& name,
                std::uint32_t data);

 private:
  ScratchFolder scratch_;
  std::filesystem::path prefix_;
  MemoryTarget target_;
  std::unique_ptr<PrefixFileSystem> files_;
};

}  // namespace ordrex::testsupport
