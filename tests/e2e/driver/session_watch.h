#pragma once

#include <windows.h>

namespace zant::e2e {

// A hidden top-level window on its own thread with its own message loop. A restart request
// (ExitWindowsEx) makes the system ask every top-level window whether the session may end:
// the window records WM_QUERYENDSESSION and WM_ENDSESSION and refuses to end, so the driver
// keeps running and can report that the request was made.
struct SessionEvents {
  long query_count;       // WM_QUERYENDSESSION received
  long end_count;         // WM_ENDSESSION received
  long last_query_flags;  // lParam of the last WM_QUERYENDSESSION (ENDSESSION_* flags)
  long last_end_wparam;   // wParam of the last WM_ENDSESSION (TRUE: the session really ends)
};

// Starts the watcher and waits until its window exists. False if it could not be created.
bool StartSessionWatch();
SessionEvents ReadSessionEvents();

}  // namespace zant::e2e
