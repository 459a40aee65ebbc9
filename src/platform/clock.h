#pragma once
// The local wall clock for dates in logs, a monotonic clock for every wait, a way to sleep, and the
// user's way of writing dates and times.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace brisvane {

class IClock {
 public:
  virtual ~IClock() = default;
  // The current local date and time, to the whole second. It can jump (daylight saving, a time sync):
  // only for showing, never for measuring.
  virtual std::chrono::local_seconds Now() = 0;
  // Time since some fixed moment, never going back; what waits are measured with.
  virtual std::chrono::milliseconds Elapsed() = 0;
  virtual void Sleep(unsigned milliseconds) = 0;

  // The date in the user's short format and the time in the user's long format (with seconds). Without
  // regional settings to follow: 2024-03-07 and 09:05:01.
  virtual std::string ShortDate(std::chrono::local_seconds when) {
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(when)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
  }
  virtual std::string LongTime(std::chrono::local_seconds when) {
    const std::chrono::hh_mm_ss time{when - std::chrono::floor<std::chrono::days>(when)};
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return text;
  }
};

// The clock of the machine the program runs on.
std::unique_ptr<IClock> MakeSystemClock();

}  // namespace brisvane
