#include "engine/categories.h"

#include "engine/ordrex.h"
#include "platform/text.h"

namespace ordrex {

namespace {

constexpr int kHigh = 0;
constexpr int kMedium = 1;
constexpr int kLow = 2;
constexpr int kNoSeverity = -1;

constexpr const char* kStartMenu2Key =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2";
constexpr const char* kStartMenuKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\";

}  // namespace

std::string SeverityTextOf(int severity) {
  switch (severity) {
    case kHigh:
      return "High";
    case kMedium:
      return "Medium";
    case kLow:
      return "Low";
    default:
      return "???";
  }
}

std::string TCustomOrdrex::SeverityText() const {
  return SeverityTextOf(Severity);
}

void TCustomOrdrex::Clear() {
  while (!items_.empty())
    items_.pop_back();
  Cancelled = false;
}

TFixingList& TCustomOrdrex::AddItem(RootHandle root, std::string key, std::string value,
                                    std::string data, std::string reason, bool selected,
                                    bool missingFile) {
  items_.push_back(std::make_unique<TFixingList>(root, std::move(key), std::move(value),
                                                 std::move(data), std::move(reason), selected,
                                                 missingFile));
  return *items_.back();
}

void TCustomOrdrex::DropLinks() {
  for (auto& item : items_)
    item->Solutions = nullptr;
}

void TCustomOrdrex::LinkErrorFiles() {
  Cancelled = false;
  TErrorFiles& files = owner_.ErrorFiles;
  for (auto& item : items_) {
    // A link from an earlier search may point at a list that no longer matches (or no longer
    // exists); only what this lookup finds may stay.
    item->Solutions = nullptr;
    if (!item->MissingFile) continue;
    // Where only part of the data was tested, that part names the file.
    std::string_view source;
    if (!item->MissingPath.empty()) {
      source = item->MissingPath;
    } else if (Mode == LinkMode::Data) {
      source = item->Data;
    } else if (Mode == LinkMode::Value) {
      source = item->Value;
    }
    const std::string name = UpperCase(BareFileName(source));
    if (name.empty()) continue;
    const int index = files.IndexOf(name);
    if (index >= 0) item->Solutions = &files.Items(index).Locations;
  }
}

void TCustomOrdrex::Define(int index, std::uint8_t id, const char* title, std::string rootText,
                           int severity, const char* listCaption, LinkMode mode) {
  Index = index;
  CategoryId = id;
  Title = title;
  RootText = std::move(rootText);
  Severity = severity;
  ListCaption = listCaption;
  Mode = mode;
}

TRegIntegrityScan::TRegIntegrityScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(1, 1, "Registry Integrity", "HKEY_CLASSES_ROOT\\CLSID\\", kHigh, "Registry Integrity",
         LinkMode::Data);
}

TActiveXScan::TActiveXScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(2, 2, "ActiveX/COM", "HKEY_CLASSES_ROOT\\TypeLib\\", kHigh, "ActiveX/COM", LinkMode::Data);
}

TIScan::TIScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(3, 3, "Interface", "HKEY_CLASSES_ROOT\\Interface\\", kHigh, "Interface", LinkMode::Data);
}

TExtScan::TExtScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(4, 4, "System Extensions",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32\\", kHigh,
         "System Extensions", LinkMode::Data);
  // It has no rule and never takes part: no row in the lists, never enabled at start.
  Listed = false;
  Enabled = false;
}

TOldSoftware::TOldSoftware(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(5, 5, "Old Software", "HKEY_LOCAL_MACHINE\\SOFTWARE\\", kLow, "Old Software",
         LinkMode::Data);
}

TApplicationScan::TApplicationScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(6, 6, "Open With Application", "", kMedium, "Application", LinkMode::Data);
}

TAppPathScan::TAppPathScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(7, 7, "Application Path",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\", kMedium,
         "Application Paths", LinkMode::Data);
}

TFileAssociateScan::TFileAssociateScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(8, 8, "File Associations", "HKEY_CLASSES_ROOT", kHigh, "File Associate", LinkMode::Data);
}

TMRUFiles::TMRUFiles(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(9, 9, "MRU Files",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\", kLow,
         "MRU Files", LinkMode::Data);
}

TDeviceDriverScan::TDeviceDriverScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  const bool nt = owner.Known().IsNT;
  // The 9x list of installed files names each file by its value name.
  Define(10, 10, "Device Driver",
         std::string("HKEY_LOCAL_MACHINE") +
             (nt ? "\\SYSTEM\\CurrentControlSet\\Services\\"
                 : "\\System\\CurrentControlSet\\Control\\InstalledFiles\\"),
         kHigh, "Device Drivers", nt ? LinkMode::Data : LinkMode::Value);
}

TFontScan::TFontScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(11, 11, "Windows Font",
         std::string("HKEY_LOCAL_MACHINE") +
             (owner.Known().IsNT ? "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\\"
                                 : "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts\\"),
         kLow, "Windows Fonts", LinkMode::Data);
}

THelpScan::THelpScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(12, 12, "Help Files", "HKEY_LOCAL_MACHINE", kMedium, "Help Files", LinkMode::Value);
}

TMicrosoftSharedScan::TMicrosoftSharedScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(13, 13, "Microsoft Shared",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs\\", kMedium,
         "Microsoft Shared", LinkMode::Value);
}

TStartupScan::TStartupScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  // Linked by the entry's name, not its data: a program started at every logon must never be
  // pointed at some other program that merely shares the missing one's file name. A Run entry
  // named after its program ("agent.exe") still finds a copy; one named by a label is deleted.
  Define(14, 14, "Windows Startup",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", kMedium,
         "Windows Startup", LinkMode::Value);
}

TInstaller::TInstaller(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(15, 16, "Installer",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\\",
         kMedium, "Installer", LinkMode::Value);
}

TUninstallScan::TUninstallScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(16, 15, "Uninstall Section",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\", kMedium,
         "Uninstall Section", LinkMode::Data);
}

TStartmenuScan::TStartmenuScan(TOrdrex& owner)
    : TCustomOrdrex(owner), Registry(owner.GetTarget(), kCurrentUser) {
  BaseKey = Registry.KeyExists(kStartMenu2Key) ? std::string(kStartMenu2Key) + "\\"
                                               : std::string(kStartMenuKey);
  Define(17, 17, "Start Menu", "HKEY_CURRENT_USER" + BaseKey, kMedium, "Start Menu",
         LinkMode::Data);
}

TEventLog::TEventLog(TOrdrex& owner)
    : TCustomOrdrex(owner), Registry(owner.GetTarget(), kLocalMachine) {
  Define(18, 18, "System Event Log",
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Eventlog", kHigh,
         "System Event Log", LinkMode::Data);
}

TPopupScan::TPopupScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(19, 19, "Context Menu", "HKEY_CLASSES_ROOT", kHigh, "Context Menu", LinkMode::Data);
}

TVxDScan::TVxDScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(20, 20, "VxD Integrity", "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\VxD\\",
         kNoSeverity, "Vxd Sections", LinkMode::Data);
  // Virtual device drivers exist only on the 9x family.
  if (owner.Known().IsNT) {
    Listed = false;
    Enabled = false;
  }
}

THistScan::THistScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(21, 21, "History List",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs\\",
         kLow, "History List", LinkMode::Data);
}

TMSDOSScan::TMSDOSScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(22, 22, "MS-DOS Shortcut", "", kMedium, "MS-DOS Shortcut", LinkMode::Data);
}

TWindowsScan::TWindowsScan(TOrdrex& owner) : TCustomOrdrex(owner) {
  Define(23, 23, "Windows Shortcut", "", kMedium, "Windows Shortcut", LinkMode::Data);
}

}  // namespace ordrex
