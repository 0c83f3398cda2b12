#include "backup/reg_writer.h"

#include <cstdio>
#include <exception>

#include "backup/reg_format.h"
#include "platform/text.h"

namespace ordrex {

namespace {

constexpr std::size_t kWrapAfter = 75;

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

void AppendHexByte(std::string& out, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(kDigits[byte >> 4]);
  out.push_back(kDigits[byte & 0x0F]);
}

std::string LowerHex(std::uint32_t number) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%x", number);
  return buffer;
}

// REG_SZ data that the quoted form gives back exactly: text, one terminating NUL, nothing
// after it, and no line break (which would end the line).
bool IsQuotableString(const Bytes& data) {
  const std::string text = RegDataToString(data);
  return text.find_first_of("\r\n") == std::string::npos && StringToRegData(text) == data;
}

bool IsRegedit4(const TBackupLines& lines) {
  return !lines.empty() && lines.front() == kRegedit4Header;
}

void HexLines(const std::string& head, const RegValue& value, bool regedit4, TBackupLines& out) {
  const std::string typed = head + "hex(" + LowerHex(value.type) + "):";
  if (!IsStringType(value.type)) {
    AppendByteList(typed, value.data, 1, out);
  } else if (regedit4) {
    AppendByteList(typed, RegDataToEightBit(value.data), 1, out);
  } else {
    AppendByteList(typed, value.data, 2, out);
  }
}

void ValueLines(const std::string& head, const RegValue& value, bool regedit4, TBackupLines& out) {
  switch (value.type) {
    case kRegSz:
      if (IsQuotableString(value.data)) {
        out.push_back(head + "\"" + EscapeRegString(RegDataToString(value.data)) + "\"");
      } else {
        HexLines(head, value, regedit4, out);
      }
      return;
    case kRegDword:
      if (value.data.size() == 4) {
        char digits[9];
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::snprintf(digits, sizeof digits, "%08X", number);
        out.push_back(head + "dword:" + digits);
      } else {
        HexLines(head, value, regedit4, out);
      }
      return;
    case kRegBinary:
      AppendByteList(head + "hex:", value.data, 1, out);
      return;
    default:
      HexLines(head, value, regedit4, out);
      return;
  }
}

}  // namespace

std::string BackupHeader(bool win2000OrLater) {
  return std::string(win2000OrLater ? kVersion5Header : kRegedit4Header);
}

std::string EscapeRegName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 2);
  for (char c : name) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string EscapeRegString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void AppendByteList(std::string head, const Bytes& bytes, std::size_t unitSize,
                    TBackupLines& lines) {
  std::string line = std::move(head);
  std::size_t length = CharacterCount(line);
  bool continuation = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    AppendHexByte(line, bytes[i]);
    length += 2;
    if (i + 1 == bytes.size()) break;
    line.push_back(',');
    ++length;
    if ((i + 1) % unitSize == 0 && length > kWrapAfter) {
      line.push_back('\\');
      lines.push_back(std::move(line));
      line = "  ";
      length = 2;
      continuation = true;
    }
  }
  if (!continuation || line.size() > 2) lines.push_back(std::move(line));
}

void ExportRegistryValue(TRegistry& reg, std::string_view name, TBackupLines& lines) {
  // A value that cannot be read is left out whole, never as a half-written line.
  try {
    const auto value = reg.ReadRawValue(name);
    if (!value) return;
    // (Built piece by piece: g++ 12 at -O3 warns wrongly about "\"" + string.)
    std::string head = name.empty() ? "@=" : "\"";
    if (!name.empty()) head += EscapeRegName(name) + "\"=";
    TBackupLines out;
    ValueLines(head, *value, IsRegedit4(lines), out);
    lines.insert(lines.end(), std::make_move_iterator(out.begin()),
                 std::make_move_iterator(out.end()));
  } catch (const std::exception&) {
  }
}

bool ExportKeyTree(TRegistry& reg, std::string_view path, TBackupLines& lines) {
  const std::size_t from = lines.size();
  const std::string rootName = RootKeyName(reg.RootKey());
  // Keys still to write, the next one last: a tree may be deeper than the call stack.
  std::vector<std::string> pending{std::string(path)};
  std::vector<std::string> subkeys;
  while (!pending.empty()) {
    const std::string keyPath = std::move(pending.back());
    pending.pop_back();
    if (KeyPathDepth(keyPath) > kMaxKeyDepth) {
      lines.resize(from);
      return false;
    }
    lines.emplace_back();
    lines.push_back("[" + rootName + "\\" + keyPath + "]");
    subkeys.clear();
    if (reg.OpenKey("\\" + keyPath, false)) {
      for (const std::string& name : reg.GetValueNames())
        ExportRegistryValue(reg, name, lines);
      subkeys = reg.GetKeyNames();
      reg.CloseKey();
    }
    for (auto it = subkeys.rbegin(); it != subkeys.rend(); ++it) {
      if (!it->empty()) pending.push_back(keyPath + "\\" + *it);
    }
  }
  return true;
}

bool ExportRegistryKey(RegistryRoots& roots, RootHandle root, std::string_view path,
                       TBackupLines& lines) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  if (SplitKeyPath(path).empty()) return false;
  TRegistry reg(roots, root);
  return ExportKeyTree(reg, path, lines);
}

}  // namespace ordrex
