#include "platform/win32/library_search.h"

namespace zant::win32 {

void RestrictLibrarySearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  FARPROC proc = kernel32 ? GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
  // Through the generic function pointer type, which converts to any other without a warning.
  auto set_default_directories =
      reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(proc));
  if (set_default_directories && set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return;
  }
  SetDllDirectoryW(L"");
}

HMODULE LoadLibraryAt(const std::wstring& path) {
  // Not LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: those include the exe's folder, and a library that a
  // component imports but the system folder does not hold yet would come from the medium.
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
    // Windows without the search flags (Vista, Windows 7 without the loader update): the
    // library's own folder takes the exe's place at the head of the search, followed by the
    // system folder, the Windows folder and the folders of PATH; the current folder is out
    // (RestrictLibrarySearch). The exe's folder is not searched.
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

}  // namespace zant::win32
