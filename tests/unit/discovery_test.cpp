// Installation discovery: which drives are searched, what is found in which order, what the
// user sees, and the cancel flow.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/texts.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

std::string Searching(const std::string& letter) {
  return std::string(texts::kSearchingBefore) + letter + texts::kSearchingAfter;
}

TEST(Discovery, FindsEveryCopyOnFixedDrivesInDriveThenWalkOrder) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.disk->AddDrive('N', drive_type::kNetwork);
  pc.disk->MakeFile("D:\\B\\ZANT.exe");
  pc.disk->MakeFile("D:\\A\\Sub\\zant.EXE");  // any mix of case, its own spelling kept
  pc.disk->MakeFile("C:\\Apps\\ZANT.exe");
  pc.disk->MakeFile("C:\\Apps\\ZANT.exe.old");
  pc.disk->MakeFile("C:\\Apps\\MyZANT.exe");
  pc.disk->MakeFolder("C:\\Folder\\ZANT.exe");  // a folder never matches
  pc.disk->MakeFile("N:\\ZANT.exe");            // network drives are not searched
  pc.disk->MakeFile("E:\\ZANT.exe");            // nor CD-ROMs

  frmMain form(pc.surface, pc.file_systems, pc.system);
  form.Main();  // no data folders: every copy is passed over (ending E3)
  EXPECT_EQ(form.State().FoundFiles,
            (StringList{"C:\\Apps\\ZANT.exe", "D:\\A\\Sub\\zant.EXE", "D:\\B\\ZANT.exe"}));
  auto& statuses = pc.surface.statuses;
  EXPECT_EQ(statuses[0], texts::kAnalyzing);
  EXPECT_EQ(statuses[1], Searching("C"));
  EXPECT_EQ(statuses[2], Searching("D"));
  // Every examined file flashed by in the detail line, the medium's never.
  auto& details = pc.surface.details;
  EXPECT_NE(std::find(details.begin(), details.end(), "C:\\Apps\\MyZANT.exe"), details.end());
  EXPECT_NE(std::find(details.begin(), details.end(), "D:\\B\\ZANT.exe"), details.end());
  EXPECT_EQ(std::find(details.begin(), details.end(), "N:\\ZANT.exe"), details.end());
}

TEST(Discovery, DriveThatCannotBeOpenedIsSkippedSilently) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.disk->AddDrive('F', drive_type::kFixed);
  pc.disk->MakeFile("D:\\ZANT.exe");
  pc.disk->MakeFile("F:\\X\\ZANT.exe");
  pc.disk->SetDriveReady('D', false);
  pc.disk->FailListing("F:\\X");  // an unreadable folder is stepped over as well

  frmMain form(pc.surface, pc.file_systems, pc.system);
  form.Main();
  EXPECT_TRUE(form.State().FoundFiles.empty());
  EXPECT_EQ(pc.surface.boxes.back().text, texts::kNotInstalled);
}

TEST(Discovery, CancelButtonIsDisabledOnceTheSearchIsOver) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.Run();
  auto& calls = pc.surface.calls;
  auto disabled = std::find(calls.begin(), calls.end(), "disable-cancel");
  auto first_guard =
      std::find(calls.begin(), calls.end(), std::string("status:") + texts::kCheckingVersion);
  ASSERT_NE(disabled, calls.end());
  EXPECT_LT(disabled, first_guard);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "disable-cancel"), 1);
}

TEST(Discovery, CancelAnsweredYesGoesOnAndCanBeAskedAgain) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  // Two clicks before the first file is examined lead to one question; a later click to another.
  pc.surface.ClickCancelAtPump(1);
  pc.surface.ClickCancelAtPump(2);
  pc.surface.ClickCancelAtPump(8);
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kYes, Answer::kYes});

  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  int questions = 0;
  for (const auto& box : pc.surface.boxes) {
    if (box.title == texts::kCancelTitle) {
      ++questions;
      EXPECT_EQ(box.text, texts::kCancelQuestion);
      EXPECT_EQ(box.buttons, Buttons::kYesNo);
      EXPECT_EQ(box.icon, Icon::kInformation);
    }
  }
  EXPECT_EQ(questions, 2);
  EXPECT_EQ(pc.disk->ReadFile("C:\\ZANT\\ZANT.exe"), "zant.exe 140");
}

TEST(Discovery, CancelAnsweredNoEndsAtOnceWithoutRestart) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  const auto before = pc.disk->Snapshot("C:\\");
  pc.surface.ClickCancelAtPump(4);
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});

  EXPECT_EQ(pc.Run(), modMain::kExitCancelled);
  EXPECT_TRUE(pc.surface.unloaded);
  EXPECT_EQ(pc.system.restarts, 0);
  EXPECT_EQ(pc.surface.boxes.back().title, texts::kCancelTitle);
  EXPECT_EQ(pc.disk->Snapshot("C:\\"), before);
  EXPECT_TRUE(pc.system.started.empty());
}

TEST(Discovery, ListsJoinAndCount) {
  EXPECT_EQ(frmMain::CountItems({}), 0);
  EXPECT_EQ(frmMain::JoinLists({}, {"a", "b", "c"}), (StringList{"a", "b", "c"}));
  EXPECT_EQ(frmMain::JoinLists({"a", "b"}, {}), (StringList{"a", "b"}));
  EXPECT_EQ(frmMain::JoinLists({"a", "b"}, {"c", "d", "e"}), (StringList{"a", "b", "c", "d", "e"}));
  EXPECT_TRUE(frmMain::JoinLists({}, {}).empty());
}

}  // namespace
}  // namespace zant::test
