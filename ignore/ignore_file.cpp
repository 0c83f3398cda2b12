#include "ignore/ignore_file.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/damaged_file.h"
#include "platform/text.h"

namespace ordrex {

namespace {

// An ignore list holds a few hundred short lines at most.
constexpr std::uintmax_t kMaxIgnoreFileSize = 16u * 1024u * 1024u;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string DecodeIgnoreText(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) {
      throw IgnoreFileError(0, "the UTF-16 text ends in the middle of a character");
    }
    return Utf16LeBytesToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  return IsValidUtf8(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

// Lines end in CR LF, LF or CR; a final line end does not start another line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) throw std::runtime_error("it cannot be read: " + ec.message());
  if (size > kMaxIgnoreFileSize) throw IgnoreFileError(0, "the file is far too large");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("it cannot be opened");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("reading it failed");
  return bytes;
}

std::string Describe(const IgnoreFileError& e) {
  return e.Line() > 0 ? "line " + std::to_string(e.Line()) + ": " + e.Reason() : e.Reason();
}

}  // namespace

IgnoreFileError::IgnoreFileError(int line, const std::string& reason)
    : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + reason : reason),
      line_(line),
      reason_(reason) {}

int ParseIgnoreFlags(std::string_view line) {
  const std::string text = Trim(line);
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty() || digits.front() == '+') return -1;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return -1;
  return value;
}

IgnoreFileContents ParseIgnoreFile(std::string_view bytes) {
  const std::string text = DecodeIgnoreText(bytes);
  const std::vector<std::string_view> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find('\0') != std::string_view::npos) {
      throw IgnoreFileError(static_cast<int>(i) + 1, "a NUL character: this is not a text file");
    }
  }
  IgnoreFileContents contents;
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    std::size_t bad = i;
    std::string fault = IgnoreTextFault(lines[i]);
    if (fault.empty()) fault = IgnoreTextFault(lines[++bad]);
    if (!fault.empty()) {
      contents.skipped.emplace_back(static_cast<int>(bad) + 1, fault);
      continue;
    }
    contents.entries.push_back(
        TIgnoreRec::FromFlags(static_cast<std::int32_t>(contents.entries.size()),
                              std::string(lines[i]), ParseIgnoreFlags(lines[i + 1])));
  }
  return contents;
}

std::string FormatIgnoreFile(const TIgnoreList& list) {
  std::string text;
  for (const TIgnoreRec& entry : list.Records()) {
    if (entry.Deleted()) continue;
    // A reader drops a mark at the start as the encoding's, so a first Name that starts with
    // U+FEFF keeps it only behind a mark of the file's own.
    if (text.empty() && entry.Name.starts_with(kUtf8ByteOrderMark)) text = kUtf8ByteOrderMark;
    text += entry.Name + "\r\n" + std::to_string(entry.Flags()) + "\r\n";
  }
  return text;
}

IgnoreLoadResult LoadIgnoreList(TIgnoreList& list, const std::filesystem::path& file,
                                const std::filesystem::path& legacyFile, FileWriter& writer) {
  IgnoreLoadResult result;
  std::error_code ec;
  const bool own = std::filesystem::exists(file, ec);
  const bool legacy =
      !own && !legacyFile.empty() && std::filesystem::is_regular_file(legacyFile, ec);
  if (!own && !legacy) return result;
  const std::filesystem::path& source = own ? file : legacyFile;

  IgnoreFileContents contents;
  try {
    contents = ParseIgnoreFile(ReadBytes(source));
  } catch (const IgnoreFileError& e) {
    std::string text = "The ignore list " + QuotedFileName(source) + " is damaged (" + Describe(e) +
                       "). The program goes on without it";
    if (!own) {
      text += "; the file was left as it is.";
    } else if (const auto kept = KeepDamagedFile(source)) {
      text += "; the damaged file was kept as " + QuotedFileName(*kept) + ".";
    } else {
      text += "; the damaged file could not be renamed and is left as it is.";
    }
    result.warnings.push_back(std::move(text));
    return result;
  } catch (const std::exception& e) {
    result.warnings.push_back("The ignore list " + QuotedFileName(source) + " could not be read (" +
                              e.what() + "). The program goes on without it.");
    result.keepFile = own;
    return result;
  }
  for (const IgnoreFileError& fault : contents.skipped) {
    result.warnings.push_back("The ignore list " + QuotedFileName(source) +
                              " has an entry that cannot be used (" + Describe(fault) +
                              "); it is left out.");
  }
  for (TIgnoreRec& entry : contents.entries)
    list.AppendLoaded(std::move(entry));
  result.source = source;

  if (!own) {
    try {
      SaveIgnoreList(list, file, writer);
    } catch (const std::exception& e) {
      result.warnings.push_back("The ignore list read from " + QuotedFileName(source) +
                                " could not be copied to " + QuotedFileName(file) + ": " +
                                e.what());
    }
  }
  return result;
}

bool SaveIgnoreList(const TIgnoreList& list, const std::filesystem::path& file,
                    FileWriter& writer) {
  if (list.Records().empty()) return false;
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) {
    throw FileWriteError("Cannot create the folder " + QuotedFileName(file.parent_path()) + ": " +
                         ec.message());
  }
  writer.WriteAtomically(file, FormatIgnoreFile(list));
  return true;
}

}  // namespace ordrex
