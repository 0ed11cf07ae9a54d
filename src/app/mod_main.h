#pragma once

#include "platform/file_system.h"
#include "platform/system_services.h"
#include "ui/surface.h"

namespace zant::modMain {

// Exit codes of the updater.
constexpr int kExitNormal = 0;          // the run ended and the restart was requested
constexpr int kExitFailure = 1;         // an unhandled failure was reported; no restart
constexpr int kExitCancelled = 2;       // the user cancelled during the search; no restart
constexpr int kExitAlreadyRunning = 3;  // another updater was running; nothing done

// The start-up routine: runs the update in the progress window, unloads the window and asks
// Windows to restart. A confirmed cancel and an unhandled failure end it without a restart;
// a failure is first reported with its number and description. While another updater runs, it
// says so and ends before the start-up notice, touching nothing. Returns the exit code.
int StartUp(Surface& surface, const FileSystemFactory& file_systems, SystemServices& system);

}  // namespace zant::modMain
