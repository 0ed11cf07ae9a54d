#pragma once

#include <shlobj.h>
#include <windows.h>

#include <string>

// The system calls of the program that take or give a name or a text. On the NT family each is
// the W function, called as it stands. The 95 family implements only the A functions (its W
// ones fail or are missing): there each call takes the A function, with names in the system's
// ANSI code page. A name the code page cannot hold exactly fails as an invalid name
// (ERROR_INVALID_NAME), a path of MAX_PATH bytes or more as one too long
// (ERROR_FILENAME_EXCED_RANGE): a name never turns into another file's name, and a long path is
// refused, never cut short. Each answers as its W function does, with the error in
// GetLastError; a file or search that could not be opened is INVALID_HANDLE_VALUE, also where a
// stub would answer NULL.
namespace zant::win32::sys {

DWORD GetAttributes(const std::wstring& path);
bool SetAttributes(const std::wstring& path, DWORD attributes);

// A directory read (FindFirstFile/FindNextFile). On the 95 family an entry is handed on under
// its long name only when that name, in the ANSI code page, leads back to the entry itself;
// otherwise under its short name, and an entry with neither is passed over (as a name that
// cannot be read). FindNext takes the pattern FindFirst was given.
HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* data);
bool FindNext(HANDLE search, const std::wstring& pattern, WIN32_FIND_DATAW* data);

bool Copy(const std::wstring& from, const std::wstring& to, bool fail_if_exists);
// On the 95 family, which would delete a file in use, a file that cannot be opened exclusively
// is left as it is, refused with the open's error (ERROR_SHARING_VIOLATION), as NT refuses it.
bool Delete(const std::wstring& path);
bool RemoveFolder(const std::wstring& path);

// Renames a file, replacing a file of the new name. The 95 family has no replacing rename: there
// the file in the way is deleted first, then the file renamed, so that a failure between the
// two leaves the file being renamed as it was.
bool MoveReplacing(const std::wstring& from, const std::wstring& to);

// CreateFile without security attributes or template. FILE_SHARE_DELETE, which the 95 family
// refuses, is left out there.
HANDLE OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags);

// A file opened (created if missing) for appending at its end, others may read it meanwhile.
HANDLE OpenForAppend(const std::wstring& path);

// GetFullPathName; empty when the system cannot resolve the path.
std::wstring FullPath(const std::wstring& path);

UINT DriveType(const std::wstring& root);

// The full path of a loaded module (null: the program), any length; empty on failure.
std::wstring ModulePath(HMODULE module);

// The Windows system folder as GetSystemDirectory gives it; empty on failure.
std::wstring SystemFolder();

HANDLE CreateNamedMutex(const std::wstring& name);

bool SetCurrentFolder(const std::wstring& path);

// Starts a program with its command line, its window shown as `show`, no handles inherited.
bool StartProcess(const std::wstring& application, const std::wstring& command_line, WORD show,
                  PROCESS_INFORMATION* process);

HMODULE LoadLibraryFrom(const std::wstring& path, DWORD flags);

// The system's text for an error code, as FormatMessage gives it; empty when it has none.
std::wstring ErrorText(DWORD code);

// The file-system path of a shell folder (SHGetPathFromIDList); empty when it has none.
std::wstring PathFromIdList(LPCITEMIDLIST list);

// For tests: the 95 family's error codes are not NT's, and Wine's A functions answer NT's. A
// rule gives the code the 95 family would answer for a failed call of an A function
// ("MoveFileA", "FindFirstFileA", "CopyFileA") in place of the system's; null answers as the
// system does.
using AnsiErrorRule = DWORD (*)(const char* function, DWORD error);
void SetAnsiErrorRuleForTest(AnsiErrorRule rule);

}  // namespace zant::win32::sys
