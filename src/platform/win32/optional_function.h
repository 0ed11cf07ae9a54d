#pragma once

#include <windows.h>

#include <cstdint>

namespace zant::win32 {

// A function of a system library that not every supported Windows has (the oldest are 95 and
// NT 4.0): the program imports none of them, since the loader would refuse to start it where
// one is missing, and looks each up here instead, falling back to what the older system offers.
// `library` names a library the process has already loaded ("kernel32.dll", "ntdll.dll",
// "user32.dll" ...); the answer is null where the library or the function is missing.
FARPROC FindSystemFunction(const char* library, const char* name);

// For tests: a rule that declares functions missing, as an older Windows would answer (true:
// missing). Null goes back to asking the system only.
using MissingFunctionRule = bool (*)(const char* library, const char* name);
void SetMissingFunctionRule(MissingFunctionRule rule);

// Counts the rule's changes, so that a looked-up function is looked up again after one.
uint32_t MissingFunctionRuleGeneration();

// One such function, looked up at its first use (and again after the rule changes). Declared
// static where it is used: OptionalFunction<Fn> f("kernel32.dll", "Name"); if (Fn fn = f.Get())
template <typename Fn>
class OptionalFunction {
 public:
  OptionalFunction(const char* library, const char* name) : library_(library), name_(name) {}

  Fn Get() {
    uint32_t generation = MissingFunctionRuleGeneration();
    if (!looked_up_ || generation != generation_) {
      // Through the generic function pointer type, which converts to any other without a
      // warning.
      function_ =
          reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(FindSystemFunction(library_, name_)));
      generation_ = generation;
      looked_up_ = true;
    }
    return function_;
  }

 private:
  const char* library_;
  const char* name_;
  Fn function_ = nullptr;
  uint32_t generation_ = 0;
  bool looked_up_ = false;
};

}  // namespace zant::win32
