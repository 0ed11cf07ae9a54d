// The shared components, installed once after the installations: two outside installers
// started, five libraries copied into the system folder and registered, the toolkit's Start
// menu folder removed. A component that fails is written to the system log and the phase goes
// on; nothing here ends the run.

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/error.h"

namespace zant {
namespace {

// Event passes per count of an installer pause.
constexpr int kPassesPerCount = 100001;

}  // namespace

void frmMain::InstallSharedComponents() {
  ShowDetail("");
  ShowStatus(texts::kUpdatingSystem);
  state_.LogFile = state_.SystemFolder + "\\ZEPDI140.log";

  StartInstaller("VB5 Virtual Machine", state_.SourceFolder + "\\EXE\\msvbvm50.exe", "/Q", 10,
                 "Error executing msvbvm50.exe");
  InstallLibrary("SMTP Subsystem", "dartmail.dll");
  InstallLibrary("Compression Subsystem", "dartzip.dll");
  InstallLibrary("Dependencies (dartsock.dll)", "dartsock.dll");
  InstallLibrary("Dependencies (dartutil.dll)", "dartutil.dll");
  InstallLibrary("Windows API Interface", "rnwncntl.dll");
  StartInstaller("SOAP Infrastructure", state_.SourceFolder + "\\EXE\\pocketsoap.1.4.3.exe", "/S",
                 20, "Error executing pocketsoap.exe");
  CleanUpStartMenu();
}

void frmMain::StartInstaller(const std::string& detail, const std::string& program,
                             const std::string& switches, int counts, const std::string& log_text) {
  ShowDetail(detail);
  const uint32_t task_id = system_.StartProgram(program, switches);
  surface_.PumpEvents();
  // The installer gets a head start; the run does not wait for it to end.
  for (int n = counts; n >= 1; --n) {
    ShowDetail(detail + "  (" + std::to_string(n) + ")");
    for (int pass = 0; pass < kPassesPerCount; ++pass) {
      surface_.PumpEvents();
    }
  }
  surface_.PumpEvents();
  if (task_id == 0) {
    // A log that cannot be written must not abort an update that has already changed the
    // installations.
    try {
      system_.AppendLogLine(state_.LogFile, log_text);
    } catch (const RunError&) {
    }
  }
}

void frmMain::InstallLibrary(const std::string& detail, const std::string& dll_name) {
  ShowDetail(detail);
  const std::string installed = state_.SystemFolder + "\\" + dll_name;
  try {
    bool copied = true;
    try {
      CopyLibrary(state_.SourceFolder + "\\EXE\\" + dll_name, installed);
    } catch (const RunError&) {
      copied = false;
    }
    if (!copied) {
      system_.AppendLogLine(state_.LogFile, "Error copying " + dll_name);
    } else if (!system_.RegisterDll(installed, true)) {
      system_.AppendLogLine(state_.LogFile, "Error registering " + dll_name);
    }
  } catch (const RunError&) {
  }
}

void frmMain::CopyLibrary(const std::string& source, const std::string& installed) {
  // Files copied from a CD arrive read-only, and a read-only library refuses every later copy
  // over it. An older copy left read-only (by an earlier run from the CD) loses that bit first;
  // the new copy is left writable. Either failing counts as a failed copy.
  if (Fs().FileExists(installed)) {
    FilePtr older = Fs().GetFile(installed);
    const uint32_t bits = older->Attributes();
    if (bits & attr::kReadOnly) {
      older->SetAttributes(bits & (attr::kHidden | attr::kSystem | attr::kArchive));
    }
  }
  Fs().CopyFile(source, installed, true);
  Fs().GetFile(installed)->SetAttributes(0);
}

void frmMain::CleanUpStartMenu() {
  std::string programs;
  try {
    programs = system_.GetSpecialFolderPath(kCsidlPrograms, surface_.NativeHandle());
  } catch (const RunError&) {
  }
  // Without the Programs folder the paths would point at the current drive's root.
  if (programs.empty()) {
    return;
  }
  try {
    Fs().DeleteFile(programs + "\\PocketSOAP\\Documentation.lnk", true);
  } catch (const RunError&) {
  }
  try {
    Fs().DeleteFolder(programs + "PocketSOAP", true);
  } catch (const RunError&) {
  }
}

}  // namespace zant
