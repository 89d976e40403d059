// gkpack: builds image and sound packs from folders of BMP and WAV files, lists a pack's entries
// and extracts one entry again. It runs the framework on the headless backend and writes every
// pack through the framework's own writers, so a pack it makes is byte for byte what a game's
// converter makes, and it reads packs with the framework's readers.
//
// The framework names files relative to the executable's folder, in Shift-JIS. The tool pins
// that folder to the current directory ("./"), moves into the source folder while it builds, and
// names its own files by paths relative to the current directory.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "draw/draw.h"
#include "platform/backend.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "sound/sound.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: gkpack images PACK FOLDER [--append] [-q]\n"
    "       gkpack sounds PACK FOLDER [--append] [-q]\n"
    "       gkpack list PACK [--images | --sounds]\n"
    "       gkpack extract PACK NAME OUT [--images | --sounds]\n"
    "\n"
    "  images   every BMP file of FOLDER into the image pack PACK, a new pack unless --append\n"
    "  sounds   every WAV file of FOLDER into the sound pack PACK, a new pack unless --append;\n"
    "           one line per file, files that cannot be packed are listed and counted\n"
    "  list     the entries of a pack (its kind is read from its layout, or forced) with their\n"
    "           offsets\n"
    "  extract  the entry NAME of PACK into OUT: a 24-bit BMP file (5 bits per channel, times\n"
    "           8) or a WAV file\n"
    "  -q       no lines per file and no progress, only errors\n"
    "\n"
    "Exit status: 0 on success, 1 when a file or the pack could not be read or written, 2 for a\n"
    "wrong command line. A pack is written beside its final name and renamed over it at the end.\n";

constexpr size_t kLongestName = 30;  // the longest entry name the pack loaders of a game take
constexpr size_t kManyFiles = 20;    // folders from this size show progress

struct Options {
    std::vector<std::string> args;  // the command and its operands
    bool append = false, quiet = false, images = false, sounds = false;
};

int Fail(const std::string& message) {
    std::fflush(stdout);  // the lines stay in order when both streams go to one place
    std::fprintf(stderr, "gkpack: %s\n", message.c_str());
    return 1;
}

// A path as the framework names it: relative to the current directory, in Shift-JIS. False for
// a path with characters that have no Shift-JIS form.
bool FrameworkName(const fs::path& path, std::string* name) {
    std::error_code error;
    const fs::path relative = fs::relative(path, error);
    return !error && plat::Utf8ToSjis(relative.string(), *name);
}

uint64_t SizeOf(const fs::path& path) {
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

// A new file beside `target` that Commit renames over it; removed if never committed, so a
// failed run leaves the target as it was.
class Staged {
  public:
    ~Staged() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    // Creates the file, holding a copy of the target when `copy` is set and the target exists.
    bool Open(const fs::path& target, bool copy) {
        target_ = fs::absolute(target);
        std::string name = target_.parent_path().string();
        name.append("/.").append(target_.filename().string()).append(".gkpack-XXXXXX");
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return false;
        path_ = name;
        struct stat info;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const bool exists = ::stat(target_.c_str(), &info) == 0;
        ::fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask);
        ::close(fd);
        std::error_code error;
        if (copy && exists)
            fs::copy_file(target_, path_, fs::copy_options::overwrite_existing, error);
        return !error;
    }
    const fs::path& Path() const { return path_; }
    bool Commit() {
        std::FILE* f = std::fopen(path_.c_str(), "rb");
        const bool synced = f && ::fsync(fileno(f)) == 0;
        if (f) std::fclose(f);
        if (!synced || std::rename(path_.c_str(), target_.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

  private:
    fs::path target_, path_;
};

// ---- reading packs ------------------------------------------------------------------------

enum class Kind { Sounds, Images };

const char* KindName(Kind kind) {
    return kind == Kind::Sounds ? "sound" : "image";
}

// One entry as a walk reads it.
struct Listed {
    std::string name;  // as stored, Shift-JIS
    int width = 0, height = 0;
    bool playable = true;  // sounds: whether the mixer plays the format
    std::string format;    // sounds: the format in words
    std::string line;      // what list prints
};

// What a walk over a pack read: its entries and where reading stopped.
struct Walk {
    std::vector<Listed> entries;
    uint64_t stop = 0;
    uint64_t size = 0;  // the pack's length; stop == size for an undamaged pack
    bool Whole() const { return stop == size; }
};

std::string SoundFormat(const gkSoundPackEntry& e) {
    char text[96];
    if (e.Playable) {
        std::snprintf(text, sizeof text, "%u Hz %u-bit %s", e.Rate, e.Bits,
                      e.Channels == 1 ? "mono" : "stereo");
    } else {
        std::snprintf(text, sizeof text, "format %u, %u channels, %u-bit (not playable)",
                      e.FormatTag, e.Channels, e.Bits);
    }
    return text;
}

std::string Line(uint64_t offset, const char* name, const std::string& what) {
    char text[256];
    std::snprintf(text, sizeof text, "%10llu  %-30s  %s", static_cast<unsigned long long>(offset),
                  plat::SjisToUtf8(name).c_str(), what.c_str());
    return text;
}

// Reads the entry at the pack's position through the framework's reader of that kind.
bool ReadEntry(Kind kind, std::FILE* f, Listed* listed) {
    if (kind == Kind::Sounds) {
        gkSoundPackEntry e;
        if (!gkSound::ReadPackEntry(f, &e)) return false;
        *listed = {};
        listed->name = e.Name;
        listed->playable = e.Playable != 0;
        listed->format = SoundFormat(e);
        listed->line =
            Line(e.Offset, e.Name, listed->format + ", " + std::to_string(e.Size) + " bytes");
        return true;
    }
    gkImagePackEntry e;
    if (!gkDraw::ReadPackEntry(f, &e)) return false;
    const std::string what = std::to_string(e.Width) + " x " + std::to_string(e.Height);
    *listed = {e.Name, e.Width, e.Height, true, "", Line(e.Offset, e.Name, what)};
    return true;
}

// Walks the pack as `forced`, or else as the kind whose walk reads it whole (sounds first: their
// headers are the stricter), or else as the one that read further. False when the pack is not a
// file that can be opened.
bool ReadPack(const fs::path& path, std::optional<Kind> forced, Kind* kind, Walk* walk) {
    std::error_code error;
    std::FILE* f = fs::is_regular_file(path, error) ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!f) return false;
    Walk walks[2];
    for (const Kind k : {Kind::Sounds, Kind::Images}) {
        Walk& w = walks[static_cast<int>(k)];
        w.size = SizeOf(path);
        std::fseek(f, 0, SEEK_SET);
        for (Listed e; ReadEntry(k, f, &e);) w.entries.push_back(e);
        w.stop = static_cast<uint64_t>(std::ftell(f));
    }
    std::fclose(f);
    const Walk &sounds = walks[0], &images = walks[1];
    if (forced) {
        *kind = *forced;
    } else if (sounds.Whole() && !sounds.entries.empty()) {
        *kind = Kind::Sounds;
    } else {
        *kind = images.Whole() || images.stop > sounds.stop ? Kind::Images : Kind::Sounds;
    }
    *walk = walks[static_cast<int>(*kind)];
    return true;
}

std::optional<Kind> Forced(const Options& o) {
    if (o.images) return Kind::Images;
    if (o.sounds) return Kind::Sounds;
    return std::nullopt;
}

int List(const Options& o) {
    const fs::path path = o.args[1];
    Kind kind;
    Walk walk;
    if (!ReadPack(path, Forced(o), &kind, &walk)) return Fail(path.string() + ": cannot open");
    if (walk.entries.empty() && !walk.Whole()) return Fail(path.string() + ": not a pack");
    std::printf("%s: %s pack, %zu entries\n", path.c_str(),
                walk.size == 0 ? "empty" : KindName(kind), walk.entries.size());
    for (const Listed& e : walk.entries) std::printf("%s\n", e.line.c_str());
    if (!walk.Whole())
        return Fail(path.string() + ": damaged: reading stopped at offset " +
                    std::to_string(walk.stop) + " of " + std::to_string(walk.size));
    return 0;
}

// The framework's display on the headless backend in `format`, with a width × height back
// screen.
bool StartDisplay(plat::PixelFormat format, int width, int height) {
    plat::headless::UseDisplayFormat(format);
    gkApp.FullScreen = 0;
    return gkDraw::Screen(width, height, 0) == 1;
}

// The text of the latest error report, in UTF-8.
std::string LastReport() {
    const auto& boxes = plat::headless::Boxes();
    return boxes.empty() ? "" : plat::SjisToUtf8(boxes.back().text.c_str());
}

void PutLe(std::FILE* f, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>(value >> (8 * i) & 0xFF), f);
}

// A WAV file of one PCM format chunk and the samples; the WAV reader gives back this record.
bool WriteWav(const fs::path& path, const plat::WAVEFORMATEX& format,
              const std::vector<uint8_t>& samples) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto size = static_cast<uint32_t>(samples.size());
    std::fwrite("RIFF", 1, 4, f);
    PutLe(f, 4 + 8 + 16 + 8 + size + (size & 1), 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutLe(f, 16, 4);
    std::fwrite(&format, 1, 16, f);
    std::fwrite("data", 1, 4, f);
    PutLe(f, size, 4);
    std::fwrite(samples.data(), 1, size, f);
    if (size & 1) std::fputc(0, f);
    return std::fclose(f) == 0;
}

int ExtractSound(const fs::path& pack, const std::string& name, const fs::path& out) {
    std::FILE* f = std::fopen(pack.c_str(), "rb");
    plat::WAVEFORMATEX format;
    uint32_t size = 0;
    std::vector<uint8_t> samples;
    const bool found = f && gkSound::FindPackEntry(f, name.c_str(), &format, &size);
    if (found) samples.resize(size);
    const bool read = found && std::fread(samples.data(), 1, size, f) == size;
    if (f) std::fclose(f);
    if (!read) return Fail(pack.string() + ": no playable entry " + plat::SjisToUtf8(name.c_str()));
    return WriteWav(out, format, samples) ? 0 : Fail("cannot write the WAV file");
}

// Loads the entry as a game does, on a 5-5-5 display of the image's size, and saves the screen.
int ExtractImage(const Walk& walk, const fs::path& pack, const std::string& name,
                 const fs::path& out) {
    std::string key = name;
    plat::CharUpperBuff(key.data(), key.size());
    const Listed* entry = nullptr;
    for (const Listed& e : walk.entries) {
        if (!entry && e.name == key) entry = &e;
    }
    const std::string shown = plat::SjisToUtf8(name.c_str());
    if (!entry) return Fail(pack.string() + ": no entry " + shown);
    if (entry->width == 0 || entry->height == 0) return Fail(shown + ": an empty image");
    std::string packName, outName;
    if (!FrameworkName(pack, &packName) || !FrameworkName(out, &outName))
        return Fail("a path has characters without a Shift-JIS form");
    if (!StartDisplay(plat::PixelFormat::X1R5G5B5, entry->width, entry->height))
        return Fail("cannot start the display: " + LastReport());
    gkDraw::SetPackFile(packName.c_str());
    const int slot = gkDraw::LoadPack(name.c_str(), 2);
    if (slot == 0) return Fail(shown + ": cannot be loaded: " + LastReport());
    plat::BltFast(gkScreen.Back, 0, 0, gkSprites[slot].surface, nullptr, plat::DDBLTFAST_WAIT);
    return gkDraw::SaveScreen(outName.c_str(), entry->width, entry->height)
               ? 0
               : Fail("cannot write the BMP file");
}

int Extract(const Options& o) {
    const fs::path pack = o.args[1], out = o.args[3];
    std::string name;
    if (!plat::Utf8ToSjis(o.args[2], name)) return Fail(o.args[2] + ": not a Shift-JIS name");
    Kind kind;
    Walk walk;
    if (!ReadPack(pack, Forced(o), &kind, &walk)) return Fail(pack.string() + ": cannot open");
    Staged staged;
    if (!staged.Open(out, false)) return Fail(out.string() + ": cannot create a file beside it");
    const int status = kind == Kind::Sounds ? ExtractSound(pack, name, staged.Path())
                                            : ExtractImage(walk, pack, name, staged.Path());
    if (status == 0 && !staged.Commit()) return Fail(out.string() + ": cannot write");
    return status;
}

// ---- building packs -----------------------------------------------------------------------

// Counts and prints what a build did.
struct Report {
    bool quiet;
    size_t total, done = 0, written = 0, failed = 0;
    void Progress() {
        ++done;
        if (!quiet && total >= kManyFiles && ::isatty(2))
            std::fprintf(stderr, "\r%zu/%zu files%s", done, total, done == total ? "\n" : "");
    }
    void Written(const std::string& line) {
        ++written;
        if (!quiet) std::printf("%s\n", line.c_str());
    }
    void Failed(const std::string& file, const std::string& why) {
        ++failed;
        Fail(file + ": " + why);
    }
};

// Checks a file's name against what a game loads; entries are named after the file.
bool NameFits(const std::string& file, Report* report) {
    if (file.size() <= kLongestName) return true;
    report->Failed(
        plat::SjisToUtf8(file.c_str()),
        "name longer than " + std::to_string(kLongestName) + " bytes, which a game cannot load");
    return false;
}

// Reads back the entry appended at `offset`, which must end the pack.
bool ReadBack(Kind kind, const fs::path& pack, uint64_t offset, Listed* entry) {
    std::FILE* f = std::fopen(pack.c_str(), "rb");
    const bool read = f && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
                      ReadEntry(kind, f, entry) && uint64_t(std::ftell(f)) == SizeOf(pack);
    if (f) std::fclose(f);
    return read;
}

// Appends one file (Shift-JIS name in the current directory) through the framework's writer of
// that kind and reads the new entry back; an entry a game could not play is taken out again.
// False when the pack could not be written.
bool Append(Kind kind, const std::string& packName, const fs::path& pack, const std::string& file,
            Report* report) {
    const std::string shown = plat::SjisToUtf8(file.c_str());
    if (!NameFits(file, report)) return true;
    const uint64_t before = SizeOf(pack);
    const size_t reports = plat::headless::Boxes().size();
    if (kind == Kind::Sounds) {
        uint8_t *format, *data;
        uint32_t formatSize, dataSize;
        if (gkSound::ReadWave(file.c_str(), &format, &formatSize, &data, &dataSize) != 0) {
            report->Failed(shown, "not a WAV file that can be read");
            return true;
        }
        std::free(format);
        std::free(data);
        gkSound::AppendWav(packName.c_str(), file.c_str());
    } else {
        // As the converter does: the image is loaded by its upper-cased name.
        std::string source = file;
        plat::CharUpperBuff(source.data(), source.size());
        gkDraw::AppendPackEntry(packName.c_str(), source.c_str());
        if (SizeOf(pack) == before && plat::headless::Boxes().size() > reports) {
            report->Failed(shown, "cannot be loaded: " + LastReport());
            return true;
        }
    }
    Listed e;
    if (!ReadBack(kind, pack, before, &e)) return false;
    if (!e.playable) {
        std::error_code error;
        fs::resize_file(pack, before, error);
        report->Failed(shown, e.format + ", which a game cannot load");
        return true;
    }
    report->Written(e.line);
    return true;
}

int Build(const Options& o, Kind kind) {
    const fs::path pack = fs::absolute(o.args[1]), folder = fs::absolute(o.args[2]);
    const std::string what = KindName(kind);
    std::error_code error;
    if (!fs::is_directory(folder, error)) return Fail(o.args[2] + ": no such folder");
    if (o.append && fs::exists(pack, error)) {
        Kind found;
        Walk walk;
        if (!ReadPack(pack, kind, &found, &walk) || !walk.Whole())
            return Fail(o.args[1] + ": not a whole " + what + " pack to append to");
    }
    Staged staged;
    if (!staged.Open(pack, o.append)) return Fail(o.args[1] + ": cannot create a file beside it");
    if (::chdir(folder.c_str()) != 0) return Fail(o.args[2] + ": cannot enter the folder");
    std::string packName;
    if (!FrameworkName(staged.Path(), &packName))
        return Fail(o.args[1] + ": the path has characters without a Shift-JIS form");
    // A full-colour display: the converter reads every pixel at 8 bits per channel.
    if (kind == Kind::Images && !StartDisplay(plat::PixelFormat::X8R8G8B8, 16, 16))
        return Fail("cannot start the display: " + LastReport());
    const char* type = kind == Kind::Sounds ? "WAV" : "BMP";
    const std::vector<std::string> files =
        plat::FindFiles(".", kind == Kind::Sounds ? "*.WAV" : "*.BMP");
    if (files.empty())
        return Fail(o.args[2] + ": no " + type + " files; the pack is left as it was");
    Report report{o.quiet, files.size()};
    for (const std::string& file : files) {
        if (!Append(kind, packName, staged.Path(), file, &report))
            return Fail(o.args[1] + ": cannot write the pack; it is left as it was");
        report.Progress();
    }
    if (report.written == 0) return Fail("no file could be packed; the pack is left as it was");
    if (!staged.Commit()) return Fail(o.args[1] + ": cannot replace the pack");
    if (!o.quiet)
        std::printf("%zu of %zu files packed into %s, %zu failed\n", report.written, files.size(),
                    o.args[1].c_str(), report.failed);
    return report.failed ? 1 : 0;
}

// Splits the command line; false when it does not fit a command.
bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--append") {
            o->append = true;
        } else if (a == "-q") {
            o->quiet = true;
        } else if (a == "--images") {
            o->images = true;
        } else if (a == "--sounds") {
            o->sounds = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            o->args.push_back(a);
        }
    }
    if (o->args.empty() || (o->images && o->sounds)) return false;
    const std::string& c = o->args[0];
    const size_t operands = c == "list"                      ? 2
                            : c == "images" || c == "sounds" ? 3
                            : c == "extract"                 ? 4
                                                             : 0;
    return operands == o->args.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    plat::UseBackend(plat::Backend::Headless);
    plat::headless::SetExecutablePath("./gkpack");
    const std::string& command = o.args[0];
    if (command == "list") return List(o);
    if (command == "extract") return Extract(o);
    return Build(o, command == "sounds" ? Kind::Sounds : Kind::Images);
}
