#pragma once

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile

#include <memory>

#include "platform/file_system.h"

namespace zant::win32 {

// The file-system layer on the Win32 W functions (the A functions on the 95 family). Listings come
// from FindFirstFileExW("*") and are sorted by name (ordinal, ignoring case); wildcards are decided
// by MatchesPattern on long names with the system's upper-case table, never by the system's pattern
// matching or 8.3 names (the directory match lets the system narrow its read, then decides itself).
// Long paths and names outside the ANSI code page work. A folder lists its directory once for the
// pair Files()
// + SubFolders().
std::shared_ptr<FileSystem> MakeWin32FileSystem();

// The system call every directory read starts with (FindFirstFileExW's shape), and the one that
// reads the attributes of a path looked up by name to tell a link apart (GetFileAttributesW's):
// tests pass stand-ins to play an older Windows, or entries with reparse points Wine never makes.
using FindFirstFileExFn = HANDLE(WINAPI*)(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS,
                                          LPVOID, DWORD);
using GetFileAttributesFn = DWORD(WINAPI*)(LPCWSTR);
// GetFileAttributes of the running Windows' family (see system_calls.h).
DWORD WINAPI SystemAttributes(LPCWSTR path);
std::shared_ptr<FileSystem> MakeWin32FileSystemWith(
    FindFirstFileExFn find_first, GetFileAttributesFn get_attributes = &SystemAttributes);

}  // namespace zant::win32
