// Shift-JIS helpers; conversion through glibc iconv ("CP932"), path matching through dirent.
#include "platform/sjis.h"

#include <dirent.h>
#include <iconv.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace plat {

void CharUpperBuff(char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            text[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
}

size_t SjisFit(const char* text, size_t limit) {
    size_t i = 0;
    while (i < limit && text[i]) {
        size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return i;
}

std::string SjisToUtf8(const char* text) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char chunk[256];
    while (inLeft > 0) {
        char* outPtr = chunk;
        size_t outLeft = sizeof chunk;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, static_cast<size_t>(outPtr - chunk));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            // Skip one undecodable character: a lead byte with its trail, or a single byte.
            size_t skip = IsLeadByte(static_cast<unsigned char>(*in)) && inLeft > 1 ? 2 : 1;
            in += skip;
            inLeft -= skip;
            out += '?';
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

bool Utf8ToSjis(const std::string& text, std::string& out) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(text.size() + 1, '\0');  // Shift-JIS never takes more bytes than UTF-8
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    bool converted = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return converted && inLeft == 0;
}

static bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The directory entry of dir whose name equals name without regard to ASCII case.
static std::string MatchComponent(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return name;
    std::string found = name;
    while (dirent* entry = readdir(d)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

std::string NativePath(const char* path) {
    // Convert first: a Shift-JIS trail byte may be 0x5C, the backslash.
    std::string native = SjisToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    if (native.empty() || Exists(native)) return native;

    std::string built = native[0] == '/' ? "/" : "";
    size_t start = native[0] == '/' ? 1 : 0;
    while (start <= native.size()) {
        size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        std::string part = native.substr(start, end - start);
        if (!part.empty()) {
            std::string candidate = built + part;
            built = Exists(candidate) ? candidate : built + MatchComponent(built, part);
            if (end < native.size()) built += '/';
        }
        start = end + 1;
    }
    return built;
}

}  // namespace plat
