#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/windows_version.h"

namespace zant::win32test {

// The Win32 layer acts as the NT family (1) or the 95 family (0) while this lives: the 95
// family's A calls then run against real files on this NT system.
class FamilyScope {
 public:
  explicit FamilyScope(int nt_family) { win32::ActAsFamilyForTest(nt_family); }
  ~FamilyScope() { win32::ActAsFamilyForTest(-1); }
  FamilyScope(const FamilyScope&) = delete;
  FamilyScope& operator=(const FamilyScope&) = delete;
};

struct Family {
  int nt_family;
  const char* name;
};
inline constexpr Family kBothFamilies[] = {{1, "NT family"}, {0, "95 family"}};

// What the 95 family answers where NT's codes differ (the Win32 SDK warns that they do), for
// win32::sys::SetAnsiErrorRuleForTest: a DOS rename onto an existing name is refused as access
// denied, and a search that matches nothing may end with "no more files".
inline DWORD Windows95Error(const char* function, DWORD error) {
  const std::string called = function;
  if (called == "MoveFileA" && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
    return ERROR_ACCESS_DENIED;
  }
  if (called == "FindFirstFileA" && error == ERROR_FILE_NOT_FOUND) {
    return ERROR_NO_MORE_FILES;
  }
  return error;
}

}  // namespace zant::win32test
