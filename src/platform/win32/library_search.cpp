#include "platform/win32/library_search.h"

#include <commctrl.h>

#include "platform/win32/optional_function.h"
#include "platform/win32/side_by_side.h"
#include "platform/win32/system_calls.h"

namespace zant::win32 {

namespace {

// Windows 8 and later, and Windows 7 and Vista with the 2011 loader update (KB2533623), which
// also brought the LOAD_LIBRARY_SEARCH_* flags of LoadLibraryEx.
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
SetDefaultDllDirectoriesFn SetDefaultDllDirectories() {
  static OptionalFunction<SetDefaultDllDirectoriesFn> function("kernel32.dll",
                                                               "SetDefaultDllDirectories");
  return function.Get();
}

}  // namespace

void RestrictLibrarySearch() {
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  static OptionalFunction<SetDllDirectoryFn> set_dll_directory("kernel32.dll", "SetDllDirectoryW");
  if (SetDefaultDllDirectoriesFn system_folder_only = SetDefaultDllDirectories();
      system_folder_only && system_folder_only(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return;
  }
  // XP SP1 and later: the current folder leaves the search. Before that (NT 4.0, 2000, XP, the
  // 95 family) it is searched right after the exe's folder, or after the system folders where
  // the safe search order is on: the current folder becomes the system folder, which is
  // searched anyway. The run uses full paths only; the installers it starts begin there too.
  // On every Windows the preload is what keeps the system libraries' loads by name away from
  // the exe's folder.
  if (SetDllDirectoryFn take_out_current_folder = set_dll_directory.Get()) {
    take_out_current_folder(L"");
  } else if (std::wstring system_folder = sys::SystemFolder(); !system_folder.empty()) {
    sys::SetCurrentFolder(system_folder);
  }
}

namespace {

// Two sources. First, what a complete update loads under Wine (WINEDEBUG=+loaddll, the complete
// run of tests/e2e/test_updates.py kept with ZANT_E2E_KEEP=1, the updater's own lines of its
// log), leaving out
// - the known system libraries and what they import, mapped from the system folder by Windows
//   itself (kernel32 with kernelbase, msvcrt, sechost, advapi32, user32, gdi32, imm32, rpcrt4,
//   combase, ole32, shcore, shlwapi, shell32);
// - Wine's own (zlib1, win32u, winex11.drv, and ucrtbase, the runtime of Wine's libraries);
// - comctl32, which comes from the side-by-side store (version 6, the program's own activation
//   context); the system folder's is version 5,
// which leaves version, uxtheme and msimg32 (uxtheme loads it late).
// Second, what Windows' own libraries load by name beyond Wine's on Vista and Windows 7, where
// the restriction may be missing; public installers and archivers that preload system
// libraries name them, found on real Windows:
// - dwmapi (uxtheme), propsys and userenv (shell32), cryptbase (advapi32 on Windows 7);
// - apphelp: kernel32's compatibility check of each program started (the installers the run
//   starts), and shell32's path translation on Vista;
// - ntmarta: advapi32's access-control functions;
// - setupapi: shell32 on Vista and Windows 7;
// - oleacc: the accessibility support of the controls (user32, comctl32);
// - clbcatq: ole32's class catalogue, on the first object created.
// Third, what shell32 imports by name and only newer Windows knows as a known system library:
// shlwapi, and shcore, which shell32 and shlwapi import from Windows 8 on (and as Wine has them,
// seen where no restriction exists: Wine playing NT 4.0). Before XP, common controls 6 do not
// exist and shell32 imports comctl32 from the system folder by name: LoadCommonControls loads it
// from there, also on a later Windows whose activation context failed.
// Dependencies come before the libraries that load them. One this Windows lacks is skipped.
constexpr const wchar_t* kPreloadList[] = {
    L"msimg32.dll", L"version.dll", L"dwmapi.dll",   L"cryptbase.dll", L"ntmarta.dll",
    L"apphelp.dll", L"userenv.dll", L"setupapi.dll", L"propsys.dll",   L"oleacc.dll",
    L"clbcatq.dll", L"uxtheme.dll", L"shcore.dll",   L"shlwapi.dll",
};

}  // namespace

const std::span<const wchar_t* const> kPreloadedSystemLibraries = kPreloadList;

void PreloadSystemLibraries(const std::wstring& system_folder,
                            std::span<const wchar_t* const> names) {
  for (const wchar_t* name : names) {
    // Kept loaded for the whole run: a later load by name must find it. One that this Windows
    // lacks simply fails to load.
    LoadLibraryAt(system_folder + L"\\" + name);
  }
}

void PreloadSystemLibraries() {
  std::wstring folder = sys::SystemFolder();
  if (folder.empty()) {
    return;
  }
  PreloadSystemLibraries(folder, kPreloadedSystemLibraries);
}

void LoadCommonControls(const CommonControlsContext& context) {
  if (!context.RedirectsCommonControls()) {
    // The system folder's, by its full path: shell32 imports comctl32 by name, and finds this
    // one already loaded. The window itself needs nothing of it (its controls are user32's).
    if (std::wstring folder = sys::SystemFolder(); !folder.empty()) {
      LoadLibraryAt(folder + L"\\comctl32.dll");
    }
    return;
  }
  // Common controls 6, by name through the active context, from the side-by-side store.
  if (!LoadLibraryA("comctl32.dll")) {
    return;
  }
  using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static OptionalFunction<InitCommonControlsExFn> init("comctl32.dll", "InitCommonControlsEx");
  if (InitCommonControlsExFn start = init.Get()) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
    start(&icc);
  }
}

HMODULE LoadLibraryAt(const std::wstring& path) {
  // Not LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: those include the exe's folder, and a library that a
  // component imports but the system folder does not hold yet would come from the medium.
  if (SetDefaultDllDirectories()) {
    HMODULE module =
        sys::LoadLibraryFrom(path, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) {
      return module;
    }
  }
  // Windows without the search flags (before 8 without the loader update, the 95 family): the
  // library's own folder takes the exe's place at the head of the search, followed by the
  // system folder, the Windows folder and the folders of PATH; the current folder is out
  // where RestrictLibrarySearch could take it out (XP SP1 and later). The exe's folder is not
  // searched.
  return sys::LoadLibraryFrom(path, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace zant::win32
