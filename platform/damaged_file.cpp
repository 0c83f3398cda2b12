#include "platform/damaged_file.h"

#include <string>
#include <system_error>

namespace ordrex {

std::optional<std::filesystem::path> KeepDamagedFile(const std::filesystem::path& file) {
  constexpr int kMaxAttempts = 1000;
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    std::filesystem::path target = file;
    target += attempt == 1 ? std::string(".broken") : ".broken." + std::to_string(attempt);
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec))) continue;
    std::filesystem::rename(file, target, ec);
    if (ec) return std::nullopt;
    return target;
  }
  return std::nullopt;
}

std::string QuotedFileName(const std::filesystem::path& file) {
  // (Built piece by piece: g++ 12 at -O3 warns wrongly about "\"" + string.)
  std::string text(1, '"');
  text += file.string();
  text += '"';
  return text;
}

}  // namespace ordrex
