#include "platform/win32/win32_system_services.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/error_mode.h"
#include "platform/win32/register_dll.h"
#include "platform/win32/shell_folder.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_version.h"

namespace zant {

namespace {

void StripTrailingBackslashes(std::wstring& path) {
  while (!path.empty() && path.back() == L'\\') {
    path.pop_back();
  }
}

[[noreturn]] void ThrowLastError(const std::string& what, const std::string& path) {
  DWORD code = GetLastError();
  throw RunError(static_cast<int32_t>(code),
                 what + " " + path + ": " + win32::SystemErrorText(code));
}

class Win32RestartCalls : public RestartCalls {
 public:
  uint32_t PlatformId() override { return win32::PlatformIdentifier(); }

  bool OpenOwnToken() override {
    return OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token_.put()) != 0;
  }

  bool LookupShutdownPrivilege() override {
    return LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown_privilege_) != 0;
  }

  AdjustOutcome EnableShutdownPrivilege() override {
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = shutdown_privilege_;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES previous = {};
    DWORD previous_length = 0;
    AdjustOutcome outcome;
    outcome.carried_out = AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof(previous),
                                                &previous, &previous_length) != 0;
    // Read at once: the value is only meaningful right after the adjustment.
    outcome.last_error = GetLastError();
    return outcome;
  }

  void CloseToken() override { token_.reset(); }

  // A planned restart for an application's installation: without a reason, XP and later record
  // an unplanned one, and Server 2003 asks its administrator why at the next logon. Older
  // Windows ignore the reason.
  void RequestReboot() override {
    ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION |
                                  SHTDN_REASON_FLAG_PLANNED);
  }

 private:
  win32::KernelHandle token_;
  LUID shutdown_privilege_ = {};
};

class Win32SystemServices : public SystemServices {
 public:
  std::string OwnFolder() override {
    std::wstring path = win32::sys::ModulePath(nullptr);
    if (path.empty()) {
      ThrowLastError("Cannot read the path of", "the running program");
    }
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) {
      return win32::Narrow(path);
    }
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') {
      folder += L'\\';  // a drive root keeps its backslash, as Windows names it
    }
    return win32::Narrow(folder);
  }

  bool ClaimSingleInstance() override {
    // One name for every session; where the global namespace is refused (no right to create
    // global objects), the session's own. Windows before 2000 has no sessions and allows no
    // backslash in an object's name: there the plain name is the one for the whole computer.
    // The mutex is held as long as these services live, which is the whole run.
    const win32::WindowsVersion& windows = win32::RunningWindows();
    const bool has_sessions = windows.nt_family && windows.major >= 5;
    std::vector<const wchar_t*> names = {L"ZANTOnCD140Update"};
    if (has_sessions) {
      names = {L"Global\\ZANTOnCD140Update", L"Local\\ZANTOnCD140Update"};
    }
    for (const wchar_t* name : names) {
      HANDLE mutex = win32::sys::CreateNamedMutex(name);
      const DWORD error = GetLastError();  // read before anything else can change it
      single_instance_.reset(mutex);
      if (!single_instance_.valid() && error == ERROR_ACCESS_DENIED) {
        continue;
      }
      if (single_instance_.valid() && error == ERROR_ALREADY_EXISTS) {
        single_instance_.reset();  // another updater's: not ours to hold
        return false;
      }
      return true;  // ours, or no mutex at all: better to run than to refuse
    }
    return true;
  }

  std::string GetSystemFolder() override {
    std::wstring path = win32::sys::SystemFolder();
    // A folder path carries no trailing backslash; a system folder at a drive root becomes
    // "C:", the form the run joins "\name" to.
    StripTrailingBackslashes(path);
    return win32::Narrow(path);
  }

  std::string GetSpecialFolderPath(int32_t csidl, void* owner) override {
    std::wstring path = win32::SpecialFolderPath(static_cast<HWND>(owner), csidl);
    StripTrailingBackslashes(path);
    if (path.empty()) {
      return "";
    }
    return win32::Narrow(path) + "\\";
  }

  void AppendLogLine(const std::string& path, const std::string& text) override {
    win32::FileHandle file(win32::sys::OpenForAppend(win32::Widen(path)));
    if (!file.valid()) {
      ThrowLastError("Cannot open the log", path);
    }
    // In the system's ANSI code page, as the log has always been written.
    std::string entry = "\r\n" + win32::ToAnsiText(win32::Widen(text));
    DWORD written = 0;
    if (!WriteFile(file.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr)) {
      ThrowLastError("Cannot write to the log", path);
    }
    if (written != entry.size()) {
      throw RunError(ERROR_WRITE_FAULT, "Cannot write to the log " + path + ": " +
                                            win32::SystemErrorText(ERROR_WRITE_FAULT));
    }
  }

  void RestartWindows() override {
    Win32RestartCalls calls;
    zant::RestartWindows(calls);
  }

  uint32_t StartProgram(const std::string& program, const std::string& switches) override {
    std::wstring application = win32::Widen(program);
    // The program's path is quoted: unquoted, a path with a blank such as
    // "D:\ZANT Update\EXE\setup.exe" would be read by the started program (and by Windows,
    // without an application name) as "D:\ZANT.exe" followed by arguments.
    std::wstring command_line = L"\"" + application + L"\"";
    if (!switches.empty()) {
      command_line += L" " + win32::Widen(switches);
    }
    PROCESS_INFORMATION process = {};
    win32::StartedWithOwnErrorMode installer_mode;
    if (!win32::sys::StartProcess(application, command_line, SW_SHOWMINNOACTIVE, &process)) {
      return 0;
    }
    // The update does not wait for the program: both handles go at once.
    win32::KernelHandle thread(process.hThread);
    win32::KernelHandle started(process.hProcess);
    return process.dwProcessId;
  }

  bool RegisterDll(const std::string& dll_path, bool register_it) override {
    return modRegister::RegisterDll(dll_path, register_it);
  }

 private:
  win32::KernelHandle single_instance_;
};

}  // namespace

std::unique_ptr<SystemServices> MakeWin32SystemServices() {
  return std::make_unique<Win32SystemServices>();
}

std::unique_ptr<RestartCalls> MakeWin32RestartCalls() {
  return std::make_unique<Win32RestartCalls>();
}

}  // namespace zant
