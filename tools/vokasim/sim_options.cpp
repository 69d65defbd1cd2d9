// Command line of vokasim: options, their defaults and the help text.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "voka_version.h"
#include "vokasim.h"

static const char usage_line[] = "usage: vokasim [options] -o FILE\n"
                                 "Try 'vokasim --help' for the options.\n";

static const char *const help_text =
    "usage: vokasim [options] -o FILE\n"
    "\n"
    "Simulates electron-photon cascades in a target and writes a picture file\n"
    "for VOKA Graphic: the geometry section, the header line with the scene\n"
    "bounds, then the tracks batch by batch.\n"
    "\n"
    "Primary beam\n"
    "  -p, --particle NAME    electron, positron or photon (default electron)\n"
    "  -e, --energy MEV       kinetic energy of the primary in MeV (default 10)\n"
    "  -n, --histories N      number of primary particles (default 100)\n"
    "  -b, --per-batch N      histories per batch (default 10); at most 10000 batches\n"
    "  -s, --seed N           seed of the random generator (default 1); the same\n"
    "                         seed and options give the same file on every platform\n"
    "                         of the same build\n"
    "      --source X,Y,Z     start point in cm (default: on the target's axis at\n"
    "                         the front edge of the scene)\n"
    "      --direction U,V,W  direction of the beam (default 0,0,1)\n"
    "\n"
    "Target\n"
    "  -m, --material LIST    water, aluminium, lead, iron, air or vacuum; a comma\n"
    "                         list is cycled over the z layers (default water),\n"
    "                         e.g. lead,vacuum for lead plates with gaps\n"
    "      --radii LIST       coaxial cylinders about the z axis: radii in cm\n"
    "      --planes LIST      z planes cutting the cylinders, in cm\n"
    "                         (default --radii 2,5 --planes 0,5,10)\n"
    "      --slab-x LIST      grid of slabs: x boundaries in cm; with --slab-y\n"
    "      --slab-y LIST      and --slab-z all three are needed\n"
    "      --slab-z LIST\n"
    "                         Lists are ascending and comma separated, at most\n"
    "                         100 values each.\n"
    "      --margin CM        vacuum around the target inside the scene (default:\n"
    "                         a quarter of the target's largest extent)\n"
    "\n"
    "Output\n"
    "  -o, --output FILE      picture file to write, - for standard output\n"
    "      --layout NAME      short (5-column coordinates, default), long\n"
    "                         (8-column coordinates, finer) or float (reals in cm\n"
    "                         with energy, region and weight, as newer codes write)\n"
    "      --variant LIST     as newer codes write the file, comma separated:\n"
    "                         fixed (geometry values in fixed-point form), block\n"
    "                         (an MSTA ... MEND block of material numbers after the\n"
    "                         geometry), noheader (no header line; with --layout\n"
    "                         float only), crlf (CR LF line ends); and as other\n"
    "                         writers write it: minus1 (separators as -1),\n"
    "                         trailing (blanks and a tab after the last field of\n"
    "                         every line), bom (a UTF-8 byte-order mark first),\n"
    "                         cr (CR line ends)\n"
    "      --coord-scale S    coordinate scale of the header (default: the smallest\n"
    "                         of 1, 1.5, 2, 2.5, 3, 4, 5, 6, 8 times a power of ten\n"
    "                         under which the whole scene fits).  With a scale given\n"
    "                         by hand, a point that does not fit is clipped to the\n"
    "                         nearest encodable value of its field and counted.\n"
    "      --live             write as a running calculation does: the file grows\n"
    "                         batch by batch, flushed after each batch, with a pause\n"
    "                         between batches\n"
    "      --pause MS         pause between batches in live mode (default 1000)\n"
    "\n"
    "Transport\n"
    "      --ecut MEV         kinetic cut-off of electrons and positrons (default 0.01)\n"
    "      --pcut MEV         cut-off of photons and the lowest bremsstrahlung photon\n"
    "                         (default 0.01)\n"
    "      --max-loss F       largest fraction of its energy a charged particle loses\n"
    "                         in one step (default 0.1)\n"
    "  -h, --help             show this text\n"
    "      --version          show the version\n"
    "\n"
    "The physics is simplified, good for pictures and tests, not for dosimetry:\n"
    "photons undergo photoelectric absorption (power law in Z and E, no edges, no\n"
    "fluorescence), Compton scattering on free electrons (Klein-Nishina) and pair\n"
    "production (approximate cross section, energy shared uniformly).  Electrons\n"
    "and positrons lose energy continuously (Bethe stopping power, no delta rays),\n"
    "scatter by a Gaussian multiple-scattering angle (Highland width) and emit\n"
    "bremsstrahlung photons; positrons annihilate at rest into two 0.511 MeV\n"
    "photons.  Steps end at region boundaries; a particle below its cut-off stops\n"
    "and deposits its energy.  The report at the end gives the lines written and\n"
    "the energy balance (deposited + escaped = brought in; a positron primary\n"
    "brings in its kinetic energy plus 1.022 MeV of annihilation energy).\n";

void Sim_options_help(FILE *out)
{
    std::fputs(help_text, out);
}

static void Geometry_default(SimGeometry *g)
{
    std::memset(g, 0, sizeof *g);
    g->kind = SIM_GEOMETRY_CYLINDERS;
    g->radius_count = 2;
    g->radius[0] = 2.0;
    g->radius[1] = 5.0;
    g->plane_count = 3;
    g->plane_z[0] = 0.0;
    g->plane_z[1] = 5.0;
    g->plane_z[2] = 10.0;
    g->material_count = 1;
    g->material[0] = Sim_material_find("water");
}

void Sim_options_default(SimOptions *o)
{
    std::memset(o, 0, sizeof *o);
    o->particle = SIM_ELECTRON;
    o->energy = 10.0;
    o->histories = 100;
    o->per_batch = 10;
    o->seed = 1;
    Geometry_default(&o->geometry);
    o->layout = SIM_LAYOUT_SHORT;
    o->pause_ms = 1000;
    o->electron_cut = 0.01;
    o->photon_cut = 0.01;
    o->margin = -1.0;
    o->direction[2] = 1.0;
    o->max_loss = 0.1;
}

static int Number_parse(const char *text, double *value)
{
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v))
        return -1;
    *value = v;
    return 0;
}

static int Count_parse(const char *text, long long *value)
{
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0)
        return -1;
    *value = v;
    return 0;
}

// Comma-separated numbers into list; the count into *n.
static int List_parse(const char *text, double *list, int capacity, int *n)
{
    char item[64];
    int count = 0;
    const char *p = text;
    for (;;) {
        const char *comma = std::strchr(p, ',');
        const size_t length = comma ? static_cast<size_t>(comma - p) : std::strlen(p);
        if (length == 0 || length >= sizeof item || count >= capacity)
            return -1;
        std::memcpy(item, p, length);
        item[length] = '\0';
        if (Number_parse(item, &list[count]) != 0)
            return -1;
        count++;
        if (!comma)
            break;
        p = comma + 1;
    }
    *n = count;
    return 0;
}

static int Materials_parse(const char *text, SimGeometry *g)
{
    char item[32];
    int count = 0;
    const char *p = text;
    for (;;) {
        const char *comma = std::strchr(p, ',');
        const size_t length = comma ? static_cast<size_t>(comma - p) : std::strlen(p);
        if (length == 0 || length >= sizeof item || count >= SIM_MATERIAL_LIST_MAX)
            return -1;
        std::memcpy(item, p, length);
        item[length] = '\0';
        const int index = Sim_material_find(item);
        if (index < 0)
            return -1;
        g->material[count++] = index;
        if (!comma)
            break;
        p = comma + 1;
    }
    g->material_count = count;
    return 0;
}

static int Option_is(const char *arg, const char *shortname, const char *longname)
{
    return (shortname && std::strcmp(arg, shortname) == 0) || std::strcmp(arg, longname) == 0;
}

// What the options of geometry and materials give; one option of this group
// has been found when *found is set.  Returns 0, or 1 for a bad value.
static int Target_option(const char *arg, const char *value, SimOptions *o, int *found,
                         int *have_cylinders, int *have_slabs)
{
    SimGeometry *g = &o->geometry;
    *found = 1;
    if (Option_is(arg, "-m", "--material"))
        return Materials_parse(value, g) != 0;
    if (Option_is(arg, nullptr, "--margin"))
        return Number_parse(value, &o->margin) || o->margin < 0.0;
    struct List {
        const char *name;
        double *values;
        int *count;
        int *kind;
    };
    const List lists[] = {{"--radii", g->radius, &g->radius_count, have_cylinders},
                          {"--planes", g->plane_z, &g->plane_count, have_cylinders},
                          {"--slab-x", g->x, &g->x_count, have_slabs},
                          {"--slab-y", g->y, &g->y_count, have_slabs},
                          {"--slab-z", g->z, &g->z_count, have_slabs}};
    for (const List &l : lists) {
        if (std::strcmp(arg, l.name) == 0) {
            *l.kind = 1;
            return List_parse(value, l.values, SIM_LIST_MAX, l.count) != 0;
        }
    }
    *found = 0;
    return 0;
}

static int Layout_option(const char *value, SimOptions *o)
{
    static const char *const names[] = {"short", "long", "float"};
    static const int layouts[] = {SIM_LAYOUT_SHORT, SIM_LAYOUT_LONG, SIM_LAYOUT_FLOAT};
    for (int k = 0; k < 3; k++) {
        if (std::strcmp(value, names[k]) == 0) {
            o->layout = layouts[k];
            return 0;
        }
    }
    return 1;
}

static int Variant_option(const char *value, SimOptions *o)
{
    static const char *const names[] = {"fixed",  "block",    "noheader", "crlf",
                                        "minus1", "trailing", "bom",      "cr"};
    const char *p = value;
    while (*p != '\0') {
        size_t n = std::strcspn(p, ",");
        int bit = 0;
        for (int k = 0; k < 8; k++)
            if (std::strlen(names[k]) == n && std::strncmp(p, names[k], n) == 0)
                bit = 1 << k;
        if (bit == 0)
            return 1;
        o->variants |= bit;
        p += n + (p[n] == ',' ? 1 : 0);
    }
    return 0;
}

// What the options of the output file give; as Target_option.
static int Output_option(const char *arg, const char *value, SimOptions *o, int *found,
                         int *have_output)
{
    *found = 1;
    long long count = 0;
    if (Option_is(arg, "-o", "--output")) {
        if (std::strlen(value) == 0 || std::strlen(value) >= sizeof o->output)
            return 1;
        std::snprintf(o->output, sizeof o->output, "%s", value);
        *have_output = 1;
        return 0;
    }
    if (Option_is(arg, nullptr, "--layout"))
        return Layout_option(value, o);
    if (Option_is(arg, nullptr, "--variant"))
        return Variant_option(value, o);
    if (Option_is(arg, nullptr, "--coord-scale"))
        return Number_parse(value, &o->coord_scale) || !(o->coord_scale > 0.0);
    if (Option_is(arg, nullptr, "--pause")) {
        int bad = Count_parse(value, &count) || count < 0 || count > 3600000;
        o->pause_ms = static_cast<int>(count);
        return bad;
    }
    *found = 0;
    return 0;
}

// What the options of the beam and the transport give; as Target_option.
static int Beam_option(const char *arg, const char *value, SimOptions *o, int *found)
{
    *found = 1;
    if (Option_is(arg, "-p", "--particle")) {
        static const char *const names[] = {"electron", "positron", "photon"};
        static const int kinds[] = {SIM_ELECTRON, SIM_POSITRON, SIM_PHOTON};
        for (int k = 0; k < 3; k++)
            if (std::strcmp(value, names[k]) == 0) {
                o->particle = kinds[k];
                return 0;
            }
        return 1;
    }
    if (Option_is(arg, "-s", "--seed")) {
        char *end = nullptr;
        errno = 0;
        const unsigned long long seed = std::strtoull(value, &end, 10);
        o->seed = static_cast<uint64_t>(seed);
        return end == value || *end != '\0' || errno != 0 || value[0] == '-';
    }
    if (Option_is(arg, "-n", "--histories"))
        return Count_parse(value, &o->histories) != 0;
    if (Option_is(arg, "-b", "--per-batch"))
        return Count_parse(value, &o->per_batch) != 0;
    struct Real {
        const char *shortname, *name;
        double *value;
    };
    const Real reals[] = {{"-e", "--energy", &o->energy},
                          {nullptr, "--ecut", &o->electron_cut},
                          {nullptr, "--pcut", &o->photon_cut},
                          {nullptr, "--max-loss", &o->max_loss}};
    for (const Real &r : reals)
        if (Option_is(arg, r.shortname, r.name))
            return Number_parse(value, r.value) != 0;
    if (Option_is(arg, nullptr, "--source") || Option_is(arg, nullptr, "--direction")) {
        double v[3];
        int n = 0;
        if (List_parse(value, v, 3, &n) != 0 || n != 3)
            return 1;
        const bool source = std::strcmp(arg, "--source") == 0;
        std::memcpy(source ? o->source : o->direction, v, sizeof v);
        o->source_given |= source ? 1 : 0;
        return 0;
    }
    *found = 0;
    return 0;
}

// One option with its value, in the group that knows it.  Returns 0, 1 for
// a bad value, or -1 for an option that no group knows.
static int Option_apply(const char *arg, const char *value, SimOptions *o, int have[3])
{
    int found = 0;
    int bad = Beam_option(arg, value, o, &found);
    if (!found)
        bad = Target_option(arg, value, o, &found, &have[0], &have[1]);
    if (!found)
        bad = Output_option(arg, value, o, &found, &have[2]);
    return found ? bad : -1;
}

// What the options say together.  Returns 0, or -1 after saying why.
static int Options_check(SimOptions *o, FILE *err, int have_cylinders, int have_slabs,
                         int have_output)
{
    SimGeometry *g = &o->geometry;
    if (have_cylinders && have_slabs) {
        std::fprintf(err, "vokasim: give either cylinders or slabs, not both\n");
        return -1;
    }
    if (have_slabs) {
        if (g->x_count == 0 || g->y_count == 0 || g->z_count == 0) {
            std::fprintf(err, "vokasim: slabs need --slab-x, --slab-y and --slab-z\n");
            return -1;
        }
        g->kind = SIM_GEOMETRY_SLABS;
    }
    // The scale of the layouts with encoded coordinates (short, long) is in
    // the header line: a file without it is read at another scale, tracks
    // and geometry apart.
    if ((o->variants & SIM_VARIANT_NO_HEADER) && o->layout != SIM_LAYOUT_FLOAT) {
        std::fprintf(err, "vokasim: --variant noheader needs --layout float: the short and long "
                          "layouts are read at the scale of the header line, which that "
                          "variant leaves out\n");
        return -1;
    }
    if ((o->variants & SIM_VARIANT_CR) && (o->variants & SIM_VARIANT_CRLF)) {
        std::fprintf(err, "vokasim: --variant cr and crlf exclude each other\n");
        return -1;
    }
    if (!have_output) {
        std::fprintf(err, "vokasim: no output file (-o FILE; see --help)\n");
        return -1;
    }
    return 0;
}

int Sim_options_parse(int argc, char **argv, SimOptions *o, FILE *err)
{
    int have[3] = {0, 0, 0}; // cylinders, slabs, output file given
    for (int i = 1; i < argc; i++) {
        char name[64];
        const char *arg = argv[i];
        const char *value = nullptr;
        // --name=value is the same as --name value.
        const char *equals = std::strchr(arg, '=');
        if (arg[0] == '-' && arg[1] == '-' && equals &&
            static_cast<size_t>(equals - arg) < sizeof name) {
            const size_t length = static_cast<size_t>(equals - arg);
            std::memcpy(name, arg, length);
            name[length] = '\0';
            arg = name;
            value = equals + 1;
        }
        if (Option_is(arg, "-h", "--help")) {
            Sim_options_help(stdout);
            return 1;
        }
        if (Option_is(arg, nullptr, "--version")) {
            std::printf("vokasim (VOKA Graphic) %s\n", VOKA_VERSION_TEXT);
            return 1;
        }
        if (Option_is(arg, nullptr, "--live")) {
            o->live = 1;
            continue;
        }
        SimOptions scratch = *o;
        int scratch_have[3] = {0, 0, 0};
        if (Option_apply(arg, "", &scratch, scratch_have) < 0) {
            std::fprintf(err, "vokasim: unknown option %s\n%s", arg, usage_line);
            return -1;
        }
        if (!value) {
            if (i + 1 >= argc) {
                std::fprintf(err, "vokasim: %s needs a value (see --help)\n", arg);
                return -1;
            }
            value = argv[++i];
        }
        int bad = Option_apply(arg, value, o, have);
        if (bad) {
            std::fprintf(err, "vokasim: bad value for %s: %s\n", arg, value);
            return -1;
        }
    }
    return Options_check(o, err, have[0], have[1], have[2]);
}
