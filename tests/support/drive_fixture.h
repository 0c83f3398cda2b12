#pragma once
// A Windows system for engine tests: the C: drive of a TempPrefix, served by the Wine prefix
// file system (drive table, case-insensitive names, links to folders marked), inside a memory
// target whose registry and profile the test fills; the prefix's registry files are not used.
// The profile can be set to any Windows family and environment before the engine is built.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/ordrex.h"
#include "engine/registry.h"
#include "platform/clock.h"
#include "platform/target.h"
#include "platform/wine/prefix_file_system.h"
#include "support/temp_prefix.h"

namespace ordrex::testsupport {

class DriveFixture : public TempPrefix {
 public:
  DriveFixture() : files_(std::make_unique<PrefixFileSystem>(Path())) {
    target_.SetFiles(*files_);
    Profile().windowsDir = "C:\\windows";
    Profile().systemDir = "C:\\windows\\system32";
  }

  MemoryTarget& Target() { return target_; }
  // The engine on the target, built on first use (after the test has laid out the files and
  // the profile), with a clock that moves only when the test moves it.
  TOrdrex& Engine() {
    if (!engine_) engine_ = std::make_unique<TOrdrex>(target_, clock_);
    return *engine_;
  }
  ManualClock& Clock() { return clock_; }
  SystemProfile& Profile() { return target_.MutableProfile(); }
  PrefixFileSystem& Files() { return *files_; }
  // A system of the older Windows family (Windows 95 to Me).
  void UseWin9x() {
    Profile().version.platformId = 1;
    Profile().version.major = 4;
  }

  // As the prefix's, and the file system forgets the folders it has listed.
  DriveFixture& File(const std::string& windowsPath, const Bytes& bytes = {}) {
    return Changed(TempPrefix::File(windowsPath, bytes));
  }
  DriveFixture& Folder(const std::string& windowsPath) {
    return Changed(TempPrefix::Folder(windowsPath));
  }
  DriveFixture& Link(const std::string& windowsPath, const std::filesystem::path& hostTarget) {
    return Changed(TempPrefix::Link(windowsPath, hostTarget));
  }

  // Registry values, creating the key; keys are absolute paths under the root.
  void CreateKey(RootHandle root, const std::string& key) {
    Write(root, key, [](TRegistry&) {});
  }
  void SetString(RootHandle root, const std::string& key, const std::string& name,
                 const std::string& data) {
    Write(root, key, [&](TRegistry& reg) { reg.WriteString(name, data); });
  }
  void SetExpandString(RootHandle root, const std::string& key, const std::string& name,
                       const std::string& data) {
    Write(root, key, [&](TRegistry& reg) { reg.WriteExpandString(name, data); });
  }
  void SetDword(RootHandle root, const std::string& key, const std::string& name,
                std::uint32_t data) {
    Write(root, key,
          [&](TRegistry& reg) { reg.WriteInteger(name, static_cast<std::int32_t>(data)); });
  }

 private:
  DriveFixture& Changed(TempPrefix&) {
    files_->DropCache();
    return *this;
  }
  template <class Writer>
  void Write(RootHandle root, const std::string& key, Writer write) {
    TRegistry reg(target_, root);
    if (!reg.OpenKey(key, true)) throw std::runtime_error("cannot create key " + key);
    write(reg);
  }

  MemoryTarget target_;
  std::unique_ptr<PrefixFileSystem> files_;
  ManualClock clock_;
  std::unique_ptr<TOrdrex> engine_;
};

}  // namespace ordrex::testsupport
