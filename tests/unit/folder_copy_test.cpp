// Copying and deleting the files of one folder by name.

#include "fstree/folder_copy.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/memory_file_system.h"

namespace zant::test {
namespace {

struct FolderCopyTest : ::testing::Test {
  std::shared_ptr<MemoryDisk> disk = std::make_shared<MemoryDisk>();
  std::shared_ptr<FileSystem> fs;
  std::vector<std::string> shown;
  ShowDetailFn show = [this](const std::string& name) { shown.push_back(name); };

  void SetUp() override {
    disk->AddDrive('C', drive_type::kFixed);
    disk->MakeFile("C:\\src\\b.txt", "new b", attr::kReadOnly);
    disk->MakeFile("C:\\src\\a.txt", "new a");
    disk->MakeFile("C:\\src\\Sub\\deep.txt", "deep");
    disk->MakeFolder("C:\\dst");
    fs = MakeMemoryFileSystem(disk);
  }
};

TEST_F(FolderCopyTest, CopiesDirectFilesInListingOrderReplacingReadOnlyOnes) {
  disk->MakeFile("C:\\dst\\a.txt", "old a", attr::kReadOnly);
  CopyAllFiles(*fs, show, "C:\\src", "C:\\dst");
  EXPECT_EQ(shown, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(disk->ReadFile("C:\\dst\\a.txt"), "new a");
  EXPECT_EQ(disk->GetAttributes("C:\\dst\\b.txt") & attr::kReadOnly, attr::kReadOnly);
  EXPECT_FALSE(disk->Exists("C:\\dst\\Sub"));
  EXPECT_FALSE(disk->Exists("C:\\dst\\deep.txt"));
}

TEST_F(FolderCopyTest, HiddenTargetIsNotDeletedAndItsRefusalIsRaised) {
  disk->MakeFile("C:\\dst\\a.txt", "hidden a", attr::kHidden);
  try {
    CopyAllFiles(*fs, show, "C:\\src", "C:\\dst");
    FAIL() << "the copy over a hidden file must fail";
  } catch (const RunError& e) {
    EXPECT_EQ(e.Number(), err::kAccessDenied);
  }
  EXPECT_EQ(disk->ReadFile("C:\\dst\\a.txt"), "hidden a");
  EXPECT_FALSE(disk->Exists("C:\\dst\\b.txt"));  // nothing after the failure
}

TEST_F(FolderCopyTest, MissingFolderFailsBeforeAnyFileIsTouched) {
  disk->MakeFile("C:\\dst\\a.txt", "old a", attr::kReadOnly);
  EXPECT_THROW(CopyAllFiles(*fs, show, "C:\\src", "C:\\nowhere"), RunError);
  EXPECT_THROW(DeleteAllFiles(*fs, show, "C:\\nowhere", "C:\\dst"), RunError);
  EXPECT_THROW(DeleteAllFiles(*fs, show, "C:\\src", "C:\\nowhere"), RunError);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(disk->ReadFile("C:\\dst\\a.txt"), "old a");
}

TEST_F(FolderCopyTest, DeletesVisibleNamesakesOnlyAndLeavesTheSource) {
  disk->MakeFile("C:\\dst\\a.txt", "old a", attr::kReadOnly);
  disk->MakeFile("C:\\dst\\b.txt", "system b", attr::kSystem);
  disk->MakeFile("C:\\dst\\c.txt", "unrelated");
  disk->MakeFile("C:\\dst\\deep.txt", "not a direct source file's name");
  const auto source = disk->Snapshot("C:\\src");
  DeleteAllFiles(*fs, show, "C:\\src", "C:\\dst");
  EXPECT_FALSE(disk->Exists("C:\\dst\\a.txt"));
  EXPECT_TRUE(disk->Exists("C:\\dst\\b.txt"));
  EXPECT_TRUE(disk->Exists("C:\\dst\\c.txt"));
  EXPECT_TRUE(disk->Exists("C:\\dst\\deep.txt"));
  EXPECT_EQ(disk->Snapshot("C:\\src"), source);
}

TEST_F(FolderCopyTest, EmptySourceDoesNothing) {
  disk->MakeFolder("C:\\empty");
  CopyAllFiles(*fs, show, "C:\\empty", "C:\\dst");
  DeleteAllFiles(*fs, show, "C:\\empty", "C:\\dst");
  EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace zant::test
