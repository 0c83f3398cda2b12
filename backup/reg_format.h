#pragma once
// What the registry editor's import format fixes for both reading and writing: the two
// headers, the root names, and how string data in hex form (hex(1), hex(2), hex(7)) is held
// under each header.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/registry_types.h"

namespace ordrex {

enum class RegFileKind { Regedit4, Version5 };

inline constexpr std::string_view kRegedit4Header = "REGEDIT4";
inline constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

std::string_view HeaderOf(RegFileKind kind);

// The root handle a key line names, by full name ("HKEY_LOCAL_MACHINE") or short form
// ("HKLM"), compared case-insensitively.
std::optional<RootHandle> ParseRootName(std::string_view name);
// The names ParseRootName accepts in full, for error messages.
std::string_view KnownRootNames();

// The string types. In hex form a REGEDIT4 file holds their data as one 8-bit byte per
// character (the registry editors of Windows and Wine convert them so on import); a 5.00 file
// holds the registry's UTF-16LE bytes.
inline bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The 8-bit form of UTF-16LE data (every unit, terminators included; UTF-8). An odd trailing
// byte has no 8-bit form and is dropped.
Bytes RegDataToEightBit(const Bytes& data);
// The registry's UTF-16LE form of 8-bit bytes: UTF-8 when they are valid UTF-8, else
// Windows-1252 (files made on other systems).
Bytes EightBitToRegData(const Bytes& bytes);

}  // namespace ordrex
