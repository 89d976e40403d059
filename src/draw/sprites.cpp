// The sprite object table: 1024 slots, 0-3 internal, 4-1023 handed out lowest-free-first.
// Loading, blank objects, replacing and releasing images, colour keys, and reloading every
// image (from its file or from the pack) after the display lost its surfaces. Images come from BMP
// files next to the executable: the program carries no bitmap resources, so a name that is not a
// readable file fails.
#include <cstring>
#include <string>

#include "draw/draw.h"
#include "system/system.h"

SpriteObject gkSprites[gk::kSpriteSlots];

namespace {

constexpr uint32_t kCornerKey = 0xFFFFFFFF;  // -1: key on the top-left pixel
constexpr size_t kMaxNameLength = 30;
constexpr char kUnreadable[] =
    "BMPファイルを読み込めません";  // a missing name counts as a missing file

uint32_t defaultColorKey = 0;
bool cornerKeyMode = false;

// Claims the lowest free user slot under name; 0 after an error report.
int ClaimSlot(const char* tag, const char* name) {
    for (int slot = gk::kFirstUserSprite; slot < gk::kSpriteSlots; ++slot) {
        SpriteObject& s = gkSprites[slot];
        if (s.name[0] != '\0') continue;
        std::strcpy(s.name, name);
        s.fromPack = 0;
        s.placement = 2;
        return slot;
    }
    return gkSystem::ErrorBox(tag, "オブジェクト数が多過ぎます", 0);
}

// Loads the file name (relative to the executable's folder) into the claimed slot and keys it.
bool FillFromFile(int slot, const char* name, int placement) {
    std::string path = std::string(gkSystem::GetPath(0)) + name;
    SpriteObject& s = gkSprites[slot];
    s.surface = gkDraw::LoadBitmapSurface(path.c_str(), &s.width, &s.height, placement);
    if (!s.surface) return false;
    gkDraw::ApplyDefaultKey(slot);
    return true;
}

bool NameTooLong(const char* tag, const char* name) {
    if (std::strlen(name) <= kMaxNameLength) return false;
    gkSystem::ErrorBox(tag, "ファイル名またはリソース名が長すぎます", 0);
    return true;
}

}  // namespace

namespace gkDraw {

void EmptySlot(int slot) {
    gkSprites[slot] = SpriteObject{};
}

void ApplyDefaultKey(int slot) {
    uint32_t key = cornerKeyMode ? kCornerKey : defaultColorKey;
    SetSurfaceColorKey(gkSprites[slot].surface, key);
    gkSprites[slot].colorKey = key;
}

int FillBlankObject(int slot, int width, int height, int placement) {
    SpriteObject& s = gkSprites[slot];
    s.width = static_cast<uint16_t>(width);
    s.height = static_cast<uint16_t>(height);
    if (int32_t r = plat::CreateSurface(gkScreen.DirectDraw, PlacementCaps(placement), width,
                                        height, &s.surface);
        r != plat::DD_OK)
        return gkSystem::ErrorBox("gkDraw::CreateObject", "スプライトを作成できません", r);
    ApplyDefaultKey(slot);
    return slot;
}

bool ValidSlot(int slot) {
    return slot >= 0 && slot < gk::kSpriteSlots;
}

plat::Surface* ObjectSurface(int n) {
    return ValidSlot(n) ? gkSprites[n].surface : nullptr;
}

int LoadObject(const char* name, int placement) {
    constexpr char kTag[] = "gkDraw::LoadObject";
    if (!name) return gkSystem::ErrorBox(kTag, kUnreadable, 0);
    if (NameTooLong(kTag, name)) return 0;
    int slot = ClaimSlot(kTag, name);
    if (slot == 0) return 0;
    if (FillFromFile(slot, name, placement)) return slot;
    return gkSystem::ErrorBox(kTag, kUnreadable, 0);
}

int CreateObject(int width, int height, int placement) {
    int slot = ClaimSlot("gkDraw::CreateObject", "*");
    return slot == 0 ? 0 : FillBlankObject(slot, width, height, placement);
}

int SwapObject(const char* name, int slot, int placement) {
    constexpr char kTag[] = "gkDraw::SwapObject";
    if (!ValidSlot(slot)) return 0;
    if (!name) return gkSystem::ErrorBox(kTag, kUnreadable, 0);
    if (NameTooLong(kTag, name)) return 0;
    SpriteObject& s = gkSprites[slot];
    if (s.surface) {
        plat::ReleaseSurface(s.surface);
        s.surface = nullptr;
    }
    std::strcpy(s.name, name);
    s.fromPack = 0;
    s.placement = 2;
    if (FillFromFile(slot, name, placement)) return 1;
    return gkSystem::ErrorBox(kTag, kUnreadable, 0);
}

void ReleaseObject(int slot) {
    if (!ValidSlot(slot)) return;
    SpriteObject& s = gkSprites[slot];
    if (!s.surface) return;
    plat::ReleaseSurface(s.surface);
    s.surface = nullptr;
    s.name[0] = '\0';
    s.colorKey = 0;
    s.width = s.height = 0;
}

void RestoreObjects() {
    plat::Restore(gkScreen.Primary);
    if (gkScreen.Back && plat::IsLost(gkScreen.Back) != plat::DD_OK) plat::Restore(gkScreen.Back);
    for (int slot = 0; slot < gk::kSpriteSlots; ++slot) {
        SpriteObject& s = gkSprites[slot];
        if (!s.surface || plat::IsLost(s.surface) == plat::DD_OK) continue;
        if (slot >= gk::kFirstUserSprite && s.name[0] == '\0') continue;
        plat::Restore(s.surface);
        // Internal slots and blank objects keep whatever the restored memory holds.
        if (slot < gk::kFirstUserSprite || s.name[0] == '*') continue;
        SetDefaultColorKey(s.colorKey);
        std::string name = s.name;  // the reload rewrites the slot's name field
        if (s.fromPack == 1)
            SwapPack(name.c_str(), slot, s.placement);
        else
            SwapObject(name.c_str(), slot, s.placement);
    }
}

void SetDefaultColorKey(uint32_t color) {
    defaultColorKey = color;
    cornerKeyMode = false;
}

void UseCornerColorKey() {
    cornerKeyMode = true;
}

void SetObjectColorKey(int slot, uint32_t color) {
    if (!ValidSlot(slot)) return;
    gkSprites[slot].colorKey = color;
    SetSurfaceColorKey(gkSprites[slot].surface, color);
}

void SetObjectCornerColorKey(int slot) {
    SetObjectColorKey(slot, kCornerKey);
}

void CopyColorKey(int dst, int src) {
    uint32_t key = 0;
    if (!ValidSlot(dst) || !ValidSlot(src)) return;
    if (plat::GetColorKey(gkSprites[src].surface, plat::DDCKEY_SRCBLT, &key) == plat::DD_OK)
        plat::SetColorKey(gkSprites[dst].surface, plat::DDCKEY_SRCBLT, key);
}

}  // namespace gkDraw
