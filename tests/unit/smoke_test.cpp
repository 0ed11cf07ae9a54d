#include <gtest/gtest.h>

#include "platform/file_system.h"

namespace zant {

TEST(ParentFolderName, DriveRootKeepsItsBackslash) {
  EXPECT_EQ(FileSystem::GetParentFolderName("C:\\ZANT.exe"), "C:\\");
  EXPECT_EQ(FileSystem::GetParentFolderName("C:\\Prog\\ZANT\\ZANT.exe"), "C:\\Prog\\ZANT");
  EXPECT_EQ(FileSystem::GetParentFolderName("ZANT.exe"), "");
}

}  // namespace zant
