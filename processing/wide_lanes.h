#pragma once
// Whole-array loops across positions run, on processors with AVX2, in its wider lanes, chosen once
// at load time, elsewhere in the baseline instructions. The sanitizer builds keep one version.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define TESSALINE_WIDE_LANES __attribute__((target_clones("avx2", "default"), flatten))
#else
#define TESSALINE_WIDE_LANES
#endif
