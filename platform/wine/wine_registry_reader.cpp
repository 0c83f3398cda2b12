// Reading Wine's registry files into a WineRegistryFile.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "platform/wine/wine_value_codec.h"

namespace ordrex {

namespace {

constexpr std::string_view kHeaderLine = "WINE REGISTRY Version 2";
constexpr std::string_view kRelativeToPrefix = ";; All keys relative to ";

// Hands out the lines of a file or a text one at a time, without their "\n" or "\r\n". A file
// is read in pieces, so a large file is never held whole; a line stays valid until the next
// call.
class LineSource {
 public:
  explicit LineSource(std::string_view text) : data_(text), eof_(true) {}
  explicit LineSource(int fd) : fd_(fd) {
    buffer_.resize(kChunk);
    data_ = std::string_view(buffer_.data(), 0);
  }

  bool Next(std::string_view& line) {
    const std::size_t newline = FindNewline();
    if (pos_ >= data_.size()) return false;
    const std::size_t end = newline == std::string_view::npos ? data_.size() : newline;
    line = data_.substr(pos_, end - pos_);
    if (newline == std::string_view::npos) {
      unterminated_ = true;
      pos_ = end;
    } else {
      pos_ = newline + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    ++lineNumber_;
    return true;
  }

  std::size_t LineNumber() const { return lineNumber_; }
  // The last line handed out had no line end: the file stops in the middle of a line.
  bool Unterminated() const { return unterminated_; }
  int ReadError() const { return readError_; }

 private:
  static constexpr std::size_t kChunk = std::size_t{1} << 20;

  std::size_t FindNewline() {
    for (;;) {
      const void* hit = std::memchr(data_.data() + pos_, '\n', data_.size() - pos_);
      if (hit != nullptr)
        return static_cast<std::size_t>(static_cast<const char*>(hit) - data_.data());
      if (eof_) return std::string_view::npos;
      ReadMore();
    }
  }

  void ReadMore() {
    const std::size_t kept = data_.size() - pos_;
    std::memmove(buffer_.data(), data_.data() + pos_, kept);
    pos_ = 0;
    if (kept == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    ssize_t got = 0;
    do {
      got = read(fd_, buffer_.data() + kept, buffer_.size() - kept);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
      if (got < 0) readError_ = errno;
      eof_ = true;
      got = 0;
    }
    data_ = std::string_view(buffer_.data(), kept + static_cast<std::size_t>(got));
  }

  int fd_ = -1;
  std::string buffer_;
  std::string_view data_;
  std::size_t pos_ = 0;
  std::size_t lineNumber_ = 0;
  bool eof_ = false;
  bool unterminated_ = false;
  int readError_ = 0;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Characters that end a plain run in a key name: the closing bracket, a backslash (a separator
// or an escape), NUL and the bytes of UTF-8 sequences.
constexpr std::array<bool, 256> MakeKeyNameStops() {
  std::array<bool, 256> stops{};
  stops[static_cast<unsigned char>(']')] = true;
  stops[static_cast<unsigned char>('\\')] = true;
  stops[0] = true;
  for (int c = 0x80; c < 0x100; ++c)
    stops[c] = true;
  return stops;
}
constexpr std::array<bool, 256> kKeyNameStops = MakeKeyNameStops();

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  return text;
}

std::string_view DropTrailingBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

std::string Quoted(std::string_view line) {
  constexpr std::size_t kShown = 60;
  std::string shown;
  for (const char c : line.substr(0, kShown)) {
    const auto u = static_cast<unsigned char>(c);
    shown.push_back(u < 0x20 || u == 0x7F ? '?' : c);
  }
  if (line.size() > kShown) shown += "...";
  return "\"" + shown + "\"";
}

}  // namespace

// Fills a WineRegistryFile from its lines. Whatever is not certain is reported and left out;
// what follows it is read only where it does not depend on it.
class WineRegistryReader {
 public:
  WineRegistryReader(WineRegistryFile& file, LineSource& lines) : file_(file), lines_(lines) {}

  void Run() {
    std::string_view line;
    if (!lines_.Next(line)) {
      file_.AddProblem(1,
                       "expected \"WINE REGISTRY Version 2\" as the first line, found an "
                       "empty file");
      return;
    }
    // Wine ignores the whole file when the first line differs, and so do we.
    if (line != kHeaderLine) {
      file_.AddProblem(
          1, "expected \"WINE REGISTRY Version 2\" as the first line, found " + Quoted(line));
      return;
    }
    if (lines_.Unterminated()) {
      file_.AddProblem(1,
                       "expected a line end after the first line: the file stops there "
                       "(cut short?)");
      return;
    }
    file_.header_.assign(kHeaderLine).push_back('\n');
    bool inHeader = true;
    while (lines_.Next(line)) {
      if (lines_.Unterminated()) {
        file_.AddProblem(
            lines_.LineNumber(),
            "expected a line end: the file stops in the middle of a line (cut short?)");
        break;
      }
      const std::string_view text = SkipBlanks(line);
      if (inHeader) {
        if (!text.starts_with('[')) {
          if (!ReadHeaderLine(line, text)) return;
          continue;
        }
        inHeader = false;
        // The blank line before the first key belongs to that key, as Wine writes it.
        if (file_.header_.ends_with("\n\n")) file_.header_.pop_back();
      }
      ReadBodyLine(text);
    }
    FlushPendingValues();
    if (inHeader && file_.header_.ends_with("\n\n")) file_.header_.pop_back();
    if (lines_.ReadError() != 0) {
      file_.AddProblem(lines_.LineNumber(),
                       std::string("expected more of the file, reading failed: ") +
                           std::strerror(lines_.ReadError()));
    }
  }

 private:
  // False when reading must stop.
  bool ReadHeaderLine(std::string_view line, std::string_view text) {
    file_.header_.append(line).push_back('\n');
    if (line.starts_with(kRelativeToPrefix)) {
      std::string relative(line.substr(kRelativeToPrefix.size()));
      relative.push_back('\x01');  // a terminator that cannot occur in the line
      std::size_t pos = 0;
      std::string decoded;
      if (!DecodeWineName(relative, pos, '\x01', decoded)) file_.relativeTo_ = decoded;
      return true;
    }
    if (text.starts_with("#arch=")) {
      const std::string_view arch = DropTrailingBlanks(text.substr(6));
      if (arch != "win32" && arch != "win64") {
        // Wine refuses to load the rest of such a file.
        Problem("expected #arch=win32 or #arch=win64");
        return false;
      }
      file_.arch_ = std::string(arch);
      return true;
    }
    if (text.empty() || text.starts_with(';') || text.starts_with('#')) return true;
    if (text.starts_with('@') || text.starts_with('"')) {
      Problem("expected a key line [...] before the first value");
    } else {
      Problem("expected a comment, an option (#...) or a key line [...], found " + Quoted(line));
    }
    return true;
  }

  void ReadBodyLine(std::string_view text) {
    if (skipContinuation_) {
      // The rest of a bad hex value: no valid line starts with a hex digit.
      skipContinuation_ = false;
      if (!text.empty() && std::isxdigit(static_cast<unsigned char>(text.front()))) {
        skipContinuation_ = DropTrailingBlanks(text).ends_with('\\');
        return;
      }
    }
    if (text.empty() || text.front() == ';') return;
    switch (text.front()) {
      case '[':
        ReadKeyLine(text);
        return;
      case '@':
      case '"':
        if (key_ != nullptr) {
          ReadValue(text);
        } else if (keyFailed_) {
          // A value of a key that could not be read: left out, with its continuation lines.
          skipContinuation_ = DropTrailingBlanks(text).ends_with('\\');
        } else {
          Problem("expected a key line [...] before the first value");
        }
        return;
      case '#':
        if (key_ != nullptr) {
          ReadKeyOption(text);
        } else if (!keyFailed_) {
          Problem("expected a key line [...] before " + Quoted(text));
        }
        return;
      default:
        Problem(
            "expected a key line [...], a value (\"name\"=... or @=...), a key option (#...) "
            "or a comment, found " +
            Quoted(text));
    }
  }

  void ReadKeyLine(std::string_view text) {
    FlushPendingValues();
    key_ = nullptr;
    keyFailed_ = true;
    std::size_t pos = 1;
    if (!SplitKeyName(text, pos)) return;
    const std::string_view rest = DropTrailingBlanks(SkipBlanks(text.substr(pos)));
    std::uint64_t seconds = 0;
    for (const char c : rest) {
      if (c < '0' || c > '9' || seconds > 0xFFFFFFFFull) {
        seconds = ~std::uint64_t{0};
        break;
      }
      seconds = seconds * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (seconds > 0xFFFFFFFFull) {
      Problem("expected a time in seconds (or nothing) after the key name, found " + Quoted(rest));
      return;
    }
    KeyNode* node = ResolvePath();
    key_ = node;
    keyFailed_ = false;
    pendingOpen_ = node->Values().empty();
    if (!rest.empty()) {
      node->Meta().modified = static_cast<std::int64_t>(seconds);
    } else {
      // Wine gives such a key the time it loads it.
      node->Meta().modified =
          std::chrono::duration_cast<std::chrono::seconds>(file_.clock_.Now().time_since_epoch())
              .count();
    }
  }

  // Splits the key name that starts at text[pos] into parts_ and leaves pos after the closing
  // "]". Plain names stay views into the line; names with escapes are decoded.
  bool SplitKeyName(std::string_view text, std::size_t& pos) {
    parts_.clear();
    std::size_t start = pos;
    for (std::size_t i = pos; i < text.size(); ++i) {
      while (i < text.size() && !kKeyNameStops[static_cast<unsigned char>(text[i])])
        ++i;
      if (i == text.size()) break;
      if (text[i] == ']') {
        parts_.push_back(text.substr(start, i - start));
        pos = i + 1;
        return CheckParts();
      }
      if (text[i] != '\\' || i + 1 >= text.size() || text[i + 1] != '\\')
        return SplitDecodedKeyName(text, pos);
      parts_.push_back(text.substr(start, i - start));
      start = i + 2;
      ++i;
    }
    Problem("expected a closing ] after the key name");
    return false;
  }

  bool SplitDecodedKeyName(std::string_view text, std::size_t& pos) {
    units_.clear();
    if (WineTextError error = DecodeWineText(text, pos, ']', units_)) {
      Problem(error.what + " in the key name");
      return false;
    }
    // A backslash, however it was written, separates the parts of a key path.
    decodedParts_.clear();
    const std::size_t units = units_.size() / 2;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= units; ++i) {
      if (i < units && !(units_[2 * i] == '\\' && units_[2 * i + 1] == 0)) continue;
      decodedParts_.push_back(Utf16LeBytesToUtf8(units_.data() + 2 * start, 2 * (i - start)));
      start = i + 1;
    }
    parts_.assign(decodedParts_.begin(), decodedParts_.end());
    return CheckParts();
  }

  bool CheckParts() {
    if (parts_.size() == 1 && parts_.front().empty()) {
      parts_.clear();  // "[]" is the file's root key itself
      return true;
    }
    for (const std::string_view part : parts_) {
      if (part.empty()) {
        Problem("expected a key name without empty parts");
        return false;
      }
    }
    if (parts_.size() > kMaxKeyDepth) {
      Problem("expected a key at most " + std::to_string(kMaxKeyDepth) + " levels deep, found " +
              std::to_string(parts_.size()) + " levels");
      return false;
    }
    return true;
  }

  // The node of the path in parts_, created with its parents as needed. Wine writes keys in
  // order, so most of a path is the path of the key before it.
  KeyNode* ResolvePath() {
    KeyNode* node = &file_.Root();
    for (std::size_t depth = 0; depth < parts_.size(); ++depth) {
      if (depth < path_.size() && path_[depth]->Name() == parts_[depth]) {
        node = path_[depth];
        continue;
      }
      path_.resize(depth);
      node = ChildFor(*node, parts_[depth]);
      path_.push_back(node);
    }
    path_.resize(parts_.size());
    return node;
  }

  // The child of that name, found or added. While a key's children arrive in Wine's order a
  // new name can only be new or the last one, so no lookup (and no lookup index) is needed.
  KeyNode* ChildFor(KeyNode& parent, std::string_view name) {
    if (!Contains(unsortedChildren_, &parent)) {
      if (parent.Children().empty()) return &parent.AppendNewChild(std::string(name));
      const int order = CompareWineNames(parent.Children().back()->Name(), name);
      if (order < 0) return &parent.AppendNewChild(std::string(name));
      if (order == 0) return parent.Children().back().get();
    }
    if (KeyNode* existing = parent.FindChild(name)) return existing;
    unsortedChildren_.insert(&parent);
    return &parent.AppendNewChild(std::string(name));
  }

  void AddValue(StoredValue value) {
    // The values of a new key, in Wine's order, gather here and move into the key together,
    // so that its list is allocated once and at its exact size.
    if (pendingOpen_) {
      if (pending_.empty() || CompareWineNames(pending_.back().Name(), value.Name()) < 0) {
        pending_.push_back(std::move(value));
        return;
      }
      FlushPendingValues();
    }
    if (!Contains(unsortedValues_, key_)) {
      const auto& values = key_->Values();
      const int order = values.empty() ? -1 : CompareWineNames(values.back().Name(), value.Name());
      if (order < 0) {
        key_->AppendNewValue(std::move(value));
        return;
      }
      if (order > 0) unsortedValues_.insert(key_);
    }
    key_->SetValue(std::move(value));
  }

  void FlushPendingValues() {
    if (!pendingOpen_) return;
    pendingOpen_ = false;
    key_->AppendNewValues(pending_);
  }

  static bool Contains(const std::unordered_set<const KeyNode*>& set, const KeyNode* node) {
    return !set.empty() && set.contains(node);
  }

  void ReadKeyOption(std::string_view text) {
    const std::string_view option = DropTrailingBlanks(text);
    if (option.starts_with("#time=")) {
      const std::string_view digits = option.substr(6);
      if (digits.empty() || digits.size() > ShortText::kMaxSize ||
          !std::all_of(digits.begin(), digits.end(), [](char c) {
            const char lower = static_cast<char>(c | 0x20);
            return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'f');
          })) {
        Problem("expected #time= with 1 to 16 hex digits, found " + Quoted(text));
        return;
      }
      key_->Meta().timeText = digits;
      return;
    }
    if (option.starts_with("#class=")) {
      std::size_t pos = 8;
      std::string decoded;
      if (option.size() < 8 || option[7] != '"') {
        Problem("expected #class=\"...\"");
        return;
      }
      if (WineTextError error = DecodeWineName(option, pos, '"', decoded)) {
        Problem(error.what + " in the class");
        return;
      }
      if (pos != option.size()) {
        Problem("expected the end of the line after the class");
        return;
      }
      key_->Meta().className = std::make_unique<std::string>(std::move(decoded));
      return;
    }
    if (option == "#link") {
      key_->Meta().link = true;
      return;
    }
    // An option we do not know could matter to Wine; saving without it could lose it.
    Problem("expected a key option #time=, #class= or #link, found " + Quoted(text));
  }

  void ReadValue(std::string_view text) {
    std::size_t pos = 1;
    std::string& name = nameBuffer_;
    name.clear();
    if (text.front() == '"') {
      if (WineTextError error = DecodeWineName(text, pos, '"', name)) {
        Problem(error.what + " in the value name");
        return;
      }
    }
    while (pos < text.size() && IsBlank(text[pos]))
      ++pos;
    if (pos >= text.size() || text[pos] != '=') {
      Problem("expected = after the value name");
      return;
    }
    ++pos;
    while (pos < text.size() && IsBlank(text[pos]))
      ++pos;
    // Parsed into buffers that keep their capacity, then stored at their exact size.
    RegValue& value = valueBuffer_;
    WineTextError error;
    HexLine state = ParseWineValueData(text.substr(pos), value, error);
    std::string_view line = text;
    while (state == HexLine::kContinues) {
      if (!lines_.Next(line) || lines_.Unterminated()) {
        file_.AddProblem(lines_.LineNumber(),
                         "expected more hex data: the file stops in the middle of a value (cut "
                         "short?)");
        return;
      }
      state = ParseWineHexLine(line, value.data, error);
    }
    if (state == HexLine::kBad) {
      Problem(error.what);
      skipContinuation_ = DropTrailingBlanks(line).ends_with('\\');
      return;
    }
    AddValue(StoredValue(name, value.type, value.data.data(), value.data.size()));
  }

  void Problem(std::string text) { file_.AddProblem(lines_.LineNumber(), std::move(text)); }

  WineRegistryFile& file_;
  LineSource& lines_;
  KeyNode* key_ = nullptr;
  bool keyFailed_ = false;
  bool skipContinuation_ = false;
  Bytes units_;
  RegValue valueBuffer_;
  std::string nameBuffer_;
  std::vector<StoredValue> pending_;  // values of key_ not yet moved into it
  bool pendingOpen_ = false;
  std::vector<std::string_view> parts_;
  std::vector<std::string> decodedParts_;
  std::vector<KeyNode*> path_;  // the nodes of the last key line
  std::unordered_set<const KeyNode*> unsortedChildren_;
  std::unordered_set<const KeyNode*> unsortedValues_;
};

std::unique_ptr<WineRegistryFile> WineRegistryFile::Parse(std::string_view text,
                                                          const std::filesystem::path& file,
                                                          Clock& clock) {
  std::unique_ptr<WineRegistryFile> store(new WineRegistryFile(file, clock));
  store->sizeHint_ = text.size();
  LineSource lines(text);
  WineRegistryReader(*store, lines).Run();
  return store;
}

std::unique_ptr<WineRegistryFile> WineRegistryFile::Load(const std::filesystem::path& file,
                                                         Clock& clock) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw RegistryError("Cannot read " + file.string() + ": " + std::strerror(errno));
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    throw RegistryError("Cannot read " + file.string() + ": it is not a regular file");
  }
  std::unique_ptr<WineRegistryFile> store(new WineRegistryFile(file, clock));
  store->sizeHint_ = static_cast<std::size_t>(info.st_size);
  LineSource lines(fd);
  WineRegistryReader(*store, lines).Run();
  const int readError = lines.ReadError();
  close(fd);
  if (readError != 0 && lines.LineNumber() <= 1) {
    throw RegistryError("Cannot read " + file.string() + ": " + std::strerror(readError));
  }
  return store;
}

}  // namespace ordrex
