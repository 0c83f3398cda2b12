#pragma once
// Restore points: a copy of the whole registry of a system taken before a change, so the
// change can be undone as one step. The calls and result codes are those of the Windows
// System Restore client; each setting implements them its own way (for a Wine prefix:
// snapshots of its registry files).

#include <cstdint>
#include <string>
#include <string_view>

namespace ordrex {

using RestoreCode = std::uint32_t;

// Result codes (Win32 error numbers) the calls give.
inline constexpr RestoreCode kRestoreSuccess = 0;
inline constexpr RestoreCode kRestoreAccessDenied = 5;
inline constexpr RestoreCode kRestoreBadEnvironment = 10;
inline constexpr RestoreCode kRestoreInvalidSequence = 13;
inline constexpr RestoreCode kRestorePendingRenames = 80;
inline constexpr RestoreCode kRestoreDiskFull = 112;
// The system is in use and its registry cannot be copied now (Wine runs in the prefix); the
// service's LastFailureReason says by whom.
inline constexpr RestoreCode kRestoreBusy = 170;
inline constexpr RestoreCode kRestoreDisabled = 1058;
inline constexpr RestoreCode kRestoreInternalError = 1359;
inline constexpr RestoreCode kRestoreTimeout = 1460;

// Longer names are cut to this many characters.
inline constexpr std::size_t kRestorePointNameLength = 128;

// "Call Successful.", "System Restore is disabled.", ... or the code in decimal.
std::string RestoreStatusText(RestoreCode code);

// What a failed call tells the user after "Error: ": the status text, or the reason when the
// code has no text of its own and the service gave one.
std::string RestoreFailureText(RestoreCode code, const std::string& reason);

class RestorePointService {
 public:
  virtual ~RestorePointService() = default;

  // Whether restore points can be made at all here.
  virtual bool SystemRestoreAvailable() = 0;
  // Begins a restore point named by (the first 128 characters of) `name`. `sequence` gets the
  // point's number whatever the outcome: after a failure, the number the point would have had.
  virtual RestoreCode SetRestorePoint(std::string_view name, std::int64_t& sequence) = 0;
  // Marks the point complete.
  virtual RestoreCode EndRestorePoint(std::int64_t sequence) = 0;
  // Cancels the point `sequence`, then removes the points below it one after the other,
  // downward, until a removal fails (the first failure ends it; it is not retried). Only this
  // program's points of this system are ever removed. Gives the result of the cancel.
  RestoreCode CancelRestorePoint(std::int64_t sequence);
  // Why the last call failed, in words; empty after a success.
  virtual std::string LastFailureReason() const = 0;

 protected:
  // Cancels a point that was begun and not ended.
  virtual RestoreCode CancelPoint(std::int64_t sequence) = 0;
  // Removes a point of this program, ended or not.
  virtual RestoreCode RemovePoint(std::int64_t sequence) = 0;
};

}  // namespace ordrex
