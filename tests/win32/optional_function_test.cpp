#include "platform/win32/optional_function.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/side_by_side.h"
#include "platform/win32/system_case.h"
#include "platform/win32/wide.h"

// The fallbacks of the functions newer than Windows 95 and NT 4.0, run here, where Wine has
// every function, with a rule that makes the look-ups fail as on those systems.

namespace zant::win32 {
namespace {

// What NT 4.0 has: ntdll's upper-case table, none of the newer functions.
bool MissingAfterNt4(const char*, const char* name) {
  return std::string(name) != "RtlUpcaseUnicodeChar";
}

// What the 95 family has: none of them.
bool MissingAll(const char*, const char*) {
  return true;
}

struct Answers {
  std::string upper;
  int order;
  bool has_activation_contexts;
};

Answers Ask(MissingFunctionRule rule) {
  SetMissingFunctionRule(rule);
  // über Ωmega ЖЖ straße, and an ordering in which only the case of non-ASCII letters decides.
  Answers answers{SystemUpperCase("\xC3\xBC"
                                  "ber \xCE\xA9mega \xD0\x96\xD0\xB6 stra\xC3\x9F"
                                  "e"),
                  CompareNamesIgnoringCase(L"\u00fcber", 4, L"\u00dcBER", 4) == 0 &&
                          CompareNamesIgnoringCase(L"\u00e9t\u00e9", 3, L"\u00c9TA", 3) > 0
                      ? 1
                      : 0,
                  CommonControlsContext::Available()};
  SetMissingFunctionRule(nullptr);
  return answers;
}

TEST(OptionalFunctions, FallbacksAnswerAsTheNewerFunctionsDo) {
  const Answers newest = Ask(nullptr);
  EXPECT_EQ(newest.upper,
            "\xC3\x9C"
            "BER \xCE\xA9MEGA \xD0\x96\xD0\x96 STRA\xC3\x9F"
            "E");
  EXPECT_EQ(newest.order, 1);
  EXPECT_TRUE(newest.has_activation_contexts);
  for (MissingFunctionRule rule : {&MissingAfterNt4, &MissingAll}) {
    SCOPED_TRACE(rule == &MissingAll ? "as the 95 family" : "as NT 4.0");
    const Answers older = Ask(rule);
    EXPECT_EQ(older.upper, newest.upper);
    EXPECT_EQ(older.order, newest.order);
    EXPECT_FALSE(older.has_activation_contexts);
  }
  // Looked up again once the rule is gone.
  EXPECT_NE(FindSystemFunction("kernel32.dll", "CompareStringOrdinal"), nullptr);
}

}  // namespace
}  // namespace zant::win32
