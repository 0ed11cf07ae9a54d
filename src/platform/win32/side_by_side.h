#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zant::win32 {

// The redirection Windows honours beside a program: a file or folder named "<program>.local"
// makes the loader take side-by-side libraries (common controls 6 among them) from there
// instead of from Windows' own store, before the loaded-module list and the known system
// libraries, so neither the restricted search nor the preload keeps them out. Elevated, the
// updater would run whatever lies there. Returns its path when something is there, as a file or
// folder (or when it cannot be told: a name that cannot be read is taken as present). Calls
// kernel32 only.
std::optional<std::wstring> RedirectionBeside(const std::wstring& program_path);

// The full path of the running program (GetModuleFileNameW, any length).
std::wstring OwnProgramPath();

// Common controls 6 for the updater's window and boxes, named by a manifest resource of its own
// rather than by the process manifest: with the process manifest naming it, even the box that
// refuses a redirection would load comctl32 through it. Activated for the owner's lifetime; when
// the context cannot be made or activated the controls keep the classic look, as they always do
// before XP, which has no activation contexts.
class CommonControlsContext {
 public:
  // Whether this Windows has activation contexts (XP and later).
  static bool Available();

  // manifest_id: the RT_MANIFEST resource of instance that names common controls 6.
  CommonControlsContext(HINSTANCE instance, WORD manifest_id);
  ~CommonControlsContext();
  CommonControlsContext(const CommonControlsContext&) = delete;
  CommonControlsContext& operator=(const CommonControlsContext&) = delete;

  // Whether the context is active and takes comctl32.dll from the side-by-side store: only then
  // does a load of comctl32 by name come from there. Without it (no activation contexts, or a
  // context that could not be made or activated) a load by name would be looked for beside the
  // exe first on Windows without the search restriction (XP to 7 without its loader update).
  bool RedirectsCommonControls() const;

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

}  // namespace zant::win32
