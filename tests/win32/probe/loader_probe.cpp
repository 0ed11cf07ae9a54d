// A program for the library-loading tests, started by them as a child process. It never
// restricts its library search, as on Windows that lacks the restriction, and does one thing
// given by its first argument:
//   preload           preloads the system libraries, then loads each by name as a system library
//                     would, and writes "<name>\t<path loaded>\t<machine>" per line to
//                     loaded.txt beside it (machine: the library's image header, 014c for
//                     i386, 8664 for x86_64)
//   controls          makes the program's activation context from a manifest the probe does not
//                     have, so that it fails, loads common controls as the program does then,
//                     and writes "comctl32.dll\t<path loaded>" to loaded.txt
//   delayed           calls a delay-loaded shell32 function, as the program calls it, and writes
//                     "shell32.dll\t<path loaded>" to loaded.txt
//   missing-function  calls a function that version.dll does not export (delay-loaded)
//   missing-library   calls a function of a library that does not exist (delay-loaded)
// The last three install the program's delay-load failure report and its loading of delayed
// libraries from the system folder first, as the program does.
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "platform/win32/delay_loads.h"
#include "platform/win32/library_search.h"
#include "platform/win32/side_by_side.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

extern "C" int WINAPI ZantAbsentFunction();
extern "C" int WINAPI ZantAbsentLibraryFunction();

namespace {

std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.rfind(L'\\'));
}

// The machine an image in memory was built for, from its own headers, in hex.
std::string Machine(HMODULE module) {
  if (!module) {
    return "";
  }
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  char text[8] = {};
  wsprintfA(text, "%04x", nt->FileHeader.Machine);
  return text;
}

bool WriteReport(const std::string& report) {
  zant::win32::FileHandle file(CreateFileW((OwnFolder() + L"\\loaded.txt").c_str(), GENERIC_WRITE,
                                           0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file.valid() &&
         WriteFile(file.get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
}

std::string LoadedPath(HMODULE module) {
  std::wstring path(32768, L'\0');
  path.resize(module ? GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()))
                     : 0);
  return zant::win32::Narrow(path);
}

int Controls() {
  constexpr WORD kNoSuchManifest = 0x7F00;
  zant::win32::CommonControlsContext context(GetModuleHandleW(nullptr), kNoSuchManifest);
  if (context.RedirectsCommonControls()) {
    return 4;
  }
  zant::win32::LoadCommonControls(context);
  return WriteReport("comctl32.dll\t" + LoadedPath(GetModuleHandleW(L"comctl32.dll")) + "\n") ? 0
                                                                                              : 3;
}

int Preload() {
  wchar_t system_folder[MAX_PATH] = {};
  GetSystemDirectoryW(system_folder, MAX_PATH);
  zant::win32::PreloadSystemLibraries(system_folder, zant::win32::kPreloadedSystemLibraries);
  std::string report;
  for (const wchar_t* name : zant::win32::kPreloadedSystemLibraries) {
    HMODULE module = LoadLibraryW(name);
    report += zant::win32::Narrow(name) + "\t" + LoadedPath(module) + "\t" + Machine(module) + "\n";
  }
  return WriteReport(report) ? 0 : 3;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"preload") {
    return Preload();
  }
  if (mode == L"controls") {
    return Controls();
  }
  zant::win32::ReportFailedDelayLoads(L"Loader probe", 1);
  zant::win32::LoadDelayedLibrariesFromSystemFolder();
  if (mode == L"delayed") {
    IMalloc* allocator = nullptr;
    if (SHGetMalloc(&allocator) != S_OK || !allocator) {
      return 4;
    }
    allocator->Release();
    return WriteReport("shell32.dll\t" + LoadedPath(GetModuleHandleW(L"shell32.dll")) + "\n") ? 0
                                                                                              : 3;
  }
  if (mode == L"missing-function") {
    return ZantAbsentFunction();
  }
  if (mode == L"missing-library") {
    return ZantAbsentLibraryFunction();
  }
  return 2;
}
