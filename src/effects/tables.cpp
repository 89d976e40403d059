// The effect lookup tables and the noise cursors. The tables turn the per-pixel colour arithmetic
// of the effects into single reads; they are built once per screen set-up from the back screen's
// pixel format.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "effects/effects.h"

gkEffectTableSet gkEffectTables;

namespace {

using gk::kLevels5;

constexpr int kTop5 = kLevels5 - 1;

void BuildSine() {
    for (int i = 0; i < gk::kSineEntries; ++i)
        gkEffectTables.Sine[i] =
            static_cast<int32_t>(360.0 * std::sin(2.0 * std::numbers::pi * i / 360.0));
}

// A channel of maximum 63 has 64 values, each halved to 5 bits; any other has 32.
int ChannelSize(uint32_t max) {
    return max == 63 ? 64 : 32;
}
int To5(int value, int size) {
    return size == 64 ? value >> 1 : value;
}

// Blue is assumed in the low bits; values no channel combination reaches stay (0, 0, 0).
void BuildComponents() {
    const gkScreenState& s = gkScreen;
    const int rs = ChannelSize(s.RedMax), gs = ChannelSize(s.GreenMax), bs = ChannelSize(s.BlueMax);
    for (int r = 0; r < rs; ++r)
        for (int g = 0; g < gs; ++g)
            for (int b = 0; b < bs; ++b) {
                uint8_t* c = gkEffectTables.Component[(r << s.RedShift) + (g << s.GreenShift) + b];
                c[0] = static_cast<uint8_t>(To5(r, rs));
                c[1] = static_cast<uint8_t>(To5(g, gs));
                c[2] = static_cast<uint8_t>(To5(b, bs));
            }
}

void BuildBlends() {
    const uint16_t placement[3] = {gkScreen.Red5Shift, gkScreen.Green5Shift, gkScreen.Blue5Shift};
    for (int k = 0; k < 3; ++k) {
        const auto place = [&](int value) { return static_cast<uint16_t>(value << placement[k]); };
        for (int a = 0; a < kLevels5; ++a)
            for (int s = 0; s < kLevels5; ++s)
                for (int d = 0; d < kLevels5; ++d) {
                    const int lowered = std::max(0, s - a);
                    const int i = gkDraw::FadeIndex(k, a, s, d);
                    gkEffectTables.Fade[i] = place(lowered + std::max(0, d - (kTop5 - a)));
                    gkEffectTables.Add[i] = place(std::min(kTop5, lowered + d));
                }
        for (int s = 0; s < kLevels5; ++s)
            for (int d = 0; d < kLevels5; ++d)
                gkEffectTables.Subtract[gkDraw::SubtractIndex(k, s, d)] = place(std::max(0, s - d));
    }
}

void BuildGreyAndNoise() {
    for (int sum = 0; sum < gk::kGreyEntries; ++sum)
        gkEffectTables.Grey[sum] = static_cast<uint16_t>(sum / 3);
    for (uint8_t& n : gkEffectTables.Noise) n = static_cast<uint8_t>(std::rand() % 3);
}

void ClearColourTables() {
    gkEffectTableSet& t = gkEffectTables;
    std::memset(t.Component, 0, sizeof t.Component);
    std::memset(t.Fade, 0, sizeof t.Fade);
    std::memset(t.Add, 0, sizeof t.Add);
    std::memset(t.Subtract, 0, sizeof t.Subtract);
    std::memset(t.Grey, 0, sizeof t.Grey);
    std::memset(t.Noise, 0, sizeof t.Noise);
}

int NextNoise(int32_t* cursor, bool jumping) {
    // A cursor off the table starts over.
    if (*cursor < 0 || *cursor >= gk::kNoiseEntries) *cursor = 0;
    const int value = gkEffectTables.Noise[*cursor];
    if (++*cursor == gk::kNoiseEntries) *cursor = jumping ? std::rand() % 1000 : 0;
    return value;
}

}  // namespace

namespace gkDraw {

void BuildEffectTables() {
    BuildSine();
    // Cleared first: a rebuild in another layout leaves no entry of the earlier one behind.
    ClearColourTables();
    if (gkSystem::GetColorDepth() != 16) return;
    BuildComponents();
    BuildBlends();
    BuildGreyAndNoise();
}

int NextNoiseWrapping(int32_t* cursor) {
    return NextNoise(cursor, false);
}

int NextNoiseJumping(int32_t* cursor) {
    return NextNoise(cursor, true);
}

}  // namespace gkDraw
