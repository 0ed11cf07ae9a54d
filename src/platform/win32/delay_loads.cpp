#include "platform/win32/delay_loads.h"

#include <windows.h>
// After windows.h: it needs its types.
#include <delayimp.h>

#include "platform/error.h"
#include "platform/win32/library_search.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

namespace {

std::wstring report_title;
int report_exit_code = 1;
ExitProcessFn report_exit = &ExitProcess;
LONG reporting = 0;

std::string FailedImport(unsigned notification, const DelayLoadInfo& info) {
  std::string library = info.szDll ? info.szDll : "";
  if (notification != dliFailGetProc) {
    return library;
  }
  if (info.dlp.fImportByName) {
    return library + "!" + info.dlp.szProcName;
  }
  return library + "!#" + std::to_string(info.dlp.dwOrdinal);
}

// The delay-load helper's failure hook. It never returns (only a test's stand-in for the exit
// does): returning nothing would make the helper raise its exception.
FARPROC WINAPI OnDelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliFailLoadLib && notification != dliFailGetProc) {
    return nullptr;
  }
  // The report needs user32, itself delay-loaded: a failure while it is shown (or on another
  // thread meanwhile) ends the process without a second one.
  if (InterlockedExchange(&reporting, 1) != 0) {
    report_exit(static_cast<UINT>(report_exit_code));
    return nullptr;
  }
  DWORD number = info->dwLastError;
  std::wstring text =
      Widen(UnhandledErrorText(static_cast<int32_t>(number),
                               SystemErrorText(number) + ": " + FailedImport(notification, *info)));
  MessageBoxW(nullptr, text.c_str(), report_title.c_str(), MB_OK | MB_ICONERROR);
  report_exit(static_cast<UINT>(report_exit_code));
  return nullptr;
}

// The delay-load helper's notification before it loads a library: the library from the system
// folder by its full path. A library that cannot be loaded from there goes to the failure hook,
// so that the helper never loads it by name itself.
FARPROC WINAPI OnDelayLoadNotice(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !info->szDll) {
    return nullptr;
  }
  std::wstring folder = sys::SystemFolder();
  HMODULE library = folder.empty() ? nullptr : LoadLibraryAt(folder + L"\\" + Widen(info->szDll));
  if (library) {
    return reinterpret_cast<FARPROC>(library);
  }
  DelayLoadInfo failed = *info;
  failed.dwLastError = folder.empty() ? ERROR_PATH_NOT_FOUND : GetLastError();
  return OnDelayLoadFailure(dliFailLoadLib, &failed);
}

}  // namespace

void LoadDelayedLibrariesFromSystemFolder() {
  __pfnDliNotifyHook2 = OnDelayLoadNotice;
}

void ReportFailedDelayLoads(const std::wstring& title, int exit_code, ExitProcessFn exit_process) {
  report_title = title;
  report_exit_code = exit_code;
  report_exit = exit_process;
  reporting = 0;
  __pfnDliFailureHook2 = OnDelayLoadFailure;
}

}  // namespace zant::win32
