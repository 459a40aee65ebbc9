#include "platform/form_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <stdexcept>
#include <string>

namespace brisvane {
namespace {

// A frame's contents stay inside its border.
constexpr int kFrameBorderTwips = 60;
// Between a check box's box and its text, in pixels at 96 dpi.
constexpr int kCheckBoxGap = 8;

// value * numerator / denominator rounded as Windows' MulDiv rounds: halves away from zero, -1 when the
// denominator is 0 or the result does not fit.
int MulDivRounded(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  if (denominator < 0) {
    value = -value;
    denominator = -denominator;
  }
  const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t result = (product >= 0 ? product + half : product - half) / denominator;
  return result > INT32_MAX || result < -INT32_MAX ? -1 : static_cast<int>(result);
}

std::string Quoted(std::string_view caption) { return "form \"" + std::string(caption) + "\""; }

// Pixels a control's text has on its first line: up to the next control beside that line. A label's box
// is often taller than its text, down into the next row of the design.
int OneLineRoom(std::span<const ControlPlace> controls, const ControlPlace& c, int client_width, int dpi,
                const ControlMeasure& measure) {
  const int line = c.kind == ControlKind::CheckBox ? 0 : PixelsToTwips(measure.line_height, dpi);
  return TwipsToPixels(RightLimit(controls, c, client_width, line) - c.left, dpi);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) { return MulDivRounded(twips, dpi, kTwipsPerInch); }
int PixelsToTwips(int pixels, int dpi) { return MulDivRounded(pixels, kTwipsPerInch, dpi); }

bool IsWindowless(ControlKind kind) {
  return kind == ControlKind::Label || kind == ControlKind::BoldLabel || kind == ControlKind::EtchedLine;
}

bool IsTabStop(const ControlLayout& control) {
  switch (control.kind) {
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::HashField:
    case ControlKind::CheckBox:
      return control.tab_index >= 0;
    default:
      return false;
  }
}

bool FitsItsText(ControlKind kind, bool multiline) {
  const bool label = kind == ControlKind::Label || kind == ControlKind::BoldLabel;
  return kind == ControlKind::CheckBox || (label && !multiline);
}

std::vector<ControlPlace> PlaceControls(const FormLayout& layout, int max_control_id) {
  const std::string form = Quoted(layout.caption);
  if (layout.client_width < 0 || layout.client_height < 0) {
    throw std::invalid_argument(form + ": negative client size");
  }
  std::map<int, const ControlLayout*> by_id;
  for (const ControlLayout& c : layout.controls) {
    if (c.id < 1 || c.id > max_control_id) {
      throw std::invalid_argument(form + ": control id " + std::to_string(c.id) + " is outside 1 to " +
                                  std::to_string(max_control_id));
    }
    if (!by_id.emplace(c.id, &c).second) {
      throw std::invalid_argument(form + ": control id " + std::to_string(c.id) + " is used twice");
    }
    if (c.width < 0 || c.height < 0) {
      throw std::invalid_argument(form + ": control " + std::to_string(c.id) + " has a negative size");
    }
  }
  const auto check_button = [&](int id, const char* role) {
    if (id == 0) return;
    const auto it = by_id.find(id);
    if (it == by_id.end() || it->second->kind != ControlKind::Button) {
      throw std::invalid_argument(form + ": the " + role + " button " + std::to_string(id) +
                                  " is not a button of this form");
    }
  };
  check_button(layout.default_button, "default");
  check_button(layout.cancel_button, "cancel");

  std::vector<ControlPlace> places;
  places.reserve(layout.controls.size());
  for (const ControlLayout& c : layout.controls) {
    ControlPlace place{c.id, c.kind, c.left, c.top, c.width, c.height, c.frame, c.visible, c.multiline};
    std::size_t depth = 0;
    for (int frame = c.frame; frame != 0;) {
      const auto it = by_id.find(frame);
      if (it == by_id.end() || it->second->kind != ControlKind::Frame) {
        throw std::invalid_argument(form + ": control " + std::to_string(c.id) + " is placed in " +
                                    std::to_string(frame) + ", which is not a frame of this form");
      }
      if (++depth > layout.controls.size()) {
        throw std::invalid_argument(form + ": the frames around control " + std::to_string(c.id) +
                                    " enclose one another");
      }
      place.left += it->second->left;
      place.top += it->second->top;
      frame = it->second->frame;
    }
    places.push_back(place);
  }
  return places;
}

std::vector<std::size_t> PlanZOrder(std::span<const ControlLayout> controls) {
  std::vector<std::size_t> order(controls.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto move = [&](std::size_t moved, std::size_t below) {
    order.erase(std::find(order.begin(), order.end(), moved));
    order.insert(below == controls.size() ? order.end() : std::find(order.begin(), order.end(), below) + 1, moved);
  };
  std::vector<std::size_t> stops;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (IsTabStop(controls[i])) stops.push_back(i);
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [&](std::size_t a, std::size_t b) { return controls[a].tab_index < controls[b].tab_index; });
  for (std::size_t i = 1; i < stops.size(); ++i) move(stops[i], stops[i - 1]);
  // Each goes to the bottom in turn, last first: the first label ends lowest.
  for (const bool frames : {false, true}) {
    for (std::size_t i = controls.size(); i-- > 0;) {
      if (frames ? controls[i].kind == ControlKind::Frame : IsWindowless(controls[i].kind)) move(i, controls.size());
    }
  }
  return order;
}

int RightLimit(std::span<const ControlPlace> controls, const ControlPlace& control, int client_width, int rows) {
  int limit = client_width;
  const int bottom = control.top + (rows > 0 ? std::min(rows, control.height) : control.height);
  for (const ControlPlace& other : controls) {
    if (other.id == control.frame) limit = std::min(limit, other.left + other.width - kFrameBorderTwips);
    const bool beside = other.left > control.left && other.top < bottom && control.top < other.top + other.height;
    if (beside && other.id != control.id && other.visible) limit = std::min(limit, other.left);
  }
  return limit;
}

PixelPlace PlaceAtDpi(std::span<const ControlPlace> controls, std::size_t index, int client_width, int dpi,
                      const ControlMeasure& measure) {
  const ControlPlace& c = controls[index];
  PixelPlace place{TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi), TwipsToPixels(c.width, dpi),
                   TwipsToPixels(c.height, dpi)};
  if (c.kind == ControlKind::EtchedLine) place.height = std::max(place.height, 2);
  if (c.kind == ControlKind::Icon) place.width = place.height = measure.icon_size;
  if (!FitsItsText(c.kind, c.multiline)) return place;

  int need = measure.text_width;
  if (c.kind == ControlKind::CheckBox) need += measure.check_box + MulDivRounded(kCheckBoxGap, dpi, 96);
  const int room = OneLineRoom(controls, c, client_width, dpi, measure);
  if (need > place.width) place.width = std::max(place.width, std::min(need, room));
  if (c.kind != ControlKind::CheckBox) {
    const bool wrap = need > std::min(place.width, room) && measure.line_height > 0 &&
                      place.height >= 2 * measure.line_height;
    // Wrapped, its lines reach as far as the controls beside all of them allow.
    if (wrap) place.width = std::min(place.width, TwipsToPixels(RightLimit(controls, c, client_width) - c.left, dpi));
    place.flow = wrap ? TextFlow::Wrap : TextFlow::OneLine;
  }
  return place;
}

bool ShowsWholeText(const ControlPlace& control) {
  switch (control.kind) {
    case ControlKind::Label:
    case ControlKind::BoldLabel:
    case ControlKind::CheckBox:
    case ControlKind::Button:
    case ControlKind::Frame:
      return true;
    case ControlKind::HashField:
      return !control.multiline;
    default:
      return false;
  }
}

TextRoom RoomForText(std::span<const ControlPlace> controls, std::size_t index, int client_width, int dpi,
                     const ControlMeasure& measure) {
  const ControlPlace& c = controls[index];
  if (!c.visible || !ShowsWholeText(c) || measure.text_width <= 0) return {};
  const PixelPlace place = PlaceAtDpi(controls, index, client_width, dpi, measure);
  const bool label = c.kind == ControlKind::Label || c.kind == ControlKind::BoldLabel;
  if (label && (c.multiline || place.flow == TextFlow::Wrap) && measure.wrapped) {
    const ControlMeasure::Block block = measure.wrapped(place.width);
    return {block.width, place.width, block.height, place.height};
  }
  int width = place.width;
  int need = measure.text_width + 2 * measure.margin;
  if (label) width = std::min(width, OneLineRoom(controls, c, client_width, dpi, measure));
  if (c.kind == ControlKind::CheckBox) need += measure.check_box + MulDivRounded(kCheckBoxGap, dpi, 96);
  return {need, width, measure.line_height, place.height};
}

int Stretched(int twips, double factor) { return static_cast<int>(std::lround(twips * factor)); }

std::vector<ControlPlace> Stretch(std::span<const ControlPlace> controls, FormStretch stretch) {
  std::vector<ControlPlace> stretched(controls.begin(), controls.end());
  for (ControlPlace& c : stretched) {
    // Edges, not sizes, are scaled, so that controls that touch in the design still touch.
    const int right = Stretched(c.left + c.width, stretch.x), bottom = Stretched(c.top + c.height, stretch.y);
    c.left = Stretched(c.left, stretch.x);
    c.top = Stretched(c.top, stretch.y);
    c.width = right - c.left;
    c.height = bottom - c.top;
  }
  return stretched;
}

FormStretch PlanStretch(std::span<const ControlPlace> controls, std::span<const ControlMeasure> measures,
                        int client_width, int dpi, FormStretch least) {
  FormStretch stretch{std::clamp(least.x, 1.0, kMaxStretch), std::clamp(least.y, 1.0, kMaxStretch)};
  // One way at a time: each round grows the factor by the largest shortfall at the current one, which
  // rounding to whole pixels may leave a pixel short, hence a few rounds.
  for (const bool wider : {true, false}) {
    double& factor = wider ? stretch.x : stretch.y;
    for (int round = 0; round < 20 && factor < kMaxStretch; ++round) {
      const std::vector<ControlPlace> places = Stretch(controls, stretch);
      const int width = Stretched(client_width, stretch.x);
      double grow = 1.0;
      for (std::size_t i = 0; i < places.size() && i < measures.size(); ++i) {
        const TextRoom room = RoomForText(places, i, width, dpi, measures[i]);
        const int need = wider ? room.need_width : room.need_height;
        const int have = wider ? room.width : room.height;
        if (need > have) grow = std::max(grow, have > 0 ? static_cast<double>(need) / have : kMaxStretch);
      }
      if (grow == 1.0) break;
      factor = std::min(factor * grow, kMaxStretch);
    }
  }
  return stretch;
}

}  // namespace brisvane
