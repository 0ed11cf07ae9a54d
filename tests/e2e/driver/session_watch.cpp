#include "session_watch.h"

namespace zant::e2e {

namespace {

volatile LONG g_query_count = 0;
volatile LONG g_end_count = 0;
volatile LONG g_last_query_flags = 0;
volatile LONG g_last_end_wparam = 0;

LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      InterlockedExchange(&g_last_query_flags, static_cast<LONG>(lparam));
      InterlockedIncrement(&g_query_count);
      return FALSE;  // refuse: the driver must outlive the program under test
    case WM_ENDSESSION:
      InterlockedExchange(&g_last_end_wparam, static_cast<LONG>(wparam));
      InterlockedIncrement(&g_end_count);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

struct StartState {
  HANDLE ready;
  bool created;
};

DWORD WINAPI WatchThread(LPVOID parameter) {
  auto* state = static_cast<StartState*>(parameter);
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = WatchProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"ZantE2EDriverSessionWatch";
  RegisterClassW(&window_class);
  // Top-level (not message-only): the end-session messages go to top-level windows only.
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"zant e2e driver", WS_OVERLAPPED, 0,
                                0, 10, 10, nullptr, nullptr, window_class.hInstance, nullptr);
  state->created = window != nullptr;
  SetEvent(state->ready);  // state must not be touched after this
  if (window == nullptr) {
    return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

bool StartSessionWatch() {
  StartState state = {CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
  if (state.ready == nullptr) {
    return false;
  }
  // The thread lives as long as the process; its handle is not needed.
  HANDLE thread = CreateThread(nullptr, 0, WatchThread, &state, 0, nullptr);
  if (thread == nullptr) {
    CloseHandle(state.ready);
    return false;
  }
  CloseHandle(thread);
  WaitForSingleObject(state.ready, INFINITE);
  CloseHandle(state.ready);
  return state.created;
}

SessionEvents ReadSessionEvents() {
  SessionEvents events;
  events.query_count = InterlockedCompareExchange(&g_query_count, 0, 0);
  events.end_count = InterlockedCompareExchange(&g_end_count, 0, 0);
  events.last_query_flags = InterlockedCompareExchange(&g_last_query_flags, 0, 0);
  events.last_end_wparam = InterlockedCompareExchange(&g_last_end_wparam, 0, 0);
  return events;
}

}  // namespace zant::e2e
