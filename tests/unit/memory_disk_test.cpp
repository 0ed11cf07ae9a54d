#include <gtest/gtest.h>

#include <functional>

#include "platform/error.h"
#include "support/memory_file_system.h"

// What the double offers beyond the file-system contract: injected faults and snapshots.

namespace zant::test {
namespace {

int32_t NumberOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const RunError& error) {
    return error.Number();
  }
  return 0;
}

class MemoryDiskTest : public testing::Test {
 protected:
  void SetUp() override {
    disk_->AddDrive('C', drive_type::kFixed);
    disk_->MakeFile("C:\\Prog\\ZANT\\zant.exe", "exe");
    disk_->MakeFile("C:\\Prog\\ZANT\\db.mdb", "db", attr::kReadOnly);
    disk_->MakeFolder("C:\\Prog\\ZANT\\Packages");
  }
  std::shared_ptr<MemoryDisk> disk_ = std::make_shared<MemoryDisk>();
  std::shared_ptr<FileSystem> fs_ = MakeMemoryFileSystem(disk_);
};

TEST_F(MemoryDiskTest, InjectedFaultsFailOnlyTheirOperationUntilCleared) {
  FolderPtr folder = fs_->GetFolder("C:\\Prog\\ZANT");
  disk_->FailListing("c:\\prog\\zant");
  EXPECT_EQ(NumberOf([&] { folder->Files(); }), 5);
  EXPECT_EQ(NumberOf([&] { folder->SubFolders(); }), 5);
  EXPECT_EQ(folder->Path(), "C:\\Prog\\ZANT");

  disk_->FailPath("C:\\Prog\\ZANT\\zant.exe", 3);
  disk_->FailCopyTo("C:\\Prog\\ZANT\\copy.exe");
  disk_->FailDelete("C:\\Prog\\ZANT\\db.mdb");
  disk_->FailDirMatch("C:\\Prog\\ZANT");
  disk_->FailDrives();
  EXPECT_EQ(NumberOf([&] { fs_->GetFile("C:\\Prog\\ZANT\\zant.exe")->Path(); }), 3);
  EXPECT_EQ(fs_->GetFile("C:\\Prog\\ZANT\\zant.exe")->Name(), "zant.exe");
  EXPECT_EQ(NumberOf([&] {
              fs_->CopyFile("C:\\Prog\\ZANT\\zant.exe", "C:\\Prog\\ZANT\\copy.exe", true);
            }),
            5);
  EXPECT_EQ(NumberOf([&] { fs_->DeleteFile("C:\\Prog\\ZANT\\*.mdb", true); }), 32);
  EXPECT_EQ(NumberOf([&] { fs_->DeleteFolder("C:\\Prog", true); }), 32);
  EXPECT_EQ(NumberOf([&] { fs_->DirMatch("C:\\Prog\\ZANT\\*.exe", 0); }), 21);
  EXPECT_EQ(NumberOf([&] { fs_->Drives(); }), 21);
  EXPECT_TRUE(disk_->Exists("C:\\Prog\\ZANT\\db.mdb"));

  disk_->ClearFaults();
  EXPECT_EQ(folder->Files().size(), 2u);
  EXPECT_EQ(fs_->DirMatch("C:\\Prog\\ZANT\\*.exe", 0), "zant.exe");
  EXPECT_EQ(fs_->Drives().size(), 1u);
}

TEST_F(MemoryDiskTest, NotReadyDriveFailsWithErrorTwentyOne) {
  disk_->SetDriveReady('C', false);
  EXPECT_EQ(NumberOf([&] { fs_->Drives()[0]->RootFolder(); }), 21);
  EXPECT_EQ(NumberOf([&] { fs_->GetFolder("C:\\Prog"); }), 21);
  EXPECT_FALSE(fs_->FileExists("C:\\Prog\\ZANT\\zant.exe"));
  disk_->SetDriveReady('C', true);
  EXPECT_EQ(fs_->Drives()[0]->RootFolder()->SubFolders().size(), 1u);
}

TEST_F(MemoryDiskTest, SnapshotListsTheTreeInListingOrder) {
  disk_->MakeLink("C:\\Prog\\Alias", "C:\\Prog\\ZANT");
  EXPECT_EQ(disk_->Snapshot("C:\\Prog"),
            (std::vector<std::string>{"C:\\Prog\\Alias\\|link|C:\\Prog\\ZANT", "C:\\Prog\\ZANT\\",
                                      "C:\\Prog\\ZANT\\db.mdb|1|db", "C:\\Prog\\ZANT\\Packages\\",
                                      "C:\\Prog\\ZANT\\zant.exe|0|exe"}));
  // Through the link the target's content is seen under the link's path.
  EXPECT_EQ(fs_->GetFolder("C:\\Prog\\Alias")->Files()[0]->Path(), "C:\\Prog\\Alias\\db.mdb");
}

TEST_F(MemoryDiskTest, TheChosenChangeFailsAsRefusedFullOrStopped) {
  using Fault = MemoryDisk::ChangeFault;
  const std::string exe = "C:\\Prog\\ZANT\\zant.exe";
  const std::string copy = "C:\\Prog\\ZANT\\copy.exe";
  fs_->GetFile(exe)->SetAttributes(attr::kReadOnly);  // change 1
  fs_->CopyFile(exe, copy, true);                     // change 2
  EXPECT_EQ(disk_->ChangedPaths(), (std::vector<std::string>{exe, copy}));

  disk_->FailNthChange(3, Fault::kRefused);
  EXPECT_EQ(NumberOf([&] { fs_->DeleteFile("C:\\Prog\\ZANT\\*.*", true); }), 5);
  EXPECT_TRUE(disk_->Exists(copy));
  // A full disk during an overwrite loses the old destination.
  EXPECT_EQ(NumberOf([&] { fs_->CopyFile("C:\\Prog\\ZANT\\db.mdb", copy, true); }), 5)
      << "a read-only destination is refused before any change";
  EXPECT_EQ(disk_->ChangeCount(), 3);
  disk_->SetAttributes(copy, 0);
  disk_->FailNthChange(4, Fault::kDiskFull);
  EXPECT_EQ(NumberOf([&] { fs_->CopyFile("C:\\Prog\\ZANT\\db.mdb", copy, true); }), 112);
  EXPECT_FALSE(disk_->Exists(copy));
  // Stopped dead: a copy leaves half its content with the source's attributes; nothing else.
  disk_->FailNthChange(5, Fault::kStopped);
  EXPECT_THROW(fs_->CopyFile(exe, copy, true), ComputerStopped);
  EXPECT_EQ(disk_->ReadFile(copy), "e");
  EXPECT_EQ(disk_->GetAttributes(copy), attr::kReadOnly);
  disk_->FailNthChange(6, Fault::kStopped);
  EXPECT_THROW(fs_->DeleteFolder("C:\\Prog", true), ComputerStopped);
  EXPECT_TRUE(disk_->Exists(copy));
  // A power cut: what copies wrote and nothing flushed since is gone; names and attributes stay.
  const std::string flushed = "C:\\Prog\\ZANT\\flushed.exe";
  fs_->CopyFile(exe, flushed, true);  // change 7
  fs_->FlushFile(flushed);            // change 8
  disk_->FailNthChange(9, Fault::kPowerCut);
  EXPECT_THROW(fs_->MoveFile(flushed, "C:\\Prog\\ZANT\\renamed.exe"), ComputerStopped);
  EXPECT_EQ(disk_->ReadFile(flushed), "exe");
  EXPECT_EQ(disk_->ReadFile(copy), "");
  EXPECT_EQ(disk_->GetAttributes(copy), attr::kReadOnly);
  EXPECT_EQ(disk_->ReadFile("C:\\Prog\\ZANT\\db.mdb"), "db") << "set up, never copied";
  disk_->ClearFaults();
  fs_->DeleteFolder("C:\\Prog", true);
  EXPECT_FALSE(disk_->Exists("C:\\Prog"));
}

}  // namespace
}  // namespace zant::test
