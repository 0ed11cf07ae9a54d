// The installation guards: the data folder, the reinstall and the sequence questions.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/texts.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

std::string ReinstallQuestion(const std::string& folder) {
  return texts::kReinstallBefore + folder + texts::kReinstallAfter;
}
std::string SequenceQuestion(const std::string& folder) {
  return texts::kSequenceBefore + folder + texts::kSequenceAfter;
}

// The boxes of the run other than the notice and the final message.
std::vector<RecordingSurface::Box> Questions(const RecordingSurface& surface) {
  std::vector<RecordingSurface::Box> questions;
  for (const auto& box : surface.boxes) {
    if (box.buttons == Buttons::kYesNo) {
      questions.push_back(box);
    }
  }
  return questions;
}

TEST(Guards, LooseProgramFileIsPassedOverWithoutAQuestionOrStatus) {
  SampleComputer pc;
  pc.disk->MakeFile("C:\\Download\\ZANT.exe", "loose");
  pc.disk->MakeFile("C:\\Download\\vflgzant.140");
  pc.disk->MakeFile("C:\\Download\\Packages\\ZANTX\\db.mdb");
  pc.Run();
  EXPECT_TRUE(Questions(pc.surface).empty());
  const auto& s = pc.surface.statuses;
  EXPECT_EQ(std::find(s.begin(), s.end(), texts::kCheckingVersion), s.end());
  EXPECT_EQ(pc.disk->ReadFile("C:\\Download\\ZANT.exe"), "loose");
}

TEST(Guards, BothMarkersAskBothQuestionsInTurn) {
  SampleComputer pc;
  pc.AddInstallation("C:\\Prog\\ZANT");
  pc.disk->MakeFile("C:\\Prog\\ZANT\\vflgzant.140");
  pc.disk->MakeFile("C:\\Prog\\ZANT\\version.120");
  pc.Run();
  auto questions = Questions(pc.surface);
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[0].text, ReinstallQuestion("C:\\Prog\\ZANT"));
  EXPECT_EQ(questions[1].text, SequenceQuestion("C:\\Prog\\ZANT"));
  for (const auto& q : questions) {
    EXPECT_EQ(q.title, texts::kMessageTitle);
    EXPECT_EQ(q.icon, Icon::kWarning);
  }
  // What the user saw while each question was asked.
  auto& calls = pc.surface.calls;
  auto reinstall = std::find(calls.begin(), calls.end(), "detail:Reinstall protection");
  auto sequence = std::find(calls.begin(), calls.end(), "detail:Out of sequence protection");
  ASSERT_NE(reinstall, calls.end());
  ASSERT_NE(sequence, calls.end());
  EXPECT_EQ(*(reinstall - 1), "status:Checking Version...");
  EXPECT_EQ(*(sequence - 1), "status:Checking Version...");
  EXPECT_EQ(pc.disk->ReadFile("C:\\Prog\\ZANT\\ZANT.exe"), "zant.exe 140");
}

TEST(Guards, NoToTheFirstQuestionAsksNothingMoreAndLeavesNoTrace) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\vflgzant.140");
  pc.disk->MakeFile("C:\\ZANT\\version.110");
  const auto before = pc.disk->Snapshot("C:\\ZANT");
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});
  pc.Run();
  EXPECT_EQ(Questions(pc.surface).size(), 1u);
  EXPECT_EQ(pc.disk->Snapshot("C:\\ZANT"), before);
}

TEST(Guards, NoToTheSequenceQuestionPassesOverOnlyThatInstallation) {
  SampleComputer pc;
  pc.AddInstallation("C:\\Old");
  pc.disk->MakeFile("C:\\Old\\version.110");
  pc.AddInstallation("C:\\Ok");
  const auto before = pc.disk->Snapshot("C:\\Old");
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});
  pc.Run();
  EXPECT_EQ(pc.disk->Snapshot("C:\\Old"), before);
  EXPECT_EQ(pc.disk->ReadFile("C:\\Ok\\ZANT.exe"), "zant.exe 140");
  EXPECT_NE(pc.surface.status_text.find("(C-1)"), std::string::npos);
}

TEST(Guards, HiddenOrSystemMarkersAreNotSeen) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\version.110", "", attr::kHidden);
  pc.disk->MakeFile("C:\\ZANT\\version.120", "", attr::kSystem);
  pc.Run();
  EXPECT_TRUE(Questions(pc.surface).empty());
  EXPECT_NE(pc.surface.status_text.find("(C-1)"), std::string::npos);
}

TEST(Guards, InstallationAtADriveRootUsesTheRootsOwnMarkers) {
  SampleComputer pc;
  pc.disk->AddDrive('D', drive_type::kFixed);
  pc.AddInstallation("D:");
  pc.disk->MakeFile("D:\\version.120");
  pc.Run();
  auto questions = Questions(pc.surface);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text, SequenceQuestion("D:"));
  EXPECT_EQ(pc.disk->ReadFile("D:\\ZANT.exe"), "zant.exe 140");
  EXPECT_FALSE(pc.disk->Exists("D:\\version.120"));
}

TEST(Guards, PresenceTestThatCannotRunEndsTheRun) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->FailDirMatch("C:\\ZANT", 21);
  EXPECT_EQ(pc.Run(), modMain::kExitFailure);
  EXPECT_EQ(pc.surface.boxes.back().icon, Icon::kError);
  EXPECT_EQ(pc.system.restarts, 0);
}

}  // namespace
}  // namespace zant::test
