// Deterministic runs: the recording's text format (reader and writer), recording every input a
// run receives, replaying it frame-exact on either backend, the frame limit, and the fixed
// frame time of a clock the program drives (headless, or a replay past its end).
//
// Events are tagged with the number of frames run when they happened. A replay applies the
// events of a tag before the next frame, one per loop pass, except the message box answers and
// cursor readings, which the run takes when it asks for them. While recording or replaying the
// clock is held: it moves only where the recording says (loop passes, after message boxes).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "draw/draw.h"
#include "gk_limits.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/joystick.h"

namespace gkSystem {

namespace {

constexpr char kHeader[] = "gk-recording 1";
constexpr int kKeys = 256;

// The window messages that carry input; everything else is the program talking to itself, or
// the window system placing the window (a replay keeps the window where its own system put it).
struct MessageName {
    UINT message;
    const char* name;
};
constexpr MessageName kInputMessages[] = {
    {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
    {WM_SETCURSOR, "WM_SETCURSOR"},
    {WM_KEYDOWN, "WM_KEYDOWN"},
    {WM_KEYUP, "WM_KEYUP"},
    {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
    {WM_SYSKEYUP, "WM_SYSKEYUP"},
    {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
    {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
    {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    {WM_LBUTTONUP, "WM_LBUTTONUP"},
    {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
    {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
    {WM_RBUTTONUP, "WM_RBUTTONUP"},
    {WM_RBUTTONDBLCLK, "WM_RBUTTONDBLCLK"},
    {WM_HOTKEY, "WM_HOTKEY"},
};

const char* InputMessageName(UINT message) {
    for (const MessageName& m : kInputMessages)
        if (m.message == message) return m.name;
    return nullptr;
}

// Names and value ranges of the other events; "joy" also takes "off" for its position.
struct Range {
    int64_t low, high;
};
struct KindSpec {
    RecordKind kind;
    const char* name;
    int count;
    Range ranges[4];
};
constexpr Range kInt32{INT32_MIN, INT32_MAX}, kUint32{0, UINT32_MAX};
constexpr KindSpec kKinds[] = {
    {RecordKind::Time, "time", 1, {kUint32}},
    {RecordKind::Message, "", 3, {kUint32, kUint32, {INT32_MIN, UINT32_MAX}}},
    {RecordKind::Key, "key", 2, {{0, kKeys - 1}, {0, 1}}},
    {RecordKind::Joystick, "joy", 4, {{0, gk::kJoysticks - 1}, {-1, 65535}, {0, 65535}, kUint32}},
    {RecordKind::Cursor, "cursor", 2, {kInt32, kInt32}},
    {RecordKind::Box, "box", 1, {{0, 7}}},
};

const KindSpec& Spec(RecordKind kind) {
    return kKinds[static_cast<int>(kind)];
}

// ---- Reading ----

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A decimal number with an optional '-', or 0x and hexadecimal digits; at most 12 digits, so
// nothing overflows before the range check.
bool Number(std::string_view word, int64_t& value) {
    bool negative = !word.empty() && word[0] == '-';
    if (negative) word.remove_prefix(1);
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    if (word.empty() || word.size() > 12) return false;
    value = 0;
    for (char c : word) {
        int digit = c >= '0' && c <= '9'                 ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
        if (digit < 0 || digit >= base) return false;
        value = value * base + digit;
    }
    if (negative) value = -value;
    return true;
}

bool NumberIn(std::string_view word, Range range, int64_t& value) {
    return Number(word, value) && value >= range.low && value <= range.high;
}

struct Reader {
    Recording& out;
    RecordingError& error;
    int line = 0;
    bool Fail(std::string reason) {
        error = {line, std::move(reason)};
        return false;
    }
    bool Event(const std::vector<std::string_view>& words);
    bool Line(std::string_view text, int& stage);
};

bool Reader::Event(const std::vector<std::string_view>& words) {
    int64_t frame;
    if (!NumberIn(words[0], kUint32, frame)) return Fail("a frame number is expected first");
    if (!out.events.empty() && frame < out.events.back().frame)
        return Fail("frame " + std::string(words[0]) + " comes after a later frame");
    if (words.size() < 2) return Fail("the event is missing after the frame number");
    RecordEvent event{static_cast<uint32_t>(frame), RecordKind::Message, {}, line};
    std::string name(words[1]);
    int preset = 0;  // leading values the name gives: a message's number
    bool known = false;
    for (const MessageName& m : kInputMessages)
        if (name == m.name) {
            event.values[0] = m.message;
            preset = 1;
            known = true;
        }
    for (const KindSpec& spec : kKinds)
        if (*spec.name && name == spec.name) {
            event.kind = spec.kind;
            known = true;
        }
    if (!known) return Fail("unknown event \"" + name + "\"");
    const KindSpec& spec = Spec(event.kind);
    bool unplugged = event.kind == RecordKind::Joystick && words.size() == 4 && words[3] == "off";
    size_t count = unplugged ? 2 : static_cast<size_t>(spec.count - preset);
    if (words.size() != count + 2)
        return Fail(name + " takes " + std::to_string(count) + " values");
    for (size_t i = 0; i < count; ++i) {
        int64_t& value = event.values[i + preset];
        if (unplugged && i == 1) {
            value = -1;
        } else if (!NumberIn(words[i + 2], spec.ranges[i + preset], value)) {
            return Fail("value " + std::to_string(i + 1) + " of " + name +
                        " is not a number in range");
        }
    }
    if (event.kind == RecordKind::Joystick && !unplugged && event.values[1] < 0)
        return Fail("an attached joystick's x is 0 to 65535");
    out.events.push_back(event);
    return true;
}

// Stages: 0 expects the header, 1 the seed, 2 events or the end line, 3 nothing more.
bool Reader::Line(std::string_view text, int& stage) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    std::vector<std::string_view> words = Words(text);
    if (words.empty() || words[0][0] == '#') return true;
    int64_t value;
    switch (stage) {
        case 0:
            if (words.size() != 2 || words[0] != "gk-recording" || words[1] != "1")
                return Fail(std::string("not a recording: the first line must be \"") + kHeader +
                            "\"");
            break;
        case 1:
            if (words.size() != 2 || words[0] != "seed" || !NumberIn(words[1], kUint32, value))
                return Fail("\"seed N\" is expected, N from 0 to 4294967295");
            out.seed = static_cast<uint32_t>(value);
            break;
        case 2:
            if (words[0] != "end") return Event(words);
            if (words.size() != 2 || !NumberIn(words[1], kUint32, value))
                return Fail("\"end FRAMES\" is expected");
            if (!out.events.empty() && value < out.events.back().frame)
                return Fail("the end comes before the last event's frame");
            out.endFrame = static_cast<uint32_t>(value);
            break;
        default:
            return Fail("text after the end line");
    }
    ++stage;
    return true;
}

// ---- The run ----

struct RunState {
    RunOptions options;
    std::string recordPath;
    std::FILE* record = nullptr;
    bool recording = false;
    bool replaying = false;
    Recording replay;
    size_t next = 0;  // next replay event
    bool divergenceReported = false;
    uint32_t frames = 0;  // frames run
    bool closePosted = false;
    uint32_t seed = 0;
    // The inputs as the recording knows them: last written, or replayed so far.
    uint32_t time = 0;
    bool keys[kKeys] = {};
    plat::JoyReading joysticks[gk::kJoysticks] = {};
    int cursorX = 0, cursorY = 0;
    bool cursorKnown = false;
    // The fixed frame time of a program-driven clock: frames since pacingBase.
    uint32_t pacingBase = 0, pacedFrames = 0, frameStart = 0;
    bool pacing = false;
};

RunState run;

void Write(RecordKind kind, int64_t a, int64_t b = 0, int64_t c = 0, int64_t d = 0) {
    if (!run.record) return;
    std::string line = FormatEvent({run.frames, kind, {a, b, c, d}, 0});
    std::fprintf(run.record, "%s\n", line.c_str());
}

void WriteTimeIfMoved() {
    uint32_t now = plat::Now();
    if (now == run.time) return;
    run.time = now;
    Write(RecordKind::Time, now);
}

bool ReplayOver() {
    return run.next >= run.replay.events.size() && run.frames >= run.replay.endFrame;
}

// The replay and the run no longer agree on when something was asked for.
void ReportDivergence(int line) {
    if (run.divergenceReported) return;
    run.divergenceReported = true;
    std::fprintf(stderr, "gk: %s:%d: the run did not take this input where it was recorded\n",
                 run.options.replay.c_str(), line);
}

// The next replay event when it is of this kind and belongs to this frame, else null.
const RecordEvent* NextReplayed(RecordKind kind) {
    if (!run.replaying || run.next >= run.replay.events.size()) return nullptr;
    const RecordEvent& e = run.replay.events[run.next];
    return e.kind == kind && e.frame == run.frames ? &e : nullptr;
}

bool TakenWhenAsked(RecordKind kind) {
    return kind == RecordKind::Box || kind == RecordKind::Cursor;
}

void Apply(const RecordEvent& e) {
    switch (e.kind) {
        case RecordKind::Time:
            plat::SetClock(static_cast<uint32_t>(e.values[0]));
            break;
        case RecordKind::Message:
            plat::DispatchMessage({static_cast<UINT>(e.values[0]), static_cast<WPARAM>(e.values[1]),
                                   static_cast<LPARAM>(e.values[2])});
            break;
        case RecordKind::Key:
            run.keys[e.values[0]] = e.values[1] != 0;
            plat::SetKeyState(static_cast<int>(e.values[0]), e.values[1] != 0);
            break;
        case RecordKind::Joystick: {
            bool attached = e.values[1] >= 0;
            plat::SetFedJoystick(
                static_cast<int>(e.values[0]),
                {attached, static_cast<uint32_t>(attached ? e.values[1] : 0),
                 static_cast<uint32_t>(e.values[2]), static_cast<uint32_t>(e.values[3])});
            break;
        }
        case RecordKind::Cursor:
        case RecordKind::Box:
            break;
    }
}

// Recording: the key table and the joysticks as they stand when a frame starts.
void RecordFrameInputs() {
    for (int vk = 0; vk < kKeys; ++vk) {
        bool down = plat::IsKeyDown(vk);
        if (down != run.keys[vk]) Write(RecordKind::Key, vk, down);
        run.keys[vk] = down;
    }
    for (int id = 0; id < gk::kJoysticks; ++id) {
        plat::JoyReading r = plat::ReadJoystickDevice(id);
        plat::JoyReading& known = run.joysticks[id];
        if (r.attached != known.attached ||
            (r.attached && (r.x != known.x || r.y != known.y || r.buttons != known.buttons)))
            Write(RecordKind::Joystick, id, r.attached ? int64_t{r.x} : -1, r.attached ? r.y : 0,
                  r.attached ? r.buttons : 0);
        known = r;
        plat::SetFedJoystick(id, r);
    }
}

}  // namespace

bool ReadRecording(std::string_view text, Recording& recording, RecordingError& error) {
    recording = Recording{};
    Reader reader{recording, error};
    int stage = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++reader.line;
        if (text.substr(start, end - start).find('\0') != std::string_view::npos)
            return reader.Fail("a zero byte in the text");
        if (!reader.Line(text.substr(start, end - start), stage)) return false;
        start = end + 1;
    }
    if (stage < 3)
        return reader.Fail(stage == 0 ? "the recording is empty"
                                      : "the recording stops before its end line (cut short?)");
    return true;
}

std::string FormatEvent(const RecordEvent& e) {
    char line[128];
    const int64_t* v = e.values;
    const unsigned long long frame = e.frame;
    switch (e.kind) {
        case RecordKind::Message: {
            const char* name = InputMessageName(static_cast<UINT>(v[0]));
            std::snprintf(line, sizeof line,
                          v[2] < 0 ? "%llu %s 0x%llx %lld" : "%llu %s 0x%llx 0x%llx", frame,
                          name ? name : "WM_NULL", static_cast<unsigned long long>(v[1]),
                          static_cast<long long>(v[2]));
            break;
        }
        case RecordKind::Joystick:
            if (v[1] < 0) {
                std::snprintf(line, sizeof line, "%llu joy %lld off", frame,
                              static_cast<long long>(v[0]));
                break;
            }
            std::snprintf(line, sizeof line, "%llu joy %lld %lld %lld 0x%llx", frame,
                          static_cast<long long>(v[0]), static_cast<long long>(v[1]),
                          static_cast<long long>(v[2]), static_cast<unsigned long long>(v[3]));
            break;
        case RecordKind::Key:
            std::snprintf(line, sizeof line, "%llu key 0x%02llx %lld", frame,
                          static_cast<unsigned long long>(v[0]), static_cast<long long>(v[1]));
            break;
        default: {
            const KindSpec& spec = Spec(e.kind);
            int n = std::snprintf(line, sizeof line, "%llu %s", frame, spec.name);
            for (int i = 0; i < spec.count; ++i)
                n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " %lld",
                                   static_cast<long long>(v[i]));
        }
    }
    return line;
}

bool StartRun(const RunOptions& options) {
    EndRun();
    run = RunState{};
    run.options = options;
    run.seed = static_cast<uint32_t>(std::time(nullptr));
    run.pacing = plat::IsHeadless();
    if (!options.record.empty() && !options.replay.empty()) {
        std::fprintf(stderr, "gk: GK_RECORD and GK_REPLAY cannot be used together\n");
        return false;
    }
    if (!options.replay.empty()) {
        std::string text;
        std::FILE* file = std::fopen(options.replay.c_str(), "rb");
        if (!file) {
            std::fprintf(stderr, "gk: %s: cannot read the recording: %s\n", options.replay.c_str(),
                         std::strerror(errno));
            return false;
        }
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            text.append(buffer, n);
        std::fclose(file);
        RecordingError error;
        if (!ReadRecording(text, run.replay, error)) {
            std::fprintf(stderr, "gk: %s:%d: %s\n", options.replay.c_str(), error.line,
                         error.reason.c_str());
            return false;
        }
        run.replaying = true;
        run.seed = run.replay.seed;
        run.pacing = false;
        plat::FeedJoysticks(true);
    }
    run.recording = !options.record.empty();
    if (run.recording || run.replaying) plat::HoldClock(true);
    // The times before the first loop pass: those of start-up.
    while (NextReplayed(RecordKind::Time)) Apply(run.replay.events[run.next++]);
    return true;
}

bool OpenRecording() {
    if (!run.recording) return true;
    run.record = std::fopen(run.options.record.c_str(), "w");
    if (!run.record) {
        std::fprintf(stderr, "gk: %s: cannot write the recording: %s\n", run.options.record.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fprintf(run.record, "%s\nseed %u\n", kHeader, run.seed);
    run.time = plat::Now();
    Write(RecordKind::Time, run.time);
    plat::FeedJoysticks(true);
    return true;
}

void EndRun() {
    if (run.record) {
        std::fprintf(run.record, "end %u\n", run.frames);
        std::fclose(run.record);
        run.record = nullptr;
    }
    if (run.recording || run.replaying) {
        plat::HoldClock(false);
        plat::FeedJoysticks(false);
    }
    uint32_t seed = run.seed;  // stays readable after the run
    run = RunState{};
    run.seed = seed;
}

uint32_t RandomSeed() {
    return run.seed;
}

int AnswerBox(const char* text, const char* title, UINT style) {
    if (!run.replaying) {
        int answer = plat::MessageBox(text, title, style);
        if (run.recording) {
            Write(RecordKind::Box, answer);
            plat::SampleClock();  // the time the box was open is the user's
            WriteTimeIfMoved();
        }
        return answer;
    }
    const RecordEvent* e = NextReplayed(RecordKind::Box);
    if (!e) {
        ReportDivergence(run.next < run.replay.events.size() ? run.replay.events[run.next].line
                                                             : 0);
        return (style & 0xF) == MB_YESNO ? IDNO : IDOK;
    }
    int answer = static_cast<int>(e->values[0]);
    ++run.next;
    while (NextReplayed(RecordKind::Time)) Apply(run.replay.events[run.next++]);
    return answer;
}

void CursorPosition(int& x, int& y) {
    if (run.replaying) {
        if (const RecordEvent* e = NextReplayed(RecordKind::Cursor)) {
            run.cursorX = static_cast<int>(e->values[0]);
            run.cursorY = static_cast<int>(e->values[1]);
            ++run.next;
        }
        x = gkScreen.OriginX + run.cursorX;
        y = gkScreen.OriginY + run.cursorY;
        return;
    }
    plat::GetCursorPos(x, y);
    const int fromClientX = x - gkScreen.OriginX, fromClientY = y - gkScreen.OriginY;
    if (run.recording &&
        (!run.cursorKnown || fromClientX != run.cursorX || fromClientY != run.cursorY))
        Write(RecordKind::Cursor, fromClientX, fromClientY);
    run.cursorKnown = true;
    run.cursorX = fromClientX;
    run.cursorY = fromClientY;
}

// ---- Loop pass hooks (used by the message loop) ----

void BeginLoopPass() {
    if (!run.recording) return;
    plat::SampleClock();
    WriteTimeIfMoved();
}

// A message taken from the queue: recorded when it carries input; false when a replay ignores
// it because it is real input.
bool TakeMessage(const plat::Msg& msg) {
    if (!InputMessageName(msg.message)) return true;
    if (run.replaying) return false;
    Write(RecordKind::Message, msg.message, static_cast<int64_t>(msg.wParam),
          static_cast<int64_t>(msg.lParam));
    return true;
}

// Applies the next replay event due before the coming frame; false when there is none.
bool FeedReplay() {
    if (!run.replaying) return false;
    std::vector<RecordEvent>& events = run.replay.events;
    while (run.next < events.size() && events[run.next].frame < run.frames) {
        ReportDivergence(events[run.next].line);
        ++run.next;
    }
    if (run.next >= events.size() || events[run.next].frame != run.frames ||
        TakenWhenAsked(events[run.next].kind))
        return false;
    Apply(events[run.next++]);
    return true;
}

// True once the run should end instead of running another frame: the frame limit is reached,
// or, without one, a replay has given all its input. The first time, the window is closed as
// by its close box; should that not end the loop, the next time the loop is told to quit.
bool RunEnds() {
    bool ends =
        run.options.frames >= 0 ? run.frames >= run.options.frames : run.replaying && ReplayOver();
    if (!ends) return false;
    if (run.closePosted) {
        plat::PostQuitMessage(0);
    } else {
        plat::PostMessage(WM_CLOSE, 0, 0);
        run.closePosted = true;
    }
    return true;
}

void BeginFrame() {
    run.frameStart = plat::Now();
    if (run.recording) RecordFrameInputs();
    if (run.replaying)  // real key presses between frames do not count
        for (int vk = 0; vk < kKeys; ++vk) plat::SetKeyState(vk, run.keys[vk]);
}

// Counts the frame, and moves a clock the program drives to the next frame time: frame n after
// the one that started the schedule is due n * 1000 / fps ms after that one started. A frame
// that overran the schedule by more than a frame starts it again.
void EndFrame() {
    ++run.frames;
    bool driven = run.replaying ? ReplayOver() : run.pacing;
    int fps = run.options.headlessFps;
    if (!driven || fps <= 0) return;
    uint32_t now = plat::Now();
    if (run.pacedFrames == 0) run.pacingBase = run.frameStart;
    ++run.pacedFrames;
    uint32_t due = run.pacingBase + static_cast<uint32_t>(uint64_t{run.pacedFrames} * 1000 /
                                                          static_cast<uint32_t>(fps));
    if (static_cast<int32_t>(now - due) > 1000 / fps) {
        run.pacingBase = now;
        run.pacedFrames = 0;
        return;
    }
    plat::SleepUntil(due);
}

}  // namespace gkSystem
