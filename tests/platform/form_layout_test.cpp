// The planning of a form from its layout: checks, frames, twips at a DPI, the z-order, how far a caption
// may grow and how far a form stretches for its text.
#include "platform/form_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "dialogs/about_box.h"
#include "dialogs/agreement_window.h"
#include "notify/popup_window.h"
#include "settings/association_window.h"

namespace brisvane {
namespace {

using K = ControlKind;
using Ints = std::vector<int>;
constexpr int kMaxId = 100;

// A form of 3000 x 2000 twips; its controls are kept to the end of the tests.
FormLayout Form(std::vector<ControlLayout> controls, int default_button = 0, int cancel_button = 0) {
  static std::deque<std::vector<ControlLayout>> kept;
  return FormLayout{"Test", 3000, 2000, false, kept.emplace_back(std::move(controls)), default_button, cancel_button};
}

// A control of 100 x 100 twips at the form's corner.
constexpr ControlLayout Box(int id, ControlKind kind, int frame = 0) {
  return ControlLayout{id, kind, "", 0, 0, 100, 100, -1, true, false, frame};
}

Ints Rect(const PixelPlace& p) { return {p.left, p.top, p.width, p.height}; }

TEST(PlaceControls, AcceptsTheProgramsWindows) {
  for (const FormLayout* layout : {&MainWindow::Layout(), &PopupWindow::Layout(), &AssociationWindow::Layout(false), &AssociationWindow::Layout(true),
                                   &AgreementWindow::Layout(), &AboutBox::Layout()}) {
    EXPECT_EQ(PlaceControls(*layout, kMaxId).size(), layout->controls.size()) << layout->caption;
  }
}

TEST(PlaceControls, RefusesBadLayoutsNamingTheFormAndTheFault) {
  const std::vector<ControlLayout> both = {Box(1, K::Button), Box(2, K::Label)};
  const std::pair<FormLayout, const char*> cases[] = {
      {Form({Box(1, K::Button), Box(1, K::Label)}), "control id 1 is used twice"},
      {Form({Box(0, K::Label)}), "control id 0 is outside 1 to 100"},
      {Form({Box(kMaxId + 1, K::Label)}), "control id 101 is outside 1 to 100"},
      {Form({{1, K::Label, "", 0, 0, 100, -1}}), "control 1 has a negative size"},
      {FormLayout{"Test", -1, 100, false, both}, "negative client size"},
      {Form({Box(1, K::Label, 5)}), "control 1 is placed in 5, which is not a frame of this form"},
      {Form({Box(1, K::Button), Box(2, K::Label, 1)}), "control 2 is placed in 1, which is not a frame of this form"},
      {Form({Box(1, K::Frame, 2), Box(2, K::Frame, 1)}), "the frames around control 1 enclose one another"},
      {Form(both, 2), "the default button 2 is not a button of this form"},
      {Form(both, 1, 3), "the cancel button 3 is not a button of this form"},
  };
  for (const auto& [layout, fault] : cases) {
    EXPECT_THAT([&] { PlaceControls(layout, kMaxId); },
                ::testing::ThrowsMessage<std::invalid_argument>(std::string("form \"Test\": ") + fault));
  }
  EXPECT_NO_THROW(PlaceControls(Form(both, 1, 1), kMaxId));
}

TEST(PlaceControls, AddsTheOffsetsOfEveryFrameAround) {
  const std::vector<ControlPlace> places = PlaceControls(Form({
      {1, K::Label, "inside", 1, 2, 30, 40, -1, false, false, 3, true},
      {2, K::Frame, "outer", 100, 200, 900, 900},
      {3, K::Frame, "inner", 10, 20, 500, 500, -1, true, false, 2},
      {4, K::Edit, "free", 7, 8, 9, 10},
  }), kMaxId);
  ASSERT_EQ(places.size(), 4u);
  const auto at = [&](std::size_t i) {
    const ControlPlace& p = places[i];
    return Ints{p.id, static_cast<int>(p.kind), p.left, p.top, p.width, p.height, p.frame, p.visible, p.multiline};
  };
  EXPECT_EQ(at(0), (Ints{1, static_cast<int>(K::Label), 111, 222, 30, 40, 3, false, true}));
  EXPECT_EQ(at(2), (Ints{3, static_cast<int>(K::Frame), 110, 220, 500, 500, 2, true, false}));
  EXPECT_EQ(at(3), (Ints{4, static_cast<int>(K::Edit), 7, 8, 9, 10, 0, true, false}));
}

TEST(Twips, BecomePixelsAndBackRoundedToTheNearest) {
  const Ints to_pixels[] = {{96, 7, 0},  {96, 8, 1},   {96, -7, 0},      {96, -8, -1},
                            {120, 6, 1}, {120, -6, -1}, {144, 1275, 128}, {192, 10350, 1380}};
  for (const Ints& c : to_pixels) EXPECT_EQ(TwipsToPixels(c[1], c[0]), c[2]) << c[1] << " at " << c[0];
  const Ints to_twips[] = {{96, 85, 1275}, {120, 900, 10800}, {144, 1100, 11000}, {192, 1, 8}, {192, -1, -8}};
  for (const Ints& c : to_twips) EXPECT_EQ(PixelsToTwips(c[1], c[0]), c[2]) << c[1] << " at " << c[0];
}

TEST(PlanZOrder, ChainsTabStopsByTabIndexThenLabelsThenFrames) {
  ControlLayout controls[] = {Box(1, K::Frame),      Box(2, K::Label),      Box(3, K::Button),   Box(4, K::Icon),
                              Box(5, K::Edit),       Box(6, K::BoldLabel),  Box(7, K::CheckBox), Box(8, K::Label),
                              Box(9, K::EtchedLine), Box(10, K::HashField), Box(11, K::Frame),   Box(12, K::Button)};
  for (const auto& [index, tab] : {std::pair{2, 2}, {4, 0}, {6, 1}, {7, 0}, {9, 1}}) controls[index].tab_index = tab;
  Ints ids;
  for (const std::size_t i : PlanZOrder(controls)) ids.push_back(controls[i].id);
  // The icon and the button without a tab index keep their places around the chain; a label is no stop.
  EXPECT_THAT(ids, ::testing::ElementsAre(4, 5, 7, 10, 3, 12, 9, 8, 6, 2, 11, 1));
}

TEST(PlaceAtDpi, ALabelGrowsUpToTheControlBesideItThenWrapsOrIsCut) {
  // At 96 dpi, 15 twips a pixel: a label at the left, a button beside it from pixel 100; the others
  // touch its rows from above and below, or start where it starts.
  const auto label = [](int text_width, int width, int height, bool button_visible = true) {
    const FormLayout form = Form({{1, K::Label, "", 0, 0, width, height},
                                  {2, K::Button, "", 1500, 150, 900, 300, 0, button_visible},
                                  {3, K::Button, "below", 600, 390, 900, 300, 1},
                                  {4, K::Button, "above", 600, -300, 900, 300, 2},
                                  {5, K::Label, "under", 0, 0, 300, 300}});
    return PlaceAtDpi(PlaceControls(form, kMaxId), 0, 3000, 96, {text_width, 13});
  };
  const std::pair<PixelPlace, PixelPlace> cases[] = {
      {label(80, 600, 300), {0, 0, 80, 20, TextFlow::OneLine}},     // grows
      {label(150, 600, 300), {0, 0, 100, 20, TextFlow::OneLine}},   // up to the button, cut there
      {label(150, 600, 390), {0, 0, 100, 26, TextFlow::Wrap}},      // tall enough for two lines: wraps
      {label(150, 2000, 300), {0, 0, 133, 20, TextFlow::OneLine}},  // wider by design: kept, shows to the button
      {label(150, 2000, 390), {0, 0, 100, 26, TextFlow::Wrap}},
      {label(250, 600, 300, false), {0, 0, 200, 20, TextFlow::OneLine}},  // a hidden button leaves the room
  };
  for (const auto& [got, expected] : cases) {
    EXPECT_EQ(Rect(got), Rect(expected));
    EXPECT_EQ(got.flow, expected.flow) << got.width;
  }
}

TEST(PlaceAtDpi, CheckBoxesGrowByTheirBoxWithinTheFrameIconsAndLinesTakeTheSystemSizes) {
  const std::vector<ControlPlace> places = PlaceControls(Form({
      {1, K::Frame, "", 300, 300, 1860, 1500},
      {2, K::CheckBox, "", 120, 240, 600, 195, 0, true, false, 1},
      {3, K::Label, "", 120, 600, 600, 195, -1, true, false, 1, true},
      {4, K::Icon, "", 240, 240, 480, 480},
      {5, K::EtchedLine, "", 0, 900, 1500, 15},
  }), kMaxId);
  // Box, a gap of 8 pixels at 96 dpi and the text.
  const PixelPlace check_box = PlaceAtDpi(places, 1, 3000, 96, {60, 13, 13});
  EXPECT_EQ(Rect(check_box), (Ints{28, 36, 13 + 8 + 60, 13}));
  EXPECT_EQ(check_box.flow, TextFlow::AsMade);
  EXPECT_EQ(PlaceAtDpi(places, 1, 3000, 192, {120, 26, 26}).width, 26 + 16 + 120);
  // Up to the frame's inner edge at 300 + 1860 - 60 twips: 112 pixels from the box's left.
  EXPECT_EQ(PlaceAtDpi(places, 1, 3000, 96, {200, 13, 13}).width, 112);
  EXPECT_EQ(PlaceAtDpi(places, 2, 3000, 96, {500, 13}).width, 40) << "a label that wraps by design keeps its width";
  EXPECT_EQ(Rect(PlaceAtDpi(places, 3, 3000, 144, {.icon_size = 48})), (Ints{24, 24, 48, 48}));
  EXPECT_EQ(Rect(PlaceAtDpi(places, 4, 3000, 96, {})), (Ints{0, 60, 100, 2}));
}

TEST(PlanStretch, StretchesTheWholeFormByTheSmallestFactorThatShowsEveryTextUpToTheCap) {
  // At 96 dpi: a caption with 40 pixels before the button beside it, the button 60 pixels wide, a check box
  // in a frame 100 pixels inside, a wrapping label 100 wide and three lines of 13 pixels tall.
  const std::vector<ControlPlace> places = PlaceControls(Form({
      {1, K::Label, "", 0, 0, 600, 195},
      {2, K::Button, "", 600, 0, 900, 375, 0},
      {3, K::Frame, "", 0, 600, 1560, 600},
      {4, K::CheckBox, "", 0, 0, 600, 195, 1, true, false, 3},
      {5, K::Label, "", 0, 1500, 1500, 585, -1, true, false, 0, true},
      {6, K::Label, "hidden", 0, 1950, 15, 195, -1, false},
  }), kMaxId);
  // The text widths on one line; the wrapping label's breaks into as many lines as its width needs.
  const auto plan = [&](Ints widths, FormStretch least = {}) {
    std::vector<ControlMeasure> measures;
    for (const int width : widths) measures.push_back({width, 13, 13});
    measures[1].margin = measures[2].margin = 3;
    measures[4].wrapped = [text = widths[4]](int width) {
      return ControlMeasure::Block{width, (text + width - 1) / width * 13};
    };
    const FormStretch stretch = PlanStretch(places, measures, 3000, 96, least);
    // Every text fits at the plan; a little less would cut one, unless `least` or the cap decided.
    const auto fits = [&](FormStretch s) {
      const std::vector<ControlPlace> stretched = Stretch(places, s);
      for (std::size_t i = 0; i < stretched.size(); ++i) {
        if (!RoomForText(stretched, i, Stretched(3000, s.x), 96, measures[i]).Fits()) return false;
      }
      return true;
    };
    EXPECT_EQ(fits(stretch), stretch.x < kMaxStretch) << widths[0];
    EXPECT_TRUE(stretch.x == least.x || !fits({stretch.x - 0.02, stretch.y})) << widths[0];
    EXPECT_TRUE(stretch.y == least.y || !fits({stretch.x, stretch.y - 0.02})) << widths[0];
    return std::vector<double>{stretch.x, stretch.y};
  };
  const auto near = [](double x, double y) { return ::testing::ElementsAre(::testing::DoubleNear(x, 0.02),
                                                                           ::testing::DoubleNear(y, 0.02)); };
  EXPECT_THAT(plan({40, 54, 10, 79, 300, 999}), near(1.0, 1.0));  // all fit; a hidden label does not count
  EXPECT_THAT(plan({50, 54, 10, 79, 300, 0}), near(1.26, 1.0));   // the caption
  EXPECT_THAT(plan({40, 60, 10, 79, 300, 0}), near(1.1, 1.0));    // the button's text and its margins
  EXPECT_THAT(plan({40, 54, 10, 90, 300, 0}), near(1.11, 1.0));   // box, gap and text within the frame
  EXPECT_THAT(plan({40, 54, 10, 79, 300, 0}, {1.2, 1.1}), near(1.2, 1.1));  // never less than before
  EXPECT_THAT(plan({80, 54, 10, 79, 300, 0}), near(kMaxStretch, 1.0));     // cut at the cap
  EXPECT_THAT(plan({40, 54, 10, 79, 350, 0}), near(1.0, 1.34));  // four lines: taller
  EXPECT_THAT(plan({50, 54, 10, 79, 350, 0}), near(1.26, 1.0));  // wider first, and three lines will do
}

}  // namespace
}  // namespace brisvane
