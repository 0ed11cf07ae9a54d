#include "platform/restart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zant {
namespace {

// Answers the restart's Windows calls from a script and records the order of the calls.
class ScriptedRestartCalls : public RestartCalls {
 public:
  uint32_t platform_id = kPlatformWin32Nt;
  bool open_succeeds = true;
  bool lookup_succeeds = true;
  AdjustOutcome adjust{true, 0};
  std::vector<std::string> calls;

  uint32_t PlatformId() override {
    calls.push_back("PlatformId");
    return platform_id;
  }
  bool OpenOwnToken() override {
    calls.push_back("OpenOwnToken");
    return open_succeeds;
  }
  bool LookupShutdownPrivilege() override {
    calls.push_back("LookupShutdownPrivilege");
    return lookup_succeeds;
  }
  AdjustOutcome EnableShutdownPrivilege() override {
    calls.push_back("EnableShutdownPrivilege");
    return adjust;
  }
  void CloseToken() override { calls.push_back("CloseToken"); }
  void RequestReboot() override { calls.push_back("RequestReboot"); }
};

using Calls = std::vector<std::string>;

TEST(RestartWindows, NtWithThePrivilegeEnablesItThenRequestsTheReboot) {
  ScriptedRestartCalls windows;
  RestartWindows(windows);
  EXPECT_EQ(windows.calls, (Calls{"PlatformId", "OpenOwnToken", "LookupShutdownPrivilege",
                                  "EnableShutdownPrivilege", "CloseToken", "RequestReboot"}));
}

TEST(RestartWindows, NotNtOrAFailedVersionQueryRequestsTheRebootWithoutTouchingPrivileges) {
  for (uint32_t platform : {0u, 1u, 3u}) {
    ScriptedRestartCalls windows;
    windows.platform_id = platform;
    RestartWindows(windows);
    EXPECT_EQ(windows.calls, (Calls{"PlatformId", "RequestReboot"})) << "platform " << platform;
  }
}

TEST(RestartWindows, NtStepThatFailsEndsSilentlyWithTheTokenClosed) {
  {
    ScriptedRestartCalls windows;
    windows.open_succeeds = false;
    RestartWindows(windows);
    EXPECT_EQ(windows.calls, (Calls{"PlatformId", "OpenOwnToken"}));  // nothing to close
  }
  {
    ScriptedRestartCalls windows;
    windows.lookup_succeeds = false;
    RestartWindows(windows);
    EXPECT_EQ(windows.calls,
              (Calls{"PlatformId", "OpenOwnToken", "LookupShutdownPrivilege", "CloseToken"}));
  }
  // The adjustment not carried out, and an account without the privilege (error 1300).
  for (RestartCalls::AdjustOutcome adjust :
       {RestartCalls::AdjustOutcome{false, 0}, RestartCalls::AdjustOutcome{true, 1300}}) {
    ScriptedRestartCalls windows;
    windows.adjust = adjust;
    RestartWindows(windows);
    EXPECT_EQ(windows.calls, (Calls{"PlatformId", "OpenOwnToken", "LookupShutdownPrivilege",
                                    "EnableShutdownPrivilege", "CloseToken"}))
        << adjust.carried_out << " " << adjust.last_error;
  }
}

TEST(RestartWindows, OnlyNotAllAssignedCountsAsAMissingPrivilege) {
  // A successful adjustment may leave an unrelated last-error value behind.
  ScriptedRestartCalls windows;
  windows.adjust = {true, 5};
  RestartWindows(windows);
  ASSERT_FALSE(windows.calls.empty());
  EXPECT_EQ(windows.calls.back(), "RequestReboot");
}

}  // namespace
}  // namespace zant
