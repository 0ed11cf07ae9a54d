#include "support/recording_surface.h"

#include <algorithm>
#include <stdexcept>

namespace zant::test {

void RecordingSurface::ScriptAnswers(std::vector<Answer> answers) {
  answers_.assign(answers.begin(), answers.end());
}

void RecordingSurface::ClickCancelAtPump(int n) {
  cancel_at_.push_back(pumps + n);
}

void RecordingSurface::SetCancelHandler(std::function<void()> on_cancel) {
  on_cancel_ = std::move(on_cancel);
}

void RecordingSurface::Show() {
  visible = true;
  calls.push_back("show");
}

void RecordingSurface::Unload() {
  visible = false;
  unloaded = true;
  calls.push_back("unload");
}

void RecordingSurface::SetStatusText(const std::string& text) {
  if (unloaded) {
    return;
  }
  status_text = text;
  statuses.push_back(text);
  calls.push_back("status:" + text);
}

void RecordingSurface::SetDetailText(const std::string& text) {
  if (unloaded) {
    return;
  }
  detail_text = text;
  details.push_back(text);
  calls.push_back("detail:" + text);
}

void RecordingSurface::PumpEvents() {
  ++pumps;
  auto it = std::find(cancel_at_.begin(), cancel_at_.end(), pumps);
  if (it != cancel_at_.end()) {
    cancel_at_.erase(it);
    if (cancel_enabled && visible && on_cancel_) {
      on_cancel_();
    }
  }
}

void RecordingSurface::DisableCancel() {
  cancel_enabled = false;
  calls.push_back("disable-cancel");
}

Answer RecordingSurface::MessageBox(const std::string& text, const std::string& title,
                                    Buttons buttons, Icon icon) {
  Box box{text, title, buttons, icon};
  boxes.push_back(box);
  calls.push_back("box:" + title);
  if (on_box) {
    on_box(box);
  }
  Answer answer = buttons == Buttons::kOk ? Answer::kOk : Answer::kYes;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (buttons == Buttons::kOk && answer != Answer::kOk) {
    throw std::logic_error("scripted a Yes/No answer for an OK box: " + text);
  }
  return answer;
}

void* RecordingSurface::NativeHandle() const {
  return nullptr;
}

}  // namespace zant::test
