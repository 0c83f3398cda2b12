#include "platform/wine/wine_prefix_target.h"

#include <utility>

#include "platform/lnk_shortcut_reader.h"
#include "platform/text.h"
#include "platform/wine/wine_profile.h"
#include "platform/wine/wine_registry_file.h"
#include "platform/wine/wineserver.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

// Wine gives every prefix's user this SID; a user.reg without its header line still belongs
// to that user.
constexpr std::string_view kWineUserSid = "S-1-5-21-0-0-0-1000";
constexpr std::string_view kWineHeader = "WINE REGISTRY Version 2\n";

// An empty branch for a registry file that does not exist: reads find nothing, writes are
// refused with the reason.
class MissingBranchStore : public MemoryStore {
 public:
  explicit MissingBranchStore(std::string why) : why_(std::move(why)) {}
  std::string WriteBlocker() const override { return why_; }

 private:
  std::string why_;
};

std::unique_ptr<WineRegistryFile> LoadFile(const fs::path& file, Clock& clock) {
  std::unique_ptr<WineRegistryFile> loaded;
  try {
    loaded = WineRegistryFile::Load(file, clock);
  } catch (const RegistryError& e) {
    throw TargetError(e.what());
  }
  // Without Wine's header nothing in the file can be trusted (Wine itself then runs with the
  // branch empty): scanning an empty branch would only mislead.
  if (!loaded->FullyUnderstood() && !loaded->Header().starts_with(kWineHeader)) {
    const auto problems = loaded->Problems();
    throw TargetError((problems.empty() ? file.string() : problems.front()) +
                      "; this is not a Wine registry file.");
  }
  return loaded;
}

std::optional<std::pair<std::uintmax_t, fs::file_time_type>> StampOf(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto time = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return std::make_pair(size, time);
}

std::string UserSidOf(const WineRegistryFile* user) {
  constexpr std::string_view kUsers = "REGISTRY\\User\\";
  if (user != nullptr && StartsWithText(user->RelativeTo(), kUsers) &&
      user->RelativeTo().size() > kUsers.size()) {
    return user->RelativeTo().substr(kUsers.size());
  }
  return std::string(kWineUserSid);
}

}  // namespace

WinePrefixTarget::~WinePrefixTarget() = default;

std::optional<int> WinePrefixTarget::WineserverPid() const {
  return FindWineserverPid(prefix_);
}

std::string WinePrefixTarget::WriteBlocker() const {
  if (!openBlocker_.empty()) return openBlocker_;
  // A server started since the prefix was opened would overwrite our save just the same.
  if (auto pid = WineserverPid()) return WineRunningMessage(*pid);
  return {};
}

std::vector<RegistryFileInfo> WinePrefixTarget::RegistryFiles() const {
  std::vector<RegistryFileInfo> files;
  for (const auto* file : {system_.get(), user_.get(), userDefault_.get()}) {
    if (file != nullptr) files.push_back({file->File(), file->KeyCount()});
  }
  return files;
}

void WinePrefixTarget::Save() {
  std::vector<WineRegistryFile*> changed;
  for (auto* file : {system_.get(), user_.get(), userDefault_.get()}) {
    if (file != nullptr && file->Changed()) changed.push_back(file);
  }
  if (changed.empty()) return;
  // Checked again right before writing: Wine may have been started since the prefix opened.
  if (auto pid = WineserverPid()) throw RegistryError(WineRunningMessage(*pid));
  if (!openBlocker_.empty()) throw RegistryError(openBlocker_);
  for (auto* file : changed) {
    const auto now = StampOf(file->File());
    const auto& was = stamps_[file->File()];
    if (!now || now->first != was.size || now->second != was.time) {
      throw RegistryError(file->File().string() +
                          " was changed by another program (Wine?) since it was read; nothing "
                          "was saved. Scan again, then repair.");
    }
  }
  for (auto* file : changed) {
    try {
      file->Save(*writer_);
    } catch (const FileWriteError& e) {
      throw RegistryError(e.what());
    }
    if (const auto now = StampOf(file->File())) stamps_[file->File()] = {now->first, now->second};
  }
}

fs::path NormalizedPrefixFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (!path.has_filename() && path.has_parent_path()) path = path.parent_path();
  return path;
}

bool IsWinePrefix(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && fs::exists(folder / "system.reg", ec);
}

std::unique_ptr<WinePrefixTarget> OpenWinePrefix(const fs::path& prefix, Clock& clock,
                                                 WinePrefixOptions options) {
  std::error_code ec;
  const auto status = fs::status(prefix, ec);
  if (!fs::exists(status)) {
    throw TargetError("The Wine prefix " + prefix.string() + " does not exist.");
  }
  if (!fs::is_directory(status)) {
    throw TargetError("The Wine prefix " + prefix.string() + " is not a folder.");
  }
  if (!IsWinePrefix(prefix)) {
    throw TargetError(prefix.string() + " is not a Wine prefix: it has no system.reg.");
  }

  std::unique_ptr<WinePrefixTarget> target(new WinePrefixTarget());
  target->prefix_ = prefix;
  // Taken before reading: a write that lands while we read shows as a change at save time.
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    if (const auto stamp = StampOf(prefix / name)) {
      target->stamps_[prefix / name] = {stamp->first, stamp->second};
    }
  }
  target->system_ = LoadFile(prefix / "system.reg", clock);

  RegistryStore* user = nullptr;
  RegistryStore* userDefault = nullptr;
  std::string missingReason;
  const auto loadBranch = [&](const char* name, std::unique_ptr<WineRegistryFile>& file,
                              std::unique_ptr<MemoryStore>& stand, RegistryStore*& store) {
    const fs::path path = prefix / name;
    if (fs::exists(path, ec)) {
      file = LoadFile(path, clock);
      store = file.get();
      return;
    }
    const std::string why = path.string() +
                            " is missing; run Wine once in this prefix to create it. The prefix "
                            "is opened read-only.";
    if (missingReason.empty()) missingReason = why;
    target->warnings_.push_back(why);
    stand = std::make_unique<MissingBranchStore>(why);
    store = stand.get();
  };
  loadBranch("user.reg", target->user_, target->missingUser_, user);
  loadBranch("userdef.reg", target->userDefault_, target->missingUserDefault_, userDefault);

  target->userSid_ = UserSidOf(target->user_.get());
  target->roots_ =
      std::make_unique<StandardRoots>(*target->system_, user, userDefault, target->userSid_);
  target->profile_ = BuildWineProfile(*target->system_, user, target->userSid_);

  std::vector<FolderOverlay> overlays;
  if (options.overlays) {
    overlays = std::move(*options.overlays);
  } else {
    for (const auto& fonts : WineFontFolders()) {
      overlays.push_back({JoinPath(target->profile_.windowsDir, "Fonts"), fonts});
    }
  }
  target->files_ = std::make_unique<PrefixFileSystem>(prefix, std::move(overlays));
  target->ownShortcuts_ = std::make_unique<LnkShortcutReader>();
  target->shortcuts_ = target->ownShortcuts_.get();

  // Why the prefix must not be written, most pressing first. Every file gets the reason, so
  // that a write through any root is refused before it changes anything.
  if (auto pid = FindWineserverPid(prefix)) {
    target->openBlocker_ = WineRunningMessage(*pid);
    target->warnings_.push_back("Wine is running in this prefix (wineserver pid " +
                                std::to_string(*pid) +
                                "): changes Wine has not yet saved to its registry files are "
                                "not seen.");
  }
  for (const auto* file :
       {target->system_.get(), target->user_.get(), target->userDefault_.get()}) {
    if (file == nullptr || file->FullyUnderstood()) continue;
    std::string what =
        file->File().string() + " was not fully understood; the prefix is opened read-only:";
    for (const auto& problem : file->Problems())
      what += "\n  " + problem;
    target->warnings_.push_back(what);
    if (target->openBlocker_.empty()) {
      const auto problems = file->Problems();
      target->openBlocker_ = file->File().string() +
                             " was not fully understood, so the prefix is read-only" +
                             (problems.empty() ? std::string(".") : ": " + problems.front());
    }
  }
  if (target->openBlocker_.empty()) target->openBlocker_ = missingReason;
  if (!target->openBlocker_.empty()) {
    for (auto* file : {target->system_.get(), target->user_.get(), target->userDefault_.get()}) {
      if (file != nullptr) file->SetWriteBlocker(target->openBlocker_);
    }
  }
  return target;
}

}  // namespace ordrex
