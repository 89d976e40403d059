// Vector versions of the neighbour blur and the grain, for the two 16-bit layouts (5-6-5 and
// 5-5-5). They compute the component table's split as shifts and masks (in 5-5-5 a pixel with
// the unused top bit set splits as black, as its table entry does) and give the reference
// walks' pixels bit for bit.
//
// The blur is in place: a pixel's left and upper neighbours are already blurred when it is
// computed, so no two pixels of one row are independent. Pixels on one anti-diagonal are: a
// strip of 16 rows is turned into columns, row r shifted right by r pixels, so that step t
// blurs pixel (t - r) of every row r at once, reading step t - 1 (left, and shifted one lane:
// above) and step t + 1 (right, and shifted: below). The strip is turned back afterwards.
#include <immintrin.h>

#include <cstring>
#include <vector>

#include "effects/effects.h"

namespace {

using gkDraw::RegionFrame;
using gkDraw::Rgb;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define GK_SIMD_CLONES __attribute__((target_clones("avx2", "default")))
#define GK_AVX2 __attribute__((target("avx2")))
#define GK_HAVE_AVX2_PATH 1
#else
#define GK_SIMD_CLONES
#define GK_HAVE_AVX2_PATH 0
#endif

// Where each 5-bit component sits (its placement shift), and the bits that make a 5-5-5 pixel
// split as black. Only the two layouts whose component table is this formula qualify.
struct Layout {
    int red = 0, green = 0;  // blue is at bit 0
    uint16_t dead = 0;
};
bool FormulaLayout(Layout* layout) {
    const gkScreenState& s = gkScreen;
    const uint32_t used = s.RedMask | s.GreenMask | s.BlueMask;
    if (s.Blue5Shift != 0) return false;
    if (s.Red5Shift == 11 && s.Green5Shift == 6 && used == 0xFFFF) {
        *layout = {11, 6, 0};
    } else if (s.Red5Shift == 10 && s.Green5Shift == 5 && used == 0x7FFF) {
        *layout = {10, 5, 0x8000};
    } else {
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Grain
// ---------------------------------------------------------------------------------------------

typedef uint16_t V16 __attribute__((vector_size(32)));
typedef uint8_t V8 __attribute__((vector_size(16)));
constexpr int kLanes = 16;

uint16_t GrainedPixel(uint16_t v, int z, Rgb add, Layout l) {
    if (v & l.dead) v = 0;
    const auto raise = [&](int at, int on) {
        return std::min(31, ((v >> at) & 31) + z * on) << at;
    };
    return static_cast<uint16_t>(raise(l.red, add.r) | raise(l.green, add.g) | raise(0, add.b));
}

// Sixteen pixels at a time while the cursor has sixteen entries left before the table's end;
// the pixels around a jump go one by one through the cursor.
GK_SIMD_CLONES void GrainRows(const RegionFrame& f, Rgb add, int shift, int32_t* cursor, Layout l) {
    for (int j = 0; j < f.h; ++j) {
        uint16_t* row = f.Back(f.x, f.y + j);
        int i = 0;
        for (; i + kLanes <= f.w && *cursor + kLanes < gk::kNoiseEntries; i += kLanes) {
            V16 v;
            V8 noise;
            std::memcpy(&v, row + i, sizeof v);
            std::memcpy(&noise, gkEffectTables.Noise + *cursor, sizeof noise);
            const V16 z = __builtin_convertvector(noise, V16) << shift;
            v &= ~static_cast<V16>((v & l.dead) != 0);
            V16 c[3] = {(v >> l.red) & 31, (v >> l.green) & 31, v & 31};
            const int on[3] = {add.r, add.g, add.b}, at[3] = {l.red, l.green, 0};
            v = V16{};
            for (int k = 0; k < 3; ++k) {
                if (on[k]) c[k] += z;
                v |= (c[k] > 31 ? V16{} + 31 : c[k]) << at[k];
            }
            std::memcpy(row + i, &v, sizeof v);
            *cursor += kLanes;
        }
        for (; i < f.w; ++i)
            row[i] = GrainedPixel(row[i], gkDraw::NextNoiseJumping(cursor) << shift, add, l);
    }
}

// ---------------------------------------------------------------------------------------------
// Neighbour blur
// ---------------------------------------------------------------------------------------------

#if GK_HAVE_AVX2_PATH

// One step of a strip: sixteen pixels, one per row.
struct alignas(32) Block {
    uint16_t lanes[16];
};

// Sixteen vectors of sixteen pixels turned about their diagonal: out[k] lane r = in[r] lane k.
GK_AVX2 inline void Transpose8Halves(__m256i* a) {
    __m256i b[8], c[8];
    for (int i = 0; i < 4; ++i) {
        b[2 * i] = _mm256_unpacklo_epi16(a[2 * i], a[2 * i + 1]);
        b[2 * i + 1] = _mm256_unpackhi_epi16(a[2 * i], a[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        c[4 * i] = _mm256_unpacklo_epi32(b[4 * i], b[4 * i + 2]);
        c[4 * i + 1] = _mm256_unpackhi_epi32(b[4 * i], b[4 * i + 2]);
        c[4 * i + 2] = _mm256_unpacklo_epi32(b[4 * i + 1], b[4 * i + 3]);
        c[4 * i + 3] = _mm256_unpackhi_epi32(b[4 * i + 1], b[4 * i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        a[2 * i] = _mm256_unpacklo_epi64(c[i], c[i + 4]);
        a[2 * i + 1] = _mm256_unpackhi_epi64(c[i], c[i + 4]);
    }
}
GK_AVX2 inline void Transpose16(__m256i* a) {
    Transpose8Halves(a);
    Transpose8Halves(a + 8);
    for (int k = 0; k < 8; ++k) {
        const __m256i top = a[k], bottom = a[k + 8];
        a[k] = _mm256_permute2x128_si256(top, bottom, 0x20);
        a[k + 8] = _mm256_permute2x128_si256(top, bottom, 0x31);
    }
}

// Lane r takes lane r - 1 of v; lane 0 takes lane 15 of from.
GK_AVX2 inline __m256i ShiftUp(__m256i v, __m256i from) {
    return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(from, v, 0x21), 14);
}
// Lane r takes lane r + 1 of v; lane 15 takes lane 0 of from.
GK_AVX2 inline __m256i ShiftDown(__m256i v, __m256i from) {
    return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, from, 0x21), v, 2);
}

// The blur of sixteen pixels from their four neighbours. Each neighbour's red is summed at bit
// 9, green at its placement, blue at bit 0; no sum leaves its 16 bits.
template <int Red, int Green>
struct BlurMath {
    __m256i coolR, coolG, coolB;
    GK_AVX2 explicit BlurMath(Rgb cool)
        : coolR(_mm256_set1_epi16(static_cast<int16_t>(cool.r << Red))),
          coolG(_mm256_set1_epi16(static_cast<int16_t>(cool.g << Green))),
          coolB(_mm256_set1_epi16(static_cast<int16_t>(cool.b))) {}
    GK_AVX2 static __m256i Live(__m256i v) {
        return Red == 10 ? _mm256_andnot_si256(_mm256_srai_epi16(v, 15), v) : v;
    }
    GK_AVX2 static __m256i Red9(__m256i v) {
        return _mm256_and_si256(_mm256_srli_epi16(v, Red - 9), _mm256_set1_epi16(0x3E00));
    }
    GK_AVX2 static __m256i GreenBits(__m256i v) {
        return _mm256_and_si256(v, _mm256_set1_epi16(31 << Green));
    }
    GK_AVX2 static __m256i BlueBits(__m256i v) {
        return _mm256_and_si256(v, _mm256_set1_epi16(31));
    }
    GK_AVX2 static __m256i Sum(__m256i a, __m256i b, __m256i c, __m256i d) {
        return _mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, d));
    }
    GK_AVX2 __m256i Average(__m256i a, __m256i b, __m256i c, __m256i d) const {
        const __m256i sr = Sum(Red9(a), Red9(b), Red9(c), Red9(d));
        const __m256i sg = Sum(GreenBits(a), GreenBits(b), GreenBits(c), GreenBits(d));
        const __m256i sb = Sum(BlueBits(a), BlueBits(b), BlueBits(c), BlueBits(d));
        const __m256i r = _mm256_slli_epi16(_mm256_srli_epi16(sr, 11), Red);
        const __m256i g = GreenBits(_mm256_srli_epi16(sg, 2));
        const __m256i bl = _mm256_srli_epi16(sb, 2);
        return _mm256_or_si256(
            _mm256_or_si256(_mm256_subs_epu16(r, coolR), _mm256_subs_epu16(g, coolG)),
            _mm256_subs_epu16(bl, coolB));
    }
};

// One strip: rows first .. first + 15 of the frame (all inner rows), with its row above already
// blurred and its row below not yet.
template <int Red, int Green>
GK_AVX2 void BlurStrip(const RegionFrame& f, int first, const BlurMath<Red, Green>& math,
                       std::vector<Block>& blocks, std::vector<uint16_t>& above,
                       std::vector<uint16_t>& below) {
    __m256i* d = reinterpret_cast<__m256i*>(blocks.data());
    const int w = f.w, steps = static_cast<int>(blocks.size()) - 1;
    alignas(32) uint16_t lanes[kLanes];
    const auto row = [&](int r) { return f.Back(f.x, f.y + first + r); };
    // The rows above and below, padded by kLanes on each side.
    const auto live = [](uint16_t v) { return Red == 10 && (v & 0x8000) ? uint16_t{0} : v; };
    for (int c = 0; c < w; ++c) {
        above[kLanes + c] = live(row(-1)[c]);
        below[kLanes + c] = live(row(kLanes)[c]);
    }
    // In: step t, lane r = pixel t - r of row r.
    for (int t0 = 0; t0 < steps; t0 += kLanes) {
        __m256i* block = d + t0;
        for (int r = 0; r < kLanes; ++r) {
            const int c0 = t0 - r;
            if (c0 >= 0 && c0 + kLanes <= w) {
                block[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row(r) + c0));
                continue;
            }
            for (int k = 0; k < kLanes; ++k)
                lanes[k] = c0 + k >= 0 && c0 + k < w ? row(r)[c0 + k] : 0;
            block[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
        }
        Transpose16(block);
        for (int k = 0; k < kLanes; ++k) block[k] = math.Live(block[k]);
    }
    // Blur: column t - r of lane r must lie in 1 .. w - 2, which holds for every lane from step
    // 16 to w - 2; other steps keep the lanes outside it.
    const __m256i lane = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m256i lastInner = _mm256_set1_epi16(static_cast<int16_t>(w - 1));
    __m256i prev = d[0];
    for (int t = 1; t <= w - 2 + kLanes - 1; ++t) {
        const __m256i next = d[t + 1];
        const __m256i up = ShiftUp(
            prev, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above.data() + t + 1)));
        const __m256i down = ShiftDown(
            next, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below.data() + t + 1)));
        __m256i blurred = math.Average(prev, next, up, down);
        if (t < kLanes || t > w - 2) {
            const __m256i col = _mm256_sub_epi16(_mm256_set1_epi16(static_cast<int16_t>(t)), lane);
            const __m256i inner = _mm256_and_si256(_mm256_cmpgt_epi16(col, _mm256_setzero_si256()),
                                                   _mm256_cmpgt_epi16(lastInner, col));
            blurred = _mm256_blendv_epi8(d[t], blurred, inner);
        }
        d[t] = prev = blurred;
    }
    // Out: the inner columns of each row.
    for (int t0 = 0; t0 < steps; t0 += kLanes) {
        __m256i block[kLanes];
        std::memcpy(block, d + t0, sizeof block);
        Transpose16(block);
        for (int r = 0; r < kLanes; ++r) {
            const int c0 = t0 - r;
            if (c0 >= 1 && c0 + kLanes <= w - 1) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(row(r) + c0), block[r]);
                continue;
            }
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), block[r]);
            for (int k = 0; k < kLanes; ++k)
                if (c0 + k >= 1 && c0 + k <= w - 2) row(r)[c0 + k] = lanes[k];
        }
    }
}

// Whole strips of 16 inner rows; returns the first inner row left to the reference.
template <int Red, int Green>
GK_AVX2 int BlurStrips(const RegionFrame& f, Rgb cool) {
    const BlurMath<Red, Green> math(cool);
    // Steps 0 .. w + 14 in whole blocks, and one more read past the last.
    const int steps = (f.w + kLanes - 1 + kLanes - 1) / kLanes * kLanes;
    std::vector<Block> d(steps + 1);
    std::vector<uint16_t> above(steps + 2 * kLanes), below(steps + 2 * kLanes);
    int first = 1;
    for (; first + kLanes - 1 <= f.h - 2; first += kLanes)
        BlurStrip(f, first, math, d, above, below);
    return first;
}

#endif

}  // namespace

namespace gkDraw {

bool GrainWalkFast(const RegionFrame& f, Rgb add, int shift, int32_t* cursor) {
    Layout layout;
    if (!FormulaLayout(&layout)) return false;
    GrainRows(f, add, shift, cursor, layout);
    return true;
}

bool BlurWalkFast(const RegionFrame& f, Rgb cool) {
#if GK_HAVE_AVX2_PATH
    Layout layout;
    // Lane columns are compared as signed 16-bit values.
    if (!FormulaLayout(&layout) || f.w < 2 * kLanes || f.w > 30000 || f.h < kLanes + 2 ||
        !__builtin_cpu_supports("avx2"))
        return false;
    const int first = layout.red == 11 ? BlurStrips<11, 6>(f, cool) : BlurStrips<10, 5>(f, cool);
    // The rows below the last whole strip, reading the strip's last row as their row above.
    RegionFrame rest = f;
    rest.y += first - 1;
    rest.h -= first - 1;
    BlurWalk(rest, cool);
    return true;
#else
    (void)f;
    (void)cool;
    return false;
#endif
}

}  // namespace gkDraw
