// The smallest game on gk, built by the package test against an installed gk and through
// add_subdirectory: it draws three frames headless, then quits, printing what it saw.
#include <gk/gk.h>

#include <cstdio>

static int frames = 0;
static int red, green, blue;

static void Init() {
    gkDraw::Screen(640, 480, 1);
    gkApp.Scene = 1;
}

static void Frame() {
    gkDraw::ClearScreen();
    gkDraw::DrawBox(10, 10, 50, 50, 0x0000FF00, 0x0000FF00, 1);  // green, 0x00BBGGRR
    gkDraw::GetPixel(30, 30, &red, &green, &blue);
    gkDraw::Present();
    if (++frames == 3) gkSystem::Quit();
}

int main() {
    gkSystem::SetGameHooks({Init, Frame, gkSystem::RouteKey, nullptr});
    gkSystem::SetGameTitle("Hello gk");
    int status = WinMain(nullptr, nullptr, "", 10);
    const unsigned char* text = reinterpret_cast<const unsigned char*>("表示");
    std::printf("frames %d, status %d, pixel %d %d %d, literal %02x %02x %02x %02x\n", frames,
                status, red, green, blue, text[0], text[1], text[2], text[3]);
    return status;
}
