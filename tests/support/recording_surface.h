#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/surface.h"

namespace zant::test {

// A surface that records every call as a line of text and answers message boxes from a script.
// A Cancel click can be delivered at a chosen pump.
class RecordingSurface : public Surface {
 public:
  struct Box {
    std::string text;
    std::string title;
    Buttons buttons;
    Icon icon;
  };

  // Answers for the next message boxes, in order; a box without a scripted answer gets Yes or
  // OK. A box whose answer is kNo on an OK box is a test error.
  void ScriptAnswers(std::vector<Answer> answers);
  // Deliver a Cancel click during the n-th call of PumpEvents (1-based, counted from now on).
  void ClickCancelAtPump(int n);
  // Called with each message box before it is answered (to look at the world at that moment).
  std::function<void(const Box&)> on_box;

  void SetCancelHandler(std::function<void()> on_cancel) override;
  void Show() override;
  void Unload() override;
  void SetStatusText(const std::string& text) override;
  void SetDetailText(const std::string& text) override;
  void PumpEvents() override;
  void DisableCancel() override;
  Answer MessageBox(const std::string& text, const std::string& title, Buttons buttons,
                    Icon icon) override;
  void* NativeHandle() const override;

  // Every call, in order: "show", "unload", "status:<text>", "detail:<text>", "disable-cancel",
  // "box:<title>". Pumps are counted, not recorded.
  std::vector<std::string> calls;
  std::vector<Box> boxes;
  std::vector<std::string> statuses;
  std::vector<std::string> details;
  std::string status_text;
  std::string detail_text;
  int pumps = 0;
  bool visible = false;
  bool unloaded = false;
  bool cancel_enabled = true;

 private:
  std::function<void()> on_cancel_;
  std::deque<Answer> answers_;
  std::vector<int> cancel_at_;
};

}  // namespace zant::test
