// Inner loops that pay for AVX2 are built for it beside the baseline x86-64 version and chosen
// by the processor's features, so the build stays portable. GK_SIMD_CLONES clones a function and
// lets the loader pick the clone once; GK_AVX2 builds a function for AVX2 alone, to be called
// only where plat::HasAvx2 says the processor runs it. Elsewhere only the baseline code exists.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define GK_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define GK_SIMD_CLONES
#endif

// GK_AVX512 builds a function for AVX-512 (byte and word lanes, with BMI2), to be called only
// where plat::HasAvx512 says the processor runs it.
#if defined(__x86_64__) && defined(__GNUC__)
#define GK_AVX2_BUILT 1
#define GK_AVX2 __attribute__((target("avx2")))
#define GK_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))
#define GK_AVX512_BUILT 1
#define GK_AVX512 __attribute__((target("avx512f,avx512bw,bmi2")))
#else
#define GK_AVX2_BUILT 0
#define GK_AVX2
#define GK_AVX2_INLINE inline
#define GK_AVX512_BUILT 0
#define GK_AVX512
#endif

#define GK_INLINE inline __attribute__((always_inline))

namespace plat {

inline bool HasAvx2() {
#if GK_AVX2_BUILT
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

inline bool HasAvx512() {
#if GK_AVX512_BUILT
    static const bool has = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi2");
    return has;
#else
    return false;
#endif
}

}  // namespace plat
