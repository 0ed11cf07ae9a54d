// The shared components: order, texts, the system log entries for failures, the Start menu.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/texts.h"
#include "platform/error.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

const std::string kSys = "C:\\Windows\\System32";
const std::string kLog = kSys + "\\ZEPDI140.log";
const std::string kExe = std::string(SampleComputer::kMedium) + "\\EXE\\";

// The detail texts of the shared phase, without the count texts.
std::vector<std::string> ComponentDetails(const RecordingSurface& surface) {
  auto& calls = surface.calls;
  auto begin = std::find(calls.begin(), calls.end(), "status:Updating your system, please wait...");
  std::vector<std::string> details;
  for (auto it = begin; it != calls.end(); ++it) {
    if (it->rfind("detail:", 0) == 0 && it->find("  (") == std::string::npos) {
      details.push_back(it->substr(7));
    }
  }
  return details;
}

TEST(SharedComponents, EverythingSucceedsInOrderWithoutALog) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\Users\\user\\Start Menu\\Programs\\PocketSOAP\\Documentation.lnk", "",
                    attr::kReadOnly);
  pc.disk->MakeFile("C:\\Users\\user\\Start Menu\\Programs\\PocketSOAP\\Sub\\x.lnk");
  pc.disk->MakeFile("C:\\Users\\user\\Start Menu\\Programs\\Other\\y.lnk");
  pc.Run();

  const std::vector<std::string> expected = {
      "VB5 Virtual Machine",         "SMTP Subsystem",
      "Compression Subsystem",       "Dependencies (dartsock.dll)",
      "Dependencies (dartutil.dll)", "Windows API Interface",
      "SOAP Infrastructure",         ""};  // the last is the success ending clearing the line
  EXPECT_EQ(ComponentDetails(pc.surface), expected);
  EXPECT_EQ(pc.system.started,
            (std::vector<std::string>{kExe + "msvbvm50.exe /Q", kExe + "pocketsoap.1.4.3.exe /S"}));
  EXPECT_EQ(pc.system.registered,
            (std::vector<std::string>{kSys + "\\dartmail.dll", kSys + "\\dartzip.dll",
                                      kSys + "\\dartsock.dll", kSys + "\\dartutil.dll",
                                      kSys + "\\rnwncntl.dll"}));
  EXPECT_EQ(pc.disk->ReadFile(kSys + "\\dartzip.dll"), "dartzip.dll 140");
  EXPECT_FALSE(pc.disk->Exists(kLog));
  EXPECT_FALSE(pc.disk->Exists("C:\\Users\\user\\Start Menu\\Programs\\PocketSOAP"));
  EXPECT_TRUE(pc.disk->Exists("C:\\Users\\user\\Start Menu\\Programs\\Other\\y.lnk"));
}

TEST(SharedComponents, PausesCountDownWithAnEventPassPerCount) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.Run();
  std::vector<std::string> counts;
  for (const auto& d : pc.surface.details) {
    if (d.find("  (") != std::string::npos) {
      counts.push_back(d);
    }
  }
  ASSERT_EQ(counts.size(), 30u);
  EXPECT_EQ(counts[0], "VB5 Virtual Machine  (10)");
  EXPECT_EQ(counts[9], "VB5 Virtual Machine  (1)");
  EXPECT_EQ(counts[10], "SOAP Infrastructure  (20)");
  EXPECT_EQ(counts[29], "SOAP Infrastructure  (1)");
  EXPECT_GE(pc.surface.pumps, 30 * 100001);
}

TEST(SharedComponents, FailuresAreLoggedInOrderAndThePhaseGoesOn) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile(kLog, "earlier run");
  pc.disk->Remove(kExe + "msvbvm50.exe");
  pc.disk->Remove(kExe + "dartzip.dll");
  pc.system.failing_registrations = {kSys + "\\dartutil.dll"};
  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.disk->ReadFile(kLog),
            "earlier run\r\nError executing msvbvm50.exe\r\nError copying dartzip.dll"
            "\r\nError registering dartutil.dll");
  // The library that failed to register stays copied; the one after it is handled normally.
  EXPECT_TRUE(pc.disk->Exists(kSys + "\\dartutil.dll"));
  EXPECT_TRUE(pc.disk->Exists(kSys + "\\rnwncntl.dll"));
  EXPECT_EQ(pc.system.registered.size(), 4u);
  EXPECT_EQ(pc.surface.boxes.back().text, texts::kSuccessMessage);
}

TEST(SharedComponents, LibrariesAreLeftWritableAndAnOlderReadOnlyOneIsReplaced) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile(kSys + "\\dartmail.dll", "older", attr::kReadOnly | attr::kArchive);
  pc.disk->FailCopyTo(kSys + "\\dartsock.dll", err::kSharingViolation);  // in use
  pc.disk->Remove(kExe + "pocketsoap.1.4.3.exe");
  pc.Run();
  EXPECT_EQ(pc.disk->ReadFile(kLog),
            "\r\nError copying dartsock.dll\r\nError executing pocketsoap.exe");
  EXPECT_EQ(pc.disk->ReadFile(kSys + "\\dartmail.dll"), "dartmail.dll 140");
  for (const char* dll : {"dartmail.dll", "dartzip.dll", "dartutil.dll", "rnwncntl.dll"}) {
    EXPECT_EQ(pc.disk->GetAttributes(kSys + "\\" + dll), 0u) << dll;
  }
  EXPECT_EQ(pc.system.registered.size(), 4u);

  // A library that cannot be made writable after its copy counts as not copied: it is logged
  // and not registered, and the next run replaces it.
  SampleComputer first;
  first.AddInstallation("C:\\ZANT");
  first.Run();
  const auto& paths = first.disk->ChangedPaths();
  const auto made_writable = std::find(paths.rbegin(), paths.rend(), kSys + "\\dartzip.dll");
  SampleComputer second;
  second.AddInstallation("C:\\ZANT");
  second.disk->FailNthChange(static_cast<int>(paths.rend() - made_writable),
                             MemoryDisk::ChangeFault::kRefused);
  EXPECT_EQ(second.Run(), modMain::kExitNormal);
  EXPECT_EQ(second.disk->ReadFile(kLog), "\r\nError copying dartzip.dll");
  EXPECT_EQ(second.disk->GetAttributes(kSys + "\\dartzip.dll"), attr::kReadOnly);
  EXPECT_EQ(second.system.registered.size(), 4u);
}

TEST(SharedComponents, LogThatCannotBeWrittenDoesNotAbortTheUpdate) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->Remove(kExe + "msvbvm50.exe");
  pc.disk->Remove(kExe + "dartmail.dll");
  pc.system.fail_append = true;
  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_EQ(pc.surface.boxes.back().text, texts::kSuccessMessage);
  EXPECT_EQ(pc.system.restarts, 1);
}

TEST(SharedComponents, UnknownProgramsFolderSkipsTheStartMenuCleanUp) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.system.programs_folder = "";
  pc.disk->MakeFile("C:\\PocketSOAP\\Documentation.lnk");  // the current drive's root
  EXPECT_EQ(pc.Run(), modMain::kExitNormal);
  EXPECT_TRUE(pc.disk->Exists("C:\\PocketSOAP\\Documentation.lnk"));
}

TEST(SharedComponents, NothingIsInstalledWhenNoInstallationWasUpdated) {
  SampleComputer pc;
  pc.AddInstallation("C:\\ZANT");
  pc.disk->MakeFile("C:\\ZANT\\vflgzant.140");
  pc.surface.ScriptAnswers({Answer::kOk, Answer::kNo});
  pc.Run();
  EXPECT_TRUE(pc.system.started.empty());
  EXPECT_TRUE(pc.system.registered.empty());
  EXPECT_TRUE(pc.system.special_folders_asked.empty());
}

}  // namespace
}  // namespace zant::test
