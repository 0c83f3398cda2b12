#include "app/cli/target_options.h"

#include "app/session/process_environment.h"

namespace ordrex::cli {

namespace fs = std::filesystem;

void AddTargetOptions(CLI::App& verb, TargetOptions& options) {
  CLI::Option* prefix = verb.add_option("--prefix", options.prefix,
                                        "Wine prefix folder (default: $WINEPREFIX, else ~/.wine)")
                            ->type_name("DIR");
  CLI::Option* windows =
      verb.add_option("--windows", options.windows,
                      "Mounted offline Windows volume (the folder that holds Windows)")
          ->type_name("DIR");
  CLI::Option* user =
      verb.add_option("--user", options.user,
                      "The user of the Windows volume (default: the only one, else the one who "
                      "used it last)")
          ->type_name("NAME");
  user->needs(windows);
  prefix->excludes(windows);
  prefix->excludes(user);
}

fs::path PrefixFolder(const TargetOptions& options, const CliContext& context) {
  return ordrex::PrefixFolder(options, LookupIn(context.environment));
}

std::unique_ptr<Target> OpenTargetOrReport(const TargetOptions& options, CliContext& context) {
  OpenedTarget opened = OpenRequestedTarget(options, LookupIn(context.environment), context.clock);
  if (!opened.target) {
    context.err << "ordrex-cli: " << opened.error << "\n";
    return nullptr;
  }
  for (const auto& warning : opened.warnings)
    context.err << "ordrex-cli: warning: " << warning << "\n";
  return std::move(opened.target);
}

}  // namespace ordrex::cli
