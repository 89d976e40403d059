// Fonts for the GDI stand-in: a LOGFONT-shaped record becomes a FreeType face found through
// fontconfig, rasterised as crisp monochrome glyphs. Faces, sized fonts and rendered glyphs are
// cached, so creating a font that was created before costs a table search, and a glyph is
// rendered once. Text arrives as Shift-JIS; characters are looked up by their 1- or 2-byte code
// and decoded through iconv (CP932) only when first rendered.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Character sets a font list reports.
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t SYMBOL_CHARSET = 2;
constexpr uint8_t SHIFTJIS_CHARSET = 128;

constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

// Same fields, order and size as LOGFONTA. height > 0 is the cell height (ascent + descent),
// height < 0 the character (em) height, 0 a default size. escapement is the angle of the
// baseline in tenths of a degree, counter-clockwise. faceName is Shift-JIS.
struct LogFont {
    int32_t height;
    int32_t width;
    int32_t escapement;
    int32_t orientation;
    int32_t weight;
    uint8_t italic;
    uint8_t underline;
    uint8_t strikeOut;
    uint8_t charSet;
    uint8_t outPrecision;
    uint8_t clipPrecision;
    uint8_t quality;
    uint8_t pitchAndFamily;
    char faceName[32];
};
static_assert(sizeof(LogFont) == 60, "LogFont must keep LOGFONTA's layout");

struct FontObject;
using Font = FontObject*;

// The sized font for the record (shared with earlier equal records). Never null: an unknown
// face becomes fontconfig's best substitute.
Font CreateFont(const LogFont& record);
// Gives up the caller's use of the font; unused fonts stay cached for the next CreateFont.
void DeleteFont(Font font);

struct FontMetrics {
    int height;  // cell height = ascent + descent
    int ascent;  // baseline below the cell top
    int descent;
    int escapement;  // tenths of a degree
    bool underline;
    bool strikeOut;
    int underlineOffset;  // top of the underline below the baseline
    int strikeOffset;     // top of the strike-out line above the baseline
    int lineThickness;
};
const FontMetrics& GetFontMetrics(Font font);

// A run of ink in a glyph's bitmap: row y, columns [x0, x1).
struct InkRun {
    int32_t y, x0, x1;
};

// One rendered character: `pixels` holds width × height bytes, 1 where ink is, and `runs` the
// same ink row by row; so does `rowBits` (bit x of row y set where ink is) for glyphs at most 64
// pixels wide, empty for wider ones. left/top place the bitmap relative to the pen on the baseline
// (top is upwards). For a rotated font the bitmap is rotated; advance is always along the
// unrotated baseline.
struct Glyph {
    int left;
    int top;
    int width;
    int height;
    int advance;
    std::vector<uint8_t> pixels;
    std::vector<InkRun> runs;
    std::vector<uint64_t> rowBits;
};

// Bytes of the Shift-JIS character at text[0] (1 or 2; a lead byte at the end counts as 1).
int CharLength(const char* text, int length);
// The glyph of the 1- or 2-byte Shift-JIS character at text.
const Glyph& GetGlyph(Font font, const char* text, int charLength);
// Sum of the advances of the first `length` bytes of Shift-JIS text.
int TextWidth(Font font, const char* text, int length);

// Installed faces as the font list sees them: Shift-JIS names of at most 31 bytes.
struct FaceInfo {
    std::string name;
    uint8_t charSet;
};
// Calls fn(face) for each installed face in a stable order until fn returns false.
template <typename Fn>
void EnumFonts(Fn fn);
const std::vector<FaceInfo>& InstalledFaces();

namespace headless {
// Replaces the installed-face list seen by InstalledFaces (font matching is unaffected);
// an empty list returns to the faces fontconfig reports.
void SetInstalledFaces(std::vector<FaceInfo> faces);
}  // namespace headless

template <typename Fn>
void EnumFonts(Fn fn) {
    for (const FaceInfo& face : InstalledFaces()) {
        if (!fn(face)) return;
    }
}

}  // namespace plat
