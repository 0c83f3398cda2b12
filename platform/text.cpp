#include "platform/text.h"

#include <algorithm>

namespace ordrex {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

char32_t DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto c0 = static_cast<unsigned char>(text[pos]);
  if (c0 < 0x80) {
    ++pos;
    return c0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((c0 & 0xE0) == 0xC0) {
    extra = 1, cp = c0 & 0x1F, min = 0x80;
  } else if ((c0 & 0xF0) == 0xE0) {
    extra = 2, cp = c0 & 0x0F, min = 0x800;
  } else if ((c0 & 0xF8) == 0xF0) {
    extra = 3, cp = c0 & 0x07, min = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(c)) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return cp;  // surrogate code points are accepted: they are how unpaired units travel
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf16LeBytesToUtf8(const std::uint8_t* data, std::size_t size) {
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return Utf16ToUtf8(units);
}

Bytes Utf8ToUtf16LeBytes(std::string_view text) {
  const std::u16string units = Utf8ToUtf16(text);
  Bytes out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

Bytes StringToRegData(std::string_view text) {
  Bytes out = Utf8ToUtf16LeBytes(text);
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::string RegDataToString(const Bytes& data) {
  std::size_t units = data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    if (data[2 * i] == 0 && data[2 * i + 1] == 0) {
      units = i;
      break;
    }
  }
  return Utf16LeBytesToUtf8(data.data(), units * 2);
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80 && c < 0xA0) {
      AppendUtf8(out, kHigh[c - 0x80]);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp == kReplacement && !(pos - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) {
      return false;
    }
  }
  return true;
}

// Case mapping of the letters that registry and file names really use: ASCII, Latin-1,
// Latin Extended-A, Greek, Cyrillic, Armenian, Latin Extended Additional and the full-width
// forms. Every mapping keeps the UTF-8 length of the character, so byte offsets found in a
// folded text are valid in the original.
char32_t FoldChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    return (c & 1) ? c : c + 1;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return (c & 1) ? c : c + 1;
  if (c >= 0x531 && c <= 0x556) return c + 48;
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return (c & 1) ? c : c + 1;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
    return (c & 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 37;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 63;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return (c & 1) ? c - 1 : c;
  if (c >= 0x561 && c <= 0x586) return c - 48;
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return (c & 1) ? c - 1 : c;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;
  return c;
}

namespace {

template <typename Map>
void MapTextInto(std::string& out, std::string_view text, Map map) {
  out.clear();
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(map(c)));
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    const char32_t mapped = map(cp);
    if (mapped == cp) {
      out.append(text.substr(start, pos - start));  // keeps invalid bytes as they were
    } else {
      AppendUtf8(out, mapped);
    }
  }
}

template <typename Map>
std::string MapText(std::string_view text, Map map) {
  std::string out;
  MapTextInto(out, text, map);
  return out;
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  FoldCaseInto(out, text);
  return out;
}
void FoldCaseInto(std::string& out, std::string_view text) {
  // Registry and file names are nearly always ASCII: fold those in place, byte by byte.
  out.assign(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      MapTextInto(out, text, FoldChar);
      return;
    }
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
}
std::string UpperCase(std::string_view text) {
  return MapText(text, UpperChar);
}
std::string LowerCase(std::string_view text) {
  return FoldCase(text);
}

int CompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[j]);
    char32_t fa;
    char32_t fb;
    if (ca < 0x80 && cb < 0x80) {
      fa = ca >= 'A' && ca <= 'Z' ? ca + 32 : ca;
      fb = cb >= 'A' && cb <= 'Z' ? cb + 32 : cb;
      ++i, ++j;
    } else {
      fa = FoldChar(DecodeUtf8(a, i));
      fb = FoldChar(DecodeUtf8(b, j));
    }
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsWithText(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::size_t FindText(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.empty() || from > haystack.size()) return std::string_view::npos;
  const std::string h = FoldCase(haystack);
  const std::string n = FoldCase(needle);
  return h.find(n, from);
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
  return FindText(haystack, needle) != std::string_view::npos;
}

std::string ReplaceAllText(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  const std::string h = FoldCase(text);
  const std::string n = FoldCase(from);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = h.find(n, pos);
    if (hit == std::string::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + n.size();
  }
  out.append(text.substr(pos));
  return out;
}

namespace {
bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlankOrControl(text[end - 1]))
    --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlankOrControl(text[start]))
    ++start;
  return TrimRight(text.substr(start));
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t hit = text.find(separator, start);
    if (hit == std::string_view::npos) {
      out.emplace_back(text.substr(start));
      return out;
    }
    out.emplace_back(text.substr(start, hit - start));
    start = hit + 1;
  }
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '\\') out.push_back('\\');
  if (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  out.append(name);
  return out;
}

std::string_view WithoutLongPathPrefix(std::string_view path) {
  const bool prefixed = path.starts_with("\\\\?\\") || path.starts_with("\\??\\");
  if (!prefixed || path.size() < 6 || path[5] != ':') return path;
  const char drive = path[4];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return path;
  return path.substr(4);
}

}  // namespace ordrex
