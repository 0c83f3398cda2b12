#include "app/settings/user_locale.h"

#include <stdexcept>

namespace ordrex {

std::locale UserTimeLocale(const std::map<std::string, std::string>& env) {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const auto hit = env.find(variable);
    if (hit == env.end() || hit->second.empty()) continue;
    try {
      return std::locale(std::locale::classic(), hit->second.c_str(), std::locale::time);
    } catch (const std::runtime_error&) {
      return std::locale::classic();
    }
  }
  return std::locale::classic();
}

}  // namespace ordrex
