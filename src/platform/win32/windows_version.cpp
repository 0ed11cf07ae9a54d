#include "platform/win32/windows_version.h"

#include <windows.h>

namespace zant::win32 {

namespace {

int family_for_test = -1;

}  // namespace

const WindowsVersion& RunningWindows() {
  static const WindowsVersion version = [] {
    DWORD packed = GetVersion();
    WindowsVersion v;
    // The high bit is set on the 95 family only; the low word holds major and minor.
    v.nt_family = (packed & 0x80000000u) == 0;
    v.major = LOBYTE(LOWORD(packed));
    v.minor = HIBYTE(LOWORD(packed));
    return v;
  }();
  return version;
}

bool WideCallsWork() {
  return family_for_test >= 0 ? family_for_test == 1 : RunningWindows().nt_family;
}

void ActAsFamilyForTest(int nt_family) {
  family_for_test = nt_family;
}

uint32_t PlatformIdentifier() {
  return RunningWindows().nt_family ? VER_PLATFORM_WIN32_NT : VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace zant::win32
