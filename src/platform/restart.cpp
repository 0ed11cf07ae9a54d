#include "platform/restart.h"

namespace zant {

namespace {

// Runs the NT privilege steps on an opened token; true when the reboot may be requested.
bool EnableShutdown(RestartCalls& calls) {
  if (!calls.LookupShutdownPrivilege()) {
    return false;
  }
  RestartCalls::AdjustOutcome outcome = calls.EnableShutdownPrivilege();
  if (!outcome.carried_out) {
    return false;
  }
  return outcome.last_error != kErrorNotAllAssigned;
}

}  // namespace

void RestartWindows(RestartCalls& calls) {
  if (calls.PlatformId() == kPlatformWin32Nt) {
    if (!calls.OpenOwnToken()) {
      return;
    }
    bool allowed = EnableShutdown(calls);
    calls.CloseToken();
    if (!allowed) {
      return;
    }
  }
  calls.RequestReboot();
}

}  // namespace zant
