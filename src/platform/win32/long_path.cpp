#include "platform/win32/long_path.h"

#include <windows.h>

#include "platform/fs_path.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

namespace {

// Below this many UTF-16 units every W function takes the plain path, with room left for "\*"
// and for a name that a caller appends.
constexpr size_t kPlainPathLimit = 240;

std::wstring FullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return path;
  }
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) {
    return path;
  }
  full.resize(length);
  return full;
}

}  // namespace

std::string FullPathName(const std::string& normalized) {
  return Narrow(FullPath(Widen(fs_path::FullPath(normalized, ""))));
}

std::wstring Win32Path(const std::string& normalized) {
  std::wstring path = Widen(normalized);
  if (path.size() < kPlainPathLimit || path.rfind(L"\\\\?\\", 0) == 0) {
    return path;
  }
  path = FullPath(path);
  if (path.rfind(L"\\\\", 0) == 0) {
    return L"\\\\?\\UNC\\" + path.substr(2);
  }
  return L"\\\\?\\" + path;
}

}  // namespace zant::win32
