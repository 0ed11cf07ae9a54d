#include "platform/fs_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/reparse_tag.h"

namespace zant::fs_path {
namespace {

TEST(FsPath, RelativeAndDriveRelativeNamesStayRelative) {
  struct Row {
    std::string path, folder, name, joined;
  };
  const std::vector<Row> rows = {
      {"C:\\a\\b", "C:\\a", "b", "C:\\a\\b"},
      {"C:\\b", "C:\\", "b", "C:\\b"},
      {"*.tmp", "", "*.tmp", "*.tmp"},     // the current folder, never the root
      {"C:foo*", "C:", "foo*", "C:foo*"},  // the current folder of drive C
      {"sub\\x.txt", "sub", "x.txt", "sub\\x.txt"},
  };
  for (const Row& row : rows) {
    std::string folder, name;
    Split(Normalize(row.path), folder, name);
    EXPECT_EQ(folder, row.folder) << row.path;
    EXPECT_EQ(name, row.name) << row.path;
    EXPECT_EQ(Join(folder, name), row.joined) << row.path;
  }
  EXPECT_EQ(Normalize("\\\\?\\C:\\"), "\\\\?\\C:\\");  // a prefixed root keeps its backslash
  EXPECT_EQ(Normalize("C:"), "C:\\");
}

// Resolved as GetFullPathNameW resolves them, and which of them are roots of a volume.
TEST(FsPath, FullPathResolvesDotsPrefixesAndTheCurrentFolder) {
  struct Row {
    std::string path, current, full;
    bool root;
  };
  const std::vector<Row> rows = {
      {"C:\\", "", "C:\\", true},
      {"C:\\.", "", "C:\\", true},
      {"C:\\x\\..", "", "C:\\", true},
      {"C:\\x\\..\\..\\..", "", "C:\\", true},
      {"c:\\x\\.\\y\\..", "", "c:\\x", false},
      {"C:\\...", "", "C:\\", true},
      {"\\\\?\\C:\\", "", "C:\\", true},
      {"\\\\?\\C:", "", "C:\\", true},
      {"\\\\.\\C:\\x", "", "C:\\x", false},
      {"\\\\?\\UNC\\server\\share", "", "\\\\server\\share", true},
      {"\\\\server\\share\\", "", "\\\\server\\share", true},
      {"\\\\server\\share\\x\\..", "", "\\\\server\\share", true},
      {"\\\\server\\share\\x", "", "\\\\server\\share\\x", false},
      {"\\\\?\\Volume{1234}", "", "\\\\?\\Volume{1234}", true},
      {"sub", "D:\\work", "D:\\work\\sub", false},
      {"..", "D:\\work", "D:\\", true},
      {"D:.", "D:\\work", "D:\\work", false},
      {"C:.", "D:\\work", "C:\\", true},
      {"C:x", "D:\\work", "C:\\x", false},
      {"\\x", "D:\\work", "D:\\x", false},
      {"\\", "\\\\s\\sh\\work", "\\\\s\\sh", true},
      {"sub", "", "sub", false},  // nothing to resolve against: left as it is
      {"C:x", "", "C:x", false},
  };
  for (const Row& row : rows) {
    std::string full = FullPath(row.path, row.current);
    EXPECT_EQ(full, row.full) << row.path << " in " << row.current;
    EXPECT_EQ(IsVolumeRoot(full), row.root) << row.path << " in " << row.current;
  }
}

// Only links are treated as links: a file that Windows keeps deduplicated, compressed or in the
// cloud carries a reparse point and is an ordinary file to delete, copy over and walk into.
TEST(FsPath, OnlyReparseTagsOfLinksMakeALink) {
  struct Row {
    const char* kind;
    uint32_t tag;
    bool link;
  };
  const std::vector<Row> rows = {
      {"symbolic link", 0xA000000C, true},
      {"mount point, junction", 0xA0000003, true},
      {"Linux-subsystem symbolic link", 0xA000001D, true},
      {"Linux link as Wine lists it", 0, true},
      {"deduplicated", 0x80000013, false},
      {"compressed by compact /exe", 0x80000017, false},
      {"cloud placeholder", 0x9000001A, false},
      {"cloud placeholder, other provider", 0x9000F01A, false},
      {"moved to other storage", 0xC0000004, false},
      {"single-instance store", 0x80000007, false},
      {"app execution alias", 0x8000001B, false},
      {"synced folder", 0x80000021, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsLinkTag(row.tag), row.link) << row.kind;
  }
}

}  // namespace
}  // namespace zant::fs_path
