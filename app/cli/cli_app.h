#pragma once

#include <string>
#include <vector>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// Parses the arguments (without the program name) and runs one command.
int RunCli(const std::vector<std::string>& args, CliContext& context);

}  // namespace ordrex::cli
