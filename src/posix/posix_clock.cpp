#include <time.h>

#include <cerrno>

#include "platform/clock.h"

namespace brisvane {
namespace {

// Dates and times in the fixed form of the base class.
class PosixClock final : public IClock {
 public:
  std::chrono::local_seconds Now() override {
    const time_t now = ::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    const std::chrono::local_days day{std::chrono::year{local.tm_year + 1900} /
                                      std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)} /
                                      std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
    return day + std::chrono::hours{local.tm_hour} + std::chrono::minutes{local.tm_min} +
           std::chrono::seconds{local.tm_sec};
  }

  std::chrono::milliseconds Elapsed() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  }

  void Sleep(unsigned milliseconds) override {
    struct timespec span {
      static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
    };
    while (::nanosleep(&span, &span) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

std::unique_ptr<IClock> MakeSystemClock() { return std::make_unique<PosixClock>(); }

}  // namespace brisvane
