#pragma once
// The process's environment as both front ends hand it to the code below them: a map that tests
// can build by hand, and a lookup of one variable in it.

#include <map>
#include <string>

#include "app/session/target_choice.h"

namespace ordrex {

std::map<std::string, std::string> ProcessEnvironment();

// Looks a variable up in `environment` (which must outlive the lookup); unset or empty is none.
EnvironmentLookup LookupIn(const std::map<std::string, std::string>& environment);

}  // namespace ordrex
