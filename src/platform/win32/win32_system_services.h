#pragma once

#include <memory>

#include "platform/restart.h"
#include "platform/system_services.h"

namespace zant {

// The system services of the real Windows (or Wine).
std::unique_ptr<SystemServices> MakeWin32SystemServices();

// The Windows calls behind RestartWindows, for one restart request. Exposed so that the
// privilege steps can be checked under Wine without requesting the reboot itself.
std::unique_ptr<RestartCalls> MakeWin32RestartCalls();

}  // namespace zant
