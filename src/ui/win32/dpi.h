#pragma once

#include <windows.h>

namespace zant::win32 {

// The DPI a window is drawn at: GetDpiForWindow where the system has it (looked up at run time,
// so the program still starts on systems without it), else the screen's LOGPIXELSY.
UINT WindowDpi(HWND window);

// The outer rectangle of a window whose client area is `client`, with the frame metrics of the
// given DPI where the system can compute them (AdjustWindowRectExForDpi), else the system's.
RECT WindowRectForClient(const RECT& client, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace zant::win32
