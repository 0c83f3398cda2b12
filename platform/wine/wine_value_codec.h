#pragma once
// The text forms of Wine's registry files: escaped strings (key names, value names, string
// data, classes), value data in every form Wine reads and writes, and Wine's name order.
// Strings travel as UTF-16 units, as Wine keeps them; names in the store are UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry_types.h"

namespace ordrex {

// --- reading ------------------------------------------------------------------------------

// Where a decode stopped and why, for a problem report.
struct WineTextError {
  std::string what;  // empty when there was no error
  explicit operator bool() const { return !what.empty(); }
};

// Decodes the escaped text that starts at text[pos] and runs to the first unescaped `end`
// character, strictly left to right (so "\\x41" is a backslash and "x41"). Appends the UTF-16
// units to `out` as little-endian bytes and leaves pos just after `end`. Accepted escapes are
// the ones Wine writes: \\ \" \[ \] \a \b \t \n \v \f \r \e, octal \0..\777 (1-3 digits) and
// \x with 1-4 hex digits; raw bytes must be valid UTF-8. Anything else is an error.
WineTextError DecodeWineText(std::string_view text, std::size_t& pos, char end, Bytes& out);
// The same, giving UTF-8 (for names).
WineTextError DecodeWineName(std::string_view text, std::size_t& pos, char end, std::string& out);

enum class HexLine { kComplete, kContinues, kBad };
// Parses one line's part of a comma-separated byte list ("01,ab, ff" with an optional "\" at
// the end that continues the list on the next line). Every byte needs exactly two hex digits.
HexLine ParseWineHexLine(std::string_view text, Bytes& out, WineTextError& error);

// The value that follows "name=" on a value line: "..." | str:"..." | str(2):"..." |
// str(7):"..." | dword:XXXXXXXX | hex:.. | hex(N):.. with N any hex number. For hex forms only
// the first line is parsed here; when the result is kContinues the caller feeds the next lines
// to ParseWineHexLine.
HexLine ParseWineValueData(std::string_view text, RegValue& value, WineTextError& error);

// --- writing ------------------------------------------------------------------------------

// Appends UTF-16 units escaped as Wine writes them: backslash, the characters in `special`
// ("[]" in key names, "\"" elsewhere) behind a backslash; C escapes and octal for control
// characters; \x for units above 127, padded to four digits when a hex digit follows.
void AppendWineEscaped(std::string& out, const std::uint8_t* utf16le, std::size_t units,
                       std::string_view special);
// The same for UTF-8 text (names); ASCII without specials is copied as is.
void AppendWineEscapedName(std::string& out, std::string_view utf8, std::string_view special);

// Appends a whole value line ("name"=data, "@=" for the default value) with its "\n", in the
// form Wine's writer chooses for the type and data.
void AppendWineValue(std::string& out, std::string_view name, const RegValue& value);
void AppendWineValue(std::string& out, std::string_view name, std::uint32_t type,
                     const std::uint8_t* data, std::size_t size);

// --- order ----------------------------------------------------------------------------------

// Wine's order of key and value names: lower-cased UTF-16 units compared one by one, a
// prefix before the longer name. <0, 0, >0.
int CompareWineNames(std::string_view a, std::string_view b);

// A FILETIME (100 ns ticks since 1601) as Wine writes it after "#time=".
std::string WineTimeText(std::uint64_t filetime);

}  // namespace ordrex
