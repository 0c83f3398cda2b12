#include "platform/system_profile.h"

#include "platform/text.h"

namespace ordrex {

std::optional<std::string> FindEnvironment(std::string_view name,
                                           const std::vector<EnvVar>& environment) {
  for (const auto& var : environment) {
    if (SameText(var.name, name)) return var.value;
  }
  return std::nullopt;
}

std::string ExpandEnvironment(std::string_view text, const std::vector<EnvVar>& environment) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(pos, open - pos));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto value = name.empty() ? std::nullopt : FindEnvironment(name, environment);
    if (value) {
      out.append(*value);
      pos = close + 1;
    } else {
      // As Windows does: the text stays, and the closing '%' may open the next reference.
      out.append(text.substr(open, close - open));
      pos = close;
    }
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace ordrex
