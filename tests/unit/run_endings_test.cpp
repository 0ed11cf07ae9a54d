// The run from the start-up notice to each of its endings, against an in-memory computer.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "app/texts.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

const char* kTitle = texts::kMessageTitle;

TEST(RunEndings, NoticeComesFirstWhileTheWindowIsHidden) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.Run();
  ASSERT_GE(pc.surface.calls.size(), 2u);
  EXPECT_EQ(pc.surface.calls[0], std::string("box:") + kTitle);
  EXPECT_EQ(pc.surface.calls[1], "show");
  const auto& notice = pc.surface.boxes.front();
  EXPECT_EQ(notice.text, texts::kStartupNotice);
  EXPECT_EQ(notice.buttons, Buttons::kOk);
  EXPECT_EQ(notice.icon, Icon::kInformation);
}

TEST(RunEndings, SecondUpdaterSaysSoAndEndsTouchingNothing) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.system.another_updater_running = true;
  const auto before = pc.disk->Snapshot("C:\\");

  EXPECT_EQ(pc.Run(), modMain::kExitAlreadyRunning);
  ASSERT_EQ(pc.surface.boxes.size(), 1u);
  EXPECT_EQ(pc.surface.boxes[0].title, kTitle);
  EXPECT_EQ(pc.surface.boxes[0].text,
            "The ZANT On CD update program is already running. Please wait for it to finish.");
  EXPECT_EQ(pc.surface.boxes[0].icon, Icon::kInformation);
  EXPECT_EQ(pc.surface.boxes[0].buttons, Buttons::kOk);
  EXPECT_EQ(pc.surface.calls, (std::vector<std::string>{std::string("box:") + kTitle, "unload"}));
  EXPECT_EQ(pc.disk->Snapshot("C:\\"), before);
  EXPECT_EQ(pc.disk->ChangeCount(), 0);
  EXPECT_EQ(pc.system.restarts, 0);
}

TEST(RunEndings, NoFixedDriveEndsWithErrorAndRestart) {
  SampleComputer pc(/*with_fixed_c=*/false);
  pc.disk->AddDrive('N', drive_type::kNetwork);
  pc.disk->AddDrive('A', drive_type::kRemovable);
  pc.disk->AddDrive('R', drive_type::kRamDisk);
  pc.disk->MakeFile("N:\\ZANT\\ZANT.exe");

  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  ASSERT_EQ(pc.surface.boxes.size(), 2u);
  EXPECT_EQ(pc.surface.boxes[1].text, texts::kNoHardDrives);
  EXPECT_EQ(pc.surface.boxes[1].title, kTitle);
  EXPECT_EQ(pc.surface.boxes[1].icon, Icon::kError);
  EXPECT_EQ(pc.surface.boxes[1].buttons, Buttons::kOk);
  EXPECT_TRUE(pc.surface.unloaded);
  EXPECT_EQ(pc.system.restarts, 1);
}

TEST(RunEndings, NoProgramFileEndsWithWarningAndRestart) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.disk->MakeFile("D:\\Tools\\ZANT.exe.bak");
  pc.disk->MakeFile("D:\\Tools\\XZANT.exe");

  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  ASSERT_EQ(pc.surface.boxes.size(), 2u);
  EXPECT_EQ(pc.surface.boxes[1].text, texts::kNotInstalled);
  EXPECT_EQ(pc.surface.boxes[1].icon, Icon::kWarning);
  EXPECT_EQ(pc.surface.boxes[1].buttons, Buttons::kOk);
  EXPECT_EQ(pc.system.restarts, 1);
  EXPECT_TRUE(pc.system.started.empty());
}

TEST(RunEndings, EveryInstallationPassedOverEndsWithNoCopiesAndRestart) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\vflgzant.140");
  pc.disk->MakeFile("C:\\Loose\\ZANT.exe");  // no data folder: passed over silently
  const auto before = pc.disk->Snapshot("C:\\");
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});

  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.disk->Snapshot("C:\\"), before);
  ASSERT_EQ(pc.surface.boxes.size(), 3u);
  EXPECT_EQ(pc.surface.boxes[2].text, texts::kNoCopiesMessage);
  EXPECT_EQ(pc.surface.boxes[2].icon, Icon::kWarning);
  EXPECT_EQ(pc.surface.status_text, texts::kNoCopiesStatus);
  EXPECT_EQ(pc.surface.detail_text, "");
  EXPECT_TRUE(pc.system.started.empty());  // no shared phase
  EXPECT_FALSE(pc.disk->Exists("C:\\Windows\\System32\\ZEPDI140.log"));
  EXPECT_EQ(pc.system.restarts, 1);
}

TEST(RunEndings, SuccessShowsTheCountAndRestarts) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.AddInstallation("C:\\ZANT");
  pc.AddInstallation("D:");
  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.surface.status_text,
            "Update Successful... \r\n\r\nZANT On CD has been updated to version 1.40. (C-2)");
  EXPECT_EQ(pc.surface.detail_text, "");
  const auto& last = pc.surface.boxes.back();
  EXPECT_EQ(last.text, texts::kSuccessMessage);
  EXPECT_EQ(last.icon, Icon::kInformation);
  EXPECT_EQ(last.buttons, Buttons::kOk);
  EXPECT_EQ(pc.surface.calls.back(), "unload");
  EXPECT_EQ(pc.system.restarts, 1);
}

TEST(RunEndings, FailureIsReportedWithoutRestartAndNothingIsRolledBack) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.AddInstallation("C:\\ZANT");
  pc.AddInstallation("D:\\ZANT");
  pc.disk->MakeFile("D:\\ZANT\\Packages\\ZANT\\keep.doc", "hidden", attr::kHidden);

  EXPECT_EQ(pc.Run(), modMain::kExitFailure);
  const auto& report = pc.surface.boxes.back();
  EXPECT_EQ(report.icon, Icon::kError);
  EXPECT_EQ(report.buttons, Buttons::kOk);
  EXPECT_EQ(report.text.rfind("Run-time error '5':\r\n\r\n", 0), 0u) << report.text;
  EXPECT_NE(report.text.find("keep.doc"), std::string::npos) << "the description names the path";
  EXPECT_EQ(pc.system.restarts, 0);
  EXPECT_TRUE(pc.system.started.empty());
  // The first installation keeps its update; the second got as far as removing its old
  // documents.
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant.exe 140");
  EXPECT_FALSE(pc.disk->Exists("D:\\ZANT\\Packages\\ZANT\\old1.doc"));
  EXPECT_EQ(pc.disk->ReadFile("D:\\ZANT\\ZANT.exe"), "zant 130");
}

// Two installations: the first has its own log and the older system library, so it needs
// neither the medium's log nor its special library; the second needs everything.
std::unique_ptr<SampleComputer> TwoInstallations() {
  auto pc = std::make_unique<SampleComputer>();
  pc->disk->AddDrive('D', drive_type::kFixed);
  pc->AddInstallation("C:\\ZANT");
  pc->AddInstallation("D:\\ZANT");
  pc->disk->MakeFile("C:\\ZANT\\MSSent.log", "own log");
  pc->disk->MakeFile("C:\\ZANT\\sysx3.dll", "system library");
  return pc;
}

// A medium that lacks anything a clean run reads from it (every folder and file, and the folders
// that hold them) either does not matter, or ends the run, with the error the missing entry
// gives, before the installation that needs it is touched: each installation is then either
// completely updated or exactly as it was. The entries come from what a clean run reads, so no
// later step can be missed.
TEST(RunEndings, IncompleteMediumLeavesTheInstallationItStopsAtUnchanged) {
  const std::string medium = SampleComputer::kMedium;
  auto clean = TwoInstallations();
  const auto before_c = clean->disk->Snapshot("C:\\ZANT");
  const auto before_d = clean->disk->Snapshot("D:\\ZANT");
  clean->disk->RecordReadsUnder(medium);
  ASSERT_EQ(clean->Run(), modMain::kExitNormal);
  const auto updated_c = clean->disk->Snapshot("C:\\ZANT");
  const auto updated_d = clean->disk->Snapshot("D:\\ZANT");
  std::set<std::string> missing;
  for (const std::string& read : clean->disk->ReadPaths()) {
    for (std::string path = read; path.size() > medium.size();
         path = FileSystem::GetParentFolderName(path)) {
      missing.insert(path);
    }
  }
  ASSERT_GT(missing.size(), 20u);

  int stopped = 0;
  for (const std::string& path : missing) {
    auto pc = TwoInstallations();
    pc->disk->Remove(path);
    if (pc->Run() == modMain::kExitNormal) {
      continue;
    }
    ++stopped;
    const std::string& report = pc->surface.boxes.back().text;
    const bool folder = clean->disk->IsFolder(path);
    const std::string start = folder ? "Run-time error '3':\r\n\r\nThe system cannot find the path"
                                     : "Run-time error '2':\r\n\r\nThe system cannot find the file";
    EXPECT_EQ(report.substr(0, start.size()), start) << path << ": " << report;
    EXPECT_NE(report.find(path), std::string::npos) << path << ": " << report;
    const auto c = pc->disk->Snapshot("C:\\ZANT");
    const auto d = pc->disk->Snapshot("D:\\ZANT");
    EXPECT_TRUE(c == before_c || c == updated_c) << path << ": C:\\ZANT partly updated";
    EXPECT_TRUE(d == before_d || d == updated_d) << path << ": D:\\ZANT partly updated";
    EXPECT_EQ(pc->system.restarts, 0) << path;
  }
  // The folders and the files read by name, less those the shared phase only logs.
  EXPECT_GE(stopped, 12);
}

TEST(RunEndings, SourceFolderLosesEveryTrailingBackslash) {
  for (const char* own : {"E:\\ZANTUPD\\\\\\", "E:\\ZANTUPD"}) {
    SampleComputer pc;
    pc.system.own_folder = own;
    pc.AddInstallation("C:\\ZANT");
    EXPECT_EQ(pc.Run(), modMain::kExitNormal) << own;
    EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant.exe 140") << own;
  }
  // Started from a drive root, the medium's folders are found at that root.
  SampleComputer pc;
  pc.system.own_folder = "E:\\";
  frmMain form(pc.surface, pc.file_systems, pc.system);
  form.Main();
  EXPECT_EQ(form.State().SourceFolder, "E:");
}

}  // namespace
}  // namespace zant::test
