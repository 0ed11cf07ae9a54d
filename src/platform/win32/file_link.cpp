#include "platform/win32/file_link.h"

#include <vector>

#include "platform/win32/optional_function.h"
#include "platform/win32/system_case.h"
#include "platform/win32/unique_handle.h"

namespace zant::win32 {

namespace {

using GetFinalPathNameByHandleFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The normalised full path of what path leads to, links followed; empty when it cannot be had.
// Windows before Vista has no links to files (the reparse attribute marks every link it has),
// and no way to ask: there the answer is always empty.
std::wstring FinalPath(const std::wstring& path) {
  static OptionalFunction<GetFinalPathNameByHandleFn> final_path_of("kernel32.dll",
                                                                    "GetFinalPathNameByHandleW");
  GetFinalPathNameByHandleFn get_final_path = final_path_of.Get();
  if (!get_final_path) {
    return {};
  }
  FileHandle file(CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    return {};
  }
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = get_final_path(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                  FILE_NAME_NORMALIZED);
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      return std::wstring(buffer.data(), length);
    }
    buffer.resize(length + 1);
  }
}

// The folder part of a path, with the backslash a drive root needs.
std::wstring FolderOf(const std::wstring& path, size_t slash) {
  std::wstring folder = path.substr(0, slash);
  if (!folder.empty() && folder.back() == L':') {
    folder += L'\\';
  }
  return folder;
}

}  // namespace

bool IsFileLink(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return true;
  }
  size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) {
    return false;
  }
  std::wstring own = FinalPath(path);
  std::wstring expected = FinalPath(FolderOf(path, slash));
  if (own.empty() || expected.empty()) {
    return false;  // nothing to compare: the copy goes on as for a file
  }
  if (expected.back() != L'\\') {
    expected += L'\\';
  }
  expected += path.substr(slash + 1);
  return CompareNamesIgnoringCase(own.c_str(), own.size(), expected.c_str(), expected.size()) != 0;
}

DWORD CopyInPlaceOfLink(const std::wstring& source, const std::wstring& destination) {
  constexpr int kAttempts = 10;
  std::wstring fresh;
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kAttempts && error == ERROR_FILE_EXISTS; ++attempt) {
    fresh = destination + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(attempt) + L".new";
    error = CopyFileW(source.c_str(), fresh.c_str(), TRUE) ? 0 : GetLastError();
  }
  if (error != 0) {
    return error;
  }
  if (MoveFileExW(fresh.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return 0;
  }
  error = GetLastError();
  SetFileAttributesW(fresh.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(fresh.c_str());
  return error;
}

DWORD RemoveFileLink(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return DeleteFileW(path.c_str()) ? 0 : GetLastError();
  }
  const std::wstring placeholder =
      path + L"." + std::to_wstring(GetCurrentProcessId()) + L".removed";
  {
    FileHandle created(CreateFileW(placeholder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!created.valid()) {
      return GetLastError();
    }
  }
  if (!MoveFileExW(placeholder.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    DeleteFileW(placeholder.c_str());
    return error;
  }
  return DeleteFileW(path.c_str()) ? 0 : GetLastError();
}

}  // namespace zant::win32
