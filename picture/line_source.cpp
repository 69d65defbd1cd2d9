#include "picture/line_source.h"

#include <cassert>
#include <cstring>

// x86-64 has SSE2 everywhere (GCC and Clang say so with __SSE2__, MSVC with
// _M_X64): Byte_find looks at sixteen bytes at a time.
#if defined(__SSE2__) || defined(_M_X64)
#define VOKA_SSE2 1
#include <emmintrin.h>
#else
#define VOKA_SSE2 0
#endif

namespace {

const char CTRL_Z = '\x1A';

// Read the next block of the stream after the bytes at hand.  The picture
// file is opened in binary and given the conventions of text here, as
// Windows' C library gives them to a file read in text mode; the library's
// own translation costs many times the reading itself.  A CR before a LF is
// dropped where a piece is cut; a Ctrl-Z ends the bytes here.
void Fill(LineSource *s)
{
    char *to = s->block + (s->end - s->block);
    size_t room = s->block_size - static_cast<size_t>(s->end - s->block);
    size_t got = std::fread(to, 1, room, s->stream);
    if (got == 0) {
        s->ended = true;
        s->read_error = std::ferror(s->stream) != 0;
        return;
    }
    const char *ctrl_z = Byte_find(to, got, CTRL_Z, CTRL_Z);
    if (ctrl_z) {
        got = static_cast<size_t>(ctrl_z - to);
        s->ended = true;
    }
    s->end = to + got;
}

// Bytes at hand from s->at: at least `wanted`, or a line end among them,
// unless no more come.
size_t Ahead(LineSource *s, size_t wanted)
{
    size_t ahead = static_cast<size_t>(s->end - s->at);
    if (ahead >= wanted || s->ended || Byte_find(s->at, ahead, '\n', '\n'))
        return ahead;
    std::memmove(s->block, s->at, ahead);
    s->at = s->block;
    s->end = s->block + ahead;
    while (static_cast<size_t>(s->end - s->block) < wanted && !s->ended)
        Fill(s);
    return static_cast<size_t>(s->end - s->at);
}

void Source_clear(LineSource *s, uint64_t lines_before)
{
    std::memset(s->line, ' ', sizeof s->line);
    s->line[0] = '\0';
    s->length = 0;
    s->line_number = lines_before;
    s->line_open = false;
    s->read_error = false;
    s->stream = nullptr;
    s->block = nullptr;
    s->block_size = 0;
}

} // namespace

const char *Byte_find(const char *p, size_t n, char a, char b)
{
#if VOKA_SSE2
    // Sixteen bytes at a time: a mask of the bytes equal to a or b.
    const __m128i pattern_a = _mm_set1_epi8(a);
    const __m128i pattern_b = _mm_set1_epi8(b);
    for (; n >= 16; p += 16, n -= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, pattern_a), _mm_cmpeq_epi8(bytes, pattern_b))))
            break;
    }
#else
    const uint64_t ones = 0x0101010101010101u;
    const uint64_t highs = ones << 7;
    const uint64_t pattern_a = ones * static_cast<unsigned char>(a);
    const uint64_t pattern_b = ones * static_cast<unsigned char>(b);
    // A zero byte where a or b is: (x - ones) & ~x has its high bit set.
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        uint64_t x = word ^ pattern_a;
        uint64_t y = word ^ pattern_b;
        if ((((x - ones) & ~x) | ((y - ones) & ~y)) & highs)
            break;
    }
#endif
    for (; n > 0; p++, n--)
        if (*p == a || *p == b)
            return p;
    return nullptr;
}

void Line_source_stream(LineSource *s, FILE *stream, char *block, size_t block_size,
                        uint64_t lines_before)
{
    assert(block_size >= LINE_SOURCE_BLOCK_MIN);
    Source_clear(s, lines_before);
    s->stream = stream;
    s->block = block;
    s->block_size = block_size;
    s->at = s->end = block;
    s->ended = false;
}

void Line_source_text(LineSource *s, const char *bytes, size_t size, uint64_t lines_before)
{
    Source_clear(s, lines_before);
    s->at = bytes;
    s->end = bytes + size;
    s->ended = true;
}

int Line_source_next(LineSource *s)
{
    // 128 bytes hold a piece of 127 characters and the CR of a CR LF after it.
    const size_t most = size_t{PICTURE_LINE_SIZE} - 1;
    size_t ahead = Ahead(s, PICTURE_LINE_SIZE);
    if (ahead == 0)
        return -1;
    size_t look = ahead < most + 1 ? ahead : most + 1;
    const char *line_end = Byte_find(s->at, look, '\n', '\n');
    // The bytes the piece takes: up to its line end, or 127.
    size_t taken = line_end ? static_cast<size_t>(line_end - s->at) + 1 : look;
    bool crlf = line_end && taken >= 2 && line_end[-1] == '\r';
    size_t length = crlf ? taken - 1 : taken;
    if (length > most) {
        taken = length = most; // a line end that does not fit
        crlf = false;
    }
    std::memset(s->line, ' ', sizeof s->line);
    std::memcpy(s->line, s->at, taken);
    if (crlf)
        s->line[length - 1] = '\n';
    s->line[length] = '\0';
    s->length = length;
    s->at += taken;
    if (!s->line_open)
        s->line_number++;
    // Only a piece that filled the buffer without its line end stops inside
    // a line.
    s->line_open = length == most && s->line[most - 1] != '\n';
    return 0;
}

void Line_source_skip_rest(LineSource *s)
{
    if (!s->line_open)
        return;
    for (;;) {
        size_t ahead = Ahead(s, PICTURE_LINE_SIZE);
        if (ahead == 0)
            break;
        const char *line_end = Byte_find(s->at, ahead, '\n', '\n');
        s->at = line_end ? line_end + 1 : s->end;
        if (line_end)
            break;
    }
    s->line_open = false;
}
