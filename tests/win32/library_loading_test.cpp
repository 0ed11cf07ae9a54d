// Where the program's libraries come from when the library search is not restricted, and how a
// delayed load that fails ends. Both run loader_probe.exe (tests/win32/probe) as a child process
// from a scratch folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/library_search.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "standin_components.h"

namespace zant {
namespace {

using namespace standins;

std::wstring TestsFolder() {
  std::wstring exe(32768, L'\0');
  exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
  return std::filesystem::path(exe).parent_path().wstring();
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring Lower(std::wstring text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The probe copied into folder, started there with extra_environment added to this process's
// environment ("NAME=value").
win32::KernelHandle StartProbe(const std::wstring& folder, const std::wstring& mode,
                               const std::wstring& extra_environment = L"") {
  std::wstring probe = folder + L"\\loader_probe.exe";
  std::filesystem::copy_file(TestsFolder() + L"\\loader_probe.exe", probe,
                             std::filesystem::copy_options::overwrite_existing);
  std::wstring environment;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
    environment.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(block);
  if (!extra_environment.empty()) {
    environment.append(extra_environment).push_back(L'\0');
  }
  environment.push_back(L'\0');
  std::wstring command = L"\"" + probe + L"\" " + mode;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(probe.c_str(), command.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(), &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start the probe: " << GetLastError();
    return {};
  }
  CloseHandle(process.hThread);
  return win32::KernelHandle(process.hProcess);
}

// The exit code once the probe has ended (within 60 s); it is ended itself otherwise.
std::optional<DWORD> WaitForExit(const win32::KernelHandle& process) {
  if (!process.valid()) {
    return std::nullopt;
  }
  if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 99);
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

// The libraries that Windows' own libraries load by name and Wine does not, so that no run
// under Wine shows them missing from the preload; each with who loads it.
TEST(LibraryLoadingTest, PreloadNamesWhatWindowsLoadsByNameBeyondWine) {
  const struct {
    const wchar_t* name;
    const char* loaded_by;
  } expected[] = {
      {L"cryptbase.dll", "advapi32 on Windows 7"},
      {L"apphelp.dll", "kernel32's compatibility check of a started program; shell32 on Vista"},
      {L"ntmarta.dll", "advapi32's access-control functions"},
      {L"setupapi.dll", "shell32 on Vista and Windows 7"},
      {L"oleacc.dll", "the controls' accessibility support"},
      {L"clbcatq.dll", "ole32's class catalogue"},
      {L"dwmapi.dll", "uxtheme"},
      {L"msimg32.dll", "uxtheme, late, along a search that ignores the restriction"},
  };
  for (const auto& library : expected) {
    EXPECT_NE(std::find_if(win32::kPreloadedSystemLibraries.begin(),
                           win32::kPreloadedSystemLibraries.end(),
                           [&](const wchar_t* name) { return Lower(name) == library.name; }),
              win32::kPreloadedSystemLibraries.end())
        << win32::Narrow(library.name) << ", loaded by name by " << library.loaded_by;
  }
}

// The machine this process was built for, from its own image header (014c i386, 8664 x86_64).
std::string OwnMachine() {
  const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  char text[8] = {};
  wsprintfA(text, "%04x", nt->FileHeader.Machine);
  return text;
}

TEST(LibraryLoadingTest, PreloadedSystemLibrariesComeFromTheSystemFolderAndNotBesideTheExe) {
  // The probe runs the preload with its library search left as Windows without the restriction
  // leaves it, then loads each library by name. A marker under each name lies beside it, which
  // Wine is told to look for as Windows looks for a library that is not a known system
  // library: the exe's folder first.
  ScratchFolder folder(L"zant-preload");
  std::wstring overrides = L"WINEDLLOVERRIDES=mscoree,mshtml=;";
  bool first = true;
  // Only those this system folder holds: one it lacks is skipped, and a load by name then
  // searches on (Wine has no cryptbase, ntmarta or clbcatq).
  std::vector<const wchar_t*> names;
  for (const wchar_t* name : win32::kPreloadedSystemLibraries) {
    if (std::filesystem::exists(SystemFolder() + L"\\" + name)) {
      names.push_back(name);
    }
  }
  ASSERT_GE(names.size(), 9u);
  for (const wchar_t* name : names) {
    std::filesystem::copy_file(ComponentPath(L"planted_marker.dll"), folder.Path() + L"\\" + name);
    std::wstring base(name);
    overrides += (first ? L"" : L",") + base.substr(0, base.rfind(L'.'));
    first = false;
  }
  overrides += L"=n,b";
  win32::KernelHandle probe = StartProbe(folder.Path(), L"preload", overrides);
  ASSERT_EQ(WaitForExit(probe), 0u);

  // name -> {path, machine}
  std::map<std::string, std::pair<std::string, std::string>> loaded;
  std::ifstream report(std::filesystem::path(folder.Path()) / L"loaded.txt");
  for (std::string line; std::getline(report, line);) {
    size_t tab = line.find('\t');
    size_t second = tab == std::string::npos ? tab : line.find('\t', tab + 1);
    loaded[line.substr(0, tab)] = {
        tab == std::string::npos ? "" : line.substr(tab + 1, second - tab - 1),
        second == std::string::npos ? "" : line.substr(second + 1)};
  }
  for (const wchar_t* name : names) {
    SCOPED_TRACE(win32::Narrow(name));
    // The system folder as a 32-bit program names it: under a 64-bit Windows the folder
    // redirection leads the full-path load to the 32-bit libraries, as the machine shows.
    std::wstring expected = SystemFolder() + L"\\" + name;
    EXPECT_EQ(Lower(win32::Widen(loaded[win32::Narrow(name)].first)), Lower(expected));
    EXPECT_EQ(loaded[win32::Narrow(name)].second, OwnMachine());
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + L"\\" + name + L".loaded"))
        << "planted and loaded";
  }
}

// Runs the probe in mode with a marker library of name beside it, which Wine is told to look for
// as Windows looks for a library that is not a known system library, the exe's folder first;
// the probe must report that library loaded from the system folder, and the marker unloaded.
void ExpectFromTheSystemFolder(const wchar_t* mode, const std::wstring& name) {
  ScratchFolder folder(std::wstring(L"zant-") + mode);
  std::filesystem::copy_file(ComponentPath(L"planted_marker.dll"), folder.Path() + L"\\" + name);
  const std::wstring base = name.substr(0, name.rfind(L'.'));
  win32::KernelHandle probe =
      StartProbe(folder.Path(), mode, L"WINEDLLOVERRIDES=mscoree,mshtml=;" + base + L"=n,b");
  ASSERT_EQ(WaitForExit(probe), 0u);
  std::ifstream report(std::filesystem::path(folder.Path()) / L"loaded.txt");
  std::string line;
  std::getline(report, line);
  EXPECT_EQ(Lower(win32::Widen(line)), Lower(name + L"\t" + SystemFolder() + L"\\" + name));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + L"\\" + name + L".loaded"))
      << "the planted " << win32::Narrow(name) << " was loaded";
}

// Where the activation context fails (XP to 7, when the store refuses the manifest), comctl32
// must still come from the system folder: it is no known system library, and without the
// search restriction a load by name would look beside the exe first. The probe's context
// fails for want of its manifest.
TEST(LibraryLoadingTest, CommonControlsComeFromTheSystemFolderWhenTheContextFails) {
  ExpectFromTheSystemFolder(L"controls", L"comctl32.dll");
}

// The delay-load helper loads a library by its bare name, which, without the search restriction,
// is looked for beside the exe first; NT 4.0 to XP map their known system libraries (shell32
// among them) from the system folder only for the imports resolved at start-up. Every delayed
// library comes from the system folder instead: shell32, which the run loads last.
TEST(LibraryLoadingTest, DelayedLibrariesComeFromTheSystemFolder) {
  ExpectFromTheSystemFolder(L"delayed", L"shell32.dll");
}

struct BoxSearch {
  DWORD process_id;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (owner == search->process_id && IsWindowVisible(window) &&
      std::wstring(class_name) == L"#32770") {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &length);
  return text;
}

TEST(LibraryLoadingTest, FailedDelayedLoadEndsInTheErrorReport) {
  // The report starts with the number and names the library (and function) at its end.
  const struct {
    const wchar_t* mode;
    const wchar_t* start;
    const wchar_t* end;
  } cases[] = {
      {L"missing-function", L"Run-time error '127':\r\n\r\n", L": VERSION.dll!ZantAbsentFunction"},
      {L"missing-library", L"Run-time error '126':\r\n\r\n", L": zantabsent.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(win32::Narrow(c.mode));
    ScratchFolder folder(L"zant-delay-failure");
    win32::KernelHandle probe = StartProbe(folder.Path(), c.mode);
    ASSERT_TRUE(probe.valid());
    BoxSearch search{GetProcessId(probe.get())};
    bool shown = WaitUntil([&] {
      search.box = nullptr;
      EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
      return search.box != nullptr || WaitForSingleObject(probe.get(), 0) == WAIT_OBJECT_0;
    });
    if (!shown || !search.box) {
      TerminateProcess(probe.get(), 99);  // crashed: Wine's debugger holds it
      FAIL() << "no report shown";
    }
    EXPECT_EQ(WindowText(search.box), L"Loader probe");
    std::wstring text = WindowText(GetDlgItem(search.box, 0xFFFF));
    EXPECT_TRUE(text.starts_with(c.start) && text.ends_with(c.end)) << win32::Narrow(text);
    PostMessageW(search.box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForExit(probe), 1u);
  }
}

}  // namespace
}  // namespace zant
