#include "ui/win32/dpi.h"

namespace zant::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// The optional user32 functions, resolved once.
struct DpiFunctions {
  GetDpiForWindowFn get_dpi_for_window = nullptr;
  AdjustWindowRectExForDpiFn adjust_window_rect_ex_for_dpi = nullptr;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
  FARPROC proc = module ? GetProcAddress(module, name) : nullptr;
  // Through the generic function pointer type, which converts to any other without a warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

const DpiFunctions& Functions() {
  static const DpiFunctions functions = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    DpiFunctions f;
    f.get_dpi_for_window = Lookup<GetDpiForWindowFn>(user32, "GetDpiForWindow");
    f.adjust_window_rect_ex_for_dpi =
        Lookup<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
    return f;
  }();
  return functions;
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
  if (Functions().get_dpi_for_window && window) {
    UINT dpi = Functions().get_dpi_for_window(window);
    if (dpi > 0) {
      return dpi;
    }
  }
  return ScreenDpi();
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD ex_style, UINT dpi) {
  RECT rect = client;
  if (Functions().adjust_window_rect_ex_for_dpi &&
      Functions().adjust_window_rect_ex_for_dpi(&rect, style, FALSE, ex_style, dpi)) {
    return rect;
  }
  rect = client;
  AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  return rect;
}

}  // namespace zant::win32
