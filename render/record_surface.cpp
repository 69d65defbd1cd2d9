// The recording surface.
#include "render/record_surface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

RecordSurface::RecordSurface()
    : entries(static_cast<RecordEntry *>(
          std::calloc(static_cast<size_t>(RECORD_MAX_ENTRIES), sizeof(RecordEntry)))),
      entry_count(0), dropped_count(0), pen_style(PEN_SOLID), pen_width(0), pen_colour(0),
      pos_x(0), pos_y(0)
{
}

RecordSurface::~RecordSurface()
{
    std::free(entries);
}

void RecordSurface::clear()
{
    entry_count = 0;
    dropped_count = 0;
}

RecordEntry *RecordSurface::add(int op)
{
    if (!entries || entry_count >= RECORD_MAX_ENTRIES) {
        dropped_count++;
        return nullptr;
    }
    RecordEntry *e = &entries[entry_count++];
    std::memset(e, 0, sizeof *e);
    e->op = op;
    e->pen_style = pen_style;
    e->pen_width = pen_width;
    e->pen_colour = pen_colour;
    return e;
}

void RecordSurface::pen(int style, int width, Colour colour)
{
    pen_style = style;
    pen_width = width;
    pen_colour = colour;
    RecordEntry *e = add(RECORD_PEN);
    if (!e) return;
    e->a = style;
    e->b = width;
    e->colour = colour;
}

void RecordSurface::move_to(int32_t x, int32_t y)
{
    pos_x = x;
    pos_y = y;
    RecordEntry *e = add(RECORD_MOVE_TO);
    if (!e) return;
    e->a = x;
    e->b = y;
}

void RecordSurface::line_to(int32_t x, int32_t y)
{
    RecordEntry *e = add(RECORD_LINE_TO);
    if (e) {
        e->a = pos_x;
        e->b = pos_y;
        e->c = x;
        e->d = y;
    }
    pos_x = x;
    pos_y = y;
}

void RecordSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              Colour fill_colour)
{
    RecordEntry *e = add(RECORD_RECTANGLE);
    if (!e) return;
    e->a = left;
    e->b = top;
    e->c = right;
    e->d = bottom;
    e->colour = fill_colour;
}

void RecordSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                              Colour colour)
{
    RecordEntry *e = add(RECORD_FILL_RECT);
    if (!e) return;
    e->a = left;
    e->b = top;
    e->c = right;
    e->d = bottom;
    e->colour = colour;
}

void RecordSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    RecordEntry *e = add(RECORD_TEXT);
    if (!e) return;
    e->a = x;
    e->b = y;
    e->colour = colour;
    e->length = length;
    int keep = length < 0 || !text ? 0 : length > RECORD_TEXT_MAX ? RECORD_TEXT_MAX : length;
    std::memcpy(e->text, text ? text : "", static_cast<size_t>(keep));
    e->text[keep] = '\0';
}

void RecordSurface::set_origin(int32_t x, int32_t y)
{
    RecordEntry *e = add(RECORD_ORIGIN);
    if (!e) return;
    e->a = x;
    e->b = y;
}

namespace {

// Appends to a bounded buffer and counts what the whole text needs.
struct Writer {
    char *buffer;
    size_t size;
    size_t length;
};

void Write(Writer *w, const char *text, size_t n)
{
    for (size_t i = 0; i < n; i++, w->length++)
        if (w->length + 1 < w->size) w->buffer[w->length] = text[i];
    if (w->size > 0) w->buffer[w->length < w->size ? w->length : w->size - 1] = '\0';
}

void Write_line(Writer *w, const char *line)
{
    Write(w, line, std::strlen(line));
    Write(w, "\n", 1);
}

unsigned Hex(Colour c)
{
    return static_cast<unsigned>(c & 0x00FFFFFFu);
}

} // namespace

size_t Record_format(const RecordSurface &record, unsigned flags, char *buffer, size_t size)
{
    Writer w = {buffer, size, 0};
    if (size > 0) buffer[0] = '\0';
    char line[200];
    for (int i = 0; i < record.count(); i++) {
        const RecordEntry &e = record.entry(i);
        switch (e.op) {
        case RECORD_PEN:
            if (flags & RECORD_SKIP_PENS) continue;
            std::snprintf(line, sizeof line, "pen %d %d %06X", e.a, e.b, Hex(e.colour));
            break;
        case RECORD_MOVE_TO:
            if (flags & RECORD_SKIP_MOVES) continue;
            std::snprintf(line, sizeof line, "move %d %d", e.a, e.b);
            break;
        case RECORD_LINE_TO:
            std::snprintf(line, sizeof line, "line %d %d %d %d pen %d %d %06X", e.a, e.b, e.c, e.d,
                          e.pen_style, e.pen_width, Hex(e.pen_colour));
            break;
        case RECORD_RECTANGLE:
            std::snprintf(line, sizeof line, "rect %d %d %d %d fill %06X pen %d %d %06X", e.a, e.b,
                          e.c, e.d, Hex(e.colour), e.pen_style, e.pen_width, Hex(e.pen_colour));
            break;
        case RECORD_FILL_RECT:
            std::snprintf(line, sizeof line, "fill %d %d %d %d %06X", e.a, e.b, e.c, e.d,
                          Hex(e.colour));
            break;
        case RECORD_TEXT:
            std::snprintf(line, sizeof line, "text %d %d %06X \"%s\"", e.a, e.b, Hex(e.colour),
                          e.text);
            break;
        case RECORD_ORIGIN:
            std::snprintf(line, sizeof line, "origin %d %d", e.a, e.b);
            break;
        default:
            std::snprintf(line, sizeof line, "op %d", e.op);
            break;
        }
        Write_line(&w, line);
    }
    if (record.dropped() > 0) {
        std::snprintf(line, sizeof line, "dropped %d", record.dropped());
        Write_line(&w, line);
    }
    return w.length;
}
