#include "platform/win32/file_link.h"

#include <vector>

#include "platform/win32/optional_function.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/system_case.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_version.h"

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
  if (!get_final_path || !WideCallsWork()) {
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
    error = sys::Copy(source, fresh, true) ? 0 : GetLastError();
  }
  if (error != 0) {
    return error;
  }
  if (sys::MoveReplacing(fresh, destination)) {
    return 0;
  }
  error = GetLastError();
  sys::SetAttributes(fresh, FILE_ATTRIBUTE_NORMAL);
  sys::Delete(fresh);
  return error;
}

DWORD RemoveFileLink(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return sys::Delete(path) ? 0 : GetLastError();
  }
  const std::wstring placeholder =
      path + L"." + std::to_wstring(GetCurrentProcessId()) + L".removed";
  {
    FileHandle created(
        sys::OpenFile(placeholder, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
    if (!created.valid()) {
      return GetLastError();
    }
  }
  if (!sys::MoveReplacing(placeholder, path)) {
    DWORD error = GetLastError();
    sys::Delete(placeholder);
    return error;
  }
  return sys::Delete(path) ? 0 : GetLastError();
}

}  // namespace zant::win32
