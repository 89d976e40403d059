// The output format and the sound pack writer. SelectFormat sets the format the mixer outputs and
// rebuilds every loaded sound in its slot; ConvertWav and AppendWav append WAV files to a sound
// pack in the layout the pack reader expects.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/sjis.h"
#include "platform/sound.h"
#include "sound/sound.h"
#include "system/system.h"

namespace {

namespace snd = plat::sound;

uint32_t ExpandRate(uint32_t rate) {
    switch (rate) {
        case 8:
            return 8000;
        case 11:
            return 11025;
        case 22:
            return 22050;
        case 44:
            return 44100;
        default:
            return rate;
    }
}

void PutLe32(std::FILE* f, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

// The part after the last backslash; a Shift-JIS trail byte that happens to be 0x5C is not one.
std::string BareName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (plat::IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
        } else if (*p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

}  // namespace

// A refused format leaves the one in force, and the sounds are rebuilt under it, so none is lost.
int gkSound::SelectFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    if (!gkSoundStatus.Ready) return 1;
    ReleaseBuffers();
    rate = ExpandRate(rate);
    const auto align = static_cast<uint16_t>(channels * (bits / 8));
    const plat::WAVEFORMATEX format = {
        plat::WAVE_FORMAT_PCM, channels, rate, align * rate, align, bits, 0};
    const int32_t result = snd::SetPrimaryFormat(format);
    if (result != plat::DS_OK)
        gkSystem::ErrorBox("gkSound::SelectFormat", "再生フォーマットを変更できません", result);
    ReloadObjects();
    return result == plat::DS_OK;
}

void gkSound::AppendWav(const char* pack, const char* file) {
    if (!pack || !file) return;
    const std::string folder = gkSystem::GetPath(0);
    uint8_t *format, *data;
    uint32_t formatSize, dataSize;
    // A file the WAV reader refuses is left out, so the pack stays readable.
    if (ReadWave((folder + file).c_str(), &format, &formatSize, &data, &dataSize) != 0) return;
    if (std::FILE* f = plat::OpenFile((folder + pack).c_str(), "ab")) {
        std::string name = BareName(file);  // stored upper-case, as the lookup expects
        plat::CharUpperBuff(name.data(), name.size());
        PutLe32(f, dataSize);
        std::fwrite(name.c_str(), 1, name.size() + 1, f);
        PutLe32(f, formatSize);
        std::fwrite(format, 1, formatSize, f);
        std::fwrite(data, 1, dataSize, f);
        std::fclose(f);
    }
    std::free(format);
    std::free(data);
}

int gkSound::ConvertWav(const char* pack, const char* folder, int overwrite) {
    if (!pack || !folder) return 0;
    const std::string exeFolder = gkSystem::GetPath(0);
    if (overwrite) std::remove(plat::NativePath((exeFolder + pack).c_str()).c_str());
    for (const std::string& found : plat::FindFiles((exeFolder + folder).c_str(), "*.WAV")) {
        const std::string relative = *folder ? std::string(folder) + "\\" + found : found;
        AppendWav(pack, relative.c_str());
    }
    return 1;
}
