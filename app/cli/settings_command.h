#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "app/cli/cli_context.h"
#include "app/settings/settings_model.h"

namespace ordrex::cli {

class UserSettings;

// `ordrex-cli settings`: show or change the settings of the options page.
//   settings [show]
//   settings set NAME VALUE      (an option name or a category title)
//   settings add-folder DIR | remove-folder DIR | clear-folders
class SettingsCommand {
 public:
  explicit SettingsCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  int Show(UserSettings& settings);
  int Set(UserSettings& settings);
  int AddFolder(UserSettings& settings);
  int RemoveFolder(UserSettings& settings);
  int ClearFolders(UserSettings& settings);
  int Usage(const std::string& message);
  int UnknownSetting(const SettingsModel& model);

  CliContext& context_;
  CLI::App* set_ = nullptr;
  CLI::App* addFolder_ = nullptr;
  CLI::App* removeFolder_ = nullptr;
  CLI::App* clearFolders_ = nullptr;
  std::string name_;
  std::string value_;
  std::string folder_;
};

}  // namespace ordrex::cli
