#pragma once
// Time as the program sees it. Everything that stamps, names or throttles by time takes a
// Clock, so tests can set the time and step the tick count.

#include <chrono>
#include <cstdint>

namespace ordrex {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::system_clock::time_point Now() const = 0;
  // Milliseconds since some start, wrapping at 2^32 like GetTickCount.
  virtual std::uint32_t TickCount() const = 0;
};

class SystemClock : public Clock {
 public:
  std::chrono::system_clock::time_point Now() const override;
  std::uint32_t TickCount() const override;
  static SystemClock& Instance();
};

// A clock that moves only when told to.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::chrono::system_clock::time_point now = {}) : now_(now) {}
  std::chrono::system_clock::time_point Now() const override { return now_; }
  std::uint32_t TickCount() const override { return tick_; }
  void SetNow(std::chrono::system_clock::time_point now) { now_ = now; }
  void SetTick(std::uint32_t tick) { tick_ = tick; }
  void AdvanceTick(std::uint32_t ms) { tick_ += ms; }

 private:
  std::chrono::system_clock::time_point now_;
  std::uint32_t tick_ = 0;
};

}  // namespace ordrex
