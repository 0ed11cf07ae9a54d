#include "ui/win32/window_calls.h"

#include <cstring>

#include "platform/win32/ansi_text.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/windows_version.h"

namespace zant::win32::gui {

namespace {

std::string Ansi(const wchar_t* text) {
  return ToAnsiText(text ? std::wstring(text) : std::wstring());
}

// LOGFONTA and LOGFONTW differ only in the face name's characters.
LOGFONTW WideFont(const LOGFONTA& font) {
  LOGFONTW wide{};
  std::memcpy(&wide, &font, offsetof(LOGFONTA, lfFaceName));
  FromAnsi(font.lfFaceName).copy(wide.lfFaceName, LF_FACESIZE - 1);
  return wide;
}

LOGFONTA AnsiFont(const LOGFONTW& font) {
  LOGFONTA ansi{};
  std::memcpy(&ansi, &font, offsetof(LOGFONTW, lfFaceName));
  Ansi(font.lfFaceName).copy(ansi.lfFaceName, LF_FACESIZE - 1);
  return ansi;
}

}  // namespace

HINSTANCE ProgramModule() {
  return WideCallsWork() ? GetModuleHandleW(nullptr) : GetModuleHandleA(nullptr);
}

bool RegisterWindowClass(HINSTANCE module, const wchar_t* name, WNDPROC procedure,
                         HBRUSH background) {
  if (WideCallsWork()) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(module, name, &wc)) {
      return true;
    }
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  std::string ansi_name = Ansi(name);
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(module, ansi_name.c_str(), &wc)) {
    return true;
  }
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = module;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = background;
  wc.lpszClassName = ansi_name.c_str();
  return RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void UnregisterWindowClass(HINSTANCE module, const wchar_t* name) {
  if (WideCallsWork()) {
    UnregisterClassW(name, module);
  } else {
    UnregisterClassA(Ansi(name).c_str(), module);
  }
}

HWND CreateWindowWithText(DWORD ex_style, const wchar_t* window_class, const std::wstring& text,
                          DWORD style, HWND parent, UINT id, HINSTANCE module, void* parameter) {
  HMENU menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
  if (WideCallsWork()) {
    return CreateWindowExW(ex_style, window_class, text.c_str(), style, 0, 0, 0, 0, parent, menu,
                           module, parameter);
  }
  return CreateWindowExA(ex_style, Ansi(window_class).c_str(), ToAnsiText(text).c_str(), style, 0,
                         0, 0, 0, parent, menu, module, parameter);
}

LRESULT DefaultProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return WideCallsWork() ? DefWindowProcW(window, message, wparam, lparam)
                         : DefWindowProcA(window, message, wparam, lparam);
}

bool SetText(HWND window, const std::wstring& text) {
  return WideCallsWork() ? SetWindowTextW(window, text.c_str()) != 0
                         : SetWindowTextA(window, ToAnsiText(text).c_str()) != 0;
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return WideCallsWork() ? SendMessageW(window, message, wparam, lparam)
                         : SendMessageA(window, message, wparam, lparam);
}

bool TakeMessage(MSG* msg) {
  return WideCallsWork() ? PeekMessageW(msg, nullptr, 0, 0, PM_REMOVE) != 0
                         : PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE) != 0;
}

bool IsDialogMessageFor(HWND dialog, MSG* msg) {
  return WideCallsWork() ? IsDialogMessageW(dialog, msg) != 0 : IsDialogMessageA(dialog, msg) != 0;
}

void Dispatch(const MSG* msg) {
  if (WideCallsWork()) {
    DispatchMessageW(msg);
  } else {
    DispatchMessageA(msg);
  }
}

void SetUserData(HWND window, void* data) {
  LONG_PTR value = reinterpret_cast<LONG_PTR>(data);
  if (WideCallsWork()) {
    SetWindowLongPtrW(window, GWLP_USERDATA, value);
  } else {
    SetWindowLongPtrA(window, GWLP_USERDATA, value);
  }
}

void* UserData(HWND window) {
  return reinterpret_cast<void*>(WideCallsWork() ? GetWindowLongPtrW(window, GWLP_USERDATA)
                                                 : GetWindowLongPtrA(window, GWLP_USERDATA));
}

HANDLE LoadResourceImage(HINSTANCE module, WORD id, UINT type, int width, int height, UINT flags) {
  return WideCallsWork() ? LoadImageW(module, MAKEINTRESOURCEW(id), type, width, height, flags)
                         : LoadImageA(module, MAKEINTRESOURCEA(id), type, width, height, flags);
}

bool GuiFont(LOGFONTW* font) {
  HGDIOBJ gui_font = GetStockObject(DEFAULT_GUI_FONT);
  if (WideCallsWork()) {
    return GetObjectW(gui_font, sizeof(*font), font) != 0;
  }
  LOGFONTA ansi{};
  if (!GetObjectA(gui_font, sizeof(ansi), &ansi)) {
    return false;
  }
  *font = WideFont(ansi);
  return true;
}

HFONT CreateFontFrom(const LOGFONTW& font) {
  if (WideCallsWork()) {
    return CreateFontIndirectW(&font);
  }
  LOGFONTA ansi = AnsiFont(font);
  return CreateFontIndirectA(&ansi);
}

bool BitmapOf(HBITMAP bitmap, BITMAP* info) {
  return (WideCallsWork() ? GetObjectW(bitmap, sizeof(*info), info)
                          : GetObjectA(bitmap, sizeof(*info), info)) != 0;
}

bool ScreenWorkArea(RECT* work) {
  return (WideCallsWork() ? SystemParametersInfoW(SPI_GETWORKAREA, 0, work, 0)
                          : SystemParametersInfoA(SPI_GETWORKAREA, 0, work, 0)) != 0;
}

bool MonitorWorkArea(HWND window, RECT* work) {
  using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
  using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
  static OptionalFunction<MonitorFromWindowFn> monitor_from_window("user32.dll",
                                                                   "MonitorFromWindow");
  // The record without the device name is the same for both forms.
  static OptionalFunction<GetMonitorInfoFn> wide_info("user32.dll", "GetMonitorInfoW");
  static OptionalFunction<GetMonitorInfoFn> ansi_info("user32.dll", "GetMonitorInfoA");
  MonitorFromWindowFn monitor_of = monitor_from_window.Get();
  GetMonitorInfoFn info_of = WideCallsWork() ? wide_info.Get() : ansi_info.Get();
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!monitor_of || !info_of || !info_of(monitor_of(window, MONITOR_DEFAULTTOPRIMARY), &info)) {
    return false;
  }
  *work = info.rcWork;
  return true;
}

}  // namespace zant::win32::gui
