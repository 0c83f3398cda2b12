#pragma once
// The command check the file-association rules share.

#include <string>

#include "engine/ordrex.h"
#include "platform/registry_types.h"

namespace ordrex::rules {

// Reads the default value of a command or icon key (a shell verb's "command", a class's
// "DefaultIcon") through an accessor of its own on the given root, and reports to "File
// Associations" when the program or icon file it names is missing. Placeholders ("%1") and
// icon indexes (",3") are not part of the path.
void CheckCommandKey(TOrdrex& engine, RootHandle root, const std::string& key);

}  // namespace ordrex::rules
