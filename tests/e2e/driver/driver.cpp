// The end-to-end test driver: a console program that a test talks to over stdin and stdout, one
// command per line and one JSON reply line per command. It finds the updater's message boxes and
// progress window, reads their texts, presses buttons, clicks Cancel, and reports whether a
// restart was requested. Every wait has a time limit and says so when it runs out.
//
// Commands (TIMEOUT in milliseconds; TEXT is a JSON string literal, e.g. "a\r\nb"):
//   attach NAME TIMEOUT         follow the process whose executable is NAME (waits for it)
//   wait-box TIMEOUT            a visible message box: title, text, buttons, default, icon
//   press ok|yes|no|escape|close [TIMEOUT]
//                               press that button (or dismiss) and wait until the box is gone
//   wait-window TIMEOUT [TEXT]  the visible progress window (caption TEXT, not a dialog box)
//   wait-window-gone TIMEOUT    until the progress window is unloaded or hidden
//   texts                       status line, detail line, Cancel enabled
//   wait-status TEXT TIMEOUT    until the status line contains TEXT
//   wait-detail TEXT TIMEOUT    until the detail line contains TEXT
//   wait-cancel enabled|disabled TIMEOUT
//   click-cancel [input|post]   a real mouse click at the button's centre, or a posted BM_CLICK
//   click-cancel-until-box TIMEOUT
//                               a real mouse click on Cancel, then the message box that answers
//                               it, as wait-box, with click_to_box_ms: the time from the click
//                               to the box, looked for every millisecond
//   restart?                    whether the end-session messages of a restart arrived
//   wait-restart TIMEOUT        until they arrive
//   process-running NAME        whether a process with that executable name is running
//   windows                     every top-level window (for diagnosis)
//   quit

#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "icon_match.h"
#include "json_reply.h"
#include "session_watch.h"
#include "window_query.h"

namespace zant::e2e {
namespace {

constexpr wchar_t kProgressCaption[] = L"ZANT On CD v 1.40 Update";
constexpr DWORD kPollMs = 20;
constexpr DWORD kDefaultPressTimeoutMs = 5000;
// The icon is painted shortly after the box becomes visible; keep looking this long.
constexpr DWORD kIconSettleMs = 2000;

// Where the progress window's two lines sit, in client pixels at 96 DPI.
struct LinePlace {
  int left, top, width, height;
};
constexpr LinePlace kStatusPlace = {8, 54, 307, 85};
constexpr LinePlace kDetailPlace = {8, 176, 307, 63};
constexpr int kPlaceTolerance = 2;

class Failure {
 public:
  Failure(std::string error, std::string message)
      : error_(std::move(error)), message_(std::move(message)) {}
  std::string Reply(bool with_windows) const {
    JsonObject reply;
    reply.AddBool("ok", false).AddText("error", error_).AddText("message", message_);
    if (with_windows) {
      reply.AddRaw("windows", DescribeTopLevelWindows());
    }
    return reply.Text();
  }
  bool is_timeout() const { return error_ == "timeout"; }

 private:
  std::string error_;
  std::string message_;
};

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) {
    return {};
  }
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring CaptionOf(HWND window) {
  // For another process's window this reads the caption the system keeps: no message is sent.
  wchar_t buffer[512] = {};
  int length = GetWindowTextW(window, buffer, 512);
  return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

long long Elapsed(ULONGLONG start) {
  return static_cast<long long>(GetTickCount64() - start);
}

// Calls probe every kPollMs until it yields a value or timeout_ms have passed.
template <typename Probe>
auto PollUntil(long long timeout_ms, Probe probe) -> decltype(probe()) {
  ULONGLONG start = GetTickCount64();
  while (true) {
    auto result = probe();
    if (result || Elapsed(start) >= timeout_ms) {
      return result;
    }
    Sleep(kPollMs);
  }
}

long long TimeoutArg(const Command& command, size_t index) {
  if (index >= command.args.size()) {
    throw Failure("usage", command.name + ": the timeout (milliseconds) is missing");
  }
  long long value = ParseNumber(command.args[index]);
  if (value < 0) {
    throw Failure("usage", command.name + ": the timeout must be a whole number of milliseconds");
  }
  return value;
}

// Owns a process handle.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
  ~ProcessHandle() { Reset(nullptr); }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  void Reset(HANDLE handle) {
    if (handle_ != nullptr) {
      CloseHandle(handle_);
    }
    handle_ = handle;
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

std::wstring ProcessName(DWORD pid);

class Driver {
 public:
  std::string Run(const Command& command);
  // Ends the followed program: the test that drove it has gone away without saying quit.
  void AbandonTarget();

 private:
  bool IsTarget(HWND window) const {
    DWORD pid = ProcessOf(window);
    if (pid == GetCurrentProcessId()) {
      return false;
    }
    if (target_pid_ == 0 || pid == target_pid_) {
      return true;
    }
    // Wine starts a 32-bit program through start.exe, which then starts the program itself;
    // attach can catch a process of the program's name that never shows a window (seen once in
    // a run as Windows 98). A window of a process of that name is the program's: follow it.
    auto known = names_.find(pid);
    if (known == names_.end()) {
      known = names_.emplace(pid, ProcessName(pid)).first;
    }
    if (!target_name_.empty() && SameTextIgnoringCase(known->second, target_name_)) {
      target_pid_ = pid;
      target_process_.Reset(OpenProcess(
          SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
      return true;
    }
    return false;
  }

  HWND FindBox() const;
  HWND FindProgressWindow(const std::wstring& caption) const;
  HWND RequireProgressWindow() const;
  std::string DescribeBox(HWND box, std::optional<double> click_to_box_ms = {}) const;

  struct Lines {
    HWND status = nullptr;
    HWND detail = nullptr;
    HWND cancel = nullptr;
  };
  Lines FindLines(HWND window) const;
  // The lines of the shown progress window; nothing while it is not shown.
  std::optional<Lines> CurrentLines() const;
  std::string DescribeTexts(const Lines& lines) const;

  std::string Attach(const Command& command);
  std::string ProcessRunning(const Command& command);
  std::string WaitBox(const Command& command);
  std::string Press(const Command& command);
  std::string WaitWindow(const Command& command);
  std::string WaitWindowGone(const Command& command);
  std::string Texts();
  std::string WaitLine(const Command& command, bool status);
  std::string WaitCancel(const Command& command);
  std::string ClickCancel(const Command& command);
  std::string ClickCancelUntilBox(const Command& command);
  void ClickCancelWithMouse();
  std::string Restart();
  std::string WaitRestart(const Command& command);

  // Throws when the followed program has ended, so that a wait for one of its windows fails at
  // once instead of at its time limit.
  void FailIfEnded(const char* waiting_for) const;

  mutable DWORD target_pid_ = 0;
  mutable ProcessHandle target_process_;
  std::wstring target_name_;
  // Process names of windows' owners, looked up once each.
  mutable std::map<DWORD, std::wstring> names_;
  std::wstring caption_ = kProgressCaption;
};

void Driver::FailIfEnded(const char* waiting_for) const {
  if (target_process_.get() == nullptr ||
      WaitForSingleObject(target_process_.get(), 0) != WAIT_OBJECT_0) {
    return;
  }
  DWORD code = 0;
  GetExitCodeProcess(target_process_.get(), &code);
  throw Failure("ended", std::string("the program ended (exit code ") + std::to_string(code) +
                             ") while waiting for " + waiting_for);
}

void Driver::AbandonTarget() {
  if (target_process_.get() != nullptr) {
    TerminateProcess(target_process_.get(), 255);
  }
}

HWND Driver::FindBox() const {
  for (HWND window : TopLevelWindows()) {
    if (IsTarget(window) && IsWindowVisible(window) && ClassNameOf(window) == L"#32770") {
      return window;
    }
  }
  return nullptr;
}

HWND Driver::FindProgressWindow(const std::wstring& caption) const {
  for (HWND window : TopLevelWindows()) {
    if (IsTarget(window) && IsWindowVisible(window) && ClassNameOf(window) != L"#32770" &&
        CaptionOf(window) == caption) {
      return window;
    }
  }
  return nullptr;
}

HWND Driver::RequireProgressWindow() const {
  HWND window = FindProgressWindow(caption_);
  if (window == nullptr) {
    throw Failure("no-window", "the progress window is not shown");
  }
  return window;
}

const char* ButtonName(int id) {
  switch (id) {
    case IDOK:
      return "ok";
    case IDCANCEL:
      return "cancel";
    case IDABORT:
      return "abort";
    case IDRETRY:
      return "retry";
    case IDIGNORE:
      return "ignore";
    case IDYES:
      return "yes";
    case IDNO:
      return "no";
    case IDTRYAGAIN:
      return "tryagain";
    case IDCONTINUE:
      return "continue";
    default:
      return nullptr;
  }
}

std::string Driver::DescribeBox(HWND box, std::optional<double> click_to_box_ms) const {
  std::optional<std::wstring> text = ReadText(GetDlgItem(box, 0xFFFF));
  if (!text) {
    throw Failure("no-answer", "the message box did not answer WM_GETTEXT");
  }
  struct Button {
    int x;
    std::string name;
    bool is_default;
  };
  std::vector<Button> buttons;
  HWND icon_control = nullptr;
  for (HWND child : ChildWindows(box)) {
    if (!IsWindowVisible(child)) {
      continue;
    }
    std::wstring class_name = ClassNameOf(child);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if (SameTextIgnoringCase(class_name, L"Button")) {
      int id = GetDlgCtrlID(child);
      const char* name = ButtonName(id);
      buttons.push_back({RectInParent(child).left,
                         name != nullptr ? name : "id" + std::to_string(id),
                         (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON});
    } else if (SameTextIgnoringCase(class_name, L"Static") && (style & SS_TYPEMASK) == SS_ICON) {
      icon_control = child;
    }
  }
  std::sort(buttons.begin(), buttons.end(),
            [](const Button& a, const Button& b) { return a.x < b.x; });
  std::vector<std::string> names;
  std::vector<std::string> defaults;
  for (const Button& button : buttons) {
    names.push_back(JsonString(button.name));
    if (button.is_default) {
      defaults.push_back(JsonString(button.name));
    }
  }

  IconMatch icon;
  ULONGLONG start = GetTickCount64();
  do {
    icon = MatchStockIcon(icon_control);
    if (icon.kind != "unknown") {
      break;
    }
    Sleep(50);
  } while (Elapsed(start) < kIconSettleMs);
  JsonObject scores;
  for (const auto& [kind, score] : icon.scores) {
    scores.AddNumber(kind.c_str(), score);
  }

  HWND owner = GetWindow(box, GW_OWNER);
  JsonObject reply;
  reply.AddBool("ok", true)
      .AddText("title", CaptionOf(box))
      .AddText("text", *text)
      .AddRaw("buttons", JsonArray(names));
  if (click_to_box_ms) {
    reply.AddNumber("click_to_box_ms", *click_to_box_ms);
  }
  if (defaults.size() == 1) {
    reply.AddRaw("default", defaults.front());
  } else {
    reply.AddNull("default");
  }
  reply.AddText("icon", icon.kind).AddRaw("icon_scores", scores.Text());
  if (owner != nullptr) {
    reply.AddText("owner", CaptionOf(owner)).AddBool("owner_visible", IsWindowVisible(owner) != 0);
  } else {
    reply.AddNull("owner").AddBool("owner_visible", false);
  }
  return reply.Text();
}

// The id of a running process with that executable name (the last one listed).
// The executable's name of a running process, as the process list gives it; empty when gone.
std::wstring ProcessName(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::wstring name;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == pid) {
      name = entry.szExeFile;
    }
  }
  CloseHandle(snapshot);
  return name;
}

std::optional<DWORD> FindProcess(const std::wstring& name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    throw Failure("system", "CreateToolhelp32Snapshot failed");
  }
  std::optional<DWORD> found;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (SameTextIgnoringCase(entry.szExeFile, name)) {
      found = entry.th32ProcessID;
    }
  }
  CloseHandle(snapshot);
  return found;
}

std::string Driver::ProcessRunning(const Command& command) {
  if (command.args.empty()) {
    throw Failure("usage", "process-running NAME");
  }
  std::optional<DWORD> pid = FindProcess(command.args[0]);
  JsonObject reply;
  reply.AddBool("ok", true).AddBool("running", pid.has_value());
  if (pid) {
    reply.AddNumber("pid", static_cast<long long>(*pid));
  }
  return reply.Text();
}

std::string Driver::Attach(const Command& command) {
  if (command.args.empty()) {
    throw Failure("usage", "attach NAME TIMEOUT");
  }
  const std::wstring& name = command.args[0];
  long long timeout = TimeoutArg(command, 1);
  auto pid = PollUntil(timeout, [&]() { return FindProcess(name); });
  if (!pid) {
    throw Failure("timeout", "no process " + Narrow(name) + " appeared within " +
                                 std::to_string(timeout) + " ms");
  }
  target_pid_ = *pid;
  target_name_ = name;
  target_process_.Reset(OpenProcess(
      SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, *pid));
  return JsonObject().AddBool("ok", true).AddNumber("pid", static_cast<long long>(*pid)).Text();
}

std::string Driver::WaitBox(const Command& command) {
  long long timeout = TimeoutArg(command, 0);
  auto box = PollUntil(timeout, [&]() -> std::optional<HWND> {
    HWND found = FindBox();
    if (found == nullptr) {
      FailIfEnded("a message box");
    }
    return found != nullptr ? std::optional<HWND>(found) : std::nullopt;
  });
  if (!box) {
    throw Failure("timeout", "no message box appeared within " + std::to_string(timeout) + " ms");
  }
  return DescribeBox(*box);
}

std::string Driver::Press(const Command& command) {
  if (command.args.empty()) {
    throw Failure("usage", "press ok|yes|no|escape|close [TIMEOUT]");
  }
  std::string what = Narrow(command.args[0]);
  long long timeout = command.args.size() > 1 ? TimeoutArg(command, 1) : kDefaultPressTimeoutMs;
  HWND box = FindBox();
  if (box == nullptr) {
    throw Failure("no-box", "no message box is open");
  }
  if (what == "close") {
    // What the close box of the caption does.
    PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (what == "escape") {
    // A key press goes to the control with the focus; the box's modal loop turns Escape into
    // its cancel command. The default button holds the focus when the box opens.
    HWND target = nullptr;
    for (HWND child : ChildWindows(box)) {
      if (SameTextIgnoringCase(ClassNameOf(child), L"Button") && IsWindowVisible(child) &&
          (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        target = child;
      }
    }
    if (target == nullptr) {
      target = box;
    }
    PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  } else {
    int id = what == "ok" ? IDOK : what == "yes" ? IDYES : what == "no" ? IDNO : 0;
    if (id == 0) {
      throw Failure("usage", "press ok|yes|no|escape|close [TIMEOUT]");
    }
    HWND button = GetDlgItem(box, id);
    if (button == nullptr || !IsWindowVisible(button)) {
      throw Failure("no-button", "the message box has no " + what + " button");
    }
    PostMessageW(button, BM_CLICK, 0, 0);
  }
  auto gone = PollUntil(timeout, [&]() -> bool { return !IsWindow(box) || !IsWindowVisible(box); });
  if (!gone) {
    throw Failure("timeout", "the message box was still open " + std::to_string(timeout) +
                                 " ms after " + what);
  }
  return JsonObject().AddBool("ok", true).AddText("pressed", what).Text();
}

std::string Driver::WaitWindow(const Command& command) {
  long long timeout = TimeoutArg(command, 0);
  if (command.args.size() > 1) {
    caption_ = command.args[1];
  }
  auto window = PollUntil(timeout, [&]() -> std::optional<HWND> {
    HWND found = FindProgressWindow(caption_);
    if (found == nullptr) {
      FailIfEnded("the progress window");
    }
    return found != nullptr ? std::optional<HWND>(found) : std::nullopt;
  });
  if (!window) {
    throw Failure("timeout",
                  "the progress window did not appear within " + std::to_string(timeout) + " ms");
  }
  RECT client = {};
  GetClientRect(*window, &client);
  return JsonObject()
      .AddBool("ok", true)
      .AddText("title", CaptionOf(*window))
      .AddText("class", ClassNameOf(*window))
      .AddNumber("client_width", static_cast<long long>(client.right))
      .AddNumber("client_height", static_cast<long long>(client.bottom))
      .Text();
}

std::string Driver::WaitWindowGone(const Command& command) {
  long long timeout = TimeoutArg(command, 0);
  bool gone = PollUntil(timeout, [&]() -> bool { return FindProgressWindow(caption_) == nullptr; });
  if (!gone) {
    throw Failure("timeout",
                  "the progress window was still shown after " + std::to_string(timeout) + " ms");
  }
  return JsonObject().AddBool("ok", true).Text();
}

bool IsAt(HWND control, const LinePlace& place) {
  RECT rect = RectInParent(control);
  return std::abs(rect.left - place.left) <= kPlaceTolerance &&
         std::abs(rect.top - place.top) <= kPlaceTolerance &&
         std::abs(rect.right - rect.left - place.width) <= kPlaceTolerance &&
         std::abs(rect.bottom - rect.top - place.height) <= kPlaceTolerance;
}

Driver::Lines Driver::FindLines(HWND window) const {
  Lines lines;
  std::vector<std::string> seen;
  for (HWND child : ChildWindows(window)) {
    std::wstring class_name = ClassNameOf(child);
    if (SameTextIgnoringCase(class_name, L"Edit")) {
      if (IsAt(child, kStatusPlace)) {
        lines.status = child;
      } else if (IsAt(child, kDetailPlace)) {
        lines.detail = child;
      }
      RECT rect = RectInParent(child);
      seen.push_back(JsonString(
          "Edit at (" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ") " +
          std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top)));
    } else if (SameTextIgnoringCase(class_name, L"Button")) {
      lines.cancel = child;
    }
  }
  if (lines.status == nullptr || lines.detail == nullptr || lines.cancel == nullptr) {
    throw Failure("layout",
                  "the status line, the detail line or the Cancel button is missing; "
                  "children: " +
                      JsonArray(seen));
  }
  return lines;
}

std::string Driver::DescribeTexts(const Lines& lines) const {
  std::optional<std::wstring> status = ReadText(lines.status);
  std::optional<std::wstring> detail = ReadText(lines.detail);
  if (!status || !detail) {
    throw Failure("no-answer", "the progress window did not answer WM_GETTEXT");
  }
  return JsonObject()
      .AddBool("ok", true)
      .AddText("status", *status)
      .AddText("detail", *detail)
      .AddBool("cancel_enabled", IsWindowEnabled(lines.cancel) != FALSE)
      .Text();
}

std::string Driver::Texts() {
  return DescribeTexts(FindLines(RequireProgressWindow()));
}

std::optional<Driver::Lines> Driver::CurrentLines() const {
  HWND window = FindProgressWindow(caption_);
  if (window == nullptr) {
    return std::nullopt;
  }
  return FindLines(window);
}

std::string Driver::WaitLine(const Command& command, bool status) {
  if (command.args.empty()) {
    throw Failure("usage", command.name + " TEXT TIMEOUT");
  }
  const std::wstring& wanted = command.args[0];
  long long timeout = TimeoutArg(command, 1);
  // The window may still be about to appear: it is looked for on every pass.
  std::optional<std::wstring> last;
  auto lines = PollUntil(timeout, [&]() -> std::optional<Lines> {
    std::optional<Lines> current = CurrentLines();
    if (!current) {
      FailIfEnded("the progress window");
      return std::nullopt;
    }
    last = ReadText(status ? current->status : current->detail);
    if (!last || last->find(wanted) == std::wstring::npos) {
      return std::nullopt;
    }
    return current;
  });
  if (!lines) {
    throw Failure("timeout", std::string(status ? "the status" : "the detail") +
                                 " line did not show the text within " + std::to_string(timeout) +
                                 " ms; " +
                                 (last ? "it shows " + JsonString(*last)
                                       : std::string("the progress window was not shown")));
  }
  return DescribeTexts(*lines);
}

std::string Driver::WaitCancel(const Command& command) {
  if (command.args.empty() || (command.args[0] != L"enabled" && command.args[0] != L"disabled")) {
    throw Failure("usage", "wait-cancel enabled|disabled TIMEOUT");
  }
  bool want_enabled = command.args[0] == L"enabled";
  long long timeout = TimeoutArg(command, 1);
  auto lines = PollUntil(timeout, [&]() -> std::optional<Lines> {
    std::optional<Lines> current = CurrentLines();
    if (!current) {
      FailIfEnded("the progress window");
    }
    if (!current || (IsWindowEnabled(current->cancel) != FALSE) != want_enabled) {
      return std::nullopt;
    }
    return current;
  });
  if (!lines) {
    throw Failure("timeout", "the Cancel button did not become " + Narrow(command.args[0]) +
                                 " within " + std::to_string(timeout) + " ms");
  }
  return DescribeTexts(*lines);
}

std::string Driver::ClickCancel(const Command& command) {
  std::string method = command.args.empty() ? "input" : Narrow(command.args[0]);
  Lines lines = FindLines(RequireProgressWindow());
  if (method == "post") {
    PostMessageW(lines.cancel, BM_CLICK, 0, 0);
    return JsonObject().AddBool("ok", true).AddText("method", method).Text();
  }
  if (method != "input") {
    throw Failure("usage", "click-cancel [input|post]");
  }
  ClickCancelWithMouse();
  return JsonObject().AddBool("ok", true).AddText("method", method).Text();
}

std::string Driver::ClickCancelUntilBox(const Command& command) {
  long long timeout = TimeoutArg(command, 0);
  LARGE_INTEGER frequency = {}, clicked = {}, seen = {};
  QueryPerformanceFrequency(&frequency);
  ClickCancelWithMouse();
  QueryPerformanceCounter(&clicked);
  ULONGLONG start = GetTickCount64();
  HWND box = nullptr;
  while ((box = FindBox()) == nullptr) {
    FailIfEnded("the cancel question");
    if (Elapsed(start) >= timeout) {
      throw Failure("timeout", "no message box appeared within " + std::to_string(timeout) + " ms");
    }
    Sleep(1);
  }
  QueryPerformanceCounter(&seen);
  return DescribeBox(box, 1000.0 * static_cast<double>(seen.QuadPart - clicked.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
}

void Driver::ClickCancelWithMouse() {
  Lines lines = FindLines(RequireProgressWindow());
  RECT rect = {};
  GetWindowRect(lines.cancel, &rect);
  POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  HWND under = WindowFromPoint(centre);
  if (under != lines.cancel) {
    throw Failure("covered", "the Cancel button's centre is covered by another window (" +
                                 Narrow(ClassNameOf(under)) + ")");
  }
  if (!SetCursorPos(centre.x, centre.y)) {
    throw Failure("input", "SetCursorPos failed");
  }
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (SendInput(2, inputs, sizeof(INPUT)) != 2) {
    throw Failure("input", "SendInput failed");
  }
}

std::string DescribeSession() {
  SessionEvents events = ReadSessionEvents();
  return JsonObject()
      .AddBool("ok", true)
      .AddBool("requested", events.query_count > 0)
      .AddNumber("query_end_session", static_cast<long long>(events.query_count))
      .AddNumber("end_session", static_cast<long long>(events.end_count))
      .AddNumber("query_flags", static_cast<long long>(events.last_query_flags))
      .Text();
}

std::string Driver::Restart() {
  return DescribeSession();
}

std::string Driver::WaitRestart(const Command& command) {
  long long timeout = TimeoutArg(command, 0);
  bool seen = PollUntil(timeout, []() -> bool { return ReadSessionEvents().query_count > 0; });
  if (!seen) {
    throw Failure("timeout",
                  "no restart request arrived within " + std::to_string(timeout) + " ms");
  }
  return DescribeSession();
}

std::string Driver::Run(const Command& command) {
  const std::string& name = command.name;
  if (name == "attach") {
    return Attach(command);
  }
  if (name == "wait-box") {
    return WaitBox(command);
  }
  if (name == "press") {
    return Press(command);
  }
  if (name == "wait-window") {
    return WaitWindow(command);
  }
  if (name == "wait-window-gone") {
    return WaitWindowGone(command);
  }
  if (name == "texts") {
    return Texts();
  }
  if (name == "wait-status") {
    return WaitLine(command, true);
  }
  if (name == "wait-detail") {
    return WaitLine(command, false);
  }
  if (name == "wait-cancel") {
    return WaitCancel(command);
  }
  if (name == "click-cancel") {
    return ClickCancel(command);
  }
  if (name == "click-cancel-until-box") {
    return ClickCancelUntilBox(command);
  }
  if (name == "restart?") {
    return Restart();
  }
  if (name == "wait-restart") {
    return WaitRestart(command);
  }
  if (name == "process-running") {
    return ProcessRunning(command);
  }
  if (name == "windows") {
    return JsonObject().AddBool("ok", true).AddRaw("windows", DescribeTopLevelWindows()).Text();
  }
  throw Failure("usage", "unknown command " + JsonString(name));
}

void Reply(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace
}  // namespace zant::e2e

int wmain() {
  using namespace zant::e2e;
  bool watching = StartSessionWatch();
  Reply(JsonObject()
            .AddBool("ok", watching)
            .AddText("ready", "driver")
            .AddNumber("pid", static_cast<long long>(GetCurrentProcessId()))
            .Text());
  Driver driver;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    Command command;
    std::string error;
    if (!ParseCommand(line, &command, &error)) {
      Reply(Failure("usage", error).Reply(false));
      continue;
    }
    if (command.name.empty()) {
      continue;
    }
    if (command.name == "quit") {
      Reply(JsonObject().AddBool("ok", true).Text());
      return 0;
    }
    try {
      Reply(driver.Run(command));
    } catch (const Failure& failure) {
      Reply(failure.Reply(failure.is_timeout()));
    }
  }
  // The test went away (its end of the pipe closed) without quit: do not leave the program
  // under test behind, waiting in a message box for an answer that will never come.
  driver.AbandonTarget();
  return 0;
}
