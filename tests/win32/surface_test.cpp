#include <gtest/gtest.h>
#include <windows.h>
// After windows.h: it needs its types.
#include <delayimp.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/win32/delay_loads.h"
#include "platform/win32/wide.h"
#include "ui/layout.h"
#include "ui/win32/win32_surface.h"
#include "win32/family_scope.h"

namespace zant::win32 {
namespace {

using ui::Control;

// The window's DPI, looked up independently of the surface's own helper.
int DpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi) {
    return static_cast<int>(get_dpi(window));
  }
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK, 5000,
                      &length);
  return std::wstring(buffer, length);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

RECT RectInParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG Style(HWND window) {
  return GetWindowLongW(window, GWL_STYLE);
}

// The colour of a point given in the main window's client coordinates, read through the DC of
// the window that shows it there.
COLORREF PixelAt(HWND shown_by, HWND main_window, POINT p) {
  MapWindowPoints(main_window, shown_by, &p, 1);
  HDC dc = GetDC(shown_by);
  COLORREF colour = GetPixel(dc, p.x, p.y);
  ReleaseDC(shown_by, dc);
  return colour;
}

// The pixel of a control's client area that differs most from the panel colour: with
// anti-aliased text, the middle of a stroke, which carries the full text colour.
COLORREF StrongestInk(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  HDC dc = GetDC(control);
  COLORREF best =
      ui::kPanelColour.red | (ui::kPanelColour.green << 8) | (ui::kPanelColour.blue << 16);
  int best_distance = 0;
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      int distance = std::abs(GetRValue(c) - ui::kPanelColour.red) +
                     std::abs(GetGValue(c) - ui::kPanelColour.green) +
                     std::abs(GetBValue(c) - ui::kPanelColour.blue);
      if (c != CLR_INVALID && distance > best_distance) {
        best_distance = distance;
        best = c;
      }
    }
  }
  ReleaseDC(control, dc);
  return best;
}

COLORREF Ref(ui::Rgb c) {
  return RGB(c.red, c.green, c.blue);
}

void ExpectNear(COLORREF actual, ui::Rgb expected, int tolerance, const char* what) {
  EXPECT_LE(std::abs(GetRValue(actual) - expected.red), tolerance) << what;
  EXPECT_LE(std::abs(GetGValue(actual) - expected.green), tolerance) << what;
  EXPECT_LE(std::abs(GetBValue(actual) - expected.blue), tolerance) << what;
}

// What a message box of this process showed, read by another thread while it was open.
struct SeenBox {
  bool found = false;
  std::wstring title;
  std::wstring text;
  bool has_ok = false;
  bool has_yes = false;
  bool has_no = false;
  bool first_is_default = false;
  HICON icon = nullptr;
  HWND owner = nullptr;
  bool owner_enabled = true;
};

// An EnumWindows callback: a named function, since a lambda has the wrong calling convention
// on i686.
BOOL CALLBACK TakeOwnMessageBox(HWND window, LPARAM found) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindMessageBox() {
  HWND found = nullptr;
  EnumWindows(TakeOwnMessageBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Reads the next message box of this process and dismisses it: by posting a click to the
// button `press`, or by Escape when press is IDCANCEL. Waits up to 20 seconds for the box.
SeenBox AnswerBox(int press) {
  SeenBox seen;
  HWND box = nullptr;
  auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(box = FindMessageBox()) && std::chrono::steady_clock::now() < limit) {
    Sleep(10);
  }
  if (!box) {
    return seen;
  }
  seen.found = true;
  seen.title = TextOf(box);
  seen.text = TextOf(GetDlgItem(box, 0xFFFF));
  seen.has_ok = GetDlgItem(box, IDOK) != nullptr;
  seen.has_yes = GetDlgItem(box, IDYES) != nullptr;
  seen.has_no = GetDlgItem(box, IDNO) != nullptr;
  HWND first = GetDlgItem(box, seen.has_yes ? IDYES : IDOK);
  seen.first_is_default = first && (Style(first) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == L"Static" && (Style(child) & SS_TYPEMASK) == SS_ICON) {
      DWORD_PTR icon = 0;
      SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_BLOCK, 5000, &icon);
      seen.icon = reinterpret_cast<HICON>(icon);
    }
  }
  seen.owner = GetWindow(box, GW_OWNER);
  seen.owner_enabled = seen.owner && IsWindowEnabled(seen.owner);
  if (press == IDCANCEL) {
    PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
  } else {
    PostMessageW(GetDlgItem(box, press), BM_CLICK, 0, 0);
  }
  return seen;
}

// AnswerBox on a thread of its own, while the test's thread shows the box (the win32 thread
// model of the toolchain has no std::thread). get() waits for the answer.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int press) : press_(press) {
    thread_ = CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
  }
  ~BoxAnswerer() { get(); }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const SeenBox& get() {
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    return seen_;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* answerer = static_cast<BoxAnswerer*>(self);
    answerer->seen_ = AnswerBox(answerer->press_);
    return 0;
  }

  int press_;
  SeenBox seen_;
  HANDLE thread_ = nullptr;
};

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    surface_ = MakeWin32Surface(nullptr);
    window_ = static_cast<HWND>(surface_->NativeHandle());
    ASSERT_NE(window_, nullptr);
    surface_->SetCancelHandler([this] { ++cancels_; });
  }
  void TearDown() override {
    surface_.reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
    }
  }

  HWND Child(Control control) const { return GetDlgItem(window_, ControlId(control)); }
  int Px(int twips) const { return ui::TwipsToPixels(twips, DpiOf(window_)); }
  void PostKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  }

  std::unique_ptr<Surface> surface_;
  HWND window_ = nullptr;
  int cancels_ = 0;
};

TEST_F(ProgressWindow, StartsHiddenWithFixedDialogFrameCaptionAndClientSize) {
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_EQ(TextOf(window_), L"ZANT On CD v 1.40 Update");
  LONG style = Style(window_);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "sizable";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, Px(ui::kClientWidth));
  EXPECT_EQ(client.bottom, Px(ui::kClientHeight));

  // Centred on the work area of its screen.
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &info);
  RECT frame{};
  GetWindowRect(window_, &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) - (info.rcWork.left + info.rcWork.right)), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - (info.rcWork.top + info.rcWork.bottom)), 1);
}

TEST_F(ProgressWindow, ControlsSitWhereTheTableSaysWithTheirKindAndText) {
  for (const ui::ControlLayout& c : ui::Controls()) {
    SCOPED_TRACE(c.name);
    HWND child = Child(c.id);
    ASSERT_NE(child, nullptr);
    const wchar_t* expected_class = c.kind == ui::ControlKind::kTextBox      ? L"edit"
                                    : c.kind == ui::ControlKind::kPictureBox ? L"static"
                                                                             : L"button";
    EXPECT_EQ(_wcsicmp(ClassOf(child).c_str(), expected_class), 0);
    RECT r = RectInParent(child);
    EXPECT_EQ(r.left, Px(c.bounds.left));
    EXPECT_EQ(r.top, Px(c.bounds.top));
    EXPECT_EQ(r.right - r.left, Px(c.bounds.width));
    EXPECT_EQ(r.bottom - r.top, Px(c.bounds.height));
    if (c.kind != ui::ControlKind::kPictureBox) {
      std::string expected = c.initial_text;
      EXPECT_EQ(TextOf(child), std::wstring(expected.begin(), expected.end()));
    }
  }
}

TEST_F(ProgressWindow, TextBoxesAreReadOnlyWrapAndNeverScroll) {
  for (const ui::ControlLayout& c : ui::Controls()) {
    SCOPED_TRACE(c.name);
    HWND child = Child(c.id);
    LONG style = Style(child);
    LONG ex_style = GetWindowLongW(child, GWL_EXSTYLE);
    bool bordered = (ex_style & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) || (style & WS_BORDER);
    EXPECT_EQ(bordered, c.border);
    EXPECT_TRUE(style & WS_CLIPSIBLINGS) << "would paint over the controls in front of it";
    if (c.kind != ui::ControlKind::kTextBox) {
      continue;
    }
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL));
    // A centred line is centred by a multi-line control: single-line ones do not centre on
    // Windows 95 and NT 4.0.
    EXPECT_EQ((style & ES_MULTILINE) != 0, c.multi_line || c.centred);
    EXPECT_EQ((style & ES_CENTER) != 0, c.centred);
  }
}

TEST_F(ProgressWindow, StackingOrderIsFrontToBackAsListed) {
  HWND child = GetWindow(window_, GW_CHILD);
  for (Control expected : ui::StackingOrder()) {
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child, Child(expected)) << "expected " << ui::Layout(expected).name;
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr);
}

TEST_F(ProgressWindow, CancelIsTheOnlyTabStopAndHoldsTheFocusOnceShown) {
  for (const ui::ControlLayout& c : ui::Controls()) {
    EXPECT_EQ((Style(Child(c.id)) & WS_TABSTOP) != 0, c.id == Control::kCmdCancel) << c.name;
  }
  surface_->Show();
  EXPECT_TRUE(IsWindowVisible(window_));
  HWND cancel = Child(Control::kCmdCancel);
  EXPECT_EQ(GetFocus(), cancel);
  PostKey(cancel, VK_TAB);
  surface_->PumpEvents();
  EXPECT_EQ(GetFocus(), cancel) << "Tab moved the focus into a text box";
  // From a text box clicked into, Tab leads back to Cancel.
  SetFocus(Child(Control::kTxtMessage));
  PostKey(Child(Control::kTxtMessage), VK_TAB);
  surface_->PumpEvents();
  EXPECT_EQ(GetFocus(), cancel);
  EXPECT_EQ(cancels_, 0);
}

TEST_F(ProgressWindow, FontsFollowTheTable) {
  LOGFONTW ui_font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(ui_font), &ui_font);
  int dpi = DpiOf(window_);
  for (const ui::ControlLayout& c : ui::Controls()) {
    SCOPED_TRACE(c.name);
    auto font = reinterpret_cast<HFONT>(SendMessageW(Child(c.id), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    if (c.font == ui::FontChoice::kSubTitle) {
      EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
      EXPECT_EQ(lf.lfWeight, 700);
      EXPECT_EQ(lf.lfHeight, -ui::PointsToPixels(825, dpi));
    } else {
      EXPECT_STREQ(lf.lfFaceName, ui_font.lfFaceName);
      EXPECT_EQ(lf.lfWeight, 400);
      EXPECT_EQ(lf.lfHeight, -ui::PointsToPixels(800, dpi));
    }
  }
}

TEST_F(ProgressWindow, PanelsSeparatorAndTextsShowTheirColours) {
  surface_->Show();
  surface_->SetStatusText("MMMM HHHH");
  surface_->SetDetailText("MMMM HHHH");
  surface_->PumpEvents();

  // The separator rows, with the dialog colour just above and below.
  ui::SeparatorRows rows = ui::SeparatorRowsAt(DpiOf(window_));
  for (int x : {0, Px(ui::kClientWidth) / 2, Px(ui::kClientWidth) - 1}) {
    EXPECT_EQ(PixelAt(window_, window_, {x, rows.grey}), RGB(128, 128, 128)) << x;
    EXPECT_EQ(PixelAt(window_, window_, {x, rows.white}), RGB(255, 255, 255)) << x;
    EXPECT_EQ(PixelAt(window_, window_, {x, rows.grey - 1}), GetSysColor(COLOR_BTNFACE)) << x;
    EXPECT_EQ(PixelAt(window_, window_, {x, rows.white + 1}), GetSysColor(COLOR_BTNFACE)) << x;
  }

  // The three panels, where nothing covers them.
  COLORREF panel = Ref(ui::kPanelColour);
  int middle = Px(ui::kClientWidth) / 2;
  EXPECT_EQ(PixelAt(Child(Control::kText4), window_, {Px(2600), Px(60)}), panel);
  EXPECT_EQ(PixelAt(Child(Control::kText1), window_, {middle, Px(2250)}), panel);
  EXPECT_EQ(PixelAt(Child(Control::kText3), window_, {middle, Px(3700)}), panel);
  // The borderless lines and the picture box on their panels.
  EXPECT_EQ(PixelAt(Child(Control::kTxtMessage), window_, {Px(4600), Px(2000)}), panel);
  EXPECT_EQ(PixelAt(Child(Control::kTxtMessage2), window_, {Px(4600), Px(3500)}), panel);
  EXPECT_EQ(PixelAt(Child(Control::kPicMain), window_, {Px(1500), Px(300)}), panel);

  ExpectNear(StrongestInk(Child(Control::kTxtMessage)), {128, 64, 0}, 24, "status line");
  ExpectNear(StrongestInk(Child(Control::kTxtMessage2)), {64, 64, 64}, 24, "detail line");
  ExpectNear(StrongestInk(Child(Control::kTxtSubTitle)), {128, 64, 0}, 24, "subtitle");
  ExpectNear(StrongestInk(Child(Control::kText2)), {128, 64, 0}, 24, "version");
}

TEST_F(ProgressWindow, CancelClickReachesTheHandlerOnlyInsidePumpEvents) {
  surface_->Show();
  HWND cancel = Child(Control::kCmdCancel);
  struct Input {
    const char* name;
    std::function<void()> deliver;
  };
  const Input inputs[] = {
      {"mouse click", [&] { PostMessageW(cancel, BM_CLICK, 0, 0); }},
      {"command",
       [&] {
         PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                      reinterpret_cast<LPARAM>(cancel));
       }},
      {"Esc", [&] { PostKey(cancel, VK_ESCAPE); }},
      {"Enter", [&] { PostKey(cancel, VK_RETURN); }},
      {"space", [&] { PostKey(cancel, VK_SPACE); }},
      {"close box", [&] { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"close request", [&] { PostMessageW(window_, WM_CLOSE, 0, 0); }},
  };
  int expected = 0;
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    input.deliver();
    EXPECT_EQ(cancels_, expected) << "handled before the pump";
    surface_->PumpEvents();
    EXPECT_EQ(cancels_, ++expected);
    EXPECT_TRUE(IsWindow(window_)) << "the window must outlive a close request";
  }
  // Sent straight to the window, outside the run's yield points: not a click the run sees.
  SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_EQ(cancels_, expected);
}

TEST_F(ProgressWindow, DisabledCancelAndCloseRequestsDoNothing) {
  surface_->Show();
  HWND cancel = Child(Control::kCmdCancel);
  surface_->DisableCancel();
  EXPECT_FALSE(IsWindowEnabled(cancel));
  EXPECT_FALSE(GetUpdateRect(cancel, nullptr, FALSE)) << "not repainted at once";
  EXPECT_NE(GetFocus(), cancel);
  EXPECT_TRUE(GetMenuState(GetSystemMenu(window_, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);

  PostMessageW(cancel, BM_CLICK, 0, 0);
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(cancel));
  PostKey(window_, VK_ESCAPE);
  PostKey(window_, VK_RETURN);
  PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageW(window_, WM_CLOSE, 0, 0);
  surface_->PumpEvents();
  EXPECT_EQ(cancels_, 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(ProgressWindow, TextsAreSetExactlyAndRepaintedBeforeTheCallReturns) {
  surface_->Show();
  surface_->PumpEvents();
  HWND status = Child(Control::kTxtMessage);
  HWND detail = Child(Control::kTxtMessage2);

  surface_->SetStatusText("Updating Documents...\r\n\r\nC:\\ZANT");
  EXPECT_EQ(TextOf(status), L"Updating Documents...\r\n\r\nC:\\ZANT");
  EXPECT_FALSE(GetUpdateRect(status, nullptr, FALSE)) << "status line not repainted at once";
  EXPECT_EQ(SendMessageW(status, EM_GETLINECOUNT, 0, 0), 3);

  surface_->SetDetailText(
      "D:\\Gr\xC3\xB6\xC3\x9F"
      "e\\\xE2\x82\xAC.doc");
  EXPECT_EQ(TextOf(detail), L"D:\\Gr\u00f6\u00dfe\\\u20ac.doc");
  EXPECT_FALSE(GetUpdateRect(detail, nullptr, FALSE)) << "detail line not repainted at once";
  surface_->SetDetailText("");
  EXPECT_EQ(TextOf(detail), L"");
  surface_->SetDetailText("x");
  EXPECT_EQ(TextOf(detail), L"x");
}

TEST_F(ProgressWindow, LongTextWrapsAndNothingScrolls) {
  surface_->Show();
  std::string text;
  for (int i = 0; i < 60; ++i) {
    text += "word" + std::to_string(i) + " ";
  }
  text += "END";
  surface_->SetDetailText(text);
  surface_->PumpEvents();
  HWND detail = Child(Control::kTxtMessage2);
  EXPECT_EQ(TextOf(detail), std::wstring(text.begin(), text.end())) << "text was cut";
  EXPECT_GT(SendMessageW(detail, EM_GETLINECOUNT, 0, 0), 5) << "did not wrap";
  EXPECT_EQ(SendMessageW(detail, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "scrolled";
}

TEST_F(ProgressWindow, SetDetailTextLeavesPendingEventsToThePump) {
  surface_->Show();
  surface_->PumpEvents();
  PostMessageW(Child(Control::kCmdCancel), BM_CLICK, 0, 0);
  surface_->SetDetailText("C:\\file.txt");
  EXPECT_EQ(cancels_, 0);
  EXPECT_NE(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), 0) << "the text call ran the event loop";
  surface_->PumpEvents();
  EXPECT_EQ(cancels_, 1);
}

TEST_F(ProgressWindow, YesNoBoxIsModalToTheShownWindowAndReportsNo) {
  surface_->Show();
  BoxAnswerer seen(IDNO);
  Answer answer = surface_->MessageBox("First paragraph.\r\n\r\nSecond\r\nline.", "Cancel Update?",
                                       Buttons::kYesNo, Icon::kWarning);
  SeenBox box = seen.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(answer, Answer::kNo);
  EXPECT_EQ(box.title, L"Cancel Update?");
  EXPECT_EQ(box.text, L"First paragraph.\r\n\r\nSecond\r\nline.");
  EXPECT_TRUE(box.has_yes && box.has_no);
  EXPECT_FALSE(box.has_ok);
  EXPECT_TRUE(box.first_is_default);
  EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_WARNING));
  EXPECT_EQ(box.owner, window_);
  EXPECT_FALSE(box.owner_enabled) << "not modal";
  EXPECT_TRUE(IsWindowEnabled(window_));

  BoxAnswerer yes(IDYES);
  EXPECT_EQ(surface_->MessageBox("?", "t", Buttons::kYesNo, Icon::kInformation), Answer::kYes);
  EXPECT_EQ(yes.get().icon, LoadIconW(nullptr, IDI_INFORMATION));
}

TEST_F(ProgressWindow, OkBoxBeforeShowHasNoOwnerAndAnyDismissalIsOk) {
  BoxAnswerer seen(IDCANCEL);  // Escape
  Answer answer =
      surface_->MessageBox("Notice", "ZANT On CD v 1.40 Update", Buttons::kOk, Icon::kInformation);
  SeenBox box = seen.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(answer, Answer::kOk);
  EXPECT_TRUE(box.has_ok);
  EXPECT_FALSE(box.has_yes || box.has_no);
  EXPECT_TRUE(box.first_is_default);
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_INFORMATION));
}

TEST_F(ProgressWindow, ClickQueuedWhileABoxIsOpenIsLost) {
  surface_->Show();
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  BoxAnswerer seen(IDYES);
  EXPECT_EQ(surface_->MessageBox("Cancel?", "Cancel Update?", Buttons::kYesNo, Icon::kInformation),
            Answer::kYes);
  ASSERT_TRUE(seen.get().found);
  surface_->PumpEvents();
  EXPECT_EQ(cancels_, 0);
}

TEST_F(ProgressWindow, UnloadDestroysTheWindowAndLaterCallsAreHarmless) {
  surface_->Show();
  surface_->Unload();
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(surface_->NativeHandle(), nullptr);
  surface_->SetStatusText("ignored");
  surface_->SetDetailText("ignored");
  surface_->DisableCancel();
  surface_->PumpEvents();
  surface_->Show();
  surface_->Unload();
  EXPECT_EQ(surface_->NativeHandle(), nullptr);

  BoxAnswerer seen(IDOK);
  EXPECT_EQ(surface_->MessageBox("Done", "t", Buttons::kOk, Icon::kError), Answer::kOk);
  SeenBox box = seen.get();
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_ERROR));
}

TEST_F(ProgressWindow, DpiChangeLaysEverythingOutAgain) {
  RECT suggested{50, 40, 50 + 600, 40 + 600};
  SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 486);
  EXPECT_EQ(client.bottom, 450);
  RECT frame{};
  GetWindowRect(window_, &frame);
  EXPECT_EQ(frame.left, 50);
  EXPECT_EQ(frame.top, 40);
  for (const ui::ControlLayout& c : ui::Controls()) {
    RECT r = RectInParent(Child(c.id));
    EXPECT_EQ(r.left, ui::TwipsToPixels(c.bounds.left, 144)) << c.name;
    EXPECT_EQ(r.top, ui::TwipsToPixels(c.bounds.top, 144)) << c.name;
    EXPECT_EQ(r.right - r.left, ui::TwipsToPixels(c.bounds.width, 144)) << c.name;
    EXPECT_EQ(r.bottom - r.top, ui::TwipsToPixels(c.bounds.height, 144)) << c.name;
  }
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Child(Control::kTxtSubTitle), WM_GETFONT, 0, 0)),
             sizeof(lf), &lf);
  EXPECT_EQ(lf.lfHeight, -17);
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Child(Control::kTxtMessage), WM_GETFONT, 0, 0)),
             sizeof(lf), &lf);
  EXPECT_EQ(lf.lfHeight, -16);

  // And back: the window returns to its size at 96 DPI.
  SendMessageW(window_, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 324);
  EXPECT_EQ(client.bottom, 300);
}

// A delayed load that fails (an older Windows lacking a library or function) is reported in the
// same box as any unhandled failure, the error icon included, before the process ends with its
// exit code. The delay-load helper calls the report as below.
UINT g_exit_code = 0;

void WINAPI RecordExit(UINT code) {
  g_exit_code = code;
}

// On the 95 family the window, its class and its messages are ANSI; it looks and answers as on
// the NT family.
TEST(ProgressWindowOfThe95Family, IsAnAnsiWindowThatShowsAndAnswersAlike) {
  win32test::FamilyScope ansi(0);
  std::unique_ptr<Surface> surface = MakeWin32Surface(nullptr);
  HWND window = static_cast<HWND>(surface->NativeHandle());
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowUnicode(window));
  EXPECT_EQ(TextOf(window), L"ZANT On CD v 1.40 Update");
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, ui::TwipsToPixels(ui::kClientWidth, DpiOf(window)));
  for (const ui::ControlLayout& c : ui::Controls()) {
    SCOPED_TRACE(c.name);
    HWND child = GetDlgItem(window, ControlId(c.id));
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(IsWindowUnicode(child));
    if (c.kind != ui::ControlKind::kPictureBox) {
      EXPECT_EQ(TextOf(child),
                std::wstring(c.initial_text, c.initial_text + strlen(c.initial_text)));
    }
  }
  int cancels = 0;
  surface->SetCancelHandler([&cancels] { ++cancels; });
  surface->Show();
  surface->SetStatusText("Caf\xC3\xA9 \xE2\x80\x94 D:\\ZANT");  // in the code page
  EXPECT_EQ(TextOf(GetDlgItem(window, ControlId(Control::kTxtMessage))),
            L"Caf\u00e9 \u2014 D:\\ZANT");
  PostMessageA(GetDlgItem(window, ControlId(Control::kCmdCancel)), BM_CLICK, 0, 0);
  surface->PumpEvents();
  EXPECT_EQ(cancels, 1);
  BoxAnswerer seen(IDNO);
  EXPECT_EQ(surface->MessageBox("Cancel?", "Cancel Update?", Buttons::kYesNo, Icon::kWarning),
            Answer::kNo);
  EXPECT_TRUE(seen.get().found);
  EXPECT_EQ(seen.get().owner, window);
  surface->Unload();
  EXPECT_FALSE(IsWindow(window));
}

TEST(DelayLoadReport, IsAnErrorBoxWithOneOkButtonBeforeTheExit) {
  ReportFailedDelayLoads(L"ZANT On CD v 1.40 Update", 7, &RecordExit);
  DelayLoadInfo info = {};
  info.cb = sizeof info;
  info.szDll = "zantabsent.dll";
  info.dwLastError = ERROR_MOD_NOT_FOUND;
  BoxAnswerer seen(IDOK);
  __pfnDliFailureHook2(dliFailLoadLib, &info);
  __pfnDliFailureHook2 = nullptr;
  SeenBox box = seen.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.title, L"ZANT On CD v 1.40 Update");
  EXPECT_TRUE(box.text.starts_with(L"Run-time error '126':\r\n\r\n") &&
              box.text.ends_with(L": zantabsent.dll"))
      << Narrow(box.text);
  EXPECT_TRUE(box.has_ok);
  EXPECT_FALSE(box.has_yes || box.has_no);
  EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_ERROR));
  EXPECT_EQ(g_exit_code, 7u);
}

}  // namespace
}  // namespace zant::win32
