#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace zant::e2e {

// How long a cross-process message may take before the other program counts as not answering.
// The program under test answers only while it processes window events (at its yield points or
// in a modal loop), so this is generous.
constexpr UINT kAnswerTimeoutMs = 3000;

std::wstring ClassNameOf(HWND window);
DWORD ProcessOf(HWND window);

// The window's text through WM_GETTEXT (works across processes and for edit controls, whose
// text the system does not keep). Nothing when the owner did not answer in time.
std::optional<std::wstring> ReadText(HWND window);

// Top-level windows in z-order, and the direct children of a window.
std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildWindows(HWND parent);

// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// A JSON array describing every top-level window (for timeout reports).
std::string DescribeTopLevelWindows();

}  // namespace zant::e2e
