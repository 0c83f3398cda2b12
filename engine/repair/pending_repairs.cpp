#include <stdexcept>

#include "engine/categories.h"

// Placeholder until the repair actions land: every repair refuses loudly.
namespace ordrex {
#define ORDREX_PENDING_REPAIR(Name) \
  void Name::Repair(TBackupLines&) { throw std::logic_error(#Name " cannot repair yet"); }
ORDREX_PENDING_REPAIR(TRegIntegrityScan)
ORDREX_PENDING_REPAIR(TActiveXScan)
ORDREX_PENDING_REPAIR(TIScan)
ORDREX_PENDING_REPAIR(TExtScan)
ORDREX_PENDING_REPAIR(TOldSoftware)
ORDREX_PENDING_REPAIR(TApplicationScan)
ORDREX_PENDING_REPAIR(TAppPathScan)
ORDREX_PENDING_REPAIR(TFileAssociateScan)
ORDREX_PENDING_REPAIR(TMRUFiles)
ORDREX_PENDING_REPAIR(TDeviceDriverScan)
ORDREX_PENDING_REPAIR(TFontScan)
ORDREX_PENDING_REPAIR(THelpScan)
ORDREX_PENDING_REPAIR(TMicrosoftSharedScan)
ORDREX_PENDING_REPAIR(TStartupScan)
ORDREX_PENDING_REPAIR(TInstaller)
ORDREX_PENDING_REPAIR(TUninstallScan)
ORDREX_PENDING_REPAIR(TVxDScan)
ORDREX_PENDING_REPAIR(TPopupScan)
ORDREX_PENDING_REPAIR(THistScan)
ORDREX_PENDING_REPAIR(TStartmenuScan)
ORDREX_PENDING_REPAIR(TEventLog)
ORDREX_PENDING_REPAIR(TMSDOSScan)
ORDREX_PENDING_REPAIR(TWindowsScan)
}  // namespace ordrex
