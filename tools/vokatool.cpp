// vokatool: the viewer's picture handling from the command line.
//
//   vokatool info PICTURE
//   vokatool convert PICTURE [--work-dir DIR]
//   vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]
//
// Messages of the core go to stderr; a failure exits with status 1.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "output/bmp_file.h"
#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#ifdef VOKA_HAVE_CAIRO
#include "render/cairo_surface.h"
#endif

namespace {

const char USAGE[] =
    "usage: vokatool info PICTURE\n"
    "       vokatool convert PICTURE [--work-dir DIR]\n"
    "       vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]\n"
    "\n"
    "info     prints what a picture file holds: geometry, scene bounds, batches,\n"
    "         step records per particle kind, energy ranges and skipped lines.\n"
    "convert  converts the picture into the work file DIR + \"work.$$$\" (DIR is\n"
    "         used exactly as the work directory setting: give its trailing\n"
    "         separator; at most 19 characters; default: the current directory)\n"
    "         and prints the records written per batch.\n"
    "render   draws the picture as the viewer window shows it and writes what\n"
    "         Bitmap File Save writes: the picture area with its margin.  The\n"
    "         extension of OUT chooses the format: .bmp (24-bit bitmap), .png\n"
    "         (the same pixels), .svg or .pdf (vector figures: lines, real text).\n"
    "  --scale F            vector figures F times larger, lines as thin as on\n"
    "                       screen (default 1: one pixel is one px or pt)\n"
    "  --no-panel           the picture area alone: no margin, no frame\n"
    "  Options that set what a user sets in the window:\n"
    "  --info FILE          settings from an info file (colours, pens, scale unit,\n"
    "                       cut-offs, window size, title text); default: defaults\n"
    "  --size WxH           outer window size (default: from the settings)\n"
    "  --angles X,Y,Z       view angles in degrees\n"
    "  --batches FROM-TO    batch range (0 for first / last)\n"
    "  --particles LIST     kinds shown, from e (electron), p (positron),\n"
    "                       g (photon), comma-separated; \"none\" hides all\n"
    "  --zoom L,T,R,B       one Expand with that rectangle (client coordinates)\n"
    "  --title TEXT         title text (at most 39 characters)\n"
    "  --title-pos X,Y      title position as the mouse selection records it\n"
    "  --guide X,Y          guide mark position, likewise\n"
    "  --geometry FILE      overlay the geometry section of FILE\n"
    "  --no-geometry        hide the geometry (Geometry Hide)\n"
    "  --work-dir DIR       where the work file goes (default: a private folder\n"
    "                       in the temporary directory, removed afterwards)\n"
    "  A failed run leaves an existing OUT as it was.\n";

// A one-line progress indicator on a terminal, shown once the work has
// taken a second.
std::chrono::steady_clock::time_point progress_start;
bool progress_shown;

void Tool_progress(const char *what, uint64_t done, uint64_t total)
{
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                   progress_start).count();
    if (seconds < 1.0 || total == 0)
        return;
    int percent = static_cast<int>(done >= total ? 100 : done * 100 / total);
    static int shown = -1;
    if (progress_shown && percent == shown)
        return;
    shown = percent;
    std::fprintf(stderr, "\r%s %3d%%  ", what, percent);
    std::fflush(stderr);
    progress_shown = true;
}

void Progress_end()
{
    if (progress_shown)
        std::fputs("\r                \r", stderr);
    progress_shown = false;
}

// Set when the core has shown a message: the run then exits non-zero.
bool message_shown;

void Tool_message(WindowRef, const char *text, const char *caption, int, int)
{
    message_shown = true;
    Progress_end();
    // The numbered texts are stored padded with blanks; print them trimmed.
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        n--;
    std::fprintf(stderr, "%s: %.*s\n", caption, static_cast<int>(n), text);
}

// After a conversion: what the messages of the core leave unsaid.  Returns
// the exit status (0 when nothing went wrong).
int Convert_explain(const char *path, int result)
{
    Progress_end();
    const ConvertStats &s = convert_stats;
    if (s.unreadable_lines != 0)
        std::fprintf(stderr, "vokatool: %s: line %llu: a number that is not finite (%llu such "
                             "line%s left out)\n",
                     path, static_cast<unsigned long long>(s.first_unreadable_line),
                     static_cast<unsigned long long>(s.unreadable_lines),
                     s.unreadable_lines == 1 ? "" : "s");
    if (s.block_open)
        std::fprintf(stderr, "vokatool: %s: the last block has no end line: the rest of the file "
                             "was skipped with it\n", path);
    if (result != 0 && s.nothing_after_geometry)
        std::fprintf(stderr, "vokatool: %s: nothing after the geometry section\n", path);
    return result != 0 || message_shown ? 1 : 0;
}

int Usage()
{
    std::fputs(USAGE, stderr);
    return 2;
}

void List_print(const char *name, const float *list, int count)
{
    std::printf("  %s (%d):", name, count);
    int shown = count < GEOMETRY_LIST_MAX ? count : GEOMETRY_LIST_MAX;
    for (int i = 0; i < shown; i++)
        std::printf(" %g", static_cast<double>(list[i]));
    std::printf("\n");
}

void Geometry_print()
{
    switch (geometry_kind) {
    case GEOMETRY_CYLINDERS:
        std::printf("geometry: cylinders\n");
        List_print("radii", cyl_radius, cyl_radius_count);
        List_print("z planes", cyl_plane_z, cyl_plane_count);
        break;
    case GEOMETRY_SLABS:
        std::printf("geometry: slabs\n");
        List_print("x boundaries", slab_x, slab_x_count);
        List_print("y boundaries", slab_y, slab_y_count);
        List_print("z boundaries", slab_z, slab_z_count);
        break;
    default:
        std::printf("geometry: none\n");
        break;
    }
    if (geometry_values_dropped > 0)
        std::printf("  %d values beyond the 100 of a list were dropped\n",
                    geometry_values_dropped);
}

int Batches_with_records()
{
    int n = 0;
    for (int i = 0; i < BATCH_MAX; i++)
        if (batch_step_count[i] != 0)
            n++;
    return n;
}

int Info(const char *path)
{
    if (Picture_convert_file(nullptr, path, nullptr) != 0)
        return Convert_explain(path, -1);
    const ConvertStats &s = convert_stats;
    Geometry_print();
    std::printf("scene: x %g .. %g, y %g .. %g, z %g .. %g cm\n", x_min, x_max, y_min, y_max,
                z_min, z_max);
    std::printf("coordinate scale: %g\n", static_cast<double>(coord_scale));
    if (s.header_missing)
        std::printf("no header line: scene bounds from the steps and the geometry\n");
    if (s.blocks) {
        std::printf("blocks skipped: %llu (%llu lines):", static_cast<unsigned long long>(s.blocks),
                    static_cast<unsigned long long>(s.block_lines));
        for (uint64_t i = 0; i < s.blocks && i < BLOCK_NAMES_KEPT; i++)
            std::printf(" %s", s.block_names[i]);
        std::printf("%s%s\n", s.blocks > BLOCK_NAMES_KEPT ? " ..." : "",
                    s.block_open ? " (the last one has no end line)" : "");
    }
    std::printf("batches: %u (last batch), %llu batch lines, %d with records%s\n", batch_count,
                static_cast<unsigned long long>(s.batch_lines), Batches_with_records(),
                batches_unordered ? ", out of order" : "");
    const char *names[STEP_KINDS] = {"photon", "electron", "positron"};
    uint64_t steps = 0;
    for (int k = 0; k < STEP_KINDS; k++) {
        steps += s.steps[k];
        std::printf("%-9s %10llu steps", names[k], static_cast<unsigned long long>(s.steps[k]));
        if (s.steps[k] > 0)
            std::printf(", energy %g .. %g MeV", static_cast<double>(s.energy_min[k]),
                        static_cast<double>(s.energy_max[k]));
        std::printf("\n");
    }
    std::printf("steps: %llu, separators: %llu, records: %llu\n",
                static_cast<unsigned long long>(steps),
                static_cast<unsigned long long>(s.separators),
                static_cast<unsigned long long>(s.records));
    std::printf("markers: %llu\n", static_cast<unsigned long long>(s.marker_lines));
    uint64_t skipped = s.skipped_type + s.skipped_before_batch + s.skipped_batch_range +
                       s.blank_lines + s.unreadable_lines;
    std::printf("skipped lines: %llu\n", static_cast<unsigned long long>(skipped));
    if (s.skipped_type)
        std::printf("  %llu of type 7 or 8 (no meaning)\n",
                    static_cast<unsigned long long>(s.skipped_type));
    if (s.skipped_before_batch)
        std::printf("  %llu before the first batch line\n",
                    static_cast<unsigned long long>(s.skipped_before_batch));
    if (s.skipped_batch_range)
        std::printf("  %llu in batches outside 1..10000 (%d such batch lines)\n",
                    static_cast<unsigned long long>(s.skipped_batch_range),
                    s.batch_lines_out_of_range);
    if (s.blank_lines)
        std::printf("  %llu blank\n", static_cast<unsigned long long>(s.blank_lines));
    if (s.unreadable_lines)
        std::printf("  %llu unreadable (a number that is not finite), the first at line %llu\n",
                    static_cast<unsigned long long>(s.unreadable_lines),
                    static_cast<unsigned long long>(s.first_unreadable_line));
    return Convert_explain(path, 0);
}

int Convert(const char *path, const char *work_dir)
{
    if (!work_dir)
        work_dir = "./";
    {
        if (std::strlen(work_dir) >= sizeof settings.work_dir) {
            std::fprintf(stderr, "vokatool: work directory \"%s\" is longer than %d characters\n",
                         work_dir, static_cast<int>(sizeof settings.work_dir) - 1);
            return 2;
        }
        Text_copy(settings.work_dir, sizeof settings.work_dir, work_dir);
    }
    if (std::strlen(path) >= sizeof picture_path) {
        std::fprintf(stderr, "vokatool: path too long: %s\n", path);
        return 2;
    }
    Text_copy(picture_path, sizeof picture_path, path);
    if (Picture_convert(nullptr, 0) != 0)
        return Convert_explain(path, -1);
    char work[PATH_SIZE + 16];
    Work_path(work, sizeof work);
    std::printf("work file: %s\n", work);
    std::printf("batches: %u\n", batch_count);
    uint64_t total = 0;
    for (int i = 0; i < BATCH_MAX; i++) {
        if (batch_step_count[i] == 0)
            continue;
        total += batch_step_count[i];
        std::printf("batch %5d: %u records\n", i + 1, batch_step_count[i]);
    }
    std::printf("records: %llu\n", static_cast<unsigned long long>(total));
    return Convert_explain(path, 0);
}


int Render_error(const char *what, const char *value)
{
    std::fprintf(stderr, "vokatool render: %s: %s\n", what, value);
    return 2;
}

// Parse "A<sep>B<sep>..." into exactly `count` integers.
bool Ints_parse(const char *text, char separator, long *out, int count)
{
    const char *p = text;
    for (int i = 0; i < count; i++) {
        char *end;
        out[i] = std::strtol(p, &end, 10);
        if (end == p)
            return false;
        if (i + 1 < count) {
            if (*end != separator)
                return false;
            p = end + 1;
        } else if (*end != '\0') {
            return false;
        }
    }
    return true;
}

bool Fits(long value, long low, long high)
{
    return value >= low && value <= high;
}

enum OutputFormat { OUTPUT_UNKNOWN, OUTPUT_BMP, OUTPUT_PNG, OUTPUT_SVG, OUTPUT_PDF };
const char *const FORMAT_NAMES[] = {"", "BMP", "PNG", "SVG", "PDF"};

// The format named by the extension of `path`, in either case.
int Output_format(const char *path)
{
    const char *dot = std::strrchr(path, '.');
    if (!dot || std::strchr(dot, '/'))
        return OUTPUT_UNKNOWN;
    std::string ext;
    for (const char *p = dot + 1; *p; p++)
        ext += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    for (int f = OUTPUT_BMP; f <= OUTPUT_PDF; f++) {
        std::string name = FORMAT_NAMES[f];
        for (char &c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == name)
            return f;
    }
    return OUTPUT_UNKNOWN;
}

struct RenderOptions {
    const char *picture = nullptr;
    const char *output = nullptr;
    const char *info = nullptr;
    const char *work_dir = nullptr;
    const char *geometry = nullptr;
    const char *title = nullptr;
    bool no_geometry = false;
    bool no_panel = false;
    int format = 0;             // OutputFormat
    double scale = 1.0;
    bool scale_given = false;
    bool size = false, angles = false, batches = false, particles = false;
    bool zoom = false, title_pos = false, guide = false;
    long size_v[2], angles_v[3], batches_v[2], zoom_v[4], title_v[2], guide_v[2];
    int shown[3] = {1, 1, 1};   // electron, positron, photon
};

int Render_options(int argc, char **argv, RenderOptions *o)
{
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        const char *v = i + 1 < argc ? argv[i + 1] : nullptr;
        static const char *const with_value[] = {"-o", "--info", "--work-dir", "--geometry",
                                                 "--title", "--size", "--angles", "--batches",
                                                 "--zoom", "--title-pos", "--guide", "--particles",
                                                 "--scale"};
        bool takes_value = false;
        for (const char *name : with_value)
            takes_value = takes_value || std::strcmp(a, name) == 0;
        bool flag = std::strcmp(a, "--no-geometry") == 0 || std::strcmp(a, "--no-panel") == 0;
        if (a[0] == '-' && !takes_value && !flag)
            return Render_error("unknown option", a);
        if (takes_value && !v)
            return Render_error("missing value after", a);
        if (std::strcmp(a, "-o") == 0) {
            o->output = v;
        } else if (std::strcmp(a, "--info") == 0) {
            o->info = v;
        } else if (std::strcmp(a, "--work-dir") == 0) {
            o->work_dir = v;
        } else if (std::strcmp(a, "--geometry") == 0) {
            o->geometry = v;
        } else if (std::strcmp(a, "--title") == 0) {
            o->title = v;
        } else if (std::strcmp(a, "--no-geometry") == 0) {
            o->no_geometry = true;
            continue;
        } else if (std::strcmp(a, "--no-panel") == 0) {
            o->no_panel = true;
            continue;
        } else if (std::strcmp(a, "--scale") == 0) {
            char *end;
            o->scale = std::strtod(v, &end);
            o->scale_given = true;
            if (end == v || *end != '\0' || !(o->scale >= 0.01 && o->scale <= 100.0))
                return Render_error("bad --scale (0.01..100)", v);
        } else if (std::strcmp(a, "--size") == 0) {
            o->size = true;
            if (!Ints_parse(v, 'x', o->size_v, 2) || !Fits(o->size_v[0], 1, 16384) ||
                !Fits(o->size_v[1], 1, 16384))
                return Render_error("bad --size (WxH, 1..16384)", v);
        } else if (std::strcmp(a, "--angles") == 0) {
            o->angles = true;
            if (!Ints_parse(v, ',', o->angles_v, 3) || !Fits(o->angles_v[0], -32768, 32767) ||
                !Fits(o->angles_v[1], -32768, 32767) || !Fits(o->angles_v[2], -32768, 32767))
                return Render_error("bad --angles (X,Y,Z in degrees)", v);
        } else if (std::strcmp(a, "--batches") == 0) {
            o->batches = true;
            if (!Ints_parse(v, '-', o->batches_v, 2) || !Fits(o->batches_v[0], 0, BATCH_MAX) ||
                !Fits(o->batches_v[1], 0, BATCH_MAX))
                return Render_error("bad --batches (FROM-TO, 0..10000)", v);
        } else if (std::strcmp(a, "--zoom") == 0) {
            o->zoom = true;
            if (!Ints_parse(v, ',', o->zoom_v, 4) || o->zoom_v[0] > o->zoom_v[2] ||
                o->zoom_v[1] > o->zoom_v[3] || !Fits(o->zoom_v[0], 0, 65535) ||
                !Fits(o->zoom_v[3], 0, 65535) || !Fits(o->zoom_v[2], 0, 65535) ||
                !Fits(o->zoom_v[1], 0, 65535))
                return Render_error("bad --zoom (L,T,R,B with L <= R, T <= B, 0..65535)", v);
        } else if (std::strcmp(a, "--title-pos") == 0) {
            o->title_pos = true;
            if (!Ints_parse(v, ',', o->title_v, 2) || !Fits(o->title_v[0], 0, 65535) ||
                !Fits(o->title_v[1], 0, 65535))
                return Render_error("bad --title-pos (X,Y, 0..65535)", v);
        } else if (std::strcmp(a, "--guide") == 0) {
            o->guide = true;
            if (!Ints_parse(v, ',', o->guide_v, 2) || !Fits(o->guide_v[0], 0, 65535) ||
                !Fits(o->guide_v[1], 0, 65535))
                return Render_error("bad --guide (X,Y, 0..65535)", v);
        } else if (std::strcmp(a, "--particles") == 0) {
            o->particles = true;
            o->shown[0] = o->shown[1] = o->shown[2] = 0;
            if (std::strcmp(v, "none") != 0) {
                std::string list = std::string(v) + ",";
                size_t start = 0;
                for (size_t at; (at = list.find(',', start)) != std::string::npos; start = at + 1) {
                    std::string k = list.substr(start, at - start);
                    if (k == "e")
                        o->shown[0] = 1;
                    else if (k == "p")
                        o->shown[1] = 1;
                    else if (k == "g")
                        o->shown[2] = 1;
                    else
                        return Render_error("bad --particles (e,p,g or none)", v);
                }
            }
        } else {
            if (o->picture)
                return Render_error("more than one picture", a);
            o->picture = a;
            continue;
        }
        i++;
    }
    if (!o->picture)
        return Render_error("missing", "PICTURE");
    if (!o->output)
        return Render_error("missing", "-o OUT.bmp");
    if (std::strlen(o->picture) >= sizeof picture_path)
        return Render_error("picture path longer than 255 characters", o->picture);
    o->format = Output_format(o->output);
    if (o->format == OUTPUT_UNKNOWN)
        return Render_error("unknown output format (use .bmp, .png, .svg or .pdf)", o->output);
#ifndef VOKA_HAVE_CAIRO
    if (o->format != OUTPUT_BMP) {
        std::fprintf(stderr,
                     "vokatool: %s output is not available in this build (built without cairo)\n",
                     FORMAT_NAMES[o->format]);
        return 2;
    }
#endif
    if (o->scale_given && (o->format == OUTPUT_BMP || o->format == OUTPUT_PNG))
        return Render_error("--scale applies to .svg and .pdf output only", o->output);
    if (o->title && std::strlen(o->title) >= sizeof settings.title_text)
        return Render_error("title longer than 39 characters", o->title);
    if (o->geometry && std::strlen(o->geometry) >= sizeof geometry_path)
        return Render_error("geometry path too long", o->geometry);
    if (o->work_dir && std::strlen(o->work_dir) >= sizeof settings.work_dir)
        return Render_error("work directory longer than 19 characters", o->work_dir);
    return 0;
}

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
    if (!message_shown)
        return false;
    Convert_explain(o.picture, 0);
    std::fprintf(stderr, "vokatool render: %s not written\n", o.output);
    return true;
}

// Raster output: the image as the window's bitmap, as BMP or PNG.
int Raster_write(const RenderOptions &o, int mode, PixelRect area)
{
    RasterSurface image;
    int rendered = Headless_render(nullptr, &image, mode, 0, 0, o.no_panel ? 0 : 1);
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
#ifdef VOKA_HAVE_CAIRO
    if (o.format == OUTPUT_PNG)
        written = Png_write(o.output, &image, area);
    else
#endif
        written = Bmp_write_24(o.output, w, h, Area_pixel, &a);
    if (written != 0) {
        std::fprintf(stderr, "vokatool render: cannot write %s\n", o.output);
        return 1;
    }
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
        std::fprintf(stderr, "vokatool render: a PDF page of %g pt is too large (at most 14400 "
                     "pt a side): use a smaller --scale\n", side);
        return 2;
    }
    if (figure.open(o.output, format, area, o.scale) != 0) {
        std::fprintf(stderr, "vokatool render: cannot write %s\n", o.output);
        return 1;
    }
    // The window's rebuild finds the context in the transparent background
    // mode that the panel pass leaves, with or without the panels drawn.
    figure.set_background(0, COLOUR_WHITE);
    Headless_paint(nullptr, &figure, Figure_confine, &figure, mode, 0, 0, o.no_panel ? 0 : 1);
    Progress_end();
    if (Not_complete(o))
        return 1;   // the figure is left unclosed: nothing is written
    if (figure.close() != 0) {
        std::fprintf(stderr, "vokatool render: cannot write %s\n", o.output);
        return 1;
    }
    std::printf("%s: %gx%g, %llu of %llu line segments drawn\n", o.output,
                o.scale * (area.right - area.left), o.scale * (area.bottom - area.top),
                static_cast<unsigned long long>(figure.segments_drawn()),
                static_cast<unsigned long long>(figure.segments_given()));
    return 0;
}
#endif

// A private work directory, short enough for the work-directory setting:
// in the temporary directory, else in /tmp, else in the current directory.
// Empty when none can be made.
std::string Private_work_dir()
{
    const char separator = std::filesystem::path::preferred_separator;
    std::error_code error;
    std::string bases[3] = {std::filesystem::temp_directory_path(error).string(), "/tmp", "."};
    for (const std::string &base : bases) {
        if (base.empty())
            continue;
        for (int i = 0; i < 20; i++) {
            std::string dir = base + separator + "vk" + std::to_string(std::rand() % 90000 + 10000);
            if (dir.size() + 1 >= sizeof settings.work_dir)
                break;
            if (std::filesystem::create_directory(dir, error))
                return dir + separator;
        }
    }
    return "";
}

int Render(int argc, char **argv)
{
    RenderOptions o;
    int bad = Render_options(argc, argv, &o);
    if (bad != 0)
        return bad;

    Settings_defaults(&settings);
    if (o.info) {
        if (Settings_load_file(o.info, &settings) != 0)
            return Render_error("cannot read info file", o.info);
        Settings_sanitize(&settings);
    }
    Settings_derive_colours();
    if (o.title)
        Text_copy(settings.title_text, sizeof settings.title_text, o.title);

    std::string work_dir;
    bool private_dir = !o.work_dir;
    if (o.work_dir) {
        work_dir = o.work_dir;
    } else {
        std::srand(static_cast<unsigned>(std::time(nullptr)) ^
                   static_cast<unsigned>(reinterpret_cast<uintptr_t>(&o)));
        work_dir = Private_work_dir();
        if (work_dir.empty()) {
            std::fprintf(stderr, "vokatool render: cannot make a private work directory "
                                 "(give --work-dir)\n");
            return 1;
        }
    }
    Text_copy(settings.work_dir, sizeof settings.work_dir, work_dir.c_str());

    // What Data File Open leaves: the picture converted, geometry shown.
    Text_copy(picture_path, sizeof picture_path, o.picture);
    int result = Picture_convert(nullptr, 0);
    if (result == 0) {
        geometry_enabled = o.no_geometry ? 0 : 1;
        geometry_pending = geometry_enabled;
        if (o.geometry) {
            // The window draws whatever a damaged geometry file leaves in
            // the list at every rebuild; here it is refused up front.
            FILE *f = std::fopen(o.geometry, "r");
            int read = f ? Geometry_read(f) : -1;
            if (f)
                std::fclose(f);
            if (read != 0) {
                std::fprintf(stderr, "vokatool render: %s: %s\n", o.geometry,
                             f ? "malformed geometry section" : "cannot be opened");
                result = 1;
            }
            Text_copy(geometry_path, sizeof geometry_path, o.geometry);
        }
        if (o.angles) {
            angle_x = static_cast<int16_t>(o.angles_v[0]);
            angle_y = static_cast<int16_t>(o.angles_v[1]);
            angle_z = static_cast<int16_t>(o.angles_v[2]);
        }
        if (o.batches) {
            batch_from = static_cast<int32_t>(o.batches_v[0]);
            batch_to = static_cast<int32_t>(o.batches_v[1]);
        }
        show_electron = static_cast<int16_t>(o.shown[0]);
        show_positron = static_cast<int16_t>(o.shown[1]);
        show_photon = static_cast<int16_t>(o.shown[2]);
        if (o.title_pos) {
            title_shown = 1;
            title_pos = PixelPoint{static_cast<int32_t>(o.title_v[0]),
                                   static_cast<int32_t>(o.title_v[1])};
        }
        if (o.guide) {
            guide_shown = 1;
            guide_pos = PixelPoint{static_cast<int32_t>(o.guide_v[0]),
                                   static_cast<int32_t>(o.guide_v[1])};
        }

        // The window's first resize lays it out from its outer size.
        int32_t w = o.size ? static_cast<int32_t>(o.size_v[0]) : settings.window_width;
        int32_t h = o.size ? static_cast<int32_t>(o.size_v[1]) : settings.window_height;
        Layout_compute(LAYOUT_FROM_WINDOW, w, h);

        int mode = RENDER_FULL;
        if (o.zoom) {
            // The full view that opening the picture showed, then one Expand.
            View_setup(nullptr, layout.view_rect, RENDER_FULL, &view_state.view_scale);
            zoom_rect = PixelRect{static_cast<int32_t>(o.zoom_v[0]), static_cast<int32_t>(o.zoom_v[1]),
                                  static_cast<int32_t>(o.zoom_v[2]), static_cast<int32_t>(o.zoom_v[3])};
            mode = RENDER_ZOOM;
        }
        // The bitmap's region, or the picture area alone.
        PixelRect area = {0, 0, layout.bitmap_w, layout.bitmap_h};
        if (o.no_panel)
            area = layout.view_rect;
        if (result == 0) {
#ifdef VOKA_HAVE_CAIRO
            if (o.format == OUTPUT_SVG || o.format == OUTPUT_PDF)
                result = Figure_write(o, mode, area);
            else
#endif
                result = Raster_write(o, mode, area);
        }
    } else {
        result = Convert_explain(o.picture, -1);
    }
    if (private_dir) {
        std::error_code ignored;
        std::filesystem::remove_all(work_dir, ignored);
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    Message_set_hook(Tool_message);
    // A run draws a picture once at most: the steps are read back from the
    // work file, not kept in memory for the rebuilds of a window.
    step_copy_budget = 0;
    if (argc < 3)
        return Usage();
#ifdef _WIN32
    bool terminal = _isatty(_fileno(stderr)) != 0;
#else
    bool terminal = isatty(STDERR_FILENO) != 0;
#endif
    if (terminal) {
        progress_start = std::chrono::steady_clock::now();
        progress_hook = Tool_progress;
    }
    Settings_init();
    Display_init();
    const char *command = argv[1];
    if (std::strcmp(command, "info") == 0) {
        if (argc != 3)
            return Usage();
        return Info(argv[2]);
    }
    if (std::strcmp(command, "render") == 0)
        return Render(argc, argv);
    if (std::strcmp(command, "convert") == 0) {
        const char *work_dir = nullptr;
        const char *path = nullptr;
        for (int i = 2; i < argc; i++) {
            if (std::strcmp(argv[i], "--work-dir") == 0 && i + 1 < argc)
                work_dir = argv[++i];
            else if ((argv[i][0] == '-' && argv[i][1] == '-') || path)
                return Usage();
            else
                path = argv[i];
        }
        if (!path)
            return Usage();
        return Convert(path, work_dir);
    }
    return Usage();
}
