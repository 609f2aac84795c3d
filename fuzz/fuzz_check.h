// What a fuzz target asserts. A broken invariant prints where and what before
// the process aborts, so that the fuzzer's report names it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                           \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: %s\n  failed: %s\n", __FILE__, __LINE__, what, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)
