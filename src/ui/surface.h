#pragma once

#include <functional>
#include <string>

namespace zant {

enum class Buttons { kOk, kYesNo };
enum class Icon { kInformation, kWarning, kError };
enum class Answer { kOk, kYes, kNo };

// What the progress window draws and asks, and nothing of the run itself. The real surface is
// a Win32 window; tests use a recording surface that answers message boxes from a script.
class Surface {
 public:
  virtual ~Surface() = default;

  // Called (inside PumpEvents) when the user presses the Cancel button.
  virtual void SetCancelHandler(std::function<void()> on_cancel) = 0;
  // Shows the window, not modal. Cancel has the keyboard focus.
  virtual void Show() = 0;
  // Destroys the window. Further text calls are ignored; message boxes then have no owner.
  virtual void Unload() = 0;
  // Replace the text of the status or detail line and repaint that line at once.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetDetailText(const std::string& text) = 0;
  // Process every pending window event (paints, input, a Cancel click) without waiting.
  virtual void PumpEvents() = 0;
  // Disable the Cancel button and repaint it at once.
  virtual void DisableCancel() = 0;
  // A modal message box; the first button is the default.
  virtual Answer MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                            Icon icon) = 0;
  // The native window handle (HWND), or nullptr when there is no window.
  virtual void* NativeHandle() const = 0;
};

}  // namespace zant
