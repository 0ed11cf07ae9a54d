// A failed run never leaves a computer that a second run cannot mend. The whole update of a
// sample computer runs once cleanly; then, for every change that run makes, it runs again from
// the original computer with that one change failing (refused, disk full, computer stopped
// dead, power cut: stopped, and what was written but not yet flushed to the disk is lost),
// followed by a second, fault-free run. The second run must leave every drive exactly as the
// clean run did. The sweep runs twice: with the NT family's replacing rename, and with the 95
// family's delete-then-rename.

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>

#include "platform/name_case.h"
#include "sample_computer.h"

namespace zant::test {
namespace {

using ChangeFault = MemoryDisk::ChangeFault;

const std::string kLog = "C:\\Windows\\System32\\ZEPDI140.log";
const std::vector<std::string> kInstallations = {"C:\\ZANT", "D:\\Apps\\ZANT"};

// Answers Yes and OK to everything and records nothing: the installer pauses pump the window
// three million times a run.
class AnsweringSurface : public Surface {
 public:
  void SetCancelHandler(std::function<void()>) override {}
  void Show() override {}
  void Unload() override {}
  void SetStatusText(const std::string&) override {}
  void SetDetailText(const std::string&) override {}
  void PumpEvents() override {}
  void DisableCancel() override {}
  Answer MessageBox(const std::string&, const std::string&, Buttons buttons, Icon) override {
    return buttons == Buttons::kOk ? Answer::kOk : Answer::kYes;
  }
  void* NativeHandle() const override { return nullptr; }
};

// Two installations (the first with a read-only program, the second marked out of sequence and
// holding the older system library), the medium read-only on the CD, an older read-only library
// in the system folder, the toolkit's Start menu folder, and one library that fails to
// register, so that the log is written too.
struct Computer : SampleComputer {
  explicit Computer(bool rename_without_replacing) {
    disk->RenameWithoutReplacing(rename_without_replacing);
    disk->AddDrive('D', drive_type::kFixed);
    AddInstallation("C:\\ZANT");
    AddInstallation("D:\\Apps\\ZANT");
    disk->SetAttributes("C:\\ZANT\\ZANT.exe", attr::kReadOnly);
    disk->MakeFile("D:\\Apps\\ZANT\\version.110", "");
    disk->MakeFile("D:\\Apps\\ZANT\\sysx3.dll", "system library");
    disk->MakeFile("C:\\Windows\\System32\\dartutil.dll", "dartutil.dll 130", attr::kReadOnly);
    const std::string programs = system.programs_folder + "PocketSOAP";
    disk->MakeFile(programs + "\\Documentation.lnk", "link", attr::kReadOnly);
    disk->MakeFile(programs + "\\Help\\Readme.lnk", "link");
    system.failing_registrations = {"C:\\Windows\\System32\\rnwncntl.dll"};
  }

  int RunOnce() {
    AnsweringSurface answering;
    return modMain::StartUp(answering, file_systems, system);
  }
};

// The files the update makes for itself beside an installation's own (the program kept aside,
// the log being made) that a snapshot still holds.
std::vector<std::string> WorkFilesIn(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    if (line.find("-1.40-update.tmp|") != std::string::npos) {
      out.push_back(line);
    }
  }
  return out;
}

// Whether the work file of a snapshot line is the program kept aside and change index i is its
// removal: its last change in the clean run (the first makes it).
bool RemovalOfTheCopyAside(const std::string& line, const std::vector<std::string>& changes,
                           size_t i) {
  const std::string path = UpperCaseName(line.substr(0, line.find('|')));
  if (path.find("\\ZANT-1.40-UPDATE.TMP") == std::string::npos ||
      UpperCaseName(changes[i]) != path) {
    return false;
  }
  for (size_t later = i + 1; later < changes.size(); ++later) {
    if (UpperCaseName(changes[later]) == path) {
      return false;
    }
  }
  return true;
}

// Every drive's files with content and attributes, the log apart.
struct EndState {
  std::vector<std::string> files;
  std::string log;
};

EndState Record(const MemoryDisk& disk) {
  EndState state;
  for (const char* drive : {"C:\\", "D:\\", "E:\\"}) {
    for (const std::string& line : disk.Snapshot(drive)) {
      if (line.rfind(kLog + "|", 0) == 0) {
        state.log = line;
      } else {
        state.files.push_back(line);
      }
    }
  }
  return state;
}

std::string FirstDifference(const std::vector<std::string>& want,
                            const std::vector<std::string>& got) {
  for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
    std::string w = i < want.size() ? want[i] : "(nothing)";
    std::string g = i < got.size() ? got[i] : "(nothing)";
    if (w != g) {
      return "want " + w + ", got " + g;
    }
  }
  return "";
}

// Whether change index i is the delete of an installation's old program: the first change of
// that program file, which is then copied anew. Returns i when it is, -1 otherwise.
int FirstDeleteOfAProgram(const std::vector<std::string>& changes, int i) {
  auto program = [](const std::string& path) {
    for (const std::string& folder : kInstallations) {
      if (UpperCaseName(path) == UpperCaseName(folder + "\\zant.exe")) {
        return true;
      }
    }
    return false;
  };
  if (!program(changes[i])) {
    return -1;
  }
  auto same = [&](const std::string& path) {
    return UpperCaseName(path) == UpperCaseName(changes[i]);
  };
  return std::find_if(changes.begin(), changes.end(), same) - changes.begin() == i ? i : -1;
}

const std::vector<ChangeFault> kFaults = {ChangeFault::kRefused, ChangeFault::kDiskFull,
                                          ChangeFault::kStopped, ChangeFault::kPowerCut};

const char* Name(ChangeFault fault) {
  switch (fault) {
    case ChangeFault::kRefused:
      return "refused";
    case ChangeFault::kDiskFull:
      return "disk full";
    case ChangeFault::kStopped:
      return "stopped";
    case ChangeFault::kPowerCut:
      return "power cut";
  }
  return "";
}

class FaultSweep : public testing::TestWithParam<bool> {};

TEST_P(FaultSweep, EverySingleFaultIsMendedByASecondRun) {
  const auto started = std::chrono::steady_clock::now();
  const bool rename_without_replacing = GetParam();
  Computer clean(rename_without_replacing);
  ASSERT_EQ(clean.RunOnce(), modMain::kExitNormal);
  const EndState want = Record(*clean.disk);
  const std::vector<std::string> changes = clean.disk->ChangedPaths();
  // The clean run replaces the older library and appends one entry for the failing one.
  EXPECT_NE(std::find(want.files.begin(), want.files.end(),
                      "C:\\Windows\\System32\\dartutil.dll|0|dartutil.dll 140"),
            want.files.end());
  EXPECT_EQ(want.log, kLog + "|0|\r\nError registering rnwncntl.dll");

  int runs = 1, converged = 0;
  for (int n = 1; n <= static_cast<int>(changes.size()); ++n) {
    for (ChangeFault fault : kFaults) {
      const std::string which =
          "change " + std::to_string(n) + " (" + changes[n - 1] + "), " + Name(fault);
      Computer pc(rename_without_replacing);
      pc.disk->FailNthChange(n, fault);
      bool stopped = false;
      try {
        int code = pc.RunOnce();
        EXPECT_EQ(pc.system.restarts, code == modMain::kExitNormal ? 1 : 0) << which;
      } catch (const ComputerStopped&) {
        stopped = true;
      }
      EXPECT_EQ(stopped, fault == ChangeFault::kStopped || fault == ChangeFault::kPowerCut)
          << which;
      if (stopped) {
        EXPECT_EQ(pc.disk->ChangeCount(), n) << which << ": nothing happens after the stop";
      }
      const EndState failed = Record(*pc.disk);
      const std::string& failed_log = failed.log;
      // A program that cannot be deleted (it is running) fails its step and leaves no copy aside.
      if (fault == ChangeFault::kRefused && n - 1 == FirstDeleteOfAProgram(changes, n - 1)) {
        EXPECT_EQ(WorkFilesIn(failed.files), std::vector<std::string>{}) << which;
      }
      // A run that fails takes its work files away, unless it stopped dead or the failing change
      // was the removal of the program kept aside (the next run removes it).
      if (!stopped) {
        for (const std::string& line : WorkFilesIn(failed.files)) {
          EXPECT_TRUE(RemovalOfTheCopyAside(line, changes, n - 1)) << which << " left " << line;
        }
      }
      const size_t registered = pc.system.registered.size();
      const size_t started_programs = pc.system.started.size();

      pc.disk->ClearFaults();
      EXPECT_EQ(pc.RunOnce(), modMain::kExitNormal) << which;
      runs += 2;
      EndState got = Record(*pc.disk);
      // The log holds the failed run's entries, then the second run's own.
      const std::string failed_entries =
          failed_log.empty() ? "" : failed_log.substr(failed_log.find('|', kLog.size() + 1) + 1);
      EXPECT_EQ(got.log, kLog + "|0|" + failed_entries + "\r\nError registering rnwncntl.dll")
          << which;
      EXPECT_EQ(std::vector<std::string>(pc.system.registered.begin() + registered,
                                         pc.system.registered.end()),
                clean.system.registered)
          << which;
      EXPECT_EQ(std::vector<std::string>(pc.system.started.begin() + started_programs,
                                         pc.system.started.end()),
                clean.system.started)
          << which;
      EXPECT_EQ(WorkFilesIn(got.files), std::vector<std::string>{}) << which;
      if (got.files == want.files) {
        ++converged;
        continue;
      }
      ADD_FAILURE() << which << " did not converge: " << FirstDifference(want.files, got.files);
    }
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
  const int swept = static_cast<int>(changes.size() * kFaults.size());
  std::cout << "fault sweep: " << changes.size() << " changes x " << kFaults.size()
            << " faults = " << swept << " faulted runs, " << runs << " runs in all, " << ms
            << " ms; " << converged << " converged\n";
  EXPECT_EQ(converged, swept);
}

INSTANTIATE_TEST_SUITE_P(Renames, FaultSweep, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "DeleteThenRename" : "ReplacingRename";
                         });

}  // namespace
}  // namespace zant::test
