#include "platform/win32/register_dll.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "platform/win32/wide.h"
#include "standin_components.h"

namespace zant {
namespace {

using namespace standins;

std::optional<std::wstring> Registration(const std::wstring& dll_name) {
  return ReadRegistryString(kRegisteredKey, dll_name, HKEY_LOCAL_MACHINE);
}

bool IsLoaded(const std::wstring& path) {
  return GetModuleHandleW(path.c_str()) != nullptr;
}

class RegisterDllTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetStandInRecords(); }
  void TearDown() override { ForgetStandInRecords(); }
};

TEST_F(RegisterDllTest, GoodLibrariesRegisterThemselvesAndAreUnloadedAgain) {
  for (const wchar_t* name :
       {L"dartmail.dll", L"dartzip.dll", L"dartsock.dll", L"dartutil.dll", L"rnwncntl.dll"}) {
    std::wstring path = ComponentPath(name);
    EXPECT_TRUE(modRegister::RegisterDll(win32::Narrow(path), true)) << win32::Narrow(path);
    EXPECT_EQ(Registration(name), path);
    EXPECT_FALSE(IsLoaded(path)) << win32::Narrow(path);
  }
}

TEST_F(RegisterDllTest, FalseSelectsTheUnregisterEntryPoint) {
  std::wstring path = ComponentPath(L"dartzip.dll");
  ASSERT_TRUE(modRegister::RegisterDll(win32::Narrow(path), true));
  ASSERT_TRUE(Registration(L"dartzip.dll"));
  EXPECT_TRUE(modRegister::RegisterDll(win32::Narrow(path), false));
  EXPECT_FALSE(Registration(L"dartzip.dll"));
}

TEST_F(RegisterDllTest, MissingFileFails) {
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(ComponentPath(L"absent.dll")), true));
  EXPECT_FALSE(modRegister::RegisterDll("", true));
}

TEST_F(RegisterDllTest, EntryPointNamesAreMatchedExactly) {
  // The library exports the entry points in lower case only.
  std::wstring path = ComponentPath(L"noexport.dll");
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(path), true));
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(path), false));
  EXPECT_FALSE(Registration(L"noexport.dll"));
  EXPECT_FALSE(IsLoaded(path));
}

TEST_F(RegisterDllTest, FailureStatusMeansNotRegistered) {
  std::wstring path = ComponentPath(L"failcode.dll");
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(path), true));
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(path), false));
  EXPECT_FALSE(IsLoaded(path));
}

TEST_F(RegisterDllTest, RegistrationThatOverrunsTheLimitFailsAndLeavesTheLibraryLoaded) {
  // The entry point sleeps 15 s: the call returns False after 10 s, and the thread goes on in
  // the library, which must still be loaded when it wakes up.
  std::wstring path = ComponentPath(L"slow.dll");
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(modRegister::RegisterDll(win32::Narrow(path), true));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(9900));
  EXPECT_LT(elapsed, std::chrono::milliseconds(14000));
  EXPECT_TRUE(IsLoaded(path));
  EXPECT_FALSE(Registration(L"slow.dll"));
  // This process survives the late end of the registration.
  EXPECT_TRUE(WaitUntil([] { return Registration(L"slow.dll").has_value(); }));
}

}  // namespace
}  // namespace zant
