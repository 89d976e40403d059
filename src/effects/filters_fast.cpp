// AVX2 versions of the neighbour blur and the grain walks for the two 16-bit layouts (5-6-5
// and 5-5-5), where they run (gkDraw::Avx2Loops); elsewhere the reference walks run. They
// compute the component table's split as shifts and masks (in 5-5-5 a pixel with the unused top bit
// set splits as black, as its table entry does) and give the reference walks' pixels bit for bit.
//
// The blur is in place: a pixel's left and upper neighbours are already blurred when it is
// computed, so no two pixels of one row are independent, but the pixels of one anti-diagonal
// are. A strip of 16 rows is turned into columns, row r shifted right by r pixels, so that step
// t blurs pixel t - r of every row r at once from step t - 1 (left; one lane over: above) and
// step t + 1 (right; one lane over: below). Several strips run side by side, each 16 steps
// behind the one above it, whose last row it reads: their steps do not wait on each other.
#include <immintrin.h>

#include <cstring>
#include <memory>
#include <vector>

#include "effects/effects.h"

#if GK_AVX2_BUILT

namespace {

using gkDraw::RegionFrame;
using gkDraw::Rgb;

constexpr int kLanes = 16;
constexpr int kStripsPerSweep = 4;

// The placement shifts of red and green (blue is at bit 0) when the layout is one whose
// component table this file computes: 11, 6 (5-6-5) or 10, 5 (5-5-5); else 0.
int FormulaRed() {
    const gkScreenState& s = gkScreen;
    const uint32_t used = s.RedMask | s.GreenMask | s.BlueMask;
    if (s.Blue5Shift != 0 || !gkDraw::Avx2Loops()) return 0;
    if (s.Red5Shift == 11 && s.Green5Shift == 6 && used == 0xFFFF) return 11;
    if (s.Red5Shift == 10 && s.Green5Shift == 5 && used == 0x7FFF) return 10;
    return 0;
}

GK_AVX2_INLINE __m256i Set(int value) {
    return _mm256_set1_epi16(static_cast<int16_t>(value));
}
GK_AVX2_INLINE __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
GK_AVX2_INLINE void Store(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

// A 5-5-5 pixel with its top bit set splits as black.
template <int Red>
GK_AVX2_INLINE __m256i Live(__m256i v) {
    return Red == 10 ? _mm256_andnot_si256(_mm256_srai_epi16(v, 15), v) : v;
}
template <int Red>
uint16_t Live(uint16_t v) {
    return Red == 10 && (v & 0x8000) ? 0 : v;
}

// ---------------------------------------------------------------------------------------------
// Grain: each component moved to the top five bits, raised with a saturating add and moved
// back, so that the cap at 31 costs nothing.
// ---------------------------------------------------------------------------------------------

template <int Place>
GK_AVX2_INLINE __m256i Raised(__m256i v, __m256i top) {
    const __m256i atTop = _mm256_and_si256(_mm256_slli_epi16(v, 11 - Place), Set(0xF800));
    const __m256i sum = _mm256_adds_epu16(atTop, top);
    return Place == 0 ? _mm256_srli_epi16(sum, 11)
                      : _mm256_and_si256(_mm256_srli_epi16(sum, 11 - Place), Set(31 << Place));
}

// The raise of the channels that take it.
template <bool All>
GK_AVX2_INLINE __m256i Only(__m256i top, __m256i on) {
    return All ? top : _mm256_and_si256(top, on);
}

// Sixteen pixels at a time while the row and the noise table have sixteen left; the pixels at
// a row's end and around the cursor's jump go one by one. All: every channel is raised.
template <int Red, int Green, bool All>
GK_AVX2 void GrainRows(const RegionFrame& f, Rgb add, int shift, int32_t* cursor) {
    // The raise of each noise value 0, 1, 2, capped and at the top of a 16-bit lane (high byte).
    alignas(16) uint8_t high[16] = {};
    for (int z = 0; z < 3; ++z) high[z] = static_cast<uint8_t>(std::min(31, z << shift) << 3);
    const __m128i byNoise = _mm_load_si128(reinterpret_cast<const __m128i*>(high));
    const __m256i onR = Set(add.r ? 0xFFFF : 0), onG = Set(add.g ? 0xFFFF : 0);
    const __m256i onB = Set(add.b ? 0xFFFF : 0);
    int32_t at = *cursor;
    for (int j = 0; j < f.h; ++j) {
        uint16_t* row = f.Back(f.x, f.y + j);
        for (int i = 0; i < f.w;) {
            const int chunks = std::min((f.w - i) / kLanes, (gk::kNoiseEntries - 1 - at) / kLanes);
            for (int c = 0; c < chunks; ++c, i += kLanes, at += kLanes) {
                const __m128i noise =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(gkEffectTables.Noise + at));
                const __m256i top =
                    _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm_shuffle_epi8(byNoise, noise)), 8);
                const __m256i v = Live<Red>(Load(row + i));
                Store(row + i,
                      _mm256_or_si256(_mm256_or_si256(Raised<Red>(v, Only<All>(top, onR)),
                                                      Raised<Green>(v, Only<All>(top, onG))),
                                      Raised<0>(v, Only<All>(top, onB))));
            }
            if (i == f.w) break;
            const int z = std::min(31, gkDraw::NextNoiseJumping(&at) << shift);
            const uint16_t v = Live<Red>(row[i]);
            const auto raise = [&](int place, int on) {
                return std::min(31, ((v >> place) & 31) + z * on) << place;
            };
            row[i++] =
                static_cast<uint16_t>(raise(Red, add.r) | raise(Green, add.g) | raise(0, add.b));
        }
    }
    *cursor = at;
}

template <int Red, int Green>
void Grain(const RegionFrame& f, Rgb add, int shift, int32_t* cursor) {
    if (add.r && add.g && add.b) {
        GrainRows<Red, Green, true>(f, add, shift, cursor);
    } else {
        GrainRows<Red, Green, false>(f, add, shift, cursor);
    }
}

// ---------------------------------------------------------------------------------------------
// Neighbour blur
// ---------------------------------------------------------------------------------------------

// One step of a strip: sixteen pixels, one per row.
struct alignas(32) Block {
    uint16_t lanes[kLanes];
};

// Sixteen vectors of sixteen pixels turned about their diagonal: out[k] lane r = in[r] lane k.
GK_AVX2_INLINE void Transpose8Halves(__m256i* a) {
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
GK_AVX2_INLINE void Transpose16(__m256i* a) {
    Transpose8Halves(a);
    Transpose8Halves(a + 8);
    for (int k = 0; k < 8; ++k) {
        const __m256i top = a[k], bottom = a[k + 8];
        a[k] = _mm256_permute2x128_si256(top, bottom, 0x20);
        a[k + 8] = _mm256_permute2x128_si256(top, bottom, 0x31);
    }
}

// Lane r takes lane r - 1 of v; lane 0 takes lane 15 of from.
GK_AVX2_INLINE __m256i ShiftUp(__m256i v, __m256i from) {
    return _mm256_alignr_epi8(v, _mm256_permute2x128_si256(from, v, 0x21), 14);
}
// Lane r takes lane r + 1 of v; lane 15 takes lane 0 of from.
GK_AVX2_INLINE __m256i ShiftDown(__m256i v, __m256i from) {
    return _mm256_alignr_epi8(_mm256_permute2x128_si256(v, from, 0x21), v, 2);
}

// The blur of sixteen pixels from their four neighbours. Red is summed at bit 9, green at its
// placement and blue at bit 0, so that no sum of four leaves its 16 bits.
template <int Red, int Green>
struct BlurMath {
    __m256i coolR, coolG, coolB;
    GK_AVX2 explicit BlurMath(Rgb cool)
        : coolR(Set(cool.r << Red)), coolG(Set(cool.g << Green)), coolB(Set(cool.b)) {}
    GK_AVX2_INLINE static __m256i Red9(__m256i v) {
        return _mm256_and_si256(_mm256_srli_epi16(v, Red - 9), Set(0x3E00));
    }
    GK_AVX2_INLINE static __m256i GreenBits(__m256i v) {
        return _mm256_and_si256(v, Set(31 << Green));
    }
    GK_AVX2_INLINE static __m256i BlueBits(__m256i v) { return _mm256_and_si256(v, Set(31)); }
    GK_AVX2_INLINE static __m256i Sum(__m256i a, __m256i b, __m256i c, __m256i d) {
        return _mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, d));
    }
    // Left and up are the blurred neighbours the result waits for; they are added last.
    GK_AVX2_INLINE __m256i Average(__m256i left, __m256i up, __m256i right, __m256i down) const {
        const __m256i sr = Sum(Red9(right), Red9(down), Red9(left), Red9(up));
        const __m256i sg = Sum(GreenBits(right), GreenBits(down), GreenBits(left), GreenBits(up));
        const __m256i sb = Sum(BlueBits(right), BlueBits(down), BlueBits(left), BlueBits(up));
        const __m256i r = Red == 11 ? _mm256_and_si256(sr, Set(0xF800))
                                    : _mm256_slli_epi16(_mm256_srli_epi16(sr, 11), Red);
        const __m256i g = GreenBits(_mm256_srli_epi16(sg, 2));
        const __m256i b = _mm256_srli_epi16(sb, 2);
        return _mm256_or_si256(
            _mm256_or_si256(_mm256_subs_epu16(r, coolR), _mm256_subs_epu16(g, coolG)),
            _mm256_subs_epu16(b, coolB));
    }
};

// A strip: inner rows first .. first + rows - 1 (rows ≤ 16) of the frame, as steps d[t]
// whose lane r is pixel t - r of row first + r. Lane rows of a short strip holds the frame's
// last row, which its last inner row reads; lanes below that are never read.
struct Strip {
    __m256i* d;
    int first, rows;
};

// Pixels c0 .. c0 + 15 of a row of width w, 0 outside it.
GK_AVX2_INLINE __m256i LoadSpan(const uint16_t* row, int c0, int w) {
    if (c0 >= 0 && c0 + kLanes <= w) return Load(row + c0);
    alignas(32) uint16_t lanes[kLanes] = {};
    const int from = std::max(c0, 0), to = std::min(c0 + kLanes, w);
    if (from < to) std::memcpy(lanes + (from - c0), row + from, (to - from) * sizeof *row);
    return Load(lanes);
}
// Stores the lanes of v that fall on columns lo .. hi - 1 as pixels c0 .. c0 + 15 of a row.
GK_AVX2_INLINE void StoreSpan(uint16_t* row, int c0, int lo, int hi, __m256i v) {
    if (c0 >= lo && c0 + kLanes <= hi) return Store(row + c0, v);
    alignas(32) uint16_t lanes[kLanes];
    Store(lanes, v);
    const int from = std::max(c0, lo), to = std::min(c0 + kLanes, hi);
    if (from < to) std::memcpy(row + from, lanes + (from - c0), (to - from) * sizeof *row);
}

// Loads a strip's steps from the back screen.
template <int Red>
GK_AVX2 void LoadStrip(const RegionFrame& f, const Strip& s, int steps) {
    for (int t0 = 0; t0 < steps; t0 += kLanes) {
        __m256i* block = s.d + t0;
        for (int r = 0; r < kLanes; ++r)
            block[r] = r <= s.rows ? LoadSpan(f.Back(f.x, f.y + s.first + r), t0 - r, f.w)
                                   : _mm256_setzero_si256();
        Transpose16(block);
        for (int k = 0; k < kLanes; ++k) block[k] = Live<Red>(block[k]);
    }
}

// Writes a strip's inner pixels back (turning its steps back in place).
GK_AVX2 void StoreStrip(const RegionFrame& f, const Strip& s, int steps) {
    for (int t0 = 0; t0 < steps; t0 += kLanes) {
        __m256i* block = s.d + t0;
        Transpose16(block);
        for (int r = 0; r < s.rows; ++r)
            StoreSpan(f.Back(f.x, f.y + s.first + r), t0 - r, 1, f.w - 1, block[r]);
    }
}

// A row of the back screen split as the blur reads it, padded by kLanes pixels on both sides.
template <int Red>
void PaddedRow(const RegionFrame& f, int j, std::vector<uint16_t>* padded) {
    for (int c = 0; c < f.w; ++c) (*padded)[kLanes + c] = Live<Red>(*f.Back(f.x + c, f.y + j));
}

// Blurs up to kStripsPerSweep strips (all but the last whole) side by side: strip k runs step
// t in round t + 16 k, after the strip above has blurred the pixel above its first row and
// before the strip below has blurred the pixel below its last.
template <int Red, int Green>
GK_AVX2 void Sweep(const RegionFrame& f, const BlurMath<Red, Green>& math, const Strip* strips,
                   int count, const uint16_t* above, const uint16_t* below) {
    const __m256i lane = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const int w = f.w, lastStep = w - 2 + kLanes - 1;
    const bool shortStrip = strips[count - 1].rows < kLanes;
    for (int round = 1; round <= lastStep + kLanes * (count - 1); ++round)
        for (int k = 0; k < count; ++k) {
            const int t = round - kLanes * k;
            if (t < 1 || t > lastStep) continue;
            __m256i* d = strips[k].d;
            const __m256i up = k == 0 ? Load(above + t + 1) : strips[k - 1].d[t + kLanes - 1];
            const __m256i down =
                k == count - 1 ? Load(below + t + 1) : strips[k + 1].d[t - (kLanes - 1)];
            __m256i blurred =
                math.Average(d[t - 1], ShiftUp(d[t - 1], up), d[t + 1], ShiftDown(d[t + 1], down));
            // Only lanes on an inner column of an inner row change.
            if (t < kLanes || t > w - 2 || (shortStrip && k == count - 1)) {
                const __m256i col = _mm256_sub_epi16(Set(t), lane);
                const __m256i inner = _mm256_and_si256(
                    _mm256_and_si256(_mm256_cmpgt_epi16(col, _mm256_setzero_si256()),
                                     _mm256_cmpgt_epi16(Set(w - 1), col)),
                    _mm256_cmpgt_epi16(Set(strips[k].rows), lane));
                blurred = _mm256_blendv_epi8(d[t], blurred, inner);
            }
            d[t] = blurred;
        }
}

template <int Red, int Green>
GK_AVX2 void BlurStrips(const RegionFrame& f, Rgb cool) {
    const BlurMath<Red, Green> math(cool);
    // Steps 0 .. w + 14 in whole blocks; kLanes blocks of room on both sides for the reads of
    // the neighbouring strips' steps.
    const int steps = (f.w + 2 * kLanes - 2) / kLanes * kLanes, span = steps + 2 * kLanes;
    // Not cleared: a step is read only after it is loaded, or in lanes that are not kept.
    const auto blocks =
        std::make_unique_for_overwrite<Block[]>(static_cast<size_t>(kStripsPerSweep) * span);
    std::vector<uint16_t> above(span), below(span);
    Strip strips[kStripsPerSweep];
    for (int first = 1; first < f.h - 1;) {
        int count = 0;
        for (; count < kStripsPerSweep && first < f.h - 1; ++count, first += kLanes)
            strips[count] = {reinterpret_cast<__m256i*>(blocks.get() + count * span) + kLanes,
                             first, std::min(kLanes, f.h - 1 - first)};
        PaddedRow<Red>(f, strips[0].first - 1, &above);
        if (strips[count - 1].rows == kLanes) PaddedRow<Red>(f, first, &below);
        for (int k = 0; k < count; ++k) LoadStrip<Red>(f, strips[k], steps);
        Sweep(f, math, strips, count, above.data(), below.data());
        for (int k = 0; k < count; ++k) StoreStrip(f, strips[k], steps);
    }
}

}  // namespace

namespace gkDraw {

bool GrainWalkFast(const RegionFrame& f, Rgb add, int shift, int32_t* cursor) {
    switch (FormulaRed()) {
        case 11:
            Grain<11, 6>(f, add, shift, cursor);
            return true;
        case 10:
            Grain<10, 5>(f, add, shift, cursor);
            return true;
        default:
            return false;
    }
}

bool BlurWalkFast(const RegionFrame& f, Rgb cool) {
    // Lane columns are compared as signed 16-bit values.
    if (f.w < 3 || f.h < 3 || f.w > 30000) return false;
    switch (FormulaRed()) {
        case 11:
            BlurStrips<11, 6>(f, cool);
            return true;
        case 10:
            BlurStrips<10, 5>(f, cool);
            return true;
        default:
            return false;
    }
}

}  // namespace gkDraw

#else

bool gkDraw::GrainWalkFast(const RegionFrame&, Rgb, int, int32_t*) {
    return false;
}
bool gkDraw::BlurWalkFast(const RegionFrame&, Rgb) {
    return false;
}

#endif
