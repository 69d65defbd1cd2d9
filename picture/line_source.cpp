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

// Read the next block of the stream after the bytes at hand.  The picture
// file is opened in binary and its line ends are found here (the C
// library's translation of text mode costs many times the reading itself,
// and would end the text at a Ctrl-Z).
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

void Line_source_put_back(LineSource *s, const char *line, size_t n)
{
    assert(s->stream && s->at == s->block && s->end == s->block && n < s->block_size);
    std::memcpy(s->block, line, n);
    s->block[n] = '\n';
    s->end = s->block + n + 1;
    s->line_number--;
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
    // A line ends at a LF, a CR LF, or a CR alone (as old Macintosh
    // programs end their lines).  The byte after a CR is at hand: Ahead
    // gave 128 bytes, or all up to a LF, or all there are.
    const char *line_end = Byte_find(s->at, look, '\n', '\r');
    size_t length = look; // the characters of the piece, its line end as one
    size_t taken = look;  // the bytes it takes
    if (line_end) {
        size_t at = static_cast<size_t>(line_end - s->at);
        bool crlf = *line_end == '\r' && at + 1 < ahead && line_end[1] == '\n';
        length = at + 1;
        taken = at + (crlf ? 2 : 1);
    }
    if (length > most)
        taken = length = most; // a line end that does not fit
    std::memset(s->line, ' ', sizeof s->line);
    std::memcpy(s->line, s->at, length);
    if (line_end && length == static_cast<size_t>(line_end - s->at) + 1)
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

namespace {

// Whether the n bytes from p are all blanks and tabs.
bool Blanks(const char *p, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (p[i] != ' ' && p[i] != '\t')
            return false;
    return true;
}

} // namespace

bool Line_source_skip_rest(LineSource *s)
{
    if (!s->line_open)
        return true;
    bool blank = true;
    for (;;) {
        size_t ahead = Ahead(s, PICTURE_LINE_SIZE);
        if (ahead == 0)
            break;
        const char *line_end = Byte_find(s->at, ahead, '\n', '\r');
        if (!line_end) {
            blank = blank && Blanks(s->at, ahead);
            s->at = s->end;
            continue;
        }
        blank = blank && Blanks(s->at, static_cast<size_t>(line_end - s->at));
        // A CR as the last byte at hand: its LF may follow in the next block.
        if (*line_end == '\r' && line_end + 1 == s->end && !s->ended) {
            s->at = line_end;
            if (Ahead(s, 2) < 2) {
                s->at = s->end;
                break;
            }
            line_end = s->at;
        }
        bool crlf = *line_end == '\r' && line_end + 1 < s->end && line_end[1] == '\n';
        s->at = line_end + (crlf ? 2 : 1);
        break;
    }
    s->line_open = false;
    return blank;
}
