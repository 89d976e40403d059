// The framework's fixed table sizes, in one place, and the clamp that brings 64-bit
// coordinate arithmetic back into int.
#pragma once

#include <cstdint>

namespace gk {

// v clamped into the int range: a coordinate computed in 64 bits that lies beyond it is far
// outside every surface either way.
constexpr int SaturateInt(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int>(v);
}

constexpr int kSpriteSlots = 1024;        // sprite object table; slots 0-3 are internal
constexpr int kFirstUserSprite = 4;       // lowest slot handed out to game code
constexpr int kSoundSlots = 70;           // sound object table, slots 0-69
constexpr int kSoundChannels = 10;        // most channels (buffers) one sound object may have
constexpr int kWaitSlots = 11;            // wait deadlines: 1-10 for games, 11 for Sleep
constexpr int kFontListSize = 200;        // enumerated face names kept
constexpr int kGlyphCacheEntries = 3200;  // rendered glyphs kept per font cache
constexpr int kGlyphListEntries = 3200;   // message glyph list: the box, then 3199 glyph cells
constexpr int kTextBufferSize = 256;      // formatted text buffers (log, print, message boxes)
constexpr int kJoysticks = 2;             // joysticks 0 and 1
constexpr int kJoyStateButtons = 4;       // buttons 1-4 keep a trigger and a hold ramp
constexpr int kSineEntries = 450;         // sine table, degrees 0-449 (cosine = entry + 90)
constexpr int kComponentEntries = 65536;  // component table: one entry per 16-bit pixel value
constexpr int kLevels5 = 32;              // values of a 5-bit component or an effect level
constexpr int kFadeEntries = 3 * kLevels5 * kLevels5 * kLevels5;  // fade, add: [k][a][s][d]
constexpr int kSubtractEntries = 3 * kLevels5 * kLevels5;         // subtract: [k][s][d]
constexpr int kGreyEntries = 3 * (kLevels5 - 1) + 1;              // grey table, r + g + b = 0-93
constexpr int kNoiseEntries = 10000;                              // noise table of values 0-2
constexpr int kTunnelEntries = 640 * 480;                         // tunnel map: a full screen

}  // namespace gk
