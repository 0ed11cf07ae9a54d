#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "family_scope.h"
#include "platform/error.h"
#include "platform/win32/shell_folder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system_services.h"
#include "standin_components.h"

namespace zant {
namespace {

using namespace standins;
using win32test::FamilyScope;
using win32test::kBothFamilies;

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         CompareStringOrdinal(win32::Widen(text.substr(text.size() - tail.size())).c_str(), -1,
                              win32::Widen(tail).c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Win32SystemServices, OwnFolderHoldsTheRunningProgram) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    auto services = MakeWin32SystemServices();
    std::string folder = services->OwnFolder();
    ASSERT_TRUE(IsFolder(folder)) << folder;
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring name = std::filesystem::path(exe).filename().wstring();
    EXPECT_NE(GetFileAttributesW((win32::Widen(folder) + L"\\" + name).c_str()),
              INVALID_FILE_ATTRIBUTES);
  }
}

TEST(Win32SystemServices, OnlyOneUpdaterAtATime) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    auto first = MakeWin32SystemServices();
    ASSERT_TRUE(first->ClaimSingleInstance());
    EXPECT_FALSE(MakeWin32SystemServices()->ClaimSingleInstance());
    EXPECT_FALSE(MakeWin32SystemServices()->ClaimSingleInstance())
        << "a refused claim holds nothing";
    first.reset();
    EXPECT_TRUE(MakeWin32SystemServices()->ClaimSingleInstance()) << "released with its owner";
  }
}

TEST(Win32SystemServices, SystemFolderExistsWithoutTrailingBackslash) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    std::string folder = MakeWin32SystemServices()->GetSystemFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(IsFolder(folder)) << folder;
  }
}

TEST(Win32SystemServices, ProgramsFolderEndsWithExactlyOneBackslash) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    std::string folder = MakeWin32SystemServices()->GetSpecialFolderPath(kCsidlPrograms, nullptr);
    ASSERT_GE(folder.size(), 2u) << folder;
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_NE(folder[folder.size() - 2], '\\') << folder;
    EXPECT_TRUE(IsFolder(folder)) << folder;
    EXPECT_TRUE(EndsWith(folder, "\\Start Menu\\Programs\\")) << folder;
    // The clean-up joins names with and without a separator of its own; both reach the folder.
    EXPECT_TRUE(IsFolder(folder + "\\.")) << folder;
  }
}

TEST(Win32SystemServices, FolderWithoutFileSystemPathOrUnknownNumberGivesEmpty) {
  auto services = MakeWin32SystemServices();
  EXPECT_EQ(services->GetSpecialFolderPath(CSIDL_DRIVES, nullptr), "");
  EXPECT_EQ(services->GetSpecialFolderPath(0x7f7f, nullptr), "");
}

// A shell allocator of the test's own: it hands out and takes back the copies of the shell's
// item lists that the fake location below makes, and counts what it frees.
class CountingShellAllocator final : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override {
    void* block = HeapAlloc(GetProcessHeap(), 0, size);
    handed_out.push_back(block);
    return block;
  }
  void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
  void STDMETHODCALLTYPE Free(void* block) override {
    freed.push_back(block);
    HeapFree(GetProcessHeap(), 0, block);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return 0; }
  int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
  void STDMETHODCALLTYPE HeapMinimize() override {}

  ULONG references = 1;
  std::vector<void*> handed_out;
  std::vector<void*> freed;
};

CountingShellAllocator g_shell_allocator;

HRESULT WINAPI TestAllocator(IMalloc** allocator) {
  g_shell_allocator.AddRef();
  *allocator = &g_shell_allocator;
  return S_OK;
}

// The shell's own list for the folder, copied into the test allocator's memory.
HRESULT WINAPI ListFromTestAllocator(HWND owner, int csidl, LPITEMIDLIST* list) {
  LPITEMIDLIST shell_list = nullptr;
  HRESULT result = SHGetSpecialFolderLocation(owner, csidl, &shell_list);
  if (result != S_OK) {
    return result;
  }
  size_t size = sizeof(USHORT);  // the terminating empty item
  for (auto* item = reinterpret_cast<const BYTE*>(shell_list);
       reinterpret_cast<const SHITEMID*>(item)->cb != 0;
       item += reinterpret_cast<const SHITEMID*>(item)->cb) {
    size += reinterpret_cast<const SHITEMID*>(item)->cb;
  }
  *list = static_cast<LPITEMIDLIST>(g_shell_allocator.Alloc(size));
  std::memcpy(*list, shell_list, size);
  IMalloc* shell_allocator = nullptr;
  SHGetMalloc(&shell_allocator);
  shell_allocator->Free(shell_list);
  shell_allocator->Release();
  return S_OK;
}

// Before Windows 2000 the shell's item lists belong to its own allocator, not to the task
// allocator: the list goes back to the allocator SHGetMalloc gives, once, and that allocator is
// released again.
TEST(Win32SystemServices, ShellItemListGoesBackToTheShellAllocator) {
  const win32::ShellCalls calls{&ListFromTestAllocator, &TestAllocator};
  std::wstring expected = win32::SpecialFolderPath(nullptr, kCsidlPrograms);
  ASSERT_FALSE(expected.empty());
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    g_shell_allocator.handed_out.clear();
    g_shell_allocator.freed.clear();
    EXPECT_EQ(win32::SpecialFolderPath(nullptr, kCsidlPrograms, calls), expected);
    ASSERT_EQ(g_shell_allocator.handed_out.size(), 1u);
    EXPECT_EQ(g_shell_allocator.freed, g_shell_allocator.handed_out);
    EXPECT_EQ(g_shell_allocator.references, 1u) << "the allocator is released after use";
  }
  g_shell_allocator.freed.clear();
  EXPECT_EQ(win32::SpecialFolderPath(nullptr, CSIDL_DRIVES, calls), L"");
  EXPECT_EQ(g_shell_allocator.freed.size(), 1u) << "a list without a path is freed too";
}

TEST(Win32SystemServices, LogEntriesStartOnANewLineAndKeepEarlierContent) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    ScratchFolder scratch(L"zant-log");
    auto services = MakeWin32SystemServices();

    std::wstring fresh = scratch.Path() + L"\\ZEPDI140.log";
    services->AppendLogLine(win32::Narrow(fresh), "A");
    services->AppendLogLine(win32::Narrow(fresh), "B");
    EXPECT_EQ(ReadBytes(fresh), "\r\nA\r\nB");

    std::wstring earlier = scratch.Path() + L"\\earlier.log";
    std::ofstream(std::filesystem::path(earlier), std::ios::binary) << "from an earlier run";
    services->AppendLogLine(win32::Narrow(earlier), "Error copying dartzip.dll");
    EXPECT_EQ(ReadBytes(earlier), "from an earlier run\r\nError copying dartzip.dll");

    // The file is closed again: nobody else's exclusive open is refused.
    HANDLE exclusive =
        CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    CloseHandle(exclusive);
  }
}

TEST(Win32SystemServices, LogTextIsWrittenInTheAnsiCodePage) {
  ScratchFolder scratch(L"zant-log-ansi");
  std::wstring log = scratch.Path() + L"\\ansi.log";
  const std::wstring text = L"Caf\u00e9";
  char ansi[16] = {};
  BOOL lossy = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi, sizeof(ansi), nullptr, &lossy);
  if (GetACP() == CP_UTF8 || lossy || n <= 0) {
    GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no single-byte e acute";
  }
  MakeWin32SystemServices()->AppendLogLine(win32::Narrow(log), win32::Narrow(text));
  EXPECT_EQ(ReadBytes(log), std::string("\r\n") + ansi);
}

TEST(Win32SystemServices, LogThatCannotBeOpenedThrowsWithItsPath) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    ScratchFolder scratch(L"zant-log-missing");
    std::string log = win32::Narrow(scratch.Path()) + "\\no such folder\\ZEPDI140.log";
    try {
      MakeWin32SystemServices()->AppendLogLine(log, "A");
      FAIL() << "no error for " << log;
    } catch (const RunError& error) {
      EXPECT_EQ(error.Number(), ERROR_PATH_NOT_FOUND);
      EXPECT_NE(error.Description().find(log), std::string::npos) << error.Description();
    }
  }
}

// Waits until the started process has ended, so that its exe can be removed.
void WaitForExit(uint32_t process_id) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (process) {
    WaitForSingleObject(process, 60000);
    CloseHandle(process);
  }
}

class StartProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetStandInRecords(); }
  void TearDown() override { ForgetStandInRecords(); }
};

TEST_F(StartProgramTest, StartsTheNamedProgramMinimizedWithoutFocusEvenBesideADecoy) {
  for (const auto& family : kBothFamilies) {
    SCOPED_TRACE(family.name);
    FamilyScope scope(family.nt_family);
    // "...\ZANT Update\EXE\msvbvm50.exe" read without quotes starts with "...\ZANT.exe".
    ScratchFolder scratch(L"zant-start");
    std::wstring exe_folder = scratch.Path() + L"\\ZANT Update\\EXE";
    std::filesystem::create_directories(exe_folder);
    std::wstring installer = exe_folder + L"\\msvbvm50.exe";
    ASSERT_TRUE(
        CopyFileW(ComponentPath(L"installer_standin.exe").c_str(), installer.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(ComponentPath(L"installer_standin.exe").c_str(),
                          (scratch.Path() + L"\\ZANT.exe").c_str(), FALSE));

    uint32_t id = MakeWin32SystemServices()->StartProgram(win32::Narrow(installer), "/Q");
    ASSERT_NE(id, 0u);
    // Whichever of the two ran records itself.
    ASSERT_TRUE(WaitUntil([] {
      return ReadRegistryDword(InstallerKey(L"msvbvm50.exe"), L"ShowWindow").has_value() ||
             RegistryKeyExists(InstallerKey(L"ZANT.exe"));
    }));
    WaitForExit(id);

    EXPECT_FALSE(RegistryKeyExists(InstallerKey(L"ZANT.exe")));
    EXPECT_EQ(ReadRegistryString(InstallerKey(L"msvbvm50.exe"), L"CommandLine"),
              L"\"" + installer + L"\" /Q");
    EXPECT_EQ(ReadRegistryDword(InstallerKey(L"msvbvm50.exe"), L"ShowWindow"),
              DWORD{SW_SHOWMINNOACTIVE});
  }
}

TEST_F(StartProgramTest, MissingProgramGivesZero) {
  ScratchFolder scratch(L"zant-start-missing");
  std::string missing = win32::Narrow(scratch.Path()) + "\\EXE\\msvbvm50.exe";
  EXPECT_EQ(MakeWin32SystemServices()->StartProgram(missing, "/Q"), 0u);
}

// The privilege steps of the restart, without the reboot request itself (that one ends the
// processes of the Wine prefix; the end-to-end tests see it arrive).
TEST(Win32RestartCalls, WineOffersTheNtPathAndGrantsTheShutdownPrivilege) {
  auto calls = MakeWin32RestartCalls();
  EXPECT_EQ(calls->PlatformId(), kPlatformWin32Nt);
  ASSERT_TRUE(calls->OpenOwnToken());
  ASSERT_TRUE(calls->LookupShutdownPrivilege());
  RestartCalls::AdjustOutcome outcome = calls->EnableShutdownPrivilege();
  EXPECT_TRUE(outcome.carried_out);
  EXPECT_NE(outcome.last_error, kErrorNotAllAssigned);
  calls->CloseToken();
}

}  // namespace
}  // namespace zant
