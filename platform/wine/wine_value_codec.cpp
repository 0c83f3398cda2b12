#include "platform/wine/wine_value_codec.h"

#include <array>
#include <cstdio>

#include "platform/text.h"

namespace ordrex {

namespace {

constexpr std::array<std::int8_t, 256> MakeHexTable() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table)
    entry = -1;
  for (int c = '0'; c <= '9'; ++c)
    table[c] = static_cast<std::int8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c)
    table[c] = static_cast<std::int8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c)
    table[c] = static_cast<std::int8_t>(c - 'A' + 10);
  return table;
}
constexpr std::array<std::int8_t, 256> kHexValue = MakeHexTable();

constexpr std::array<bool, 256> MakePlainAscii() {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c)
    plain[c] = c != '\\';
  return plain;
}
constexpr std::array<bool, 256> kPlainAscii = MakePlainAscii();

int HexValue(char c) {
  return kHexValue[static_cast<unsigned char>(c)];
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Shown(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7F) return std::string("'") + c + "'";
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%02x", u);
  return buffer;
}

// One UTF-8 sequence starting at text[i]; 0 when it is not valid. Encoded surrogates are
// accepted, as Wine's own reader accepts them.
std::size_t DecodeUtf8Sequence(std::string_view text, std::size_t i, std::uint32_t& cp) {
  const auto c0 = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  std::uint32_t min = 0;
  if (c0 >= 0xC2 && c0 <= 0xDF) {
    length = 2, cp = c0 & 0x1F, min = 0x80;
  } else if (c0 >= 0xE0 && c0 <= 0xEF) {
    length = 3, cp = c0 & 0x0F, min = 0x800;
  } else if (c0 >= 0xF0 && c0 <= 0xF4) {
    length = 4, cp = c0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;
  return length;
}

WineTextError Error(std::string what) {
  return WineTextError{std::move(what)};
}

}  // namespace

WineTextError DecodeWineText(std::string_view text, std::size_t& pos, char end, Bytes& out) {
  static constexpr std::array<char, 8> kNamed = {'a', 'b', 't', 'n', 'v', 'f', 'r', 'e'};
  static constexpr std::array<std::uint8_t, 8> kNamedUnit = {7, 8, 9, 10, 11, 12, 13, 27};
  const std::size_t n = text.size();
  // Every unit takes at least one byte of text, so the rest of the line bounds the output.
  const std::size_t base = out.size();
  out.resize(base + 2 * (n - pos));
  std::uint8_t* dest = out.data() + base;
  const auto put = [&dest](std::uint32_t unit) {
    dest[0] = static_cast<std::uint8_t>(unit & 0xFF);
    dest[1] = static_cast<std::uint8_t>((unit >> 8) & 0xFF);
    dest += 2;
  };
  const auto fail = [&](std::string what) {
    out.resize(base);
    return WineTextError{std::move(what)};
  };
  std::size_t i = pos;
  while (i < n) {
    // Printable ASCII, most of any text, goes straight through.
    while (i < n && kPlainAscii[static_cast<unsigned char>(text[i])] && text[i] != end) {
      put(static_cast<unsigned char>(text[i]));
      ++i;
    }
    if (i == n) break;
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (c == end) {
      out.resize(static_cast<std::size_t>(dest - out.data()));
      pos = i + 1;
      return {};
    }
    if (c == '\\') {
      if (i + 1 >= n) return fail("expected an escape after the backslash at the end of the line");
      const char e = text[i + 1];
      if (e == '\\' || e == '"' || e == '[' || e == ']') {
        put(static_cast<unsigned char>(e));
        i += 2;
        continue;
      }
      if (e == 'x') {
        std::size_t j = i + 2;
        std::uint32_t unit = 0;
        while (j < n && j < i + 6 && HexValue(text[j]) >= 0)
          unit = unit * 16 + HexValue(text[j++]);
        if (j == i + 2) return fail("expected hex digits after \\x");
        put(unit);
        i = j;
        continue;
      }
      if (e >= '0' && e <= '7') {
        std::size_t j = i + 1;
        std::uint32_t unit = 0;
        while (j < n && j < i + 4 && text[j] >= '0' && text[j] <= '7')
          unit = unit * 8 + (text[j++] - '0');
        put(unit);
        i = j;
        continue;
      }
      std::size_t k = 0;
      while (k < kNamed.size() && kNamed[k] != e)
        ++k;
      if (k == kNamed.size()) {
        return fail("expected a known escape, found \\" + std::string(1, e) +
                    " (known: \\\\ \\\" \\x, octal, \\a \\b \\t \\n \\v \\f \\r \\e)");
      }
      put(kNamedUnit[k]);
      i += 2;
      continue;
    }
    if (u < 0x80) {
      if (u == 0) return fail("expected text, found a NUL byte");
      put(u);  // other control characters are taken as they are, as Wine takes them
      ++i;
      continue;
    }
    std::uint32_t cp = 0;
    const std::size_t length = DecodeUtf8Sequence(text, i, cp);
    if (length == 0) return fail("expected UTF-8 text, found the byte " + Shown(c));
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 | (cp >> 10));
      put(0xDC00 | (cp & 0x3FF));
    } else {
      put(cp);
    }
    i += length;
  }
  return fail(std::string("expected a closing ") + end + " before the end of the line");
}

WineTextError DecodeWineName(std::string_view text, std::size_t& pos, char end, std::string& out) {
  // Most names are plain ASCII: take them as they are.
  std::size_t i = pos;
  while (i < text.size()) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (text[i] == end || text[i] == '\\' || u >= 0x80 || u == 0) break;
    ++i;
  }
  if (i < text.size() && text[i] == end) {
    out.assign(text.substr(pos, i - pos));
    pos = i + 1;
    return {};
  }
  thread_local Bytes units;
  units.clear();
  std::size_t at = pos;
  WineTextError error = DecodeWineText(text, at, end, units);
  if (error) return error;
  out = Utf16LeBytesToUtf8(units.data(), units.size());
  pos = at;
  return {};
}

HexLine ParseWineHexLine(std::string_view text, Bytes& out, WineTextError& error) {
  const std::size_t n = text.size();
  // A byte takes at least two characters.
  const std::size_t base = out.size();
  out.resize(base + n / 2 + 1);
  std::uint8_t* dest = out.data() + base;
  const auto finish = [&](HexLine result) {
    out.resize(static_cast<std::size_t>(dest - out.data()));
    return result;
  };
  const auto fail = [&](std::string what) {
    error = Error(std::move(what));
    return finish(HexLine::kBad);
  };
  std::size_t i = 0;
  while (i < n && IsBlank(text[i]))
    ++i;
  for (;;) {
    // Wine writes "hh," throughout: such bytes need no further checks.
    while (i + 3 <= n && text[i + 2] == ',') {
      const int high = HexValue(text[i]);
      const int low = HexValue(text[i + 1]);
      if ((high | low) < 0) break;
      *dest++ = static_cast<std::uint8_t>(high * 16 + low);
      i += 3;
    }
    while (i < n && IsBlank(text[i]))
      ++i;
    if (i == n) return finish(HexLine::kComplete);
    if (text[i] == '\\') {
      ++i;
      while (i < n && IsBlank(text[i]))
        ++i;
      if (i == n) return finish(HexLine::kContinues);
      return fail("expected the end of the line after the \\ that continues hex data");
    }
    const int high = HexValue(text[i]);
    if (high < 0) return fail("expected two hex digits, found " + Shown(text[i]));
    const int low = i + 1 < n ? HexValue(text[i + 1]) : -1;
    if (low < 0) return fail("expected two hex digits per byte (odd hex)");
    if (i + 2 < n && HexValue(text[i + 2]) >= 0) {
      return fail("expected two hex digits per byte, found more");
    }
    *dest++ = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
    if (i < n && text[i] == ',') {
      ++i;
      while (i < n && IsBlank(text[i]))
        ++i;
      continue;
    }
    while (i < n && IsBlank(text[i]))
      ++i;
    if (i == n) return finish(HexLine::kComplete);
    if (text[i] == ',') {
      ++i;
      while (i < n && IsBlank(text[i]))
        ++i;
    } else if (text[i] != '\\') {
      return fail("expected a comma between hex bytes, found " + Shown(text[i]));
    }
  }
}

namespace {

bool OnlyBlanksFrom(std::string_view text, std::size_t pos) {
  for (; pos < text.size(); ++pos) {
    if (!IsBlank(text[pos])) return false;
  }
  return true;
}

// 1 to 8 hex digits at text[pos]; advances pos.
bool ParseHexNumber(std::string_view text, std::size_t& pos, std::uint32_t& number) {
  const std::size_t start = pos;
  number = 0;
  while (pos < text.size() && pos < start + 8 && HexValue(text[pos]) >= 0) {
    number = number * 16 + static_cast<std::uint32_t>(HexValue(text[pos++]));
  }
  return pos > start && (pos == text.size() || HexValue(text[pos]) < 0);
}

}  // namespace

HexLine ParseWineValueData(std::string_view text, RegValue& value, WineTextError& error) {
  value.data.clear();
  std::size_t pos = 0;
  std::uint32_t stringType = 0;
  if (text.starts_with('"')) {
    stringType = kRegSz, pos = 1;
  } else if (text.starts_with("str:\"")) {
    stringType = kRegSz, pos = 5;
  } else if (text.starts_with("str(2):\"")) {
    stringType = kRegExpandSz, pos = 8;
  } else if (text.starts_with("str(7):\"")) {
    stringType = kRegMultiSz, pos = 8;
  }
  if (stringType != 0) {
    value.type = stringType;
    error = DecodeWineText(text, pos, '"', value.data);
    if (error) return HexLine::kBad;
    value.data.push_back(0);
    value.data.push_back(0);
    if (!OnlyBlanksFrom(text, pos)) {
      error = Error("expected the end of the line after the closing quote");
      return HexLine::kBad;
    }
    return HexLine::kComplete;
  }
  if (text.starts_with("dword:")) {
    pos = 6;
    std::uint32_t number = 0;
    if (!ParseHexNumber(text, pos, number) || !OnlyBlanksFrom(text, pos)) {
      error = Error("expected 1 to 8 hex digits after dword:");
      return HexLine::kBad;
    }
    value.type = kRegDword;
    value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return HexLine::kComplete;
  }
  if (text.starts_with("hex:")) {
    value.type = kRegBinary;
    return ParseWineHexLine(text.substr(4), value.data, error);
  }
  if (text.starts_with("hex(")) {
    pos = 4;
    std::uint32_t type = 0;
    if (!ParseHexNumber(text, pos, type) || text.substr(pos, 2) != "):") {
      error = Error("expected hex(N): with N a hex number of 1 to 8 digits");
      return HexLine::kBad;
    }
    value.type = type;
    return ParseWineHexLine(text.substr(pos + 2), value.data, error);
  }
  error = Error(
      "expected a value: \"text\", str(2):\"text\", str(7):\"text\", dword:N, hex:bytes or "
      "hex(N):bytes");
  return HexLine::kBad;
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHexMinimal(std::string& out, std::uint32_t number) {
  char buffer[8];
  int length = 0;
  do {
    buffer[length++] = kHexDigits[number & 0xF];
    number >>= 4;
  } while (number != 0);
  while (length > 0)
    out.push_back(buffer[--length]);
}

void AppendHexPadded(std::string& out, std::uint32_t number, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    out.push_back(kHexDigits[(number >> shift) & 0xF]);
  }
}

// Units are fetched through `unit(i)` so that UTF-16LE bytes and UTF-16 strings share the code.
template <typename UnitAt>
void AppendEscapedUnits(std::string& out, std::size_t units, UnitAt unit,
                        std::string_view special) {
  static constexpr char kControlEscapes[33] = ".......abtnvfr.............e....";
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    const bool hasNext = i + 1 < units;
    const std::uint32_t next = hasNext ? unit(i + 1) : 0;
    if (u > 127) {
      out += "\\x";
      if (hasNext && next < 128 && HexValue(static_cast<char>(next)) >= 0) {
        AppendHexPadded(out, u, 4);
      } else {
        AppendHexMinimal(out, u);
      }
    } else if (u < 32) {
      out.push_back('\\');
      if (kControlEscapes[u] != '.') {
        out.push_back(kControlEscapes[u]);
      } else if (hasNext && next >= '0' && next <= '7') {
        out.push_back(static_cast<char>('0' + ((u >> 6) & 7)));
        out.push_back(static_cast<char>('0' + ((u >> 3) & 7)));
        out.push_back(static_cast<char>('0' + (u & 7)));
      } else {
        if (u >= 8) out.push_back(static_cast<char>('0' + (u >> 3)));
        out.push_back(static_cast<char>('0' + (u & 7)));
      }
    } else {
      const char c = static_cast<char>(u);
      if (c == '\\' || special.find(c) != std::string_view::npos) out.push_back('\\');
      out.push_back(c);
    }
  }
}

}  // namespace

void AppendWineEscaped(std::string& out, const std::uint8_t* utf16le, std::size_t units,
                       std::string_view special) {
  AppendEscapedUnits(
      out, units,
      [utf16le](std::size_t i) {
        return static_cast<std::uint32_t>(utf16le[2 * i] | (utf16le[2 * i + 1] << 8));
      },
      special);
}

void AppendWineEscapedName(std::string& out, std::string_view utf8, std::string_view special) {
  bool plain = true;
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126 || c == '\\' || special.find(c) != std::string_view::npos) {
      plain = false;
      break;
    }
  }
  if (plain) {
    out.append(utf8);
    return;
  }
  const std::u16string units = Utf8ToUtf16(utf8);
  AppendEscapedUnits(
      out, units.size(), [&units](std::size_t i) { return static_cast<std::uint32_t>(units[i]); },
      special);
}

void AppendWineValue(std::string& out, std::string_view name, const RegValue& value) {
  AppendWineValue(out, name, value.type, value.data.data(), value.data.size());
}

void AppendWineValue(std::string& out, std::string_view name, std::uint32_t type,
                     const std::uint8_t* data, std::size_t size) {
  const std::size_t start = out.size();
  if (name.empty()) {
    out += "@=";
  } else {
    out.push_back('"');
    AppendWineEscapedName(out, name, "\"");
    out += "\"=";
  }
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
    case kRegMultiSz:
      // Only strings that end in their NUL are written as text; the NUL itself is implied.
      if (size >= 2 && size % 2 == 0 && data[size - 2] == 0 && data[size - 1] == 0) {
        if (type != kRegSz) {
          out += "str(";
          AppendHexMinimal(out, type);
          out += "):";
        }
        out.push_back('"');
        AppendWineEscaped(out, data, size / 2 - 1, "\"");
        out += "\"\n";
        return;
      }
      break;
    case kRegDword:
      if (size == 4) {
        out += "dword:";
        AppendHexPadded(out,
                        data[0] | (data[1] << 8) | (data[2] << 16) |
                            (static_cast<std::uint32_t>(data[3]) << 24),
                        8);
        out.push_back('\n');
        return;
      }
      break;
    default:
      break;
  }
  if (type == kRegBinary) {
    out += "hex:";
  } else {
    out += "hex(";
    AppendHexMinimal(out, type);
    out += "):";
  }
  // Wine wraps once a line passes 76 characters, counting the name part of the first line.
  std::size_t count = out.size() - start;
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(kHexDigits[data[i] >> 4]);
    out.push_back(kHexDigits[data[i] & 0xF]);
    count += 2;
    if (i + 1 < size) {
      out.push_back(',');
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out.push_back('\n');
}

int CompareWineNames(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if ((ca | cb) & 0x80) {
      // Beyond ASCII, Wine's order is that of lower-cased UTF-16 units (surrogates included),
      // which differs from code point order.
      const std::u16string ua = Utf8ToUtf16(a.substr(i));
      const std::u16string ub = Utf8ToUtf16(b.substr(i));
      const std::size_t m = std::min(ua.size(), ub.size());
      for (std::size_t k = 0; k < m; ++k) {
        const auto fa = static_cast<std::int32_t>(FoldChar(ua[k]));
        const auto fb = static_cast<std::int32_t>(FoldChar(ub[k]));
        if (fa != fb) return fa - fb;
      }
      return ua.size() == ub.size() ? 0 : (ua.size() < ub.size() ? -1 : 1);
    }
    const int fa = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
    const int fb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
    if (fa != fb) return fa - fb;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string WineTimeText(std::uint64_t filetime) {
  std::string out;
  AppendHexMinimal(out, static_cast<std::uint32_t>(filetime >> 32));
  AppendHexPadded(out, static_cast<std::uint32_t>(filetime), 8);
  return out;
}

}  // namespace ordrex
