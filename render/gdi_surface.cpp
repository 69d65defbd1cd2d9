#include "render/gdi_surface.h"

GdiSurface::GdiSurface(HDC dc_in, int32_t device_x_in, int32_t device_y_in)
    : dc(dc_in), saved_origin(), saved_pen(nullptr), device_x(device_x_in), device_y(device_y_in),
      current_pen(nullptr), pen_style(0), pen_width(0), pen_colour(0), points(), run_points(),
      point_count(0), run_count(0)
{
    // Logical (0, 0) starts at the surface's device (0, 0).
    SetViewportOrgEx(dc, -device_x, -device_y, &saved_origin);
}

GdiSurface::~GdiSurface()
{
    flush();
    if (current_pen) {
        SelectObject(dc, saved_pen);
        DeleteObject(current_pen);
    }
    SetViewportOrgEx(dc, saved_origin.x, saved_origin.y, nullptr);
}

bool GdiSurface::batching() const
{
    return current_pen && pen_style == PS_SOLID && pen_width <= 1;
}

void GdiSurface::flush()
{
    if (run_count == 0)
        return;
    POINT last = points[point_count - 1];
    // A run of one point (a move with no line after it yet) draws nothing.
    int runs = run_count;
    if (run_points[runs - 1] < 2)
        runs--;
    if (runs > 0)
        PolyPolyline(dc, points, run_points, static_cast<DWORD>(runs));
    MoveToEx(dc, last.x, last.y, nullptr);
    point_count = 0;
    run_count = 0;
}

void GdiSurface::pen(int style, int width, Colour colour)
{
    if (current_pen && style == pen_style && width == pen_width && colour == pen_colour)
        return;
    HPEN made = CreatePen(style, width, colour);
    if (!made)
        return;
    flush();
    HGDIOBJ previous = SelectObject(dc, made);
    if (current_pen)
        DeleteObject(current_pen);
    else
        saved_pen = previous;
    current_pen = made;
    pen_style = style;
    pen_width = width;
    pen_colour = colour;
}

void GdiSurface::move_to(int32_t x, int32_t y)
{
    if (!batching()) {
        MoveToEx(dc, x, y, nullptr);
        return;
    }
    if (run_count > 0) {
        POINT &last = points[point_count - 1];
        if (last.x == x && last.y == y)
            return; // the next line continues the open run
        if (run_points[run_count - 1] == 1) {
            last.x = x; // a run that never drew: start it elsewhere
            last.y = y;
            return;
        }
    }
    if (point_count == BATCH_POINTS || run_count == BATCH_RUNS)
        flush();
    points[point_count].x = x;
    points[point_count].y = y;
    point_count++;
    run_points[run_count++] = 1;
}

void GdiSurface::line_to(int32_t x, int32_t y)
{
    if (!batching()) {
        LineTo(dc, x, y);
        return;
    }
    if (run_count > 0 && point_count == BATCH_POINTS) {
        POINT last = points[point_count - 1];
        flush();
        move_to(last.x, last.y);
    }
    if (run_count == 0) {
        // Start from the context's current position.
        POINT from;
        GetCurrentPositionEx(dc, &from);
        points[point_count++] = from;
        run_points[run_count++] = 1;
    }
    points[point_count].x = x;
    points[point_count].y = y;
    point_count++;
    run_points[run_count - 1]++;
}

void GdiSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                           Colour fill_colour)
{
    flush();
    HBRUSH brush = CreateSolidBrush(fill_colour);
    HGDIOBJ previous = SelectObject(dc, brush);
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, previous);
    DeleteObject(brush);
}

void GdiSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, Colour colour)
{
    flush();
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r;
    SetRect(&r, left, top, right, bottom);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void GdiSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    flush();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, length);
}

void GdiSurface::set_origin(int32_t x, int32_t y)
{
    flush();
    SetViewportOrgEx(dc, x - device_x, y - device_y, nullptr);
}

DibSurface::DibSurface(HDC dc, Colour *rows, int32_t width, int32_t height, int32_t device_x_in,
                       int32_t device_y_in)
    : raster(), gdi(dc, device_x_in, device_y_in), device_x(device_x_in), device_y(device_y_in)
{
    raster.attach(rows, width, height);
    raster.set_origin(-device_x, -device_y);
    raster.set_background(0, COLOUR_WHITE);
    SetBkMode(dc, TRANSPARENT);
}

void DibSurface::pen(int style, int width, Colour colour)
{
    raster.pen(style, width, colour);
}

void DibSurface::move_to(int32_t x, int32_t y)
{
    raster.move_to(x, y);
}

void DibSurface::line_to(int32_t x, int32_t y)
{
    raster.line_to(x, y);
}

void DibSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                           Colour fill_colour)
{
    raster.rectangle(left, top, right, bottom, fill_colour);
}

void DibSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, Colour colour)
{
    raster.fill_rect(left, top, right, bottom, colour);
}

void DibSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    // The raster surface takes the transparent background that text sets
    // (an empty text draws nothing); GDI draws the letters.  GDI may hold
    // back drawing: flushed before the raster surface writes the rows
    // again.
    raster.text(x, y, nullptr, 0, colour);
    gdi.text(x, y, text, length, colour);
    GdiFlush();
}

void DibSurface::set_origin(int32_t x, int32_t y)
{
    raster.set_origin(x - device_x, y - device_y);
    gdi.set_origin(x, y);
}

SurfaceLanes *DibSurface::lanes(int count, PixelRect area)
{
    return raster.lanes(count, area);
}
