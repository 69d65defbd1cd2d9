// vokatool render: the picture drawn as the window shows it, written as
// BMP, PNG, SVG or PDF.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/bmp_file.h"
#include "picture/cp1252.h"
#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/annotations.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "tools/vokatool/vokatool.h"
#ifdef VOKA_HAVE_CAIRO
#include "output/cairo_surface.h"
#endif

namespace {

// The part of a raster image that is written.
struct ImageArea {
    const RasterSurface *image;
    PixelRect area;
};

Colour Area_pixel(const void *context, int32_t x, int32_t y)
{
    const ImageArea *a = static_cast<const ImageArea *>(context);
    return a->image->pixel(a->area.left + x, a->area.top + y);
}

// After a message of the conversion or the renderer (a line left out, a
// view that cannot be scaled, a work file that cannot be read) the picture
// is not what it should be: true, and OUT stays as it was.
bool Not_complete(const RenderOptions &o)
{
    if (!tool_run.message_shown)
        return false;
    Progress_end();
    std::fprintf(stderr, "vokatool render: %s not written\n", o.output);
    return true;
}

// OUT could not be written (errno tells why; OUT is as it was).  Returns 1.
int Output_failed(const RenderOptions &o)
{
    int error = errno;
    Progress_end();
    if (error != 0)
        std::fprintf(stderr, "vokatool render: %s: cannot be written: %s\n", o.output,
                     std::strerror(error));
    else
        std::fprintf(stderr, "vokatool render: %s: cannot be written\n", o.output);
    return 1;
}

// Raster output: the image as the window's bitmap, as BMP or PNG.
int Raster_write(const RenderOptions &o, int mode, PixelRect area)
{
    RasterSurface image;
    int rendered =
        Headless_render(nullptr, &image, mode, 0, 0, o.no_panel ? 0 : 1, tool_run.work_file);
    Progress_end();
    if (rendered != 0) {
        std::fprintf(stderr, "vokatool render: cannot allocate a %dx%d image\n", layout.bitmap_w,
                     layout.bitmap_h);
        return 1;
    }
    if (Not_complete(o))
        return 1;
    ImageArea a = {&image, area};
    int32_t w = area.right - area.left;
    int32_t h = area.bottom - area.top;
    int written;
    errno = 0;
#ifdef VOKA_HAVE_CAIRO
    if (o.format == OUTPUT_PNG)
        written = Png_write(o.output, &image, area);
    else
#endif
        written = Bmp_write_24(o.output, w, h, Area_pixel, &a);
    if (written != 0)
        return Output_failed(o);
    std::printf("%s: %dx%d\n", o.output, w, h);
    return 0;
}

#ifdef VOKA_HAVE_CAIRO
void Figure_confine(void *context, const PixelRect *area)
{
    static_cast<CairoSurface *>(context)->clip(area);
}

// Vector output: the same paint on the figure surface.
int Figure_write(const RenderOptions &o, int mode, PixelRect area)
{
    CairoSurface figure;
    int format = o.format == OUTPUT_SVG ? FIGURE_SVG : FIGURE_PDF;
    // PDF readers refuse pages larger than 200 inches a side.
    double side = o.scale * std::max(area.right - area.left, area.bottom - area.top);
    if (format == FIGURE_PDF && side > 14400.0) {
        std::fprintf(stderr,
                     "vokatool render: a PDF page of %g pt is too large (at most 14400 "
                     "pt a side): use a smaller --scale\n",
                     side);
        return 2;
    }
    errno = 0;
    if (figure.open(o.output, format, area, o.scale) != 0)
        return Output_failed(o);
    // The window's rebuild finds the context in the transparent background
    // mode that the panel pass leaves, with or without the panels drawn.
    figure.set_background(0, COLOUR_WHITE);
    Headless_paint(nullptr, &figure, Figure_confine, &figure, mode, 0, 0, o.no_panel ? 0 : 1,
                   tool_run.work_file);
    Progress_end();
    if (Not_complete(o))
        return 1; // the figure is left unclosed: nothing is written
    if (figure.close() != 0)
        return Output_failed(o);
    std::printf("%s: %gx%g, %llu of %llu line segments drawn\n", o.output,
                o.scale * (area.right - area.left), o.scale * (area.bottom - area.top),
                static_cast<unsigned long long>(figure.segments_drawn()),
                static_cast<unsigned long long>(figure.segments_given()));
    return 0;
}
#endif

} // namespace

// The settings the options give: an info file, the title.  0, or 2.
int Render_settings(const RenderOptions &o)
{
    Settings_defaults(&settings);
    // Without an info file the picture is drawn as the window draws it at
    // its first start, with the automatic scale unit; an info file gives
    // its own unit.
    display.scale_auto = o.info ? 0 : 1;
    if (o.info) {
        errno = 0;
        if (Settings_load_file(o.info, &settings) != 0) {
            std::fprintf(stderr, "vokatool render: %s: cannot read info file%s%s\n", o.info,
                         errno != 0 ? ": " : "", errno != 0 ? std::strerror(errno) : "");
            return 2;
        }
        Settings_sanitize(&settings);
    }
    Settings_derive_colours();
    if (o.title) {
        // The title is UTF-8 here (or Latin-1 bytes); the window and the
        // settings hold it in Windows-1252.
        char title[sizeof settings.title_text];
        int missing = 0;
        if (Text_to_cp1252(o.title, title, sizeof title, &missing) != 0)
            return Render_error("title longer than 39 characters", o.title);
        if (missing > 0)
            std::fprintf(stderr,
                         "vokatool render: %d characters of the title are not in "
                         "Windows-1252: shown as '?'\n",
                         missing);
        Text_copy(settings.title_text, sizeof settings.title_text, title);
    }
    return 0;
}

// The geometry overlay of --geometry.  0, or 1 after saying why.
int Render_geometry(const RenderOptions &o)
{
    display.geometry_enabled = o.no_geometry ? 0 : 1;
    display.geometry_pending = display.geometry_enabled;
    if (!o.geometry)
        return 0;
    // The window draws whatever a damaged geometry file leaves in the list
    // at every rebuild; here it is refused up front.
    errno = 0;
    FILE *f = std::fopen(o.geometry, "rb"); // as Geometry_load reads it
    int error = errno;
    GeometryReport report;
    errno = 0;
    int read = f ? Geometry_read(f, &report) : -1;
    if (f) {
        error = std::ferror(f) ? errno : 0;
        std::fclose(f);
    }
    Text_copy(display.geometry_path, sizeof display.geometry_path, o.geometry);
    if (read == 0)
        return 0;
    if (f && error != 0)
        std::fprintf(stderr, "vokatool render: %s: cannot be read: %s\n", o.geometry,
                     std::strerror(error));
    else if (f && report.lines == 0)
        std::fprintf(stderr, "vokatool render: %s: malformed geometry section: the file is empty\n",
                     o.geometry);
    else if (f)
        std::fprintf(stderr, "%s:%d: malformed geometry section: %s\n", o.geometry, report.lines,
                     report.problem ? report.problem : "cannot be read");
    else
        std::fprintf(stderr, "vokatool render: %s: cannot be opened: %s\n", o.geometry,
                     std::strerror(error));
    return 1;
}

// What a user sets in the window after opening the picture: angles, batch
// range, kinds shown, title and guide positions.
void Render_view_state(const RenderOptions &o)
{
    const int64_t *n;
    if (o.given[NUM_ANGLES]) {
        n = o.number[NUM_ANGLES];
        display.angle_x = static_cast<int16_t>(n[0]);
        display.angle_y = static_cast<int16_t>(n[1]);
        display.angle_z = static_cast<int16_t>(n[2]);
    }
    if (o.given[NUM_BATCHES]) {
        display.batch_from = static_cast<int32_t>(o.number[NUM_BATCHES][0]);
        display.batch_to = static_cast<int32_t>(o.number[NUM_BATCHES][1]);
    }
    display.show_electron = static_cast<int16_t>(o.shown[0]);
    display.show_positron = static_cast<int16_t>(o.shown[1]);
    display.show_photon = static_cast<int16_t>(o.shown[2]);
    energy_colouring = o.colouring;
    if (o.given[NUM_TITLE_POS]) {
        n = o.number[NUM_TITLE_POS];
        picture_marks.title_shown = 1;
        picture_marks.title_pos =
            PixelPoint{static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1])};
    }
    if (o.given[NUM_GUIDE]) {
        n = o.number[NUM_GUIDE];
        picture_marks.guide_shown = 1;
        picture_marks.guide_pos =
            PixelPoint{static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1])};
    }
}

namespace {

// Write the output: the figure surface's formats, or the raster's.
int Render_output(const RenderOptions &o)
{
    PixelRect area;
    const int mode = Render_layout(o, &area);
#ifdef VOKA_HAVE_CAIRO
    if (o.format == OUTPUT_SVG || o.format == OUTPUT_PDF)
        return Figure_write(o, mode, area);
#endif
    return Raster_write(o, mode, area);
}

} // namespace

int Render_layout(const RenderOptions &o, PixelRect *area)
{
    // The window's first resize lays it out from its outer size.
    const int64_t *size = o.number[NUM_SIZE];
    int32_t w = o.given[NUM_SIZE] ? static_cast<int32_t>(size[0]) : settings.window_width;
    int32_t h = o.given[NUM_SIZE] ? static_cast<int32_t>(size[1]) : settings.window_height;
    Layout_compute(LAYOUT_FROM_WINDOW, w, h);

    int mode = RENDER_FULL;
    if (o.given[NUM_ZOOM]) {
        // The full view that opening the picture showed, then one Expand.
        const int64_t *z = o.number[NUM_ZOOM];
        View_setup(nullptr, layout.view_rect, RENDER_FULL, &view_state.view_scale);
        zoom_rect = PixelRect{static_cast<int32_t>(z[0]), static_cast<int32_t>(z[1]),
                              static_cast<int32_t>(z[2]), static_cast<int32_t>(z[3])};
        mode = RENDER_ZOOM;
    }
    // The bitmap's region, or the picture area alone.
    *area = o.no_panel ? layout.view_rect : PixelRect{0, 0, layout.bitmap_w, layout.bitmap_h};
    return mode;
}

int Render(int argc, char **argv)
{
    RenderOptions o;
    int result = Render_options(argc, argv, &o);
    if (result == 0)
        result = Render_settings(o);
    if (result != 0)
        return result;
    if (o.work_dir) {
        int n =
            std::snprintf(tool_run.work_file, sizeof tool_run.work_file, "%swork.$$$", o.work_dir);
        if (n < 0 || static_cast<size_t>(n) >= sizeof tool_run.work_file)
            return Render_error("work directory too long", o.work_dir);
    }
    // Neither OUT nor the work file may be one of the inputs (nor OUT the
    // work file the conversion writes first).
    const char *inputs[] = {o.picture, o.geometry, o.info,
                            o.work_dir ? tool_run.work_file : nullptr};
    if (Output_is_input(o.output, inputs, 4) != 0 ||
        (o.work_dir && Output_is_input(tool_run.work_file, inputs, 3) != 0))
        return 1;
    if (!o.work_dir) {
        if (Private_work_dir() != 0)
            return 1;
        Text_copy(tool_run.work_file, sizeof tool_run.work_file, private_folder.work_file);
    }
    tool_run.message_input = o.picture;
    if (Track_file_prepare(&o.picture, stderr) != 0) {
        Private_work_dir_remove();
        return 1;
    }

    // What Data File Open leaves: the picture converted, geometry shown.
    // The picture's path goes to the core as it is, however long (that of
    // an imported track file lies in the temporary folder).
    Text_copy(display.picture_path, sizeof display.picture_path, o.picture);
    errno = 0;
    int first_problem;
    uint64_t first_line;
    if (Picture_convert_file(nullptr, o.picture, tool_run.work_file) != 0) {
        result = Convert_explain(o.picture, -1);
    } else if (tool_run.strict && Lines_left_out(&work_file.stats, &first_problem, &first_line)) {
        result = Convert_explain(o.picture, 0); // nothing is drawn
    } else {
        Progress_end();
        Left_out_print(o.picture);
        result = Render_geometry(o);
        Render_view_state(o);
        if (result == 0)
            result = Render_output(o);
    }
    Private_work_dir_remove();
    return result;
}
