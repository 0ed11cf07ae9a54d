// The per-installation steps that bring one installation from version 1.30 to 1.40. They run in
// a fixed order; any failure ends the run. The medium is checked before the first change, so a
// medium that lacks something leaves the installation as it was; any other failure leaves it
// partly updated, and a second run of the update completes it.

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/error.h"

namespace zant {

void frmMain::UpdateInstallation() {
  const std::string& source = state_.SourceFolder;
  const std::string& folder = state_.InstallFolder;
  const std::string package = folder + "\\Packages\\ZANT";

  CheckMedium();

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
  ReplaceProgram(source + "\\EXE\\zant.exe", folder + "\\zant.exe");
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
    CreateLogFile(source + "\\EXE\\MSSent.log", folder + "\\MSSent.log");
  }

  // The special library is only needed where the older system library is missing.
  if (!Fs().FileExists(folder + "\\sysx3.dll")) {
    Announce(texts::kCopyingSpecialFiles);
    ShowDetail("fr140.dll");
    DeleteIfPresent(folder + "\\fr140.dll");
    Copy(source + "\\EXE\\fr140.dll", folder + "\\fr140.dll");
    ShowDetail(texts::kCheckingReadOnly);
    MakeWritable(folder + "\\fr140.dll");
  }

  Announce(texts::kCopyingGraphics);
  ShowDetail("WizGlobe.jpg");
  DeleteIfPresent(folder + "\\WizGlobe.jpg");
  Copy(source + "\\EXE\\WizGlobe.jpg", folder + "\\WizGlobe.jpg");
  MakeWritable(folder + "\\WizGlobe.jpg");
  ShowDetail("WizEarth.ico");
  DeleteIfPresent(folder + "\\WizEarth.ico");
  Copy(source + "\\EXE\\WizEarth.ico", folder + "\\WizEarth.ico");
  MakeWritable(folder + "\\WizEarth.ico");

  ++state_.UpdatedCount;
}

void frmMain::CheckMedium() {
  // Every medium folder and file the steps below will read, in the order they read them. Each
  // is looked up as its step would (a folder as the folder copy opens it, a file as the copy
  // reads it), so a missing one fails with the same number and description, only earlier.
  const std::string& source = state_.SourceFolder;
  const std::string& folder = state_.InstallFolder;
  const std::string package = folder + "\\Packages\\ZANT";
  for (const char* name : {"\\DocsX", "\\Docs", "\\DB"}) {
    Fs().GetFolder(source + name);
  }
  // The database step makes the installation's db.mdb writable after the copies: where the
  // medium brings none, the installation's own must be there (and not among the old documents
  // the first step removes, which a medium without a database could not put back).
  if (!Fs().FileExists(source + "\\DB\\db.mdb") && !Fs().FileExists(source + "\\Docs\\db.mdb")) {
    if (Fs().FileExists(source + "\\DocsX\\db.mdb")) {
      Fs().GetFile(source + "\\DB\\db.mdb");
    }
    Fs().GetFile(package + "\\db.mdb");
  }
  Fs().GetFile(source + "\\EXE\\zant.exe");
  Fs().GetFile(source + "\\EXE\\about.txt");
  for (const char* name : {"\\Macros", "\\Flags"}) {
    Fs().GetFolder(source + name);
  }
  if (!Fs().FileExists(folder + "\\MSSent.log")) {
    Fs().GetFile(source + "\\EXE\\MSSent.log");
  }
  if (!Fs().FileExists(folder + "\\sysx3.dll")) {
    Fs().GetFile(source + "\\EXE\\fr140.dll");
  }
  Fs().GetFile(source + "\\EXE\\WizGlobe.jpg");
  Fs().GetFile(source + "\\EXE\\WizEarth.ico");
}

void frmMain::ReplaceProgram(const std::string& medium_program, const std::string& program) {
  // The search finds an installation by its program file: one left without it would be
  // invisible to the next run of the update, which the start-up notice tells the user to make
  // after an error. So the old program is kept aside until the new one is in place, and is put
  // back when the copy fails (disk full, copy refused). The copy aside is made before the old
  // program is deleted, so a disk too full for it stops the run with the program still in
  // place; the documents and the database are already updated by then, as after any failure.
  // The copy aside is this run's own business and never outlives it, except where it is the
  // only copy of the program left.
  const std::string kept = state_.InstallFolder + "\\zant-1.40-update.tmp";
  RemoveLeftover(kept);  // left behind by a run that was cut short
  const bool had_program = !Fs().DirMatch(program, attr::kNormal).empty();
  if (had_program) {
    Copy(program, kept);
    try {
      Fs().DeleteFile(program, true);
    } catch (const RunError&) {
      // The program is running, or held by another program: it stays as it is, and the report
      // names its delete.
      ForgetCopyAside(kept);
      throw;
    }
  }
  try {
    Copy(medium_program, program);
  } catch (const RunError&) {
    if (had_program) {
      try {
        DeleteIfPresent(program);
        Copy(kept, program);
        Fs().DeleteFile(kept, true);
      } catch (const RunError&) {
        // The report names the copy's own failure; the old program stays aside.
      }
    }
    throw;
  }
  if (had_program) {
    ForgetCopyAside(kept);
  }
}

void frmMain::ForgetCopyAside(const std::string& kept) {
  // The update of the installation does not depend on it: one that cannot be removed now (a
  // scanner holding it) is removed by the next run.
  try {
    Fs().DeleteFile(kept, true);
  } catch (const RunError&) {
  }
}

void frmMain::CreateLogFile(const std::string& medium_log, const std::string& log) {
  // The log is created only where there is none, so a log left half made (cut short, or still
  // read-only) would be kept by every later run. It is made under a name of its own beside the
  // log and renamed into place only when it is complete, writable and on the disk: the rename
  // survives a power cut at once, the data only once written, and a log renamed before then
  // could be empty for good. A failure takes the unfinished file away and is reported under the
  // log's own name.
  const std::string making = state_.InstallFolder + "\\MSSent-1.40-update.tmp";
  try {
    RemoveLeftover(making);
    Copy(medium_log, making);
    ShowDetail(texts::kCheckingReadOnly);
    MakeWritable(making);
    Fs().FlushFile(making);
    Fs().MoveFile(making, log);
  } catch (const RunError& error) {
    try {
      RemoveLeftover(making);
    } catch (const RunError&) {
      // Not removable now: the next run removes it before it makes the log.
    }
    std::string description = error.Description();
    if (size_t at = description.find(making); at != std::string::npos) {
      description.replace(at, making.size(), log);
    }
    throw RunError(error.Number(), description);
  }
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

void frmMain::RemoveLeftover(const std::string& path) {
  // Whatever its attributes: the directory match would not see a hidden or system file.
  if (Fs().FileExists(path)) {
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
