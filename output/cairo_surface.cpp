// The figure surface on cairo: SVG and PDF figures, PNG files.
#include "output/cairo_surface.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "output/part_file.h"
#include "picture/cp1252.h"
#include "render/font_data.h"

struct CairoSurface::CairoState {
    cairo_surface_t *target;
    cairo_t *cr;
};

namespace {

// A path is stroked once it holds this many points and a piece of it ends,
// so that no single SVG element grows without bound.
const uint64_t STROKE_POINTS = 4096;

// The system's reason for the first write that failed (cairo keeps only
// its own status), 0 while none has.
int write_error;

cairo_status_t Write_file(void *closure, const unsigned char *data, unsigned int length)
{
    std::FILE *f = static_cast<std::FILE *>(closure);
    if (std::fwrite(data, 1, length, f) == length)
        return CAIRO_STATUS_SUCCESS;
    if (write_error == 0)
        write_error = errno != 0 ? errno : EIO;
    return CAIRO_STATUS_WRITE_ERROR;
}

cairo_status_t Write_string(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Close the temporary file and put it in place of `path` in one step, or
// remove it (errno tells why).
int Replace_file(std::FILE *f, bool ok, const std::string &temporary, const std::string &path)
{
    return Part_file_finish(f, ok, temporary.c_str(), path.c_str());
}

double Channel(Colour c, int shift)
{
    return static_cast<double>((c >> shift) & 0xFFu) / 255.0;
}

bool Starts(const std::string &s, size_t at, const char *prefix)
{
    return s.compare(at, std::strlen(prefix), prefix) == 0;
}

void Xml_escape(const std::string &text, std::string *out)
{
    for (char c : text) {
        switch (c) {
        case '&': *out += "&amp;"; break;
        case '<': *out += "&lt;"; break;
        case '>': *out += "&gt;"; break;
        default: *out += c; break;
        }
    }
}

} // namespace

CairoSurface::CairoSurface()
    : cairo(nullptr), file(nullptr), format(0), scale(1.0), page_left(0), page_top(0),
      page_right(0), page_bottom(0), show_left(0), show_top(0), show_right(0), show_bottom(0),
      font_size(0.0), pen_style(PEN_SOLID), pen_width_given(1), pen_colour(0), pen_draws(true),
      pen_width(1), pen_dash(-1), pos_x(0), pos_y(0), origin_x(0), origin_y(0),
      background_opaque(1), background_colour(COLOUR_WHITE), path_open(false), path_pending(false),
      path_dot(false), end_x(0), end_y(0), drawn_x(0), drawn_y(0), path_points(0), given(0),
      drawn(0)
{
}

CairoSurface::~CairoSurface()
{
    if (cairo) {
        cairo_destroy(cairo->cr);
        cairo_surface_destroy(cairo->target);
        delete cairo;
        Replace_file(file, false, temporary, target);
    }
}

int CairoSurface::open(const char *path, int figure_format, PixelRect page, double figure_scale)
{
    if (cairo)
        return -1;
    if (!(figure_scale >= FIGURE_SCALE_MIN && figure_scale <= FIGURE_SCALE_MAX))
        return -1;
    if (page.right <= page.left || page.bottom <= page.top ||
        (figure_format != FIGURE_SVG && figure_format != FIGURE_PDF))
        return -1;
    target = path;
    char part[PART_PATH_SIZE];
    file = Part_file_create(path, part, sizeof part);
    if (!file)
        return -1;
    temporary = part;
    write_error = 0;
    format = figure_format;
    svg.clear();
    texts.clear();
    scale = figure_scale;
    page_left = show_left = page.left;
    page_top = show_top = page.top;
    page_right = show_right = page.right;
    page_bottom = show_bottom = page.bottom;
    double w = scale * static_cast<double>(page.right - page.left);
    double h = scale * static_cast<double>(page.bottom - page.top);

    cairo_surface_t *t;
    if (format == FIGURE_SVG) {
        t = cairo_svg_surface_create_for_stream(Write_string, &svg, w, h);
        cairo_svg_surface_set_document_unit(t, CAIRO_SVG_UNIT_PX);
    } else {
        t = cairo_pdf_surface_create_for_stream(Write_file, file, w, h);
    }
    cairo_t *cr = cairo_create(t);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        cairo_surface_destroy(t);
        Replace_file(file, false, temporary, target);
        return -1;
    }
    cairo = new CairoState{t, cr};

    // The font size that gives capitals as tall as the raster font's, in
    // whichever font stands in for Helvetica here.
    cairo_select_font_face(cr, "Helvetica", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 100.0);
    cairo_text_extents_t te;
    cairo_text_extents(cr, "H", &te);
    double cap = font_glyphs['H' - FONT_FIRST_CHAR].rows;
    font_size = scale * (te.height > 0 ? cap * 100.0 / te.height : cap);
    cairo_set_font_size(cr, font_size);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);

    pen_style = PEN_SOLID;
    pen_width_given = 1;
    pen_colour = 0;
    pen_draws = true;
    pen_width = 1;
    pen_dash = -1;
    pos_x = pos_y = origin_x = origin_y = 0;
    background_opaque = 1;
    background_colour = COLOUR_WHITE;
    path_open = path_pending = path_dot = false;
    path_points = 0;
    given = drawn = 0;
    return 0;
}

// Turn each text of cairo's SVG output (a group of glyph uses) back into a
// <text> element and drop the glyph outlines.  False, with `svg` unchanged,
// when the groups do not match the texts drawn one for one.
bool CairoSurface::finish_svg()
{
    std::string out;
    out.reserve(svg.size());
    size_t k = 0;
    size_t at = 0;
    while (at < svg.size()) {
        size_t eol = svg.find('\n', at);
        size_t next = eol == std::string::npos ? svg.size() : eol + 1;
        if (Starts(svg, at, "<symbol") && svg.find("id=\"glyph", at) < next) {
            size_t end = svg.find("</symbol>", at);
            if (end == std::string::npos)
                return false;
            at = svg.find('\n', end);
            at = at == std::string::npos ? svg.size() : at + 1;
            continue;
        }
        bool group = Starts(svg, at, "<g ") && next < svg.size() &&
                     svg.compare(svg.find_first_not_of(' ', next), 4, "<use") == 0 &&
                     svg.find("#glyph", next) < svg.find('\n', next);
        if (!group) {
            out.append(svg, at, next - at);
            at = next;
            continue;
        }
        if (k >= texts.size())
            return false;
        size_t end = svg.find("</g>", next);
        if (end == std::string::npos)
            return false;
        const FigureText &t = texts[k++];
        char head[320];
        std::snprintf(head, sizeof head,
                      "<text x=\"%.6g\" y=\"%.6g\" xml:space=\"preserve\" "
                      "style=\"font-family:Helvetica,Arial,sans-serif;font-weight:bold;"
                      "font-size:%.6gpx;fill:rgb(%u,%u,%u);\">",
                      t.x, t.y, t.size, t.colour & 0xFFu, (t.colour >> 8) & 0xFFu,
                      (t.colour >> 16) & 0xFFu);
        out += head;
        Xml_escape(t.text, &out);
        out += "</text>\n";
        at = svg.find('\n', end);
        at = at == std::string::npos ? svg.size() : at + 1;
    }
    if (k != texts.size())
        return false;
    svg.swap(out);
    return true;
}

int CairoSurface::close()
{
    if (!cairo)
        return -1;
    flush();
    cairo_show_page(cairo->cr);
    cairo_destroy(cairo->cr);
    cairo_surface_finish(cairo->target);
    bool ok = cairo_surface_status(cairo->target) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(cairo->target);
    delete cairo;
    cairo = nullptr;
    if (ok && format == FIGURE_SVG) {
        // Outlines stay where cairo's output is not laid out as expected.
        finish_svg();
        ok = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
        std::string().swap(svg);
    }
    if (!ok)
        errno = write_error != 0 ? write_error : (errno != 0 ? errno : EIO);
    return Replace_file(file, ok, temporary, target);
}

// A line's point: the centre of its pixel for pens of odd width; pens of
// even width lie half a pixel up and left, where the raster surface puts
// them (a two-pixel pen covers the rows y - 1 and y).
void CairoSurface::device(int64_t x, int64_t y, double *dx, double *dy) const
{
    double centre = pen_width % 2 ? 0.5 : 0.0;
    *dx = scale * (static_cast<double>(x - page_left) + centre);
    *dy = scale * (static_cast<double>(y - page_top) + centre);
}

// Whether the segment's box, widened by `margin` client pixels, misses
// what is shown.
bool CairoSurface::outside(int64_t x0, int64_t y0, int64_t x1, int64_t y1, double margin) const
{
    double l = static_cast<double>(std::min(x0, x1)) - margin;
    double r = static_cast<double>(std::max(x0, x1)) + margin;
    double t = static_cast<double>(std::min(y0, y1)) - margin;
    double b = static_cast<double>(std::max(y0, y1)) + margin;
    return r < static_cast<double>(show_left) || l >= static_cast<double>(show_right) ||
           b < static_cast<double>(show_top) || t >= static_cast<double>(show_bottom);
}

void CairoSurface::source(Colour colour)
{
    cairo_set_source_rgb(cairo->cr, Channel(colour, 0), Channel(colour, 8), Channel(colour, 16));
}

void CairoSurface::end_path()
{
    if (!path_open)
        return;
    double dx, dy;
    if (path_pending) {
        device(end_x, end_y, &dx, &dy);
        cairo_line_to(cairo->cr, dx, dy);
        drawn++;
    }
    if (path_dot) {
        device(end_x + 1, end_y, &dx, &dy);
        cairo_line_to(cairo->cr, dx, dy);
        drawn++;
    }
    path_open = path_pending = path_dot = false;
    if (path_points >= STROKE_POINTS)
        flush();
}

// Stroke what the path holds with the current pen.
void CairoSurface::flush()
{
    if (!cairo)
        return;
    if (path_open) {
        path_points = 0; // end_path must not come back here
        end_path();
    }
    path_points = 0;
    cairo_t *cr = cairo->cr;
    if (!cairo_has_current_point(cr))
        return;
    cairo_set_line_width(cr, pen_width);
    cairo_set_line_cap(cr, pen_width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    if (pen_dash >= 0) {
        if (background_opaque) {
            // The gaps of a dashed pen take the background colour.
            cairo_set_dash(cr, nullptr, 0, 0);
            source(background_colour);
            cairo_stroke_preserve(cr);
        }
        double dashes[6];
        for (int i = 0; i < PEN_DASH_COUNTS[pen_dash]; i++)
            dashes[i] = PEN_DASHES[pen_dash][i];
        cairo_set_dash(cr, dashes, PEN_DASH_COUNTS[pen_dash], 0);
    } else {
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    source(pen_colour);
    cairo_stroke(cr);
}

void CairoSurface::pen(int style, int width, Colour colour)
{
    if (style == pen_style && width == pen_width_given && colour == pen_colour)
        return;
    if (style < PEN_SOLID || style > PEN_INSIDEFRAME)
        return;
    flush();
    pen_style = style;
    pen_width_given = width;
    pen_colour = colour;
    int w = width < 0 ? -width : width;
    pen_width = w < 1 ? 1 : (w > RASTER_MAX_PEN_WIDTH ? RASTER_MAX_PEN_WIDTH : w);
    pen_draws = style != PEN_NULL;
    // Dash styles apply only to one-pixel pens; wider pens draw solid.
    pen_dash =
        pen_width == 1 && style >= PEN_DASH && style <= PEN_DASHDOTDOT ? style - PEN_DASH : -1;
}

void CairoSurface::move_to(int32_t x, int32_t y)
{
    pos_x = x;
    pos_y = y;
}

void CairoSurface::extend(int64_t x, int64_t y)
{
    path_dot = false;
    end_x = x;
    end_y = y;
    // Left out while it ends inside one device pixel of the last point
    // drawn; the end is drawn when the path ends.
    double reach =
        scale * static_cast<double>(std::max(std::llabs(x - drawn_x), std::llabs(y - drawn_y)));
    if (reach < 1.0) {
        path_pending = true;
        return;
    }
    double dx, dy;
    device(x, y, &dx, &dy);
    cairo_line_to(cairo->cr, dx, dy);
    drawn_x = x;
    drawn_y = y;
    path_pending = false;
    path_points++;
    drawn++;
}

void CairoSurface::line_to(int32_t x, int32_t y)
{
    int64_t fx = static_cast<int64_t>(pos_x) + origin_x;
    int64_t fy = static_cast<int64_t>(pos_y) + origin_y;
    int64_t tx = static_cast<int64_t>(x) + origin_x;
    int64_t ty = static_cast<int64_t>(y) + origin_y;
    pos_x = x;
    pos_y = y;
    if (!cairo || !pen_draws)
        return;
    given++;
    // A line one pixel to the right is either the dot of the point it starts
    // from or a step to the next pixel; where the next line starts tells.
    bool dot = tx == fx + 1 && ty == fy;
    if (path_open && path_dot && fx == end_x + 1 && fy == end_y)
        extend(fx, fy);
    // Round caps reach half the pen's width beyond the ends.
    double margin = static_cast<double>(pen_width) / scale + 1.0;
    if (path_open && fx == end_x && fy == end_y) {
        path_dot = false;
    } else {
        end_path();
        if (outside(fx, fy, tx, ty, margin))
            return;
        double dx, dy;
        device(fx, fy, &dx, &dy);
        cairo_move_to(cairo->cr, dx, dy);
        path_open = true;
        path_pending = path_dot = false;
        end_x = drawn_x = fx;
        end_y = drawn_y = fy;
        path_points++;
    }
    if (dot) {
        path_dot = true;
        return;
    }
    if (outside(end_x, end_y, tx, ty, margin)) {
        end_path();
        return;
    }
    extend(tx, ty);
}

// The client rectangle (l, t) .. (r, b) filled, edges on pixel boundaries.
void CairoSurface::fill_client(int64_t l, int64_t t, int64_t r, int64_t b, Colour colour)
{
    cairo_rectangle(cairo->cr, scale * static_cast<double>(l - page_left),
                    scale * static_cast<double>(t - page_top), scale * static_cast<double>(r - l),
                    scale * static_cast<double>(b - t));
    source(colour);
    cairo_fill(cairo->cr);
}

void CairoSurface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom,
                             Colour fill_colour)
{
    if (!cairo)
        return;
    flush();
    int64_t l = static_cast<int64_t>(std::min(left, right)) + origin_x;
    int64_t t = static_cast<int64_t>(std::min(top, bottom)) + origin_y;
    int64_t r = static_cast<int64_t>(std::max(left, right)) + origin_x;
    int64_t b = static_cast<int64_t>(std::max(top, bottom)) + origin_y;
    if (l == r || t == b)
        return;
    if (!pen_draws) {
        // The null pen fills one pixel less each way.
        fill_client(l, t, r - 1, b - 1, fill_colour);
        return;
    }
    fill_client(l, t, r, b, fill_colour);
    // The outline through the centres of the edge pixels.
    cairo_rectangle(cairo->cr, scale * (static_cast<double>(l - page_left) + 0.5),
                    scale * (static_cast<double>(t - page_top) + 0.5),
                    scale * static_cast<double>(r - l - 1), scale * static_cast<double>(b - t - 1));
    flush();
}

void CairoSurface::fill_rect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                             Colour colour)
{
    if (!cairo)
        return;
    flush();
    // Reversed edges fill from the far edge + 1 to the near one.
    int64_t l = left <= right ? left : static_cast<int64_t>(right) + 1;
    int64_t r = left <= right ? right : static_cast<int64_t>(left) + 1;
    int64_t t = top <= bottom ? top : static_cast<int64_t>(bottom) + 1;
    int64_t b = top <= bottom ? bottom : static_cast<int64_t>(top) + 1;
    if (l != r && t != b)
        fill_client(l + origin_x, t + origin_y, r + origin_x, b + origin_y, colour);
}

void CairoSurface::text(int32_t x, int32_t y, const char *text, int length, Colour colour)
{
    background_opaque = 0;
    if (!cairo || !text || length <= 0)
        return;
    int64_t cx = static_cast<int64_t>(x) + origin_x;
    int64_t cy = static_cast<int64_t>(y) + origin_y;
    int32_t w, h;
    Raster_text_extent(text, length, &w, &h);
    if (cx + w <= show_left || cx >= show_right || cy + h <= show_top || cy >= show_bottom)
        return;
    flush();
    // The text is in the window's code page; the figure holds Unicode.
    std::string shown(3 * static_cast<size_t>(length) + 1, '\0');
    shown.resize(Cp1252_to_utf8(text, static_cast<size_t>(length), &shown[0], shown.size()));
    double dx = scale * static_cast<double>(cx - page_left);
    double dy = scale * static_cast<double>(cy - page_top + font_ascent);
    cairo_t *cr = cairo->cr;
    cairo_move_to(cr, dx, dy);
    source(colour);
    cairo_show_text(cr, shown.c_str());
    cairo_new_path(cr);
    if (format == FIGURE_SVG)
        texts.push_back(FigureText{dx, dy, font_size, colour, shown});
}

void CairoSurface::set_origin(int32_t x, int32_t y)
{
    origin_x = x;
    origin_y = y;
}

void CairoSurface::set_background(int opaque, Colour colour)
{
    if (opaque != background_opaque || colour != background_colour)
        flush();
    background_opaque = opaque ? 1 : 0;
    background_colour = colour;
}

void CairoSurface::clip(const PixelRect *area)
{
    if (!cairo)
        return;
    flush();
    cairo_t *cr = cairo->cr;
    cairo_reset_clip(cr);
    show_left = page_left;
    show_top = page_top;
    show_right = page_right;
    show_bottom = page_bottom;
    if (!area)
        return;
    cairo_rectangle(cr, scale * static_cast<double>(area->left - page_left),
                    scale * static_cast<double>(area->top - page_top),
                    scale * static_cast<double>(area->right - area->left),
                    scale * static_cast<double>(area->bottom - area->top));
    cairo_clip(cr);
    show_left = std::max<int64_t>(show_left, area->left);
    show_top = std::max<int64_t>(show_top, area->top);
    show_right = std::min<int64_t>(show_right, area->right);
    show_bottom = std::min<int64_t>(show_bottom, area->bottom);
}

int Png_write(const char *path, const RasterSurface *image, PixelRect area)
{
    int32_t w = area.right - area.left;
    int32_t h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return -1;
    cairo_surface_t *png = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(png);
        return -1;
    }
    cairo_surface_flush(png);
    unsigned char *data = cairo_image_surface_get_data(png);
    int stride = cairo_image_surface_get_stride(png);
    for (int32_t y = 0; y < h; y++) {
        uint32_t *row = reinterpret_cast<uint32_t *>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int32_t x = 0; x < w; x++) {
            // 0x00BBGGRR to cairo's 0x00RRGGBB.
            Colour c = image->pixel(area.left + x, area.top + y);
            row[x] = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        }
    }
    cairo_surface_mark_dirty(png);
    char temporary[PART_PATH_SIZE];
    write_error = 0;
    std::FILE *f = Part_file_create(path, temporary, sizeof temporary);
    bool ok = f && cairo_surface_write_to_png_stream(png, Write_file, f) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(png);
    if (!f)
        return -1;
    if (!ok)
        errno = write_error != 0 ? write_error : EIO;
    return Replace_file(f, ok, temporary, path);
}
