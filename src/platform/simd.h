// Inner loops that pay for AVX2 are cloned for it beside the baseline x86-64 version; the
// processor's features pick the clone once at load time, so the build stays portable. Other
// compilers and processors get the one baseline version.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define GK_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define GK_SIMD_CLONES
#endif
#define GK_INLINE inline __attribute__((always_inline))

// Functions built for AVX2 alone, called only where HasAvx2 says the processor runs them.
#define GK_AVX2 __attribute__((target("avx2")))
inline bool HasAvx2() {
    return __builtin_cpu_supports("avx2");
}
