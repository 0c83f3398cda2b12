#pragma once
// A Windows system as the program sees it: its registry roots, its files, what Windows would
// tell a program about itself, and how to read shortcuts. One implementation per setting (a
// Wine prefix, an offline Windows volume, the live system, a memory target for tests).

#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/memory_store.h"
#include "platform/registry_store.h"
#include "platform/registry_views.h"
#include "platform/shortcut_reader.h"
#include "platform/system_profile.h"

namespace ordrex {

// Maps root handles to stores. The registry accessor needs nothing else.
class RegistryRoots {
 public:
  virtual ~RegistryRoots() = default;
  // nullptr when the target has no such root (HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA).
  virtual RegistryStore* Root(RootHandle root) = 0;
};

class Target : public RegistryRoots {
 public:
  virtual std::string Kind() const = 0;      // "wine-prefix", "memory", ...
  virtual std::string Location() const = 0;  // the folder or name the user gave
  // The user whose branch is HKEY_CURRENT_USER, as it is named to open the target again, when the
  // target holds several (an offline volume's profiles); empty otherwise.
  virtual std::string UserChoice() const { return {}; }
  virtual FileSystem& Files() = 0;
  virtual const SystemProfile& Profile() const = 0;
  virtual ShortcutReader& Shortcuts() = 0;
  // Non-empty when the target must not be changed now, saying why.
  virtual std::string WriteBlocker() const = 0;
  // Things the user should know about the target that do not stop reading it.
  virtual std::vector<std::string> Warnings() const { return {}; }
  // Writes every changed part of the registry back (atomically, for files). Throws
  // RegistryError when that fails; what was written before stays consistent.
  virtual void Save() = 0;
};

// The root keys built from the three branches every Windows system has. HKEY_CLASSES_ROOT is
// the merged classes view, HKEY_CURRENT_CONFIG the current hardware profile of the machine.
class StandardRoots : public RegistryRoots {
 public:
  StandardRoots(RegistryStore& machine, RegistryStore* user, RegistryStore* userDefault,
                std::string userSid);
  RegistryStore* Root(RootHandle root) override;

 private:
  RegistryStore& machine_;
  RegistryStore* user_;
  MountStore users_;
  MergedClassesStore classes_;
  SubtreeStore currentConfig_;
};

class NullShortcutReader : public ShortcutReader {
 public:
  std::string ReadTarget(const std::filesystem::path&) override { return {}; }
};

// A target held in memory, for tests and demonstrations. Its profile is plain data to fill in;
// its file system is whatever the owner hands it (none by default).
class MemoryTarget : public Target {
 public:
  MemoryTarget();
  std::string Kind() const override { return "memory"; }
  std::string Location() const override { return "memory"; }
  RegistryStore* Root(RootHandle root) override { return roots_.Root(root); }
  FileSystem& Files() override { return *files_; }
  const SystemProfile& Profile() const override { return profile_; }
  ShortcutReader& Shortcuts() override { return *shortcuts_; }
  std::string WriteBlocker() const override { return writeBlocker_; }
  void Save() override { ++saveCount_; }

  SystemProfile& MutableProfile() { return profile_; }
  void SetFiles(FileSystem& files) { files_ = &files; }
  void SetShortcuts(ShortcutReader& reader) { shortcuts_ = &reader; }
  void SetWriteBlocker(std::string why) { writeBlocker_ = std::move(why); }
  int SaveCount() const { return saveCount_; }

  MemoryStore& Machine() { return machine_; }
  MemoryStore& User() { return user_; }
  MemoryStore& UserDefault() { return userDefault_; }

 private:
  MemoryStore machine_;
  MemoryStore user_;
  MemoryStore userDefault_;
  StandardRoots roots_;
  SystemProfile profile_;
  EmptyFileSystem noFiles_;
  NullShortcutReader noShortcuts_;
  FileSystem* files_ = &noFiles_;
  ShortcutReader* shortcuts_ = &noShortcuts_;
  std::string writeBlocker_;
  int saveCount_ = 0;
};

}  // namespace ordrex
