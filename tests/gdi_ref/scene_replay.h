// One operation of a GDI reference scene script (tests/data/gdi_ref/scenes.txt
// describes the format) carried out on a surface that also has
// clear(colour) and set_background(opaque, colour): the raster surface in the
// unit tests, GDI itself in gdi_ref.exe.  Both sides read the script through
// this one function, so they cannot read it differently.
#ifndef VOKA_SCENE_REPLAY_H
#define VOKA_SCENE_REPLAY_H

#include <cstdio>
#include <cstring>

#include "render/surface.h"

// Returns 0, or -1 for a line that is no drawing operation (scene, end,
// comments).
template <class S> int Scene_op(S *s, const char *line)
{
    char op[16] = "";
    long a = 0, b = 0, c = 0, d = 0;
    unsigned long colour = 0;
    int text_at = 0;
    std::sscanf(line, "%15s", op);
    auto i = [](long v) { return static_cast<int32_t>(v); };
    if (std::strcmp(op, "clear") == 0 && std::sscanf(line, "%*s %lx", &colour) == 1)
        s->clear(static_cast<Colour>(colour));
    else if (std::strcmp(op, "pen") == 0 && std::sscanf(line, "%*s %ld %ld %lx", &a, &b, &colour) == 3)
        s->pen(static_cast<int>(a), static_cast<int>(b), static_cast<Colour>(colour));
    else if (std::strcmp(op, "move") == 0 && std::sscanf(line, "%*s %ld %ld", &a, &b) == 2)
        s->move_to(i(a), i(b));
    else if (std::strcmp(op, "line") == 0 && std::sscanf(line, "%*s %ld %ld", &a, &b) == 2)
        s->line_to(i(a), i(b));
    else if (std::strcmp(op, "origin") == 0 && std::sscanf(line, "%*s %ld %ld", &a, &b) == 2)
        s->set_origin(i(a), i(b));
    else if (std::strcmp(op, "rect") == 0 &&
             std::sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour) == 5)
        s->rectangle(i(a), i(b), i(c), i(d), static_cast<Colour>(colour));
    else if (std::strcmp(op, "fill") == 0 &&
             std::sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour) == 5)
        s->fill_rect(i(a), i(b), i(c), i(d), static_cast<Colour>(colour));
    else if (std::strcmp(op, "bk") == 0)
        s->set_background(std::strstr(line, "opaque") != nullptr, 0x00FFFFFFu);
    else if (std::strcmp(op, "text") == 0 &&
             std::sscanf(line, "%*s %ld %ld %lx %n", &a, &b, &colour, &text_at) == 3 && text_at > 0)
        s->text(i(a), i(b), line + text_at, static_cast<int>(std::strcspn(line + text_at, "\r\n")),
                static_cast<Colour>(colour));
    else
        return -1;
    return 0;
}

#endif
