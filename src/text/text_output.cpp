// Text drawn straight onto the back screen through the open font selection: colours, text at a
// point and in a rectangle, the standard print style, formatted prints and the frame-rate line.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "text/text.h"

gkTextState gkText;
gkFpsState gkFps;

namespace {

constexpr uint32_t kRectFormat = plat::DT_WORDBREAK | plat::DT_NOPREFIX;
constexpr uint32_t kFpsWindowMs = 2000;
constexpr int kMaxFrames = 999;

// The standard print style around one line of text.
void PrintStyled(int x, int y, const char* text) {
    gkDraw::SelectFont(1, 12, 0, 0, 0, 0);
    gkDraw::SetTextColors(0xFFFFFF, 0x800000, 0);
    gkDraw::PutText(x, y, text);
    gkDraw::ReleaseFont();
}

// Formats the common prints (text with %d, %s, %c and %%) without the C library's general
// formatter, which costs more than drawing the digit it makes. Output past size - 1 bytes is
// cut as vsnprintf cuts it. False, with args partly read, for any other conversion, a flag, a
// width or a null string: the caller then formats with vsnprintf from its own copy of the
// arguments.
bool FormatCommon(char* out, size_t size, const char* format, va_list args) {
    size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < size) out[n] = c;
        ++n;
    };
    for (const char* f = format; *f; ++f) {
        if (*f != '%') {
            put(*f);
            continue;
        }
        switch (*++f) {
            case '%':
                put('%');
                break;
            case 'c':
                put(static_cast<char>(va_arg(args, int)));
                break;
            case 's': {
                const char* text = va_arg(args, const char*);
                if (!text) return false;
                while (*text) put(*text++);
                break;
            }
            case 'd': {
                const int value = va_arg(args, int);
                unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : value;
                char digits[10];
                int count = 0;
                do {
                    digits[count++] = static_cast<char>('0' + magnitude % 10);
                    magnitude /= 10;
                } while (magnitude != 0);
                if (value < 0) put('-');
                while (count > 0) put(digits[--count]);
                break;
            }
            default:
                return false;
        }
    }
    out[std::min(n, size - 1)] = '\0';
    return true;
}

}  // namespace

namespace gkDraw {

void SetTextColors(uint32_t textColor, uint32_t backColor, int transparent) {
    gkText.TextColor = textColor;
    gkText.BackColor = backColor;
    if (!gkFont.Dc) return;
    plat::SetTextColor(gkFont.Dc, textColor);
    plat::SetBkColor(gkFont.Dc, backColor);
    plat::SetBkMode(gkFont.Dc, transparent == 0 ? plat::OPAQUE : plat::TRANSPARENT);
}

// A missing text (NULL) draws and measures as an empty one.
void PutText(int x, int y, const char* text) {
    if (!text) text = "";
    if (gkFont.Dc) plat::TextOut(gkFont.Dc, x, y, text, static_cast<int>(std::strlen(text)));
}

void PutTextRect(int left, int top, int right, int bottom, const char* text, int align) {
    gkText.Box = {left, top, right, bottom};
    if (!gkFont.Dc || align < 0 || align > 2) return;
    plat::DrawText(gkFont.Dc, text ? text : "", -1, &gkText.Box,
                   kRectFormat | static_cast<uint32_t>(align));
}

void MeasureTextRect(int left, int top, int right, int bottom, const char* text) {
    gkText.Measured = {left, top, right, bottom};
    if (gkFont.Dc)
        plat::DrawText(gkFont.Dc, text ? text : "", -1, &gkText.Measured,
                       kRectFormat | plat::DT_CALCRECT);
}

void PrintText(int x, int y, const char* text) {
    PrintStyled(x, y, text ? text : "");
}

void PrintFormat(int x, int y, const char* format, ...) {
    char buffer[gk::kTextBufferSize];
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    if (!FormatCommon(buffer, sizeof buffer, format, args))
        std::vsnprintf(buffer, sizeof buffer, format, again);
    va_end(again);
    va_end(args);
    PrintStyled(x, y, buffer);
}

void ShowFps() {
    if (plat::Now() >= gkFps.NextUpdate) {
        gkFps.Fps = static_cast<float>(gkFps.Frames) / 2.0f;
        if (gkFps.Fps > gkFps.MaxFps) gkFps.MaxFps = gkFps.Fps;
        if (gkFps.Fps > 0.0f && gkFps.Fps < gkFps.MinFps) gkFps.MinFps = gkFps.Fps;
        gkFps.NextUpdate = plat::Now() + kFpsWindowMs;
        gkFps.Frames = 0;
    }
    if (++gkFps.Frames > kMaxFrames) gkFps.Frames = kMaxFrames;
    std::snprintf(gkFps.Text, sizeof(gkFps.Text), "%3.1f fps ( max %3.1f / min %3.1f )",
                  static_cast<double>(gkFps.Fps), static_cast<double>(gkFps.MaxFps),
                  static_cast<double>(gkFps.MinFps));
    PrintStyled(0, 0, gkFps.Text);
}

}  // namespace gkDraw
