// A library planted beside the updater on a test medium, under the name of a library the
// updater loads. Loading it leaves a file "<its own path>.loaded" behind, and it refuses to stay
// loaded (the process goes on without it, so that a test reports the marker, not a crash). It
// imports kernel32 alone and needs no C runtime, so it loads under any name.
#include <windows.h>

extern "C" BOOL WINAPI MarkerMain(HINSTANCE self, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) {
    return TRUE;
  }
  wchar_t path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return FALSE;
  }
  const wchar_t suffix[] = L".loaded";
  for (DWORD i = 0; i < sizeof suffix / sizeof suffix[0]; ++i) {
    path[length + i] = suffix[i];
  }
  HANDLE record = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (record != INVALID_HANDLE_VALUE) {
    CloseHandle(record);
  }
  return FALSE;
}
