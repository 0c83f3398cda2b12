#include "app/settings/settings_store.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "backup/backup_file.h"
#include "backup/reg_apply.h"
#include "backup/reg_reader.h"
#include "backup/reg_writer.h"
#include "platform/damaged_file.h"
#include "platform/text.h"

namespace ordrex {

namespace {

// Settings files are a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kMaxSettingsFileSize = 16u * 1024u * 1024u;

bool BelongsToSettings(const RegOperation& op) {
  if (op.root != kCurrentUser) return false;
  return SameText(op.path, kSettingsStorePath) ||
         StartsWithText(op.path, std::string(kSettingsStorePath) + "\\");
}

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

std::unique_ptr<SettingsStore> SettingsStore::Open(const UserPaths& paths, FileWriter* writer) {
  std::unique_ptr<SettingsStore> store(new SettingsStore(paths.SettingsFile()));
  if (writer != nullptr) store->writer_ = writer;
  store->Load();
  return store;
}

std::unique_ptr<SettingsStore> SettingsStore::InMemory() {
  return std::unique_ptr<SettingsStore>(new SettingsStore({}));
}

void SettingsStore::Load() {
  std::error_code ec;
  const auto status = std::filesystem::status(file_, ec);
  if (!std::filesystem::exists(status)) return;  // first start

  if (std::filesystem::is_regular_file(status) &&
      std::filesystem::file_size(file_, ec) > kMaxSettingsFileSize) {
    SetAside("the file is far too large to be a settings file");
    return;
  }
  std::string bytes;
  std::string unreadable;
  if (!std::filesystem::is_regular_file(status)) {
    unreadable = "it is not a regular file";
  } else if (std::ifstream in(file_, std::ios::binary); !in) {
    unreadable = "it cannot be opened";
  } else {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) unreadable = "reading it failed";
  }
  if (!unreadable.empty()) {
    // Not known to be damaged, so it must not be replaced either: saving stays refused.
    saveBlocker_ = "The settings file " + QuotedFileName(file_) + " could not be read (" +
                   unreadable + "); the settings are not saved over it.";
    warnings_.push_back("The settings file " + QuotedFileName(file_) + " could not be read (" +
                        unreadable + "). The program goes on with the default settings.");
    return;
  }

  try {
    const RegDocument document = ParseRegFile(bytes);
    for (const RegOperation& op : document.operations) {
      if (!BelongsToSettings(op)) {
        throw RegFileError(op.line, "only keys below HKEY_CURRENT_USER\\" +
                                        std::string(kSettingsStorePath) +
                                        " belong in the settings file");
      }
    }
    ApplyRegDocument(document, roots_);
  } catch (const RegFileError& e) {
    SetAside("line " + std::to_string(e.Line()) + ": " + e.Reason());
  } catch (const RegistryError& e) {
    SetAside(e.what());
  }
}

void SettingsStore::SetAside(const std::string& fault) {
  // Whatever was applied before the fault goes too: half a settings file is worse than none.
  for (const std::string& name : store_.SubkeyNames(""))
    store_.DeleteKey(name);
  std::string text = "The settings file " + QuotedFileName(file_) + " is damaged (" + fault +
                     "). The program goes on with the default settings";
  if (const auto kept = KeepDamagedFile(file_)) {
    text += "; the damaged file was kept as " + QuotedFileName(*kept) + ".";
  } else {
    text += "; the damaged file could not be renamed and is left as it is.";
    saveBlocker_ = "The damaged settings file " + QuotedFileName(file_) +
                   " could not be set aside; the settings are not saved over it.";
  }
  warnings_.push_back(std::move(text));
}

void SettingsStore::Save() {
  if (file_.empty()) return;
  if (!saveBlocker_.empty()) throw std::runtime_error(saveBlocker_);
  std::error_code ec;
  std::filesystem::create_directories(file_.parent_path(), ec);
  if (ec) {
    throw FileWriteError("Cannot create the folder " + QuotedFileName(file_.parent_path()) + ": " +
                         ec.message());
  }
  TBackupLines lines{BackupHeader(true)};
  ExportRegistryKey(roots_, kCurrentUser, kSettingsStorePath, lines);
  const Bytes bytes = EncodeBackupFile(lines);
  writer_->WriteAtomically(
      file_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace ordrex
