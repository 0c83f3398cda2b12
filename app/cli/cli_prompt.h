#pragma once
// Questions the verbs ask before they change something.

#include <ostream>
#include <string>

#include "app/cli/cli_context.h"

namespace ordrex::cli {

// Writes the question with " [y/N] " to `shown` and reads one line from the context's input.
// Only "y" or "yes" (any case) is yes; no answer at all (end of input) is no.
bool AskYesNo(CliContext& context, std::ostream& shown, const std::string& question);

}  // namespace ordrex::cli
