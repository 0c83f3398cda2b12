#pragma once
// The 23 scan categories. Each owns the problems found in its section of the registry (or on
// disk) and knows how to repair them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/records.h"
#include "engine/registry.h"

namespace ordrex {

class TOrdrex;

// The lines of one run's .reg backup, shared by every category's repair.
using TBackupLines = std::vector<std::string>;

// Which field of a problem names its missing file when found locations are linked.
enum class LinkMode { Data, Value, None };

class TCustomOrdrex {
 public:
  explicit TCustomOrdrex(TOrdrex& owner) : owner_(owner) {}
  virtual ~TCustomOrdrex() = default;
  TCustomOrdrex(const TCustomOrdrex&) = delete;
  TCustomOrdrex& operator=(const TCustomOrdrex&) = delete;

  bool Cancelled = false;
  std::uint8_t CategoryId = 0;
  int Severity = -1;
  std::string Title;
  std::string RootText;
  bool Enabled = true;
  // Of the last repair: problems changed as intended, and problems whose repair failed (each
  // left as it was).
  int RepairedCount = 0;
  int RepairFailures = 0;
  // The caption of its row in the progress list ("Application Paths" for "Application Path").
  std::string ListCaption;
  // Whether the category has rows in the lists at all (System Extensions never has, VxD
  // Integrity not on the NT family). A category without rows shows no state.
  bool Listed = true;
  // What the status column of its progress row shows ("Waiting", "Scanning", ...).
  std::string StatusText;
  LinkMode Mode = LinkMode::Data;
  // Scan index 1..23: the position in the lists and the order of clear, link and repair.
  int Index = 0;

  virtual int Count() const { return static_cast<int>(items_.size()); }
  virtual void Clear();
  virtual void Repair(TBackupLines& lines) = 0;
  virtual void LinkErrorFiles();

  TFixingList& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  const TFixingList& Items(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
  const std::vector<std::unique_ptr<TFixingList>>& Problems() const { return items_; }
  std::string SeverityText() const;
  TFixingList& AddItem(RootHandle root, std::string key, std::string value, std::string data,
                       std::string reason, bool selected, bool missingFile);
  // Forgets every borrowed list of found locations (they are about to be freed).
  void DropLinks();

  TOrdrex& Owner() const { return owner_; }

 protected:
  // Sets the table data of a category; called by each constructor.
  void Define(int index, std::uint8_t id, const char* title, std::string rootText, int severity,
              const char* listCaption, LinkMode mode);

 private:
  TOrdrex& owner_;
  std::vector<std::unique_ptr<TFixingList>> items_;
};

std::string SeverityTextOf(int severity);

#define ORDREX_CATEGORY(Name)                  \
  class Name : public TCustomOrdrex {          \
   public:                                     \
    explicit Name(TOrdrex& owner);             \
    void Repair(TBackupLines& lines) override; \
  };

ORDREX_CATEGORY(TRegIntegrityScan)
ORDREX_CATEGORY(TActiveXScan)
ORDREX_CATEGORY(TIScan)
ORDREX_CATEGORY(TExtScan)
ORDREX_CATEGORY(TOldSoftware)
ORDREX_CATEGORY(TApplicationScan)
ORDREX_CATEGORY(TAppPathScan)
ORDREX_CATEGORY(TFileAssociateScan)
ORDREX_CATEGORY(TMRUFiles)
ORDREX_CATEGORY(TDeviceDriverScan)
ORDREX_CATEGORY(TFontScan)
ORDREX_CATEGORY(THelpScan)
ORDREX_CATEGORY(TMicrosoftSharedScan)
ORDREX_CATEGORY(TStartupScan)
ORDREX_CATEGORY(TInstaller)
ORDREX_CATEGORY(TUninstallScan)
ORDREX_CATEGORY(TVxDScan)
ORDREX_CATEGORY(TPopupScan)
ORDREX_CATEGORY(THistScan)
#undef ORDREX_CATEGORY

class TStartmenuScan : public TCustomOrdrex {
 public:
  explicit TStartmenuScan(TOrdrex& owner);
  void Repair(TBackupLines& lines) override;
  // "\Software\...\MenuOrder\Start Menu2\" when that key exists, else "...\Start Menu\".
  std::string BaseKey;
  TRegistry Registry;
};

class TEventLog : public TCustomOrdrex {
 public:
  explicit TEventLog(TOrdrex& owner);
  void Repair(TBackupLines& lines) override;
  TRegistry Registry;  // root HKEY_LOCAL_MACHINE
};

class TMSDOSScan : public TCustomOrdrex {
 public:
  explicit TMSDOSScan(TOrdrex& owner);
  void Repair(TBackupLines& lines) override;
  bool ScanWholeDrive = false;
};

class TWindowsScan : public TCustomOrdrex {
 public:
  explicit TWindowsScan(TOrdrex& owner);
  void Repair(TBackupLines& lines) override;
  bool ScanWholeDrive = false;
};

}  // namespace ordrex
