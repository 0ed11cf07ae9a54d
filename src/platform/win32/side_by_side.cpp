#include "platform/win32/side_by_side.h"

#include "platform/win32/long_path.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

std::optional<std::wstring> RedirectionBeside(const std::wstring& program_path) {
  std::wstring path = program_path + L".local";
  if (GetFileAttributesW(Win32Path(Narrow(path)).c_str()) == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return std::nullopt;
    }
  }
  return path;
}

std::wstring OwnProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
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

CommonControlsContext::CommonControlsContext(HINSTANCE instance, WORD manifest_id) {
  ACTCTXW request = {};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = instance;
  request.lpResourceName = MAKEINTRESOURCEW(manifest_id);
  context_ = CreateActCtxW(&request);
  if (context_ != INVALID_HANDLE_VALUE && !ActivateActCtx(context_, &cookie_)) {
    cookie_ = 0;
  }
}

CommonControlsContext::~CommonControlsContext() {
  if (cookie_ != 0) {
    DeactivateActCtx(0, cookie_);
  }
  if (context_ != INVALID_HANDLE_VALUE) {
    ReleaseActCtx(context_);
  }
}

}  // namespace zant::win32
