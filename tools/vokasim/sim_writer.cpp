// Picture-file writer.
//
// The file is: the geometry section (GSTA, the kind CYLS or SLAB, the counts
// "%6d%6d[%6d]", the value lists four to a line in 15-column fields, GEND),
// one header line of seven 10-column fields (x_min x_max y_min y_max z_min
// z_max coord_scale), then per batch a batch line (type 0, batch number in
// columns 2-6) and the tracks, each a run of step lines closed by a line
// holding "-" in column 1.
//
// Step lines, columns from 1:
//   short  1 type 1/2/3   2-6 X   7-11 Y   12-16 Z   17-20 M   21 D
//   long   1 type 4/5/6   2-9 X  10-17 Y   18-25 Z   26-29 M   30 D
//   short  N = 50000 + round(coord / (coord_scale * 1e-4)),     0 <= N <= 99999
//   long   N = 33554432 + round(coord / (coord_scale * 2^-23)), 0 <= N <= 99999999
//   energy E = M * 10^(D - 3) MeV
//   float  1 type 4/5/6   2-14 x  15-27 y  28-40 z (cm, %13.6E)
//          41-50 energy (MeV, %10.3E)  51-54 region  55-64 weight
//
// Variants of newer codes: fixed-point geometry values (%15.4f), an MSTA
// block (count and material numbers) after GEND, no header line, CR LF.
// Dialects of other writers: separators as "-1" (Fortran's I2), blanks and
// a tab after every line, a UTF-8 byte-order mark, CR line ends.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "vokasim.h"

static const int32_t SHORT_OFFSET = 50000;
static const int32_t SHORT_TOP = 99999;
static const int32_t LONG_OFFSET = 33554432;
static const int32_t LONG_TOP = 99999999;
static const double SHORT_UNIT = 1e-4;
static const double LONG_UNIT = 1.1920928955078125e-07; // 2^-23

long long Sim_counts_steps(const SimCounts *c)
{
    return c->step_lines[SIM_PHOTON] + c->step_lines[SIM_ELECTRON] + c->step_lines[SIM_POSITRON];
}

long long Sim_counts_records(const SimCounts *c)
{
    return Sim_counts_steps(c) + c->separator_lines;
}

void Sim_energy_encode(double energy, int *mantissa, int *digit)
{
    // 10^(3 - D) for D = 0..9, applied as the reader applies its power.
    static const double power[10] = {1e3, 1e2, 1e1, 1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    *mantissa = 0;
    *digit = 0;
    if (!(energy > 0.0))
        return;
    for (int d = 0; d <= 9; d++) {
        const double scaled = (d < 3) ? energy * power[d] : energy / power[d];
        const double m = std::floor(scaled + 0.5);
        if (m <= 9999.0) {
            *mantissa = static_cast<int>(m);
            *digit = d;
            return;
        }
    }
    *mantissa = 9999;
    *digit = 9;
}

int32_t Sim_coord_encode(double coord, double coord_scale, int layout, int *clipped)
{
    const int32_t offset = (layout == SIM_LAYOUT_LONG) ? LONG_OFFSET : SHORT_OFFSET;
    const int32_t top = (layout == SIM_LAYOUT_LONG) ? LONG_TOP : SHORT_TOP;
    const double unit = (layout == SIM_LAYOUT_LONG) ? LONG_UNIT : SHORT_UNIT;
    const double steps = std::floor(coord / (coord_scale * unit) + 0.5);
    double n = static_cast<double>(offset) + steps;
    if (!(n >= 0.0)) { // also catches a NaN
        *clipped = 1;
        n = 0.0;
    } else if (n > static_cast<double>(top)) {
        *clipped = 1;
        n = static_cast<double>(top);
    }
    return static_cast<int32_t>(n);
}

double Sim_scale_choose(const double box[6], int layout)
{
    // Field range in units of coord_scale: short -5 .. +4.9999, long -4 .. +7.92.
    const double below = (layout == SIM_LAYOUT_LONG)
                             ? static_cast<double>(LONG_OFFSET) * LONG_UNIT
                             : static_cast<double>(SHORT_OFFSET) * SHORT_UNIT;
    const double above = (layout == SIM_LAYOUT_LONG)
                             ? static_cast<double>(LONG_TOP - LONG_OFFSET - 1) * LONG_UNIT
                             : static_cast<double>(SHORT_TOP - SHORT_OFFSET - 1) * SHORT_UNIT;
    double need = 0.0;
    for (int i = 0; i < 6; i++) {
        const double v = box[i];
        if (v < 0.0)
            need = std::fmax(need, -v / below);
        else
            need = std::fmax(need, v / above);
    }
    if (!(need > 0.0))
        return 1.0;
    static const double series[9] = {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0};
    double decade = std::pow(10.0, std::floor(std::log10(need)) - 1.0);
    for (int tries = 0; tries < 40; tries++) {
        for (int i = 0; i < 9; i++) {
            // The viewer keeps the scale in single precision.
            const double s = static_cast<double>(static_cast<float>(series[i] * decade));
            if (s >= need)
                return s;
        }
        decade *= 10.0;
    }
    return need;
}

void Sim_real_format(char *out, size_t size, double v, int width)
{
    char best[40] = "0";
    double best_error = HUGE_VAL;
    char text[64];
    if (width > 31)
        width = 31;
    for (int form = 0; form < 2; form++) {
        for (int precision = 0; precision <= 12; precision++) {
            const int n =
                std::snprintf(text, sizeof text, form == 0 ? "%.*f" : "%.*e", precision, v);
            if (n < 0 || n > width)
                continue;
            const double error = std::fabs(std::strtod(text, nullptr) - v);
            if (error < best_error) {
                best_error = error;
                std::memcpy(best, text, static_cast<size_t>(n) + 1);
            }
        }
    }
    std::snprintf(out, size, "%*s", width, best);
}

int Sim_step_format(char *buf, size_t size, int kind, const double pos[3], double energy,
                    int layout, double coord_scale, int *clipped)
{
    int32_t n[3];
    for (int i = 0; i < 3; i++)
        n[i] = Sim_coord_encode(pos[i], coord_scale, layout, clipped);
    int mantissa;
    int digit;
    Sim_energy_encode(energy, &mantissa, &digit);
    int length;
    if (layout == SIM_LAYOUT_FLOAT)
        length = std::snprintf(buf, size, "%d%13.6E%13.6E%13.6E%10.3E%4d%10.3E", kind + 3, pos[0],
                               pos[1], pos[2], energy, 1, 1.0);
    else if (layout == SIM_LAYOUT_LONG)
        length = std::snprintf(buf, size, "%d%08d%08d%08d%4d%1d", kind + 3, n[0], n[1], n[2],
                               mantissa, digit);
    else
        length = std::snprintf(buf, size, "%d%05d%05d%05d%4d%1d", kind, n[0], n[1], n[2], mantissa,
                               digit);
    return length < 0 ? 0 : length;
}

static int Writer_line(SimWriter *writer, const char *text)
{
    const int v = writer->variants;
    const char *end = (v & SIM_VARIANT_CRLF) ? "\r\n" : (v & SIM_VARIANT_CR) ? "\r" : "\n";
    const char *trailing = (v & SIM_VARIANT_TRAILING) ? "  \t" : "";
    if (std::fputs(text, writer->out) < 0 || std::fputs(trailing, writer->out) < 0 ||
        std::fputs(end, writer->out) < 0)
        return -1;
    return 0;
}

static int Writer_list(SimWriter *writer, const double *values, int n)
{
    char line[SIM_LINE_MAX * 2];
    for (int first = 0; first < n; first += 4) {
        size_t used = 0;
        for (int i = first; i < n && i < first + 4; i++) {
            const int k = (writer->variants & SIM_VARIANT_FIXED)
                              ? std::snprintf(line + used, sizeof line - used, "%15.4f", values[i])
                              : std::snprintf(line + used, sizeof line - used, "%15.7g", values[i]);
            if (k != 15)
                return -1;
            used += 15;
        }
        if (Writer_line(writer, line) != 0)
            return -1;
    }
    return 0;
}

int Sim_write_geometry(SimWriter *writer, const SimGeometry *g)
{
    char line[SIM_LINE_MAX];
    int rc = 0;
    if ((writer->variants & SIM_VARIANT_BOM) && std::fputs("\xEF\xBB\xBF", writer->out) < 0)
        rc = -1;
    rc |= Writer_line(writer, "GSTA");
    if (g->kind == SIM_GEOMETRY_CYLINDERS) {
        std::snprintf(line, sizeof line, "%6d%6d", g->radius_count, g->plane_count);
        rc |= Writer_line(writer, "CYLS");
        rc |= Writer_line(writer, line);
        rc |= Writer_list(writer, g->radius, g->radius_count);
        rc |= Writer_list(writer, g->plane_z, g->plane_count);
    } else {
        std::snprintf(line, sizeof line, "%6d%6d%6d", g->x_count, g->y_count, g->z_count);
        rc |= Writer_line(writer, "SLAB");
        rc |= Writer_line(writer, line);
        rc |= Writer_list(writer, g->x, g->x_count);
        rc |= Writer_list(writer, g->y, g->y_count);
        rc |= Writer_list(writer, g->z, g->z_count);
    }
    rc |= Writer_line(writer, "GEND");
    if (writer->variants & SIM_VARIANT_BLOCK) {
        rc |= Writer_line(writer, "MSTA");
        std::snprintf(line, sizeof line, "%6d", g->material_count);
        rc |= Writer_line(writer, line);
        for (int i = 0; i < g->material_count; i++) {
            std::snprintf(line, sizeof line, "%6d", g->material[i] + 1);
            rc |= Writer_line(writer, line);
        }
        rc |= Writer_line(writer, "MEND");
    }
    return rc == 0 ? 0 : -1;
}

int Sim_write_header(SimWriter *writer, const double bounds[6])
{
    if (writer->variants & SIM_VARIANT_NO_HEADER)
        return 0;
    char line[SIM_LINE_MAX * 2];
    size_t used = 0;
    for (int i = 0; i < 7; i++) {
        Sim_real_format(line + used, sizeof line - used, i < 6 ? bounds[i] : writer->coord_scale,
                        10);
        used += 10;
    }
    return Writer_line(writer, line);
}

int Sim_write_batch(SimWriter *writer, int batch)
{
    char line[SIM_LINE_MAX];
    std::snprintf(line, sizeof line, "0%5d", batch);
    writer->counts->batch_lines++;
    return Writer_line(writer, line);
}

int Sim_write_step(SimWriter *writer, int kind, const double pos[3], double energy)
{
    char line[SIM_LINE_MAX];
    int clipped = 0;
    Sim_step_format(line, sizeof line, kind, pos, energy, writer->layout, writer->coord_scale,
                    &clipped);
    writer->counts->step_lines[kind]++;
    writer->counts->clipped_points += clipped;
    return Writer_line(writer, line);
}

int Sim_write_separator(SimWriter *writer)
{
    writer->counts->separator_lines++;
    return Writer_line(writer, (writer->variants & SIM_VARIANT_MINUS1) ? "-1" : "-");
}
