// vokatool: the viewer's picture handling from the command line.
//
//   vokatool info PICTURE
//   vokatool convert PICTURE [--work-dir DIR]
//   vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]
//
// Messages of the core go to stderr with the file and the system's reason;
// a failure exits with status 1, a wrong command line with status 2.  An
// interrupted run (Ctrl-C, SIGTERM; on Windows also the console closed)
// removes its private work folder and its partial output.
#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "output/bmp_file.h"
#include "output/part_file.h"
#include "picture/cp1252.h"
#include "picture/display.h"
#include "picture/file_replace.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/ptracks.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "render/energy_colour.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "voka_version.h"
#ifdef VOKA_HAVE_CAIRO
#include "render/cairo_surface.h"
#endif

namespace {

const char SYNOPSIS[] =
    "Usage: vokatool info PICTURE\n"
    "  or:  vokatool convert PICTURE [--work-dir DIR] [--strict]\n"
    "  or:  vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]\n"
    "  or:  vokatool import FILE.ptracks -o FILE.pic [--tracks-per-batch N]\n"
    "  or:  vokatool --help | --version\n";

const char USAGE[] =
    "\n"
    "info     prints what a picture file holds: geometry, scene bounds, batches,\n"
    "         step records per particle kind, energy ranges and skipped lines.\n"
    "convert  converts the picture into the work file DIR + \"work.$$$\" (DIR is\n"
    "         used exactly as the work directory setting: give its trailing\n"
    "         separator; default: the current directory) and prints the\n"
    "         records written per batch.\n"
    "import   writes an EGSnrc particle-track file as a picture file (float\n"
    "         layout, no header line: the bounds come from the tracks).  The\n"
    "         track file has no batches: every N tracks start a batch (default:\n"
    "         at most 100 batches).  Electron and positron energies become\n"
    "         kinetic; tracks that continue the one before are joined; tracks of\n"
    "         other charges are left out and reported.  info and render also\n"
    "         take a .ptracks file directly.\n"
    "render   draws the picture as the viewer window shows it and writes what\n"
    "         Bitmap File Save writes: the picture area with its margin.  The\n"
    "         extension of OUT chooses the format: .bmp (24-bit bitmap), .png\n"
    "         (the same pixels), .svg or .pdf (vector figures: lines, real text).\n"
    "  --scale F            vector figures F times larger, lines as thin as on\n"
    "                       screen (default 1: one pixel is one px or pt)\n"
    "  --no-panel           the picture area alone: no margin, no frame\n"
    "  --strict             (also for convert) a picture with lines that cannot be\n"
    "                       read is not converted or drawn: status 3, no output\n"
    "  Options that set what a user sets in the window:\n"
    "  --info FILE          settings from an info file (colours, pens, scale unit,\n"
    "                       cut-offs, window size, title text); default: defaults\n"
    "  --size WxH           outer window size (default: from the settings)\n"
    "  --angles X,Y,Z       view angles in degrees\n"
    "  --batches FROM-TO    batch range (0 for first / last)\n"
    "  --particles LIST     kinds shown, from e (electron), p (positron),\n"
    "                       g (photon), comma-separated; \"none\" hides all\n"
    "  --zoom L,T,R,B       one Expand with that rectangle (client coordinates)\n"
    "  --title TEXT         title text, UTF-8 (or Latin-1): at most 39 characters\n"
    "                       of Windows-1252, the window's code page\n"
    "  --title-pos X,Y      title position as the mouse selection records it\n"
    "  --guide X,Y          guide mark position, likewise\n"
    "  --geometry FILE      overlay the geometry section of FILE\n"
    "  --no-geometry        hide the geometry (Geometry Hide)\n"
    "  --colour-by WHAT     particle (default) or energy: each segment in the\n"
    "                       colour of its kinetic energy, on a logarithmic scale\n"
    "                       (viridis), with the colour bar in the picture\n"
    "  --energy-range LO,HI the scale's limits in MeV (default: the lowest and\n"
    "                       highest energy shown)\n"
    "  --work-dir DIR       where the work file goes (default: a private folder\n"
    "                       in the temporary directory, removed afterwards)\n"
    "  A failed or interrupted run leaves an existing OUT as it was; the output\n"
    "  is written under a new name beside OUT (OUT.NNNNNN.part) until complete.\n"
    "\n"
    "Lines of the picture that cannot be read are left out and listed on stderr,\n"
    "one kind of problem to a line: FILE:LINE: reason (and how many more).\n"
    "\n"
    "Exit status: 0 done, 1 failed (the message says which file and why), 2 wrong\n"
    "command line, 3 lines left out under --strict.\n";

// A one-line progress indicator on a terminal, shown once the work has
// taken a second.
std::chrono::steady_clock::time_point progress_start;
bool progress_shown;

bool terminal; // stderr is a terminal: progress is shown there

void Interrupt_check();

// The progress hook of the core: the percentage on a terminal; on Windows
// also the place where an interrupt is acted on.
void Tool_progress(const char *what, uint64_t done, uint64_t total)
{
    Interrupt_check();
    if (!terminal)
        return;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - progress_start).count();
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

// The files of the run, named in the messages: the picture being read and
// the work file being written.
const char *message_input = "";
char work_file[PART_PATH_SIZE];

// What a message of the core means for the files of this run, with the
// system's reason where there is one (errno is cleared before the core is
// called, so a reason left in it comes from the failure).
void Message_explain(const char *text, int error)
{
    const char *reason = error != 0 ? std::strerror(error) : nullptr;
    const char *file = nullptr, *what = nullptr;
    if (std::strcmp(text, "Cmtodot err!") == 0) {
        std::fprintf(stderr,
                     "vokatool: %s: the scene has no extent on the screen (its bounds, "
                     "or the zoom rectangle, are too small or not finite to be scaled "
                     "to the picture area)\n",
                     message_input);
        return;
    }
    if (std::strncmp(text, Message_text(MSG_INPUT_OPEN), std::strlen(text)) == 0) {
        file = message_input, what = "cannot be opened";
    } else if (std::strncmp(text, Message_text(MSG_INPUT_READ), std::strlen(text)) == 0) {
        file = message_input, what = "cannot be read";
    } else if (std::strncmp(text, Message_text(MSG_WORK_PATH), std::strlen(text)) == 0) {
        file = work_file, what = "the work file cannot be created";
    } else if (std::strncmp(text, Message_text(MSG_WORK_WRITE), std::strlen(text)) == 0 ||
               std::strncmp(text, Message_text(MSG_WORK_FULL), std::strlen(text)) == 0) {
        file = work_file, what = "the work file cannot be written";
    } else if (std::strncmp(text, Message_text(MSG_WORK_READ), std::strlen(text)) == 0) {
        file = work_file, what = "the work file cannot be read back";
    }
    if (!file)
        return;
    if (reason)
        std::fprintf(stderr, "vokatool: %s: %s: %s\n", file, what, reason);
    else
        std::fprintf(stderr, "vokatool: %s: %s\n", file, what);
}

void Tool_message(WindowRef, const char *text, const char *caption, int, int flags)
{
    // The lines a conversion left out are listed one kind to a line instead.
    if (flags & MESSAGE_LINES_LEFT_OUT)
        return;
    int error = errno;
    message_shown = true;
    Progress_end();
    // The numbered texts are stored padded with blanks; print them trimmed.
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        n--;
    std::fprintf(stderr, "%s: %.*s\n", caption, static_cast<int>(n), text);
    std::string trimmed(text, n);
    Message_explain(trimmed.c_str(), error);
}

// --strict: a picture with lines left out is not converted or drawn.
bool strict;
enum { EXIT_LINES_LEFT_OUT = 3 };

// The lines the conversion left out, one kind of problem to a line:
// "FILE:LINE: reason", and how many more lines had it.  Returns how many
// lines were left out.
uint64_t Left_out_print(const char *path)
{
    const ConvertStats &s = convert_stats;
    int first_problem;
    uint64_t first_line;
    uint64_t total = Lines_left_out(&s, &first_problem, &first_line);
    // In the order of their first lines.
    bool listed[PROBLEM_KINDS] = {};
    for (;;) {
        int k = PROBLEM_NONE;
        for (int c = PROBLEM_NONE + 1; c < PROBLEM_KINDS; c++)
            if (s.problems[c].lines && !listed[c] &&
                (k == PROBLEM_NONE || s.problems[c].first_line < s.problems[k].first_line))
                k = c;
        if (k == PROBLEM_NONE)
            break;
        listed[k] = true;
        const ProblemLines &p = s.problems[k];
        std::fprintf(stderr, "%s:%llu: %s", path, static_cast<unsigned long long>(p.first_line),
                     Line_problem_text(k));
        if (p.lines > 1)
            std::fprintf(stderr, " (and %llu more line%s)",
                         static_cast<unsigned long long>(p.lines - 1), p.lines == 2 ? "" : "s");
        std::fputc('\n', stderr);
    }
    return total;
}

// After a conversion: what the messages of the core leave unsaid.  Returns
// the exit status (0 when nothing went wrong; EXIT_LINES_LEFT_OUT under
// --strict when lines were left out).
int Convert_explain(const char *path, int result)
{
    Progress_end();
    const ConvertStats &s = convert_stats;
    uint64_t left_out = Left_out_print(path);
    if (s.header_problem != PROBLEM_NONE)
        std::fprintf(stderr, "%s:%llu: the header line: %s\n", path,
                     static_cast<unsigned long long>(s.header_line),
                     Line_problem_text(s.header_problem));
    if (result != 0 && s.geometry.problem)
        std::fprintf(stderr, "%s:%d: the geometry section: %s\n", path, s.geometry.lines,
                     s.geometry.problem);
    if (result != 0 && s.nothing_after_geometry)
        std::fprintf(stderr, "vokatool: %s: nothing after the geometry section\n", path);
    if (result != 0 || message_shown)
        return 1;
    return strict && left_out != 0 ? EXIT_LINES_LEFT_OUT : 0;
}

// A wrong command line: the synopsis on stderr, status 2.
int Usage()
{
    std::fputs(SYNOPSIS, stderr);
    std::fputs("Try 'vokatool --help' for the options.\n", stderr);
    return 2;
}

int Unknown_option(const char *command, const char *option)
{
    std::fprintf(stderr, "vokatool%s%s: unknown option: %s\n", *command ? " " : "", command,
                 option);
    return Usage();
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
    default: std::printf("geometry: none\n"); break;
    }
    if (convert_stats.geometry.values_dropped > 0)
        std::printf("  %d values beyond the 100 of a list were dropped\n",
                    convert_stats.geometry.values_dropped);
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
    std::printf("scene: x %g .. %g, y %g .. %g, z %g .. %g cm\n", x_min, x_max, y_min, y_max, z_min,
                z_max);
    std::printf("coordinate scale: %g\n", static_cast<double>(coord_scale));
    if (s.header_missing)
        std::printf("no header line: scene bounds from the steps and the geometry\n");
    if (s.blocks) {
        std::printf("blocks skipped: %llu (%llu lines):", static_cast<unsigned long long>(s.blocks),
                    static_cast<unsigned long long>(s.block_lines));
        for (uint64_t i = 0; i < s.blocks && i < BLOCK_NAMES_KEPT; i++)
            std::printf(" %s", s.block_names[i]);
        std::printf("%s\n", s.blocks > BLOCK_NAMES_KEPT ? " ..." : "");
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
    std::printf(
        "steps: %llu, separators: %llu, records: %llu\n", static_cast<unsigned long long>(steps),
        static_cast<unsigned long long>(s.separators), static_cast<unsigned long long>(s.records));
    std::printf("markers: %llu\n", static_cast<unsigned long long>(s.marker_lines));
    // Lines skipped on purpose, then every line left out, by kind.
    uint64_t skipped = s.skipped_type + s.blank_lines + s.unfinished_lines;
    std::printf("skipped lines: %llu\n", static_cast<unsigned long long>(skipped));
    if (s.skipped_type)
        std::printf("  %llu of type 7 or 8 (no meaning)\n",
                    static_cast<unsigned long long>(s.skipped_type));
    if (s.blank_lines)
        std::printf("  %llu blank\n", static_cast<unsigned long long>(s.blank_lines));
    int first_problem;
    uint64_t first_line;
    uint64_t left_out = Lines_left_out(&s, &first_problem, &first_line);
    std::printf("lines left out: %llu\n", static_cast<unsigned long long>(left_out));
    for (int k = PROBLEM_NONE + 1; k < PROBLEM_KINDS; k++)
        if (s.problems[k].lines)
            std::printf("  %llu: %s, the first at line %llu\n",
                        static_cast<unsigned long long>(s.problems[k].lines), Line_problem_text(k),
                        static_cast<unsigned long long>(s.problems[k].first_line));
    Progress_end();
    return message_shown ? 1 : 0;
}

// An output of the run written under a new name beside `target` (`part`,
// PART_PATH_SIZE bytes): Part_begin makes that file (the core then writes
// it), Part_end puts it in the place of `target` when `ok`, or removes it.
// Each returns 0, or 1 after saying why.
int Part_begin(const char *target, char *part)
{
    errno = 0;
    std::FILE *f = Part_file_create(target, part, PART_PATH_SIZE);
    if (!f) {
        std::fprintf(stderr, "vokatool: %s: cannot be created: %s\n", target, std::strerror(errno));
        return 1;
    }
    std::fclose(f);
    return 0;
}

int Part_end(bool ok, const char *part, const char *target)
{
    int result = ok ? 0 : 1;
    if (ok && File_replace(part, target) != 0) {
        std::fprintf(stderr, "vokatool: %s: cannot be put in place: %s\n", target,
                     std::strerror(errno));
        result = 1;
    }
    if (result != 0)
        std::remove(part);
    Part_file_forget();
    return result;
}

// The work file DIR + "work.$$$": written under a new name beside it and put
// in place when the conversion is complete, so that an interrupted run
// leaves an existing work file as it was.
int Convert(const char *path, const char *work_dir)
{
    if (!work_dir)
        work_dir = "./";
    int n = std::snprintf(work_file, sizeof work_file, "%swork.$$$", work_dir);
    if (n < 0 || static_cast<size_t>(n) + 16 >= sizeof work_file) {
        std::fprintf(stderr, "vokatool convert: work directory too long: %s\n", work_dir);
        return 2;
    }
    message_input = path;
    char part[PART_PATH_SIZE];
    if (Part_begin(work_file, part) != 0)
        return 1;
    errno = 0;
    int converted = Picture_convert_file(nullptr, path, part);
    int first_problem;
    uint64_t first_line;
    if (converted == 0 && strict && Lines_left_out(&convert_stats, &first_problem, &first_line)) {
        Part_end(false, part, work_file); // nothing is written
        return Convert_explain(path, 0);
    }
    if (Part_end(converted == 0, part, work_file) != 0 && converted == 0) {
        converted = -1;
        message_shown = true;
    }
    if (converted != 0)
        return Convert_explain(path, -1);
    std::printf("work file: %s\n", work_file);
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

// The options of render that take whole numbers: the value is COUNT numbers
// between SEPARATORs, each within LOW..HIGH.
enum { NUM_SIZE, NUM_ANGLES, NUM_BATCHES, NUM_ZOOM, NUM_TITLE_POS, NUM_GUIDE, NUM_OPTIONS };
struct NumberOption {
    const char *name;
    char separator;
    int count;
    long low, high;
    const char *bad; // the message for a value that does not fit
};
const NumberOption NUMBER_OPTIONS[NUM_OPTIONS] = {
    {"--size", 'x', 2, 1, 16384, "bad --size (WxH, 1..16384)"},
    {"--angles", ',', 3, -32768, 32767, "bad --angles (X,Y,Z in degrees)"},
    {"--batches", '-', 2, 0, BATCH_MAX, "bad --batches (FROM-TO, 0..10000)"},
    // Positions as the window's mouse selection records them: signed 16-bit
    // client coordinates, negative for a release left of or above the window.
    {"--zoom", ',', 4, -32768, 32767, "bad --zoom (L,T,R,B with L <= R, T <= B, -32768..32767)"},
    {"--title-pos", ',', 2, -32768, 32767, "bad --title-pos (X,Y, -32768..32767)"},
    {"--guide", ',', 2, -32768, 32767, "bad --guide (X,Y, -32768..32767)"},
};

struct RenderOptions {
    const char *picture = nullptr;
    const char *output = nullptr;
    const char *info = nullptr;
    const char *work_dir = nullptr;
    const char *geometry = nullptr;
    const char *title = nullptr;
    bool no_geometry = false;
    bool no_panel = false;
    int format = 0; // OutputFormat
    double scale = 1.0;
    bool scale_given = false;
    bool given[NUM_OPTIONS] = {}; // the options of NUMBER_OPTIONS given
    long number[NUM_OPTIONS][4] = {};
    bool particles = false;
    int shown[3] = {1, 1, 1}; // electron, positron, photon
    EnergyColouring colouring = {0, 0, 0.0f, 0.0f};
};

// --colour-by and --energy-range; 0, or 2 after saying what is wrong.
int Colour_option(const char *a, const char *v, RenderOptions *o)
{
    if (std::strcmp(a, "--colour-by") == 0) {
        if (std::strcmp(v, "energy") != 0 && std::strcmp(v, "particle") != 0)
            return Render_error("bad --colour-by (particle or energy)", v);
        o->colouring.by_energy = std::strcmp(v, "energy") == 0 ? 1 : 0;
        return 0;
    }
    char *end = nullptr;
    double low = std::strtod(v, &end);
    double high = *end == ',' ? std::strtod(end + 1, &end) : 0.0;
    if (*end != '\0' || !Energy_limits_good(low, high))
        return Render_error("bad --energy-range (LO,HI in MeV, 0 < LO < HI)", v);
    o->colouring.limits_set = 1;
    o->colouring.low = static_cast<float>(low);
    o->colouring.high = static_cast<float>(high);
    return 0;
}

// A value of NUMBER_OPTIONS[which]; 0, or 2 after saying what is wrong.
int Number_option(int which, const char *v, RenderOptions *o)
{
    const NumberOption &n = NUMBER_OPTIONS[which];
    long *values = o->number[which];
    o->given[which] = true;
    bool ok = Ints_parse(v, n.separator, values, n.count);
    for (int k = 0; ok && k < n.count; k++)
        ok = Fits(values[k], n.low, n.high);
    if (ok && which == NUM_ZOOM)
        ok = values[0] <= values[2] && values[1] <= values[3];
    return ok ? 0 : Render_error(n.bad, v);
}

int Particles_option(const char *v, RenderOptions *o)
{
    o->particles = true;
    o->shown[0] = o->shown[1] = o->shown[2] = 0;
    if (std::strcmp(v, "none") == 0)
        return 0;
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
    return 0;
}

// The options of render that take a value, other than NUMBER_OPTIONS.
const char *const VALUE_OPTIONS[] = {"-o",         "--info",      "--work-dir",
                                     "--geometry", "--title",     "--particles",
                                     "--scale",    "--colour-by", "--energy-range"};

bool Takes_value(const char *a)
{
    for (const char *name : VALUE_OPTIONS)
        if (std::strcmp(a, name) == 0)
            return true;
    for (const NumberOption &n : NUMBER_OPTIONS)
        if (std::strcmp(a, n.name) == 0)
            return true;
    return false;
}

// One option of render with its value; 0, or 2 after saying what is wrong.
int Render_option(const char *a, const char *v, RenderOptions *o)
{
    for (int n = 0; n < NUM_OPTIONS; n++)
        if (std::strcmp(a, NUMBER_OPTIONS[n].name) == 0)
            return Number_option(n, v, o);
    if (std::strcmp(a, "--particles") == 0)
        return Particles_option(v, o);
    if (std::strcmp(a, "--colour-by") == 0 || std::strcmp(a, "--energy-range") == 0)
        return Colour_option(a, v, o);
    if (std::strcmp(a, "--scale") == 0) {
        char *end;
        o->scale = std::strtod(v, &end);
        o->scale_given = true;
        if (end == v || *end != '\0' || !(o->scale >= 0.01 && o->scale <= 100.0))
            return Render_error("bad --scale (0.01..100)", v);
        return 0;
    }
    const char **text = std::strcmp(a, "-o") == 0           ? &o->output
                        : std::strcmp(a, "--info") == 0     ? &o->info
                        : std::strcmp(a, "--work-dir") == 0 ? &o->work_dir
                        : std::strcmp(a, "--geometry") == 0 ? &o->geometry
                                                            : &o->title;
    *text = v;
    return 0;
}

// What the options say together; 0, or 2 after saying what is wrong.
int Render_options_check(RenderOptions *o)
{
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
    if (o->geometry && std::strlen(o->geometry) >= sizeof geometry_path)
        return Render_error("geometry path too long", o->geometry);
    if (o->work_dir && std::strlen(o->work_dir) >= sizeof settings.work_dir)
        return Render_error("work directory longer than 19 characters", o->work_dir);
    return 0;
}

int Render_options(int argc, char **argv, RenderOptions *o)
{
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        bool flag = std::strcmp(a, "--no-geometry") == 0 || std::strcmp(a, "--no-panel") == 0;
        if (std::strcmp(a, "--strict") == 0) {
            strict = true;
        } else if (flag) {
            o->no_geometry = o->no_geometry || std::strcmp(a, "--no-geometry") == 0;
            o->no_panel = o->no_panel || std::strcmp(a, "--no-panel") == 0;
        } else if (Takes_value(a)) {
            if (i + 1 >= argc)
                return Render_error("missing value after", a);
            int bad = Render_option(a, argv[++i], o);
            if (bad != 0)
                return bad;
        } else if (a[0] == '-') {
            return Unknown_option("render", a);
        } else if (o->picture) {
            return Render_error("more than one picture", a);
        } else {
            o->picture = a;
        }
    }
    return Render_options_check(o);
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
    Progress_end();
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
        std::fprintf(stderr,
                     "vokatool render: a PDF page of %g pt is too large (at most 14400 "
                     "pt a side): use a smaller --scale\n",
                     side);
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
        return 1; // the figure is left unclosed: nothing is written
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

// The private work folder of a render and its work file, removed when the
// run ends or is interrupted; empty when the user gave --work-dir.
char private_dir[PART_PATH_SIZE];
char private_work_file[PART_PATH_SIZE];
char private_picture[PART_PATH_SIZE]; // a track file imported for info or render
volatile std::sig_atomic_t private_dir_made = 0;

// Remove what an interrupted run leaves: the partial output and the private
// work folder.  Called from a signal handler: only calls that are safe there.
void Interrupted_cleanup()
{
    if (part_file_active)
        std::remove(part_file_current);
    if (private_dir_made) {
        std::remove(private_work_file);
        std::remove(private_picture);
#ifdef _WIN32
        RemoveDirectoryA(private_dir);
#else
        rmdir(private_dir);
#endif
    }
}

#ifdef _WIN32
// Ctrl-C, Ctrl-Break and the console closed arrive on a thread of their own
// while the main thread may hold the output files open, which Windows does
// not let anyone remove.  The handler asks the main thread to stop (it
// looks at `interrupt_asked` at each progress step of the conversion and the
// drawing, closes every stream and removes the files) and waits for it; a
// main thread that does not come by within about 3 s (the system ends the
// process 5 s after a console is closed) is ended here after a last try.
volatile LONG interrupt_asked = 0;

void Interrupt_check()
{
    if (interrupt_asked == 0)
        return;
    _fcloseall();
    Interrupted_cleanup();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

BOOL WINAPI Console_event(DWORD)
{
    InterlockedExchange(&interrupt_asked, 1);
    for (int i = 0; i < 30; i++)
        Sleep(100);
    Interrupted_cleanup();
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

void Interrupt_handlers_install()
{
    SetConsoleCtrlHandler(Console_event, TRUE);
}
#else
void Interrupt_check()
{
}

extern "C" void On_signal(int number)
{
    Interrupted_cleanup();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

// A signal that the shell ignores for this run (SIGINT of a background
// job) stays ignored.
void Interrupt_handlers_install()
{
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        if (std::signal(number, On_signal) == SIG_IGN)
            std::signal(number, SIG_IGN);
}
#endif

// Make the private work folder in the temporary folder (TMPDIR), however long
// its path: the work file's path goes to the core directly, not through the
// 19 characters of the work-directory setting.  Returns 0, or 1 after saying
// why.
int Private_work_dir()
{
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (!error)
        base = std::filesystem::weakly_canonical(base, error);
    if (error) {
        std::fprintf(stderr,
                     "vokatool: no temporary folder for the work file (%s); "
                     "give --work-dir\n",
                     error.message().c_str());
        return 1;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)) ^
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(&base)));
    for (int i = 0; i < 100; i++) {
        std::filesystem::path dir =
            base / ("vokatool-" + std::to_string(std::rand() % 900000 + 100000));
        std::string text = dir.string();
        std::string work = (dir / "work.$$$").string();
        if (work.size() + 16 >= sizeof work_file) {
            std::fprintf(stderr,
                         "vokatool: the temporary folder's path is too long: "
                         "%s; give --work-dir\n",
                         base.string().c_str());
            return 1;
        }
        Text_copy(private_dir, sizeof private_dir, text.c_str());
        Text_copy(private_work_file, sizeof private_work_file, work.c_str());
        Text_copy(private_picture, sizeof private_picture, (dir / "tracks.pic").string().c_str());
        if (std::filesystem::create_directory(dir, error)) {
            private_dir_made = 1;
            return 0;
        }
        if (error && error != std::errc::file_exists)
            break;
    }
    std::fprintf(stderr,
                 "vokatool: cannot make a work folder in %s: %s; give "
                 "--work-dir\n",
                 base.string().c_str(), error.message().c_str());
    private_dir[0] = '\0';
    return 1;
}

void Private_work_dir_remove()
{
    if (!private_dir_made)
        return;
    private_dir_made = 0;
    std::error_code ignored;
    std::filesystem::remove_all(private_dir, ignored);
}

// What an import did, on `out`: the tracks by kind, the batches they were
// put in, the tracks joined and those left out (also on stderr).
void Import_report(FILE *out, const char *input, const PtracksStats &st)
{
    std::fprintf(out,
                 "EGSnrc tracks: %llu (photon %llu, electron %llu, positron %llu), "
                 "%llu vertices%s\n",
                 static_cast<unsigned long long>(st.tracks),
                 static_cast<unsigned long long>(st.kind_tracks[0]),
                 static_cast<unsigned long long>(st.kind_tracks[1]),
                 static_cast<unsigned long long>(st.kind_tracks[2]),
                 static_cast<unsigned long long>(st.vertices),
                 st.with_time ? ", each track with a time" : "");
    std::fprintf(out,
                 "batches: %u, made of %u tracks each (the file has none; "
                 "--tracks-per-batch)\n",
                 st.batches, st.tracks_per_batch);
    if (st.joined)
        std::fprintf(out, "joined: %llu tracks continue the track before\n",
                     static_cast<unsigned long long>(st.joined));
    std::fprintf(out, "energies: kinetic (total energy less 0.511 MeV for electrons and "
                      "positrons)\n");
    if (st.other_charge)
        std::fprintf(stderr,
                     "vokatool: %s: %llu tracks of a charge other than 0, -1 or +1 "
                     "left out (the first: charge %d)\n",
                     input, static_cast<unsigned long long>(st.other_charge),
                     st.first_other_charge);
    if (st.below_rest_energy)
        std::fprintf(stderr,
                     "vokatool: %s: %llu vertices of electrons or positrons with a total "
                     "energy below the rest energy, drawn with kinetic energy 0\n",
                     input, static_cast<unsigned long long>(st.below_rest_energy));
}

// Import the track file `input` into `output`.  0, or 1 after saying why.
int Import_to(const char *input, const char *output, uint32_t per_batch, FILE *report)
{
    PtracksStats st;
    char why[PTRACKS_WHY_SIZE];
    errno = 0;
    if (Ptracks_import(input, output, per_batch, &st, why, sizeof why) != 0) {
        std::fprintf(stderr, "vokatool: %s\n", why);
        return 1;
    }
    Import_report(report, input, st);
    return 0;
}

// An EGSnrc track file given to info or render: imported into the private
// work folder; *path then names the picture.  0, or 1 after saying why.
int Track_file_prepare(const char **path, FILE *report)
{
    if (!Ptracks_named(*path))
        return 0;
    if (!private_dir_made && Private_work_dir() != 0)
        return 1;
    if (Import_to(*path, private_picture, 0, report) != 0)
        return 1;
    *path = private_picture;
    return 0;
}

// vokatool import FILE.ptracks -o FILE.pic [--tracks-per-batch N]: the
// picture written under a new name beside FILE.pic and put in place when
// complete.
int Import_command(int argc, char **argv)
{
    const char *input = nullptr, *output = nullptr;
    long per_batch = 0;
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        if ((std::strcmp(a, "-o") == 0 || std::strcmp(a, "--tracks-per-batch") == 0) &&
            i + 1 >= argc) {
            std::fprintf(stderr, "vokatool import: missing value after %s\n", a);
            return Usage();
        }
        if (std::strcmp(a, "-o") == 0) {
            output = argv[++i];
        } else if (std::strcmp(a, "--tracks-per-batch") == 0) {
            if (!Ints_parse(argv[++i], ',', &per_batch, 1) || !Fits(per_batch, 1, 2000000000)) {
                std::fprintf(stderr, "vokatool import: bad --tracks-per-batch: %s\n", argv[i]);
                return 2;
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            return Unknown_option("import", a);
        } else if (!input) {
            input = a;
        } else {
            return Usage();
        }
    }
    if (!input || !output)
        return Usage();
    char part[PART_PATH_SIZE];
    if (Part_begin(output, part) != 0)
        return 1;
    int result = Import_to(input, part, static_cast<uint32_t>(per_batch), stdout);
    result = Part_end(result == 0, part, output);
    if (result == 0)
        std::printf("%s: written\n", output);
    return result;
}

// The settings the options give: an info file, the title.  0, or 2.
int Render_settings(const RenderOptions &o)
{
    Settings_defaults(&settings);
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
    geometry_enabled = o.no_geometry ? 0 : 1;
    geometry_pending = geometry_enabled;
    if (!o.geometry)
        return 0;
    // The window draws whatever a damaged geometry file leaves in the list
    // at every rebuild; here it is refused up front.
    errno = 0;
    FILE *f = std::fopen(o.geometry, "r");
    int error = errno;
    GeometryReport report;
    int read = f ? Geometry_read(f, &report) : -1;
    if (f)
        std::fclose(f);
    Text_copy(geometry_path, sizeof geometry_path, o.geometry);
    if (read == 0)
        return 0;
    if (f)
        std::fprintf(stderr, "vokatool render: %s: malformed geometry section\n", o.geometry);
    else
        std::fprintf(stderr, "vokatool render: %s: cannot be opened: %s\n", o.geometry,
                     std::strerror(error));
    return 1;
}

// What a user sets in the window after opening the picture: angles, batch
// range, kinds shown, title and guide positions.
void Render_view_state(const RenderOptions &o)
{
    const long *n;
    if (o.given[NUM_ANGLES]) {
        n = o.number[NUM_ANGLES];
        angle_x = static_cast<int16_t>(n[0]);
        angle_y = static_cast<int16_t>(n[1]);
        angle_z = static_cast<int16_t>(n[2]);
    }
    if (o.given[NUM_BATCHES]) {
        batch_from = static_cast<int32_t>(o.number[NUM_BATCHES][0]);
        batch_to = static_cast<int32_t>(o.number[NUM_BATCHES][1]);
    }
    show_electron = static_cast<int16_t>(o.shown[0]);
    show_positron = static_cast<int16_t>(o.shown[1]);
    show_photon = static_cast<int16_t>(o.shown[2]);
    energy_colouring = o.colouring;
    if (o.given[NUM_TITLE_POS]) {
        n = o.number[NUM_TITLE_POS];
        title_shown = 1;
        title_pos = PixelPoint{static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1])};
    }
    if (o.given[NUM_GUIDE]) {
        n = o.number[NUM_GUIDE];
        guide_shown = 1;
        guide_pos = PixelPoint{static_cast<int32_t>(n[0]), static_cast<int32_t>(n[1])};
    }
}

// Lay the window out, apply the zoom and write the output.
int Render_output(const RenderOptions &o)
{
    // The window's first resize lays it out from its outer size.
    const long *size = o.number[NUM_SIZE];
    int32_t w = o.given[NUM_SIZE] ? static_cast<int32_t>(size[0]) : settings.window_width;
    int32_t h = o.given[NUM_SIZE] ? static_cast<int32_t>(size[1]) : settings.window_height;
    Layout_compute(LAYOUT_FROM_WINDOW, w, h);

    int mode = RENDER_FULL;
    if (o.given[NUM_ZOOM]) {
        // The full view that opening the picture showed, then one Expand.
        const long *z = o.number[NUM_ZOOM];
        View_setup(nullptr, layout.view_rect, RENDER_FULL, &view_state.view_scale);
        zoom_rect = PixelRect{static_cast<int32_t>(z[0]), static_cast<int32_t>(z[1]),
                              static_cast<int32_t>(z[2]), static_cast<int32_t>(z[3])};
        mode = RENDER_ZOOM;
    }
    // The bitmap's region, or the picture area alone.
    PixelRect area = {0, 0, layout.bitmap_w, layout.bitmap_h};
    if (o.no_panel)
        area = layout.view_rect;
#ifdef VOKA_HAVE_CAIRO
    if (o.format == OUTPUT_SVG || o.format == OUTPUT_PDF)
        return Figure_write(o, mode, area);
#endif
    return Raster_write(o, mode, area);
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
        int n = std::snprintf(work_file, sizeof work_file, "%swork.$$$", o.work_dir);
        if (n < 0 || static_cast<size_t>(n) >= sizeof work_file)
            return Render_error("work directory too long", o.work_dir);
    } else if (Private_work_dir() != 0) {
        return 1;
    } else {
        Text_copy(work_file, sizeof work_file, private_work_file);
    }
    work_path_override = work_file;
    message_input = o.picture;
    if (Track_file_prepare(&o.picture, stderr) != 0) {
        Private_work_dir_remove();
        return 1;
    }

    // What Data File Open leaves: the picture converted, geometry shown.
    Text_copy(picture_path, sizeof picture_path, o.picture);
    errno = 0;
    int first_problem;
    uint64_t first_line;
    if (Picture_convert(nullptr, 0) != 0) {
        result = Convert_explain(o.picture, -1);
    } else if (strict && Lines_left_out(&convert_stats, &first_problem, &first_line)) {
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

int Convert_command(int argc, char **argv)
{
    const char *work_dir = nullptr;
    const char *path = nullptr;
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "--work-dir") == 0 && i + 1 < argc)
            work_dir = argv[++i];
        else if (std::strcmp(argv[i], "--strict") == 0)
            strict = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return Unknown_option("convert", argv[i]);
        else if (!path)
            path = argv[i];
        else
            return Usage();
    }
    if (!path)
        return Usage();
    return Convert(path, work_dir);
}

} // namespace

int main(int argc, char **argv)
{
    Message_set_hook(Tool_message);
    // A run draws a picture once at most: the steps are read back from the
    // work file, not kept in memory for the rebuilds of a window.
    step_copy_budget = 0;
    if (argc < 2)
        return Usage();
    const char *command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(SYNOPSIS, stdout);
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("vokatool (VOKA Graphic) %s\n", VOKA_VERSION_TEXT);
        return 0;
    }
#ifdef _WIN32
    terminal = _isatty(_fileno(stderr)) != 0;
#else
    terminal = isatty(STDERR_FILENO) != 0;
#endif
    progress_start = std::chrono::steady_clock::now();
    progress_hook = Tool_progress;
    Interrupt_handlers_install();
    Settings_init();
    Display_init();
    if (std::strcmp(command, "info") == 0) {
        if (argc != 3)
            return argc > 3 && argv[3][0] == '-' ? Unknown_option("info", argv[3]) : Usage();
        message_input = argv[2];
        const char *path = argv[2];
        int result = Track_file_prepare(&path, stdout);
        if (result == 0)
            result = Info(path);
        Private_work_dir_remove();
        return result;
    }
    if (std::strcmp(command, "render") == 0)
        return Render(argc, argv);
    if (std::strcmp(command, "convert") == 0)
        return Convert_command(argc, argv);
    if (std::strcmp(command, "import") == 0)
        return Import_command(argc, argv);
    if (command[0] == '-')
        return Unknown_option("", command);
    std::fprintf(stderr, "vokatool: unknown command: %s\n", command);
    return Usage();
}
