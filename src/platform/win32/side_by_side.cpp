#include "platform/win32/side_by_side.h"

#include "platform/win32/long_path.h"
#include "platform/win32/optional_function.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/wide.h"

namespace zant::win32 {

std::optional<std::wstring> RedirectionBeside(const std::wstring& program_path) {
  std::wstring path = program_path + L".local";
  if (sys::GetAttributes(Win32Path(Narrow(path))) == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return std::nullopt;
    }
  }
  return path;
}

std::wstring OwnProgramPath() {
  return sys::ModulePath(nullptr);
}

namespace {

// Activation contexts came with XP; before it there is no side-by-side store to activate from.
using CreateActCtxFn = HANDLE(WINAPI*)(const ACTCTXW*);
using ActivateActCtxFn = BOOL(WINAPI*)(HANDLE, ULONG_PTR*);
using DeactivateActCtxFn = BOOL(WINAPI*)(DWORD, ULONG_PTR);
using ReleaseActCtxFn = void(WINAPI*)(HANDLE);
using FindActCtxSectionStringFn = BOOL(WINAPI*)(DWORD, const GUID*, ULONG, LPCWSTR,
                                                PACTCTX_SECTION_KEYED_DATA);

struct ActivationFunctions {
  CreateActCtxFn create;
  ActivateActCtxFn activate;
  DeactivateActCtxFn deactivate;
  ReleaseActCtxFn release;
};

ActivationFunctions Activation() {
  static OptionalFunction<CreateActCtxFn> create("kernel32.dll", "CreateActCtxW");
  static OptionalFunction<ActivateActCtxFn> activate("kernel32.dll", "ActivateActCtx");
  static OptionalFunction<DeactivateActCtxFn> deactivate("kernel32.dll", "DeactivateActCtx");
  static OptionalFunction<ReleaseActCtxFn> release("kernel32.dll", "ReleaseActCtx");
  ActivationFunctions f{create.Get(), activate.Get(), deactivate.Get(), release.Get()};
  if (!f.create || !f.activate || !f.deactivate || !f.release) {
    return {};
  }
  return f;
}

}  // namespace

bool CommonControlsContext::RedirectsCommonControls() const {
  static OptionalFunction<FindActCtxSectionStringFn> find_section("kernel32.dll",
                                                                  "FindActCtxSectionStringW");
  FindActCtxSectionStringFn find = find_section.Get();
  if (cookie_ == 0 || !find) {
    return false;
  }
  // The record as XP has it: later Windows take the shorter record of XP as well.
  ACTCTX_SECTION_KEYED_DATA_2600 found = {};
  found.cbSize = sizeof(found);
  return find(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
              reinterpret_cast<PACTCTX_SECTION_KEYED_DATA>(&found)) != 0;
}

bool CommonControlsContext::Available() {
  return Activation().create != nullptr;
}

CommonControlsContext::CommonControlsContext(HINSTANCE instance, WORD manifest_id) {
  ActivationFunctions f = Activation();
  if (!f.create) {
    return;
  }
  ACTCTXW request = {};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = instance;
  request.lpResourceName = MAKEINTRESOURCEW(manifest_id);
  context_ = f.create(&request);
  if (context_ != INVALID_HANDLE_VALUE && !f.activate(context_, &cookie_)) {
    cookie_ = 0;
  }
}

CommonControlsContext::~CommonControlsContext() {
  ActivationFunctions f = Activation();
  if (cookie_ != 0 && f.deactivate) {
    f.deactivate(0, cookie_);
  }
  if (context_ != INVALID_HANDLE_VALUE && f.release) {
    f.release(context_);
  }
}

}  // namespace zant::win32
