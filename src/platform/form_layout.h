#pragma once
// A form as its logic describes it (a table of controls at their design places in twips) and the pure
// planning that turns such a table into a window: checking it, resolving frames, the z-order, twips and
// pixels at a DPI, how far a one-line caption may grow once the window system has measured it, and how
// much wider or taller than its design a form must be for all its text to show. The platform layer
// measures and applies; everything decided here needs no window system.
#include <cstddef>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace brisvane {

enum class ControlKind {
  Button,        // push button
  Label,         // static text
  BoldLabel,     // static text in the bold dialog font
  Edit,          // one-line text field
  HashField,     // read-only one-line field that looks like a label (button-face background)
  CheckBox,      // two-state check box
  Frame,         // group box; controls with `frame` set are placed inside it
  Icon,          // the program's icon
  EtchedLine,    // horizontal separator, grey over white
};

struct ControlLayout {
  int id;
  ControlKind kind;
  std::string_view caption;
  int left, top, width, height;  // twips, relative to the client area (or to the frame's client area)
  int tab_index = -1;            // keyboard focus order; -1: not a tab stop
  bool visible = true;
  bool checked = false;          // check boxes: the design state
  int frame = 0;                 // id of the enclosing frame, 0 for none
  bool multiline = false;        // labels that wrap
  // The widest text the logic puts into a control that the design leaves empty (a hash, a rating), so
  // that the form is planned wide enough before the logic fills it.
  std::string_view sample = {};
};

struct FormLayout {
  std::string_view caption;
  int client_width, client_height;  // twips
  bool resizable = false;           // sizable frame with minimise and maximise boxes; else a fixed dialog border
  std::span<const ControlLayout> controls;
  int default_button = 0;           // pressed by Enter; 0 for none
  int cancel_button = 0;            // pressed by Esc; 0 for none
  bool tool_window = false;         // small popup without a task-bar button
};

inline constexpr int kTwipsPerInch = 1440;

// Twips and pixels at `dpi`, rounded to the nearest pixel (halves away from zero) as Windows' MulDiv does.
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

// Labels and lines were drawn straight on the form in the original design, so they lie beneath every
// windowed control.
bool IsWindowless(ControlKind kind);
// A control the keyboard reaches with Tab: one that can take the focus and has a tab index.
bool IsTabStop(const ControlLayout& control);
// One-line labels and check boxes grow to their text: the system font is wider than the design's.
bool FitsItsText(ControlKind kind, bool multiline);

// A control where it lies in the form's client area: its design place with the offsets of the frames
// around it added. Twips. The logic may change the width later.
struct ControlPlace {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  int left = 0, top = 0, width = 0, height = 0;
  int frame = 0;  // the innermost enclosing frame, 0 for none
  bool visible = true;
  bool multiline = false;
};

// Checks a table before anything is built and resolves the frames' offsets: one place per control, in
// the table's order. Control ids run from 1 to `max_control_id`. Throws std::invalid_argument naming the
// form and the fault: an id out of range or used twice, a negative size, a default or cancel button that
// is no button of the form, a control placed in something that is no frame, frames inside one another.
std::vector<ControlPlace> PlaceControls(const FormLayout& layout, int max_control_id);

// The z-order the controls end in, top first, as indexes into the table. The window system stacks new
// controls in the table's order; the tab stops are then chained by tab index (equal indexes in table
// order) from where the first of them stands, which is the order Tab follows; the labels go beneath all
// windowed controls, a later label over an earlier one as in the design, and the frames beneath those.
std::vector<std::size_t> PlanZOrder(std::span<const ControlLayout> controls);

// Twips: how far right `control` may grow: to the next visible control beside it (overlapping its rows,
// or only the first `rows` twips of them when more than 0), or the inner edge of its frame, or the form's
// edge.
int RightLimit(std::span<const ControlPlace> controls, const ControlPlace& control, int client_width, int rows = 0);

// What the window system measured at the form's DPI, in pixels: the control's text in its own font, and
// the system's sizes of a check box's box and of an icon.
struct ControlMeasure {
  int text_width = 0;   // the text on one line
  int line_height = 0;  // one line of the font
  int check_box = 0;
  int icon_size = 0;
  int margin = 0;       // what a button, a frame or a field keeps clear on either side of its text
  // The text wrapped at a width: the width of its longest line (more than asked when a word is longer)
  // and its height. Unset where the control never wraps.
  struct Block {
    int width = 0, height = 0;
  };
  std::function<Block(int width)> wrapped = {};
};

// How a label that grows to its text shows it: on one line, cut at its edge, or wrapped when it still
// falls short and is tall enough for two lines. Other controls keep the style they were made with.
enum class TextFlow { AsMade, OneLine, Wrap };

// A control's rectangle in pixels of the form's client area at a DPI.
struct PixelPlace {
  int left = 0, top = 0, width = 0, height = 0;
  TextFlow flow = TextFlow::AsMade;
};

// Places controls[index] at `dpi`. A control that fits its text (FitsItsText) and needs more room than
// its design gave it grows up to its RightLimit; of a label only the part before the control beside it
// shows, since labels lie beneath. Icons take the system's icon size; an etched line is at least two
// pixels high (grey over white).
PixelPlace PlaceAtDpi(std::span<const ControlPlace> controls, std::size_t index, int client_width, int dpi,
                      const ControlMeasure& measure);

// Labels, check boxes, buttons, frames and display fields show their whole text; what the user types
// into an edit field scrolls, and a multi-line field's logic sizes it to its text itself.
bool ShowsWholeText(const ControlPlace& control);

// What a control's text needs at its PlaceAtDpi place and what it has there, in pixels; all 0 for a
// control that is hidden, empty or not ShowsWholeText. A label that wraps, or is made to, needs height;
// everything else needs width on one line and the height of that line.
struct TextRoom {
  int need_width = 0, width = 0;
  int need_height = 0, height = 0;
  bool Fits() const { return need_width <= width && need_height <= height; }
};
TextRoom RoomForText(std::span<const ControlPlace> controls, std::size_t index, int client_width, int dpi,
                     const ControlMeasure& measure);

// How much wider and taller than its design a form is drawn: every x position and width (and the client
// width) times `x`, every y position and height times `y`.
struct FormStretch {
  double x = 1.0, y = 1.0;
  bool operator==(const FormStretch&) const = default;
};
// A form grows no further: text that a font so much wider than the design's still cannot fit is cut
// rather than the window made huge.
inline constexpr double kMaxStretch = 1.5;

int Stretched(int twips, double factor);
std::vector<ControlPlace> Stretch(std::span<const ControlPlace> controls, FormStretch stretch);

// The smallest stretch, no less than `least` and at most kMaxStretch each way, at which every control's
// text fits (RoomForText), `measures` being the controls' in the same order: first wider, since the
// width decides how far labels reach and where wrapped text breaks, then taller. The design's order and
// alignment stay as they are, only larger.
FormStretch PlanStretch(std::span<const ControlPlace> controls, std::span<const ControlMeasure> measures,
                        int client_width, int dpi, FormStretch least = {});

}  // namespace brisvane
