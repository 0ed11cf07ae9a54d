#include "ui/win32/win32_surface.h"

#include <array>
#include <functional>
#include <string>

#include "platform/error.h"
#include "platform/win32/wide.h"
#include "ui/win32/dpi.h"
#include "ui/win32/gdi_handles.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/window_calls.h"

namespace zant::win32 {

namespace {

using ui::Control;

constexpr wchar_t kClassName[] = L"ZantProgressWindow";
// A fixed dialog frame: caption and system menu, no sizing border, no minimize or maximize box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;
constexpr int kFirstTextBoxId = 100;

COLORREF ToColorRef(ui::Rgb colour) {
  return RGB(colour.red, colour.green, colour.blue);
}

[[noreturn]] void ThrowLastError(const std::string& what) {
  DWORD code = GetLastError();
  throw RunError(static_cast<int32_t>(code), what + ": " + SystemErrorText(code));
}

// Fills a rectangle with one colour. With a brush of its own: the text call that fills without
// one takes no text on the 95 family in no documented way.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
  if (brush.get()) {
    FillRect(dc, &rect, brush.get());
  }
}

void RegisterWindowClass(HINSTANCE module, WNDPROC procedure) {
  if (!gui::RegisterWindowClass(
          module, kClassName, procedure,
          reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)))) {
    ThrowLastError("Could not register the progress window");
  }
}

// The font of one control at the given DPI.
HFONT CreateControlFont(ui::FontChoice choice, UINT dpi) {
  const ui::FontSpec& wanted = ui::Font(choice);
  LOGFONTW font{};
  if (wanted.face == nullptr) {
    // The platform's user-interface font, at our own size so that it follows the window's DPI.
    gui::GuiFont(&font);
  } else {
    font.lfCharSet = DEFAULT_CHARSET;
    std::wstring face = Widen(wanted.face);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
  }
  font.lfHeight = -ui::PointsToPixels(wanted.hundredths_of_point, static_cast<int>(dpi));
  font.lfWidth = 0;
  font.lfWeight = wanted.weight;
  return gui::CreateFontFrom(font);
}

class Win32Surface final : public Surface {
 public:
  explicit Win32Surface(HINSTANCE resources);
  ~Win32Surface() override {
    Unload();
    gui::UnregisterWindowClass(gui::ProgramModule(), kClassName);
  }
  Win32Surface(const Win32Surface&) = delete;
  Win32Surface& operator=(const Win32Surface&) = delete;

  void SetCancelHandler(std::function<void()> on_cancel) override {
    on_cancel_ = std::move(on_cancel);
  }
  void Show() override;
  void Unload() override;
  void SetStatusText(const std::string& text) override { SetLineText(Control::kTxtMessage, text); }
  void SetDetailText(const std::string& text) override { SetLineText(Control::kTxtMessage2, text); }
  void PumpEvents() override;
  void DisableCancel() override;
  Answer MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                    Icon icon) override;
  void* NativeHandle() const override { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  HWND Child(Control control) const { return controls_[static_cast<size_t>(control)]; }
  void CreateControls(HINSTANCE module);
  void ApplyStackingOrder();
  void LayOut(UINT dpi, const RECT* suggested);
  void ClipBannerToHeaderPanel();
  void SizeClientArea(int width, int height, const RECT* suggested);
  void CentreOnScreen();
  void Paint();
  LRESULT ControlColours(HDC dc, HWND control);
  void DrawBanner(const DRAWITEMSTRUCT& item);
  void OnActivate(bool active);
  void OnCancelRequest();
  void SetLineText(Control line, const std::string& text);

  HWND window_ = nullptr;
  std::array<HWND, ui::kControlCount> controls_{};
  UINT dpi_ = 96;
  GdiObject<HFONT> default_font_;
  GdiObject<HFONT> subtitle_font_;
  GdiObject<HBRUSH> panel_brush_;
  GdiObject<HBITMAP> banner_;
  IconHandle big_icon_;
  IconHandle small_icon_;
  std::function<void()> on_cancel_;
  bool pumping_ = false;
  HWND saved_focus_ = nullptr;
};

Win32Surface::Win32Surface(HINSTANCE resources) {
  HINSTANCE module = gui::ProgramModule();
  RegisterWindowClass(module, &WindowProc);
  panel_brush_.reset(CreateSolidBrush(ToColorRef(ui::kPanelColour)));
  if (resources) {
    banner_.reset(static_cast<HBITMAP>(gui::LoadResourceImage(
        resources, ZANT_IDB_BANNER, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    big_icon_.reset(static_cast<HICON>(gui::LoadResourceImage(resources, ZANT_IDI_MAIN, IMAGE_ICON,
                                                              GetSystemMetrics(SM_CXICON),
                                                              GetSystemMetrics(SM_CYICON), 0)));
    small_icon_.reset(static_cast<HICON>(
        gui::LoadResourceImage(resources, ZANT_IDI_MAIN, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                               GetSystemMetrics(SM_CYSMICON), 0)));
  }

  // Created hidden; WindowProc sets window_ when the window is first created.
  if (!gui::CreateWindowWithText(kWindowExStyle, kClassName, Widen(ui::kCaption), kWindowStyle,
                                 nullptr, 0, module, this)) {
    ThrowLastError("Could not create the progress window");
  }

  try {
    if (big_icon_.get()) {
      gui::Send(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_.get()));
    }
    if (small_icon_.get()) {
      gui::Send(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
    }
    CreateControls(module);
    ApplyStackingOrder();
    LayOut(WindowDpi(window_), nullptr);
    CentreOnScreen();
  } catch (...) {
    Unload();  // no window may outlive a surface that failed to be built
    throw;
  }
}

void Win32Surface::CreateControls(HINSTANCE module) {
  for (const ui::ControlLayout& c : ui::Controls()) {
    const wchar_t* window_class = L"EDIT";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    switch (c.kind) {
      case ui::ControlKind::kTextBox:
        // Read-only; multi-line boxes wrap at their width and never scroll (no ES_AUTOVSCROLL,
        // no scroll bar). A box that centres its one line is a multi-line edit control too:
        // Windows 95 and NT 4.0 centre the text of multi-line edit controls only.
        style |= ES_READONLY | (c.multi_line || c.centred ? ES_MULTILINE : 0) |
                 (c.centred ? ES_CENTER : ES_LEFT);
        ex_style = c.border ? WS_EX_CLIENTEDGE : 0;
        break;
      case ui::ControlKind::kPictureBox:
        window_class = L"STATIC";
        style |= SS_OWNERDRAW;
        break;
      case ui::ControlKind::kCommandButton:
        window_class = L"BUTTON";
        // The default button, so that Enter presses it like the space bar does.
        style |= BS_DEFPUSHBUTTON | (c.tab_stop ? WS_TABSTOP : 0);
        break;
    }
    HWND child =
        gui::CreateWindowWithText(ex_style, window_class, Widen(c.initial_text), style, window_,
                                  static_cast<UINT>(ControlId(c.id)), module, nullptr);
    if (!child) {
      ThrowLastError("Could not create the progress window");
    }
    controls_[static_cast<size_t>(c.id)] = child;
  }
}

void Win32Surface::ApplyStackingOrder() {
  HWND after = HWND_TOP;
  for (Control control : ui::StackingOrder()) {
    SetWindowPos(Child(control), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = Child(control);
  }
}

void Win32Surface::LayOut(UINT dpi, const RECT* suggested) {
  dpi_ = dpi;
  auto px = [dpi](int twips) { return ui::TwipsToPixels(twips, static_cast<int>(dpi)); };

  GdiObject<HFONT> default_font(CreateControlFont(ui::FontChoice::kDefault, dpi));
  GdiObject<HFONT> subtitle_font(CreateControlFont(ui::FontChoice::kSubTitle, dpi));
  for (const ui::ControlLayout& c : ui::Controls()) {
    HWND child = Child(c.id);
    HFONT font = c.font == ui::FontChoice::kSubTitle ? subtitle_font.get() : default_font.get();
    gui::Send(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(child, nullptr, px(c.bounds.left), px(c.bounds.top), px(c.bounds.width),
                 px(c.bounds.height), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ClipBannerToHeaderPanel();
  // The controls use the new fonts now; the old ones can go.
  default_font_ = std::move(default_font);
  subtitle_font_ = std::move(subtitle_font);

  SizeClientArea(px(ui::kClientWidth), px(ui::kClientHeight), suggested);
  InvalidateRect(window_, nullptr, TRUE);
}

// The picture box ends exactly on the header panel's lower edge. Clipped to the panel's inside, it
// leaves the panel's frame whole instead of painting over a stretch of it.
void Win32Surface::ClipBannerToHeaderPanel() {
  HWND picture = Child(Control::kPicMain);
  HWND panel = Child(Control::kText4);
  RECT inside{};
  RECT box{};
  GetClientRect(panel, &inside);
  MapWindowPoints(panel, picture, reinterpret_cast<POINT*>(&inside), 2);
  GetClientRect(picture, &box);
  RECT visible{};
  if (IntersectRect(&visible, &box, &inside)) {
    SetWindowRgn(picture, CreateRectRgnIndirect(&visible), TRUE);  // the window owns the region
  }
}

void Win32Surface::SizeClientArea(int width, int height, const RECT* suggested) {
  RECT outer = WindowRectForClient(RECT{0, 0, width, height}, kWindowStyle, kWindowExStyle, dpi_);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE);
  int x = suggested ? suggested->left : 0;
  int y = suggested ? suggested->top : 0;
  SetWindowPos(window_, nullptr, x, y, outer.right - outer.left, outer.bottom - outer.top, flags);

  // Should the real frame differ from the computed one, correct by what the client area lacks.
  RECT client{};
  RECT frame{};
  GetClientRect(window_, &client);
  GetWindowRect(window_, &frame);
  if (client.right != width || client.bottom != height) {
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                 frame.bottom - frame.top + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Surface::CentreOnScreen() {
  // Monitors came with 98 and 2000; before them the work area is the one screen's.
  RECT work{};
  if (!gui::MonitorWorkArea(window_, &work)) {
    gui::ScreenWorkArea(&work);
  }
  RECT frame{};
  GetWindowRect(window_, &frame);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int x = work.left + ((work.right - work.left) - width) / 2;
  int y = work.top + ((work.bottom - work.top) - height) / 2;
  // A screen smaller than the window shows its top-left corner, caption included.
  x = x < work.left ? work.left : x;
  y = y < work.top ? work.top : y;
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Surface::Show() {
  if (!window_) {
    return;
  }
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  if (IsWindowEnabled(Child(Control::kCmdCancel))) {
    SetFocus(Child(Control::kCmdCancel));
  }
  UpdateWindow(window_);
}

void Win32Surface::Unload() {
  if (!window_) {
    return;
  }
  DestroyWindow(window_);
  window_ = nullptr;
  controls_.fill(nullptr);
  saved_focus_ = nullptr;
  default_font_.reset();
  subtitle_font_.reset();
  banner_.reset();
  big_icon_.reset();
  small_icon_.reset();
}

// The hot path of the drive search calls this once per examined file: one text replacement and
// one repaint of the one control, nothing else.
void Win32Surface::SetLineText(Control line, const std::string& text) {
  if (!window_) {
    return;
  }
  HWND control = Child(line);
  if (!gui::SetText(control, Widen(text))) {
    ThrowLastError("Could not show the progress text");
  }
  // The repaint's answer means nothing on the 95 family, whose UpdateWindow returns none; a
  // line not repainted at once is repainted with the next pass over the window's events.
  UpdateWindow(control);
}

void Win32Surface::PumpEvents() {
  // A Cancel click counts only when it is handled here, in the run's own yield points.
  bool was_pumping = pumping_;
  pumping_ = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{pumping_, was_pumping};

  MSG msg;
  while (gui::TakeMessage(&msg)) {
    if (msg.message == WM_QUIT) {
      continue;  // the run ends by its own steps, never by a quit request
    }
    if (window_ && gui::IsDialogMessageFor(window_, &msg)) {
      continue;  // Tab, Enter, Esc and the space bar, as in a dialog
    }
    TranslateMessage(&msg);
    gui::Dispatch(&msg);
  }
}

void Win32Surface::DisableCancel() {
  if (!window_) {
    return;
  }
  HWND cancel = Child(Control::kCmdCancel);
  if (GetFocus() == cancel) {
    SetFocus(window_);  // keep the keyboard on the window; Esc then finds Cancel disabled
  }
  EnableWindow(cancel, FALSE);
  // From now on a close request is ignored; grey the close command so that it shows.
  if (HMENU system_menu = GetSystemMenu(window_, FALSE)) {
    EnableMenuItem(system_menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  }
  UpdateWindow(cancel);
}

Answer Win32Surface::MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                                Icon icon) {
  UINT type = MB_DEFBUTTON1 | (buttons == Buttons::kYesNo ? MB_YESNO : MB_OK);
  switch (icon) {
    case Icon::kInformation:
      type |= MB_ICONINFORMATION;
      break;
    case Icon::kWarning:
      type |= MB_ICONWARNING;
      break;
    case Icon::kError:
      type |= MB_ICONERROR;
      break;
  }
  // Modal to the window while the user can see it; before Show and after Unload, on its own.
  HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
  int result = ::MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), type);
  if (result == 0) {
    ThrowLastError("Could not show a message");
  }
  if (buttons == Buttons::kOk) {
    return Answer::kOk;
  }
  return result == IDNO ? Answer::kNo : Answer::kYes;
}

void Win32Surface::OnCancelRequest() {
  // Outside PumpEvents (a message box's own loop) and with the button disabled, a click or a
  // close request does nothing: the run only learns of it at its yield points.
  if (!pumping_ || !window_ || !IsWindowEnabled(Child(Control::kCmdCancel))) {
    return;
  }
  if (on_cancel_) {
    on_cancel_();
  }
}

void Win32Surface::OnActivate(bool active) {
  HWND cancel = Child(Control::kCmdCancel);
  if (!active) {
    HWND focus = GetFocus();
    saved_focus_ = focus && IsChild(window_, focus) ? focus : nullptr;
    return;
  }
  HWND target = window_;
  if (saved_focus_ && IsWindowEnabled(saved_focus_)) {
    target = saved_focus_;
  } else if (IsWindowEnabled(cancel)) {
    target = cancel;
  }
  SetFocus(target);
}

void Win32Surface::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  if (dc) {
    // The etched separator: a grey line with a white one just below, across the client width.
    int width = ui::TwipsToPixels(ui::kClientWidth, static_cast<int>(dpi_));
    ui::SeparatorRows rows = ui::SeparatorRowsAt(static_cast<int>(dpi_));
    FillSolid(dc, RECT{0, rows.grey, width, rows.grey + 1}, ToColorRef(ui::Lines()[0].colour));
    FillSolid(dc, RECT{0, rows.white, width, rows.white + 1}, ToColorRef(ui::Lines()[1].colour));
  }
  EndPaint(window_, &ps);
}

LRESULT Win32Surface::ControlColours(HDC dc, HWND control) {
  for (const ui::ControlLayout& c : ui::Controls()) {
    if (Child(c.id) != control || !c.panel_colours) {
      continue;
    }
    SetBkColor(dc, ToColorRef(ui::kPanelColour));
    SetTextColor(dc, c.has_text_colour ? ToColorRef(c.text_colour) : GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(panel_brush_.get());
  }
  return 0;
}

void Win32Surface::DrawBanner(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, panel_brush_.get());
  BITMAP bitmap{};
  if (!banner_.get() || !gui::BitmapOf(banner_.get(), &bitmap)) {
    return;
  }
  // Unscaled, at the box's top-left corner, whatever the DPI.
  MemoryDc source(item.hDC, banner_.get());
  if (source.get()) {
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, bitmap.bmWidth, bitmap.bmHeight,
           source.get(), 0, 0, SRCCOPY);
  }
}

LRESULT CALLBACK Win32Surface::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    // CREATESTRUCTA and CREATESTRUCTW hold the parameter at the same place.
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<Win32Surface*>(create->lpCreateParams);
    gui::SetUserData(window, self);
    self->window_ = window;
    return gui::DefaultProcedure(window, message, wparam, lparam);
  }
  auto* self = static_cast<Win32Surface*>(gui::UserData(window));
  if (!self) {
    return gui::DefaultProcedure(window, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    // Destroyed, by Unload or otherwise: every later call finds no window.
    gui::SetUserData(window, nullptr);
    self->window_ = nullptr;
    self->controls_.fill(nullptr);
    return gui::DefaultProcedure(window, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT Win32Surface::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      if (LRESULT brush =
              ControlColours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam))) {
        return brush;
      }
      break;
    case WM_DRAWITEM:
      if (wparam == static_cast<WPARAM>(ControlId(Control::kPicMain))) {
        DrawBanner(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      // A click, Enter, Esc or the space bar: all arrive as IDCANCEL.
      if (LOWORD(wparam) == IDCANCEL && HIWORD(wparam) == BN_CLICKED) {
        OnCancelRequest();
        return 0;
      }
      break;
    case WM_CLOSE:
      // The close box, Alt+F4: a Cancel click while Cancel works; ignored afterwards, so that
      // the run never goes on without its window.
      OnCancelRequest();
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDCANCEL, DC_HASDEFID);
    case WM_NEXTDLGCTL: {
      // Tab from wherever the focus is (a text box clicked into) goes to the next tab stop.
      HWND target = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                                   : GetNextDlgTabItem(window_, GetFocus(), wparam != 0);
      if (target) {
        SetFocus(target);
      }
      return 0;
    }
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      LayOut(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    default:
      break;
  }
  return gui::DefaultProcedure(window_, message, wparam, lparam);
}

}  // namespace

int ControlId(ui::Control control) {
  return control == Control::kCmdCancel ? IDCANCEL : kFirstTextBoxId + static_cast<int>(control);
}

std::unique_ptr<Surface> MakeWin32Surface(HINSTANCE resources) {
  return std::make_unique<Win32Surface>(resources);
}

}  // namespace zant::win32
