#include "app/session/restore_point_flows.h"

#include <system_error>

#include "engine/registry.h"
#include "platform/atomic_file.h"

namespace ordrex {

namespace {

void Call(const std::function<void(const std::string&)>& event, const std::string& text) {
  if (event) event(text);
}

void Pump(const RestorePointEvents& events) {
  if (events.Pump) events.Pump();
}

}  // namespace

std::string RestoreErrorText(RestoreCode code, const std::string& reason) {
  return "Error: " + RestoreFailureText(code, reason);
}

void RememberRestorePoint(SettingsStore& settings, std::int64_t sequence, bool ended) {
  TRegistry reg(settings.Roots(), kCurrentUser);
  if (!reg.OpenKey(kSettingsKey, false)) return;
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(sequence));
  reg.WriteInteger(kRestorePointName, ended ? static_cast<std::int32_t>(low) : 0);
  settings.Save();
}

RestorePointFlows::RestorePointFlows(RestorePointService& service, SettingsStore& settings,
                                     std::filesystem::path marker)
    : service_(service), settings_(settings), marker_(std::move(marker)) {}

bool RestorePointFlows::CleanOffered() const {
  std::error_code ec;
  return std::filesystem::exists(marker_, ec);
}

RestoreCode RestorePointFlows::Create(std::string_view name, const RestorePointEvents& events) {
  std::int64_t sequence = 0;
  const RestoreCode begun = service_.SetRestorePoint(name, sequence);
  if (begun != kRestoreSuccess) {
    const std::string text = RestoreErrorText(begun, service_.LastFailureReason());
    Call(events.Status, text);
    Call(events.Inform, text);
    return begun;
  }
  Call(events.Status, kCreatingRestorePointText);
  // A small file is enough to say that there is something to clean.
  try {
    AtomicFileWriter writer;
    writer.WriteAtomically(marker_, std::to_string(sequence) + "\n");
  } catch (const std::exception& e) {
    Call(events.Warn, e.what());
  }
  Pump(events);
  std::string status = kRestorePointCreatedText;
  Call(events.Status, status);
  const RestoreCode ended = service_.EndRestorePoint(sequence);
  if (ended != kRestoreSuccess) {
    status = RestoreErrorText(ended, service_.LastFailureReason());
    Call(events.Status, status);
  }
  Call(events.Inform, status);
  try {
    RememberRestorePoint(settings_, sequence, ended == kRestoreSuccess);
  } catch (const std::exception& e) {
    Call(events.Warn, std::string("the settings could not be saved: ") + e.what());
  }
  return ended;
}

bool RestorePointFlows::Clean(const RestorePointEvents& events) {
  Call(events.Status, kCleaningRestoreText);
  Pump(events);
  // A fresh point gives the number to count down from; whether it could be made does not
  // matter, the number is handed back all the same.
  std::int64_t sequence = 0;
  service_.SetRestorePoint("Cleaning restore points", sequence);
  service_.CancelRestorePoint(sequence);
  Call(events.Status, kRestorePointDeletedText);
  std::error_code ec;
  std::filesystem::remove(marker_, ec);
  return events.AskRestart && events.AskRestart(kRestorePointDeletedText);
}

}  // namespace ordrex
