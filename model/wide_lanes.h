#pragma once
// Whole-array loops marked TESSALINE_WIDE_LANES run in AVX2's wider lanes on processors that have
// it, chosen once at load time, and in the baseline instructions elsewhere;
// TESSALINE_WIDE_FLAT_LANES also inlines every call the loop makes, so that the calls run in the
// same lanes. The sanitizer builds do without the clones: the choice is made before their run-time
// is ready.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) && \
    !defined(__SANITIZE_THREAD__)
#define TESSALINE_WIDE_LANES __attribute__((target_clones("avx2", "default")))
#define TESSALINE_WIDE_FLAT_LANES __attribute__((target_clones("avx2", "default"), flatten))
#else
#define TESSALINE_WIDE_LANES
#define TESSALINE_WIDE_FLAT_LANES
#endif

// Hand-written AVX2 passes: TESSALINE_AVX2_PASSES is defined where the compiler can build them,
// TESSALINE_AVX2 marks their functions; callers choose them at run time (widestLanes()).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TESSALINE_AVX2_PASSES 1
#define TESSALINE_AVX2 __attribute__((target("avx2")))
#endif
