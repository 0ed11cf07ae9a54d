#include "ui/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace zant::ui {
namespace {

TEST(TwipsToPixels, RoundsToTheNearestPixelLikeMulDiv) {
  // 96 DPI: 15 twips per pixel.
  EXPECT_EQ(TwipsToPixels(kClientWidth, 96), 324);
  EXPECT_EQ(TwipsToPixels(kClientHeight, 96), 300);
  EXPECT_EQ(TwipsToPixels(3870, 96), 258);
  EXPECT_EQ(TwipsToPixels(3880, 96), 259);  // 258.67: truncation would give 258
  EXPECT_EQ(TwipsToPixels(7, 96), 0);
  EXPECT_EQ(TwipsToPixels(8, 96), 1);
  // 144 DPI: 10 twips per pixel; an exact half rounds away from zero.
  EXPECT_EQ(TwipsToPixels(kClientWidth, 144), 486);
  EXPECT_EQ(TwipsToPixels(kClientHeight, 144), 450);
  EXPECT_EQ(TwipsToPixels(15, 144), 2);
  EXPECT_EQ(TwipsToPixels(-15, 144), -2);
  EXPECT_EQ(TwipsToPixels(14, 144), 1);
  // No overflow in the intermediate product.
  EXPECT_EQ(TwipsToPixels(1'000'000'000, 144), 100'000'000);
}

TEST(PointsToPixels, GivesTheCharacterHeightOfBothFonts) {
  EXPECT_EQ(PointsToPixels(Font(FontChoice::kSubTitle).hundredths_of_point, 96), 11);
  EXPECT_EQ(PointsToPixels(Font(FontChoice::kDefault).hundredths_of_point, 96), 11);
  EXPECT_EQ(PointsToPixels(Font(FontChoice::kSubTitle).hundredths_of_point, 144), 17);
  EXPECT_EQ(PointsToPixels(Font(FontChoice::kDefault).hundredths_of_point, 144), 16);
}

TEST(LayoutTable, IsIndexedByItsControlIds) {
  ASSERT_EQ(Controls().size(), static_cast<size_t>(kControlCount));
  for (int i = 0; i < kControlCount; ++i) {
    EXPECT_EQ(static_cast<int>(Controls()[static_cast<size_t>(i)].id), i);
    EXPECT_EQ(&Layout(static_cast<Control>(i)), &Controls()[static_cast<size_t>(i)]);
  }
}

TEST(LayoutTable, OnlyCancelIsATabStopAndItComesFirst) {
  std::set<int> indexes;
  for (const ControlLayout& c : Controls()) {
    indexes.insert(c.tab_index);
    EXPECT_EQ(c.tab_stop, c.id == Control::kCmdCancel) << c.name;
  }
  EXPECT_EQ(indexes.size(), static_cast<size_t>(kControlCount));
  EXPECT_EQ(*indexes.begin(), 0);
  EXPECT_EQ(*indexes.rbegin(), kControlCount - 1);
  EXPECT_EQ(Layout(Control::kCmdCancel).tab_index, 0);
}

bool Inside(const TwipRect& inner, const TwipRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

bool Overlap(const TwipRect& a, const TwipRect& b) {
  return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

int StackPosition(Control id) {
  auto order = StackingOrder();
  return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
}

TEST(LayoutTable, StackingNamesEveryControlOnceAndKeepsPanelsBehind) {
  std::set<Control> seen(StackingOrder().begin(), StackingOrder().end());
  EXPECT_EQ(seen.size(), static_cast<size_t>(kControlCount));
  EXPECT_EQ(StackingOrder().size(), static_cast<size_t>(kControlCount));

  const Control panels[] = {Control::kText4, Control::kText1, Control::kText3};
  for (Control panel : panels) {
    for (const ControlLayout& c : Controls()) {
      if (c.id == panel ||
          std::find(std::begin(panels), std::end(panels), c.id) != std::end(panels))
        continue;
      if (Overlap(c.bounds, Layout(panel).bounds)) {
        EXPECT_LT(StackPosition(c.id), StackPosition(panel))
            << c.name << " hidden behind " << Layout(panel).name;
        EXPECT_TRUE(c.panel_colours) << c.name << " would not blend into " << Layout(panel).name;
      }
    }
  }
  // Where the status and detail panels overlap, the status panel is in front.
  EXPECT_LT(StackPosition(Control::kText1), StackPosition(Control::kText3));
}

TEST(LayoutTable, PanelsAreFullWidthBandsAndTheLinesSitOnThem) {
  for (Control panel : {Control::kText4, Control::kText1, Control::kText3}) {
    const TwipRect& r = Layout(panel).bounds;
    EXPECT_EQ(r.left, 0);
    EXPECT_GE(r.Right(), kClientWidth) << Layout(panel).name;
    EXPECT_TRUE(Layout(panel).multi_line && Layout(panel).border);
  }
  EXPECT_TRUE(Inside(Layout(Control::kTxtMessage).bounds, Layout(Control::kText1).bounds));
  EXPECT_TRUE(Inside(Layout(Control::kTxtMessage2).bounds, Layout(Control::kText3).bounds));
  for (Control c : {Control::kPicMain, Control::kTxtSubTitle, Control::kText2})
    EXPECT_TRUE(Inside(Layout(c).bounds, Layout(Control::kText4).bounds)) << Layout(c).name;
}

TEST(LayoutTable, EverythingButThePanelOverhangFitsTheClientArea) {
  const TwipRect client{0, 0, kClientWidth, kClientHeight};
  for (const ControlLayout& c : Controls()) {
    TwipRect r = c.bounds;
    if (r.left == 0 && r.Right() > kClientWidth) {
      EXPECT_LE(r.Right() - kClientWidth, 15) << c.name;  // at most one pixel at 96 DPI
      r.width = kClientWidth;
    }
    EXPECT_TRUE(Inside(r, client)) << c.name;
  }
}

TEST(LayoutTable, SeparatorLinesAreDistinctRowsBetweenDetailPanelAndCancel) {
  ASSERT_EQ(Lines().size(), 2u);
  const LineLayout& grey = Lines()[0];
  const LineLayout& white = Lines()[1];
  EXPECT_EQ(grey.colour, (Rgb{128, 128, 128}));
  EXPECT_EQ(white.colour, (Rgb{255, 255, 255}));
  for (const LineLayout& line : Lines()) {
    EXPECT_EQ(line.y1, line.y2) << line.name;
    EXPECT_EQ(line.x1, 0);
    EXPECT_EQ(line.x2, kClientWidth);
  }
  EXPECT_LT(grey.y1, white.y1);
  for (int dpi : {96, 120, 144, 192}) {
    int grey_row = SeparatorRowsAt(dpi).grey;
    int white_row = SeparatorRowsAt(dpi).white;
    EXPECT_EQ(grey_row, TwipsToPixels(grey.y1, dpi));
    int detail_end = TwipsToPixels(Layout(Control::kText3).bounds.top, dpi) +
                     TwipsToPixels(Layout(Control::kText3).bounds.height, dpi);
    int cancel_top = TwipsToPixels(Layout(Control::kCmdCancel).bounds.top, dpi);
    EXPECT_EQ(white_row, grey_row + 1) << dpi << " DPI";
    EXPECT_GE(grey_row, detail_end) << "the detail panel covers the separator at " << dpi;
    EXPECT_LT(white_row, cancel_top) << dpi << " DPI";
  }
}

TEST(LayoutTable, BannerFitsThePictureBoxUnscaled) {
  const TwipRect& pic = Layout(Control::kPicMain).bounds;
  for (int dpi : {96, 144}) {
    EXPECT_GE(TwipsToPixels(pic.width, dpi), kBannerWidthPixels) << dpi;
    EXPECT_GE(TwipsToPixels(pic.height, dpi), kBannerHeightPixels) << dpi;
  }
  EXPECT_FALSE(Layout(Control::kPicMain).border);  // a frame would cut into the banner
}

}  // namespace
}  // namespace zant::ui
