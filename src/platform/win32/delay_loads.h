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

}  // namespace zant::win32
