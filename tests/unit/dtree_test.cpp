#include "fstree/dtree.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "support/memory_file_system.h"

namespace zant {
namespace {

using test::MakeMemoryFileSystem;
using test::MemoryDisk;
using Paths = std::vector<std::string>;

// Counts what the walker asks of the folders and files it is given, to hold it to the least
// work per step.
struct Counts {
  std::map<std::string, int> subfolder_listings;
  std::map<std::string, int> file_listings;
  int folder_paths = 0;
  int file_paths = 0;
};

class CountingFile : public File {
 public:
  CountingFile(FilePtr inner, Counts* counts) : inner_(std::move(inner)), counts_(counts) {}
  std::string Path() const override { return ++counts_->file_paths, inner_->Path(); }
  std::string Name() const override { return inner_->Name(); }
  uint32_t Attributes() const override { return inner_->Attributes(); }
  void SetAttributes(uint32_t a) override { inner_->SetAttributes(a); }

 private:
  FilePtr inner_;
  Counts* counts_;
};

class CountingFolder : public Folder {
 public:
  CountingFolder(FolderPtr inner, Counts* counts) : inner_(std::move(inner)), counts_(counts) {}
  std::string Path() const override { return ++counts_->folder_paths, inner_->Path(); }
  std::string Name() const override { return inner_->Name(); }
  uint32_t Attributes() const override { return inner_->Attributes(); }
  std::vector<FolderPtr> SubFolders() const override {
    ++counts_->subfolder_listings[inner_->Path()];
    std::vector<FolderPtr> result;
    for (auto& f : inner_->SubFolders()) {
      result.push_back(std::make_shared<CountingFolder>(f, counts_));
    }
    return result;
  }
  std::vector<FilePtr> Files() const override {
    ++counts_->file_listings[inner_->Path()];
    std::vector<FilePtr> result;
    for (auto& f : inner_->Files()) {
      result.push_back(std::make_shared<CountingFile>(f, counts_));
    }
    return result;
  }

 private:
  FolderPtr inner_;
  Counts* counts_;
};

class DTreeTest : public ::testing::Test {
 protected:
  DTreeTest() {
    disk_->AddDrive('C', drive_type::kFixed);
    disk_->AddDrive('G', drive_type::kFixed);
    disk_->SetDriveReady('G', false);
  }

  // C:\T with files f1, f2; A (a1; AA with aa1; AB empty); B (b1, b2).
  void MakeTree() {
    for (const char* file :
         {"f1.txt", "f2.txt", "A\\a1.txt", "A\\AA\\aa1.txt", "B\\b1.txt", "B\\b2.txt"}) {
      disk_->MakeFile(std::string("C:\\T\\") + file);
    }
    disk_->MakeFolder("C:\\T\\A\\AB");
  }

  FolderPtr Folder(const std::string& path) { return MakeMemoryFileSystem(disk_)->GetFolder(path); }
  DrivePtr Drive(char letter) {
    for (auto& drive : MakeMemoryFileSystem(disk_)->Drives()) {
      if (drive->DriveLetter() == std::string(1, letter)) {
        return drive;
      }
    }
    return nullptr;
  }

  // Every folder the folder walk yields, from the current position to the end.
  Paths FolderWalk() {
    Paths seen;
    for (int guard = 0; !walker_.Finished() && guard < 1000; ++guard) {
      if (FolderPtr folder = walker_.GetFolder()) {
        seen.push_back(folder->Path());
      }
      walker_.MoveNextFolder();
    }
    return seen;
  }

  // Every file, pulled the way the drive search pulls them: MoveNextFile, GetFile, to the end.
  Paths FileWalk() {
    Paths seen;
    for (int guard = 0; !walker_.Finished() && guard < 1000; ++guard) {
      walker_.MoveNextFile();
      if (FilePtr file = walker_.GetFile()) {
        seen.push_back(file->Path());
      }
    }
    return seen;
  }

  // The current folder's or file's path, "none" when there is none.
  std::string FolderNow() {
    FolderPtr folder = walker_.GetFolder();
    return folder ? folder->Path() : "none";
  }
  std::string FileNow() {
    FilePtr file = walker_.GetFile();
    return file ? file->Path() : "none";
  }

  void ExpectIdle(int32_t error) {
    EXPECT_EQ(walker_.ErrorNumber(), error);
    EXPECT_FALSE(walker_.Finished());
    EXPECT_EQ(walker_.GetFolder(), nullptr);
    EXPECT_EQ(walker_.ErrorNumber(), -3);
  }

  std::shared_ptr<MemoryDisk> disk_ = std::make_shared<MemoryDisk>();
  int factory_calls_ = 0;
  crtDTree walker_{[this] {
    ++factory_calls_;
    return MakeMemoryFileSystem(disk_);
  }};
};

const Paths kTreeFolders = {"C:\\T", "C:\\T\\A", "C:\\T\\A\\AA", "C:\\T\\A\\AB", "C:\\T\\B"};
const Paths kTreeFiles = {"C:\\T\\f1.txt",         "C:\\T\\f2.txt",    "C:\\T\\A\\a1.txt",
                          "C:\\T\\A\\AA\\aa1.txt", "C:\\T\\B\\b1.txt", "C:\\T\\B\\b2.txt"};

TEST_F(DTreeTest, NewWalkerHasNoWalk) {
  ExpectIdle(0);
  EXPECT_EQ(walker_.GetFile(), nullptr);
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  walker_.MoveNextFile();
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  walker_.MoveNextFolder();
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  EXPECT_FALSE(walker_.Finished());
  EXPECT_EQ(factory_calls_, 0);
}

TEST_F(DTreeTest, EveryAcceptedRootKindWalks) {
  MakeTree();
  disk_->MakeFile("C:\\U\\u.txt");

  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(walker_.ErrorNumber(), 0);
  EXPECT_EQ(FolderWalk(), kTreeFolders);

  walker_.SetRoot(RootSpec::Paths({"C:\\T\\B", "C:\\T\\A", "C:\\U"}), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T\\B", "C:\\T\\A", "C:\\T\\A\\AA", "C:\\T\\A\\AB", "C:\\U"}));

  walker_.SetRoot(RootSpec::OfFolder(Folder("C:\\T\\A")), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T\\A", "C:\\T\\A\\AA", "C:\\T\\A\\AB"}));

  walker_.SetRoot(RootSpec::OfFolders(Folder("C:\\T\\A")->SubFolders()), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T\\A\\AA", "C:\\T\\A\\AB"}));

  walker_.SetRoot(RootSpec::OfDrive(Drive('C')), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\", "C:\\T", "C:\\T\\A", "C:\\T\\A\\AA", "C:\\T\\A\\AB",
                                 "C:\\T\\B", "C:\\U"}));

  walker_.SetRoot(
      RootSpec::OfCollection({RootSpec::Path("C:\\U"), RootSpec::OfFolder(Folder("C:\\T\\B")),
                              RootSpec::OfDrive(Drive('C'))}),
      1);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\U", "C:\\T\\B", "C:\\"}));
  // The file-system object is made once and kept.
  EXPECT_EQ(factory_calls_, 1);
}

TEST_F(DTreeTest, RootsThatCannotBeResolvedFailWithoutPartialWalk) {
  MakeTree();
  for (const RootSpec& root :
       {RootSpec::Path("C:\\Missing"), RootSpec::Path(""), RootSpec::Path("C:\\T\\f1.txt"),
        RootSpec::Paths({"C:\\T", "C:\\Missing"}), RootSpec::Paths({}), RootSpec::OfFolders({}),
        RootSpec::OfFolder(nullptr), RootSpec::OfCollection({}),
        RootSpec::OfCollection({RootSpec::Path("C:\\T"), RootSpec::OfDrive(Drive('G'))})}) {
    SCOPED_TRACE(root.TypeName());
    walker_.SetRoot(RootSpec::Path("C:\\T"), 0);  // a walk in progress is dropped too
    walker_.SetRoot(root, 0);
    ExpectIdle(-1);
  }
}

TEST_F(DTreeTest, KindsNotAcceptedGiveMinusTwo) {
  MakeTree();
  FilePtr file = MakeMemoryFileSystem(disk_)->GetFile("C:\\T\\f1.txt");
  for (const RootSpec& root :
       {RootSpec(), RootSpec::OfNumber(3), RootSpec::OfFile(file), RootSpec::OfNumbers({1, 2}),
        RootSpec::OfCollection({RootSpec::OfFolder(Folder("C:\\T")), RootSpec::OfNumber(3)}),
        RootSpec::OfCollection({RootSpec::Paths({"C:\\T"})}),
        RootSpec::OfCollection({RootSpec::OfFolders({Folder("C:\\T")})}),
        RootSpec::OfCollection({RootSpec::OfCollection({RootSpec::Path("C:\\T")})})}) {
    SCOPED_TRACE(root.TypeName());
    walker_.SetRoot(root, 0);
    ExpectIdle(-2);
  }
  // Items after the refused one are not looked at: the path is never resolved.
  walker_.SetRoot(RootSpec::OfCollection({RootSpec::OfNumber(1), RootSpec::Path("C:\\T")}), 0);
  EXPECT_EQ(walker_.ErrorNumber(), -2);
  EXPECT_EQ(factory_calls_, 0);
}

TEST_F(DTreeTest, DriveNotReadyIsRaisedAndLeavesWalkerIdle) {
  MakeTree();
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  try {
    walker_.SetRoot(RootSpec::OfDrive(Drive('G')), 0);
    FAIL() << "SetRoot of a drive that is not ready must raise";
  } catch (const RunError& error) {
    EXPECT_EQ(error.Number(), err::kNotReady);
  }
  ExpectIdle(-1);
}

TEST_F(DTreeTest, StartingPositions) {
  MakeTree();
  // GetFolder is the first root; MoveNextFolder moves past it.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FolderNow(), "C:\\T");
  EXPECT_EQ(FolderNow(), "C:\\T");
  walker_.MoveNextFolder();
  EXPECT_EQ(FolderNow(), "C:\\T\\A");

  // MoveNextFile first stops on the first file; GetFile then returns it, and again.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  walker_.MoveNextFile();
  EXPECT_EQ(walker_.ErrorNumber(), 0);
  EXPECT_EQ(FileNow(), "C:\\T\\f1.txt");
  EXPECT_EQ(FileNow(), "C:\\T\\f1.txt");

  // GetFile first lists and returns the first file; MoveNextFile then goes to the second.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FileNow(), "C:\\T\\f1.txt");
  walker_.MoveNextFile();
  EXPECT_EQ(FileNow(), "C:\\T\\f2.txt");

  // The file walk reports the folder holding the current file; a MoveNextFolder in the middle
  // of a folder's files restarts the file walk at the new folder's first file.
  walker_.MoveNextFile();
  EXPECT_EQ(FolderNow(), "C:\\T\\A");
  walker_.MoveNextFolder();
  EXPECT_EQ(FolderNow(), "C:\\T\\A\\AA");
  walker_.MoveNextFile();
  EXPECT_EQ(FileNow(), "C:\\T\\A\\AA\\aa1.txt");

  // A root without files of its own: the first file in walk order that exists.
  walker_.SetRoot(RootSpec::Path("C:\\T\\A\\AB"), 0);
  EXPECT_EQ(walker_.GetFile(), nullptr);
  EXPECT_EQ(walker_.ErrorNumber(), -4);
  walker_.SetRoot(RootSpec::OfFolders({Folder("C:\\T\\A\\AB"), Folder("C:\\T\\B")}), 0);
  walker_.MoveNextFile();
  EXPECT_EQ(FileNow(), "C:\\T\\B\\b1.txt");
}

TEST_F(DTreeTest, EmptyRootEndsAtFirstMoveAndDoneReportsMinusThree) {
  disk_->MakeFolder("C:\\Empty");
  walker_.SetRoot(RootSpec::Path("C:\\Empty"), 0);
  walker_.MoveNextFile();
  EXPECT_TRUE(walker_.Finished());
  EXPECT_EQ(walker_.ErrorNumber(), 0);  // the move that ended the walk succeeded
  EXPECT_EQ(walker_.GetFile(), nullptr);
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  EXPECT_EQ(walker_.GetFolder(), nullptr);
  walker_.MoveNextFolder();
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  walker_.MoveNextFile();
  EXPECT_EQ(walker_.ErrorNumber(), -3);
  EXPECT_TRUE(walker_.Finished());
}

TEST_F(DTreeTest, PreOrderFilesAndFoldersAndRestart) {
  MakeTree();
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FileWalk(), kTreeFiles);
  // The same walker serves the next root completely, as the drive search uses it.
  walker_.SetRoot(RootSpec::OfFolder(Folder("C:\\T")), 0);
  EXPECT_EQ(FolderWalk(), kTreeFolders);
  // A restart in the middle of a walk forgets the old position.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  walker_.MoveNextFile();
  walker_.MoveNextFile();
  walker_.SetRoot(RootSpec::Path("C:\\T\\B"), 0);
  EXPECT_EQ(FileWalk(), (Paths{"C:\\T\\B\\b1.txt", "C:\\T\\B\\b2.txt"}));
  // Two roots: each tree complete before the next.
  walker_.SetRoot(RootSpec::Paths({"C:\\T\\B", "C:\\T\\A"}), 0);
  EXPECT_EQ(FileWalk(), (Paths{"C:\\T\\B\\b1.txt", "C:\\T\\B\\b2.txt", "C:\\T\\A\\a1.txt",
                               "C:\\T\\A\\AA\\aa1.txt"}));
}

TEST_F(DTreeTest, NonZeroSettingsVisitRootsOnly) {
  MakeTree();
  walker_.SetRoot(RootSpec::Path("C:\\T"), -1);
  walker_.MoveNextFolder();
  EXPECT_TRUE(walker_.Finished());
  walker_.SetRoot(RootSpec::Path("C:\\T"), 7);
  EXPECT_EQ(FileWalk(), (Paths{"C:\\T\\f1.txt", "C:\\T\\f2.txt"}));
  walker_.SetRoot(RootSpec::Paths({"C:\\T\\B", "C:\\T"}), 1);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T\\B", "C:\\T"}));
}

TEST_F(DTreeTest, SnapshotsAreTakenOnceAndOnlyWhenNeeded) {
  MakeTree();
  Counts counts;
  auto root = std::make_shared<CountingFolder>(Folder("C:\\T"), &counts);

  // A folder walk lists every folder's subfolders once and never lists files.
  walker_.SetRoot(RootSpec::OfFolder(root), 0);
  EXPECT_EQ(FolderWalk(), kTreeFolders);
  EXPECT_TRUE(counts.file_listings.empty());
  EXPECT_EQ(counts.subfolder_listings.size(), kTreeFolders.size());
  for (auto& [path, n] : counts.subfolder_listings) {
    EXPECT_EQ(n, 1) << path;
  }

  // A file walk lists each folder once each way, and reads each file's Path only to check it
  // (once by MoveNextFile, once by GetFile) and no folder's Path at all.
  counts = {};
  walker_.SetRoot(RootSpec::OfFolder(root), 0);
  EXPECT_EQ(FileWalk(), kTreeFiles);
  for (auto& [path, n] : counts.subfolder_listings) {
    EXPECT_EQ(n, 1) << path;
  }
  for (auto& [path, n] : counts.file_listings) {
    EXPECT_EQ(n, 1) << path;
  }
  EXPECT_EQ(counts.file_listings.size(), kTreeFolders.size());
  // Three reads per file: MoveNextFile's check, GetFile's check, and FileWalk's own.
  EXPECT_EQ(counts.file_paths, 3 * static_cast<int>(kTreeFiles.size()));
  EXPECT_EQ(counts.folder_paths, 0);

  // Changes after a snapshot are not seen; folders not yet listed are read as they are then.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  for (int i = 0; i < 3; ++i) {
    walker_.MoveNextFile();
  }
  EXPECT_EQ(FileNow(), "C:\\T\\A\\a1.txt");
  for (const char* file : {"f3.txt", "C\\c.txt", "A\\a2.txt", "A\\AC\\ac.txt", "B\\b3.txt"}) {
    disk_->MakeFile(std::string("C:\\T\\") + file);
  }
  EXPECT_EQ(FileWalk(), (Paths{"C:\\T\\A\\AA\\aa1.txt", "C:\\T\\A\\AC\\ac.txt", "C:\\T\\B\\b1.txt",
                               "C:\\T\\B\\b2.txt", "C:\\T\\B\\b3.txt"}));
}

TEST_F(DTreeTest, UnlistableFolderIsVisitedButNothingBelowIt) {
  MakeTree();
  disk_->FailListing("C:\\T\\A");
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T", "C:\\T\\A", "C:\\T\\B"}));
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FileWalk(),
            (Paths{"C:\\T\\f1.txt", "C:\\T\\f2.txt", "C:\\T\\B\\b1.txt", "C:\\T\\B\\b2.txt"}));
  // An unlistable root: the walk ends at the first move, without an error.
  walker_.SetRoot(RootSpec::Path("C:\\T\\A"), 0);
  walker_.MoveNextFile();
  EXPECT_EQ(walker_.ErrorNumber(), 0);
  EXPECT_TRUE(walker_.Finished());

  // A file system that cannot be made resolves no path, without raising.
  crtDTree broken([]() -> std::shared_ptr<FileSystem> { throw RunError(5, "no file system"); });
  broken.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(broken.ErrorNumber(), -1);
}

TEST_F(DTreeTest, UnreadablePathsAreSteppedOver) {
  MakeTree();
  disk_->FailPath("C:\\T\\A");
  disk_->FailPath("C:\\T\\f1.txt");
  disk_->FailPath("C:\\T\\B\\b2.txt");
  // The folder walk skips the folder, not its subtree; the file walk still visits its files.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FolderWalk(), (Paths{"C:\\T", "C:\\T\\A\\AA", "C:\\T\\A\\AB", "C:\\T\\B"}));
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FileWalk(), (Paths{"C:\\T\\f2.txt", "C:\\T\\A\\a1.txt", "C:\\T\\A\\AA\\aa1.txt",
                               "C:\\T\\B\\b1.txt"}));
  // Each move lands on a readable item.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  walker_.MoveNextFolder();
  EXPECT_EQ(FolderNow(), "C:\\T\\A\\AA");
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  walker_.MoveNextFile();
  EXPECT_EQ(FileNow(), "C:\\T\\f2.txt");
  // GetFile never moves: an unreadable first file gives -4 until MoveNextFile.
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(walker_.GetFile(), nullptr);
  EXPECT_EQ(walker_.ErrorNumber(), -4);
  walker_.MoveNextFile();
  EXPECT_EQ(FileNow(), "C:\\T\\f2.txt");
  // As the current folder, it makes GetFolder report -1.
  walker_.SetRoot(RootSpec::OfFolder(Folder("C:\\T\\A")), 0);
  EXPECT_EQ(walker_.GetFolder(), nullptr);
  EXPECT_EQ(walker_.ErrorNumber(), -1);
}

TEST_F(DTreeTest, LinksAreNeitherListedNorEntered) {
  MakeTree();
  disk_->MakeLink("C:\\T\\A\\AA\\Up", "C:\\T");      // back to an ancestor
  disk_->MakeLink("C:\\T\\B\\Mounted", "C:\\T\\A");  // the same tree a second time
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FolderWalk(), kTreeFolders);
  walker_.SetRoot(RootSpec::Path("C:\\T"), 0);
  EXPECT_EQ(FileWalk(), kTreeFiles);
  // A link named as the root is walked: the caller chose it.
  walker_.SetRoot(RootSpec::Path("C:\\T\\B\\Mounted"), 0);
  EXPECT_EQ(FileWalk().size(), 2u);
}

}  // namespace
}  // namespace zant
