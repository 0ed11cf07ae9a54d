#include <windows.h>
// The layer's members CopyFile and DeleteFile, not the windows.h macros.
#undef CopyFile
#undef DeleteFile

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "fstree/dtree.h"
#include "platform/error.h"
#include "platform/name_case.h"
#include "platform/win32/system_calls.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "win32/family_scope.h"
#include "win32/win32_fs_fixture.h"

// What only the real Win32 layer can show: the drives of the unit prefix, paths beyond
// MAX_PATH, links made on the Linux side, the single listing behind Files + SubFolders, an
// older Windows that refuses the cheaper directory read, files in use, paths relative to the
// current folder, and what the 95 family does with names and paths its A calls cannot carry.

namespace zant {
namespace {

using win32test::Exists;

class Win32FsTest : public testing::Test {
 protected:
  void TearDown() override {
    if (!folder_.empty()) {
      win32test::RemoveTree(folder_);
    }
  }
  void ReadAgainInThePlainForm(DWORD refusal);

  std::shared_ptr<FileSystem> fs_ = win32::MakeWin32FileSystem();
  std::string folder_;
};

// A walk of the Windows folder sees each system folder once, under a name that reaches it: in
// the 32-bit program on 64-bit Windows, the 64-bit one as Sysnative (System32 would show the
// 32-bit one a second time) and the 32-bit one as SysWOW64.
TEST_F(Win32FsTest, WindowsFolderShowsEachSystemFolderOnce) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_NE(GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  const std::wstring marker = L"zant-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  // Made in the 64-bit system folder, by the name that reaches it from this process.
  const std::wstring marker_path =
      std::wstring(windows) + (wow64 ? L"\\Sysnative\\" : L"\\System32\\") + marker;
  HANDLE made = CreateFileW(marker_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  CloseHandle(made);

  std::map<std::string, std::vector<std::string>> files_of;  // upper-case folder name -> files
  for (const FolderPtr& folder : fs_->GetFolder(win32::Narrow(windows))->SubFolders()) {
    std::string upper = UpperCaseName(folder->Name());
    EXPECT_EQ(files_of.count(upper), 0u) << folder->Name() << " twice";
    for (const FilePtr& file : folder->Files()) {
      files_of[upper].push_back(file->Name());
    }
  }
  DeleteFileW(marker_path.c_str());
  auto has_marker = [&](const std::string& folder) {
    const auto& files = files_of[folder];
    return std::find(files.begin(), files.end(), win32::Narrow(marker)) != files.end();
  };
  if (wow64) {
    EXPECT_EQ(files_of.count("SYSTEM32"), 0u);
    EXPECT_TRUE(has_marker("SYSNATIVE"));
    EXPECT_FALSE(has_marker("SYSWOW64"));
    EXPECT_FALSE(files_of["SYSWOW64"].empty());
  } else {
    EXPECT_EQ(files_of.count("SYSNATIVE"), 0u);
    EXPECT_TRUE(has_marker("SYSTEM32"));
  }
}

TEST_F(Win32FsTest, DrivesOfTheUnitPrefixHaveTheirTypeCodes) {
  std::map<std::string, DrivePtr> drives;
  for (const DrivePtr& drive : fs_->Drives()) {
    drives[drive->DriveLetter()] = drive;
  }
  ASSERT_EQ(drives.count("D") + drives.count("E") + drives.count("F") + drives.count("G"), 4u);
  EXPECT_EQ(drives["C"]->DriveType(), drive_type::kFixed);
  EXPECT_EQ(drives["D"]->DriveType(), drive_type::kFixed);
  EXPECT_EQ(drives["E"]->DriveType(), drive_type::kCdRom);
  EXPECT_EQ(drives["F"]->DriveType(), drive_type::kNetwork);
  // G: is mapped to a missing folder: Wine reports "no root directory", code 0.
  EXPECT_EQ(drives["G"]->DriveType(), drive_type::kUnknown);

  EXPECT_EQ(drives["E"]->RootFolder()->Path(), "E:\\");
  try {
    drives["G"]->RootFolder();
    ADD_FAILURE() << "the root of G: was handed out";
  } catch (const RunError& error) {
    EXPECT_EQ(error.Number(), err::kPathNotFound);
    EXPECT_NE(error.Description().find("G:\\"), std::string::npos) << error.Description();
  }
  EXPECT_THROW(fs_->GetFolder("G:\\"), RunError);
}

TEST_F(Win32FsTest, PathsLongerThanMaxPathWork) {
  folder_ = win32test::UniqueFolder("zant-long");
  std::string deep = folder_;
  win32test::MakeFolder(deep);
  for (int i = 0; i < 5; ++i) {
    deep += "\\" + std::string(60, static_cast<char>('a' + i));
    win32test::MakeFolder(deep);
  }
  ASSERT_GT(deep.size(), 300u);
  win32test::MakeFile(deep + "\\zant.exe", "exe");
  win32test::MakeFile(deep + "\\a.ldb", "lock");
  win32test::SetAttributes(deep + "\\a.ldb", attr::kReadOnly);
  win32test::MakeFolder(deep + "\\Packages");

  FolderPtr folder = fs_->GetFolder(deep);
  EXPECT_EQ(folder->Path(), deep);
  std::vector<FilePtr> files = folder->Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1]->Path(), deep + "\\zant.exe");
  ASSERT_EQ(folder->SubFolders().size(), 1u);
  EXPECT_TRUE(fs_->FileExists(deep + "\\zant.exe"));
  EXPECT_EQ(fs_->DirMatch(deep + "\\*.ldb", 0), "a.ldb");
  EXPECT_EQ(fs_->DirMatch(deep + "\\packages", attr::kDirectory), "Packages");

  fs_->CopyFile(deep + "\\zant.exe", deep + "\\Packages\\copy.exe", true);
  EXPECT_EQ(win32test::ReadFile(deep + "\\Packages\\copy.exe"), "exe");
  fs_->GetFile(deep + "\\Packages\\copy.exe")->SetAttributes(attr::kReadOnly);
  EXPECT_NE(win32test::GetAttributes(deep + "\\Packages\\copy.exe") & attr::kReadOnly, 0u);
  fs_->DeleteFile(deep + "\\*.ldb", true);
  EXPECT_FALSE(Exists(deep + "\\a.ldb"));
  fs_->DeleteFile(deep + "\\zant.exe", true);
  EXPECT_FALSE(Exists(deep + "\\zant.exe"));
  fs_->DeleteFolder(folder_, true);
  EXPECT_FALSE(Exists(folder_));
}

TEST_F(Win32FsTest, DoubledBackslashesAreCollapsedBeforeTheLongPathPrefix) {
  folder_ = win32test::UniqueFolder("zant-long");
  std::string deep = folder_ + "\\" + std::string(120, 'x') + "\\" + std::string(120, 'y');
  win32test::MakeFolder(folder_);
  win32test::MakeFolder(folder_ + "\\" + std::string(120, 'x'));
  win32test::MakeFolder(deep);
  win32test::MakeFile(deep + "\\f.txt", "x");
  std::string doubled = folder_ + "\\\\" + std::string(120, 'x') + "\\\\" + std::string(120, 'y');
  EXPECT_EQ(fs_->GetFolder(doubled)->Path(), deep);
  EXPECT_TRUE(fs_->FileExists(doubled + "\\\\f.txt"));
}

// The file system's number for the file behind a path (Wine: the Linux inode).
uint64_t FileIndex(const std::string& path) {
  HANDLE file = CreateFileW(win32test::Extended(path).c_str(), 0,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  BY_HANDLE_FILE_INFORMATION info = {};
  bool ok = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
  }
  return ok ? (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
}

// A file of its own is overwritten in place (as CopyFileW does, keeping its error numbers),
// also behind a linked folder and beyond MAX_PATH; only a link to a file is replaced.
TEST_F(Win32FsTest, CopyFileOverwritesFilesInPlaceAndReplacesOnlyFileLinks) {
  folder_ = win32test::UniqueFolder("zant-in-place");
  std::string deep = folder_ + "\\" + std::string(120, 'x') + "\\" + std::string(120, 'y');
  win32test::MakeFolder(folder_);
  win32test::MakeFolder(folder_ + "\\" + std::string(120, 'x'));
  win32test::MakeFolder(deep);
  win32test::MakeFile(folder_ + "\\src.txt", "new");
  // The prefix's D:\links\direct is a Linux link to the folder D:\links\target.
  std::string behind_link = "D:\\links\\direct\\" + folder_.substr(3) + ".txt";
  for (const std::string& file : {folder_ + "\\plain.txt", deep + "\\plain.txt", behind_link}) {
    win32test::MakeFile(file, "old");
    uint64_t before = FileIndex(file);
    ASSERT_NE(before, 0u) << file;
    fs_->CopyFile(folder_ + "\\src.txt", file, true);
    EXPECT_EQ(win32test::ReadFile(file), "new") << file;
    EXPECT_EQ(FileIndex(file), before) << file;
  }
  fs_->DeleteFile(behind_link, true);

  win32test::MakeFile(folder_ + "\\picture.jpg", "the user's");
  if (!win32test::MakeFileLink(folder_ + "\\WizGlobe.jpg", folder_ + "\\picture.jpg")) {
    GTEST_SKIP() << "no link to a file could be made here";
  }
  uint64_t target = FileIndex(folder_ + "\\picture.jpg");
  fs_->CopyFile(folder_ + "\\src.txt", folder_ + "\\WizGlobe.jpg", true);
  EXPECT_NE(FileIndex(folder_ + "\\WizGlobe.jpg"), target);
  EXPECT_EQ(FileIndex(folder_ + "\\picture.jpg"), target);
  EXPECT_EQ(win32test::ReadFile(folder_ + "\\picture.jpg"), "the user's");
}

// The reparse tag of an entry as its folder lists it: Windows tags every link, Wine gives 0.
DWORD ReparseTag(const std::string& path) {
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(win32test::Extended(path).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    return 0;
  }
  FindClose(search);
  return data.dwReserved0;
}

// Removes one link through DeleteFolder: a tagged (Windows) link goes; an untagged one (a
// Linux link seen through Wine, where RemoveDirectoryW deletes an empty target and fails on a
// full one) is refused and stays. The target is never touched.
void ExpectLinkRemovedOrRefused(FileSystem& fs, const std::string& folder, const std::string& link,
                                const std::string& target) {
  bool tagged = ReparseTag(link) != 0;
  try {
    fs.DeleteFolder(folder, true);
    EXPECT_TRUE(tagged) << "an untagged link was removed through " << folder;
    EXPECT_FALSE(Exists(folder));
  } catch (const RunError& error) {
    EXPECT_FALSE(tagged) << error.Description();
    EXPECT_EQ(error.Number(), ERROR_NOT_SUPPORTED);
    EXPECT_NE(error.Description().find(link), std::string::npos) << error.Description();
    EXPECT_TRUE(Exists(link));
  }
  EXPECT_TRUE(Exists(target));
}

TEST_F(Win32FsTest, FolderLinkIsReportedAndNeverDeletedThrough) {
  // Made by zant_make_unit_prefix (scripts/lib/wine.sh) with ln -s: Wine cannot make links.
  for (const char* fixture :
       {"D:\\links\\holder\\link", "D:\\links\\direct", "D:\\links\\to-empty"}) {
    if (!Exists(fixture)) {
      GTEST_SKIP() << fixture << " is missing: make a new unit prefix";
    }
  }
  FolderPtr holder = fs_->GetFolder("D:\\links\\holder");
  std::vector<FolderPtr> subs = holder->SubFolders();
  ASSERT_EQ(subs.size(), 1u);
  EXPECT_EQ(subs[0]->Attributes() & (attr::kDirectory | attr::kReparsePoint),
            attr::kDirectory | attr::kReparsePoint);
  std::vector<FilePtr> through = subs[0]->Files();
  ASSERT_EQ(through.size(), 1u);
  EXPECT_EQ(through[0]->Path(), "D:\\links\\holder\\link\\kept.txt");
  EXPECT_NE(fs_->GetFolder("D:\\links\\direct")->Attributes() & attr::kReparsePoint, 0u);

  ExpectLinkRemovedOrRefused(*fs_, "D:\\links\\to-empty", "D:\\links\\to-empty",
                             "D:\\links\\empty");
  ExpectLinkRemovedOrRefused(*fs_, "D:\\links\\direct", "D:\\links\\direct", "D:\\links\\target");
  ExpectLinkRemovedOrRefused(*fs_, "D:\\links\\holder", "D:\\links\\holder\\link",
                             "D:\\links\\target");
  EXPECT_EQ(win32test::ReadFile("D:\\links\\target\\kept.txt"), "kept");
}

// A stand-in for FindFirstFileExW: counts the directory reads and, while refusing, plays a
// system before Windows 7 that knows neither the basic information level nor the large fetch.
struct FindFirstLog {
  int calls = 0;
  int refused = 0;
  bool refuse_new_forms = false;
  DWORD refusal = ERROR_INVALID_PARAMETER;
};
FindFirstLog g_find_first;

HANDLE WINAPI CountingFindFirst(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                                FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
  ++g_find_first.calls;
  if (g_find_first.refuse_new_forms && (level == FindExInfoBasic || flags != 0)) {
    ++g_find_first.refused;
    SetLastError(g_find_first.refusal);
    return INVALID_HANDLE_VALUE;
  }
  return FindFirstFileExW(pattern, level, data, search, filter, flags);
}

TEST_F(Win32FsTest, FilesAndSubFoldersShareOneListingAndNoHalfGoesStale) {
  folder_ = win32test::UniqueFolder("zant-listing");
  win32test::MakeFolder(folder_);
  win32test::MakeFile(folder_ + "\\f.txt", "x");
  win32test::MakeFolder(folder_ + "\\one");
  g_find_first = {};
  fs_ = win32::MakeWin32FileSystemWith(&CountingFindFirst);
  FolderPtr folder = fs_->GetFolder(folder_);
  ASSERT_EQ(folder->Files().size(), 1u);
  win32test::MakeFolder(folder_ + "\\two");  // not through the layer: the pair stands
  EXPECT_EQ(folder->SubFolders().size(), 1u) << "the subfolders come from the first listing";
  EXPECT_EQ(g_find_first.calls, 1);
  EXPECT_EQ(folder->SubFolders().size(), 2u) << "a second request lists again";

  // The half left over is handed out only as the very next thing the layer does.
  ASSERT_EQ(folder->Files().size(), 1u);
  (void)fs_->DirMatch(folder_ + "\\f.txt", 0);
  win32test::MakeFolder(folder_ + "\\three");
  EXPECT_EQ(folder->SubFolders().size(), 3u);
}

TEST_F(Win32FsTest, TheWalkerReadsEachFolderOnce) {
  folder_ = win32test::UniqueFolder("zant-walk");
  win32test::MakeFolder(folder_);
  for (const char* sub : {"\\a", "\\a\\deep", "\\b", "\\c"}) {
    win32test::MakeFolder(folder_ + sub);
    win32test::MakeFile(folder_ + sub + "\\f.txt", "x");
  }
  g_find_first = {};
  std::shared_ptr<FileSystem> counting = win32::MakeWin32FileSystemWith(&CountingFindFirst);
  crtDTree walker([counting] { return counting; });
  walker.SetRoot(RootSpec::Path(folder_), 0);
  int files = 0;
  for (walker.MoveNextFile(); !walker.Finished(); walker.MoveNextFile()) {
    ++files;
  }
  EXPECT_EQ(files, 4);
  EXPECT_EQ(g_find_first.calls, 5);  // the root and its four folders
}

// Windows also puts reparse points on ordinary files and folders (deduplicated, compressed by
// compact /exe, cloud placeholders). Wine makes none, so a stand-in directory read hands out
// one entry with the reparse attribute and a tag, as Windows lists such an entry, and a stand-in
// attribute read gives that entry the reparse attribute when it is looked up by its path.
struct TaggedEntry {
  std::wstring name;
  DWORD tag = 0;
  int read_inside = 0;  // directory reads of the entry's own content
};
TaggedEntry g_tagged;

std::wstring LastPart(const std::wstring& path) {
  return path.substr(path.find_last_of(L'\\') + 1);
}

DWORD WINAPI TaggingGetAttributes(LPCWSTR path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && LastPart(path) == g_tagged.name) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return attributes;
}

HANDLE WINAPI TaggingFindFirst(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                               FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
  const std::wstring read = pattern;
  if (LastPart(read) == L"*" &&
      LastPart(read.substr(0, read.find_last_of(L'\\'))) == g_tagged.name) {
    ++g_tagged.read_inside;
  }
  HANDLE found = FindFirstFileExW(pattern, level, data, search, filter, flags);
  auto* entry = static_cast<WIN32_FIND_DATAW*>(data);
  while (found != INVALID_HANDLE_VALUE && entry->cFileName[0] == L'.') {  // "." and ".."
    if (!FindNextFileW(found, entry)) {
      FindClose(found);
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (found != INVALID_HANDLE_VALUE && g_tagged.name == entry->cFileName) {
    entry->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    entry->dwReserved0 = g_tagged.tag;
  }
  return found;
}

TEST_F(Win32FsTest, ReparsePointsThatAreNoLinksAreOrdinaryFilesAndFolders) {
  // Deduplicated, compressed by the system, two cloud placeholders, moved to other storage.
  for (DWORD tag : {0x80000013ul, 0x80000017ul, 0x9000001Aul, 0x9000101Aul, 0xC0000004ul}) {
    folder_ = win32test::UniqueFolder("zant-tagged");
    win32test::MakeFolder(folder_);
    fs_ = win32::MakeWin32FileSystemWith(&TaggingFindFirst, &TaggingGetAttributes);

    // A read-only program, deleted by its path to be replaced: read-only cleared, deleted.
    win32test::MakeFile(folder_ + "\\ZANT.exe", "1.30");
    win32test::SetAttributes(folder_ + "\\ZANT.exe", FILE_ATTRIBUTE_READONLY);
    g_tagged = {L"ZANT.exe", tag};
    ASSERT_NE(fs_->GetFile(folder_ + "\\ZANT.exe")->Attributes() & attr::kReadOnly, 0u);
    fs_->DeleteFile(folder_ + "\\ZANT.exe", true);
    EXPECT_FALSE(Exists(folder_ + "\\ZANT.exe")) << std::hex << tag;

    // A read-only document: the forced delete clears read-only and deletes it.
    win32test::MakeFolder(folder_ + "\\docs");
    win32test::MakeFile(folder_ + "\\docs\\old.doc", "old");
    win32test::SetAttributes(folder_ + "\\docs\\old.doc", FILE_ATTRIBUTE_READONLY);
    g_tagged = {L"old.doc", tag};
    fs_->DeleteFile(folder_ + "\\docs\\*.doc", true);
    EXPECT_FALSE(Exists(folder_ + "\\docs\\old.doc")) << std::hex << tag;

    // A synced folder in a folder being removed: walked into, emptied and removed.
    win32test::MakeFolder(folder_ + "\\menu");
    win32test::MakeFolder(folder_ + "\\menu\\synced");
    win32test::MakeFile(folder_ + "\\menu\\synced\\Help.lnk", "x");
    g_tagged = {L"synced", tag};
    FolderPtr menu = fs_->GetFolder(folder_ + "\\menu");
    ASSERT_EQ(menu->SubFolders().size(), 1u);
    EXPECT_EQ(menu->SubFolders()[0]->Attributes() & attr::kReparsePoint, 0u) << std::hex << tag;
    fs_->DeleteFolder(folder_ + "\\menu", true);
    EXPECT_FALSE(Exists(folder_ + "\\menu")) << std::hex << tag;

    g_tagged = {};
    win32test::RemoveTree(folder_);
  }
  folder_.clear();
}

// A link to a folder carries a link tag on Windows: the Start menu folder the update removes may
// itself be a junction (a mount point) or a symbolic link, and goes as a link, never walked into.
TEST_F(Win32FsTest, AFolderThatIsATaggedLinkIsRemovedAsALink) {
  for (DWORD tag : {0xA0000003ul, 0xA000000Cul}) {  // mount point, symbolic link
    folder_ = win32test::UniqueFolder("zant-junction");
    win32test::MakeFolder(folder_);
    win32test::MakeFolder(folder_ + "\\PocketSOAP");
    g_tagged = {L"PocketSOAP", tag};
    fs_ = win32::MakeWin32FileSystemWith(&TaggingFindFirst, &TaggingGetAttributes);
    EXPECT_NE(fs_->GetFolder(folder_ + "\\PocketSOAP")->Attributes() & attr::kReparsePoint, 0u);
    fs_->DeleteFolder(folder_ + "\\PocketSOAP", true);
    EXPECT_FALSE(Exists(folder_ + "\\PocketSOAP")) << std::hex << tag;
    EXPECT_EQ(g_tagged.read_inside, 0) << std::hex << tag;
    g_tagged = {};
    win32test::RemoveTree(folder_);
  }
  folder_.clear();
}

// Whatever code the refusal comes with: no document gives the one of Windows before 7.
TEST_F(Win32FsTest, AListingRefusedByAnOlderWindowsIsReadAgainInThePlainForm) {
  for (DWORD refusal : {ERROR_INVALID_PARAMETER, ERROR_INVALID_LEVEL, ERROR_NOT_SUPPORTED}) {
    SCOPED_TRACE(refusal);
    ReadAgainInThePlainForm(refusal);
    win32test::RemoveTree(folder_);
  }
  folder_.clear();
}

void Win32FsTest::ReadAgainInThePlainForm(DWORD refusal) {
  folder_ = win32test::UniqueFolder("zant-old");
  win32test::MakeFolder(folder_);
  win32test::MakeFolder(folder_ + "\\sub");
  win32test::MakeFile(folder_ + "\\sub\\inner.txt", "x");
  win32test::MakeFile(folder_ + "\\a.ldb", "x");
  win32test::MakeFile(folder_ + "\\zant.exe", "x");
  g_find_first = {};
  g_find_first.refuse_new_forms = true;
  g_find_first.refusal = refusal;
  fs_ = win32::MakeWin32FileSystemWith(&CountingFindFirst);

  FolderPtr folder = fs_->GetFolder(folder_);
  EXPECT_EQ(folder->Files().size(), 2u);
  EXPECT_EQ(folder->SubFolders().size(), 1u);
  EXPECT_EQ(g_find_first.refused, 1) << "the refusal is remembered";
  EXPECT_EQ(fs_->DirMatch(folder_ + "\\ZANT.EXE", 0), "zant.exe");
  EXPECT_EQ(fs_->DirMatch(folder_ + "\\sub", attr::kDirectory), "sub");
  fs_->DeleteFile(folder_ + "\\*.ldb", true);
  EXPECT_FALSE(Exists(folder_ + "\\a.ldb"));
  fs_->DeleteFolder(folder_ + "\\sub", true);
  EXPECT_FALSE(Exists(folder_ + "\\sub"));
  EXPECT_EQ(g_find_first.refused, 1);

  // A file system made afresh on the same system: refused once, then plain again.
  fs_ = win32::MakeWin32FileSystemWith(&CountingFindFirst);
  EXPECT_EQ(fs_->GetFolder(folder_)->Files().size(), 1u);
  EXPECT_EQ(g_find_first.refused, 2);
  g_find_first.refuse_new_forms = false;
}

TEST_F(Win32FsTest, AForcedDeleteOfAFileInUseLeavesItReadOnly) {
  folder_ = win32test::UniqueFolder("zant-in-use");
  win32test::MakeFolder(folder_);
  const std::string path = folder_ + "\\db.mdb";
  win32test::MakeFile(path, "x");
  win32test::SetAttributes(path, attr::kReadOnly | attr::kHidden);
  HANDLE open = CreateFileW(win32test::Extended(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  for (const std::string& target : {path, folder_ + "\\*.mdb"}) {
    try {
      fs_->DeleteFile(target, true);
      ADD_FAILURE() << "a file in use was deleted through " << target;
    } catch (const RunError& error) {
      EXPECT_EQ(error.Number(), ERROR_SHARING_VIOLATION);
      EXPECT_NE(error.Description().find(path), std::string::npos) << error.Description();
    }
    EXPECT_EQ(win32test::GetAttributes(path) & (attr::kReadOnly | attr::kHidden),
              attr::kReadOnly | attr::kHidden)
        << target;
  }
  CloseHandle(open);
  fs_->DeleteFile(path, true);
  EXPECT_FALSE(Exists(path));
}

// Relative and drive-relative paths are taken from the current folder, never from the root;
// a drive root reached through the current folder is refused all the same.
TEST_F(Win32FsTest, RelativePathsAreTakenFromTheCurrentFolder) {
  folder_ = win32test::UniqueFolder("zant-relative");
  win32test::MakeFolder(folder_);
  win32test::MakeFolder(folder_ + "\\sub");
  win32test::MakeFile(folder_ + "\\x.tmp", "x");
  win32test::MakeFile(folder_ + "\\y.tmp", "x");
  const std::string at_root = "D:\\" + folder_.substr(3) + ".tmp";  // beside the folder
  win32test::MakeFile(at_root, "x");
  wchar_t saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(win32::Widen(folder_).c_str()));

  EXPECT_EQ(fs_->DirMatch("X.TMP", 0), "x.tmp");
  fs_->DeleteFile("x.*", true);
  fs_->DeleteFile("D:y*.tmp", true);
  fs_->DeleteFolder("sub", true);
  EXPECT_FALSE(Exists(folder_ + "\\x.tmp"));
  EXPECT_FALSE(Exists(folder_ + "\\y.tmp"));
  EXPECT_FALSE(Exists(folder_ + "\\sub"));
  EXPECT_TRUE(Exists(at_root));
  for (const char* spelling : {"..", ".\\..", "D:.."}) {
    try {
      fs_->DeleteFolder(spelling, true);
      ADD_FAILURE() << spelling << " was deleted";
    } catch (const RunError& error) {
      EXPECT_EQ(error.Number(), ERROR_ACCESS_DENIED) << spelling;
    }
  }
  ASSERT_TRUE(SetCurrentDirectoryW(saved));
  EXPECT_TRUE(Exists(at_root));
  EXPECT_TRUE(Exists(folder_));
  DeleteFileW(win32test::Extended(at_root).c_str());
}

// The 95 family reaches files by their names in the ANSI code page. A name the code page lacks
// (Ω), or holds only as a look-alike of another file's name (ł as l: "łódź.txt" beside
// "lodz.txt"), is listed under its short name, which leads to that file alone; the name itself
// is refused as invalid, never taken for the look-alike. Everything stays removable.
TEST_F(Win32FsTest, TheAnsiFamilyReachesNamesItCannotHoldByTheirShortNamesOnly) {
  ASSERT_EQ(GetACP(), 1252u) << "the test's names assume the Western code page";
  folder_ = win32test::UniqueFolder("zant-ansi");
  win32test::MakeFolder(folder_);
  const std::string omega = folder_ + "\\\xCE\xA9mega.txt";  // Ωmega.txt
  const std::string lodz_accented = folder_ +
                                    "\\\xC5\x82\xC3\xB3"
                                    "d\xC5\xBA.txt";  // łódź.txt
  win32test::MakeFile(omega, "omega");
  win32test::MakeFile(lodz_accented, "accented");
  win32test::MakeFile(folder_ + "\\lodz.txt", "look-alike");
  const std::string uber =
      "\xC3\xBC"
      "ber.doc";  // über.doc: in the code page
  win32test::MakeFile(folder_ + "\\" + uber, "uber");

  win32test::FamilyScope ansi(0);
  fs_ = win32::MakeWin32FileSystem();
  std::map<std::string, std::string> content_of;
  for (const FilePtr& file : fs_->GetFolder(folder_)->Files()) {
    content_of[file->Name()] = win32test::ReadFile(file->Path());
  }
  ASSERT_EQ(content_of.size(), 4u);
  EXPECT_EQ(content_of["lodz.txt"], "look-alike");
  EXPECT_EQ(content_of[uber], "uber");
  std::string omega_short, accented_short;
  for (const auto& [name, content] : content_of) {
    if (content == "omega") {
      omega_short = name;
    } else if (content == "accented") {
      accented_short = name;
    }
  }
  ASSERT_NE(omega_short.find('~'), std::string::npos) << omega_short;
  ASSERT_NE(accented_short.find('~'), std::string::npos) << accented_short;

  for (const std::string& path : {omega, lodz_accented}) {
    EXPECT_FALSE(fs_->FileExists(path));
    try {
      fs_->DeleteFile(path, true);
      ADD_FAILURE() << "deleted through a name the code page lacks";
    } catch (const RunError& error) {
      EXPECT_EQ(error.Number(), ERROR_INVALID_NAME);
    }
  }
  EXPECT_EQ(win32test::ReadFile(folder_ + "\\lodz.txt"), "look-alike");
  fs_->CopyFile(folder_ + "\\" + omega_short, folder_ + "\\copy.txt", true);
  EXPECT_EQ(win32test::ReadFile(folder_ + "\\copy.txt"), "omega");
  EXPECT_EQ(fs_->DirMatch(folder_ + "\\" + accented_short, 0), accented_short);

  fs_->DeleteFolder(folder_, true);
  EXPECT_FALSE(Exists(folder_));
}

// The 95 family has no long-path form: a path of MAX_PATH bytes or more is refused as too long,
// never cut short to a shorter path that could name something else.
TEST_F(Win32FsTest, TheAnsiFamilyRefusesPathsBeyondItsLimit) {
  folder_ = win32test::UniqueFolder("zant-ansi-long");
  std::string deep = folder_;
  win32test::MakeFolder(deep);
  for (int i = 0; i < 5; ++i) {
    deep += "\\" + std::string(60, static_cast<char>('a' + i));
    win32test::MakeFolder(deep);
  }
  win32test::MakeFile(deep + "\\zant.exe", "exe");
  win32test::FamilyScope ansi(0);
  fs_ = win32::MakeWin32FileSystem();
  EXPECT_FALSE(fs_->FileExists(deep + "\\zant.exe"));
  for (auto call : std::initializer_list<std::function<void()>>{
           [&] { fs_->GetFolder(deep); },
           [&] { fs_->CopyFile(deep + "\\zant.exe", folder_ + "\\copy.exe", true); },
           [&] { fs_->DeleteFile(deep + "\\zant.exe", true); }}) {
    try {
      call();
      ADD_FAILURE() << "a path beyond the limit was used";
    } catch (const RunError& error) {
      EXPECT_EQ(error.Number(), ERROR_FILENAME_EXCED_RANGE) << error.Description();
    }
  }
  EXPECT_TRUE(Exists(deep + "\\zant.exe"));
}

// The 95 family's codes are not NT's; the disk decides what a failed search means. A pattern
// that matches nothing in a folder that is there finds nothing (not an error of the folder), a
// missing folder is a missing path, whatever code the system gave.
TEST_F(Win32FsTest, TheAnsiFamilyTellsNothingFoundFromAMissingFolderByTheDisk) {
  folder_ = win32test::UniqueFolder("zant-ansi-codes");
  win32test::MakeFolder(folder_);
  win32test::FamilyScope ansi(0);
  win32::sys::SetAnsiErrorRuleForTest(&win32test::Windows95Error);
  WIN32_FIND_DATAW data;
  for (const auto& [pattern, expected] : std::initializer_list<std::pair<std::string, DWORD>>{
           {folder_ + "\\nothing*.here", ERROR_FILE_NOT_FOUND},
           {folder_ + "\\missing\\*", ERROR_PATH_NOT_FOUND}}) {
    SCOPED_TRACE(pattern);
    EXPECT_EQ(win32::sys::FindFirst(win32::Widen(pattern), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), expected);
  }
  win32::sys::SetAnsiErrorRuleForTest(nullptr);
}

}  // namespace
}  // namespace zant
