// The font description record, the installed-font list and the one open font selection: a
// platform font made from the record and selected into the device context of the back screen
// or of the Font buffer sprite.
#include <cstring>

#include "draw/draw.h"
#include "text/text.h"

gkFontState gkFont;

namespace {

// Zero-padded to the record's name size, so that setting a face is one fixed-size copy.
constexpr char kFaceNames[][sizeof(plat::LogFont::faceName)] = {"標準明朝", "標準ゴシック"};
constexpr int kFontBufferSlot = 3;

void SetFace(int face) {
    if (face == 0 || face == 1) {
        std::memcpy(gkFont.Description->faceName, kFaceNames[face], sizeof kFaceNames[face]);
    }
}

// Copies the name (cut to the record's 31 bytes) and returns the character set of the first of
// all list entries, used or not, that spells it exactly; 128 when none does.
uint8_t SetFaceName(const char* name) {
    if (!name) name = "";  // no name reads as an empty one
    std::strncpy(gkFont.Description->faceName, name, sizeof(gkFont.Description->faceName) - 1);
    gkFont.Description->faceName[sizeof(gkFont.Description->faceName) - 1] = '\0';
    for (const gkFontListEntry& entry : gkFont.List) {
        if (std::strcmp(entry.Name, name) == 0) return entry.CharSet;
    }
    return plat::SHIFTJIS_CHARSET;
}

void SetFields(int height, int escapement, int weight, int italic, int underline, uint8_t charSet) {
    plat::LogFont& record = *gkFont.Description;
    record.height = height;
    record.width = 0;
    record.escapement = escapement;
    record.weight = weight;
    record.italic = static_cast<uint8_t>(italic);
    record.underline = static_cast<uint8_t>(underline);
    record.charSet = charSet;
}

int ScreenWeight(int weight) {
    return weight == 0 ? plat::FW_NORMAL : weight == 1 ? plat::FW_BOLD : plat::FW_DONTCARE;
}

plat::Surface* FontBuffer() {
    return gkSprites[kFontBufferSlot].surface;
}

}  // namespace

namespace gkDraw {

// Closes the open selection if it draws on `surface`: previous font back, ours deleted, the
// context given back.
void CloseFontSelection(plat::Surface* surface) {
    if (!gkFont.Dc || gkFont.Surface != surface) return;
    plat::SelectObject(gkFont.Dc, gkFont.Previous);
    plat::DeleteFont(gkFont.Current);
    plat::ReleaseDC(gkFont.Surface, gkFont.Dc);
    gkFont.Current = gkFont.Previous = nullptr;
    gkFont.Dc = nullptr;
    gkFont.Surface = nullptr;
}

// Creates the font from the record and selects it into the surface's context. A selection that
// is still open would keep its context forever, so it is closed first.
void OpenFontSelection(plat::Surface* surface) {
    CloseFontSelection(gkFont.Surface);
    plat::Dc* dc = nullptr;
    if (!surface || plat::GetDC(surface, &dc) != plat::DD_OK) return;
    gkFont.Current = plat::CreateFont(*gkFont.Description);
    gkFont.Previous = plat::SelectObject(dc, gkFont.Current);
    gkFont.Surface = surface;
    gkFont.Dc = dc;
}

void InitFonts() {
    if (!gkFont.Description) gkFont.Description = new plat::LogFont{};
    for (gkFontListEntry& entry : gkFont.List) entry = {};
    gkFont.Count = 0;
    plat::EnumFonts([](const plat::FaceInfo& face) {
        if (gkFont.Count >= gk::kFontListSize) return false;
        gkFontListEntry& entry = gkFont.List[gkFont.Count];
        std::strncpy(entry.Name, face.name.c_str(), sizeof(entry.Name) - 1);
        entry.CharSet = face.charSet;
        ++gkFont.Count;
        return true;
    });
    gkFont.PutAfterRender = 1;
}

// Frees the description and puts the whole text module back to its start-up state.
void FreeFonts() {
    CloseFontSelection(gkFont.Surface);
    delete gkFont.Description;
    gkFont = {};
    gkText = {};
    gkFps = {};
    gkMessage = {};
}

void SelectFont(int face, int height, int angle, int weight, int italic, int underline) {
    if (!gkFont.Description) return;
    SetFace(face);
    SetFields(height, gk::SaturateInt(int64_t{angle} * 10), ScreenWeight(weight), italic, underline,
              plat::SHIFTJIS_CHARSET);
    OpenFontSelection(gkScreen.Back);
}

void SelectFontByName(const char* name, int height, int angle, int weight, int italic,
                      int underline) {
    if (!gkFont.Description) return;
    uint8_t charSet = SetFaceName(name);
    SetFields(height, gk::SaturateInt(int64_t{angle} * 10), ScreenWeight(weight), italic, underline,
              charSet);
    OpenFontSelection(gkScreen.Back);
}

void ReleaseFont() {
    CloseFontSelection(gkScreen.Back);
}

void SelectSpriteFont(int face, int size) {
    if (!gkFont.Description) return;
    SetFace(face);
    SetFields(gk::SaturateInt(int64_t{size} * 2), 0, plat::FW_NORMAL, 0, 0, plat::SHIFTJIS_CHARSET);
    OpenFontSelection(FontBuffer());
}

void SelectSpriteFontByName(const char* name, int size) {
    if (!gkFont.Description) return;
    uint8_t charSet = SetFaceName(name);
    SetFields(gk::SaturateInt(int64_t{size} * 2), 0, plat::FW_NORMAL, 0, 0, charSet);
    OpenFontSelection(FontBuffer());
}

void ReleaseSpriteFont() {
    CloseFontSelection(FontBuffer());
}

}  // namespace gkDraw
