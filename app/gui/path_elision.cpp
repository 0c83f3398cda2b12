#include "app/gui/path_elision.h"

#include <vector>

namespace ordrex::gui {

std::string ElidePath(const std::string& text,
                      const std::function<bool(const std::string&)>& fits) {
  if (fits(text)) return text;
  std::string rest = text;
  std::string drive;
  if (rest.size() >= 2 && rest[1] == ':' &&
      ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'))) {
    drive = rest.substr(0, 2);
    rest.erase(0, 2);
  }
  const std::size_t lastSeparator = rest.find_last_of('\\');
  if (lastSeparator == std::string::npos) return text;  // a bare name cannot get shorter
  const std::string name = rest.substr(lastSeparator + 1);
  std::vector<std::string> folders;
  std::size_t start = 0;
  while (start < lastSeparator) {
    const std::size_t end = rest.find('\\', start);
    if (end > start) folders.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  const auto joined = [&](std::size_t firstKept, bool withDrive) {
    std::string out = withDrive ? drive : "";
    out += "\\...\\";
    for (std::size_t i = firstKept; i < folders.size(); ++i)
      out += folders[i] + "\\";
    return out + name;
  };
  for (std::size_t firstKept = 1; firstKept <= folders.size(); ++firstKept) {
    const std::string candidate = joined(firstKept, true);
    if (fits(candidate)) return candidate;
  }
  if (!drive.empty() && fits(joined(folders.size(), false))) return joined(folders.size(), false);
  return name;
}

int BarPosition(long long position, long long total, int maximum) {
  const long long m = maximum < 1 ? 1 : maximum;
  if (position < 0) position = 0;
  if (total >= 1) {
    const long long at = position * m / total;
    return static_cast<int>(at > m ? m : at);
  }
  return static_cast<int>((position * m / 100) % m);
}

}  // namespace ordrex::gui
