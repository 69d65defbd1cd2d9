// The drawing surface: the one interface through which every renderer draws
// (tracks, geometry outlines, annotations, scale bar).  Implementations: the
// GDI surface of the window program and the raster surface in memory
// (headless rendering and tests).
//
// Coordinates are logical pixels, 32-bit signed; the device position is the
// logical position plus the viewport origin.  Colours are 0x00BBGGRR.
// A surface holds exactly one current pen (there is no pen object to create
// or delete: Surface::pen replaces the current pen, which is what "create,
// select, draw, deselect, delete" amounts to for the picture).
#ifndef VOKA_SURFACE_H
#define VOKA_SURFACE_H

#include "picture/defs.h"

// Pen style codes, those of the platform's pen creation.
enum PenStyle {
    PEN_SOLID = 0,
    PEN_DASH = 1,       // 18 on, 6 off
    PEN_DOT = 2,        // 3 on, 3 off
    PEN_DASHDOT = 3,    // 9 on, 6 off, 3 on, 6 off
    PEN_DASHDOTDOT = 4, // 9 on, 3 off, 3 on, 3 off, 3 on, 3 off
    PEN_NULL = 5,       // draws nothing
    PEN_INSIDEFRAME = 6 // drawn as solid for lines
};

// Dash patterns of the one-pixel pens PEN_DASH .. PEN_DASHDOTDOT, in pixels
// along the major axis of a line, on and off alternately.
const uint8_t PEN_DASHES[4][6] = {
    {18, 6, 0, 0, 0, 0},
    {3, 3, 0, 0, 0, 0},
    {9, 6, 3, 6, 0, 0},
    {9, 3, 3, 3, 3, 3},
};
const int PEN_DASH_COUNTS[4] = {2, 2, 4, 6};

class SurfaceLanes;

class Surface {
public:
    virtual ~Surface() {}

    // Make (style, width, colour) the current pen, as CreatePen + SelectObject
    // would.  Width 0 and 1 both give a one-pixel cosmetic pen; the dash styles
    // apply only to one-pixel pens, wider styled pens draw solid, as GDI does.
    // Called before every segment by the line primitive: an implementation
    // must make a repeated call with the same pen cost (almost) nothing.
    // A style outside PEN_SOLID .. PEN_INSIDEFRAME makes CreatePen fail: the
    // current pen stays.  A negative width counts as its absolute value.  A
    // pen wider than one pixel has round caps and joins (GDI's default).
    // Dashes are counted in pixels along the major axis of a line; the gaps
    // between them are painted in the background colour (white) while the
    // background mode is opaque, as on a fresh device context, and left
    // untouched once it is transparent: text() makes it transparent, and it
    // stays so (SetBkMode is never undone).
    virtual void pen(int style, int width, Colour colour) = 0;

    // Set the current position without drawing (MoveToEx).
    virtual void move_to(int32_t x, int32_t y) = 0;

    // Draw from the current position to (x, y) with the current pen and make
    // (x, y) the current position (LineTo).  The end pixel is left out, so a
    // line to (x + 1, y) from (x, y) sets exactly one pixel.  A styled pen
    // starts its dash pattern anew at the start of every line_to, as a pen
    // created afresh for each segment does.  A rectangle's outline runs its
    // pattern on around the corners instead.
    virtual void line_to(int32_t x, int32_t y) = 0;

    // Rectangle (Rectangle): outline with the current pen, inside filled with
    // a solid brush of fill_colour.  With a one-pixel pen the outline covers
    // columns left .. right - 1 and rows top .. bottom - 1 (right and bottom
    // edges excluded, as GDI does).  Corners in either order are put in
    // order first; an empty rectangle (left = right or top = bottom) draws
    // nothing.  The null pen fills left .. right - 2 by top .. bottom - 2.
    virtual void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                           Colour fill_colour) = 0;

    // Solid fill of left .. right - 1 by top .. bottom - 1 (FillRect); no outline.
    // Reversed edges fill as GDI's negative-size blit does: left > right
    // fills right + 1 .. left (likewise for top and bottom).
    virtual void fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                           Colour colour) = 0;

    // Text with a transparent background, top-left corner at (x, y), `length`
    // bytes of `text` in the surface's font (TextOutA after SetBkMode
    // TRANSPARENT and SetTextColor).
    virtual void text(int32_t x, int32_t y, const char *text, int length, Colour colour) = 0;

    // Viewport origin (SetViewportOrgEx): logical (0, 0) lands on device (x, y).
    virtual void set_origin(int32_t x, int32_t y) = 0;

    // `count` lanes (2 or more) on which as many threads draw lines at the
    // same time, for a picture whose pixels matter only inside the logical
    // rectangle `area` (see SurfaceLanes); the caller deletes them after the
    // merge.  A surface that cannot draw so returns nullptr, the default:
    // the lines are then drawn on it one after another.
    virtual SurfaceLanes *lanes(int count, PixelRect area)
    {
        (void)count;
        (void)area;
        return nullptr;
    }

    // Whether the surface wants to know the step record that each track
    // line draws (record_wanted), and that record: its index in the work
    // file, told by the track renderer before the line, RECORD_NONE after
    // the tracks.  Only the record-index surface (render/record_index.h)
    // wants it; every other surface ignores it.
    virtual bool record_wanted() const { return false; }
    virtual void record(uint64_t index) { (void)index; }
};

// Lanes of a surface: surfaces on which several threads draw lines (pen,
// move_to and line_to only) at the same time, one thread a lane, and then
// merge() lays them over the surface they came from, lane 1 first, so that
// inside the area the surface shows what drawing lane 0's lines on it, then
// lane 1's, and so on, would have left: the last line drawn wins.  Outside
// the area the other lanes' lines may be lost.  Lane 0 is drawn on the
// thread that asked for the lanes (it may be the surface itself), the
// others on a thread each; merge() runs on the asking thread once all have
// ended.  A lane starts with the surface's drawing state (background mode
// and colour, origin); its pen and position are its own.  A lane's memory
// is bounded: a lane that keeps what it is given in a list stops keeping
// it when the list is full or memory runs out, and says so (lost); its
// lines are then drawn again on lane 0 in its turn, in place of its merge.
class SurfaceLanes {
public:
    virtual ~SurfaceLanes() {}
    virtual Surface *lane(int index) = 0;
    // Lay lane `index` (1 .. count - 1) over the surface; called once for
    // each, in order.
    virtual void merge(int index) = 0;
    // Whether lane `index` (1 .. count - 1) dropped lines it was given.
    virtual bool lost(int index) const
    {
        (void)index;
        return false;
    }
};

const uint64_t RECORD_NONE = UINT64_MAX;

#endif
