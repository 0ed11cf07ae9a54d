#include "platform/win32/optional_function.h"

namespace zant::win32 {

namespace {

MissingFunctionRule missing_rule = nullptr;
uint32_t rule_generation = 0;

}  // namespace

FARPROC FindSystemFunction(const char* library, const char* name) {
  if (missing_rule && missing_rule(library, name)) {
    return nullptr;
  }
  // The A form: the 95 family only stubs GetModuleHandleW.
  HMODULE module = GetModuleHandleA(library);
  return module ? GetProcAddress(module, name) : nullptr;
}

void SetMissingFunctionRule(MissingFunctionRule rule) {
  missing_rule = rule;
  ++rule_generation;
}

uint32_t MissingFunctionRuleGeneration() {
  return rule_generation;
}

}  // namespace zant::win32
