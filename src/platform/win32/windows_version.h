#pragma once

#include <cstdint>

namespace zant::win32 {

// The Windows the program runs on, as GetVersion reports it: the one version query every
// Windows has (the extended record of GetVersionEx is refused by NT 4.0 before its sixth
// service pack, and only stubbed by the 95 family).
struct WindowsVersion {
  bool nt_family = true;  // false on Windows 95, 98 and ME
  uint32_t major = 0;
  uint32_t minor = 0;
};

// Read once.
const WindowsVersion& RunningWindows();

// Whether the system implements the W functions (the NT family), or only the A functions and a
// dozen W ones (the 95 family). Every call that takes or gives a name or a text asks this, and
// passes it in the system's ANSI code page where the answer is no.
bool WideCallsWork();

// For the Win32-layer tests, which run the ANSI calls against real files on an NT system:
// 1 acts as the NT family, 0 as the 95 family, -1 goes back to the running Windows.
void ActAsFamilyForTest(int nt_family);

// The platform identifier of the restart's privilege steps: 2 for the NT family, 1 for the
// 95 family (VER_PLATFORM_WIN32_NT, VER_PLATFORM_WIN32_WINDOWS).
uint32_t PlatformIdentifier();

}  // namespace zant::win32
