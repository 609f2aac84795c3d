#pragma once

#include <ctime>

namespace kelvarion {

struct ClockReading {
  std::time_t seconds = 0;  // since the epoch, UTC
  int milliseconds = 0;     // 0..999
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual ClockReading Now() = 0;
};

}  // namespace kelvarion
