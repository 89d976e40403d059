// Blit inner loops. Fills and blends are plain loops the compiler vectorises; the keyed copy is
// written in GCC vector types (load, compare, blend, store per vector). The hot ones are cloned
// for AVX2 beside the baseline SSE2 version, chosen once at load time, so the build stays
// portable x86-64; where the processor has AVX-512 the keyed copy uses its masked stores instead.
// Pixel sizes other than 2 and 4 bytes go through the per-pixel reference loops.
#include "platform/blit_kernels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/simd.h"

#if GK_AVX512_BUILT
#include <immintrin.h>
#endif

namespace plat::kernels {

namespace {

template <class P>
GK_INLINE P* Row(void* base, int pitch, int y) {
    return reinterpret_cast<P*>(static_cast<uint8_t*>(base) + static_cast<intptr_t>(pitch) * y);
}
template <class P>
GK_INLINE const P* Row(const void* base, int pitch, int y) {
    return reinterpret_cast<const P*>(static_cast<const uint8_t*>(base) +
                                      static_cast<intptr_t>(pitch) * y);
}

// A keyed copy of one row in vectors: where the source equals the key the destination is kept.
// The result of a pixel does not depend on the order of the work, so a row whose width is not a
// multiple of the vector is finished with one full vector overlapping the last whole one. That
// vector is computed before the others are stored: loading it after them would stall on the
// partly overlapping stores.
template <class V, class P>
GK_INLINE void KeyedVector(V& out, const P* d, const P* s, P key) {
    V sv, dv;
    std::memcpy(&sv, s, sizeof(V));
    std::memcpy(&dv, d, sizeof(V));
    const V keep = sv == key;
    out = (sv & ~keep) | (dv & keep);
}

template <int Bytes, class P>
GK_INLINE bool KeyedRowIn(P* d, const P* s, int width, P key) {
    typedef P V __attribute__((vector_size(Bytes)));
    constexpr int n = Bytes / sizeof(P);
    if (width < n) return false;
    V last, v;
    KeyedVector(last, d + width - n, s + width - n, key);
    for (int x = 0; x + n < width; x += n) {
        KeyedVector(v, d + x, s + x, key);
        std::memcpy(d + x, &v, sizeof(V));
    }
    std::memcpy(d + width - n, &last, sizeof(V));
    return true;
}

template <class P>
GK_INLINE void KeyedRows(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                         int height, P key) {
    for (int y = 0; y < height; ++y) {
        P* d = Row<P>(dst, dstPitch, y);
        const P* s = Row<P>(src, srcPitch, y);
        if (KeyedRowIn<32>(d, s, width, key) || KeyedRowIn<16>(d, s, width, key)) continue;
        for (int x = 0; x < width; ++x)
            if (s[x] != key) d[x] = s[x];
    }
}

template <class P>
GK_INLINE void FillRows(void* dst, int dstPitch, int width, int height, P value) {
    for (int y = 0; y < height; ++y) {
        P* __restrict d = Row<P>(dst, dstPitch, y);
        for (int x = 0; x < width; ++x) d[x] = value;
    }
}

template <class P>
GK_INLINE void HalfRows(void* dst, int dstPitch, int width, int height, P halfMask, P half) {
    for (int y = 0; y < height; ++y) {
        P* __restrict d = Row<P>(dst, dstPitch, y);
        for (int x = 0; x < width; ++x) d[x] = static_cast<P>(((d[x] >> 1) & halfMask) + half);
    }
}

template <class P>
GK_INLINE void MirroredRows(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                            int height, bool mirrorX, bool mirrorY, P key) {
    for (int y = 0; y < height; ++y) {
        P* __restrict d = Row<P>(dst, dstPitch, y);
        const P* __restrict s = Row<P>(src, srcPitch, mirrorY ? -y : y);
        if (mirrorX) {
            for (int x = 0; x < width; ++x) {
                const P v = s[-x];
                d[x] = v == key ? d[x] : v;
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const P v = s[x];
                d[x] = v == key ? d[x] : v;
            }
        }
    }
}

GK_SIMD_CLONES void Keyed16(void* d, int dp, const void* s, int sp, int w, int h, uint16_t key) {
    KeyedRows<uint16_t>(d, dp, s, sp, w, h, key);
}
GK_SIMD_CLONES void Keyed32(void* d, int dp, const void* s, int sp, int w, int h, uint32_t key) {
    KeyedRows<uint32_t>(d, dp, s, sp, w, h, key);
}
GK_SIMD_CLONES void Fill16(void* d, int dp, int w, int h, uint16_t value) {
    FillRows<uint16_t>(d, dp, w, h, value);
}
GK_SIMD_CLONES void Fill32(void* d, int dp, int w, int h, uint32_t value) {
    FillRows<uint32_t>(d, dp, w, h, value);
}
GK_SIMD_CLONES void Half16(void* d, int dp, int w, int h, uint16_t mask, uint16_t half) {
    HalfRows<uint16_t>(d, dp, w, h, mask, half);
}
GK_SIMD_CLONES void Half32(void* d, int dp, int w, int h, uint32_t mask, uint32_t half) {
    HalfRows<uint32_t>(d, dp, w, h, mask, half);
}

// Unaligned blocks of 32 and 16 bytes, moved through one register each (a plain 32-byte memcpy
// would be split in two by the compiler's tuning).
typedef int64_t Block32 __attribute__((vector_size(32)));
typedef int64_t Block16 __attribute__((vector_size(16)));
template <class B>
GK_INLINE void Move(uint8_t* d, const uint8_t* s) {
    B v;
    std::memcpy(&v, s, sizeof v);
    std::memcpy(d, &v, sizeof v);
}

// Copies n bytes (n even, at least 2) with moves sized to n: two overlapping moves for up to 64
// bytes; for more, a first block, whole blocks on 32-byte boundaries of the destination (so that
// no store straddles two cache lines) and one block overlapping the last.
GK_INLINE void CopyBytes(uint8_t* d, const uint8_t* s, size_t n) {
    if (n > 64) {
        Move<Block32>(d, s);
        size_t i = 32 - (reinterpret_cast<uintptr_t>(d) & 31);
        for (; i + 64 < n; i += 64) {  // two blocks a step: long runs are copied faster
            Move<Block32>(d + i, s + i);
            Move<Block32>(d + i + 32, s + i + 32);
        }
        if (i + 32 < n) Move<Block32>(d + i, s + i);
        Move<Block32>(d + n - 32, s + n - 32);
    } else if (n >= 32) {
        Move<Block32>(d, s);
        Move<Block32>(d + n - 32, s + n - 32);
    } else if (n >= 16) {
        Move<Block16>(d, s);
        Move<Block16>(d + n - 16, s + n - 16);
    } else if (n >= 8) {
        std::memcpy(d, s, 8);
        std::memcpy(d + n - 8, s + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(d, s, 4);
        std::memcpy(d + n - 4, s + n - 4, 4);
    } else {
        std::memcpy(d, s, 2);
    }
}

// Copies the runs [run, end) (whole rows, in order), cut to the columns [left, right) when Cut;
// dst and src address column 0 of row 0. The runs of all rows go through one loop, so a row
// costs nothing beyond its runs.
template <int bpp, bool Cut>
GK_INLINE void RunList(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch,
                       const OpaqueRun* run, const OpaqueRun* end, int left, int right) {
    for (; run < end; ++run) {
        int b = run->begin, e = run->end;
        if (Cut) {
            b = std::max(b, left);
            e = std::min(e, right);
            if (b >= e) continue;
        }
        const intptr_t at = static_cast<intptr_t>(b) * bpp;
        CopyBytes(dst + static_cast<intptr_t>(dstPitch) * run->row + at,
                  src + static_cast<intptr_t>(srcPitch) * run->row + at,
                  static_cast<size_t>(e - b) * bpp);
    }
}

template <int bpp>
GK_INLINE void RunRows(uint8_t* dst, int dstPitch, const uint8_t* src, int srcPitch,
                       const OpaqueRuns& r, int left, int top, int width, int height) {
    const OpaqueRun* run = r.runs.data() + r.rowFirst[top];
    const OpaqueRun* end = r.runs.data() + r.rowFirst[top + height];
    // dst and src both address column 0 of row 0
    dst -= static_cast<intptr_t>(left) * bpp + static_cast<intptr_t>(dstPitch) * top;
    // Without a left or right cut (checked against the widest row) the runs are copied whole.
    if (left == 0 && r.widest <= width)
        RunList<bpp, false>(dst, dstPitch, src, srcPitch, run, end, 0, 0);
    else
        RunList<bpp, true>(dst, dstPitch, src, srcPitch, run, end, left, left + width);
}

#if GK_AVX512_BUILT
// The AVX-512 keyed copy: a masked store writes exactly the opaque pixels, so a row needs no
// read of the destination. (Masked stores do not pay for the opaque runs: two overlapping
// plain stores per short run are faster.)
// A mask of the low n bits, n <= 64.
GK_AVX512 inline uint64_t LowBits(size_t n) {
    return _bzhi_u64(~uint64_t{0}, static_cast<unsigned>(n));
}

// One keyed row per pixel size: loads under mask m, stores the lanes that differ from key.
struct Wide16 {
    using P = uint16_t;
    static constexpr int kLanes = 32;
    GK_AVX512 static __m512i Splat(P key) { return _mm512_set1_epi16(static_cast<int16_t>(key)); }
    GK_AVX512 static void Keyed(P* d, const P* s, uint64_t m, __m512i key) {
        const __m512i v = _mm512_maskz_loadu_epi16(static_cast<__mmask32>(m), s);
        _mm512_mask_storeu_epi16(
            d, _mm512_mask_cmpneq_epi16_mask(static_cast<__mmask32>(m), v, key), v);
    }
};
struct Wide32 {
    using P = uint32_t;
    static constexpr int kLanes = 16;
    GK_AVX512 static __m512i Splat(P key) { return _mm512_set1_epi32(static_cast<int32_t>(key)); }
    GK_AVX512 static void Keyed(P* d, const P* s, uint64_t m, __m512i key) {
        const __m512i v = _mm512_maskz_loadu_epi32(static_cast<__mmask16>(m), s);
        _mm512_mask_storeu_epi32(
            d, _mm512_mask_cmpneq_epi32_mask(static_cast<__mmask16>(m), v, key), v);
    }
};

template <class W>
GK_AVX512 void KeyedWide(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                         int height, typename W::P key) {
    using P = typename W::P;
    const __m512i k = W::Splat(key);
    for (int y = 0; y < height; ++y) {
        P* d = Row<P>(dst, dstPitch, y);
        const P* s = Row<P>(src, srcPitch, y);
        int x = 0;
        for (; x + W::kLanes <= width; x += W::kLanes) W::Keyed(d + x, s + x, ~uint64_t{0}, k);
        if (x < width) W::Keyed(d + x, s + x, LowBits(width - x), k);
    }
}

#endif

// Whether the AVX-512 versions run: where the processor has them, unless a test turned them off.
bool wideAllowed = true;
bool Wide() {
    return HasAvx512() && wideAllowed;
}

template <class P>
void FindRuns(const void* src, int srcPitch, int width, int height, P key, OpaqueRuns& out) {
    out.rowFirst.reserve(static_cast<size_t>(height) + 1);
    for (int y = 0; y < height; ++y) {
        out.rowFirst.push_back(static_cast<uint32_t>(out.runs.size()));
        const P* s = Row<P>(src, srcPitch, y);
        for (int x = 0; x < width;) {
            while (x < width && s[x] == key) ++x;
            if (x == width) break;
            const int begin = x;
            while (x < width && s[x] != key) ++x;
            out.runs.push_back({begin, x, y});
            out.opaquePixels += x - begin;
            out.widest = std::max(out.widest, x);
        }
    }
    out.rowFirst.push_back(static_cast<uint32_t>(out.runs.size()));
}

// Source column or row under destination position i of a stretch from n to m pixels.
GK_INLINE int Sample(int i, int n, int m) {
    return static_cast<int>(int64_t{i} * n / m);
}

// Stretching gathers through a table of source column offsets built once per call, and copies
// the previous destination row whenever two destination rows sample the same source row.
template <class P>
void StretchRows(void* dst, int dstPitch, const void* src, int srcPitch, const StretchArea& a,
                 bool keyed, P key) {
    const int width = a.right - a.left;
    static thread_local std::vector<int> columns;
    columns.resize(width);
    for (int u = 0; u < width; ++u) columns[u] = Sample(a.left + u, a.srcWidth, a.dstWidth);
    const int* cols = columns.data();
    int lastSource = -1;
    for (int v = 0; v < a.bottom - a.top; ++v) {
        const int sy = Sample(a.top + v, a.srcHeight, a.dstHeight);
        P* __restrict d = Row<P>(dst, dstPitch, v);
        if (!keyed && sy == lastSource) {
            std::memcpy(d, Row<P>(dst, dstPitch, v - 1), sizeof(P) * width);
            continue;
        }
        const P* __restrict s = Row<P>(src, srcPitch, sy);
        if (keyed) {
            for (int u = 0; u < width; ++u) {
                const P value = s[cols[u]];
                if (value != key) d[u] = value;
            }
        } else {
            for (int u = 0; u < width; ++u) d[u] = s[cols[u]];
        }
        lastSource = sy;
    }
}

// Reference helpers: one pixel of any size, read and written through memcpy.
uint8_t* PixelAt(void* base, int pitch, int x, int y, int bpp) {
    return static_cast<uint8_t*>(base) + static_cast<intptr_t>(pitch) * y +
           static_cast<intptr_t>(x) * bpp;
}
const uint8_t* PixelAt(const void* base, int pitch, int x, int y, int bpp) {
    return static_cast<const uint8_t*>(base) + static_cast<intptr_t>(pitch) * y +
           static_cast<intptr_t>(x) * bpp;
}
uint32_t PixelMask(int bpp) {
    return bpp >= 4 ? 0xFFFFFFFFu : (1u << (8 * bpp)) - 1;
}
uint32_t ReadPixel(const uint8_t* p, int bpp) {
    uint32_t v = 0;
    std::memcpy(&v, p, bpp);  // little-endian: the low bytes hold the pixel
    return v;
}
void WritePixel(uint8_t* p, int bpp, uint32_t v) {
    std::memcpy(p, &v, bpp);
}

}  // namespace

void CopyOpaque(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
                int bytesPerPixel) {
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    if (width <= 0 || height <= 0) return;
    if (dstPitch == srcPitch && static_cast<size_t>(dstPitch) == rowBytes) {
        std::memmove(dst, src, rowBytes * height);
        return;
    }
    // Rows go bottom-up when the destination lies after the source, so that an overlapping
    // copy inside one surface reads each row before overwriting it.
    const bool backwards = dst > src;
    for (int i = 0; i < height; ++i) {
        const int y = backwards ? height - 1 - i : i;
        std::memmove(Row<uint8_t>(dst, dstPitch, y), Row<uint8_t>(src, srcPitch, y), rowBytes);
    }
}

void CopyKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
               int bytesPerPixel, uint32_t key) {
#if GK_AVX512_BUILT
    if (Wide() && bytesPerPixel == 2)
        return KeyedWide<Wide16>(dst, dstPitch, src, srcPitch, width, height,
                                 static_cast<uint16_t>(key));
    if (Wide() && bytesPerPixel == 4)
        return KeyedWide<Wide32>(dst, dstPitch, src, srcPitch, width, height, key);
#endif
    if (bytesPerPixel == 2)
        Keyed16(dst, dstPitch, src, srcPitch, width, height, static_cast<uint16_t>(key));
    else if (bytesPerPixel == 4)
        Keyed32(dst, dstPitch, src, srcPitch, width, height, key);
    else
        reference::CopyKeyed(dst, dstPitch, src, srcPitch, width, height, bytesPerPixel, key);
}

OpaqueRuns FindOpaqueRuns(const void* src, int srcPitch, int width, int height, int bytesPerPixel,
                          uint32_t key) {
    OpaqueRuns runs;
    if (bytesPerPixel == 2)
        FindRuns<uint16_t>(src, srcPitch, width, height, static_cast<uint16_t>(key), runs);
    else
        FindRuns<uint32_t>(src, srcPitch, width, height, key, runs);
    return runs;
}

void AllowWideVectors(bool allowed) {
    wideAllowed = allowed;
}

bool RunsPay(const OpaqueRuns& runs) {
    constexpr int64_t kMinAverageRun = 8;  // pixels; a vector step covers 8 or 16
    return static_cast<int64_t>(runs.runs.size()) * kMinAverageRun <= runs.opaquePixels;
}

// Cloned itself rather than calling a cloned kernel: a sprite put is short enough for the extra
// call to show.
GK_SIMD_CLONES void CopyRuns(void* dst, int dstPitch, const void* src, int srcPitch,
                             const OpaqueRuns& runs, int left, int top, int width, int height,
                             int bytesPerPixel) {
    if (width <= 0 || height <= 0) return;
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    if (bytesPerPixel == 2)
        RunRows<2>(d, dstPitch, s, srcPitch, runs, left, top, width, height);
    else
        RunRows<4>(d, dstPitch, s, srcPitch, runs, left, top, width, height);
}

void Fill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t value) {
    if (bytesPerPixel == 2)
        Fill16(dst, dstPitch, width, height, static_cast<uint16_t>(value));
    else if (bytesPerPixel == 4)
        Fill32(dst, dstPitch, width, height, value);
    else
        reference::Fill(dst, dstPitch, width, height, bytesPerPixel, value);
}

void HalfFill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t halfMask,
              uint32_t colour) {
    const uint32_t half = ((colour & PixelMask(bytesPerPixel)) >> 1) & halfMask;
    if (bytesPerPixel == 2)
        Half16(dst, dstPitch, width, height, static_cast<uint16_t>(halfMask),
               static_cast<uint16_t>(half));
    else if (bytesPerPixel == 4)
        Half32(dst, dstPitch, width, height, halfMask, half);
    else
        reference::HalfFill(dst, dstPitch, width, height, bytesPerPixel, halfMask, colour);
}

void CopyMirroredKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                       int height, int bytesPerPixel, bool mirrorX, bool mirrorY, uint32_t key) {
    if (bytesPerPixel == 2)
        MirroredRows<uint16_t>(dst, dstPitch, src, srcPitch, width, height, mirrorX, mirrorY,
                               static_cast<uint16_t>(key));
    else if (bytesPerPixel == 4)
        MirroredRows<uint32_t>(dst, dstPitch, src, srcPitch, width, height, mirrorX, mirrorY, key);
    else
        reference::CopyMirroredKeyed(dst, dstPitch, src, srcPitch, width, height, bytesPerPixel,
                                     mirrorX, mirrorY, key);
}

void Stretch(void* dst, int dstPitch, const void* src, int srcPitch, const StretchArea& area,
             int bytesPerPixel, bool keyed, uint32_t key) {
    if (area.right <= area.left || area.bottom <= area.top || area.dstWidth <= 0 ||
        area.dstHeight <= 0)
        return;
    if (bytesPerPixel == 2)
        StretchRows<uint16_t>(dst, dstPitch, src, srcPitch, area, keyed,
                              static_cast<uint16_t>(key));
    else if (bytesPerPixel == 4)
        StretchRows<uint32_t>(dst, dstPitch, src, srcPitch, area, keyed, key);
    else
        reference::Stretch(dst, dstPitch, src, srcPitch, area, bytesPerPixel, keyed, key);
}

namespace reference {

void CopyOpaque(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
                int bytesPerPixel) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(PixelAt(dst, dstPitch, x, y, bytesPerPixel),
                        PixelAt(src, srcPitch, x, y, bytesPerPixel), bytesPerPixel);
}

void CopyKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
               int bytesPerPixel, uint32_t key) {
    CopyMirroredKeyed(dst, dstPitch, src, srcPitch, width, height, bytesPerPixel, false, false,
                      key);
}

void Fill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t value) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            WritePixel(PixelAt(dst, dstPitch, x, y, bytesPerPixel), bytesPerPixel, value);
}

void HalfFill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t halfMask,
              uint32_t colour) {
    const uint32_t half = ((colour & PixelMask(bytesPerPixel)) >> 1) & halfMask;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = PixelAt(dst, dstPitch, x, y, bytesPerPixel);
            WritePixel(p, bytesPerPixel, ((ReadPixel(p, bytesPerPixel) >> 1) & halfMask) + half);
        }
}

void CopyMirroredKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                       int height, int bytesPerPixel, bool mirrorX, bool mirrorY, uint32_t key) {
    key &= PixelMask(bytesPerPixel);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t v =
                ReadPixel(PixelAt(src, srcPitch, mirrorX ? -x : x, mirrorY ? -y : y, bytesPerPixel),
                          bytesPerPixel);
            if (v != key) WritePixel(PixelAt(dst, dstPitch, x, y, bytesPerPixel), bytesPerPixel, v);
        }
}

void Stretch(void* dst, int dstPitch, const void* src, int srcPitch, const StretchArea& area,
             int bytesPerPixel, bool keyed, uint32_t key) {
    key &= PixelMask(bytesPerPixel);
    for (int v = area.top; v < area.bottom; ++v)
        for (int u = area.left; u < area.right; ++u) {
            const int sx = Sample(u, area.srcWidth, area.dstWidth);
            const int sy = Sample(v, area.srcHeight, area.dstHeight);
            const uint32_t value =
                ReadPixel(PixelAt(src, srcPitch, sx, sy, bytesPerPixel), bytesPerPixel);
            if (!keyed || value != key)
                WritePixel(PixelAt(dst, dstPitch, u - area.left, v - area.top, bytesPerPixel),
                           bytesPerPixel, value);
        }
}

}  // namespace reference

}  // namespace plat::kernels
