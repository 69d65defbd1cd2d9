// Line input of the picture file.  A LineSource is the whole state of one
// reading: its caller owns it and hands it to every function that reads, so
// that nothing of one file carries over into another and several sources
// can read at once (on different threads, over different byte ranges of one
// file in memory): a source touches nothing but itself, its stream and the
// block its caller lends it.
//
// The bytes come from a stream, read in large blocks, or from a range of
// bytes in memory.  A line ends at a LF, a CR LF or a CR alone; whichever it
// is, a piece holds it as one LF.  A Ctrl-Z is a character like any other
// (the step-line reader tells the user of one inside a line; Windows' text
// mode would end the text there, and everything after it would vanish in
// silence).  Lines are cut as the C library's fgets cuts them into a buffer
// of PICTURE_LINE_SIZE bytes: a piece holds at most 127 characters, its line
// end included when it fits; the rest of a longer line comes as the next
// piece, under the same line number, unless it is skipped
// (Line_source_skip_rest).
#ifndef VOKA_LINE_SOURCE_H
#define VOKA_LINE_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum { PICTURE_LINE_SIZE = 128 };

// A block of at least this many bytes is lent to a stream source; the
// conversion lends 256 KB (one read of the stream per block).
enum { LINE_SOURCE_BLOCK_MIN = 2 * PICTURE_LINE_SIZE };

struct LineSource {
    // The last piece read: its characters (the line end included when the
    // piece holds it), a zero, then blanks to the end of the buffer, so that
    // a field beyond the end of a short line reads as blanks.
    char line[PICTURE_LINE_SIZE];
    size_t length;        // characters of the piece, its line end included
    uint64_t line_number; // of the piece's line in the file
    bool line_open;       // the piece ended inside its line
    bool read_error;      // the stream failed (known once the source ended)

    // The reader's own state: the bytes at hand and where they come from.
    const char *at;  // the next byte to take
    const char *end; // the end of the bytes at hand
    bool ended;      // no bytes come after `end`
    FILE *stream;    // nullptr for a range in memory
    char *block;     // the stream's block, lent by the caller
    size_t block_size;
};

// A source over the rest of `stream`, read through `block` (at least
// LINE_SOURCE_BLOCK_MIN bytes, lent until the source is no longer used).
// `lines_before` lines of the file lie before the stream's position: the
// first line read is number lines_before + 1.
void Line_source_stream(LineSource *source, FILE *stream, char *block, size_t block_size,
                        uint64_t lines_before);

// Right after Line_source_stream: the line `line` (n characters, no line
// end, shorter than the block) comes first, as the last of the lines before
// the stream's position (a line read ahead and given back).
void Line_source_put_back(LineSource *source, const char *line, size_t n);

// A source over `size` bytes at `bytes` (which stay untouched and must outlive
// the source).  A range that begins a line and ends after a LF
// (or at the end of the file) gives the same pieces as a stream over those
// bytes would.
void Line_source_text(LineSource *source, const char *bytes, size_t size, uint64_t lines_before);

// Read the next piece into source->line.  Returns 0, or -1 when no byte is
// left (source->read_error tells a failed stream from its end).
int Line_source_next(LineSource *source);

// Drop the rest of the line of the last piece, when it went on beyond it:
// the next piece read is the next line's first.  Returns whether the rest
// held nothing but blanks and tabs (true too when there was none).
bool Line_source_skip_rest(LineSource *source);

// The first of the n bytes from p that equals a or b, or nullptr: memchr,
// sixteen bytes at a time (the C library of Wine looks at one byte at a
// time).
const char *Byte_find(const char *p, size_t n, char a, char b);

#endif
