#include "picture/cp1252.h"

#include <cstdint>
#include <cstring>

namespace {

// Code points of 0x80 to 0x9F; 0 where the code page has none.
const uint16_t HIGH_CONTROLS[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of code point `u` in Windows-1252, or -1.
int Cp1252_byte(unsigned u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<int>(u);
    for (int i = 0; i < 32; i++)
        if (HIGH_CONTROLS[i] != 0 && HIGH_CONTROLS[i] == u)
            return 0x80 + i;
    return -1;
}

// The code point of the UTF-8 sequence at `p` and its length in *n; -1
// for a sequence that is not valid UTF-8 (overlong forms and surrogates
// included).
int32_t Utf8_next(const unsigned char *p, int *n)
{
    unsigned c = p[0];
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0)
        return -1;
    uint32_t u = length == 1 ? c : c & (0x7Fu >> length);
    for (int i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return -1;
        u = (u << 6) | (p[i] & 0x3Fu);
    }
    static const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (u < least[length] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
        return -1;
    *n = length;
    return static_cast<int32_t>(u);
}

} // namespace

unsigned Cp1252_code_point(unsigned char c)
{
    return c >= 0x80 && c < 0xA0 ? HIGH_CONTROLS[c - 0x80] : c;
}

size_t Cp1252_to_utf8(const char *text, size_t length, char *out, size_t out_size)
{
    size_t used = 0;
    for (size_t i = 0; i < length; i++) {
        unsigned u = Cp1252_code_point(static_cast<unsigned char>(text[i]));
        if (u < 0x20 || u == 0x7F)
            u = '?';
        unsigned char bytes[3];
        size_t n = 0;
        if (u < 0x80) {
            bytes[n++] = static_cast<unsigned char>(u);
        } else if (u < 0x800) {
            bytes[n++] = static_cast<unsigned char>(0xC0 | (u >> 6));
            bytes[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            bytes[n++] = static_cast<unsigned char>(0xE0 | (u >> 12));
            bytes[n++] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            bytes[n++] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        }
        if (used + n >= out_size)
            break;
        std::memcpy(out + used, bytes, n);
        used += n;
    }
    if (out_size > 0)
        out[used] = '\0';
    return used;
}

int Text_to_cp1252(const char *text, char *out, size_t out_size, int *missing)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    size_t length = std::strlen(text);
    bool utf8 = true;
    for (size_t i = 0; i < length && utf8;) {
        int n = 0;
        utf8 = Utf8_next(p + i, &n) >= 0;
        i += static_cast<size_t>(n);
    }
    *missing = 0;
    size_t used = 0;
    for (size_t i = 0; i < length;) {
        int n = 1;
        int byte = p[i];
        if (utf8 && p[i] >= 0x80) {
            byte = Cp1252_byte(static_cast<unsigned>(Utf8_next(p + i, &n)));
            if (byte < 0) {
                byte = '?';
                (*missing)++;
            }
        }
        if (used + 1 >= out_size)
            return -1;
        out[used++] = static_cast<char>(byte);
        i += static_cast<size_t>(n);
    }
    out[used] = '\0';
    return 0;
}
