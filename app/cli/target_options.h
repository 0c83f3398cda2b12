#pragma once
// The target options every verb that reads a registry shares, and opening that target: a Wine
// prefix (--prefix DIR, else $WINEPREFIX, else ~/.wine) or, later, an offline Windows volume
// (--windows DIR).

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "app/cli/cli_context.h"
#include "platform/target.h"

namespace ordrex::cli {

struct TargetOptions {
  std::string prefix;
  std::string windows;
};

// Adds --prefix and --windows to a verb; the two exclude each other.
void AddTargetOptions(CLI::App& verb, TargetOptions& options);

// The prefix folder the options name, made absolute; empty when none is given and there is no
// home folder to look in.
std::filesystem::path PrefixFolder(const TargetOptions& options, const CliContext& context);

// Opens the target the options name and prints its warnings on stderr. On failure prints one
// line saying why on stderr and returns nullptr: the verb then exits with kExitUsage.
std::unique_ptr<Target> OpenTargetOrReport(const TargetOptions& options, CliContext& context);

}  // namespace ordrex::cli
