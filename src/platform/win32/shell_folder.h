#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>

namespace zant::win32 {

// The shell calls behind a special folder's path. The item list that SHGetSpecialFolderLocation
// hands out belongs to the shell's own allocator, which SHGetMalloc gives: before Windows 2000
// the shell allocates it there rather than with the task allocator (CoTaskMemFree), above all
// while ole32 is not loaded, so only that allocator may free it. Tests pass their own.
struct ShellCalls {
  HRESULT(WINAPI* folder_location)(HWND owner, int csidl, LPITEMIDLIST* list);
  HRESULT(WINAPI* shell_allocator)(IMalloc** allocator);
};

const ShellCalls& SystemShellCalls();

// The file-system path of a special folder (CSIDL_PROGRAMS ...), as the shell names it; empty
// when the folder has none or the shell cannot say. The item list goes back to the allocator it
// came from.
std::wstring SpecialFolderPath(HWND owner, int csidl, const ShellCalls& calls = SystemShellCalls());

}  // namespace zant::win32
