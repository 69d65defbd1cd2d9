// The options of vokatool render: what a user sets in the window, read
// from the command line and checked together.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "picture/defs.h"
#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/energy_colour.h"
#include "tools/vokatool/vokatool.h"

namespace {
// The command whose options are read, for the messages.
const char *options_command = "render";
} // namespace

void Options_command_set(const char *command)
{
    options_command = command;
}

int Render_error(const char *what, const char *value)
{
    std::fprintf(stderr, "vokatool %s: %s: %s\n", options_command, what, value);
    return 2;
}

// Parse "A<sep>B<sep>..." into exactly `count` integers.
bool Ints_parse(const char *text, char separator, int64_t *out, int count)
{
    const char *p = text;
    for (int i = 0; i < count; i++) {
        char *end;
        out[i] = std::strtoll(p, &end, 10);
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

bool Fits(int64_t value, int64_t low, int64_t high)
{
    return value >= low && value <= high;
}

namespace {

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

} // namespace

// The options of render that take whole numbers, with their ranges.
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

namespace {

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
        return Render_error("bad --energy-range (LO,HI in MeV, 0 < LO < HI, each between 1.2e-38 "
                            "and 3.4e+38, HI at least 1.0001 times LO)",
                            v);
    o->colouring.limits_set = 1;
    o->colouring.low = static_cast<float>(low);
    o->colouring.high = static_cast<float>(high);
    return 0;
}

// A value of NUMBER_OPTIONS[which]; 0, or 2 after saying what is wrong.
int Number_option(int which, const char *v, RenderOptions *o)
{
    const NumberOption &n = NUMBER_OPTIONS[which];
    int64_t *values = o->number[which];
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

} // namespace

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
int Render_options_check(RenderOptions *o, const ExtraOptions *extra)
{
    if (!o->picture)
        return Render_error("missing", "PICTURE");
    if (!o->output)
        return Render_error("missing", extra ? "-o OUT" : "-o OUT.bmp");
    if (std::strlen(o->picture) >= sizeof display.picture_path)
        return Render_error("picture path longer than 255 characters", o->picture);
    if (extra) {
        int bad = extra->output(o->output, extra->context);
        if (bad != 0)
            return bad;
        o->format = OUTPUT_BMP; // the frames are the raster images of render
    } else {
        o->format = Output_format(o->output);
        if (o->format == OUTPUT_UNKNOWN)
            return Render_error("unknown output format (use .bmp, .png, .svg or .pdf)", o->output);
    }
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
    if (o->geometry && std::strlen(o->geometry) >= sizeof display.geometry_path)
        return Render_error("geometry path too long", o->geometry);
    if (o->work_dir && std::strlen(o->work_dir) >= sizeof settings.work_dir)
        return Render_error("work directory longer than 19 characters", o->work_dir);
    return 0;
}

namespace {

// Whether `a` is one of the options of `extra`.
bool Extra_takes_value(const ExtraOptions *extra, const char *a)
{
    for (const char *const *n = extra ? extra->names : nullptr; n && *n; n++)
        if (std::strcmp(a, *n) == 0)
            return true;
    return false;
}

} // namespace

int Render_options(int argc, char **argv, RenderOptions *o, const ExtraOptions *extra)
{
    options_command = extra ? extra->command : "render";
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        bool flag = std::strcmp(a, "--no-geometry") == 0 || std::strcmp(a, "--no-panel") == 0;
        if (std::strcmp(a, "--strict") == 0) {
            tool_run.strict = true;
        } else if (flag) {
            o->no_geometry = o->no_geometry || std::strcmp(a, "--no-geometry") == 0;
            o->no_panel = o->no_panel || std::strcmp(a, "--no-panel") == 0;
        } else if (Extra_takes_value(extra, a) || Takes_value(a)) {
            if (i + 1 >= argc)
                return Render_error("missing value after", a);
            const char *v = argv[++i];
            const bool own = extra && Extra_takes_value(extra, a);
            int bad = own ? extra->option(a, v, extra->context) : Render_option(a, v, o);
            if (bad != 0)
                return bad;
        } else if (a[0] == '-') {
            return Unknown_option(options_command, a);
        } else if (o->picture) {
            return Render_error("more than one picture", a);
        } else {
            o->picture = a;
        }
    }
    return Render_options_check(o, extra);
}
