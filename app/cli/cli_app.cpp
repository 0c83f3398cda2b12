#include "app/cli/cli_app.h"

#include <CLI/CLI.hpp>

namespace ordrex::cli {

int RunCli(const std::vector<std::string>& args, CliContext& context) {
  CLI::App app{"Ordrex: finds and repairs registry entries that point at things that no longer exist",
               "ordrex-cli"};
  app.require_subcommand(1);

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    context.out << app.help();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    context.err << "ordrex-cli: " << e.what() << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace ordrex::cli
