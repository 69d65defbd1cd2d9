// Little-endian field access on file images: every binary layout of the
// program (info file, work-file records, bitmap headers) is read and written
// through these, never by casting a struct onto the bytes.
#ifndef VOKA_LE_BYTES_H
#define VOKA_LE_BYTES_H

#include <cstdint>
#include <cstring>

inline void Put2(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void Put4(uint8_t *p, uint32_t v)
{
    Put2(p, v);
    Put2(p + 2, v >> 16);
}

inline uint32_t Get4(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void Put_double(uint8_t *p, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Put4(p, static_cast<uint32_t>(bits));
    Put4(p + 4, static_cast<uint32_t>(bits >> 32));
}

inline double Get_double(const uint8_t *p)
{
    uint64_t bits = Get4(p) | (static_cast<uint64_t>(Get4(p + 4)) << 32);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

#endif
