#include "system/wine_restore_points.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/wine/wine_prefix_target.h"
#include "platform/wine/wine_registry_file.h"
#include "platform/wine/wineserver.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRegistryFiles[] = {"system.reg", "user.reg", "userdef.reg"};
constexpr const char* kPointFile = "point.txt";
constexpr std::string_view kWineHeader = "WINE REGISTRY Version 2\n";

// One folder per prefix, named so a user can tell which is which, and told apart by a hash of
// the whole path (two prefixes may share their last name).
std::string TargetFolderName(const fs::path& prefix) {
  const fs::path path = NormalizedPrefixFolder(prefix);
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : path.string()) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  std::string name;
  for (const char c : path.filename().string()) {
    const bool plain =
        std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
    name += plain ? c : '_';
  }
  if (name.empty() || name.front() == '.') name.insert(0, "prefix");
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return name + "-" + hex;
}

// The first `count` characters of UTF-8 text, on one line.
std::string PointName(std::string_view name) {
  std::string cut;
  std::size_t characters = 0;
  for (const char c : name) {
    const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (!continuation && characters++ == kRestorePointNameLength) break;
    cut += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return cut;
}

std::optional<std::int64_t> NumberOf(std::string_view text) {
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number <= 0) return std::nullopt;
  return number;
}

RestoreCode CodeOfCopyFailure(const std::string& message) {
  for (const int error : {ENOSPC, EDQUOT})
    if (message.find(std::strerror(error)) != std::string::npos) return kRestoreDiskFull;
  for (const int error : {EACCES, EPERM, EROFS})
    if (message.find(std::strerror(error)) != std::string::npos) return kRestoreAccessDenied;
  return kRestoreInternalError;
}

bool ReadWhole(const fs::path& file, std::string& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return !in.bad();
}

// Whether `file` holds what Wine keeps in the registry file `name`; empty when it does.
std::string DamageOf(const std::string& bytes, const fs::path& file, const std::string& name,
                     Clock& clock) {
  const auto parsed = WineRegistryFile::Parse(bytes, file, clock);
  if (!parsed->Header().starts_with(kWineHeader)) return "it is no Wine registry file";
  if (!parsed->FullyUnderstood()) return parsed->Problems().front();
  const std::string& branch = parsed->RelativeTo();
  const bool right = name == "system.reg"    ? branch == "REGISTRY\\Machine"
                     : name == "userdef.reg" ? branch == "REGISTRY\\User\\.Default"
                                             : branch.starts_with("REGISTRY\\User\\S-");
  return right ? std::string() : "it holds the branch " + branch + ", not that of " + name;
}

}  // namespace

fs::path RestorePointsRoot(const fs::path& dataDir) {
  return dataDir / "RestorePoints";
}

WinePrefixRestorePoints::WinePrefixRestorePoints(fs::path prefix, const fs::path& dataDir,
                                                 Clock& clock, FileCopier* copier,
                                                 FileWriter* writer)
    : prefix_(std::move(prefix)),
      folder_(RestorePointsRoot(dataDir) / TargetFolderName(prefix_)),
      clock_(clock),
      writer_(writer != nullptr ? writer : &ownWriter_),
      ownCopier_(*writer_),
      copier_(copier != nullptr ? copier : &ownCopier_) {}

RestoreCode WinePrefixRestorePoints::Failed(RestoreCode code, std::string reason) {
  reason_ = std::move(reason);
  return code;
}

bool WinePrefixRestorePoints::SystemRestoreAvailable() {
  if (!IsWinePrefix(prefix_)) return false;
  // Asked at start-up: nothing is made yet, the nearest folder that exists must let us make it.
  std::error_code ec;
  fs::path folder = folder_;
  while (!fs::exists(folder, ec) && folder.has_relative_path())
    folder = folder.parent_path();
  return fs::is_directory(folder, ec) && access(folder.c_str(), W_OK | X_OK) == 0;
}

fs::path WinePrefixRestorePoints::PointFolder(std::int64_t sequence) const {
  return folder_ / std::to_string(sequence);
}

std::int64_t WinePrefixRestorePoints::NextSequence() const {
  std::int64_t last = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    if (const auto number = NumberOf(it->path().filename().string()))
      last = std::max(last, *number);
  }
  return last + 1;
}

std::optional<RestorePointInfo> WinePrefixRestorePoints::Read(std::int64_t sequence) const {
  std::ifstream in(PointFolder(sequence) / kPointFile);
  if (!in) return std::nullopt;
  RestorePointInfo info;
  bool stated = false;
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "sequence") {
      info.sequence = NumberOf(value).value_or(0);
    } else if (key == "name") {
      info.name = value;
    } else if (key == "target") {
      info.target = value;
    } else if (key == "time") {
      info.time = std::strtoll(value.c_str(), nullptr, 10);
    } else if (key == "state") {
      stated = value == "begun" || value == "complete";
      info.complete = value == "complete";
    } else if (key == "file") {
      const auto space = value.rfind(' ');
      if (space == std::string::npos) return std::nullopt;
      info.files.push_back(
          {value.substr(0, space),
           static_cast<std::uintmax_t>(NumberOf(value.substr(space + 1)).value_or(0))});
    }
  }
  if (!stated || info.sequence != sequence) return std::nullopt;
  return info;
}

void WinePrefixRestorePoints::Write(const RestorePointInfo& info) {
  std::string text = "sequence=" + std::to_string(info.sequence) + "\nname=" + info.name +
                     "\ntarget=" + info.target + "\ntime=" + std::to_string(info.time) +
                     "\nstate=" + (info.complete ? "complete" : "begun") + "\n";
  for (const auto& file : info.files)
    text += "file=" + file.name + " " + std::to_string(file.size) + "\n";
  writer_->WriteAtomically(PointFolder(info.sequence) / kPointFile, text);
}

std::vector<RestorePointInfo> WinePrefixRestorePoints::List() const {
  std::vector<RestorePointInfo> points;
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    if (const auto number = NumberOf(it->path().filename().string())) {
      if (auto info = Read(*number)) points.push_back(std::move(*info));
    }
  }
  std::sort(points.begin(), points.end(),
            [](const auto& a, const auto& b) { return a.sequence < b.sequence; });
  return points;
}

RestoreCode WinePrefixRestorePoints::SetRestorePoint(std::string_view name,
                                                     std::int64_t& sequence) {
  reason_.clear();
  sequence = NextSequence();
  if (!IsWinePrefix(prefix_)) {
    return Failed(kRestoreDisabled, prefix_.string() + " is not a Wine prefix.");
  }
  std::error_code made;
  fs::create_directories(folder_, made);
  if (made || access(folder_.c_str(), W_OK | X_OK) != 0) {
    return Failed(kRestoreAccessDenied, "The folder " + folder_.string() + " cannot be written.");
  }
  if (const auto pid = FindWineserverPid(prefix_))
    return Failed(kRestoreBusy, WineRunningMessage(*pid));

  const fs::path point = PointFolder(sequence);
  std::error_code ec;
  if (!fs::create_directory(point, ec)) {
    return Failed(ec ? CodeOfCopyFailure(ec.message()) : kRestoreInternalError,
                  "Cannot make the folder " + point.string() + ": " + ec.message());
  }
  RestorePointInfo info;
  info.sequence = sequence;
  info.name = PointName(name);
  info.target = prefix_.string();
  info.time =
      std::chrono::duration_cast<std::chrono::seconds>(clock_.Now().time_since_epoch()).count();
  try {
    for (const char* file : kRegistryFiles) {
      if (!fs::exists(prefix_ / file, ec)) continue;
      copier_->Copy(prefix_ / file, point / file);
      info.files.push_back({file, fs::file_size(point / file)});
    }
    // Wine started while the files were copied: they may be half old, half new.
    if (const auto pid = FindWineserverPid(prefix_)) {
      fs::remove_all(point, ec);
      return Failed(kRestoreBusy, WineRunningMessage(*pid));
    }
    Write(info);
  } catch (const std::exception& e) {
    // What was copied is no restore point: it goes, and the prefix was only read.
    fs::remove_all(point, ec);
    return Failed(CodeOfCopyFailure(e.what()), e.what());
  }
  return kRestoreSuccess;
}

RestoreCode WinePrefixRestorePoints::EndRestorePoint(std::int64_t sequence) {
  reason_.clear();
  auto info = Read(sequence);
  if (!info || info->complete) {
    return Failed(kRestoreInvalidSequence,
                  "There is no begun restore point " + std::to_string(sequence) + ".");
  }
  info->complete = true;
  try {
    Write(*info);
  } catch (const std::exception& e) {
    return Failed(CodeOfCopyFailure(e.what()), e.what());
  }
  return kRestoreSuccess;
}

RestoreCode WinePrefixRestorePoints::CancelPoint(std::int64_t sequence) {
  reason_.clear();
  const auto info = Read(sequence);
  if (info && info->complete) {
    return Failed(kRestoreInvalidSequence,
                  "The restore point " + std::to_string(sequence) + " was ended; it is kept.");
  }
  return RemovePoint(sequence);
}

RestoreCode WinePrefixRestorePoints::RemovePoint(std::int64_t sequence) {
  const fs::path point = PointFolder(sequence);
  std::error_code ec;
  if (sequence <= 0 || !fs::is_directory(fs::symlink_status(point, ec))) {
    return Failed(kRestoreInvalidSequence,
                  "There is no restore point " + std::to_string(sequence) + ".");
  }
  // Each prefix's points sit in a folder of their own; one recorded for another prefix is left.
  if (const auto info = Read(sequence); info && info->target != prefix_.string()) {
    return Failed(kRestoreInvalidSequence, "The restore point " + std::to_string(sequence) +
                                               " belongs to " + info->target + ".");
  }
  fs::remove_all(point, ec);
  if (ec) return Failed(CodeOfCopyFailure(ec.message()), point.string() + ": " + ec.message());
  return kRestoreSuccess;
}

RestorePointApplied WinePrefixRestorePoints::Apply(std::int64_t sequence) {
  RestorePointApplied result;
  const auto info = Read(sequence);
  if (!info) {
    result.error = "There is no restore point " + std::to_string(sequence) + ".";
    return result;
  }
  if (const auto pid = FindWineserverPid(prefix_)) {
    result.error = WineRunningMessage(*pid);
    return result;
  }
  // Everything is read and checked before anything is written.
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& file : info->files) {
    const fs::path copy = PointFolder(sequence) / file.name;
    std::string bytes;
    std::string damage;
    if (!ReadWhole(copy, bytes)) {
      damage = "it cannot be read";
    } else if (bytes.size() != file.size) {
      damage = "it holds " + std::to_string(bytes.size()) + " bytes, not the " +
               std::to_string(file.size) + " copied";
    } else {
      damage = DamageOf(bytes, prefix_ / file.name, file.name, clock_);
    }
    if (!damage.empty()) {
      result.error = "The restore point " + std::to_string(sequence) + " is damaged (" +
                     copy.string() + ": " + damage + "); nothing was changed.";
      return result;
    }
    files.emplace_back(file.name, std::move(bytes));
  }
  std::int64_t undo = 0;
  if (const RestoreCode code = SetRestorePoint(
          "Before restore point " + std::to_string(sequence) + " was applied", undo);
      code != kRestoreSuccess || EndRestorePoint(undo) != kRestoreSuccess) {
    result.error =
        "No restore point of the registry as it is now could be taken (" +
        RestoreFailureText(code == kRestoreSuccess ? kRestoreInternalError : code, reason_) +
        "); nothing was changed.";
    if (code == kRestoreSuccess) CancelPoint(undo);
    return result;
  }
  result.undoPoint = undo;
  // Every file is written beside its original first; only when all are on disk do they take
  // the originals' places, so a full disk leaves the registry as it was.
  std::vector<fs::path> staged;
  const auto unstage = [&] {
    std::error_code ignored;
    for (const fs::path& file : staged)
      fs::remove(file, ignored);
  };
  try {
    for (const auto& [name, bytes] : files) {
      staged.push_back(prefix_ / ("." + name + ".restored"));
      writer_->WriteAtomically(staged.back(), bytes);
      struct stat original {};
      if (stat((prefix_ / name).c_str(), &original) == 0)
        chmod(staged.back().c_str(), original.st_mode & 07777);
    }
  } catch (const std::exception& e) {
    unstage();
    result.error = std::string(e.what()) + "; nothing was changed.";
    return result;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (rename(staged[i].c_str(), (prefix_ / files[i].first).c_str()) != 0) {
      result.error = "Cannot replace " + (prefix_ / files[i].first).string() + " (" +
                     std::strerror(errno) + ")" +
                     (i == 0 ? "; nothing was changed."
                             : "; apply restore point " + std::to_string(undo) +
                                   " to undo what was replaced.");
      unstage();
      return result;
    }
  }
  result.applied = true;
  return result;
}

}  // namespace ordrex
