#pragma once

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

}  // namespace zant::win32test
