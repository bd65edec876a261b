#pragma once

// A property check that stays on in every build type: a broken property must stop the fuzzer
// with the input that broke it, whatever NDEBUG says.

#include <cstdio>
#include <cstdlib>

#define HEADROOM_FUZZ_CHECK(condition)                                                         \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
