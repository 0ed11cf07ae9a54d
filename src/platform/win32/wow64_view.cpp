#include "platform/win32/wow64_view.h"

#include <windows.h>

#include <vector>

#include "platform/name_case.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

namespace {

struct Wow64Windows {
  std::string windows_folder;  // upper case; empty outside a 32-bit program on 64-bit Windows
  bool has_sysnative = false;
};

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using GetSystemWindowsDirectoryFn = UINT(WINAPI*)(LPWSTR, UINT);

// Windows without IsWow64Process (before XP) runs no 32-bit program on a 64-bit system.
Wow64Windows ReadWow64Windows() {
  static OptionalFunction<IsWow64ProcessFn> is_wow64_process("kernel32.dll", "IsWow64Process");
  static OptionalFunction<GetSystemWindowsDirectoryFn> system_windows_directory(
      "kernel32.dll", "GetSystemWindowsDirectoryW");
  Wow64Windows view;
  BOOL wow64 = FALSE;
  IsWow64ProcessFn is_wow64 = is_wow64_process.Get();
  GetSystemWindowsDirectoryFn windows_directory = system_windows_directory.Get();
  if (!is_wow64 || !windows_directory || !is_wow64(GetCurrentProcess(), &wow64) || !wow64) {
    return view;
  }
  std::vector<wchar_t> folder(MAX_PATH + 1);
  UINT length = windows_directory(folder.data(), static_cast<UINT>(folder.size()));
  if (length == 0 || length >= folder.size()) {
    return view;
  }
  std::wstring windows(folder.data(), length);
  DWORD attributes = sys::GetAttributes(windows + L"\\Sysnative");
  view.windows_folder = UpperCaseName(Narrow(windows));
  view.has_sysnative =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  return view;
}

}  // namespace

std::string ShownSubfolderName(const std::string& folder, const std::string& name) {
  static const Wow64Windows view = ReadWow64Windows();
  if (view.windows_folder.empty() || UpperCaseName(name) != "SYSTEM32" ||
      UpperCaseName(folder) != view.windows_folder) {
    return name;
  }
  return view.has_sysnative ? "Sysnative" : "";
}

}  // namespace zant::win32
