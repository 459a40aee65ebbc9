#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "win32/text.h"

namespace brisvane {
namespace {

SYSTEMTIME ToSystemTime(std::chrono::local_seconds when) {
  const auto day = std::chrono::floor<std::chrono::days>(when);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{when - day};
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(static_cast<int>(date.year()));
  st.wMonth = static_cast<WORD>(static_cast<unsigned>(date.month()));
  st.wDay = static_cast<WORD>(static_cast<unsigned>(date.day()));
  st.wDayOfWeek = static_cast<WORD>(std::chrono::weekday{day}.c_encoding());
  st.wHour = static_cast<WORD>(time.hours().count());
  st.wMinute = static_cast<WORD>(time.minutes().count());
  st.wSecond = static_cast<WORD>(time.seconds().count());
  return st;
}

// The user's regional settings; when Windows cannot format, the plain form of the base class stands.
class Win32Clock final : public IClock {
 public:
  std::chrono::local_seconds Now() override {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    const std::chrono::local_days day{std::chrono::year{st.wYear} / std::chrono::month{st.wMonth} /
                                      std::chrono::day{st.wDay}};
    return day + std::chrono::hours{st.wHour} + std::chrono::minutes{st.wMinute} + std::chrono::seconds{st.wSecond};
  }

  std::chrono::milliseconds Elapsed() override { return std::chrono::milliseconds{GetTickCount64()}; }

  void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }

  std::string ShortDate(std::chrono::local_seconds when) override {
    const SYSTEMTIME st = ToSystemTime(when);
    wchar_t text[128];
    if (!GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, 128, nullptr)) {
      return IClock::ShortDate(when);
    }
    return win32::Narrow(text);
  }

  std::string LongTime(std::chrono::local_seconds when) override {
    const SYSTEMTIME st = ToSystemTime(when);
    wchar_t text[128];
    if (!GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &st, nullptr, text, 128)) return IClock::LongTime(when);
    return win32::Narrow(text);
  }
};

}  // namespace

std::unique_ptr<IClock> MakeSystemClock() { return std::make_unique<Win32Clock>(); }

}  // namespace brisvane
