#pragma once
// The user's formats for dates and times, as the environment names them.

#include <locale>
#include <map>
#include <string>

namespace ordrex {

// The classic locale with the date and time formats of the locale that the first of LC_ALL,
// LC_TIME and LANG names (set and not empty). A name that is not installed, or not a locale
// name at all, gives the "C" formats: a wrong LANG must not keep the program from running.
std::locale UserTimeLocale(const std::map<std::string, std::string>& env);

}  // namespace ordrex
