#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// `ordrex-cli ignore`: list or change the ignore list.
//   ignore [list]
//   ignore add TEXT [--key] [--value] [--data] [--case] [--yes]
//   ignore remove N ...   (numbers as `list` shows them)
class IgnoreCommand {
 public:
  explicit IgnoreCommand(CliContext& context) : context_(context) {}
  CLI::App* Register(CLI::App& app);
  int Run();

 private:
  int List();
  int Add();
  int Remove();
  bool AskReplace(const std::string& question);

  CliContext& context_;
  CLI::App* add_ = nullptr;
  CLI::App* remove_ = nullptr;
  std::string text_;
  bool key_ = false;
  bool value_ = false;
  bool data_ = false;
  bool caseSensitive_ = false;
  bool yes_ = false;
  std::vector<int> numbers_;
};

}  // namespace ordrex::cli
