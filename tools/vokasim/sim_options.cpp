// Command line of vokasim: options, their defaults and the help text.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "vokasim.h"

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
    "                         geometry), noheader (no header line), crlf (CR LF\n"
    "                         line ends)\n"
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

int Sim_options_parse(int argc, char **argv, SimOptions *o, FILE *err)
{
    int have_cylinders = 0;
    int have_slabs = 0;
    int have_output = 0;
    SimGeometry *g = &o->geometry;
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
        if (Option_is(arg, nullptr, "--live")) {
            o->live = 1;
            continue;
        }
        if (!value) {
            if (i + 1 >= argc) {
                std::fprintf(err, "vokasim: %s needs a value (see --help)\n", arg);
                return -1;
            }
            value = argv[++i];
        }
        int bad = 0;
        long long count = 0;
        if (Option_is(arg, "-p", "--particle")) {
            if (std::strcmp(value, "electron") == 0)
                o->particle = SIM_ELECTRON;
            else if (std::strcmp(value, "positron") == 0)
                o->particle = SIM_POSITRON;
            else if (std::strcmp(value, "photon") == 0)
                o->particle = SIM_PHOTON;
            else
                bad = 1;
        } else if (Option_is(arg, "-e", "--energy")) {
            bad = Number_parse(value, &o->energy);
        } else if (Option_is(arg, "-n", "--histories")) {
            bad = Count_parse(value, &o->histories);
        } else if (Option_is(arg, "-b", "--per-batch")) {
            bad = Count_parse(value, &o->per_batch);
        } else if (Option_is(arg, "-s", "--seed")) {
            char *end = nullptr;
            errno = 0;
            const unsigned long long seed = std::strtoull(value, &end, 10);
            bad = (end == value || *end != '\0' || errno != 0 || value[0] == '-');
            o->seed = static_cast<uint64_t>(seed);
        } else if (Option_is(arg, "-m", "--material")) {
            bad = Materials_parse(value, g);
        } else if (Option_is(arg, nullptr, "--radii")) {
            bad = List_parse(value, g->radius, SIM_LIST_MAX, &g->radius_count);
            have_cylinders = 1;
        } else if (Option_is(arg, nullptr, "--planes")) {
            bad = List_parse(value, g->plane_z, SIM_LIST_MAX, &g->plane_count);
            have_cylinders = 1;
        } else if (Option_is(arg, nullptr, "--slab-x")) {
            bad = List_parse(value, g->x, SIM_LIST_MAX, &g->x_count);
            have_slabs = 1;
        } else if (Option_is(arg, nullptr, "--slab-y")) {
            bad = List_parse(value, g->y, SIM_LIST_MAX, &g->y_count);
            have_slabs = 1;
        } else if (Option_is(arg, nullptr, "--slab-z")) {
            bad = List_parse(value, g->z, SIM_LIST_MAX, &g->z_count);
            have_slabs = 1;
        } else if (Option_is(arg, nullptr, "--margin")) {
            bad = Number_parse(value, &o->margin) || o->margin < 0.0;
        } else if (Option_is(arg, "-o", "--output")) {
            bad = std::strlen(value) == 0 || std::strlen(value) >= sizeof o->output;
            if (!bad) {
                std::snprintf(o->output, sizeof o->output, "%s", value);
                have_output = 1;
            }
        } else if (Option_is(arg, nullptr, "--layout")) {
            if (std::strcmp(value, "short") == 0)
                o->layout = SIM_LAYOUT_SHORT;
            else if (std::strcmp(value, "long") == 0)
                o->layout = SIM_LAYOUT_LONG;
            else if (std::strcmp(value, "float") == 0)
                o->layout = SIM_LAYOUT_FLOAT;
            else
                bad = 1;
        } else if (Option_is(arg, nullptr, "--variant")) {
            static const char *const names[] = {"fixed", "block", "noheader", "crlf"};
            const char *p = value;
            while (!bad && *p != '\0') {
                size_t n = std::strcspn(p, ",");
                int bit = 0;
                for (int k = 0; k < 4; k++)
                    if (std::strlen(names[k]) == n && std::strncmp(p, names[k], n) == 0)
                        bit = 1 << k;
                bad = bit == 0;
                o->variants |= bit;
                p += n + (p[n] == ',' ? 1 : 0);
            }
        } else if (Option_is(arg, nullptr, "--coord-scale")) {
            bad = Number_parse(value, &o->coord_scale) || !(o->coord_scale > 0.0);
        } else if (Option_is(arg, nullptr, "--pause")) {
            bad = Count_parse(value, &count) || count < 0 || count > 3600000;
            o->pause_ms = static_cast<int>(count);
        } else if (Option_is(arg, nullptr, "--ecut")) {
            bad = Number_parse(value, &o->electron_cut);
        } else if (Option_is(arg, nullptr, "--pcut")) {
            bad = Number_parse(value, &o->photon_cut);
        } else if (Option_is(arg, nullptr, "--max-loss")) {
            bad = Number_parse(value, &o->max_loss);
        } else if (Option_is(arg, nullptr, "--source") ||
                   Option_is(arg, nullptr, "--direction")) {
            double v[3];
            int n = 0;
            bad = List_parse(value, v, 3, &n) || n != 3;
            double *target = (std::strcmp(arg, "--source") == 0) ? o->source : o->direction;
            for (int k = 0; k < 3 && !bad; k++)
                target[k] = v[k];
            if (target == o->source)
                o->source_given = 1;
        } else {
            std::fprintf(err, "vokasim: unknown option %s (see --help)\n", arg);
            return -1;
        }
        if (bad) {
            std::fprintf(err, "vokasim: bad value for %s: %s\n", arg, value);
            return -1;
        }
    }
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
    if (!have_output) {
        std::fprintf(err, "vokasim: no output file (-o FILE; see --help)\n");
        return -1;
    }
    return 0;
}
