#pragma once

#include <windows.h>

#include <string>

// The window's system calls that take or give a text, or that the 95 family implements only in
// their A form (its W ones fail): the W function on the NT family, the A function with texts in
// the system's ANSI code page on the 95 family, where the window class and its messages are
// ANSI. Calls without a text that both families implement are made directly.
namespace zant::win32::gui {

// The program's own module (GetModuleHandle(nullptr)).
HINSTANCE ProgramModule();

// Registers the window class unless it is already there; false (error in GetLastError) when it
// can be neither.
bool RegisterWindowClass(HINSTANCE module, const wchar_t* name, WNDPROC procedure,
                         HBRUSH background);

// Unregisters it once no window of it is left (a second surface may still have one).
void UnregisterWindowClass(HINSTANCE module, const wchar_t* name);

HWND CreateWindowWithText(DWORD ex_style, const wchar_t* window_class, const std::wstring& text,
                          DWORD style, HWND parent, UINT id, HINSTANCE module, void* parameter);
LRESULT DefaultProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
bool SetText(HWND window, const std::wstring& text);
LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// One pass over pending events: takes the next one off the queue (PeekMessage, PM_REMOVE).
bool TakeMessage(MSG* msg);
bool IsDialogMessageFor(HWND dialog, MSG* msg);
void Dispatch(const MSG* msg);

void SetUserData(HWND window, void* data);
void* UserData(HWND window);

// An image of the program's resources by its number (LoadImage).
HANDLE LoadResourceImage(HINSTANCE module, WORD id, UINT type, int width, int height, UINT flags);

// The face and size of the platform's user-interface font (DEFAULT_GUI_FONT).
bool GuiFont(LOGFONTW* font);
HFONT CreateFontFrom(const LOGFONTW& font);
bool BitmapOf(HBITMAP bitmap, BITMAP* info);

// The work area of the screen (SPI_GETWORKAREA).
bool ScreenWorkArea(RECT* work);

// The work area of the monitor that shows most of the window; false where the system has no
// monitors to ask (before 98 and 2000).
bool MonitorWorkArea(HWND window, RECT* work);

}  // namespace zant::win32::gui
