// AVX2 code on x86: the intrinsics, and KOVRA_AVX2 to compile one function for AVX2 whatever
// the build's target (callers check the processor first). KOVRA_HAVE_AVX2_PATH is 1 where
// such code can be built at all.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KOVRA_HAVE_AVX2_PATH 1
#define KOVRA_AVX2 __attribute__((target("avx2")))
#endif
