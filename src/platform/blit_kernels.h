// Inner loops of the software blitter: copies (opaque, colour-keyed, mirrored, stretched),
// colour fills and the 50 % blend fill, on raw pixel memory of 16- or 32-bit surfaces.
// Every rectangle is given by the address of its first pixel and the row pitch in bytes; the
// callers (display's Blt/BltFast, the draw module's software puts) have already clipped it.
// Source and destination must not overlap, except for CopyOpaque, which copies like memmove.
// Each family has a plain per-pixel version in plat::kernels::reference that the fast loops are
// tested against.
#pragma once

#include <cstdint>
#include <vector>

namespace plat::kernels {

// Copies width × height pixels.
void CopyOpaque(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
                int bytesPerPixel);

// Copies width × height pixels, leaving the destination where the source pixel equals key.
void CopyKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
               int bytesPerPixel, uint32_t key);

// Sets width × height pixels to value (truncated to the pixel size).
void Fill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t value);

// 50 % blend with a colour: pixel = ((pixel >> 1) & halfMask) + ((colour >> 1) & halfMask),
// with colour truncated to the pixel size first.
void HalfFill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t halfMask,
              uint32_t colour);

// Keyed copy that may mirror: destination pixel (u, v) shows the source pixel at
// src + (mirrorX ? -u : u) pixels and (mirrorY ? -v : v) rows, so src is the source pixel that
// lands on the destination's first pixel.
void CopyMirroredKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                       int height, int bytesPerPixel, bool mirrorX, bool mirrorY, uint32_t key);

// Nearest-neighbour stretch of a srcWidth × srcHeight rectangle onto a dstWidth × dstHeight
// one: destination pixel (u, v) shows source pixel (u · srcWidth / dstWidth,
// v · srcHeight / dstHeight). Only the part [left, right) × [top, bottom) of the destination is
// drawn (a blit onto a window drops what lies outside it); src points at the source rectangle's
// first pixel, dst at the destination pixel (left, top).
struct StretchArea {
    int dstWidth, dstHeight, srcWidth, srcHeight;
    int left, top, right, bottom;
};
// With keyed set, source pixels equal to key leave the destination unchanged.
void Stretch(void* dst, int dstPitch, const void* src, int srcPitch, const StretchArea& area,
             int bytesPerPixel, bool keyed, uint32_t key);

// The opaque runs of a colour-keyed image: per row, the column ranges [begin, end) whose pixels
// differ from the key, left to right, each with its row. A keyed copy through them never reads a
// transparent pixel nor the destination under one.
struct OpaqueRun {
    int32_t begin, end, row;
};
struct OpaqueRuns {
    std::vector<uint32_t> rowFirst;  // row y's runs: runs[rowFirst[y]] .. runs[rowFirst[y + 1] - 1]
    std::vector<OpaqueRun> runs;
    int64_t opaquePixels = 0;
    int32_t widest = 0;  // the largest end of any run
};

// The runs of width × height 2- or 4-byte pixels under key.
OpaqueRuns FindOpaqueRuns(const void* src, int srcPitch, int width, int height, int bytesPerPixel,
                          uint32_t key);

// Whether copying through the runs beats the vector keyed copy: not for images cut into many
// short runs (noise), where the per-run work outweighs the skipped pixels.
bool RunsPay(const OpaqueRuns& runs);

// The keyed copy of the width × height part at (left, top) of the image the runs describe:
// src points at the image's pixel (0, 0), dst at the destination of pixel (left, top). Matches
// CopyKeyed of the same part exactly.
void CopyRuns(void* dst, int dstPitch, const void* src, int srcPitch, const OpaqueRuns& runs,
              int left, int top, int width, int height, int bytesPerPixel);

// The copies use AVX-512 where the processor has it; tests turn that off to check the other
// versions too.
void AllowWideVectors(bool allowed);

// One pixel at a time, written for clarity; the fast versions above must match them exactly.
namespace reference {
void CopyOpaque(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
                int bytesPerPixel);
void CopyKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width, int height,
               int bytesPerPixel, uint32_t key);
void Fill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t value);
void HalfFill(void* dst, int dstPitch, int width, int height, int bytesPerPixel, uint32_t halfMask,
              uint32_t colour);
void CopyMirroredKeyed(void* dst, int dstPitch, const void* src, int srcPitch, int width,
                       int height, int bytesPerPixel, bool mirrorX, bool mirrorY, uint32_t key);
void Stretch(void* dst, int dstPitch, const void* src, int srcPitch, const StretchArea& area,
             int bytesPerPixel, bool keyed, uint32_t key);
}  // namespace reference

}  // namespace plat::kernels
