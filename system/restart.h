#pragma once
// Restarting the system the program works on, as Windows does after a change that needs it.

#include <string>

namespace ordrex {

// What the user is told when a restart could not be requested.
inline constexpr const char* kRestartFailedText = "Restart failed. Please restart manually.";

class SystemRestart {
 public:
  virtual ~SystemRestart() = default;
  // Asks for the restart now, forcing programs that still run to end. False when it could not
  // be done; LastFailureReason then says why.
  virtual bool RequestRestart() = 0;
  virtual std::string LastFailureReason() const = 0;
};

}  // namespace ordrex
