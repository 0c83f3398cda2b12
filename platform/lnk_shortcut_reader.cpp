#include "platform/lnk_shortcut_reader.h"

#include <liblnk.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <system_error>
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

// The sizes and offsets of the parts before the string data, checked against the file:
// liblnk allocates what a size field claims before it reads, so a damaged or hostile file
// could make it ask for gigabytes.
bool PartsFitTheFile(const std::filesystem::path& hostFile) {
  constexpr std::uint32_t kHeaderSize = 0x4C;
  constexpr std::uint32_t kHasTargetIds = 0x01;
  constexpr std::uint32_t kHasLinkInfo = 0x02;
  constexpr std::uint32_t kLinkInfoMinHeader = 0x1C;
  constexpr std::uint32_t kLinkInfoMaxHeader = 0x24;  // with the two Unicode offsets

  std::error_code error;
  const std::uintmax_t fileSize = std::filesystem::file_size(hostFile, error);
  std::ifstream in(hostFile, std::ios::binary);
  if (error || !in) return false;
  std::array<std::uint8_t, kHeaderSize> bytes{};
  const auto read = [&](std::uintmax_t at, std::size_t count) {
    if (at > fileSize || count > fileSize - at) return false;
    in.seekg(static_cast<std::streamoff>(at));
    return static_cast<bool>(
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)));
  };
  const auto u16 = [&](std::size_t at) { return std::uint32_t{bytes[at]} | bytes[at + 1] << 8; };
  const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };

  if (!read(0, kHeaderSize) || u32(0) != kHeaderSize) return false;
  const std::uint32_t flags = u32(0x14);
  std::uintmax_t at = kHeaderSize;
  if (flags & kHasTargetIds) {
    if (!read(at, 2)) return false;
    at += 2 + u16(0);
    if (at > fileSize) return false;
  }
  if (!(flags & kHasLinkInfo)) return true;
  if (!read(at, kLinkInfoMinHeader)) return false;
  const std::uint32_t size = u32(0);
  const std::uint32_t headerSize = u32(4);
  if (headerSize < kLinkInfoMinHeader || headerSize > size || size > fileSize - at) return false;
  // Every offset points into the link information (0 marks a part that is absent).
  const std::size_t offsetsEnd =
      headerSize >= kLinkInfoMaxHeader ? kLinkInfoMaxHeader : kLinkInfoMinHeader;
  if (!read(at, offsetsEnd)) return false;
  for (std::size_t field = 12; field < offsetsEnd; field += 4) {
    if (u32(field) >= size) return false;
  }
  return true;
}

}  // namespace

std::string LnkShortcutReader::ReadTarget(const std::filesystem::path& hostFile) {
  if (!PartsFitTheFile(hostFile)) return {};
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
