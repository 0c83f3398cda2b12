#pragma once
// The target options every verb that reads a registry shares (--prefix DIR, --windows DIR
// [--user NAME]), and
// opening that target with its warnings and errors printed as the command-line tool prints them.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "app/cli/cli_context.h"
#include "app/session/target_choice.h"
#include "platform/target.h"

namespace ordrex::cli {

using TargetOptions = TargetRequest;

// Adds --prefix, --windows and --user to a verb; --prefix excludes the other two.
void AddTargetOptions(CLI::App& verb, TargetOptions& options);

// The prefix folder the options name in the command's environment (see ordrex::PrefixFolder).
std::filesystem::path PrefixFolder(const TargetOptions& options, const CliContext& context);

// Opens the target the options name and prints its warnings on stderr. On failure prints one
// line saying why on stderr and returns nullptr: the verb then exits with kExitUsage.
std::unique_ptr<Target> OpenTargetOrReport(const TargetOptions& options, CliContext& context);

}  // namespace ordrex::cli
