// MCI sequencer commands over FluidSynth: a command parser, a MIDI file check, and one device
// whose song is rendered as the sound output's music source.
#include "platform/mci.h"

#include <fluidsynth.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/backend.h"
#include "platform/files.h"
#include "platform/sound.h"

namespace plat {

namespace {

constexpr const char* kDefaultSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr uint32_t MCIERR_SEQ_PORT_INUSE = 337;  // a second song while one is open

// ---- MIDI file check: a file FluidSynth is handed must be whole and well formed.

struct Bytes {
    const uint8_t* p;
    const uint8_t* end;

    bool Has(uint32_t n) const { return static_cast<size_t>(end - p) >= n; }
    uint32_t BigEndian(int n) {
        uint32_t v = 0;
        while (n--) v = v << 8 | *p++;
        return v;
    }
    bool VarLen(uint32_t* v) {
        *v = 0;
        for (int i = 0; i < 4 && Has(1); ++i) {
            uint8_t b = *p++;
            *v = *v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
};

bool ValidTrack(Bytes r) {
    uint8_t running = 0;
    while (r.Has(1)) {
        uint32_t delta, length;
        if (!r.VarLen(&delta) || !r.Has(1)) return false;
        uint8_t status = *r.p;
        if (status & 0x80) {
            ++r.p;
        } else if (running) {
            status = running;  // running status: the data bytes follow at once
        } else {
            return false;
        }
        if (status == 0xFF) {  // meta event: type, length, data
            if (!r.Has(1)) return false;
            ++r.p;
            if (!r.VarLen(&length)) return false;
        } else if (status == 0xF0 || status == 0xF7) {  // system exclusive: length, data
            if (!r.VarLen(&length)) return false;
        } else if (status > 0xF0) {
            return false;
        } else {
            running = status;
            length = (status & 0xE0) == 0xC0 ? 1 : 2;  // program change, channel pressure: 1
        }
        if (!r.Has(length)) return false;
        r.p += length;
    }
    return true;
}

}  // namespace

bool ValidMidi(const std::vector<uint8_t>& file) {
    Bytes r{file.data(), file.data() + file.size()};
    if (!r.Has(14) || std::memcmp(r.p, "MThd", 4) != 0) return false;
    r.p += 4;
    uint32_t headerLength = r.BigEndian(4);
    if (headerLength < 6 || !r.Has(headerLength)) return false;
    uint32_t format = r.BigEndian(2), tracks = r.BigEndian(2), division = r.BigEndian(2);
    r.p += headerLength - 6;
    // Time-code divisions (top bit set) are not played.
    if (format > 2 || tracks == 0 || division == 0 || (division & 0x8000)) return false;
    while (tracks > 0) {
        if (!r.Has(8)) return false;
        bool track = std::memcmp(r.p, "MTrk", 4) == 0;
        r.p += 4;
        uint32_t length = r.BigEndian(4);
        if (!r.Has(length)) return false;
        if (track) {
            if (!ValidTrack({r.p, r.p + length})) return false;
            --tracks;
        }
        r.p += length;
    }
    return true;
}

namespace {

// ---- The synthesizer, made on the first open and kept (loading the soundfont is slow).

fluid_settings_t* settings;
fluid_synth_t* synth;
uint32_t synthRate;

void Quiet(int, const char*, void*) {}

bool MakeSynth() {
    if (synth) return true;
    // FluidSynth's warnings (a missing soundfont, unknown presets) are not ours to print.
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, Quiet, nullptr);
    synthRate = sound::GetPrimaryFormat().nSamplesPerSec;
    settings = new_fluid_settings();
    if (!settings) return false;
    fluid_settings_setnum(settings, "synth.sample-rate", synthRate);
    fluid_settings_setstr(settings, "player.timing-source", "sample");
    synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        settings = nullptr;
        return false;
    }
    const char* soundfont = std::getenv("GK_SOUNDFONT");
    // Without a soundfont the songs keep their timing and are silent.
    fluid_synth_sfload(synth, soundfont && *soundfont ? soundfont : kDefaultSoundfont, 1);
    return true;
}

// ---- The one sequencer device. The render fields are shared with the audio thread and are
// only touched under the mixer lock.

struct Device {
    bool open;
    std::string alias;
    uint32_t id;
    std::vector<uint8_t> song;
    fluid_player_t* player;
    bool playing;  // a play is running
    bool atStart;  // the next play starts the song from its beginning
    bool atEnd;    // the last play reached the song's end
    bool notifyPending;
    HWND notifyWindow;
};

Device device;
uint32_t nextId = 1;
std::vector<std::string> commands;

// Posts the pending play notification with `code`. The message queue may be posted to from the
// audio thread.
void Notify(uint32_t code) {
    if (!device.notifyPending) return;
    device.notifyPending = false;
    if (device.notifyWindow) PostMessage(MM_MCINOTIFY, code, device.id);
}

// The song is over at the tick of its last event. The player itself only reports the end
// seconds later, after letting the last notes ring.
bool SongOver(fluid_player_t* player) {
    int total = fluid_player_get_total_ticks(player);
    return fluid_player_get_status(player) == FLUID_PLAYER_DONE ||
           (total > 0 && fluid_player_get_current_tick(player) >= total);
}

// Music source: renders the synthesizer and reports the end of the song.
void Render(int16_t* stereo, uint32_t frames, uint32_t rate) {
    if (rate != synthRate) {
        // The output changed its rate under a playing song. Recreating the synthesizer would
        // reload the soundfont on the audio thread; this call retunes it in place instead.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        fluid_synth_set_sample_rate(synth, static_cast<float>(rate));
#pragma GCC diagnostic pop
        synthRate = rate;
    }
    fluid_synth_write_s16(synth, static_cast<int>(frames), stereo, 0, 2, stereo, 1, 2);
    if (device.playing && SongOver(device.player)) {
        device.playing = false;
        device.atEnd = true;
        fluid_player_stop(device.player);
        Notify(MCI_NOTIFY_SUCCESSFUL);
    }
}

// Ends a running play: its pending notification gets `code`, the sounding notes stop.
void EndPlay(uint32_t code) {
    Notify(code);
    if (!device.playing) return;
    device.playing = false;
    fluid_player_stop(device.player);
    fluid_synth_all_sounds_off(synth, -1);
}

void ReleaseDevice() {
    if (device.player) delete_fluid_player(device.player);
    device = {};
}

bool ReadFile(const char* path, std::vector<uint8_t>* data) {
    FILE* file = OpenFile(path, "rb");
    if (!file) return false;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        data->insert(data->end(), chunk, chunk + n);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// open "<file>" [type sequencer] [alias <name>]
uint32_t Open(const std::vector<std::string>& words) {
    if (words.size() < 2) return MCIERR_MISSING_PARAMETER;
    std::string alias = words[1];
    for (size_t i = 2; i < words.size(); i += 2) {
        if (i + 1 >= words.size()) return MCIERR_MISSING_PARAMETER;
        if (words[i] == "type" && words[i + 1] == "sequencer") continue;
        if (words[i] == "type") return MCIERR_INVALID_DEVICE_NAME;
        if (words[i] != "alias") return MCIERR_UNRECOGNIZED_KEYWORD;
        alias = words[i + 1];
    }
    if (device.open) return device.alias == alias ? MCIERR_DUPLICATE_ALIAS : MCIERR_SEQ_PORT_INUSE;
    std::vector<uint8_t> song;
    if (!ReadFile(words[1].c_str(), &song)) return MCIERR_FILE_NOT_FOUND;
    if (!ValidMidi(song)) return MCIERR_INVALID_FILE;
    if (!sound::OpenOutput()) return MCIERR_HARDWARE;
    if (!MakeSynth()) {
        sound::CloseOutput();
        return MCIERR_HARDWARE;
    }
    {
        sound::MixerLock lock;
        device = {};
        device.open = true;
        device.alias = alias;
        device.id = nextId++;
        device.song = std::move(song);
        device.atStart = true;
    }
    sound::SetMusicSource(Render);
    return 0;
}

uint32_t Play(bool notify, HWND window) {
    sound::MixerLock lock;
    Notify(MCI_NOTIFY_SUPERSEDED);
    device.notifyPending = notify;
    device.notifyWindow = window;
    if (device.playing) return 0;
    if (device.atEnd && !device.atStart) {  // nothing left to play: done at once
        Notify(MCI_NOTIFY_SUCCESSFUL);
        return 0;
    }
    if (device.atStart) {
        if (device.player) delete_fluid_player(device.player);
        device.player = new_fluid_player(synth);
        if (!device.player || fluid_player_add_mem(device.player, device.song.data(),
                                                   device.song.size()) != FLUID_OK) {
            Notify(MCI_NOTIFY_ABORTED);
            return MCIERR_HARDWARE;
        }
    }
    fluid_player_play(device.player);
    device.playing = true;
    device.atStart = device.atEnd = false;
    return 0;
}

uint32_t Close() {
    {
        sound::MixerLock lock;
        EndPlay(MCI_NOTIFY_ABORTED);
        ReleaseDevice();
    }
    sound::SetMusicSource(nullptr);
    sound::CloseOutput();
    return 0;
}

// Splits a command into words; a double-quoted word may hold spaces. Words other than the
// file name are compared case-insensitively, so they are lower-cased here.
bool Split(const char* command, std::vector<std::string>* words) {
    const char* p = command;
    while (true) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) return true;
        std::string word;
        if (*p == '"') {
            const char* close = std::strchr(p + 1, '"');
            if (!close) return false;
            word.assign(p + 1, close);
            p = close + 1;
        } else {
            while (*p && *p != ' ' && *p != '\t') word += *p++;
            if (!(words->size() == 1 && (*words)[0] == "open"))
                for (char& c : word)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        words->push_back(std::move(word));
    }
}

void Answer(const char* text, char* answer, uint32_t answerSize) {
    if (!answer || answerSize == 0) return;
    std::strncpy(answer, text, answerSize - 1);
    answer[answerSize - 1] = 0;
}

}  // namespace

uint32_t MciSendString(const char* command, char* answer, uint32_t answerSize, HWND notify) {
    if (IsHeadless()) commands.push_back(command);
    Answer("", answer, answerSize);
    std::vector<std::string> words;
    if (!Split(command, &words)) return MCIERR_NO_CLOSING_QUOTE;
    if (words.empty()) return MCIERR_UNRECOGNIZED_COMMAND;
    const std::string& verb = words[0];
    if (verb == "open") return Open(words);
    if (verb != "seek" && verb != "play" && verb != "stop" && verb != "close" && verb != "status")
        return MCIERR_UNRECOGNIZED_COMMAND;
    if (words.size() < 2) return MCIERR_MISSING_PARAMETER;
    if (!device.open || words[1] != device.alias) return MCIERR_INVALID_DEVICE_NAME;
    std::vector<std::string> rest(words.begin() + 2, words.end());
    using Words = std::vector<std::string>;
    if (verb == "play" && (rest.empty() || rest == Words{"notify"}))
        return Play(!rest.empty(), notify);
    if (verb == "close" && rest.empty()) return Close();
    sound::MixerLock lock;
    if (verb == "seek" && rest == Words{"to", "start"}) {
        EndPlay(MCI_NOTIFY_ABORTED);
        device.atStart = true;
        device.atEnd = false;
        return 0;
    }
    if (verb == "stop" && rest.empty()) {
        EndPlay(MCI_NOTIFY_ABORTED);
        return 0;
    }
    if (verb == "status" && rest == Words{"mode"}) {
        Answer(device.playing ? "playing" : "stopped", answer, answerSize);
        return 0;
    }
    return MCIERR_UNRECOGNIZED_KEYWORD;
}

namespace headless {
const std::vector<std::string>& MciCommands() {
    return commands;
}
void ResetMci() {
    device.notifyPending = false;  // a reset notifies no one
    if (device.open) Close();
    commands.clear();
}
}  // namespace headless

}  // namespace plat
