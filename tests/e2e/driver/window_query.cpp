#include "window_query.h"

#include "json_reply.h"

namespace zant::e2e {

std::wstring ClassNameOf(HWND window) {
  wchar_t buffer[256] = {};
  int length = GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::optional<std::wstring> ReadText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kAnswerTimeoutMs, &length)) {
    return std::nullopt;
  }
  // Room for a text that grew between the two messages.
  std::wstring buffer(static_cast<size_t>(length) + 1024, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                           reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           kAnswerTimeoutMs, &copied)) {
    return std::nullopt;
  }
  buffer.resize(static_cast<size_t>(copied));
  return buffer;
}

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

RECT RectInParent(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::string DescribeTopLevelWindows() {
  std::vector<std::string> items;
  for (HWND window : TopLevelWindows()) {
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);  // the caption the system keeps; no message sent
    JsonObject item;
    item.AddNumber("pid", static_cast<long long>(ProcessOf(window)))
        .AddText("class", ClassNameOf(window))
        .AddText("title", std::wstring(title))
        .AddBool("visible", IsWindowVisible(window) != FALSE);
    items.push_back(item.Text());
  }
  return JsonArray(items);
}

}  // namespace zant::e2e
