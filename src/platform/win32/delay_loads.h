#pragma once

#include <windows.h>

#include <string>

namespace zant::win32 {

// How the process ends after the report (ExitProcess's shape): tests pass a stand-in that
// records the exit code and returns.
using ExitProcessFn = void(WINAPI*)(UINT);

// Makes a delayed load that fails (a system library that cannot be loaded, or one that lacks a
// function the program calls, as an older Windows may) end the program the way any unhandled
// failure does: the report with Windows' error number and description, naming the library and
// function, in a box titled title, then the process ends with exit_code. Without it the
// delay-load helper raises an exception that nothing handles and the program crashes.
void ReportFailedDelayLoads(const std::wstring& title, int exit_code,
                            ExitProcessFn exit_process = &ExitProcess);

// Makes every delay-loaded system library (user32, gdi32, advapi32, shell32) come from the
// system folder by its full path (LoadLibraryAt), never by its bare name as the delay-load
// helper would load it: without the search restriction the exe's folder is searched first,
// and NT 4.0 to XP map their known system libraries from the system folder only for the
// imports resolved at start-up. A library the system folder does not hold fails as a library
// that cannot be loaded (the report above), never looked for elsewhere.
void LoadDelayedLibrariesFromSystemFolder();

}  // namespace zant::win32
