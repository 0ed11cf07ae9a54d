#include <gtest/gtest.h>
#include <windows.h>

// The Windows build really runs on Windows (or Wine): the system folder can be asked for.
TEST(Win32Smoke, SystemFolderIsAvailable) {
  wchar_t buffer[MAX_PATH] = {};
  EXPECT_GT(GetSystemDirectoryW(buffer, MAX_PATH), 0u);
}
