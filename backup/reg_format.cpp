#include "backup/reg_format.h"

#include <string>

#include "platform/text.h"

namespace ordrex {

namespace {

struct RootName {
  std::string_view name;
  RootHandle handle;
};

constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", kClassesRoot},
    {"HKEY_CURRENT_USER", kCurrentUser},
    {"HKEY_LOCAL_MACHINE", kLocalMachine},
    {"HKEY_USERS", kUsers},
    {"HKEY_PERFORMANCE_DATA", kPerformanceData},
    {"HKEY_CURRENT_CONFIG", kCurrentConfig},
    {"HKEY_DYN_DATA", kDynData},
    {"HKCR", kClassesRoot},
    {"HKCU", kCurrentUser},
    {"HKLM", kLocalMachine},
    {"HKU", kUsers},
    {"HKCC", kCurrentConfig},
};

}  // namespace

std::string_view HeaderOf(RegFileKind kind) {
  return kind == RegFileKind::Regedit4 ? kRegedit4Header : kVersion5Header;
}

std::optional<RootHandle> ParseRootName(std::string_view name) {
  for (const RootName& root : kRootNames) {
    if (SameText(root.name, name)) return root.handle;
  }
  return std::nullopt;
}

std::string_view KnownRootNames() {
  return "HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, "
         "HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA or HKCR, HKCU, HKLM, HKU, "
         "HKCC";
}

Bytes RegDataToEightBit(const Bytes& data) {
  const std::string text = Utf16LeBytesToUtf8(data.data(), data.size());
  return Bytes(text.begin(), text.end());
}

Bytes EightBitToRegData(const Bytes& bytes) {
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return Utf8ToUtf16LeBytes(IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw));
}

}  // namespace ordrex
