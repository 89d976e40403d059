// Sound: a WAV chime with its echo (Space), panned left and right (the arrow keys), and a MIDI
// song looping in the background (M starts and stops it). Escape quits.
#include <gk/gk.h>

static int chime = -1, pan;  // pan in decibels, -50 (left) to 50 (right)
static bool music;

static void Init() {
    gkDraw::Screen(640, 480, 1);                       // also opens the sound output
    chime = gkSound::LoadObject("wav\\chime.wav", 2);  // two channels: the echo's copies
    gkApp.Scene = 1;
}

static void Frame() {
    gkSound::Echo(chime, 150, 4, 6);  // while an echo runs: a copy every 150 ms, 6 dB quieter
    gkDraw::ClearScreen();
    gkDraw::PrintFormat(40, 40, "Space: チャイム  ←→: パン  M: 音楽 %s  Esc: 終了",
                        music ? "オン" : "オフ");
    gkDraw::DrawBox(120, 200, 520, 220, 0x00303030, 0x00808080, 1);
    gkDraw::DrawBox(310 + pan * 4, 190, 330 + pan * 4, 230, 0x0000C0FF, 0x0000C0FF, 1);
    gkDraw::Present();
}

static void KeyDown(int key) {
    gkSystem::RouteKey(key);
    if (key == ' ') gkSound::Play(chime, -2);  // round-robin start with the echo
    if (key == VK_LEFT || key == VK_RIGHT) {
        pan += key == VK_LEFT ? (pan > -50 ? -10 : 0) : (pan < 50 ? 10 : 0);
        gkSound::SetPan(chime, pan, -1);  // every channel
    }
    if (key == 'M') {
        music = !music;
        if (music)
            gkSound::PlayMidi("midi\\tune.mid", 1);  // 1: loop
        else
            gkSound::StopMidi();
    }
    if (key == VK_ESCAPE) gkSystem::Quit();
}

int main() {
    gkSystem::SetGameHooks({Init, Frame, KeyDown, nullptr});
    gkSystem::SetGameTitle("gk example: sound");
    return WinMain(nullptr, nullptr, "", 10);
}
