#include "win32/win32_fs_fixture.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/wide.h"

namespace zant::win32test {

namespace {

[[noreturn]] void Broken(const std::string& what, const std::string& path) {
  throw std::runtime_error("fixture: " + what + " " + path + ": " +
                           win32::SystemErrorText(GetLastError()));
}

// Wine's own kernel32 export that names the Linux file behind a Windows path; null on Windows.
using UnixFileNameFn = char*(CDECL*)(const wchar_t*);

UnixFileNameFn WineUnixFileName() {
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  return reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void (*)()>(proc));
}

std::wstring UnixPath(UnixFileNameFn unix_file_name, const std::string& path) {
  char* name = unix_file_name(win32::Widen(path).c_str());
  if (!name) {
    Broken("wine_get_unix_file_name", path);
  }
  std::wstring out = win32::Widen(name);
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

// Waits until the link answers with the attributes of its target (ln runs on its own).
bool AppearsWithin(const std::string& path, DWORD limit_ms) {
  DWORD start = GetTickCount();
  while (GetFileAttributesW(Extended(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > limit_ms) {
      return false;
    }
    Sleep(10);
  }
  return true;
}

}  // namespace

std::wstring Extended(const std::string& path) {
  return L"\\\\?\\" + win32::Widen(path);
}

void MakeFolder(const std::string& path) {
  if (!CreateDirectoryW(Extended(path).c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    Broken("CreateDirectoryW", path);
  }
}

void MakeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Broken("CreateFileW", path);
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != content.size()) {
    Broken("WriteFile", path);
  }
}

void SetAttributes(const std::string& path, uint32_t attributes) {
  // Hidden and system first: Wine as non-root drops them when read-only comes in the same call.
  std::wstring wide = Extended(path);
  SetFileAttributesW(wide.c_str(), (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL);
  if (!SetFileAttributesW(wide.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL)) {
    Broken("SetFileAttributesW", path);
  }
}

uint32_t GetAttributes(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Extended(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    Broken("GetFileAttributesW", path);
  }
  return attributes;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path) {
  HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Broken("CreateFileW", path);
  }
  std::string content;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    content.append(buffer, got);
  }
  CloseHandle(file);
  return content;
}

bool UnderWine() {
  return WineUnixFileName() != nullptr;
}

bool MakeFileLink(const std::string& path, const std::string& target) {
  UnixFileNameFn unix_file_name = WineUnixFileName();
  if (!unix_file_name) {
    CreateSymbolicLinkW(Extended(path).c_str(), Extended(target).c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    DWORD attributes = GetFileAttributesW(Extended(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }
  // A link to nothing is invisible under Wine: make it to a file, see it, then remove the file.
  bool to_nothing = !Exists(target);
  if (to_nothing) {
    MakeFile(target, "");
  }
  std::wstring command = L"ln -s \"" + UnixPath(unix_file_name, target) + L"\" \"" +
                         UnixPath(unix_file_name, path) + L"\"";
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\bin\\ln", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    Broken("CreateProcessW ln for", path);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  bool made = AppearsWithin(path, 10000);
  if (to_nothing) {
    DeleteFileW(Extended(target).c_str());
  }
  return made;
}

void RemoveTree(const std::string& path) {
  DWORD attributes = GetFileAttributesW(Extended(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Only a tagged (Windows) link is removed; under Wine RemoveDirectoryW would act on the
    // target of a Linux symbolic link.
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(Extended(path).c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      FindClose(search);
      if (data.dwReserved0 != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        RemoveDirectoryW(Extended(path).c_str());
      } else if (data.dwReserved0 != 0) {
        DeleteFileW(Extended(path).c_str());
      }
    }
    return;
  }
  SetFileAttributesW(Extended(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(Extended(path).c_str());
    return;
  }
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(Extended(path + "\\*").c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name != L"." && name != L"..") {
        RemoveTree(path + "\\" + win32::Narrow(name));
      }
    } while (FindNextFileW(search, &data));
    FindClose(search);
  }
  RemoveDirectoryW(Extended(path).c_str());
}

std::string UniqueFolder(const std::string& stem) {
  static int counter = 0;
  return "D:\\" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++counter);
}

}  // namespace zant::win32test
