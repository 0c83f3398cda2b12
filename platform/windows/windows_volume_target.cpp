#include "platform/windows/windows_volume_target.h"

#include <random>

#include "platform/hive/hive_store.h"
#include "platform/lnk_shortcut_reader.h"
#include "platform/registry_profile.h"
#include "platform/text.h"
#include "platform/windows/volume_safety.h"
#include "platform/wine/prefix_file_system.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kConfigFolder = {"Windows", "System32", "config"};

std::unique_ptr<HiveStore> OpenHive(const fs::path& config, std::string_view name,
                                    const fs::path& volume) {
  const auto file = FindOnVolume(config, {std::string(name)});
  if (!file) {
    throw TargetError((config / name).string() + " is missing, so " + volume.string() +
                      " is not a usable Windows volume.");
  }
  return HiveStore::Open(*file, true);
}

// The control set Windows boots with: Select\Current names ControlSet00<n>.
std::string CurrentControlSet(const HiveStore& system, std::vector<std::string>& warnings) {
  const auto current = system.QueryValue("Select", "Current");
  if (current && current->type == kRegDword && current->data.size() == 4) {
    const std::uint32_t number = current->data[0] | current->data[1] << 8 | current->data[2] << 16 |
                                 static_cast<std::uint32_t>(current->data[3]) << 24;
    std::string name = std::to_string(number);
    if (name.size() < 3) name.insert(0, 3 - name.size(), '0');
    name = "ControlSet" + name;
    if (system.KeyExists(name)) return name;
  }
  warnings.push_back(system.File().string() +
                     ": Select\\Current names no control set; ControlSet001 is used.");
  return "ControlSet001";
}

void RemoveQuietly(const fs::path& file) {
  std::error_code ignored;
  fs::remove(file, ignored);
}

}  // namespace

WindowsVolumeTarget::WindowsVolumeTarget() = default;
WindowsVolumeTarget::~WindowsVolumeTarget() = default;

FileSystem& WindowsVolumeTarget::Files() {
  return *files_;
}

std::vector<HiveStore*> WindowsVolumeTarget::OwnHives() const {
  std::vector<HiveStore*> hives;
  for (const auto* hive : {&software_, &system_, &userDefault_, &userHive_, &classes_}) {
    if (*hive) hives.push_back(hive->get());
  }
  return hives;
}

std::vector<const HiveStore*> WindowsVolumeTarget::Hives() const {
  const auto own = OwnHives();
  return {own.begin(), own.end()};
}

VolumeWriteState WindowsVolumeTarget::WriteState() const {
  VolumeWriteState state;
  state.hibernation = HibernationBlocker(volume_);
  std::vector<fs::path> folders;
  for (const HiveStore* hive : OwnHives())
    folders.push_back(hive->File().parent_path());
  state.readOnly = ReadOnlyBlocker(volume_, folders);
  for (const HiveStore* hive : OwnHives()) {
    if (std::string why = hive->DirtyReason(); !why.empty()) state.dirtyHives.push_back(why);
  }
  return state;
}

std::string WindowsVolumeTarget::WriteBlocker() const {
  VolumeWriteState state = WriteState();
  if (!state.hibernation.empty()) return state.hibernation;
  if (!state.readOnly.empty()) return state.readOnly;
  if (!state.dirtyHives.empty()) {
    return state.dirtyHives.front() + "; boot Windows and shut it down fully, then try again.";
  }
  return {};
}

void WindowsVolumeTarget::Save() {
  std::vector<HiveStore*> changed;
  for (HiveStore* hive : OwnHives()) {
    if (hive->Changed()) changed.push_back(hive);
  }
  if (changed.empty()) return;
  if (std::string why = WriteBlocker(); !why.empty()) throw RegistryError(why);

  // Every hive is written in full before any replaces its original, so that a failure (a full
  // disk) leaves the volume's registry as it was rather than half repaired.
  std::random_device random;
  std::vector<fs::path> temps;
  try {
    for (HiveStore* hive : changed) {
      fs::path temp = hive->File().parent_path() / (".ordrex-" + hive->File().filename().string() +
                                                    "-" + std::to_string(random()) + ".tmp");
      temps.push_back(temp);
      hive->CommitTo(temp);
      // libhivex creates the file with default permissions; the hive keeps its own.
      std::error_code ignored;
      fs::permissions(temp, fs::status(hive->File(), ignored).permissions(), ignored);
    }
  } catch (...) {
    for (const fs::path& temp : temps)
      RemoveQuietly(temp);
    throw;
  }
  for (std::size_t i = 0; i < changed.size(); ++i) {
    std::error_code ec;
    fs::rename(temps[i], changed[i]->File(), ec);
    if (ec) {
      for (std::size_t j = i; j < temps.size(); ++j)
        RemoveQuietly(temps[j]);
      std::string message =
          changed[i]->File().string() + " could not be replaced (" + ec.message() + ")";
      message += i == 0 ? "; nothing was changed."
                        : "; the hives before it were written, the others were not.";
      throw RegistryError(message);
    }
    changed[i]->MarkSaved();
  }
}

std::unique_ptr<WindowsVolumeTarget> OpenWindowsVolume(const fs::path& volume,
                                                       const std::string& user, Clock& clock) {
  (void)clock;  // hives carry their own times; nothing here stamps anything
  std::error_code ec;
  const auto status = fs::status(volume, ec);
  if (!fs::exists(status)) {
    throw TargetError("The Windows volume " + volume.string() + " does not exist.");
  }
  if (!fs::is_directory(status)) {
    throw TargetError("The Windows volume " + volume.string() + " is not a folder.");
  }
  const auto config = FindOnVolume(volume, kConfigFolder);
  if (!config) {
    throw TargetError(volume.string() +
                      " is not a Windows volume: it has no Windows\\System32\\config folder.");
  }

  std::unique_ptr<WindowsVolumeTarget> target(new WindowsVolumeTarget());
  WindowsVolumeTarget& t = *target;
  t.volume_ = volume;
  t.software_ = OpenHive(*config, "SOFTWARE", volume);
  t.system_ = OpenHive(*config, "SYSTEM", volume);
  if (FindOnVolume(*config, {"DEFAULT"})) {
    t.userDefault_ = OpenHive(*config, "DEFAULT", volume);
  } else {
    t.warnings_.push_back((*config / "DEFAULT").string() +
                          " is missing: HKEY_USERS\\.DEFAULT is left out.");
  }

  t.systemView_ = std::make_unique<GraftStore>(*t.system_);
  t.systemView_->Graft("CurrentControlSet", *t.system_, CurrentControlSet(*t.system_, t.warnings_));
  t.machine_.Mount("SOFTWARE", *t.software_);
  t.machine_.Mount("SYSTEM", *t.systemView_);

  t.profiles_ = FindVolumeProfiles(volume, *t.software_);
  t.user_ = ChooseVolumeProfile(t.profiles_, user, volume);
  t.userHive_ = HiveStore::Open(t.user_.userHive, true);
  t.userView_ = std::make_unique<GraftStore>(*t.userHive_);
  if (!t.user_.classesHive.empty()) {
    t.classes_ = HiveStore::Open(t.user_.classesHive, true);
    t.userView_->Graft("Software\\Classes", *t.classes_, "");
  } else {
    t.warnings_.push_back(t.user_.name +
                          "'s UsrClass.dat was not found: HKEY_CLASSES_ROOT shows the machine's "
                          "classes only.");
  }
  const std::string sid = t.user_.sid.empty() ? t.user_.name : t.user_.sid;
  t.roots_ =
      std::make_unique<StandardRoots>(t.machine_, t.userView_.get(), t.userDefault_.get(), sid);
  t.profile_ = BuildRegistryProfile(t.machine_, t.userView_.get(), sid,
                                    RegistryWindowsVersion(t.machine_).value_or(OsVersion{}));

  // The volume is the drive Windows was started from.
  DriveInfo drive;
  const std::string& windowsDir = t.profile_.windowsDir;
  if (windowsDir.size() >= 2 && windowsDir[1] == ':')
    drive.letter = UpperCase(windowsDir.substr(0, 1))[0];
  drive.hostPath = volume;
  drive.fixed = true;
  t.files_ = std::make_unique<PrefixFileSystem>(std::vector<DriveInfo>{drive});
  t.ownShortcuts_ = std::make_unique<LnkShortcutReader>();
  t.shortcuts_ = t.ownShortcuts_.get();

  for (const HiveStore* hive : t.OwnHives()) {
    if (std::string warning = hive->DirtyWarning(); !warning.empty()) {
      t.warnings_.push_back(std::move(warning));
    }
  }
  return target;
}

}  // namespace ordrex
