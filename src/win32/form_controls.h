#pragma once
// A form's child controls as Windows makes them: the window class and style of each kind, their stacking,
// the fonts and icons at a DPI, the colours they paint in, and their text measured in their own font.
#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"

namespace brisvane::win32 {

// Makes the control of `control` with window id `window_id`, shown when the layout says so; nullptr when
// Windows refuses (GetLastError says why).
HWND CreateControl(HWND form, const ControlLayout& control, int window_id, bool default_button);

// Stacks `controls` in `order` (indexes, top first).
void StackControls(std::span<const HWND> controls, std::span<const std::size_t> order);

// The message-box font at a DPI and its bold cut, for bold labels. The caller deletes both.
struct FormFonts {
  HFONT normal = nullptr;
  HFONT bold = nullptr;
};
FormFonts CreateFormFonts(UINT dpi);

// The program's icon (resource 1) at the given size, or Windows' generic one in a module without it.
// The caller owns the result.
HICON ProgramIcon(int size);

// What the plan needs measured of a control at `dpi`: its current text (or `sample`, when wider) in its
// own font, on one line and wrapped, the box of a check box, the margins of a button, frame or field, the
// size of an icon.
ControlMeasure MeasureControl(HWND control, ControlKind kind, UINT dpi, std::wstring_view sample = {});

// Static controls wrap their text or keep it on one line by their style.
void SetTextFlow(HWND label, TextFlow flow);

// A colour of the form seam as Windows paints it.
COLORREF ToColorRef(Color color);
// Themed check boxes draw their text in the theme's colour; a coloured one has to go without the theme.
void DropTheme(HWND control);

std::wstring WindowText(HWND window);

}  // namespace brisvane::win32
