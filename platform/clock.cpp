#include "platform/clock.h"

namespace ordrex {

std::chrono::system_clock::time_point SystemClock::Now() const {
  return std::chrono::system_clock::now();
}

std::uint32_t SystemClock::TickCount() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

SystemClock& SystemClock::Instance() {
  static SystemClock clock;
  return clock;
}

}  // namespace ordrex
