#pragma once
// Where the program keeps its own files for the user who runs it. The program's folder is not
// writable on Linux and the current folder changes from run to run, so settings, the ignore
// list and backups follow the XDG base directories instead.

#include <filesystem>
#include <map>
#include <string>

namespace ordrex {

class UserPaths {
 public:
  UserPaths() = default;
  UserPaths(std::filesystem::path configDir, std::filesystem::path dataDir)
      : configDir_(std::move(configDir)), dataDir_(std::move(dataDir)) {}

  // $XDG_CONFIG_HOME/zentrix (else $HOME/.config/zentrix) and $XDG_DATA_HOME/zentrix (else
  // $HOME/.local/share/zentrix). Relative XDG values are invalid by the XDG rules and are
  // ignored like empty ones. Without HOME either, the folders fall back to the current folder's
  // ".zentrix", so that a stripped environment still works rather than writing into "/".
  static UserPaths FromEnvironment(const std::map<std::string, std::string>& env);

  const std::filesystem::path& ConfigDir() const { return configDir_; }
  const std::filesystem::path& DataDir() const { return dataDir_; }
  // The settings registry, saved as .reg text.
  std::filesystem::path SettingsFile() const { return configDir_ / "settings.reg"; }
  // The ignore list, beside the settings.
  std::filesystem::path IgnoreFile() const { return configDir_ / "ignore.lst"; }
  // Where backups go when "Backup_Dir" is empty; ends in a separator.
  std::filesystem::path DefaultBackupDir() const { return dataDir_ / "Backup" / ""; }

 private:
  std::filesystem::path configDir_;
  std::filesystem::path dataDir_;
};

}  // namespace ordrex
