#include "platform/win32/system_calls.h"

#include <cstring>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/windows_version.h"

namespace zant::win32::sys {

namespace {

// A name for an A function: false, with the error set, when it cannot be one.
bool Ansi(const std::wstring& path, std::string* ansi) {
  if (!ToAnsiName(path, ansi)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (ansi->size() >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return true;
}

AnsiErrorRule ansi_error_rule = nullptr;

// The error of the A function just called, as the test's rule would have the 95 family answer.
DWORD AnsiError(const char* function) {
  DWORD error = GetLastError();
  if (ansi_error_rule) {
    error = ansi_error_rule(function, error);
    SetLastError(error);
  }
  return error;
}

// A stub of the 95 family answers NULL for a handle it could not make.
HANDLE FileResult(HANDLE handle) {
  return handle ? handle : INVALID_HANDLE_VALUE;
}

// Whether nobody has the file open: the 95 family deletes and renames files that are open (a
// running program, a database in use), where NT refuses. An exclusive open fails then.
bool NotInUseA(const std::string& path) {
  HANDLE file =
      FileResult(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(file);
  return true;
}

// DeleteFileA that leaves a file in use as it is, as NT does: refused with the open's error.
bool DeleteUnusedA(const std::string& path) {
  return NotInUseA(path) && DeleteFileA(path.c_str()) != 0;
}

bool IsFolderA(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder part of an ANSI search pattern, with its backslash ("" for a bare pattern).
std::string FolderOf(const std::string& pattern) {
  size_t slash = pattern.find_last_of("\\/:");
  return slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
}

// Whether the ANSI long name of an entry that also has a short name is the entry's own: the
// code page may have replaced a character by '?' or by a look-alike, which could be another
// file's name. Looked up again, the name must lead to the same entry: the same names, byte for
// byte (a folder holds each short name once), not names a locale's comparison calls equal.
bool LongNameIsOwn(const std::string& folder, const WIN32_FIND_DATAA& entry) {
  if (std::strchr(entry.cFileName, '?') != nullptr) {
    return false;
  }
  std::string path = folder + entry.cFileName;
  if (path.size() >= MAX_PATH) {
    return false;
  }
  WIN32_FIND_DATAA again;
  HANDLE search = FindFirstFileA(path.c_str(), &again);
  if (search == INVALID_HANDLE_VALUE || search == nullptr) {
    return false;
  }
  FindClose(search);
  return std::strcmp(again.cFileName, entry.cFileName) == 0 &&
         std::strcmp(again.cAlternateFileName, entry.cAlternateFileName) == 0;
}

// The entry as the W form has it; false when it has no name that leads to it.
bool ToWideEntry(const std::string& folder, const WIN32_FIND_DATAA& entry, WIN32_FIND_DATAW* data) {
  const char* name = entry.cFileName;
  if (entry.cAlternateFileName[0] != '\0' && !LongNameIsOwn(folder, entry)) {
    name = entry.cAlternateFileName;
  }
  if (name[0] == '\0' || std::strchr(name, '?') != nullptr) {
    return false;
  }
  std::wstring wide_name = FromAnsi(name);
  std::wstring wide_short = FromAnsi(entry.cAlternateFileName);
  if (wide_name.size() >= MAX_PATH || wide_short.size() >= 14) {
    return false;
  }
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = entry.dwFileAttributes;
  data->ftCreationTime = entry.ftCreationTime;
  data->ftLastAccessTime = entry.ftLastAccessTime;
  data->ftLastWriteTime = entry.ftLastWriteTime;
  data->nFileSizeHigh = entry.nFileSizeHigh;
  data->nFileSizeLow = entry.nFileSizeLow;
  wide_name.copy(data->cFileName, MAX_PATH - 1);
  wide_short.copy(data->cAlternateFileName, 13);
  return true;
}

// The next entry with a usable name after `entry`, or false (ERROR_NO_MORE_FILES or the error).
bool NextUsable(HANDLE search, const std::string& folder, WIN32_FIND_DATAA* entry,
                WIN32_FIND_DATAW* data, bool have_entry) {
  for (;;) {
    if (!have_entry && !FindNextFileA(search, entry)) {
      return false;
    }
    have_entry = false;
    if (ToWideEntry(folder, *entry, data)) {
      return true;
    }
  }
}

}  // namespace

void SetAnsiErrorRuleForTest(AnsiErrorRule rule) {
  ansi_error_rule = rule;
}

DWORD GetAttributes(const std::wstring& path) {
  if (WideCallsWork()) {
    return GetFileAttributesW(path.c_str());
  }
  std::string ansi;
  return Ansi(path, &ansi) ? GetFileAttributesA(ansi.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool SetAttributes(const std::wstring& path, DWORD attributes) {
  if (WideCallsWork()) {
    return SetFileAttributesW(path.c_str(), attributes) != 0;
  }
  // FILE_ATTRIBUTE_NORMAL is NT's word for no attributes; the DOS call behind the 95 family's
  // function takes the attribute byte itself, in which no attributes is 0.
  std::string ansi;
  DWORD dos_attributes = attributes == FILE_ATTRIBUTE_NORMAL ? 0 : attributes;
  return Ansi(path, &ansi) && SetFileAttributesA(ansi.c_str(), dos_attributes) != 0;
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW* data) {
  if (WideCallsWork()) {
    return FileResult(FindFirstFileW(pattern.c_str(), data));
  }
  std::string ansi;
  if (!Ansi(pattern, &ansi)) {
    return INVALID_HANDLE_VALUE;
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FileResult(FindFirstFileA(ansi.c_str(), &entry));
  if (search == INVALID_HANDLE_VALUE) {
    // The 95 family's codes are not NT's: a folder without a match may answer "no more files".
    // Whether the folder is there decides between nothing found and a missing path. A drive's
    // root is taken as there: the drive answered.
    DWORD error = AnsiError("FindFirstFileA");
    if (error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND) {
      std::string folder = FolderOf(ansi);
      bool root = folder.size() == 3 && folder[1] == ':';
      SetLastError(root || folder.empty() || IsFolderA(folder) ? ERROR_FILE_NOT_FOUND
                                                               : ERROR_PATH_NOT_FOUND);
    }
    return search;
  }
  if (!NextUsable(search, FolderOf(ansi), &entry, data, true)) {
    DWORD error = GetLastError();
    FindClose(search);
    SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
    return INVALID_HANDLE_VALUE;
  }
  return search;
}

bool FindNext(HANDLE search, const std::wstring& pattern, WIN32_FIND_DATAW* data) {
  if (WideCallsWork()) {
    return FindNextFileW(search, data) != 0;
  }
  // A listing calls this once per entry with the same pattern: its folder is converted once.
  static std::wstring last_pattern;
  static std::string last_folder;
  if (pattern != last_pattern) {
    std::string ansi;
    ToAnsiName(pattern, &ansi);  // FindFirst has made sure it converts
    last_folder = FolderOf(ansi);
    last_pattern = pattern;
  }
  WIN32_FIND_DATAA entry;
  return NextUsable(search, last_folder, &entry, data, false);
}

bool Copy(const std::wstring& from, const std::wstring& to, bool fail_if_exists) {
  if (WideCallsWork()) {
    return CopyFileW(from.c_str(), to.c_str(), fail_if_exists) != 0;
  }
  std::string a, b;
  if (!Ansi(from, &a) || !Ansi(to, &b)) {
    return false;
  }
  if (CopyFileA(a.c_str(), b.c_str(), fail_if_exists)) {
    return true;
  }
  // The 95 family's code for a name that is taken is not documented: the disk decides.
  DWORD error = AnsiError("CopyFileA");
  if (fail_if_exists && GetFileAttributesA(b.c_str()) != INVALID_FILE_ATTRIBUTES) {
    error = ERROR_FILE_EXISTS;
  }
  SetLastError(error);
  return false;
}

bool Delete(const std::wstring& path) {
  if (WideCallsWork()) {
    return DeleteFileW(path.c_str()) != 0;
  }
  std::string ansi;
  return Ansi(path, &ansi) && DeleteUnusedA(ansi);
}

bool RemoveFolder(const std::wstring& path) {
  if (WideCallsWork()) {
    return RemoveDirectoryW(path.c_str()) != 0;
  }
  std::string ansi;
  return Ansi(path, &ansi) && RemoveDirectoryA(ansi.c_str()) != 0;
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  if (WideCallsWork()) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  std::string a, b;
  if (!Ansi(from, &a) || !Ansi(to, &b)) {
    return false;
  }
  if (MoveFileA(a.c_str(), b.c_str())) {
    return true;
  }
  // The 95 family's code for a file in the way is not NT's (a DOS rename answers access
  // denied, as it does for a file in use): the disk decides. The one in the way goes only when
  // it is a file (not a folder) in nobody's use, and the file being renamed is there and in
  // nobody's use, so that the rename after the delete can be done.
  DWORD error = AnsiError("MoveFileA");
  DWORD in_the_way = GetFileAttributesA(b.c_str());
  if (in_the_way == INVALID_FILE_ATTRIBUTES || (in_the_way & FILE_ATTRIBUTE_DIRECTORY) ||
      !NotInUseA(a)) {
    SetLastError(error);
    return false;
  }
  return DeleteUnusedA(b) && MoveFileA(a.c_str(), b.c_str());
}

HANDLE OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags) {
  if (WideCallsWork()) {
    return FileResult(
        CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  }
  std::string ansi;
  if (!Ansi(path, &ansi)) {
    return INVALID_HANDLE_VALUE;
  }
  return FileResult(CreateFileA(ansi.c_str(), access, share & ~FILE_SHARE_DELETE, nullptr,
                                disposition, flags, nullptr));
}

HANDLE OpenForAppend(const std::wstring& path) {
  if (WideCallsWork()) {
    return OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  }
  // The append-only right is the NT family's: here the file is opened for writing and every
  // write goes after its end.
  HANDLE file = OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (file != INVALID_HANDLE_VALUE &&
      SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

std::wstring FullPath(const std::wstring& path) {
  if (WideCallsWork()) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
      return {};
    }
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
      return {};
    }
    full.resize(length);
    return full;
  }
  std::string ansi;
  if (!Ansi(path, &ansi)) {
    return {};
  }
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(ansi.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) {
    return {};
  }
  return FromAnsi(full, length);
}

UINT DriveType(const std::wstring& root) {
  if (WideCallsWork()) {
    return GetDriveTypeW(root.c_str());
  }
  std::string ansi;
  return Ansi(root, &ansi) ? GetDriveTypeA(ansi.c_str()) : DRIVE_UNKNOWN;
}

std::wstring ModulePath(HMODULE module) {
  if (WideCallsWork()) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) {
        return {};
      }
      if (length < path.size()) {
        path.resize(length);
        return path;
      }
      path.resize(path.size() * 2);
    }
  }
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return {};
  }
  return FromAnsi(path, length);
}

std::wstring SystemFolder() {
  if (WideCallsWork()) {
    std::wstring path(MAX_PATH, L'\0');
    UINT n = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (n >= path.size()) {  // too small: n is the size needed, with the terminator
      path.assign(n, L'\0');
      n = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
      if (n >= path.size()) {
        return {};
      }
    }
    path.resize(n);
    return path;
  }
  char path[MAX_PATH];
  UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    return {};
  }
  return FromAnsi(path, n);
}

HANDLE CreateNamedMutex(const std::wstring& name) {
  // The caller reads ERROR_ALREADY_EXISTS right after: no error of an earlier call may stand,
  // should a Windows leave the error alone when it creates the mutex.
  SetLastError(ERROR_SUCCESS);
  if (WideCallsWork()) {
    return CreateMutexW(nullptr, FALSE, name.c_str());
  }
  std::string ansi;
  return Ansi(name, &ansi) ? CreateMutexA(nullptr, FALSE, ansi.c_str()) : nullptr;
}

bool SetCurrentFolder(const std::wstring& path) {
  if (WideCallsWork()) {
    return SetCurrentDirectoryW(path.c_str()) != 0;
  }
  std::string ansi;
  return Ansi(path, &ansi) && SetCurrentDirectoryA(ansi.c_str()) != 0;
}

bool StartProcess(const std::wstring& application, const std::wstring& command_line, WORD show,
                  PROCESS_INFORMATION* process) {
  if (WideCallsWork()) {
    std::vector<wchar_t> writable(command_line.begin(), command_line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    return CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, process) != 0;
  }
  std::string ansi_application, ansi_line;
  if (!Ansi(application, &ansi_application) || !ToAnsiName(command_line, &ansi_line)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  std::vector<char> writable(ansi_line.begin(), ansi_line.end());
  writable.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  return CreateProcessA(ansi_application.c_str(), writable.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, process) != 0;
}

HMODULE LoadLibraryFrom(const std::wstring& path, DWORD flags) {
  if (WideCallsWork()) {
    return LoadLibraryExW(path.c_str(), nullptr, flags);
  }
  std::string ansi;
  return Ansi(path, &ansi) ? LoadLibraryExA(ansi.c_str(), nullptr, flags) : nullptr;
}

std::wstring ErrorText(DWORD code) {
  constexpr DWORD kFlags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  std::wstring text;
  if (WideCallsWork()) {
    wchar_t* buffer = nullptr;
    DWORD n =
        FormatMessageW(kFlags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (n && buffer) {
      text.assign(buffer, n);
    }
    if (buffer) {
      LocalFree(buffer);
    }
    return text;
  }
  char* buffer = nullptr;
  DWORD n = FormatMessageA(kFlags, nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  if (n && buffer) {
    text = FromAnsi(buffer, n);
  }
  if (buffer) {
    LocalFree(buffer);
  }
  return text;
}

std::wstring PathFromIdList(LPCITEMIDLIST list) {
  if (WideCallsWork()) {
    // Looked up: Windows 95's shell32 has no W form at all.
    using SHGetPathFromIDListFn = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);
    static OptionalFunction<SHGetPathFromIDListFn> path_from_list("shell32.dll",
                                                                  "SHGetPathFromIDListW");
    SHGetPathFromIDListFn path_of = path_from_list.Get();
    wchar_t buffer[MAX_PATH] = {};
    return path_of && path_of(list, buffer) ? std::wstring(buffer) : std::wstring();
  }
  char buffer[MAX_PATH] = {};
  return SHGetPathFromIDListA(list, buffer) ? FromAnsi(buffer) : std::wstring();
}

}  // namespace zant::win32::sys
