// The per-installation steps that bring one installation from version 1.30 to 1.40. They run in
// a fixed order; any failure ends the run, leaving the installation partly updated.

#include "app/frm_main.h"
#include "app/texts.h"

namespace zant {

void frmMain::UpdateInstallation() {
  const std::string& source = state_.SourceFolder;
  const std::string& folder = state_.InstallFolder;
  const std::string package = folder + "\\Packages\\ZANT";

  AnnounceWithFolder(texts::kRemovingOldDocuments);
  DeleteAllFiles(source + "\\DocsX", package);

  AnnounceWithFolder(texts::kUpdatingDocuments);
  CopyAllFiles(source + "\\Docs", package);

  AnnounceWithFolder(texts::kUpdatingDatabase);
  CopyAllFiles(source + "\\DB", package);
  ShowDetail(texts::kCheckingReadOnly);
  MakeWritable(package + "\\db.mdb");
  ShowDetail(texts::kRemovingLockFile);
  DeleteIfPresent(package + "\\*.ldb");

  AnnounceWithFolder(texts::kUpdatingProgramFiles);
  ShowDetail("ZANT.exe");
  DeleteIfPresent(folder + "\\zant.exe");
  Copy(source + "\\EXE\\zant.exe", folder + "\\zant.exe");
  ShowDetail(texts::kCheckingReadOnly);
  MakeWritable(folder + "\\ZANT.exe");
  ShowDetail("ABOUT.TXT");
  DeleteIfPresent(folder + "\\about.txt");
  Copy(source + "\\EXE\\about.txt", folder + "\\about.txt");

  Announce(texts::kUpdatingMacros);
  DeleteIfPresent(folder + "\\do_*.???");
  CopyAllFiles(source + "\\Macros", folder);

  Announce(texts::kUpdatingFlags);
  DeleteIfPresent(folder + "\\version.*");
  CopyAllFiles(source + "\\Flags", folder);

  if (!Fs().FileExists(folder + "\\MSSent.log")) {
    Announce(texts::kCreatingLogFile);
    ShowDetail("MSSent.log");
    Copy(source + "\\EXE\\MSSent.log", folder + "\\MSSent.log");
    ShowDetail(texts::kCheckingReadOnly);
    MakeWritable(folder + "\\MSSent.log");
  }

  // The special library is only needed where the older system library is missing.
  if (!Fs().FileExists(folder + "\\sysx3.dll")) {
    Announce(texts::kCopyingSpecialFiles);
    ShowDetail("fr140.dll");
    Copy(source + "\\EXE\\fr140.dll", folder + "\\fr140.dll");
    ShowDetail(texts::kCheckingReadOnly);
    MakeWritable(folder + "\\fr140.dll");
  }

  Announce(texts::kCopyingGraphics);
  ShowDetail("WizGlobe.jpg");
  Copy(source + "\\EXE\\WizGlobe.jpg", folder + "\\WizGlobe.jpg");
  MakeWritable(folder + "\\WizGlobe.jpg");
  ShowDetail("WizEarth.ico");
  Copy(source + "\\EXE\\WizEarth.ico", folder + "\\WizEarth.ico");
  MakeWritable(folder + "\\WizEarth.ico");

  ++state_.UpdatedCount;
}

void frmMain::Announce(const std::string& text) {
  ShowDetail("");
  ShowStatus(text);
}

void frmMain::AnnounceWithFolder(const std::string& text) {
  ShowDetail("");
  ShowStatus(text + "\r\n\r\n" + state_.InstallFolder);
}

void frmMain::DeleteIfPresent(const std::string& path) {
  // The directory match decides; a pattern that matches nothing is never handed to DeleteFile.
  if (!Fs().DirMatch(path, attr::kNormal).empty()) {
    Fs().DeleteFile(path, true);
  }
}

void frmMain::MakeWritable(const std::string& path) {
  Fs().GetFile(path)->SetAttributes(0);
}

void frmMain::Copy(const std::string& source, const std::string& destination) {
  Fs().CopyFile(source, destination, true);
}

}  // namespace zant
