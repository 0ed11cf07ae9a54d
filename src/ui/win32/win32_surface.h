#pragma once

#include <windows.h>

// <windows.h> maps MessageBox to MessageBoxW, which would rename Surface::MessageBox in every
// file that sees both; the Win32 code calls MessageBoxW by its own name.
#undef MessageBox

#include <memory>

#include "ui/layout.h"
#include "ui/surface.h"

namespace zant::win32 {

// The progress window as a real Win32 window, laid out from the layout table at the window's
// DPI, centred on the screen and created hidden. `resources` is the module that holds the icon
// and the banner (the exe itself in the product); without them (nullptr) the window has no icon
// of its own and the picture box shows only its background.
std::unique_ptr<Surface> MakeWin32Surface(HINSTANCE resources);

// The child-window identifier of a control, for GetDlgItem. The Cancel button has IDCANCEL, so
// that Esc and Enter reach it through the dialog keys.
int ControlId(ui::Control control);

}  // namespace zant::win32
