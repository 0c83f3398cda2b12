#pragma once
// Text handling shared by every layer. Program text is UTF-8 (the "ANSI code page" of the
// targets we model is 65001). Conversion to and from UTF-16 is lossless in both directions for
// anything Windows can store: unpaired surrogates travel as their 3-byte generalized UTF-8 form.
// Case-insensitive comparison folds ASCII and the common Unicode letters alike, as the
// Windows registry and file systems do.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_types.h"

namespace ordrex {

// --- UTF-8 <-> UTF-16 ---------------------------------------------------------------------
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16LE bytes (an odd trailing byte is ignored) to UTF-8, whole length, NULs kept.
std::string Utf16LeBytesToUtf8(const std::uint8_t* data, std::size_t size);
// UTF-8 to UTF-16LE bytes, without a terminator.
Bytes Utf8ToUtf16LeBytes(std::string_view text);

// REG_SZ-style data: UTF-16LE with a terminating NUL unit.
Bytes StringToRegData(std::string_view text);
// The text of REG_SZ-style data up to its first NUL unit.
std::string RegDataToString(const Bytes& data);

// Windows-1252 bytes to UTF-8 (for 8-bit files that are not valid UTF-8).
std::string Cp1252ToUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view text);

// Decodes one code point starting at text[pos] and advances pos; invalid bytes give U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

// --- case -----------------------------------------------------------------------------------
char32_t FoldChar(char32_t cp);   // lower case
char32_t UpperChar(char32_t cp);  // upper case
std::string FoldCase(std::string_view text);
// FoldCase into a caller's buffer (replacing its content), for lookups in hot loops.
void FoldCaseInto(std::string& out, std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

bool SameText(std::string_view a, std::string_view b);
// <0, 0, >0 comparing folded code points; a prefix sorts before the longer text.
int CompareText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view text, std::string_view prefix);
bool EndsWithText(std::string_view text, std::string_view suffix);
// Byte offset of the first case-insensitive occurrence, or npos. An empty needle is never found.
std::size_t FindText(std::string_view haystack, std::string_view needle, std::size_t from = 0);
bool ContainsText(std::string_view haystack, std::string_view needle);
// Replaces every case-insensitive occurrence; an empty search text changes nothing.
std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to);

// --- small helpers ----------------------------------------------------------------------------
std::string TrimRight(std::string_view text);  // blanks and control characters
std::string Trim(std::string_view text);       // blanks and control characters, both ends
std::vector<std::string> Split(std::string_view text, char separator);  // keeps empty pieces
std::string JoinPath(std::string_view folder, std::string_view name);   // one '\' between
// "\\?\C:\x" (the long-path form) and "\??\C:\x" (the NT form) name the same file as "C:\x":
// the path without that prefix. Any other text is returned as it is.
std::string_view WithoutLongPathPrefix(std::string_view path);

}  // namespace ordrex
