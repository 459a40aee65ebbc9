#include "win32/dpi.h"

#include <cwchar>

#include "win32/system_function.h"

namespace brisvane::win32 {

UINT SystemDpi() {
  using Fn = UINT(WINAPI*)();
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetDpiForSystem");
  if (get) return get();
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetDpiForWindow");
  if (get) {
    if (const UINT dpi = get(window)) return dpi;
  }
  return SystemDpi();
}

int MetricForDpi(int index, UINT dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const Fn get = SystemFunction<Fn>(L"user32.dll", "GetSystemMetricsForDpi");
  if (get) return get(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

void AdjustForDpi(RECT& rect, DWORD style, DWORD ex_style, UINT dpi) {
  using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const Fn adjust = SystemFunction<Fn>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&rect, style, FALSE, ex_style, dpi)) AdjustWindowRectEx(&rect, style, FALSE, ex_style);
}

LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using Fn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const Fn for_dpi = SystemFunction<Fn>(L"user32.dll", "SystemParametersInfoForDpi");
  if (for_dpi && for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics.lfMessageFont;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return font;
  }
  LOGFONTW font{};
  font.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
  font.lfWeight = FW_NORMAL;
  wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
  return font;
}

}  // namespace brisvane::win32
