// The per-installation steps: what the user sees, what the installation holds afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/texts.h"
#include "platform/error.h"
#include "platform/name_case.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

// The calls between the last guard question and the shared phase.
std::vector<std::string> StepCalls(const RecordingSurface& surface) {
  auto& calls = surface.calls;
  auto begin = std::find(calls.begin(), calls.end(), "detail:Out of sequence protection");
  auto end = std::find(calls.begin(), calls.end(), "status:Updating your system, please wait...");
  return {begin + 1, end - 1};  // the detail cleared before the shared phase is its own
}

TEST(InstallSteps, ShowEveryStepInOrder) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.Run();
  const std::string f = "\r\n\r\nC:\\ZANT";
  const std::vector<std::string> expected = {"detail:",
                                             "status:Removing Old Documents..." + f,
                                             "detail:gone.doc",
                                             "detail:old1.doc",
                                             "detail:",
                                             "status:Updating Documents..." + f,
                                             "detail:keep.doc",
                                             "detail:new1.doc",
                                             "detail:",
                                             "status:Updating Database..." + f,
                                             "detail:db.mdb",
                                             "detail:zant.mdw",
                                             "detail:Checking read-only status...",
                                             "detail:Removing database lock file",
                                             "detail:",
                                             "status:Updating Program Files..." + f,
                                             "detail:ZANT.exe",
                                             "detail:Checking read-only status...",
                                             "detail:ABOUT.TXT",
                                             "detail:",
                                             "status:Updating Macro Directives...",
                                             "detail:do_main.txt",
                                             "detail:",
                                             "status:Updating Version Flags...",
                                             "detail:version.140",
                                             "detail:vflgzant.140",
                                             "detail:",
                                             "status:Creating Log File...",
                                             "detail:MSSent.log",
                                             "detail:Checking read-only status...",
                                             "detail:",
                                             "status:Copying special files...",
                                             "detail:fr140.dll",
                                             "detail:Checking read-only status...",
                                             "detail:",
                                             "status:Copying graphics...",
                                             "detail:WizGlobe.jpg",
                                             "detail:WizEarth.ico"};
  EXPECT_EQ(StepCalls(pc.surface), expected);
}

TEST(InstallSteps, InstallationHoldsVersion140Afterwards) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->SetAttributes("C:\\ZANT\\ZANT.exe", attr::kReadOnly);
  pc.disk->MakeFile("C:\\ZANT\\do_x.mac", "old macro");
  pc.disk->MakeFile("C:\\ZANT\\undo_x.txt", "not a macro directive");
  pc.Run();
  auto& d = *pc.disk;
  const std::string z = "C:\\ZANT";
  // Old documents removed, new ones in, the user's own document kept.
  EXPECT_FALSE(d.Exists(z + "\\Packages\\ZANT\\old1.doc"));
  EXPECT_EQ(d.ReadFile(z + "\\Packages\\ZANT\\new1.doc"), "new1 140");
  EXPECT_EQ(d.ReadFile(z + "\\Packages\\ZANT\\keep.doc"), "keep 140");
  EXPECT_EQ(d.ReadFile(z + "\\Packages\\ZANT\\mine.doc"), "user's own");
  EXPECT_FALSE(d.Exists(z + "\\Packages\\ZANT\\db.ldb"));
  // Attributes: these are writable, the rest keep what the medium gave them.
  for (const char* name : {"\\Packages\\ZANT\\db.mdb", "\\ZANT.exe", "\\MSSent.log", "\\fr140.dll",
                           "\\WizGlobe.jpg", "\\WizEarth.ico"}) {
    EXPECT_EQ(d.GetAttributes(z + name) & (attr::kReadOnly | attr::kHidden | attr::kSystem), 0u)
        << name;
  }
  for (const char* name : {"\\Packages\\ZANT\\new1.doc", "\\Packages\\ZANT\\zant.mdw",
                           "\\about.txt", "\\do_main.txt", "\\vflgzant.140", "\\version.140"}) {
    EXPECT_EQ(d.GetAttributes(z + name) & attr::kReadOnly, attr::kReadOnly) << name;
  }
  EXPECT_EQ(d.ReadFile(z + "\\ZANT.exe"), "zant.exe 140");
  EXPECT_EQ(d.ReadFile(z + "\\Packages\\ZANT\\db.mdb"), "db 140");
  // Macro directives and version flags replaced; only do_*.??? names count as directives.
  EXPECT_FALSE(d.Exists(z + "\\do_old.txt"));
  EXPECT_FALSE(d.Exists(z + "\\do_x.mac"));
  EXPECT_TRUE(d.Exists(z + "\\undo_x.txt"));
  EXPECT_FALSE(d.Exists(z + "\\version.130"));
  // Untouched.
  EXPECT_EQ(d.ReadFile(z + "\\user.cfg"), "settings");
  EXPECT_EQ(d.ReadFile(z + "\\Other\\notes.txt"), "notes");
}

TEST(InstallSteps, OnlyTheNamedFilesChange) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\Elsewhere\\do_a.txt", "not in the installation");
  const auto elsewhere = pc.disk->Snapshot("C:\\Elsewhere");
  pc.Run();
  EXPECT_EQ(pc.disk->Snapshot("C:\\Elsewhere"), elsewhere);
  // The program file is written anew under the spelling the update uses.
  const std::vector<std::string> expected = {"C:\\ZANT\\about.txt|1|about.txt 140",
                                             "C:\\ZANT\\do_main.txt|1|macro 140",
                                             "C:\\ZANT\\fr140.dll|0|fr140.dll 140",
                                             "C:\\ZANT\\MSSent.log|0|MSSent.log 140",
                                             "C:\\ZANT\\Other\\",
                                             "C:\\ZANT\\Other\\notes.txt|0|notes",
                                             "C:\\ZANT\\Packages\\",
                                             "C:\\ZANT\\Packages\\ZANT\\",
                                             "C:\\ZANT\\Packages\\ZANT\\db.mdb|0|db 140",
                                             "C:\\ZANT\\Packages\\ZANT\\keep.doc|1|keep 140",
                                             "C:\\ZANT\\Packages\\ZANT\\mine.doc|0|user's own",
                                             "C:\\ZANT\\Packages\\ZANT\\new1.doc|1|new1 140",
                                             "C:\\ZANT\\Packages\\ZANT\\zant.mdw|1|mdw 140",
                                             "C:\\ZANT\\user.cfg|0|settings",
                                             "C:\\ZANT\\version.140|1|",
                                             "C:\\ZANT\\vflgzant.140|1|",
                                             "C:\\ZANT\\WizEarth.ico|0|WizEarth.ico 140",
                                             "C:\\ZANT\\WizGlobe.jpg|0|WizGlobe.jpg 140",
                                             "C:\\ZANT\\zant.exe|0|zant.exe 140"};
  EXPECT_EQ(pc.disk->Snapshot("C:\\ZANT"), expected);
}

TEST(InstallSteps, ExistingLogAndSystemLibrarySkipTheirSteps) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\MSSent.log", "the user's log", attr::kReadOnly);
  pc.disk->MakeFile("C:\\ZANT\\sysx3.dll", "system library");
  pc.disk->MakeFile("C:\\ZANT\\fr140.dll", "older special library", attr::kReadOnly);
  pc.Run();
  auto& s = pc.surface.statuses;
  EXPECT_EQ(std::find(s.begin(), s.end(), texts::kCreatingLogFile), s.end());
  EXPECT_EQ(std::find(s.begin(), s.end(), texts::kCopyingSpecialFiles), s.end());
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\MSSent.log"), "the user's log");
  EXPECT_EQ(pc.disk->GetAttributes("C:\\ZANT\\MSSent.log") & attr::kReadOnly, attr::kReadOnly);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\fr140.dll"), "older special library");
}

TEST(InstallSteps, EmptyRemovalListAndNoLockFileAreFine) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->Remove("C:\\ZANT\\Packages\\ZANT\\db.ldb");
  pc.disk->Remove(std::string(SampleComputer::kMedium) + "\\DocsX");
  pc.disk->MakeFolder(std::string(SampleComputer::kMedium) + "\\DocsX");
  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\Packages\\ZANT\\old1.doc"), "old");
}

TEST(InstallSteps, HiddenFileInTheWayEndsTheRunPartlyUpdated) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\Packages\\ZANT\\keep.doc", "hidden", attr::kHidden);
  EXPECT_EQ(pc.Run(), modMain::kExitFailure);
  EXPECT_EQ(pc.surface.boxes.back().text.rfind("Run-time error '5':", 0), 0u);
  EXPECT_FALSE(pc.disk->Exists("C:\\ZANT\\Packages\\ZANT\\old1.doc"));  // step 1 stays done
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant 130");
  EXPECT_EQ(pc.system.restarts, 0);
}

// The search finds an installation by its program file, so a failed copy of the new program
// puts the old one back, attributes and all, and leaves nothing else behind.
TEST(InstallSteps, ProgramThatCannotBeCopiedLeavesTheOldOneInPlace) {
  const std::string program = "C:\\ZANT\\zant.exe";
  auto computer = [] {
    auto pc = std::make_unique<SampleComputer>();
    pc->AddInstallation("C:\\ZANT");
    pc->disk->SetAttributes("C:\\ZANT\\ZANT.exe", attr::kReadOnly);
    return pc;
  };
  // The new program's copy is the second change of the program file (the first deletes it).
  auto clean = computer();
  clean->Run();
  const std::vector<std::string>& changes = clean->disk->ChangedPaths();
  auto same = [&](const std::string& path) {
    return UpperCaseName(path) == UpperCaseName(program);
  };
  auto deleted = std::find_if(changes.begin(), changes.end(), same);
  auto copied = std::find_if(deleted + 1, changes.end(), same);
  ASSERT_NE(copied, changes.end());

  auto owned = computer();
  SampleComputer& pc = *owned;
  pc.disk->FailNthChange(static_cast<int>(copied - changes.begin()) + 1,
                         MemoryDisk::ChangeFault::kDiskFull);
  EXPECT_EQ(pc.Run(), modMain::kExitFailure);
  EXPECT_EQ(pc.surface.boxes.back().text.rfind("Run-time error '112':", 0), 0u);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant 130");
  EXPECT_EQ(pc.disk->GetAttributes("C:\\ZANT\\ZANT.exe"), attr::kReadOnly);
  EXPECT_FALSE(pc.disk->Exists("C:\\ZANT\\zant-1.40-update.tmp"));
}

// The files the update makes for itself in an installation (the old program kept aside, the
// log being made) never outlive the run that made them, and a run never ends on one of them.
TEST(InstallSteps, WorkFilesNeverOutliveTheRun) {
  const std::string kept = "C:\\ZANT\\zant-1.40-update.tmp";
  const std::string making = "C:\\ZANT\\MSSent-1.40-update.tmp";
  struct Case {
    const char* what;
    std::function<void(SampleComputer&)> prepare;
    int exit_code;
    const char* report;  // the start of the error report, or "" for none
  };
  const std::vector<Case> cases = {
      {"program running: its delete is refused",
       [](SampleComputer& pc) {
         pc.disk->FailDelete("C:\\ZANT\\zant.exe", err::kSharingViolation);
       },
       modMain::kExitFailure, "Run-time error '32':"},
      {"copy aside held by a scanner after the new program is in",
       [&](SampleComputer& pc) { pc.disk->FailDelete(kept, err::kSharingViolation); },
       modMain::kExitNormal, ""},
      {"leftovers of a run cut short, hidden, system and read-only",
       [&](SampleComputer& pc) {
         const uint32_t all = attr::kReadOnly | attr::kHidden | attr::kSystem;
         pc.disk->MakeFile(kept, "zant 1", all);
         pc.disk->MakeFile(making, "MSSent", all);
       },
       modMain::kExitNormal, ""},
      {"disk full while the log is made",
       [&](SampleComputer& pc) { pc.disk->FailCopyTo(making, 112); }, modMain::kExitFailure,
       "Run-time error '112':"},
      {"a folder in the log's place: the finished log cannot be renamed",
       [](SampleComputer& pc) { pc.disk->MakeFolder("C:\\ZANT\\MSSent.log"); },
       modMain::kExitFailure, "Run-time error '5':"},
  };
  for (const Case& c : cases) {
    SampleComputer pc;
    pc.AddInstallation("C:\\ZANT");
    c.prepare(pc);
    EXPECT_EQ(pc.Run(), c.exit_code) << c.what;
    if (*c.report != '\0') {
      ASSERT_FALSE(pc.surface.boxes.empty()) << c.what;
      const std::string& text = pc.surface.boxes.back().text;
      EXPECT_EQ(text.rfind(c.report, 0), 0u) << c.what << ": " << text;
      EXPECT_EQ(text.find("1.40-update.tmp"), std::string::npos) << c.what << ": " << text;
      EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe").substr(0, 4), "zant") << c.what;
    }
    if (c.exit_code == modMain::kExitNormal) {
      EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant.exe 140") << c.what;
      EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\MSSent.log"), "MSSent.log 140") << c.what;
    }
    EXPECT_FALSE(pc.disk->Exists(making)) << c.what;
    if (pc.disk->Exists(kept)) {
      // Only one held by another program outlives its run; the next run removes it.
      EXPECT_EQ(c.what, cases[1].what);
      pc.disk->ClearFaults();
      EXPECT_EQ(pc.Run(), modMain::kExitNormal) << c.what;
      EXPECT_FALSE(pc.disk->Exists(kept)) << c.what;
    }
  }
}

// The database step makes the installation's db.mdb writable after the copies. It is there from
// the medium's DB or Docs, or it is the installation's own, unless the old documents that the
// first step removes name it. Where none will be there, the medium check stops the run with that
// step's own error before anything changes: the installation's database is never lost.
TEST(InstallSteps, MissingDatabaseStopsTheRunBeforeAnythingChanges) {
  const std::string medium = SampleComputer::kMedium;
  const std::string db = "C:\\ZANT\\Packages\\ZANT\\db.mdb";
  struct Case {
    const char* what;
    std::vector<std::string> medium_files;  // added to the medium (DB\db.mdb is removed)
    bool installation_has_one;
    const char* missing;   // the path the report names, or nullptr when the run completes
    const char* database;  // what the installation's db.mdb holds after a complete run
  };
  const std::vector<Case> cases = {
      {"neither the medium nor the installation has one",
       {},
       false,
       "C:\\ZANT\\Packages\\ZANT\\db.mdb",
       nullptr},
      {"the old documents name it", {"DocsX\\db.mdb"}, true, "E:\\ZANTUPD\\DB\\db.mdb", nullptr},
      {"the installation's own", {}, true, nullptr, "db 130"},
      {"new in the documents", {"Docs\\db.mdb"}, false, nullptr, "Docs\\db.mdb 140"},
      {"replaced by the documents",
       {"DocsX\\db.mdb", "Docs\\db.mdb"},
       true,
       nullptr,
       "Docs\\db.mdb 140"},
  };
  for (const Case& c : cases) {
    SampleComputer pc;
    pc.AddInstallation("C:\\ZANT");
    pc.disk->Remove(medium + "\\DB\\db.mdb");
    for (const std::string& file : c.medium_files) {
      pc.disk->MakeFile(medium + "\\" + file, file + " 140", attr::kReadOnly);
    }
    if (!c.installation_has_one) {
      pc.disk->Remove(db);
    }
    const auto before = pc.disk->Snapshot("C:\\");
    if (c.missing == nullptr) {
      EXPECT_EQ(pc.Run(), modMain::kExitNormal) << c.what;
      ASSERT_TRUE(pc.disk->Exists(db)) << c.what;
      EXPECT_EQ(pc.disk->ReadFile(db), c.database) << c.what;
      EXPECT_EQ(pc.disk->GetAttributes(db), 0u) << c.what;
      continue;
    }
    EXPECT_EQ(pc.Run(), modMain::kExitFailure) << c.what;
    const std::string& report = pc.surface.boxes.back().text;
    EXPECT_EQ(report.rfind("Run-time error '2':", 0), 0u) << c.what << ": " << report;
    EXPECT_NE(report.find(c.missing), std::string::npos) << c.what << ": " << report;
    EXPECT_EQ(pc.disk->Snapshot("C:\\"), before) << c.what;
  }
}

TEST(InstallSteps, WildcardNameOnTheMediumIsRefusedNotUsedAsAPattern) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile(std::string(SampleComputer::kMedium) + "\\DocsX\\*.doc", "x");
  EXPECT_EQ(pc.Run(), modMain::kExitFailure);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\Packages\\ZANT\\mine.doc"), "user's own");
}

}  // namespace
}  // namespace zant::test
