// The program's entry: the real window, file system and Windows services, handed to the
// start-up routine. The process's exit code is the routine's.

#include <windows.h>
// The file-system object model has its own CopyFile and DeleteFile.
#undef CopyFile
#undef DeleteFile

#include <exception>
#include <optional>
#include <string>

#include "app/mod_main.h"
#include "app/texts.h"
#include "platform/error.h"
#include "platform/win32/delay_loads.h"
#include "platform/win32/error_mode.h"
#include "platform/win32/library_search.h"
#include "platform/win32/side_by_side.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_system_services.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_surface.h"

using namespace zant;

namespace {

// The box that refuses a redirection beside the updater. Shown with the process's own context,
// which names no side-by-side library, so the box loads nothing from the redirection.
int RefuseRedirection(const std::wstring& path) {
  std::wstring text =
      win32::Widen(texts::kRedirectionBefore) + path + win32::Widen(texts::kRedirectionAfter);
  MessageBoxW(nullptr, text.c_str(), win32::Widen(texts::kMessageTitle).c_str(),
              MB_OK | MB_ICONERROR);
  return modMain::kExitFailure;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  win32::KeepSystemErrorBoxesAway();
  // Before any library beyond kernel32 is loaded: no redirection beside the exe, the system
  // libraries come from the system folder only, and a delayed load that fails ends in the
  // report, not in a crash.
  std::optional<std::wstring> redirection = win32::RedirectionBeside(win32::OwnProgramPath());
  win32::RestrictLibrarySearch();
  win32::PreloadSystemLibraries();
  win32::ReportFailedDelayLoads(win32::Widen(texts::kMessageTitle), modMain::kExitFailure);
  win32::LoadDelayedLibrariesFromSystemFolder();
  if (redirection) {
    return RefuseRedirection(*redirection);
  }
  win32::CommonControlsContext controls(instance, ZANT_IDR_CONTROLS_MANIFEST);
  win32::LoadCommonControls(controls);
  std::unique_ptr<Surface> surface;
  try {
    surface = win32::MakeWin32Surface(instance);
  } catch (const RunError& error) {
    // Without its window the run cannot start; say why, with Windows' own words.
    std::wstring text = win32::Widen(UnhandledErrorText(error.Number(), error.Description()));
    MessageBoxW(nullptr, text.c_str(), win32::Widen(texts::kMessageTitle).c_str(),
                MB_OK | MB_ICONERROR);
    return modMain::kExitFailure;
  }
  std::unique_ptr<SystemServices> system = MakeWin32SystemServices();
  return modMain::StartUp(*surface, win32::MakeWin32FileSystem, *system);
}
