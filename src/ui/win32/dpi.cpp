#include "ui/win32/dpi.h"

#include "platform/win32/optional_function.h"

namespace zant::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// Windows 10 1607 and later; elsewhere the screen's DPI is the window's.
GetDpiForWindowFn DpiForWindow() {
  static OptionalFunction<GetDpiForWindowFn> function("user32.dll", "GetDpiForWindow");
  return function.Get();
}

AdjustWindowRectExForDpiFn AdjustForDpi() {
  static OptionalFunction<AdjustWindowRectExForDpiFn> function("user32.dll",
                                                               "AdjustWindowRectExForDpi");
  return function.Get();
}

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) {
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT WindowDpi(HWND window) {
  if (GetDpiForWindowFn dpi_for_window = DpiForWindow(); dpi_for_window && window) {
    UINT dpi = dpi_for_window(window);
    if (dpi > 0) {
      return dpi;
    }
  }
  return ScreenDpi();
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD ex_style, UINT dpi) {
  RECT rect = client;
  if (AdjustWindowRectExForDpiFn adjust = AdjustForDpi();
      adjust && adjust(&rect, style, FALSE, ex_style, dpi)) {
    return rect;
  }
  rect = client;
  AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  return rect;
}

}  // namespace zant::win32
