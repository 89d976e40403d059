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
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/sound.h"
#include "sound/sound.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: gkpack sounds PACK FOLDER [--append] [-q]\n"
    "       gkpack list PACK [--images | --sounds]\n"
    "       gkpack extract PACK NAME OUT [--images | --sounds]\n"
    "\n"
    "  sounds   every WAV file of FOLDER into the sound pack PACK, a new pack unless --append;\n"
    "           one line per file, files that cannot be packed are listed and counted\n"
    "  list     the entries of a pack (its kind is read from its layout) with their offsets\n"
    "  extract  the entry NAME of PACK into the WAV file OUT\n"
    "  -q       no lines per file and no progress, only errors\n"
    "\n"
    "Exit status: 0 on success, 1 when a file or the pack could not be read or written, 2 for a\n"
    "wrong command line. A pack is written beside its final name and renamed over it at the end.\n";

constexpr size_t kLongestSoundName = sizeof gkSoundObject::Name - 1;  // what a game loads
constexpr size_t kManyFiles = 20;  // folders from this size show progress

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
        target_ = target;
        std::string name = target.parent_path().string();
        name.append("/.").append(target.filename().string()).append(".gkpack-XXXXXX");
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return false;
        path_ = name;
        struct stat info;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const bool exists = ::stat(target.c_str(), &info) == 0;
        ::fchmod(fd, exists ? info.st_mode & 07777 : 0666 & ~mask);
        ::close(fd);
        std::error_code error;
        if (copy && exists)
            fs::copy_file(target, path_, fs::copy_options::overwrite_existing, error);
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

// What a walk over a pack read: one line per entry and where reading stopped.
struct Walk {
    std::vector<std::string> lines;
    uint64_t stop = 0;
    uint64_t size = 0;  // the pack's length; stop == size for an undamaged pack
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

std::string SoundLine(const gkSoundPackEntry& e) {
    char text[256];
    std::snprintf(text, sizeof text, "%10u  %-30s  %s, %u bytes", e.Offset,
                  plat::SjisToUtf8(e.Name).c_str(), SoundFormat(e).c_str(), e.Size);
    return text;
}

bool WalkSounds(std::FILE* f, Walk* walk) {
    gkSoundPackEntry e;
    while (gkSound::ReadPackEntry(f, &e)) walk->lines.push_back(SoundLine(e));
    walk->stop = static_cast<uint64_t>(std::ftell(f));
    return true;
}

// Walks the pack as the given kind, or as the kind whose walk reads it whole (the one that read
// further when neither does). False when the pack cannot be opened.
bool ReadPack(const fs::path& path, const Options& o, Kind* kind, Walk* walk) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    *walk = {};
    walk->size = SizeOf(path);
    WalkSounds(f, walk);
    *kind = Kind::Sounds;
    std::fclose(f);
    (void)o;
    return true;
}

int List(const Options& o) {
    const fs::path path = o.args[1];
    Kind kind;
    Walk walk;
    if (!ReadPack(path, o, &kind, &walk)) return Fail(path.string() + ": cannot open");
    if (walk.lines.empty() && walk.stop != walk.size) return Fail(path.string() + ": not a pack");
    std::printf("%s: %s pack, %zu entries\n", path.c_str(),
                kind == Kind::Sounds ? "sound" : "image", walk.lines.size());
    for (const std::string& line : walk.lines) std::printf("%s\n", line.c_str());
    if (walk.stop != walk.size)
        return Fail(path.string() + ": damaged: reading stopped at offset " +
                    std::to_string(walk.stop) + " of " + std::to_string(walk.size));
    return 0;
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

int ExtractSound(const fs::path& pack, const std::string& name, Staged* out) {
    std::FILE* f = std::fopen(pack.c_str(), "rb");
    plat::WAVEFORMATEX format;
    uint32_t size = 0;
    std::vector<uint8_t> samples;
    const bool found = f && gkSound::FindPackEntry(f, name.c_str(), &format, &size);
    if (found) samples.resize(size);
    const bool read = found && std::fread(samples.data(), 1, size, f) == size;
    if (f) std::fclose(f);
    if (!read) return Fail(pack.string() + ": no playable entry " + plat::SjisToUtf8(name.c_str()));
    return WriteWav(out->Path(), format, samples) ? 0 : Fail("cannot write the WAV file");
}

int Extract(const Options& o) {
    const fs::path pack = o.args[1], out = o.args[3];
    std::string name;
    if (!plat::Utf8ToSjis(o.args[2], name)) return Fail(o.args[2] + ": not a Shift-JIS name");
    Kind kind;
    Walk walk;
    if (!ReadPack(pack, o, &kind, &walk)) return Fail(pack.string() + ": cannot open");
    Staged staged;
    if (!staged.Open(out, false)) return Fail(out.string() + ": cannot create a file beside it");
    const int status = ExtractSound(pack, name, &staged);
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

// Appends one WAV file (Shift-JIS name in the current directory) through the framework's
// writer and reads the new entry back; an entry a game could not play is taken out again.
// False when the pack could not be written.
bool AppendSound(const std::string& packName, const fs::path& pack, const std::string& file,
                 Report* report) {
    const std::string shown = plat::SjisToUtf8(file.c_str());
    uint8_t *format, *data;
    uint32_t formatSize, dataSize;
    if (gkSound::ReadWave(file.c_str(), &format, &formatSize, &data, &dataSize) != 0) {
        report->Failed(shown, "not a WAV file that can be read");
        return true;
    }
    std::free(format);
    std::free(data);
    if (file.size() > kLongestSoundName) {
        report->Failed(shown, "name longer than " + std::to_string(kLongestSoundName) +
                                  " bytes, which a game cannot load");
        return true;
    }
    const uint64_t before = SizeOf(pack);
    gkSound::AppendWav(packName.c_str(), file.c_str());
    gkSoundPackEntry e;
    std::FILE* f = std::fopen(pack.c_str(), "rb");
    const bool read = f && std::fseek(f, static_cast<long>(before), SEEK_SET) == 0 &&
                      gkSound::ReadPackEntry(f, &e) && std::ftell(f) == long(SizeOf(pack));
    if (f) std::fclose(f);
    if (!read) return false;
    if (!e.Playable) {
        std::error_code error;
        fs::resize_file(pack, before, error);
        report->Failed(shown, SoundFormat(e) + ", which a game cannot load");
        return true;
    }
    report->Written(SoundLine(e));
    return true;
}

int Build(const Options& o, Kind kind) {
    const fs::path pack = fs::absolute(o.args[1]), folder = fs::absolute(o.args[2]);
    std::error_code error;
    if (!fs::is_directory(folder, error)) return Fail(o.args[2] + ": no such folder");
    if (o.append && fs::exists(pack, error)) {
        Kind found;
        Walk walk;
        if (!ReadPack(pack, o, &found, &walk)) return Fail(o.args[1] + ": cannot open");
        if (walk.stop != walk.size || found != kind)
            return Fail(o.args[1] + ": not a whole sound pack to append to");
    }
    Staged staged;
    if (!staged.Open(pack, o.append)) return Fail(o.args[1] + ": cannot create a file beside it");
    if (::chdir(folder.c_str()) != 0) return Fail(o.args[2] + ": cannot enter the folder");
    std::string packName;
    if (!FrameworkName(staged.Path(), &packName))
        return Fail(o.args[1] + ": the path has characters without a Shift-JIS form");
    const std::vector<std::string> files = plat::FindFiles(".", "*.WAV");
    if (files.empty()) return Fail(o.args[2] + ": no WAV files; the pack is left as it was");
    Report report{o.quiet, files.size()};
    for (const std::string& file : files) {
        if (!AppendSound(packName, staged.Path(), file, &report))
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

// Splits the command line; false (after the usage) when it does not fit a command.
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
    const size_t operands = c == "list" ? 2 : c == "sounds" ? 3 : c == "extract" ? 4 : 0;
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
    if (o.args[0] == "list") return List(o);
    if (o.args[0] == "extract") return Extract(o);
    return Build(o, Kind::Sounds);
}
