#pragma once

#include <cstdint>
#include <string>

namespace zant {

// What the run needs from Windows beyond files. Paths are UTF-8.
class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // The folder of the updater's own executable, as Windows reports it.
  virtual std::string OwnFolder() = 0;
  // Claims, for the rest of the process's life, the one place of an updater on this computer.
  // False when another updater holds it; true also when Windows cannot tell.
  virtual bool ClaimSingleInstance() = 0;
  // The Windows system folder without trailing backslash, or "" when Windows cannot tell.
  virtual std::string GetSystemFolder() = 0;
  // A shell special folder (CSIDL number) followed by exactly one backslash, or "" when the
  // folder cannot be determined or has no file-system path. owner is the window's HWND.
  virtual std::string GetSpecialFolderPath(int32_t csidl, void* owner) = 0;
  // Appends one entry (CR LF, then the text) to a text file, creating it when missing. The
  // file is open only during the call. Throws RunError when it cannot be opened or written.
  virtual void AppendLogLine(const std::string& path, const std::string& text) = 0;
  // Asks Windows to restart; returns silently when that is not possible.
  virtual void RestartWindows() = 0;
  // Starts a program as a separate process, window minimized and not activated, without
  // waiting. Returns the process id, or 0 when it cannot be started.
  virtual uint32_t StartProgram(const std::string& program, const std::string& switches) = 0;
  // Runs the library's DllRegisterServer (or DllUnregisterServer) with a 10000 ms limit.
  // True only when the entry point was found, ended in time and reported success.
  virtual bool RegisterDll(const std::string& dll_path, bool register_it) = 0;
};

// Special folder number of the current user's Start menu Programs folder.
constexpr int32_t kCsidlPrograms = 2;

}  // namespace zant
