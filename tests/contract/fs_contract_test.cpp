#include "contract/fs_contract.h"

#include <algorithm>

#include "platform/fs_path.h"

// The file-system contract every implementation keeps: the Win32 layer under Wine (or Windows)
// and the in-memory double alike. Each test builds its tree through the backend, acts through
// the layer, and checks the result through the backend again.

namespace zant::contract {
namespace {

constexpr uint32_t kRhs = attr::kReadOnly | attr::kHidden | attr::kSystem;

std::vector<std::string> Names(const std::vector<FilePtr>& files) {
  std::vector<std::string> out;
  for (const FilePtr& file : files) {
    out.push_back(file->Name());
  }
  return out;
}

std::vector<std::string> Names(const std::vector<FolderPtr>& folders) {
  std::vector<std::string> out;
  for (const FolderPtr& folder : folders) {
    out.push_back(folder->Name());
  }
  return out;
}

std::string RootOf(const std::string& path) {
  return path.substr(0, 3);
}

// --- Drives -------------------------------------------------------------------------------

TEST_P(FsContract, DrivesComeInAscendingLetterOrderWithTheirTypeCodes) {
  std::vector<DriveInfo> drives;
  for (const DrivePtr& drive : fs_->Drives()) {
    drives.push_back({drive->DriveLetter(), drive->DriveType()});
  }
  EXPECT_EQ(drives, backend_->ExpectedDrives());
  for (size_t i = 1; i < drives.size(); ++i) {
    EXPECT_LT(drives[i - 1].letter, drives[i].letter);
  }
}

TEST_P(FsContract, RootOfANotReadyDriveCannotBeHad) {
  std::string letter(1, backend_->NotReadyDrive());
  std::string root = letter + ":\\";
  DrivePtr not_ready;
  for (const DrivePtr& drive : fs_->Drives()) {
    if (drive->DriveLetter() == letter) {
      not_ready = drive;
    }
  }
  ASSERT_NE(not_ready, nullptr) << "a drive that is not ready is still listed";
  EXPECT_THROW(not_ready->RootFolder(), RunError);
  try {
    fs_->GetFolder(root);
    ADD_FAILURE() << "GetFolder of a drive that is not ready succeeded";
  } catch (const RunError& error) {
    EXPECT_NE(error.Number(), 0);
    EXPECT_NE(error.Description().find(root), std::string::npos) << error.Description();
  }
}

TEST_P(FsContract, RootFolderOfAReadyDriveIsItsRoot) {
  std::string letter = root_.substr(0, 1);
  for (const DrivePtr& drive : fs_->Drives()) {
    if (drive->DriveLetter() == letter) {
      FolderPtr root = drive->RootFolder();
      EXPECT_EQ(root->Path(), letter + ":\\");
      EXPECT_EQ(root->Name(), "");
      return;
    }
  }
  ADD_FAILURE() << "drive " << letter << " not listed";
}

// --- Folders: GetFolder, SubFolders, Files, Path, Name -------------------------------------

TEST_P(FsContract, GetFolderFailsForAMissingPathOrAFile) {
  File("plain.txt");
  EXPECT_TRUE(FailsWith([&] { fs_->GetFolder(At("missing")); }, err::kPathNotFound, At("missing")));
  EXPECT_TRUE(FailsWith([&] { fs_->GetFolder(At("missing\\deeper")); }, err::kPathNotFound,
                        At("missing\\deeper")));
  EXPECT_TRUE(
      FailsWith([&] { fs_->GetFolder(At("plain.txt")); }, err::kPathNotFound, At("plain.txt")));
}

TEST_P(FsContract, FolderListsAllMembersInCaseInsensitiveNameOrder) {
  File("b.txt");
  File("A.txt");
  File("c-hidden.txt", "x", attr::kHidden);
  File("sys.dat", "x", attr::kSystem);
  File("Zeta.TXT");
  File("_under.txt");
  Dir("sub2");
  Dir("Sub1");
  Dir("hid", attr::kHidden);
  File("Sub1\\inner.txt");

  FolderPtr folder = fs_->GetFolder(root_);
  EXPECT_EQ(Names(folder->Files()),
            (std::vector<std::string>{"A.txt", "b.txt", "c-hidden.txt", "sys.dat", "Zeta.TXT",
                                      "_under.txt"}));
  std::vector<FolderPtr> subs = folder->SubFolders();
  ASSERT_EQ(Names(subs), (std::vector<std::string>{"hid", "Sub1", "sub2"}));
  EXPECT_EQ(subs[0]->Attributes() & (attr::kDirectory | attr::kHidden),
            attr::kDirectory | attr::kHidden);
  EXPECT_EQ(subs[1]->Attributes() & (attr::kDirectory | attr::kHidden | attr::kReparsePoint),
            attr::kDirectory);
  EXPECT_EQ(Names(subs[1]->Files()), (std::vector<std::string>{"inner.txt"}));
  EXPECT_TRUE(subs[2]->Files().empty());
  EXPECT_TRUE(subs[2]->SubFolders().empty());

  // Both lists come out complete whichever is asked for first, and again when asked twice.
  FolderPtr again = fs_->GetFolder(root_);
  EXPECT_EQ(again->SubFolders().size(), 3u);
  EXPECT_EQ(again->SubFolders().size(), 3u);
  EXPECT_EQ(again->Files().size(), 6u);
  EXPECT_EQ(again->Files().size(), 6u);
}

TEST_P(FsContract, AListingHalfIsNeverStale) {
  Dir("one");
  Dir("two");
  File("f.txt");
  File("g.txt");
  FolderPtr folder = fs_->GetFolder(root_);
  EXPECT_EQ(Names(folder->Files()), (std::vector<std::string>{"f.txt", "g.txt"}));
  fs_->DeleteFolder(At("two"), true);  // a change after the files were taken
  EXPECT_EQ(Names(folder->SubFolders()), (std::vector<std::string>{"one"}));
  fs_->DeleteFile(At("g.txt"), true);
  EXPECT_EQ(Names(folder->Files()), (std::vector<std::string>{"f.txt"}));

  // Another folder's listing in between: the files left over are not handed out later.
  FolderPtr again = fs_->GetFolder(root_);
  EXPECT_EQ(Names(again->SubFolders()), (std::vector<std::string>{"one"}));
  EXPECT_TRUE(fs_->GetFolder(At("one"))->Files().empty());
  fs_->CopyFile(At("f.txt"), At("h.txt"), true);
  EXPECT_EQ(Names(again->Files()), (std::vector<std::string>{"f.txt", "h.txt"}));
}

TEST_P(FsContract, PathsHaveOneBackslashAndNoneAtTheEndExceptOnARoot) {
  Dir("sub");
  File("sub\\f.txt");
  std::string root = RootOf(root_);

  EXPECT_EQ(fs_->GetFolder(root)->Path(), root);
  EXPECT_EQ(fs_->GetFolder(root.substr(0, 2))->Path(), root);  // "D:" is the root of D
  EXPECT_EQ(fs_->GetFolder(root_ + "\\")->Path(), root_);

  FolderPtr sub = fs_->GetFolder(At("sub"));
  EXPECT_EQ(sub->Path(), At("sub"));
  EXPECT_EQ(sub->Name(), "sub");
  std::vector<FilePtr> files = sub->Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0]->Path(), At("sub\\f.txt"));
  EXPECT_EQ(files[0]->Name(), "f.txt");

  // The test folder, as listed by the drive root, sits right after "D:\".
  std::string test_folder = root_.substr(3);
  bool found = false;
  for (const FolderPtr& folder : fs_->GetFolder(root)->SubFolders()) {
    if (folder->Name() == test_folder) {
      EXPECT_EQ(folder->Path(), root_);
      found = true;
    }
  }
  EXPECT_TRUE(found);

  FilePtr file = fs_->GetFile(At("sub\\f.txt"));
  EXPECT_EQ(file->Path(), At("sub\\f.txt"));
  EXPECT_EQ(file->Name(), "f.txt");
}

TEST_P(FsContract, ParentFolderNameDropsTheLastPart) {
  EXPECT_EQ(FileSystem::GetParentFolderName(At("a\\ZANT.exe")), At("a"));
  EXPECT_EQ(FileSystem::GetParentFolderName(RootOf(root_) + "ZANT.exe"), RootOf(root_));
}

// --- Files: FileExists, GetFile, Attributes -------------------------------------------------

TEST_P(FsContract, FileExistsOnlyForAFile) {
  File("f.txt");
  File("h.txt", "x", attr::kHidden | attr::kSystem);
  Dir("d");
  EXPECT_TRUE(fs_->FileExists(At("f.txt")));
  EXPECT_TRUE(fs_->FileExists(At("F.TXT")));
  EXPECT_TRUE(fs_->FileExists(At("h.txt")));
  EXPECT_FALSE(fs_->FileExists(At("d")));
  EXPECT_FALSE(fs_->FileExists(At("missing.txt")));
  EXPECT_FALSE(fs_->FileExists(At("missing\\f.txt")));
}

TEST_P(FsContract, SettingAttributesToZeroClearsReadOnlyHiddenAndSystem) {
  File("db.mdb", "x", kRhs);
  FilePtr file = fs_->GetFile(At("db.mdb"));
  EXPECT_EQ(file->Attributes() & kRhs, kRhs);
  file->SetAttributes(0);
  // Under Wine every file keeps reporting ARCHIVE: only R, H and S can be relied on.
  EXPECT_EQ(backend_->GetAttributes(At("db.mdb")) & kRhs, 0u);
  EXPECT_EQ(file->Attributes() & kRhs, 0u);
}

TEST_P(FsContract, GetFileFailsForAMissingFileOrAFolder) {
  Dir("d");
  EXPECT_TRUE(
      FailsWith([&] { fs_->GetFile(At("missing.txt")); }, err::kFileNotFound, At("missing.txt")));
  EXPECT_TRUE(FailsWith([&] { fs_->GetFile(At("d")); }, err::kFileNotFound, At("d")));
}

// --- CopyFile ---------------------------------------------------------------------------------

TEST_P(FsContract, CopyFileCreatesOrReplacesAndCarriesTheAttributes) {
  File("src.txt", "new");
  File("dst.txt", "old");
  fs_->CopyFile(At("src.txt"), At("dst.txt"), true);
  EXPECT_EQ(backend_->ReadFile(At("dst.txt")), "new");
  File("dst.txt", "old");
  fs_->DeleteFile(At("dst.txt"), true);  // the folder copy's order: delete, then copy
  fs_->CopyFile(At("src.txt"), At("dst.txt"), false);
  EXPECT_EQ(backend_->ReadFile(At("dst.txt")), "new");

  File("ro.txt", "from the CD", attr::kReadOnly | attr::kHidden);
  fs_->CopyFile(At("ro.txt"), At("copy.txt"), true);
  EXPECT_EQ(backend_->ReadFile(At("copy.txt")), "from the CD");
  EXPECT_EQ(backend_->GetAttributes(At("copy.txt")) & kRhs, attr::kReadOnly | attr::kHidden);
}

// A medium unpacked from a download carries the Internet mark on every file. No copy keeps it,
// whether it makes its destination or replaces one, read-only or not; the source keeps its own.
TEST_P(FsContract, CopyFileLeavesTheDownloadMarkBehind) {
  File("src.txt", "new");
  File("ro.txt", "from the download");
  File("dst.txt", "old");
  for (const char* name : {"src.txt", "ro.txt", "dst.txt"}) {
    if (!backend_->MarkDownloaded(At(name))) {
      GTEST_SKIP() << "this backend's file system keeps no download marks";
    }
  }
  backend_->SetAttributes(At("ro.txt"), attr::kReadOnly);
  fs_->CopyFile(At("src.txt"), At("dst.txt"), true);
  fs_->CopyFile(At("src.txt"), At("new.txt"), false);
  fs_->CopyFile(At("ro.txt"), At("ro-copy.txt"), true);
  for (const char* name : {"dst.txt", "new.txt", "ro-copy.txt"}) {
    EXPECT_FALSE(backend_->MarkedDownloaded(At(name))) << name;
  }
  EXPECT_EQ(backend_->ReadFile(At("dst.txt")), "new");
  EXPECT_EQ(backend_->ReadFile(At("ro-copy.txt")), "from the download");
  EXPECT_EQ(backend_->GetAttributes(At("ro-copy.txt")) & kRhs, attr::kReadOnly);
  EXPECT_TRUE(backend_->MarkedDownloaded(At("src.txt")));
  EXPECT_TRUE(backend_->MarkedDownloaded(At("ro.txt")));
}

TEST_P(FsContract, CopyFileRefusesAReadOnlyHiddenOrSystemDestination) {
  File("src.txt", "new");
  File("ro.txt", "old", attr::kReadOnly);
  File("hidden.txt", "old", attr::kHidden);
  File("system.txt", "old", attr::kSystem);
  for (const char* name : {"ro.txt", "hidden.txt", "system.txt"}) {
    EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("src.txt"), At(name), true); }, err::kAccessDenied,
                          At(name)));
    EXPECT_EQ(backend_->ReadFile(At(name)), "old") << name;
  }
}

TEST_P(FsContract, CopyFileFailsForAMissingSourceOrAnExistingTargetWithoutOverwrite) {
  File("src.txt", "new");
  File("dst.txt", "old");
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("missing.txt"), At("x.txt"), true); },
                        err::kFileNotFound, At("missing.txt")));
  EXPECT_FALSE(backend_->Exists(At("x.txt")));
  File("ro.txt", "old", attr::kReadOnly);  // the source is looked at first
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("missing.txt"), At("ro.txt"), true); },
                        err::kFileNotFound, At("missing.txt")));
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("src.txt"), At("dst.txt"), false); },
                        err::kFileExists, At("dst.txt")));
  EXPECT_EQ(backend_->ReadFile(At("dst.txt")), "old");
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("src.txt"), At("no-dir\\x.txt"), true); },
                        err::kPathNotFound, At("no-dir\\x.txt")));
}

TEST_P(FsContract, CopyFileReplacesALinkToAFileOrToNothingAndNeverWritesThroughIt) {
  File("src.txt", "new");
  Dir("elsewhere");
  File("elsewhere\\picture.jpg", "the user's");
  Dir("inst");
  if (!backend_->MakeFileLink(At("inst\\WizGlobe.jpg"), At("elsewhere\\picture.jpg")) ||
      !backend_->MakeFileLink(At("inst\\MSSent.log"), At("elsewhere\\sent.log"))) {
    GTEST_SKIP() << "this backend cannot make links to files here";
  }
  // Without overwrite a link counts as an existing file.
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("src.txt"), At("inst\\WizGlobe.jpg"), false); },
                        err::kFileExists, At("inst\\WizGlobe.jpg")));
  EXPECT_TRUE(FailsWith([&] { fs_->CopyFile(At("src.txt"), At("inst\\MSSent.log"), false); },
                        err::kFileExists, At("inst\\MSSent.log")));

  fs_->CopyFile(At("src.txt"), At("inst\\WizGlobe.jpg"), true);
  fs_->CopyFile(At("src.txt"), At("inst\\MSSent.log"), true);
  EXPECT_EQ(backend_->ReadFile(At("elsewhere\\picture.jpg")), "the user's");
  EXPECT_FALSE(backend_->Exists(At("elsewhere\\sent.log")));
  // Plain files now, and nothing else was left in the folder.
  std::vector<std::string> names;
  for (const FilePtr& file : fs_->GetFolder(At("inst"))->Files()) {
    names.push_back(file->Name());
    EXPECT_EQ(backend_->ReadFile(file->Path()), "new") << file->Name();
    EXPECT_EQ(backend_->GetAttributes(file->Path()) & attr::kReparsePoint, 0u) << file->Name();
  }
  EXPECT_EQ(names, (std::vector<std::string>{"MSSent.log", "WizGlobe.jpg"}));
  fs_->CopyFile(At("src.txt"), At("inst\\WizGlobe.jpg"), true);  // an ordinary file again
  EXPECT_EQ(backend_->ReadFile(At("elsewhere\\picture.jpg")), "the user's");
}

// The update deletes before it copies (the program, the graphics, documents of the same name)
// and removes a whole Start menu folder: a link to a file there goes, its target stays as it
// was, attributes included.
TEST_P(FsContract, DeleteFileAndDeleteFolderRemoveALinkToAFileNeverItsTarget) {
  Dir("elsewhere");
  File("elsewhere\\picture.jpg", "the user's", attr::kReadOnly);
  File("elsewhere\\notes.txt", "the user's notes");
  Dir("inst");
  Dir("inst\\menu");
  if (!backend_->MakeFileLink(At("inst\\WizGlobe.jpg"), At("elsewhere\\picture.jpg")) ||
      !backend_->MakeFileLink(At("inst\\a.ldb"), At("elsewhere\\notes.txt")) ||
      !backend_->MakeFileLink(At("inst\\menu\\Help.lnk"), At("elsewhere\\notes.txt"))) {
    GTEST_SKIP() << "this backend cannot make links to files here";
  }
  std::vector<std::string> left;  // nothing left behind
  if (backend_->FileLinksHaveOwnAttributes()) {
    fs_->DeleteFile(At("inst\\WizGlobe.jpg"), true);
    EXPECT_FALSE(backend_->Exists(At("inst\\WizGlobe.jpg")));
  } else {
    // Neither the link nor its target can be removed without changing the target: refused.
    EXPECT_TRUE(FailsWith([&] { fs_->DeleteFile(At("inst\\WizGlobe.jpg"), true); },
                          err::kAccessDenied, At("inst\\WizGlobe.jpg")));
    left.push_back("WizGlobe.jpg");
  }
  fs_->DeleteFile(At("inst\\*.ldb"), true);
  fs_->DeleteFolder(At("inst\\menu"), true);
  EXPECT_FALSE(backend_->Exists(At("inst\\a.ldb")));
  EXPECT_FALSE(backend_->Exists(At("inst\\menu")));
  std::vector<std::string> files;
  for (const auto& file : fs_->GetFolder(At("inst"))->Files()) {
    files.push_back(file->Name());
  }
  EXPECT_EQ(files, left);
  EXPECT_EQ(backend_->ReadFile(At("elsewhere\\picture.jpg")), "the user's");
  EXPECT_EQ(backend_->GetAttributes(At("elsewhere\\picture.jpg")) & attr::kReadOnly,
            attr::kReadOnly);
  EXPECT_EQ(backend_->ReadFile(At("elsewhere\\notes.txt")), "the user's notes");
}

// The update makes its log under a name of its own, flushes it and renames it into place when
// complete.
TEST_P(FsContract, MoveFileRenamesAndReplacesAnOrdinaryFile) {
  File("making.tmp", "log 1");
  fs_->FlushFile(At("making.tmp"));
  EXPECT_TRUE(
      FailsWith([&] { fs_->FlushFile(At("gone.tmp")); }, err::kFileNotFound, At("gone.tmp")));
  fs_->MoveFile(At("making.tmp"), At("MSSent.log"));
  EXPECT_FALSE(backend_->Exists(At("making.tmp")));
  EXPECT_EQ(backend_->ReadFile(At("MSSent.log")), "log 1");

  File("making.tmp", "log 2");
  fs_->MoveFile(At("making.tmp"), At("mssent.LOG"));
  EXPECT_EQ(backend_->ReadFile(At("MSSent.log")), "log 2");
  for (uint32_t in_the_way : {attr::kReadOnly, attr::kHidden, attr::kSystem}) {
    File("guarded.log", "kept", in_the_way);
    File("making.tmp", "log 3");
    EXPECT_TRUE(FailsWith([&] { fs_->MoveFile(At("making.tmp"), At("guarded.log")); },
                          err::kAccessDenied, At("guarded.log")));
    EXPECT_EQ(backend_->ReadFile(At("guarded.log")), "kept");
    backend_->SetAttributes(At("guarded.log"), 0);
  }
  EXPECT_TRUE(FailsWith([&] { fs_->MoveFile(At("gone.tmp"), At("x.log")); }, err::kFileNotFound,
                        At("gone.tmp")));
}

TEST_P(FsContract, MoveFileReplacesALinkNeverItsTarget) {
  File("making.tmp", "log 3");
  Dir("elsewhere");
  File("elsewhere\\sent.log", "the user's");
  if (!backend_->MakeFileLink(At("linked.log"), At("elsewhere\\sent.log"))) {
    GTEST_SKIP() << "this backend cannot make links to files here";
  }
  fs_->MoveFile(At("making.tmp"), At("linked.log"));
  EXPECT_EQ(backend_->ReadFile(At("linked.log")), "log 3");
  EXPECT_EQ(backend_->ReadFile(At("elsewhere\\sent.log")), "the user's");
}

TEST_P(FsContract, CopyFileWritesIntoALinkedFolder) {
  File("src.txt", "new");
  Dir("real");
  File("real\\old.txt", "old");
  if (!backend_->MakeLink(At("linked"), At("real"))) {
    GTEST_SKIP() << "this backend cannot make links (see the Win32 link test)";
  }
  fs_->CopyFile(At("src.txt"), At("linked\\old.txt"), true);
  fs_->CopyFile(At("src.txt"), At("linked\\added.txt"), true);
  EXPECT_EQ(backend_->ReadFile(At("real\\old.txt")), "new");
  EXPECT_EQ(backend_->ReadFile(At("real\\added.txt")), "new");
}

// --- DeleteFile -------------------------------------------------------------------------------

TEST_P(FsContract, DeleteFileTakesWildcardsInTheLastPart) {
  File("a.ldb");
  File("B.LDB", "x", attr::kHidden);
  File("a.ldbx");
  File("keep.txt");
  Dir("dir.ldb");
  fs_->DeleteFile(At("*.ldb"), true);
  EXPECT_FALSE(backend_->Exists(At("a.ldb")));
  EXPECT_FALSE(backend_->Exists(At("B.LDB")));
  EXPECT_TRUE(backend_->Exists(At("a.ldbx")));  // never through an 8.3 name
  EXPECT_TRUE(backend_->Exists(At("keep.txt")));
  EXPECT_TRUE(backend_->Exists(At("dir.ldb")));  // folders are not files

  File("do_a.txt");
  File("do_d");
  File("do_e.txta");
  fs_->DeleteFile(At("do_*.???"), true);
  EXPECT_FALSE(backend_->Exists(At("do_a.txt")));
  EXPECT_FALSE(backend_->Exists(At("do_d")));
  EXPECT_FALSE(backend_->Exists(At("do_e.txta")));  // * runs over the dot

  File("zant.exe");
  fs_->DeleteFile(At("ZANT.exe"), true);
  EXPECT_FALSE(backend_->Exists(At("zant.exe")));
}

TEST_P(FsContract, DeleteFileNeedsForceForAReadOnlyFile) {
  File("ro.txt", "x", attr::kReadOnly);
  EXPECT_TRUE(
      FailsWith([&] { fs_->DeleteFile(At("ro.txt"), false); }, err::kAccessDenied, At("ro.txt")));
  EXPECT_TRUE(backend_->Exists(At("ro.txt")));
  fs_->DeleteFile(At("ro.txt"), true);
  EXPECT_FALSE(backend_->Exists(At("ro.txt")));

  File("v1.txt", "x", attr::kReadOnly | attr::kHidden | attr::kSystem);
  File("v2.txt", "x", attr::kReadOnly);
  fs_->DeleteFile(At("v?.txt"), true);
  EXPECT_FALSE(backend_->Exists(At("v1.txt")));
  EXPECT_FALSE(backend_->Exists(At("v2.txt")));
}

TEST_P(FsContract, DeleteFileFailsWhenNothingMatches) {
  File("a.ldbx");
  Dir("folder");
  EXPECT_TRUE(
      FailsWith([&] { fs_->DeleteFile(At("*.ldb"), true); }, err::kFileNotFound, At("*.ldb")));
  EXPECT_TRUE(FailsWith([&] { fs_->DeleteFile(At("missing.txt"), true); }, err::kFileNotFound,
                        At("missing.txt")));
  EXPECT_TRUE(
      FailsWith([&] { fs_->DeleteFile(At("folder"), true); }, err::kFileNotFound, At("folder")));
  EXPECT_TRUE(FailsWith([&] { fs_->DeleteFile(At("no-dir\\*.txt"), true); }, err::kPathNotFound,
                        At("no-dir\\*.txt")));
  EXPECT_TRUE(backend_->Exists(At("a.ldbx")));
  EXPECT_TRUE(backend_->Exists(At("folder")));
}

// --- DeleteFolder -------------------------------------------------------------------------------

TEST_P(FsContract, DeleteFolderWithForceRemovesEverythingInside) {
  Dir("PocketSOAP");
  File("PocketSOAP\\ro.lnk", "x", attr::kReadOnly);
  File("PocketSOAP\\hs.lnk", "x", attr::kHidden | attr::kSystem);
  Dir("PocketSOAP\\Deeper", attr::kHidden);
  File("PocketSOAP\\Deeper\\ro.txt", "x", attr::kReadOnly);
  Dir("PocketSOAP\\Empty");
  File("sibling.txt");
  fs_->DeleteFolder(At("PocketSOAP"), true);
  EXPECT_FALSE(backend_->Exists(At("PocketSOAP")));
  EXPECT_TRUE(backend_->Exists(At("sibling.txt")));
  EXPECT_TRUE(FailsWith([&] { fs_->DeleteFolder(At("PocketSOAP"), true); }, err::kPathNotFound,
                        At("PocketSOAP")));
}

TEST_P(FsContract, DeleteFolderRemovesALinkInsideButNotItsTarget) {
  Dir("target");
  File("target\\kept.txt", "kept");
  Dir("doomed");
  if (!backend_->MakeLink(At("doomed\\link"), At("target"))) {
    GTEST_SKIP() << "this backend cannot make links (see the Win32 link test)";
  }
  FolderPtr doomed = fs_->GetFolder(At("doomed"));
  std::vector<FolderPtr> subs = doomed->SubFolders();
  ASSERT_EQ(subs.size(), 1u);
  EXPECT_NE(subs[0]->Attributes() & attr::kReparsePoint, 0u);
  fs_->DeleteFolder(At("doomed"), true);
  EXPECT_FALSE(backend_->Exists(At("doomed")));
  EXPECT_EQ(backend_->ReadFile(At("target\\kept.txt")), "kept");
}

TEST_P(FsContract, DeleteFolderNeverEmptiesADriveRootHoweverSpelled) {
  Dir("sub");
  File("sub\\keep.txt", "kept");
  std::string root = RootOf(root_);  // "D:\"
  for (const std::string& spelling :
       {root, root.substr(0, 2), root + ".", root_ + "\\..", At("sub\\..\\.."),
        At("sub\\.\\..\\..\\."), "\\\\?\\" + root}) {
    EXPECT_TRUE(FailsWith([&] { fs_->DeleteFolder(spelling, true); }, err::kAccessDenied,
                          fs_path::Normalize(spelling)))
        << spelling;
    ASSERT_EQ(backend_->ReadFile(At("sub\\keep.txt")), "kept") << spelling;
  }
  // A folder spelled with dots is still deleted.
  fs_->DeleteFolder(At("sub\\..\\sub"), true);
  EXPECT_FALSE(backend_->Exists(At("sub")));
  EXPECT_TRUE(backend_->Exists(root_));
}

// --- The directory match ------------------------------------------------------------------------

TEST_P(FsContract, DirMatchSeesOrdinaryFilesAndFoldersOnlyWithTheFolderAttribute) {
  File("zant.exe");
  File("ro.txt", "x", attr::kReadOnly);
  File("hid.txt", "x", attr::kHidden);
  File("sys.txt", "x", attr::kSystem);
  Dir("Packages");
  Dir("Hidden", attr::kHidden);

  EXPECT_EQ(fs_->DirMatch(At("ZANT.EXE"), 0), "zant.exe");  // the stored spelling
  EXPECT_EQ(fs_->DirMatch(At("ro.txt"), 0), "ro.txt");
  for (uint32_t attributes : {0u, attr::kDirectory}) {
    EXPECT_EQ(fs_->DirMatch(At("hid.txt"), attributes), "");
    EXPECT_EQ(fs_->DirMatch(At("sys.txt"), attributes), "");
    EXPECT_EQ(fs_->DirMatch(At("Hidden"), attributes), "");
  }
  EXPECT_EQ(fs_->DirMatch(At("Packages"), 0), "");
  EXPECT_EQ(fs_->DirMatch(At("packages"), attr::kDirectory), "Packages");
  EXPECT_EQ(fs_->DirMatch(At("zant.exe"), attr::kDirectory), "zant.exe");
}

TEST_P(FsContract, DirMatchFindsTheFirstWildcardMatchOnLongNamesOnly) {
  File("a.ldbx");
  EXPECT_EQ(fs_->DirMatch(At("*.ldb"), 0), "");
  File("b.ldb");
  File("A.LDB");
  File(".ldb", "x", 0);
  backend_->SetAttributes(At(".ldb"), attr::kHidden);  // as Wine reports dot-files
  EXPECT_EQ(fs_->DirMatch(At("*.ldb"), 0), "A.LDB");
  File("do_d");
  EXPECT_EQ(fs_->DirMatch(At("do_*.???"), 0), "do_d");
  File("version");
  EXPECT_EQ(fs_->DirMatch(At("version.*"), 0), "version");
  EXPECT_EQ(fs_->DirMatch(At("*.htm"), 0), "");
}

TEST_P(FsContract, DirMatchIsEmptyForAMissingFolderButFailsOnANotReadyDrive) {
  EXPECT_EQ(fs_->DirMatch(At("missing\\zant.exe"), 0), "");
  EXPECT_EQ(fs_->DirMatch(At("missing\\deeper\\*.*"), attr::kDirectory), "");
  std::string pattern = std::string(1, backend_->NotReadyDrive()) + ":\\ZANT\\vflgzant.140";
  try {
    fs_->DirMatch(pattern, 0);
    ADD_FAILURE() << "a match on a drive that is not ready returned";
  } catch (const RunError& error) {
    EXPECT_NE(error.Number(), 0);
  }
}

// --- Names outside the ANSI code page -----------------------------------------------------------

TEST_P(FsContract, LetterCaseBeyondAsciiIsIgnoredAsTheFileSystemIgnoresIt) {
  if (backend_->AnsiNamesOnly()) {
    GTEST_SKIP() << "names beyond the ANSI code page: see the ANSI family's own test";
  }
  const std::string uber =
      "\xC3\xBC"
      "ber.doc";                                                    // über.doc
  const std::string omega = "\xCE\xA9mega.txt";                     // Ωmega.txt
  const std::string file = "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt";  // файл.txt
  const std::string strasse =
      "stra\xC3\x9F"
      "e.txt";  // straße.txt
  File(uber, "old", attr::kReadOnly);
  File(omega);
  File(file);
  File(strasse);
  File("new.doc", "new");

  EXPECT_EQ(fs_->DirMatch(At("\xC3\x9C"
                             "BER.DOC"),
                          0),
            uber);                                                                // ÜBER.DOC
  EXPECT_EQ(fs_->DirMatch(At("\xCF\x89MEGA.TXT"), 0), omega);                     // ωMEGA.TXT
  EXPECT_EQ(fs_->DirMatch(At("\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B.TXT"), 0), file);  // ФАЙЛ.TXT
  EXPECT_EQ(fs_->DirMatch(At("\xD0\xA4*"), 0), file);                             // Ф*
  EXPECT_EQ(fs_->DirMatch(At("?\xD0\x90\xD0\x99?.txt"), 0), file);                // ?АЙ?.txt
  EXPECT_EQ(fs_->DirMatch(At("STRASSE.TXT"), 0), "");  // ß has no one-letter upper case
  EXPECT_EQ(fs_->DirMatch(At("STRA*SE.TXT"), 0), "");
  EXPECT_TRUE(fs_->FileExists(At("\xCF\x89MEGA.TXT")));
  EXPECT_FALSE(fs_->FileExists(At("STRASSE.TXT")));

  // The update's step for a read-only document of another spelling: seen, deleted, replaced.
  fs_->DeleteFile(At("\xC3\x9C"
                     "BER.DOC"),
                  true);
  EXPECT_FALSE(backend_->Exists(At(uber)));
  fs_->DeleteFile(At("*MEGA.TXT"), true);
  EXPECT_FALSE(backend_->Exists(At(omega)));
  fs_->DeleteFile(At("\xD0\xA4\xD0\x90\xD0\x99*"), true);  // ФАЙ*
  EXPECT_FALSE(backend_->Exists(At(file)));
  EXPECT_TRUE(FailsWith([&] { fs_->DeleteFile(At("STRASSE*"), true); }, err::kFileNotFound,
                        At("STRASSE*")));
  EXPECT_TRUE(backend_->Exists(At(strasse)));
}

TEST_P(FsContract, NamesOutsideTheAnsiCodePageWorkEverywhere) {
  if (backend_->AnsiNamesOnly()) {
    GTEST_SKIP() << "names beyond the ANSI code page: see the ANSI family's own test";
  }
  const std::string omega = "\xCE\xA9mega-\xC3\xBC.txt";                  // Ωmega-ü.txt
  const std::string folder = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";  // Папка
  Dir(folder);
  File(folder + "\\" + omega, "content");

  FolderPtr listed = fs_->GetFolder(At(folder));
  EXPECT_EQ(listed->Path(), At(folder));
  std::vector<FilePtr> files = listed->Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0]->Name(), omega);
  EXPECT_EQ(files[0]->Path(), At(folder + "\\" + omega));
  EXPECT_EQ(fs_->DirMatch(At(folder + "\\?mega-*.TXT"), 0), omega);
  EXPECT_TRUE(fs_->FileExists(At(folder + "\\" + omega)));

  fs_->CopyFile(At(folder + "\\" + omega), At(folder + "\\\xE2\x82\xAC.txt"), true);  // €.txt
  EXPECT_EQ(backend_->ReadFile(At(folder + "\\\xE2\x82\xAC.txt")), "content");
  fs_->DeleteFile(At(folder + "\\*mega*"), true);
  EXPECT_FALSE(backend_->Exists(At(folder + "\\" + omega)));
  fs_->DeleteFolder(At(folder), true);
  EXPECT_FALSE(backend_->Exists(At(folder)));
}

}  // namespace
}  // namespace zant::contract
