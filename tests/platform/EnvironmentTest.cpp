#include "platform/Environment.h"

#include <gtest/gtest.h>

namespace quadrell {
namespace {

TEST(LargeMemoryPagesTest, AddsTheSettingOnlyWhereTheUserMadeNone) {
  struct Case {
    const char* current;
    const char* wanted;
  };
  const Case cases[] = {
      {nullptr, "glibc.malloc.hugetlb=1"},
      {"", "glibc.malloc.hugetlb=1"},
      {"glibc.malloc.check=3", "glibc.malloc.check=3:glibc.malloc.hugetlb=1"},
      // The user's own choice, also turning it off, is kept: no restart.
      {"glibc.malloc.hugetlb=0", ""},
      {"glibc.malloc.check=3:glibc.malloc.hugetlb=2", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TunablesWithLargePages(c.current), c.wanted) << (c.current ? c.current : "(unset)");
  }
}

}  // namespace
}  // namespace quadrell
