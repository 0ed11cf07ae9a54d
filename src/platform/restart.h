#pragma once

#include <cstdint>

namespace zant {

// The Windows calls a restart request is made of. The Win32 implementation holds the token
// and the privilege identifier between calls; the unit tests script the answers.
class RestartCalls {
 public:
  virtual ~RestartCalls() = default;

  // The platform identifier of the extended version query; 0 when the query fails.
  virtual uint32_t PlatformId() = 0;
  // Opens the program's own access token for adjusting privileges and querying.
  virtual bool OpenOwnToken() = 0;
  // Looks up the local identifier of the shutdown privilege.
  virtual bool LookupShutdownPrivilege() = 0;

  struct AdjustOutcome {
    bool carried_out = false;
    // The thread's last-error value read right after the adjustment.
    uint32_t last_error = 0;
  };
  // Enables the shutdown privilege in the opened token.
  virtual AdjustOutcome EnableShutdownPrivilege() = 0;
  virtual void CloseToken() = 0;
  // Asks Windows to restart (reboot, applications are asked to close, nothing is forced).
  virtual void RequestReboot() = 0;
};

// Platform identifier of the Windows NT family.
constexpr uint32_t kPlatformWin32Nt = 2;
// Last-error value after a privilege adjustment when the account does not hold the privilege.
constexpr uint32_t kErrorNotAllAssigned = 1300;

// Requests a restart of Windows. On the NT family the shutdown privilege must be enabled
// first; any failed step, or an account without the privilege, ends the routine silently
// without a request. The Windows 95 family (and a failed version query) asks directly.
void RestartWindows(RestartCalls& calls);

}  // namespace zant
