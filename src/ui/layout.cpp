#include "ui/layout.h"

#include <array>
#include <cstdint>

namespace zant::ui {

namespace {

constexpr Rgb kBrown{128, 64, 0};
constexpr Rgb kDarkGrey{64, 64, 64};
constexpr Rgb kNone{0, 0, 0};

// clang-format off
constexpr std::array<ControlLayout, kControlCount> kControls{{
  //  id                     name           kind                          left  top   width height  text                   panel  colour? colour     tab stop   border multi  centred font
  {Control::kText4,        "Text4",       ControlKind::kTextBox,       {0,    0,    4875, 705},  "",                    true,  false, kNone,     8, false, true,  true,  false, FontChoice::kDefault},
  {Control::kPicMain,      "picMain",     ControlKind::kPictureBox,    {120,  60,   2445, 645},  "",                    true,  false, kNone,     4, false, false, false, false, FontChoice::kDefault},
  {Control::kTxtSubTitle,  "txtSubTitle", ControlKind::kTextBox,       {2670, 150,  2025, 255},  "ZANT On CD",          true,  true,  kBrown,    5, false, true,  false, true,  FontChoice::kSubTitle},
  {Control::kText2,        "Text2",       ControlKind::kTextBox,       {2640, 390,  2055, 255},  "Version 1.40 Update", true,  true,  kBrown,    6, false, true,  false, true,  FontChoice::kDefault},
  {Control::kText1,        "Text1",       ControlKind::kTextBox,       {0,    720,  4875, 1695}, "",                    true,  false, kNone,     3, false, true,  true,  false, FontChoice::kDefault},
  {Control::kTxtMessage,   "txtMessage",  ControlKind::kTextBox,       {120,  810,  4605, 1275}, "",                    true,  true,  kBrown,    1, false, false, true,  false, FontChoice::kDefault},
  {Control::kText3,        "Text3",       ControlKind::kTextBox,       {0,    2400, 4875, 1455}, "",                    true,  false, kNone,     7, false, true,  true,  false, FontChoice::kDefault},
  {Control::kTxtMessage2,  "txtMessage2", ControlKind::kTextBox,       {120,  2640, 4605, 945},  "",                    true,  true,  kDarkGrey, 2, false, false, true,  false, FontChoice::kDefault},
  {Control::kCmdCancel,    "cmdCancel",   ControlKind::kCommandButton, {3510, 4020, 1215, 375},  "Cancel",              false, false, kNone,     0, true,  false, false, false, FontChoice::kDefault},
}};
// clang-format on

constexpr std::array<Control, kControlCount> kStacking{
    Control::kText2,       Control::kTxtSubTitle, Control::kCmdCancel,
    Control::kTxtMessage2, Control::kTxtMessage,  Control::kPicMain,
    Control::kText1,       Control::kText4,       Control::kText3,
};

constexpr std::array<LineLayout, 2> kLines{{
    {"Line2", 0, 3870, 4860, 3870, Rgb{128, 128, 128}},
    {"Line3", 0, 3880, 4860, 3880, Rgb{255, 255, 255}},
}};

// MulDiv(value, numerator, denominator) for a positive denominator: the exact quotient rounded
// to the nearest integer, halves away from zero.
int MulDivRounded(int value, int numerator, int denominator) {
  int64_t product = static_cast<int64_t>(value) * numerator;
  int64_t half = denominator / 2;
  int64_t quotient = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int>(quotient);
}

}  // namespace

std::span<const ControlLayout> Controls() {
  return kControls;
}

const ControlLayout& Layout(Control id) {
  return kControls[static_cast<size_t>(id)];
}

std::span<const Control> StackingOrder() {
  return kStacking;
}

std::span<const LineLayout> Lines() {
  return kLines;
}

const FontSpec& Font(FontChoice choice) {
  return choice == FontChoice::kSubTitle ? kSubTitleFont : kDefaultFont;
}

SeparatorRows SeparatorRowsAt(int dpi) {
  int grey = TwipsToPixels(kLines[0].y1, dpi);
  int gap = TwipsToPixels(kLines[1].y1 - kLines[0].y1, dpi);
  return SeparatorRows{grey, grey + (gap < 1 ? 1 : gap)};
}

int TwipsToPixels(int twips, int dpi) {
  return MulDivRounded(twips, dpi, kTwipsPerInch);
}

int PointsToPixels(int hundredths_of_point, int dpi) {
  return MulDivRounded(hundredths_of_point, dpi, 72 * 100);
}

}  // namespace zant::ui
