#include "backup/reg_reader.h"

#include <utility>

#include "platform/registry_store.h"
#include "platform/text.h"

namespace ordrex {

RegFileError::RegFileError(int line, const std::string& reason)
    : RegistryError("Line " + std::to_string(line) + ": " + reason), line_(line), reason_(reason) {}

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimBlanksLeft(std::string_view text) {
  const std::size_t start = text.find_first_not_of(kBlanks);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view TrimBlanksRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(kBlanks);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value;
}

int LineOfOffset(std::string_view text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') ++line;
  }
  return line;
}

// The file's text as UTF-8, whatever its encoding.
std::string DecodeFile(std::string_view bytes) {
  std::string text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    bytes.remove_prefix(2);
    text = Utf16LeBytesToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (bytes.size() % 2 != 0) {
      throw RegFileError(LineOfOffset(text, text.size()),
                         "the UTF-16 text ends in the middle of a character");
    }
  } else if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    throw RegFileError(1, "big-endian UTF-16 is not supported: expected UTF-16LE or 8-bit text");
  } else {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    // Through UTF-16 and back, as Wine's reader takes its text: a surrogate pair written as
    // two 3-byte sequences becomes its 4-byte sequence, so that names and data read the same
    // as when the file is written again.
    text = IsValidUtf8(bytes) ? Utf16ToUtf8(Utf8ToUtf16(bytes)) : Cp1252ToUtf8(bytes);
  }
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    throw RegFileError(LineOfOffset(text, nul), "a NUL character is not allowed in the text");
  }
  return text;
}

struct SourceLine {
  std::string_view text;
  int number;
};

std::vector<SourceLine> SplitLines(std::string_view text) {
  std::vector<SourceLine> lines;
  std::size_t start = 0;
  int number = 1;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({line, number++});
    start = end + 1;
  }
  return lines;
}

// Text that may span several physical lines, with the line each piece came from.
class SpannedText {
 public:
  void Append(std::string_view piece, int line) {
    pieces_.emplace_back(text_.size(), line);
    text_.append(piece);
  }
  const std::string& Text() const { return text_; }
  int LineAt(std::size_t offset) const {
    int line = pieces_.empty() ? 0 : pieces_.front().second;
    for (const auto& [start, number] : pieces_) {
      if (start <= offset) line = number;
    }
    return line;
  }
  [[noreturn]] void Fail(std::size_t offset, const std::string& reason) const {
    throw RegFileError(LineAt(offset), reason);
  }

 private:
  std::string text_;
  std::vector<std::pair<std::size_t, int>> pieces_;
};

// A quoted string starting at text[pos] == '"'. Besides the registry editor's \\ and \", the
// escapes \n, \r and \0 that Wine's editor writes are understood; any other is an error.
std::string ParseQuoted(std::string_view text, std::size_t& pos, int line) {
  std::string out;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (pos >= text.size()) break;
    switch (text[pos++]) {
      case '\\':
        out.push_back('\\');
        break;
      case '"':
        out.push_back('"');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case '0':
        out.push_back('\0');
        break;
      default:
        throw RegFileError(line, "unknown escape \"\\" + std::string(1, text[pos - 1]) +
                                     "\" in a quoted string: expected \\\\ or \\\"");
    }
  }
  throw RegFileError(line, "the quoted string is not terminated: expected a closing '\"'");
}

class Parser {
 public:
  explicit Parser(std::vector<SourceLine> lines) : lines_(std::move(lines)) {}
  RegDocument Run();

 private:
  struct DataForm {
    std::string_view prefix;
    bool hexList;  // may continue on the next lines
    void (Parser::*parse)(RegOperation& op, const SpannedText& data, std::size_t pos);
  };
  static const DataForm kDataForms[];

  void ParseHeader();
  void ParseKeyLine(std::string_view text, int line);
  void ParseValueLine(std::string_view text, int line);
  SpannedText CollectHexLines(std::string_view first, int line);

  void ParseStringData(RegOperation& op, const SpannedText& data, std::size_t pos);
  void ParseDwordData(RegOperation& op, const SpannedText& data, std::size_t pos);
  void ParseBinaryData(RegOperation& op, const SpannedText& data, std::size_t pos);
  void ParseTypedHexData(RegOperation& op, const SpannedText& data, std::size_t pos);
  void ParseDeletion(RegOperation& op, const SpannedText& data, std::size_t pos);
  Bytes ParseByteList(const SpannedText& data, std::size_t pos);

  std::vector<SourceLine> lines_;
  std::size_t next_ = 0;
  RegDocument doc_;
  RootHandle keyRoot_ = 0;
  std::string keyPath_;
  bool keyDeleted_ = false;
  bool haveKey_ = false;
};

const Parser::DataForm Parser::kDataForms[] = {
    {"\"", false, &Parser::ParseStringData},  {"dword:", false, &Parser::ParseDwordData},
    {"hex:", true, &Parser::ParseBinaryData}, {"hex(", true, &Parser::ParseTypedHexData},
    {"-", false, &Parser::ParseDeletion},
};

RegDocument Parser::Run() {
  ParseHeader();
  while (next_ < lines_.size()) {
    const SourceLine& line = lines_[next_++];
    const std::string_view text = TrimBlanksRight(TrimBlanksLeft(line.text));
    if (text.empty() || text.front() == ';') continue;
    switch (text.front()) {
      case '[':
        ParseKeyLine(text, line.number);
        break;
      case '@':
      case '"':
        ParseValueLine(text, line.number);
        break;
      default:
        throw RegFileError(line.number,
                           "expected a key line \"[...]\", a value line (\"name\"=... or @=...), "
                           "a comment or a blank line");
    }
  }
  return std::move(doc_);
}

void Parser::ParseHeader() {
  const std::string_view first =
      lines_.empty() ? std::string_view() : TrimBlanksRight(TrimBlanksLeft(lines_[0].text));
  if (first == kVersion5Header) {
    doc_.kind = RegFileKind::Version5;
  } else if (first == kRegedit4Header) {
    doc_.kind = RegFileKind::Regedit4;
  } else {
    throw RegFileError(1, "expected the header \"" + std::string(kVersion5Header) + "\" or \"" +
                              std::string(kRegedit4Header) + "\"");
  }
  next_ = 1;
}

void Parser::ParseKeyLine(std::string_view text, int line) {
  if (text.back() != ']') throw RegFileError(line, "expected ']' at the end of the key line");
  std::string_view inner = text.substr(1, text.size() - 2);
  const bool deletion = !inner.empty() && inner.front() == '-';
  if (deletion) inner.remove_prefix(1);
  const std::size_t slash = inner.find('\\');
  const std::string_view rootName = inner.substr(0, slash);
  const auto root = ParseRootName(rootName);
  if (!root) {
    throw RegFileError(line, "unknown root key \"" + std::string(rootName) + "\": expected " +
                                 std::string(KnownRootNames()));
  }
  const std::string_view below = slash == std::string_view::npos ? "" : inner.substr(slash + 1);
  if (const std::size_t depth = KeyPathDepth(below); depth > kMaxKeyDepth) {
    throw RegFileError(line, "the key is " + std::to_string(depth) +
                                 " levels deep: expected at most " + std::to_string(kMaxKeyDepth) +
                                 " levels below " + std::string(rootName));
  }
  std::string path;
  for (std::string_view part : SplitKeyPath(below)) {
    path = JoinKeyPath(path, part);
  }
  if (deletion && path.empty()) {
    throw RegFileError(
        line, "a whole root key cannot be deleted: expected a key below " + std::string(rootName));
  }
  RegOperation op;
  op.kind = deletion ? RegOperation::Kind::DeleteKey : RegOperation::Kind::SelectKey;
  op.line = line;
  op.root = *root;
  op.path = path;
  doc_.operations.push_back(std::move(op));
  haveKey_ = true;
  keyDeleted_ = deletion;
  keyRoot_ = *root;
  keyPath_ = std::move(path);
}

void Parser::ParseValueLine(std::string_view text, int line) {
  if (!haveKey_) throw RegFileError(line, "expected a key line \"[...]\" before the first value");
  if (keyDeleted_) {
    throw RegFileError(line, "a value cannot follow a key deletion: expected a key line \"[...]\"");
  }
  RegOperation op;
  op.line = line;
  op.root = keyRoot_;
  op.path = keyPath_;
  std::size_t pos = 0;
  if (text.front() == '@') {
    pos = 1;
  } else {
    op.name = ParseQuoted(text, pos, line);
  }
  while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos)
    ++pos;
  if (pos >= text.size() || text[pos] != '=') {
    throw RegFileError(line, "expected '=' after the value name");
  }
  const std::string_view data = TrimBlanksLeft(text.substr(pos + 1));
  for (const DataForm& form : kDataForms) {
    if (!StartsWithText(data, form.prefix)) continue;
    SpannedText spanned;
    if (form.hexList) {
      spanned = CollectHexLines(data, line);
    } else {
      spanned.Append(data, line);
    }
    (this->*form.parse)(op, spanned, form.prefix.size());
    doc_.operations.push_back(std::move(op));
    return;
  }
  throw RegFileError(line,
                     "expected the value's data: a quoted string, dword:, hex:, hex(N): or -");
}

// A hex list continues while its line ends in a backslash; the next line's leading blanks are
// indentation.
SpannedText Parser::CollectHexLines(std::string_view first, int line) {
  SpannedText out;
  std::string_view piece = first;
  int number = line;
  for (;;) {
    const bool continued = !piece.empty() && piece.back() == '\\';
    if (continued) piece.remove_suffix(1);
    out.Append(piece, number);
    if (!continued) return out;
    if (next_ >= lines_.size()) {
      throw RegFileError(number,
                         "the file ends inside a value continued with '\\': expected another "
                         "line of hex bytes");
    }
    const SourceLine& more = lines_[next_++];
    piece = TrimBlanksRight(TrimBlanksLeft(more.text));
    number = more.number;
  }
}

void Parser::ParseStringData(RegOperation& op, const SpannedText& data, std::size_t) {
  const std::string& text = data.Text();
  std::size_t pos = 0;
  const std::string value = ParseQuoted(text, pos, data.LineAt(0));
  if (pos != text.size()) {
    data.Fail(pos, "unexpected text after the closing '\"' of the string");
  }
  op.kind = RegOperation::Kind::SetValue;
  op.value = RegValue{kRegSz, StringToRegData(value)};
}

void Parser::ParseDwordData(RegOperation& op, const SpannedText& data, std::size_t pos) {
  const auto number = ParseHexNumber(std::string_view(data.Text()).substr(pos));
  if (!number) data.Fail(pos, "expected 1 to 8 hex digits after \"dword:\"");
  op.kind = RegOperation::Kind::SetValue;
  op.value = RegValue{
      kRegDword,
      Bytes{static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
            static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)}};
}

void Parser::ParseBinaryData(RegOperation& op, const SpannedText& data, std::size_t pos) {
  op.kind = RegOperation::Kind::SetValue;
  op.value = RegValue{kRegBinary, ParseByteList(data, pos)};
}

void Parser::ParseTypedHexData(RegOperation& op, const SpannedText& data, std::size_t pos) {
  const std::string_view text = data.Text();
  const std::size_t close = text.find("):", pos);
  const auto type = close == std::string_view::npos ? std::nullopt
                                                    : ParseHexNumber(text.substr(pos, close - pos));
  if (!type) data.Fail(pos, "expected a type of 1 to 8 hex digits and \"):\" after \"hex(\"");
  Bytes bytes = ParseByteList(data, close + 2);
  if (doc_.kind == RegFileKind::Regedit4 && IsStringType(*type)) {
    bytes = EightBitToRegData(bytes);
  }
  op.kind = RegOperation::Kind::SetValue;
  op.value = RegValue{*type, std::move(bytes)};
}

void Parser::ParseDeletion(RegOperation& op, const SpannedText& data, std::size_t pos) {
  if (pos != data.Text().size()) data.Fail(pos, "unexpected text after '-'");
  op.kind = RegOperation::Kind::DeleteValue;
}

// Two hex digits per byte, separated by commas; blanks around a byte are allowed.
Bytes Parser::ParseByteList(const SpannedText& data, std::size_t pos) {
  const std::string_view text = data.Text();
  Bytes bytes;
  if (TrimBlanksLeft(text.substr(pos)).empty()) return bytes;
  for (;;) {
    while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos)
      ++pos;
    const int high = pos < text.size() ? HexDigit(text[pos]) : -1;
    const int low = pos + 1 < text.size() ? HexDigit(text[pos + 1]) : -1;
    if (high < 0 || low < 0) {
      data.Fail(pos, bytes.empty() ? "expected two hex digits for the first byte"
                                   : "expected two hex digits after ','");
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    pos += 2;
    while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos)
      ++pos;
    if (pos == text.size()) return bytes;
    if (text[pos] != ',') data.Fail(pos, "expected ',' between hex bytes");
    ++pos;
  }
}

}  // namespace

RegDocument ParseRegFile(std::string_view bytes) {
  const std::string text = DecodeFile(bytes);
  return Parser(SplitLines(text)).Run();
}

}  // namespace ordrex
