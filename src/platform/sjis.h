// Shift-JIS (code page 932) text: the lead-byte test, upper-casing that leaves double-byte
// characters alone, conversion to UTF-8 for the window system and the file system, and the
// conversion of Windows-style asset paths to native ones.
#pragma once

#include <cstddef>
#include <string>

namespace plat {

// First byte of a double-byte character: 0x81-0x9F or 0xE0-0xFC.
inline bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Upper-cases the ASCII letters of the first length bytes (CharUpperBuffA); both bytes of a
// double-byte character are left untouched, since a trail byte can be an ASCII letter.
void CharUpperBuff(char* text, size_t length);

// Shift-JIS to UTF-8; a byte sequence that is not CP932 becomes '?'.
std::string SjisToUtf8(const char* text);

// UTF-8 to Shift-JIS; false when some character has no CP932 form (out is then unspecified).
bool Utf8ToSjis(const std::string& text, std::string& out);

// Length of the longest prefix of text, at most limit bytes, that does not end inside a
// double-byte character.
size_t SjisFit(const char* text, size_t limit);

// A Windows-style, Shift-JIS path ("bmp\block.bmp") as a native UTF-8 path with '/'
// separators. When the path does not exist as written, each component is matched without
// regard to ASCII case against what is on disk; components that match nothing stay as given.
std::string NativePath(const char* path);

}  // namespace plat
