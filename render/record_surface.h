// The recording surface: keeps every call made on it, in order, with its
// arguments and the pen in force, so that tests can check what a renderer
// drew without looking at pixels.  Record_format turns the record into text.
#ifndef VOKA_RECORD_SURFACE_H
#define VOKA_RECORD_SURFACE_H

#include <cstddef>
#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

enum RecordOp {
    RECORD_PEN,       // a = style, b = width, colour
    RECORD_MOVE_TO,   // a, b = x, y
    RECORD_LINE_TO,   // a, b = start (the current position), c, d = end
    RECORD_RECTANGLE, // a, b, c, d = left, top, right, bottom; colour = fill
    RECORD_FILL_RECT, // a, b, c, d = left, top, right, bottom; colour
    RECORD_TEXT,      // a, b = x, y; colour; text
    RECORD_ORIGIN     // a, b = x, y
};

// Longest text kept per entry; longer texts are cut (length keeps the full
// count).
const int RECORD_TEXT_MAX = 63;
// Entries kept; further calls are counted in dropped() only.
const int RECORD_MAX_ENTRIES = 8192;

struct RecordEntry {
    int op;
    int32_t a;
    int32_t b;
    int32_t c;
    int32_t d;
    Colour colour;
    // The pen in force for the call (for RECORD_PEN: the pen after it).
    int pen_style;
    int pen_width;
    Colour pen_colour;
    int length; // RECORD_TEXT: the length argument
    char text[RECORD_TEXT_MAX + 1];
};

class RecordSurface : public Surface {
public:
    RecordSurface();
    ~RecordSurface() override;
    RecordSurface(const RecordSurface &) = delete;
    RecordSurface &operator=(const RecordSurface &) = delete;

    void pen(int style, int width, Colour colour) override;
    void move_to(int32_t x, int32_t y) override;
    void line_to(int32_t x, int32_t y) override;
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour fill_colour) override;
    void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                   Colour colour) override;
    void text(int32_t x, int32_t y, const char *text, int length, Colour colour) override;
    void set_origin(int32_t x, int32_t y) override;

    // Forget all entries; the pen and the current position stay.
    void clear();
    int count() const { return entry_count; }
    int dropped() const { return dropped_count; }
    // Entry i, 0 <= i < count().
    const RecordEntry &entry(int i) const { return entries[i]; }

private:
    RecordEntry *add(int op);

    RecordEntry *entries; // RECORD_MAX_ENTRIES, allocated once
    int entry_count;
    int dropped_count;
    int pen_style;
    int pen_width;
    Colour pen_colour;
    int32_t pos_x;
    int32_t pos_y;
};

// Record_format flags.
const unsigned RECORD_SKIP_PENS = 1u;    // leave out the pen calls
const unsigned RECORD_SKIP_MOVES = 2u;   // leave out the move_to calls

// Write the record as text, one line per entry, colours as six hexadecimal
// digits 0xBBGGRR:
//   pen STYLE WIDTH COLOUR
//   move X Y
//   line X1 Y1 X2 Y2 pen STYLE WIDTH COLOUR
//   rect L T R B fill COLOUR pen STYLE WIDTH COLOUR
//   fill L T R B COLOUR
//   text X Y COLOUR "TEXT"
//   origin X Y
// and a last line "dropped N" when entries were dropped.  Writes at most
// `size` bytes including the terminating zero (nothing when size is 0) and
// returns the length the whole text needs, as snprintf does.
size_t Record_format(const RecordSurface &record, unsigned flags, char *buffer, size_t size);

#endif
