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

}  // namespace
}  // namespace zant::test
