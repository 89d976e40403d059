// Sixteen 16-bit pixels read at once from offsets into one surface, with AVX2 gathers, for the
// effects that map every destination pixel to a source pixel of their own (rotation, tunnel).
// A gather reads 32 bits, the pixel and the one after it, and keeps the low half; the surface's
// last pixel has nothing after it, so a lane at that offset takes its value from a register.
#pragma once

#include "effects/effects.h"

#if GK_AVX2_BUILT

#include <immintrin.h>

namespace gkDraw {

struct PixelGather {
    const int* base;    // offset 0
    __m256i lastPixel;  // offset of the surface's last pixel
    __m256i lastValue;  // its value

    GK_AVX2 PixelGather(const plat::Surface* surface, const uint16_t* origin) {
        const auto* end =
            reinterpret_cast<const uint16_t*>(surface->pixels.data() + surface->pixels.size());
        base = reinterpret_cast<const int*>(origin);
        lastPixel = _mm256_set1_epi32(static_cast<int>(end - 1 - origin));
        lastValue = _mm256_set1_epi32(end[-1]);
    }
    // The pixels at offsets low (lanes 0-7) and high (8-15); lanes from count on are not read.
    GK_AVX2_INLINE __m256i Read(__m256i low, __m256i high, int count = 16) const {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i keep = _mm256_set1_epi32(0xFFFF);
        const __m256i a = Half(low, _mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane));
        const __m256i b = Half(high, _mm256_cmpgt_epi32(_mm256_set1_epi32(count - 8), lane));
        return _mm256_permute4x64_epi64(
            _mm256_packus_epi32(_mm256_and_si256(a, keep), _mm256_and_si256(b, keep)), 0xD8);
    }
    GK_AVX2_INLINE __m256i Half(__m256i offsets, __m256i used) const {
        const __m256i inside = _mm256_and_si256(used, _mm256_cmpgt_epi32(lastPixel, offsets));
        return _mm256_mask_i32gather_epi32(lastValue, base, offsets, inside, 2);
    }
};

}  // namespace gkDraw

#endif
