#include "system/restore_points.h"

namespace ordrex {

std::string RestoreStatusText(RestoreCode code) {
  switch (code) {
    case kRestoreSuccess:
      return "Call Successful.";
    case kRestoreBadEnvironment:
      return "The function was called in safe mode.";
    case kRestoreInvalidSequence:
      return "The sequence number is invalid.";
    case kRestorePendingRenames:
      return "Pending file rename operations exist.";
    case kRestoreDiskFull:
      return "System Restore is in Standby Mode because disk space is low.";
    case kRestoreDisabled:
      return "System Restore is disabled.";
    case kRestoreInternalError:
      return "An internal error occurred.";
    case kRestoreTimeout:
      return "The call timed out.";
    default:
      return std::to_string(code);
  }
}

std::string RestoreFailureText(RestoreCode code, const std::string& reason) {
  // Only a refusal the codes above cannot name is worded by the service; a bare number would
  // leave the user guessing why Wine must be closed first.
  if (code == kRestoreBusy && !reason.empty()) return reason;
  return RestoreStatusText(code);
}

RestoreCode RestorePointService::CancelRestorePoint(std::int64_t sequence) {
  const RestoreCode cancelled = CancelPoint(sequence);
  for (std::int64_t below = sequence - 1; below > 0; --below) {
    if (RemovePoint(below) != kRestoreSuccess) break;
  }
  return cancelled;
}

}  // namespace ordrex
