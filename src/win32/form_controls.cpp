#include "win32/form_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/dpi.h"
#include "win32/system_function.h"
#include "win32/text.h"

namespace brisvane::win32 {
namespace {

constexpr int kProgramIconId = 1;

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
};

ControlClass ClassOf(const ControlLayout& c) {
  switch (c.kind) {
    case ControlKind::Button:
      return {WC_BUTTONW, BS_PUSHBUTTON, 0};
    case ControlKind::Label:
    case ControlKind::BoldLabel:
      // Labels lie beneath the windowed controls, as in the original design, and never paint over them.
      return {WC_STATICW, SS_LEFT | WS_CLIPSIBLINGS, 0};
    case ControlKind::Edit:
      return {WC_EDITW, DWORD(c.multiline ? ES_MULTILINE | ES_AUTOVSCROLL : ES_AUTOHSCROLL), WS_EX_CLIENTEDGE};
    case ControlKind::HashField:
      return {WC_EDITW, DWORD(ES_READONLY | (c.multiline ? ES_MULTILINE : ES_AUTOHSCROLL)), 0};
    case ControlKind::CheckBox:
      return {WC_BUTTONW, BS_AUTOCHECKBOX, 0};
    case ControlKind::Frame:
      // At the bottom of the z-order and clipped by its siblings, so it never paints over its contents.
      return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPSIBLINGS, 0};
    case ControlKind::Icon:
      return {WC_STATICW, SS_ICON, 0};
    case ControlKind::EtchedLine:
      return {WC_STATICW, SS_ETCHEDHORZ | WS_CLIPSIBLINGS, 0};
  }
  return {WC_STATICW, SS_LEFT, 0};
}

}  // namespace

HWND CreateControl(HWND form, const ControlLayout& c, int window_id, bool default_button) {
  const ControlClass cls = ClassOf(c);
  DWORD style = WS_CHILD | cls.style | (c.visible ? WS_VISIBLE : 0);
  if (IsTabStop(c)) style |= WS_TABSTOP;
  if (c.kind == ControlKind::Button && default_button) style |= BS_DEFPUSHBUTTON;
  const std::wstring text = c.kind == ControlKind::Icon ? std::wstring() : Widen(c.caption);
  HWND control = CreateWindowExW(cls.ex_style, cls.name, text.c_str(), style, 0, 0, 0, 0, form,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(window_id)), GetModuleHandleW(nullptr),
                                 nullptr);
  if (control && c.kind == ControlKind::CheckBox && c.checked) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  return control;
}

void StackControls(std::span<const HWND> controls, std::span<const std::size_t> order) {
  HWND above = HWND_TOP;
  for (const std::size_t i : order) {
    SetWindowPos(controls[i], above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    above = controls[i];
  }
}

FormFonts CreateFormFonts(UINT dpi) {
  LOGFONTW font = MessageFont(dpi);
  FormFonts fonts;
  fonts.normal = CreateFontIndirectW(&font);
  font.lfWeight = FW_BOLD;
  fonts.bold = CreateFontIndirectW(&font);
  return fonts;
}

HICON ProgramIcon(int size) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // comctl32 6 picks the best image and scales it down smoothly; older ones lack the function.
  using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const Fn scale_down = SystemFunction<Fn>(L"comctl32.dll", "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (scale_down && SUCCEEDED(scale_down(instance, MAKEINTRESOURCEW(kProgramIconId), size, size, &icon)) && icon) {
    return icon;
  }
  icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, size, size, 0));
  return icon ? icon : CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
}

ControlMeasure MeasureControl(HWND control, ControlKind kind, UINT dpi, std::wstring_view sample) {
  ControlMeasure measure;
  if (kind == ControlKind::Icon) {
    measure.icon_size = MetricForDpi(SM_CXICON, dpi);
    return measure;
  }
  if (kind == ControlKind::CheckBox) measure.check_box = MetricForDpi(SM_CXMENUCHECK, dpi);
  if (kind == ControlKind::Button || kind == ControlKind::Frame) measure.margin = 3 * MetricForDpi(SM_CXEDGE, dpi);
  if (kind == ControlKind::HashField || kind == ControlKind::Edit) {
    const DWORD margins = static_cast<DWORD>(SendMessageW(control, EM_GETMARGINS, 0, 0));
    measure.margin = std::max(LOWORD(margins), HIWORD(margins)) + 1;
  }
  // Everything but a field shows "&" as an access key.
  const UINT prefix = kind == ControlKind::HashField || kind == ControlKind::Edit ? DT_NOPREFIX : 0;
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const auto draw = [control, font, prefix](std::wstring_view text, UINT flags, int width) {
    RECT r{0, 0, width, 0};
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, font);
    if (!text.empty()) DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, DT_CALCRECT | prefix | flags);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return std::pair{r, static_cast<int>(metrics.tmHeight)};
  };
  const std::wstring text = WindowText(control);
  const auto [line, line_height] = draw(text, DT_SINGLELINE, 0);
  measure.text_width = std::max<int>(line.right, draw(sample, DT_SINGLELINE, 0).first.right);
  measure.line_height = line_height;
  if (kind == ControlKind::Label || kind == ControlKind::BoldLabel) {
    measure.wrapped = [draw, text](int width) {
      const RECT r = draw(text, DT_WORDBREAK, width).first;
      return ControlMeasure::Block{r.right, r.bottom};
    };
  }
  return measure;
}

void SetTextFlow(HWND label, TextFlow flow) {
  if (flow == TextFlow::AsMade) return;
  const LONG_PTR style = GetWindowLongPtrW(label, GWL_STYLE);
  const LONG_PTR type = flow == TextFlow::Wrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
  if ((style & SS_TYPEMASK) != type) SetWindowLongPtrW(label, GWL_STYLE, (style & ~SS_TYPEMASK) | type);
}

COLORREF ToColorRef(Color color) {
  // Visual Basic's system colours (0x800000nn) are accepted too: they name GetSysColor's index nn.
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
  return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

void DropTheme(HWND control) {
  using Fn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static const Fn set_theme = SystemFunction<Fn>(L"uxtheme.dll", "SetWindowTheme");
  if (set_theme) set_theme(control, L"", L"");
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

}  // namespace brisvane::win32
