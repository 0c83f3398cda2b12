#include "app/cli/target_options.h"

#include "platform/wine/wine_prefix_target.h"

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
  prefix->excludes(windows);
}

fs::path PrefixFolder(const TargetOptions& options, const CliContext& context) {
  fs::path folder;
  if (!options.prefix.empty()) {
    folder = options.prefix;
  } else if (auto wine = context.Env("WINEPREFIX")) {
    folder = *wine;
  } else if (auto home = context.Env("HOME")) {
    folder = fs::path(*home) / ".wine";
  } else {
    return {};
  }
  std::error_code ec;
  fs::path absolute = fs::absolute(folder, ec);
  return (ec ? folder : absolute).lexically_normal();
}

std::unique_ptr<Target> OpenTargetOrReport(const TargetOptions& options, CliContext& context) {
  if (!options.windows.empty()) {
    context.err << "ordrex-cli: offline Windows volumes (--windows) are not supported yet\n";
    return nullptr;
  }
  fs::path folder = PrefixFolder(options, context);
  if (folder.empty()) {
    context.err << "ordrex-cli: no Wine prefix given: use --prefix DIR or set WINEPREFIX\n";
    return nullptr;
  }
  // "dir/" and "dir" are the same prefix; show it without the trailing separator.
  if (!folder.has_filename() && folder.has_parent_path() && folder != folder.root_path()) {
    folder = folder.parent_path();
  }
  try {
    std::unique_ptr<Target> target = OpenWinePrefix(folder, context.clock);
    for (const auto& warning : target->Warnings()) {
      context.err << "ordrex-cli: warning: " << warning << "\n";
    }
    return target;
  } catch (const TargetError& e) {
    context.err << "ordrex-cli: " << e.what() << "\n";
  } catch (const RegistryError& e) {
    context.err << "ordrex-cli: " << e.what() << "\n";
  }
  return nullptr;
}

}  // namespace ordrex::cli
