// The run from the start-up notice to each of its endings, against an in-memory computer.

#include <gtest/gtest.h>

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

// A medium that lacks something an installation's steps will read ends the run before that
// installation is touched, with the error the failing step would have given.
TEST(RunEndings, IncompleteMediumLeavesTheInstallationItStopsAtUnchanged) {
  struct Case {
    const char* missing;  // below the medium's folder
    int32_t number;
  };
  for (const Case& c :
       {Case{"\\DocsX", 3}, Case{"\\Macros", 3}, Case{"\\Flags", 3}, Case{"\\EXE\\zant.exe", 2},
        Case{"\\EXE\\about.txt", 2}, Case{"\\EXE\\WizEarth.ico", 2}, Case{"\\EXE\\MSSent.log", 2},
        Case{"\\EXE\\fr140.dll", 2}, Case{"\\EXE", 3}}) {
    SampleComputer pc;
    pc.disk->AddDrive('D', drive_type::kFixed);
    pc.AddInstallation("C:\\ZANT");
    pc.AddInstallation("D:\\ZANT");
    // The first installation needs neither the medium's log nor its special library.
    pc.disk->MakeFile("C:\\ZANT\\MSSent.log", "own log");
    pc.disk->MakeFile("C:\\ZANT\\sysx3.dll", "system library");
    const std::string path = std::string(SampleComputer::kMedium) + c.missing;
    pc.disk->Remove(path);
    const auto untouched = pc.disk->Snapshot("D:\\");
    const bool first_needs_it = c.missing != std::string("\\EXE\\MSSent.log") &&
                                c.missing != std::string("\\EXE\\fr140.dll");

    EXPECT_EQ(pc.Run(), modMain::kExitFailure) << c.missing;
    const std::string text = c.number == 3 ? "The system cannot find the path specified"
                                           : "The system cannot find the file specified";
    const std::string named = c.missing == std::string("\\EXE") ? path + "\\zant.exe" : path;
    EXPECT_EQ(pc.surface.boxes.back().text,
              "Run-time error '" + std::to_string(c.number) + "':\r\n\r\n" + text + ": " + named)
        << c.missing;
    EXPECT_EQ(pc.disk->Snapshot("D:\\"), untouched) << c.missing;
    EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), first_needs_it ? "zant 130" : "zant.exe 140")
        << c.missing;
    EXPECT_EQ(pc.system.restarts, 0) << c.missing;
  }
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
