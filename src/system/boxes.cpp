// Information and question boxes, the error report and the debug log.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "draw/draw.h"
#include "gk_limits.h"
#include "platform/sjis.h"
#include "platform/window.h"
#include "sound/sound.h"
#include "system/system.h"

namespace gkSystem {

// Formats into a box text of kTextBufferSize bytes, leaving room for the closing "\r\n".
// Text that does not fit is cut at a character boundary.
static void FormatBoxText(char (&text)[gk::kTextBufferSize], const char* format, va_list args) {
    char formatted[gk::kTextBufferSize * 4];
    std::vsnprintf(formatted, sizeof formatted, format, args);
    size_t length = plat::SjisFit(formatted, sizeof text - 3);
    std::memcpy(text, formatted, length);
    std::memcpy(text + length, "\r\n", 3);
}

// In full-screen mode the display shows the window system's surface again, so that the box
// can be seen.
static void UncoverDesktop() {
    if (gkScreen.DirectDraw) plat::FlipToGDISurface(gkScreen.DirectDraw);
}

// Shows a box the user answers; the cursor stays visible while it is open and the time it was
// open does not count as frame time.
static int ShowUserBox(const char* text, UINT style) {
    UncoverDesktop();
    if (!gkApp.CursorShown) {
        plat::ShowCursor(true);
        gkApp.CursorShown = 1;
    }
    gkApp.MessageBoxOpen = 1;
    int answer = AnswerBox(text, "メッセージ", style);
    gkApp.MessageBoxOpen = 0;
    ResetFrameTime();
    return answer;
}

void Message(const char* format, ...) {
    char text[gk::kTextBufferSize];
    va_list args;
    va_start(args, format);
    FormatBoxText(text, format, args);
    va_end(args);
    ShowUserBox(text, MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
}

int Question(const char* format, ...) {
    char text[gk::kTextBufferSize];
    va_list args;
    va_start(args, format);
    FormatBoxText(text, format, args);
    va_end(args);
    return ShowUserBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

int ErrorBox(const char* tag, const char* message, int) {
    char joined[gk::kTextBufferSize * 4];
    std::snprintf(joined, sizeof joined, "%s : %s", tag, message);
    char text[gk::kTextBufferSize];
    size_t length = plat::SjisFit(joined, sizeof text - 1);
    std::memcpy(text, joined, length);
    text[length] = '\0';
    UncoverDesktop();
    gkSound::Beep();
    AnswerBox(text, "エラー発生", MB_OK | MB_ICONWARNING | MB_SYSTEMMODAL);
    gkApp.Error = 1;
    return 0;
}

int IsError() {
    return gkApp.Error;
}

int CheckError() {
    if (gkApp.Error) Quit();
    return gkApp.Error;
}

void Log(const char* format, ...) {
    FILE* file = std::fopen("DEBUG.TXT", "a");
    if (!file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace gkSystem
