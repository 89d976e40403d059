// Fonts through fontconfig and FreeType: matching a LogFont to a face file, sizing it with
// GDI's height rules, synthesising bold and oblique when the face has neither, and rendering
// monochrome glyphs into per-font caches. Also the installed-face list for EnumFonts.
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <unordered_map>

#include "gk_limits.h"
#include "platform/sjis.h"

namespace plat {

namespace {

// The framework's two standard face names (Shift-JIS, as the build stores literals) and the
// fontconfig families standing in for them: a Mincho (serif) and a Gothic (sans) Japanese face.
constexpr const char* kStandardMincho = "標準明朝";
constexpr const char* kStandardGothic = "標準ゴシック";

constexpr int kDefaultCellHeight = 16;      // height 0: the platform's default size
constexpr int kCachedFonts = 64;            // unused sized fonts kept beyond this are freed
constexpr int kMaxPixelSize = 1024;         // em sizes are capped here: twice a screen
constexpr FT_Fixed kObliqueShear = 0x3333;  // 0.2: the slant of a synthesised italic

// Converts between two iconv encodings; characters that do not convert end the result.
std::string Convert(const char* to, const char* from, const std::string& text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// The Unicode code point of one Shift-JIS character, 0 when it has none.
uint32_t CodePoint(const char* text, int charLength) {
    if (charLength == 1 && static_cast<unsigned char>(text[0]) < 0x80) {
        return static_cast<unsigned char>(text[0]);
    }
    std::string utf32 = Convert("UTF-32LE", "CP932", std::string(text, charLength));
    if (utf32.size() < 4) return 0;
    uint32_t cp;
    std::memcpy(&cp, utf32.data(), 4);
    return cp;
}

FT_Library Library() {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        FT_Init_FreeType(&lib);
        FcInit();
        std::atexit(FcFini);  // fontconfig's own start-up allocations are freed only here
        return lib;
    }();
    return library;
}

// Where a request led: a face file and what has to be synthesised on top of it.
struct FaceChoice {
    std::string file;
    int index = 0;
    bool synthBold = false;
    bool synthItalic = false;
};

bool SameFaceName(const char* faceName, const char* name) {
    return std::strncmp(faceName, name, sizeof(LogFont::faceName)) == 0;
}

FaceChoice MatchFace(const LogFont& lf) {
    FcPattern* pattern = FcPatternCreate();
    auto addFamily = [&](const char* family) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    };
    if (SameFaceName(lf.faceName, kStandardMincho)) {
        addFamily("IPAMincho");
        addFamily("serif");
    } else if (SameFaceName(lf.faceName, kStandardGothic)) {
        addFamily("IPAGothic");
        addFamily("sans-serif");
    } else if (lf.faceName[0] != '\0') {
        std::string name(lf.faceName, strnlen(lf.faceName, sizeof(lf.faceName)));
        addFamily(SjisToUtf8(name.c_str()).c_str());
    }
    if (lf.charSet == SHIFTJIS_CHARSET || SameFaceName(lf.faceName, kStandardMincho) ||
        SameFaceName(lf.faceName, kStandardGothic)) {
        FcLangSet* langs = FcLangSetCreate();
        FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddLangSet(pattern, FC_LANG, langs);
        FcLangSetDestroy(langs);
    }
    bool wantBold = lf.weight >= 600;
    bool wantItalic = lf.italic != 0;
    FcPatternAddInteger(pattern, FC_WEIGHT, wantBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, wantItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FaceChoice choice;
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            choice.file = reinterpret_cast<const char*>(file);
        }
        FcPatternGetInteger(match, FC_INDEX, 0, &choice.index);
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        // fontconfig's own synthesis rules mark a face that lacks the style with embolden and
        // a slant matrix; we synthesise those ourselves.
        FcBool embolden = FcFalse;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        FcMatrix* slantMatrix = nullptr;
        bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &slantMatrix) == FcResultMatch &&
                       slantMatrix->xy != 0;
        choice.synthBold = wantBold && (weight < FC_WEIGHT_DEMIBOLD || embolden);
        choice.synthItalic = wantItalic && (slant == FC_SLANT_ROMAN || sheared);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return choice;
}

// Faces are opened once per file and shared by every size made from them.
FT_Face OpenFace(const std::string& file, int index) {
    static std::map<std::pair<std::string, int>, FT_Face> faces;
    auto [it, fresh] = faces.try_emplace({file, index}, nullptr);
    if (fresh && FT_New_Face(Library(), file.c_str(), index, &it->second) == 0) {
        FT_Select_Charmap(it->second, FT_ENCODING_UNICODE);
    }
    return it->second;
}

}  // namespace

struct FontObject {
    LogFont record{};
    int users = 0;
    FT_Face face = nullptr;
    FT_Size size = nullptr;
    FaceChoice choice;
    FontMetrics metrics{};
    bool transformed = false;
    FT_Matrix matrix{};
    std::array<std::unique_ptr<Glyph>, 256> singleByte;
    std::unordered_map<uint16_t, Glyph> doubleByte;
    Glyph empty{};
};

namespace {

std::vector<std::unique_ptr<FontObject>>& Fonts() {
    static std::vector<std::unique_ptr<FontObject>> fonts;
    return fonts;
}

// Byte-equal records are the same (the common case: one description selected again and again);
// otherwise the name counts only up to its end.
bool SameRecord(const LogFont& a, const LogFont& b) {
    if (std::memcmp(&a, &b, sizeof(LogFont)) == 0) return true;
    return std::memcmp(&a, &b, offsetof(LogFont, faceName)) == 0 &&
           SameFaceName(a.faceName, b.faceName);
}

// The record's height kept within twice the largest em (in-range heights are unchanged), so
// that metrics and line steps built on it cannot overflow.
int CellHeight(const LogFont& record) {
    return std::clamp(record.height, -kMaxPixelSize, 2 * kMaxPixelSize);
}

// Sizes the face by GDI's rules: a positive height is the cell (the face's Windows ascent plus
// descent), a negative one the em.
void SizeFont(FontObject& font) {
    FT_Face face = font.face;
    int upem = face->units_per_EM ? face->units_per_EM : 1000;
    int ascUnits = face->ascender, descUnits = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascUnits = os2->usWinAscent;
        descUnits = os2->usWinDescent;
    }
    int cellUnits = std::max(1, ascUnits + descUnits);
    const int height = font.record.height == 0 ? kDefaultCellHeight : CellHeight(font.record);
    const double em = height > 0 ? double(height) * upem / cellUnits : -double(height);
    // Larger glyphs would cost more to render than any screen shows of them.
    const int ppem = static_cast<int>(std::lround(std::clamp(em, 1.0, double(kMaxPixelSize))));
    FT_New_Size(face, &font.size);
    FT_Activate_Size(font.size);
    FT_Set_Pixel_Sizes(face, 0, ppem);

    FontMetrics& m = font.metrics;
    m.ascent = static_cast<int>(std::lround(double(ascUnits) * ppem / upem));
    m.descent = height > 0 ? std::max(0, height - m.ascent)
                           : static_cast<int>(std::lround(double(descUnits) * ppem / upem));
    m.height = m.ascent + m.descent;
    m.escapement = font.record.escapement;
    m.underline = font.record.underline != 0;
    m.strikeOut = font.record.strikeOut != 0;
    m.lineThickness =
        std::max(1, static_cast<int>(std::lround(double(face->underline_thickness) * ppem / upem)));
    m.underlineOffset =
        std::clamp(static_cast<int>(std::lround(-double(face->underline_position) * ppem / upem)),
                   1, std::max(1, m.descent - m.lineThickness));
    m.strikeOffset = std::max(1, m.ascent / 3);
}

void SetUpTransform(FontObject& font) {
    double angle = font.record.escapement / 10.0 * std::numbers::pi / 180.0;
    auto fixed = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); };
    FT_Fixed c = fixed(std::cos(angle)), s = fixed(std::sin(angle));
    FT_Fixed shear = font.choice.synthItalic ? kObliqueShear : 0;
    // Rotation (counter-clockwise, y up) after the oblique shear x' = x + shear * y.
    font.matrix.xx = c;
    font.matrix.xy = FT_MulFix(c, shear) - s;
    font.matrix.yx = s;
    font.matrix.yy = FT_MulFix(s, shear) + c;
    font.transformed = font.record.escapement % 3600 != 0 || font.choice.synthItalic;
}

void Render(FontObject& font, uint32_t codePoint, Glyph& glyph) {
    FT_Face face = font.face;
    if (!face) return;
    FT_Activate_Size(font.size);
    FT_Set_Transform(face, font.transformed ? &font.matrix : nullptr, nullptr);
    FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) return;
    FT_GlyphSlot slot = face->glyph;
    // The advance runs along the unrotated baseline.
    glyph.advance = static_cast<int>((slot->metrics.horiAdvance + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    // A synthesised bold draws the glyph a second time one pixel further along the baseline,
    // which makes it one pixel wider.
    int dx = 0, dy = 0;
    if (font.choice.synthBold) {
        double angle = font.record.escapement / 10.0 * std::numbers::pi / 180.0;
        dx = static_cast<int>(std::lround(std::cos(angle)));
        dy = static_cast<int>(std::lround(-std::sin(angle)));
        glyph.advance += 1;
    }
    int w = static_cast<int>(bitmap.width), h = static_cast<int>(bitmap.rows);
    glyph.left = slot->bitmap_left + std::min(dx, 0);
    glyph.top = slot->bitmap_top - std::min(dy, 0);
    glyph.width = w + std::abs(dx);
    glyph.height = h + std::abs(dy);
    glyph.pixels.assign(size_t(glyph.width) * glyph.height, 0);
    auto stamp = [&](int ox, int oy) {
        for (int y = 0; y < h; ++y) {
            const unsigned char* row = bitmap.buffer + y * bitmap.pitch;
            uint8_t* out = glyph.pixels.data() + size_t(y + oy) * glyph.width + ox;
            for (int x = 0; x < w; ++x) out[x] |= (row[x >> 3] >> (7 - (x & 7))) & 1;
        }
    };
    stamp(std::max(-dx, 0), std::max(-dy, 0));
    if (dx != 0 || dy != 0) stamp(std::max(dx, 0), std::max(dy, 0));
    const bool narrow = glyph.width <= 64;
    for (int y = 0; y < glyph.height; ++y) {
        const uint8_t* row = glyph.pixels.data() + size_t(y) * glyph.width;
        uint64_t bits = 0;
        for (int x = 0; x < glyph.width;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            for (; x < glyph.width && row[x]; ++x) bits |= uint64_t{1} << (x & 63);
            glyph.runs.push_back({y, start, x});
        }
        if (narrow) glyph.rowBits.push_back(bits);
    }
}

// The font CreateFont returned last (null once it is freed).
FontObject*& LastCreated() {
    static FontObject* last = nullptr;
    return last;
}

// Frees unused fonts once more than kCachedFonts exist, oldest first.
void TrimFonts() {
    auto& fonts = Fonts();
    for (size_t i = 0; fonts.size() > kCachedFonts && i < fonts.size();) {
        if (fonts[i]->users == 0) {
            if (fonts[i].get() == LastCreated()) LastCreated() = nullptr;
            FT_Done_Size(fonts[i]->size);
            fonts.erase(fonts.begin() + i);
        } else {
            ++i;
        }
    }
}

}  // namespace

Font CreateFont(const LogFont& record) {
    auto& fonts = Fonts();
    // Text drawing selects the same description again and again: the last font answers first.
    if (FontObject* last = LastCreated(); last && SameRecord(last->record, record)) {
        ++last->users;
        return last;
    }
    for (auto it = fonts.rbegin(); it != fonts.rend(); ++it) {
        if (SameRecord((*it)->record, record)) {
            ++(*it)->users;
            return LastCreated() = it->get();
        }
    }
    TrimFonts();
    Library();
    auto font = std::make_unique<FontObject>();
    font->record = record;
    font->users = 1;
    font->choice = MatchFace(record);
    font->face = OpenFace(font->choice.file, font->choice.index);
    if (font->face) {
        SizeFont(*font);
    } else {
        font->metrics.height = font->metrics.ascent = std::abs(CellHeight(record));
    }
    SetUpTransform(*font);
    fonts.push_back(std::move(font));
    return LastCreated() = fonts.back().get();
}

void DeleteFont(Font font) {
    if (font && font->users > 0) --font->users;
}

const FontMetrics& GetFontMetrics(Font font) {
    return font->metrics;
}

int CharLength(const char* text, int length) {
    return length >= 2 && IsLeadByte(static_cast<unsigned char>(text[0])) ? 2 : 1;
}

const Glyph& GetGlyph(Font font, const char* text, int charLength) {
    auto lead = static_cast<unsigned char>(text[0]);
    if (charLength == 1) {
        std::unique_ptr<Glyph>& slot = font->singleByte[lead];
        if (!slot) {
            slot = std::make_unique<Glyph>();
            Render(*font, CodePoint(text, 1), *slot);
        }
        return *slot;
    }
    uint16_t code = static_cast<uint16_t>(lead << 8 | static_cast<unsigned char>(text[1]));
    if (auto it = font->doubleByte.find(code); it != font->doubleByte.end()) return it->second;
    if (font->doubleByte.size() >= size_t(gk::kGlyphCacheEntries)) font->doubleByte.clear();
    Glyph& glyph = font->doubleByte[code];
    Render(*font, CodePoint(text, 2), glyph);
    return glyph;
}

int TextWidth(Font font, const char* text, int length) {
    int width = 0;
    for (int i = 0; i < length;) {
        int n = CharLength(text + i, length - i);
        width += GetGlyph(font, text + i, n).advance;
        i += n;
    }
    return width;
}

namespace {

std::vector<FaceInfo>& InjectedFaces() {
    static std::vector<FaceInfo> faces;
    return faces;
}

uint8_t CharSetOf(FcPattern* font) {
    FcLangSet* langs = nullptr;
    if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
        FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangDifferentLang) {
        return SHIFTJIS_CHARSET;
    }
    FcCharSet* chars = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) == FcResultMatch &&
        !FcCharSetHasChar(chars, 'A')) {
        return SYMBOL_CHARSET;  // no Latin letters: a symbol (pi) font
    }
    return ANSI_CHARSET;
}

// Every family name of every installed scalable face that Shift-JIS can spell in 31 bytes,
// once each, sorted by name so that the list does not depend on fontconfig's cache order.
std::vector<FaceInfo> ListFaces() {
    Library();
    std::vector<FaceInfo> faces;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, FC_LANG, FC_CHARSET, nullptr);
    FcFontSet* set = FcFontList(nullptr, all, fields);
    for (int i = 0; set && i < set->nfont; ++i) {
        uint8_t charSet = CharSetOf(set->fonts[i]);
        FcChar8* family = nullptr;
        for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
             ++n) {
            std::string name = Convert("CP932", "UTF-8", reinterpret_cast<const char*>(family));
            bool spelled = !name.empty() && name.size() <= 31 &&
                           Convert("UTF-8", "CP932", name) == reinterpret_cast<const char*>(family);
            bool known = std::any_of(faces.begin(), faces.end(),
                                     [&](const FaceInfo& f) { return f.name == name; });
            if (spelled && !known) faces.push_back({name, charSet});
        }
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(all);
    std::sort(faces.begin(), faces.end(),
              [](const FaceInfo& a, const FaceInfo& b) { return a.name < b.name; });
    return faces;
}

}  // namespace

const std::vector<FaceInfo>& InstalledFaces() {
    if (!InjectedFaces().empty()) return InjectedFaces();
    static const std::vector<FaceInfo> installed = ListFaces();
    return installed;
}

namespace headless {
void SetInstalledFaces(std::vector<FaceInfo> faces) {
    InjectedFaces() = std::move(faces);
}
}  // namespace headless

}  // namespace plat
