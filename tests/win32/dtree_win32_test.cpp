// The tree walker over the real Win32 file system, on trees that each test lays out on the
// scratch drive D: and removes again.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fstree/dtree.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"

namespace zant {
namespace {

using win32::Narrow;
using win32::Widen;
using Paths = std::vector<std::string>;

// The \\?\ form, so that the fixtures themselves are not limited to MAX_PATH.
std::wstring Long(const std::string& path) {
  return L"\\\\?\\" + Widen(path);
}

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(Long(path).c_str(), nullptr)) << path << ": " << GetLastError();
}

void MakeFile(const std::string& path) {
  HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << ": " << GetLastError();
  CloseHandle(file);
}

// Removes a tree; a link inside is removed as a link, never followed.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      std::wstring path = folder + L"\\" + name;
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(path.c_str());
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveDirectoryW(path.c_str());
      } else {
        RemoveTree(path);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

class DTreeWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = "D:\\dtree-" + std::to_string(GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveTree(Long(root_));
    MakeFolder(root_);
  }
  void TearDown() override {
    RemoveTree(Long(root_));
    EXPECT_EQ(GetFileAttributesW(Long(root_).c_str()), INVALID_FILE_ATTRIBUTES);
  }

  // Walks a root the way the drive search does, and returns the files' paths.
  Paths FileWalk(const std::string& root) {
    walker_.SetRoot(RootSpec::Path(root), 0);
    EXPECT_EQ(walker_.ErrorNumber(), 0);
    Paths seen;
    for (int guard = 0; !walker_.Finished() && guard < 10000; ++guard) {
      walker_.MoveNextFile();
      if (FilePtr file = walker_.GetFile()) {
        seen.push_back(file->Path());
      }
    }
    EXPECT_TRUE(walker_.Finished());
    return seen;
  }

  Paths FolderWalk(const std::string& root) {
    walker_.SetRoot(RootSpec::Path(root), 0);
    Paths seen;
    for (int guard = 0; !walker_.Finished() && guard < 10000; ++guard) {
      if (FolderPtr folder = walker_.GetFolder()) {
        seen.push_back(folder->Path());
      }
      walker_.MoveNextFolder();
    }
    EXPECT_TRUE(walker_.Finished());
    return seen;
  }

  std::string root_;
  crtDTree walker_{[] { return win32::MakeWin32FileSystem(); }};
};

TEST_F(DTreeWin32Test, WalksASmallTreeInPreOrder) {
  for (const char* folder : {"A", "A\\AA", "A\\AB", "B"}) {
    MakeFolder(root_ + "\\" + folder);
  }
  for (const char* file : {"f1.txt", "f2.txt", "A\\a1.txt", "A\\AA\\aa1.txt", "B\\b1.txt"}) {
    MakeFile(root_ + "\\" + file);
  }
  const std::string r = root_;
  EXPECT_EQ(FolderWalk(r), (Paths{r, r + "\\A", r + "\\A\\AA", r + "\\A\\AB", r + "\\B"}));
  EXPECT_EQ(FileWalk(r), (Paths{r + "\\f1.txt", r + "\\f2.txt", r + "\\A\\a1.txt",
                                r + "\\A\\AA\\aa1.txt", r + "\\B\\b1.txt"}));
}

TEST_F(DTreeWin32Test, WalksPathsLongerThanMaxPath) {
  std::string folder = root_;
  for (int level = 0; level < 6; ++level) {
    folder += "\\" + std::string(50, static_cast<char>('a' + level));
    MakeFolder(folder);
  }
  const std::string deep = folder + "\\deep.txt";
  ASSERT_GT(deep.size(), static_cast<size_t>(MAX_PATH));
  MakeFile(deep);
  MakeFile(root_ + "\\after.txt");
  EXPECT_EQ(FileWalk(root_), (Paths{root_ + "\\after.txt", deep}));
  EXPECT_EQ(FolderWalk(root_).size(), 7u);
}

TEST_F(DTreeWin32Test, WalksNamesOutsideTheAnsiCodePage) {
  const std::string greek = root_ + "\\\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1";  // Ελλάδα
  const std::string kanji = greek + "\\\xE6\x97\xA5\xE6\x9C\xAC";                          // 日本
  MakeFolder(greek);
  MakeFolder(kanji);
  const std::string euro = kanji + "\\\xE2\x82\xAC-\xC3\xBC.txt";  // €-ü.txt
  MakeFile(euro);
  EXPECT_EQ(FolderWalk(root_), (Paths{root_, greek, kanji}));
  EXPECT_EQ(FileWalk(root_), Paths{euro});
}

// Wine cannot create symbolic links (CreateSymbolicLinkW reports success and makes nothing), so
// the test prefix carries a Linux one: D:\linkloop\inner\up leads back to D:\linkloop.
TEST_F(DTreeWin32Test, SymbolicLinkLoopEnds) {
  MakeFolder(root_ + "\\inner");
  MakeFile(root_ + "\\inner\\file.txt");
  std::string loop = root_;
  CreateSymbolicLinkW(Long(root_ + "\\inner\\up").c_str(), Long(root_).c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY);
  if (GetFileAttributesW(Long(root_ + "\\inner\\up").c_str()) == INVALID_FILE_ATTRIBUTES) {
    loop = "D:\\linkloop";
  }
  const DWORD link = GetFileAttributesW(Widen(loop + "\\inner\\up").c_str());
  ASSERT_NE(link, INVALID_FILE_ATTRIBUTES) << "no link loop at " << loop;
  ASSERT_TRUE(link & FILE_ATTRIBUTE_REPARSE_POINT);

  EXPECT_EQ(FolderWalk(loop), (Paths{loop, loop + "\\inner"}));
  EXPECT_EQ(FileWalk(loop), Paths{loop + "\\inner\\file.txt"});
}

}  // namespace
}  // namespace zant
