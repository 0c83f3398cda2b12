#include "platform/lnk_shortcut_reader.h"

#include <liblnk.h>

#include <memory>
#include <vector>

#include "platform/shell_item_list.h"

namespace ordrex {
namespace {

struct LnkFileCloser {
  void operator()(liblnk_file_t* file) const {
    liblnk_file_close(file, nullptr);
    liblnk_file_free(&file, nullptr);
  }
};
using LnkFile = std::unique_ptr<liblnk_file_t, LnkFileCloser>;

// Reads one of liblnk's UTF-8 strings: 1 means present, 0 absent, -1 an error.
using SizeGetter = int (*)(liblnk_file_t*, size_t*, liblnk_error_t**);
using TextGetter = int (*)(liblnk_file_t*, uint8_t*, size_t, liblnk_error_t**);

std::string ReadText(liblnk_file_t* file, SizeGetter getSize, TextGetter getText) {
  size_t size = 0;
  if (getSize(file, &size, nullptr) != 1 || size == 0) return {};
  std::vector<uint8_t> buffer(size, 0);
  if (getText(file, buffer.data(), buffer.size(), nullptr) != 1) return {};
  std::string text(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::string PathFromTargetIds(liblnk_file_t* file) {
  size_t size = 0;
  if (liblnk_file_get_link_target_identifier_data_size(file, &size, nullptr) != 1 || size == 0) {
    return {};
  }
  std::vector<uint8_t> data(size, 0);
  if (liblnk_file_copy_link_target_identifier_data(file, data.data(), data.size(), nullptr) != 1) {
    return {};
  }
  return PathFromShellItemList(data);
}

}  // namespace

std::string LnkShortcutReader::ReadTarget(const std::filesystem::path& hostFile) {
  liblnk_file_t* raw = nullptr;
  if (liblnk_file_initialize(&raw, nullptr) != 1) return {};
  if (liblnk_file_open(raw, hostFile.c_str(), liblnk_get_access_flags_read(), nullptr) != 1) {
    liblnk_file_free(&raw, nullptr);
    return {};
  }
  LnkFile file(raw);
  std::string target =
      ReadText(file.get(), liblnk_file_get_utf8_local_path_size, liblnk_file_get_utf8_local_path);
  if (target.empty()) {
    target = ReadText(file.get(), liblnk_file_get_utf8_network_path_size,
                      liblnk_file_get_utf8_network_path);
  }
  if (target.empty()) {
    target = ReadText(file.get(), liblnk_file_get_utf8_environment_variables_location_size,
                      liblnk_file_get_utf8_environment_variables_location);
  }
  if (target.empty()) target = PathFromTargetIds(file.get());
  if (target.empty()) {
    target = ReadText(file.get(), liblnk_file_get_utf8_relative_path_size,
                      liblnk_file_get_utf8_relative_path);
  }
  return target;
}

}  // namespace ordrex
