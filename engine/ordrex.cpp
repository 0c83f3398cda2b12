#include "engine/ordrex.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "engine/rules/rules.h"
#include "platform/text.h"

namespace ordrex {

bool ReportDue(std::uint32_t lastTick, std::uint32_t now) {
  // A tick count that went back has wrapped around: report rather than stay silent for 49 days.
  return now < lastTick || now - lastTick > kReportIntervalMs - 1;
}

TOrdrex::TOrdrex(Target& target, Clock& clock)
    : target_(target),
      clock_(clock),
      paths_(target),
      RegIntegrity(*this),
      ActiveX(*this),
      AppPath(*this),
      DeviceDriver(*this),
      Font(*this),
      Help(*this),
      MicrosoftShared(*this),
      Startup(*this),
      Uninstall(*this),
      VxD(*this),
      MSDOS(*this),
      Windows(*this),
      FileAssociate(*this),
      Application(*this),
      Startmenu(*this),
      Installer(*this),
      OldSoftware(*this),
      MRUFiles(*this),
      EventLog(*this),
      Popup(*this),
      Interface(*this),
      Hist(*this),
      SystemExtensions(*this) {
  for (TCustomOrdrex* category : std::initializer_list<TCustomOrdrex*>{
           &RegIntegrity,  &ActiveX,     &AppPath,         &DeviceDriver,
           &Font,          &Help,        &MicrosoftShared, &Startup,
           &Uninstall,     &VxD,         &MSDOS,           &Windows,
           &FileAssociate, &Application, &Startmenu,       &Installer,
           &OldSoftware,   &MRUFiles,    &EventLog,        &Popup,
           &Interface,     &Hist,        &SystemExtensions}) {
    byIndex_.at(static_cast<std::size_t>(category->Index - 1)) = category;
  }
}

TOrdrex::~TOrdrex() = default;

TCustomOrdrex* TOrdrex::Category(int index) {
  if (index < 1 || index > static_cast<int>(byIndex_.size())) return nullptr;
  return byIndex_[static_cast<std::size_t>(index - 1)];
}

std::vector<TCustomOrdrex*> TOrdrex::Categories() {
  return std::vector<TCustomOrdrex*>(byIndex_.begin(), byIndex_.end());
}

void TOrdrex::Clear() {
  // The found locations are about to be freed: no problem may keep pointing at them, not even
  // one of a disabled category, whose problems stay.
  for (TCustomOrdrex* category : byIndex_)
    category->DropLinks();
  ErrorFiles.Clear();
  for (TCustomOrdrex* category : byIndex_) {
    if (category->Enabled) category->Clear();
  }
}

void TOrdrex::Stop(bool value) {
  Stopped = value;
  for (TCustomOrdrex* category : byIndex_) {
    if (category->Enabled) category->Cancelled = true;
  }
}

void TOrdrex::LinkAll() {
  for (TCustomOrdrex* category : byIndex_) {
    if (category->Enabled) category->LinkErrorFiles();
  }
}

void TOrdrex::RepairAll(TBackupLines& lines) {
  for (TCustomOrdrex* category : byIndex_) {
    if (category->Enabled) category->Repair(lines);
  }
}

void TOrdrex::AddProblem(TCustomOrdrex& category, RootHandle root, const std::string& reason,
                         const std::string& key, const std::string& value, const std::string& data,
                         const std::string& filePath, bool selected, bool missingFile) {
  // A key is listed either as stored (below its root) or as the problem lists show it, with
  // the root's name in front: users copy it from there.
  if (IsIgnored &&
      (IsIgnored(key, IgnoreScope::Key) || IsIgnored(RootKeyName(root) + key, IgnoreScope::Key) ||
       IsIgnored(value, IgnoreScope::Value) || IsIgnored(data, IgnoreScope::Data))) {
    return;
  }
  category.AddItem(root, key, value, data, reason, selected, missingFile);
  if (Observer != nullptr) Observer->CategoryCountChanged(category);
  if (missingFile) AddErrorFile(filePath);
  NotifyProblem();
}

void TOrdrex::AddErrorFile(std::string_view filePath) {
  const std::string name = UpperCase(BareFileName(filePath));
  if (!name.empty()) ErrorFiles.Add(name);
}

bool TOrdrex::RecordFoundLocation(std::string_view folder, std::string_view fileName) {
  const int index = ErrorFiles.IndexOf(UpperCase(fileName));
  if (index < 0) return false;
  ErrorFiles.Items(index).Locations.push_back(JoinPath(folder, fileName));
  return true;
}

std::vector<std::string> TOrdrex::EnumKey(TCustomOrdrex& category, TRegistry& reg,
                                          std::string_view path, bool keys) {
  std::vector<std::string> names;
  if (!category.Enabled) return names;
  LastTick = clock_.TickCount();
  if (OnProgress) OnProgress(0, 0);
  SetStatus(category, kStateScanning);
  // A key that cannot be opened leaves no key open, and so lists nothing.
  reg.OpenKey(path, false);
  names = keys ? reg.GetKeyNames() : reg.GetValueNames();
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  // Value walks read the values next, from the key left open.
  if (keys) reg.CloseKey();
  return names;
}

bool TOrdrex::StepProgress(int index, int count, RootHandle root, const std::string& text) {
  const bool wasStopped = Stopped;
  if (OnProgress) OnProgress(index + 1, count);
  ReportKey(root, text);
  return wasStopped;
}

void TOrdrex::ReportKey(RootHandle root, const std::string& text) {
  const std::uint32_t now = clock_.TickCount();
  if (!ReportDue(LastTick, now)) return;
  LastTick = now;
  if (OnStatus) OnStatus(RootKeyName(root) + text);
}

bool TOrdrex::PutStatus(TCustomOrdrex& category, const std::string& text) {
  if (!category.Listed || category.StatusText == text) return false;
  category.StatusText = text;
  if (Observer != nullptr) Observer->CategoryStatusChanged(category);
  return true;
}

void TOrdrex::SetStatus(TCustomOrdrex& category, const std::string& text) {
  // Only a visible change is worth the user's wait; the same state set again (a rule and the
  // schedule may both set it) costs nothing.
  const bool changed = category.Enabled && PutStatus(category, text);
  if (Observer != nullptr) {
    Observer->PumpMessages();
    if (changed) Observer->PauseAfterStateChange(category);
  }
}

void TOrdrex::NotifyProblem() {
  if (OnProblem) OnProblem(*this);
}

void TOrdrex::FinishAll() {
  if (OnStatus) OnStatus("");
  for (TCustomOrdrex* category : byIndex_) {
    if (category->Enabled) PutStatus(*category, kStateFinished);
  }
}

void TOrdrex::ResetStates() {
  for (TCustomOrdrex* category : byIndex_) {
    PutStatus(*category, category->Enabled ? kStateWaiting : kStateSkipped);
  }
}

void TOrdrex::Scan() {
  EndedEarly.clear();
  // What the file system remembers from before (folder listings) may be out of date by now;
  // within the scan it is kept, so each folder is read once.
  target_.Files().DropCache();
  ResetStates();
  paths_.BeginScan();
  try {
    if (!RunSchedule()) EndedEarly = kEndedByUser;
  } catch (const std::exception& error) {
    const std::string message = error.what();
    EndedEarly =
        kEndedByErrorPrefix + (message.empty() ? std::string("an unexpected error") : message);
  } catch (...) {
    EndedEarly = std::string(kEndedByErrorPrefix) + "an unexpected error";
  }
  // Repairs come next and change files: from here on every test asks the disk again.
  paths_.EndScan();
  FinishAll();
}

}  // namespace ordrex
