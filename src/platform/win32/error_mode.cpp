#include "platform/win32/error_mode.h"

#include <windows.h>

namespace zant::win32 {

namespace {

UINT g_started_mode = 0;

}  // namespace

void KeepSystemErrorBoxesAway() {
  // SetErrorMode answers the mode it replaces: the only way to read it before Vista.
  g_started_mode = SetErrorMode(0);
  SetErrorMode(g_started_mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

StartedWithOwnErrorMode::StartedWithOwnErrorMode() : run_mode_(SetErrorMode(g_started_mode)) {}

StartedWithOwnErrorMode::~StartedWithOwnErrorMode() {
  SetErrorMode(run_mode_);
}

}  // namespace zant::win32
