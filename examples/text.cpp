// Japanese text: a title printed with PrintFormat, and a message box typed out glyph by glyph
// (line breaking and the typewriter reveal). Enter starts the message again, Escape asks whether
// to quit in a message box.
#include <gk/gk.h>

static const char kStory[] =
    "むかしむかし、ある村に小さな箱がありました。箱の中には九つの部屋があり、"
    "それぞれの部屋に一つずつ積み木を置くことができました。\n"
    "The text wraps at the box's right edge; punctuation such as 。 never starts a line.";

static void StartMessage() {
    gkDraw::SelectFont(1, 24, 0, 0, 0, 0);  // the Gothic face, 24 pixels high
    gkDraw::SetTextColors(0x00FFFFFF, 0x00804000, 1);
    gkDraw::MakeMessage(60, 120, 580, 420, kStory, gkDraw::kMessageShadow | 4);
    gkDraw::ReleaseFont();
}

static void Init() {
    gkDraw::Screen(640, 480, 1);
    StartMessage();
    gkApp.Scene = 1;
}

static void Frame() {
    gkDraw::ClearScreen();
    gkDraw::DrawBox(40, 100, 600, 440, 0x00402010, 0x00C08040, 1);
    gkDraw::PrintFormat(40, 40, "日本語のテキスト: Enter でもう一度, Esc で終了");
    gkDraw::TypeMessage(0.05f);  // one more glyph every 50 ms
    gkDraw::Present();
}

static void KeyDown(int key) {
    gkSystem::RouteKey(key);
    if (key == VK_RETURN) StartMessage();
    if (key == VK_ESCAPE && gkSystem::Question("終了しますか？") == 1) gkSystem::Quit();
}

int main() {
    gkSystem::SetGameHooks({Init, Frame, KeyDown, nullptr});
    gkSystem::SetGameTitle("gk example: text");
    return WinMain(nullptr, nullptr, "", 10);
}
