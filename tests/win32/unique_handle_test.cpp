#include "platform/win32/unique_handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace zant::win32 {
namespace {

// Records which handles were released, in order.
std::vector<HANDLE> released;
void RecordRelease(HANDLE handle) {
  released.push_back(handle);
}

HANDLE Fake(intptr_t n) {
  return reinterpret_cast<HANDLE>(n);
}

using NullEmpty = UniqueHandle<HANDLE, RecordRelease>;
using InvalidEmpty = UniqueHandle<HANDLE, RecordRelease, kInvalidHandleValue>;

// Every handle taken is released exactly once, whichever way its owner lets go, and an empty
// value (0, and INVALID_HANDLE_VALUE for the kinds that fail with it) is never handed to the
// release function.
TEST(UniqueHandleTest, ReleasesEachHandleOnceAndNeverTheEmptyValue) {
  released.clear();
  {
    NullEmpty none;
    InvalidEmpty failed(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none.valid());
    EXPECT_FALSE(failed.valid());
    // What a stub of the 95 family answers for a file it could not open.
    InvalidEmpty stub_failure(Fake(0));
    EXPECT_FALSE(stub_failure.valid());

    NullEmpty a(Fake(1));
    NullEmpty b(Fake(2));
    b = std::move(a);  // 2 goes, b holds 1, a holds nothing
    EXPECT_FALSE(a.valid());
    NullEmpty c(std::move(b));  // 1 moves on, nothing released
    c.reset(Fake(3));           // 1 goes
    *c.put() = Fake(4);         // 3 goes before the out-parameter is written
    NullEmpty kept(Fake(5));
    EXPECT_EQ(kept.release(), Fake(5));  // given up: never released
  }                                      // c's 4 goes
  EXPECT_EQ(released, (std::vector<HANDLE>{Fake(2), Fake(1), Fake(3), Fake(4)}));
}

}  // namespace
}  // namespace zant::win32
