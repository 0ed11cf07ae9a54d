#pragma once

namespace zant::win32 {

// No system error box in the middle of a run: a drive without a disc, a file the system cannot
// open, a library the loader refuses (a bad image, a missing dependency) fail as calls, and the
// run reports them its own way (a component that does not load is a line in the log). The
// start-up routine calls this first, before any file is touched or library loaded.
void KeepSystemErrorBoxesAway();

// The error mode the updater was started with, for the programs it starts while an owner
// lives: an installer then behaves as it would when started by hand. Set around the start,
// since every Windows hands a new process its parent's mode (the flag that would say
// otherwise is not documented for the 95 family).
class StartedWithOwnErrorMode {
 public:
  StartedWithOwnErrorMode();
  ~StartedWithOwnErrorMode();
  StartedWithOwnErrorMode(const StartedWithOwnErrorMode&) = delete;
  StartedWithOwnErrorMode& operator=(const StartedWithOwnErrorMode&) = delete;

 private:
  unsigned int run_mode_;
};

}  // namespace zant::win32
