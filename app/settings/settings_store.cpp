#include "app/settings/settings_store.h"

#include <system_error>

namespace ordrex {

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

std::unique_ptr<SettingsStore> SettingsStore::Open(const UserPaths& paths) {
  std::unique_ptr<SettingsStore> store(new SettingsStore(paths.SettingsFile()));
  store->Load();
  return store;
}

std::unique_ptr<SettingsStore> SettingsStore::InMemory() {
  return std::unique_ptr<SettingsStore>(new SettingsStore({}));
}

void SettingsStore::Load() {
  // Reading and writing the .reg text comes with the project's .reg reader and writer.
}

void SettingsStore::Save() {
  if (file_.empty()) return;
}

}  // namespace ordrex
