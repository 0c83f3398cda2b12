#pragma once
// The program's own settings registry: HKEY_CURRENT_USER of its own, held in memory and kept
// as a .reg file in the user's configuration folder. Settings are read and written through
// TRegistry on Roots() exactly as they would be in a live registry; nothing reaches the disk
// before Save().

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/settings/user_paths.h"
#include "platform/atomic_file.h"
#include "platform/memory_store.h"
#include "platform/target.h"

namespace ordrex {

class SettingsStore {
 public:
  // Loads the settings file when there is one. A file that is not valid .reg text does not
  // stop the program: it is renamed with a ".broken" suffix (so it is neither lost nor
  // silently overwritten), the store starts empty and Warnings() says what happened, with the
  // file's path and the line at fault. Never throws for a damaged or unreadable file.
  // Saves go through `writer` when given (it must outlive the store), else through the
  // ordinary atomic writer.
  static std::unique_ptr<SettingsStore> Open(const UserPaths& paths, FileWriter* writer = nullptr);
  // A store that is never written to disk, for callers and tests that must not touch files.
  static std::unique_ptr<SettingsStore> InMemory();

  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // HKEY_CURRENT_USER is the settings store; every other root is absent.
  RegistryRoots& Roots() { return roots_; }
  MemoryStore& Store() { return store_; }
  // Empty for an in-memory store.
  const std::filesystem::path& File() const { return file_; }
  // Messages for the user about the file as it was opened; empty when all went well.
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // Writes "HKEY_CURRENT_USER\Software\Zentrix" and everything below it to the file,
  // atomically (the old file stays whole when writing fails). Throws std::runtime_error with
  // a message for the user (FileWriteError and others) when the file cannot be written. The
  // folder is created when missing. Does nothing for an in-memory
  // store.
  void Save();

 private:
  explicit SettingsStore(std::filesystem::path file);
  void Load();
  // Sets a damaged file aside and starts from an empty store.
  void SetAside(const std::string& fault);

  class UserRoots : public RegistryRoots {
   public:
    explicit UserRoots(MemoryStore& user) : user_(user) {}
    RegistryStore* Root(RootHandle root) override {
      return root == kCurrentUser ? &user_ : nullptr;
    }

   private:
    MemoryStore& user_;
  };

  std::filesystem::path file_;
  MemoryStore store_;
  UserRoots roots_{store_};
  std::vector<std::string> warnings_;
  AtomicFileWriter ownWriter_;
  FileWriter* writer_ = &ownWriter_;
  // Why Save() must not write (a file that could be neither read nor set aside).
  std::string saveBlocker_;
};

// The settings key below HKEY_CURRENT_USER, with and without the leading backslash.
inline constexpr const char* kSettingsKey = "\\Software\\Zentrix\\";
inline constexpr const char* kSettingsStorePath = "Software\\Zentrix";

}  // namespace ordrex
