#pragma once

#include <string>

namespace zant::win32 {

// Makes a delayed load that fails (a system library that cannot be loaded, or one that lacks a
// function the program calls, as an older Windows may) end the program the way any unhandled
// failure does: the report with Windows' error number and description, naming the library and
// function, in a box titled title, then the process ends with exit_code. Without it the
// delay-load helper raises an exception that nothing handles and the program crashes.
void ReportFailedDelayLoads(const std::wstring& title, int exit_code);

}  // namespace zant::win32
