// MCI command strings (mciSendString's role) for MIDI songs: a sequencer device opened from a
// MIDI file under an alias, played by FluidSynth with a General MIDI soundfont into the sound
// output's music source. The player is timed by the samples it renders, so it follows the
// audio device, or the virtual clock under the headless backend.
//
// Commands understood, with <a> the device's alias:
//   open "<file>" type sequencer alias <a>     seek <a> to start     play <a> [notify]
//   stop <a>     close <a>     status <a> mode  (answers "playing" or "stopped")
// "play ... notify" posts MM_MCINOTIFY to the given window when the play ends: wParam
// MCI_NOTIFY_SUCCESSFUL at the song's end, MCI_NOTIFY_ABORTED when a seek, stop or close ends
// it first, MCI_NOTIFY_SUPERSEDED when another "play ... notify" replaces it; lParam is the
// device id. The soundfont is GK_SOUNDFONT, else Debian's TimGM6mb; without one the songs keep
// their timing and sound silent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace plat {

constexpr uint32_t MM_MCINOTIFY = 0x3B9;
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 0x1;
constexpr uint32_t MCI_NOTIFY_SUPERSEDED = 0x2;
constexpr uint32_t MCI_NOTIFY_ABORTED = 0x4;

// Results, with the platform's values (0 is success).
constexpr uint32_t MCIERR_UNRECOGNIZED_KEYWORD = 259;
constexpr uint32_t MCIERR_UNRECOGNIZED_COMMAND = 261;
constexpr uint32_t MCIERR_HARDWARE = 262;
constexpr uint32_t MCIERR_INVALID_DEVICE_NAME = 263;
constexpr uint32_t MCIERR_MISSING_PARAMETER = 273;
constexpr uint32_t MCIERR_FILE_NOT_FOUND = 275;
constexpr uint32_t MCIERR_DUPLICATE_ALIAS = 289;
constexpr uint32_t MCIERR_NO_CLOSING_QUOTE = 294;
constexpr uint32_t MCIERR_INVALID_FILE = 296;

// Runs one command. The file name of "open" is a Shift-JIS path, Windows style or not. An
// answer (status) is copied into `answer` (at most answerSize - 1 bytes and a 0), which may be
// null when no answer is wanted. `notify` receives the play notification.
uint32_t MciSendString(const char* command, char* answer, uint32_t answerSize, HWND notify);

// True when a standard MIDI file holds together (header, track chunks, every event inside its
// track); songs are checked with it before the synthesiser reads them.
bool ValidMidi(const std::vector<uint8_t>& file);

namespace headless {
// Every command sent since the last reset, in order, as sent.
const std::vector<std::string>& MciCommands();
// Closes the device and forgets the commands.
void ResetMci();
}  // namespace headless

}  // namespace plat
