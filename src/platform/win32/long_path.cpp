#include "platform/win32/long_path.h"

#include <windows.h>

#include "platform/fs_path.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_version.h"

namespace zant::win32 {

namespace {

// Below this many UTF-16 units every W function takes the plain path, with room left for "\*"
// and for a name that a caller appends.
constexpr size_t kPlainPathLimit = 240;

std::wstring FullPath(const std::wstring& path) {
  std::wstring full = sys::FullPath(path);
  return full.empty() ? path : full;
}

}  // namespace

std::string FullPathName(const std::string& normalized) {
  return Narrow(FullPath(Widen(fs_path::FullPath(normalized, ""))));
}

std::wstring Win32Path(const std::string& normalized) {
  std::wstring path = Widen(normalized);
  // The 95 family knows no prefix: a path beyond its limit fails as too long (system_calls.h).
  if (path.size() < kPlainPathLimit || path.rfind(L"\\\\?\\", 0) == 0 || !WideCallsWork()) {
    return path;
  }
  path = FullPath(path);
  if (path.rfind(L"\\\\", 0) == 0) {
    return L"\\\\?\\UNC\\" + path.substr(2);
  }
  return L"\\\\?\\" + path;
}

}  // namespace zant::win32
