#pragma once

#include <cstdint>
#include <span>

namespace zant::ui {

// The progress window's layout as data: every position and size in twips (1440 to the inch,
// 15 to a pixel at 96 dots per inch) from the top-left corner of the client area. The Win32
// surface converts it with the window's own DPI; nothing else in the program draws.

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The windowed controls, in the order of the layout table.
enum class Control {
  kText4,        // header panel
  kPicMain,      // banner
  kTxtSubTitle,  // "ZANT On CD"
  kText2,        // "Version 1.40 Update"
  kText1,        // status panel
  kTxtMessage,   // the status line
  kText3,        // detail panel
  kTxtMessage2,  // the detail line
  kCmdCancel,    // the Cancel button
};
constexpr int kControlCount = 9;

enum class ControlKind { kTextBox, kPictureBox, kCommandButton };
enum class FontChoice { kDefault, kSubTitle };

struct TwipRect {
  int left;
  int top;
  int width;
  int height;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
};

struct ControlLayout {
  Control id;
  const char* name;
  ControlKind kind;
  TwipRect bounds;
  const char* initial_text;  // UTF-8; the Cancel button's caption for the button
  bool panel_colours;        // pale panel background; false: the platform's standard colours
  bool has_text_colour;      // false: the platform's window-text colour
  Rgb text_colour;
  int tab_index;
  bool tab_stop;
  bool border;      // the ordinary text-box border
  bool multi_line;  // wraps at the box's width, never scrolls
  bool centred;     // text centred in the box
  FontChoice font;
};

// A one-pixel line painted on the window's own surface, behind every control.
struct LineLayout {
  const char* name;
  int x1;
  int y1;
  int x2;
  int y2;
  Rgb colour;
};

struct FontSpec {
  const char* face;  // nullptr: the platform's default user-interface font
  int hundredths_of_point;
  int weight;
};

inline constexpr char kCaption[] = "ZANT On CD v 1.40 Update";
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidth = 4860;
inline constexpr int kClientHeight = 4500;
inline constexpr int kBannerWidthPixels = 154;
inline constexpr int kBannerHeightPixels = 40;
inline constexpr Rgb kPanelColour{255, 255, 208};

inline constexpr FontSpec kDefaultFont{nullptr, 800, 400};
inline constexpr FontSpec kSubTitleFont{"MS Sans Serif", 825, 700};

// Every control, in table order (index = static_cast<int>(Control)).
std::span<const ControlLayout> Controls();
const ControlLayout& Layout(Control id);
// The stacking order of the controls, front to back.
std::span<const Control> StackingOrder();
// The etched separator: the grey line, then the white line below it.
std::span<const LineLayout> Lines();
const FontSpec& Font(FontChoice choice);
// The pixel rows of the two separator lines at the given DPI. The white line keeps at least one
// pixel below the grey one: converted on their own, the two rows 10 twips apart fall on the same
// pixel at 120 DPI and the separator would lose its etched look.
struct SeparatorRows {
  int grey;
  int white;
};
SeparatorRows SeparatorRowsAt(int dpi);

// Twips to pixels at the given DPI, rounded to the nearest pixel with halves away from zero
// (what the platform's MulDiv(twips, dpi, 1440) gives).
int TwipsToPixels(int twips, int dpi);
// A font size in hundredths of a point to a character height in pixels at the given DPI,
// rounded the same way.
int PointsToPixels(int hundredths_of_point, int dpi);

}  // namespace zant::ui
