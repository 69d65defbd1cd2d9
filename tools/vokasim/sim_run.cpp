// Transport of one run: histories batch by batch, each a cascade tracked
// depth first from a fixed stack.  Every particle is written as one track:
// its start point, one point at the end of every step (region boundaries end
// steps), then a separator.  Every MeV brought in ends as deposited or
// escaped, which the report checks.
#include <cmath>
#include <cstring>

#include "vokasim.h"

static const double PI = 3.14159265358979323846;
static const int64_t TRACK_STEP_LIMIT = 1000000;

struct Particle {
    int kind;
    double pos[3];
    double dir[3];
    double energy;
};

struct Run {
    const SimOptions *options;
    SimWriter writer;
    SimRandom random;
    SimCounts *counts;
    double min_step;
    int depth;
    int write_failed;
};

// Waiting particles of the current history.
static Particle stack[SIM_STACK_MAX];

static void Run_write_point(Run *run, const Particle *p)
{
    if (Sim_write_step(&run->writer, p->kind, p->pos, p->energy) != 0)
        run->write_failed = 1;
}

static void Run_write_separator(Run *run)
{
    if (Sim_write_separator(&run->writer) != 0)
        run->write_failed = 1;
}

static void Push(Run *run, int kind, const double pos[3], const double dir[3], double energy);

// Positron at rest: two photons of the rest energy, back to back.
static void Annihilate(Run *run, const double pos[3])
{
    const double cos_theta = 2.0 * Sim_random_uniform(&run->random) - 1.0;
    const double phi = 2.0 * PI * Sim_random_uniform(&run->random);
    const double sin_theta = std::sqrt(1.0 - cos_theta * cos_theta);
    const double dir[3] = {sin_theta * std::cos(phi), sin_theta * std::sin(phi), cos_theta};
    const double back[3] = {-dir[0], -dir[1], -dir[2]};
    Push(run, SIM_PHOTON, pos, dir, SIM_ELECTRON_MASS);
    Push(run, SIM_PHOTON, pos, back, SIM_ELECTRON_MASS);
}

// A new particle: tracked later, or absorbed at once below its cut-off.
static void Push(Run *run, int kind, const double pos[3], const double dir[3], double energy)
{
    const SimOptions *o = run->options;
    const double cut = (kind == SIM_PHOTON) ? o->photon_cut : o->electron_cut;
    if (energy < cut) {
        run->counts->deposited += energy;
        if (kind == SIM_POSITRON)
            Annihilate(run, pos);
        return;
    }
    if (run->depth >= SIM_STACK_MAX) {
        run->counts->deposited += energy;
        if (kind == SIM_POSITRON)
            run->counts->deposited += 2.0 * SIM_ELECTRON_MASS;
        run->counts->lost_particles++;
        return;
    }
    Particle *p = &stack[run->depth++];
    p->kind = kind;
    p->energy = energy;
    for (int i = 0; i < 3; i++) {
        p->pos[i] = pos[i];
        p->dir[i] = dir[i];
    }
}

static void Move(Particle *p, double s)
{
    for (int i = 0; i < 3; i++)
        p->pos[i] += s * p->dir[i];
}

static void Escape(Run *run, const Particle *p)
{
    run->counts->escaped += p->energy;
    if (p->kind == SIM_POSITRON)
        run->counts->escaped += 2.0 * SIM_ELECTRON_MASS;
}

// Photon interaction at the particle's position.  Returns 1 when the photon
// lives on (Compton), 0 when it is gone.
static int Photon_interact(Run *run, Particle *p, const SimPhotonCross *cross)
{
    SimRandom *r = &run->random;
    const double choice = Sim_random_uniform(r) * cross->total;
    const double e = p->energy;
    if (choice < cross->photoelectric) {
        double dir[3] = {p->dir[0], p->dir[1], p->dir[2]};
        Sim_direction_rotate(dir, Sim_photoelectron_cos(r, e), 2.0 * PI * Sim_random_uniform(r));
        Push(run, SIM_ELECTRON, p->pos, dir, e);
        return 0;
    }
    if (choice < cross->photoelectric + cross->compton) {
        double scattered;
        double cos_theta;
        Sim_compton_sample(r, e, &scattered, &cos_theta);
        const double old_dir[3] = {p->dir[0], p->dir[1], p->dir[2]};
        Sim_direction_rotate(p->dir, cos_theta, 2.0 * PI * Sim_random_uniform(r));
        // The electron takes the momentum the photon lost.
        double dir[3];
        double norm = 0.0;
        for (int i = 0; i < 3; i++) {
            dir[i] = e * old_dir[i] - scattered * p->dir[i];
            norm += dir[i] * dir[i];
        }
        norm = std::sqrt(norm);
        if (norm > 0.0)
            for (int i = 0; i < 3; i++)
                dir[i] /= norm;
        else
            for (int i = 0; i < 3; i++)
                dir[i] = old_dir[i];
        Push(run, SIM_ELECTRON, p->pos, dir, e - scattered);
        p->energy = scattered;
        if (scattered < run->options->photon_cut) {
            run->counts->deposited += scattered;
            return 0;
        }
        return 1;
    }
    double electron;
    double positron;
    Sim_pair_sample(r, e, &electron, &positron);
    const double phi = 2.0 * PI * Sim_random_uniform(r);
    double dir_e[3] = {p->dir[0], p->dir[1], p->dir[2]};
    double dir_p[3] = {p->dir[0], p->dir[1], p->dir[2]};
    Sim_direction_rotate(dir_e, Sim_emission_angle(r, electron + SIM_ELECTRON_MASS), phi);
    Sim_direction_rotate(dir_p, Sim_emission_angle(r, positron + SIM_ELECTRON_MASS), phi + PI);
    Push(run, SIM_ELECTRON, p->pos, dir_e, electron);
    Push(run, SIM_POSITRON, p->pos, dir_p, positron);
    return 0;
}

// One charged step in a material of at most dist cm.  Returns 1 while the
// particle goes on, 0 when it has stopped or escaped.
static int Charged_step(Run *run, Particle *p, const SimMaterial *m, double dist, int leaving)
{
    const SimOptions *o = run->options;
    SimRandom *r = &run->random;
    const double t = p->energy;
    const double loss_rate = Sim_stopping_power(m, p->kind, t);
    double s = dist;
    int brems = 0;
    const double s_loss = o->max_loss * t / loss_rate;
    if (s_loss < s) {
        s = s_loss;
        leaving = 0;
    }
    const double rate = Sim_brems_rate(m, t, o->photon_cut);
    if (rate > 0.0) {
        const double s_brems = -std::log(Sim_random_uniform(r)) / rate;
        if (s_brems < s) {
            s = s_brems;
            brems = 1;
            leaving = 0;
        }
    }
    if (s < run->min_step)
        s = run->min_step;
    // Loss over the step at the stopping power of its middle.
    double middle = t - 0.5 * loss_rate * s;
    if (middle < 0.5 * t)
        middle = 0.5 * t;
    double loss = Sim_stopping_power(m, p->kind, middle) * s;
    if (loss > t)
        loss = t;
    run->counts->deposited += loss;
    p->energy = t - loss;
    Move(p, s);
    Run_write_point(run, p);
    if (p->energy < o->electron_cut) {
        run->counts->deposited += p->energy;
        p->energy = 0.0;
        if (p->kind == SIM_POSITRON)
            Annihilate(run, p->pos);
        return 0;
    }
    if (leaving) {
        Escape(run, p);
        return 0;
    }
    const double width = Sim_scatter_width(m, middle, s);
    if (width > 0.0) {
        double theta = width * std::sqrt(-2.0 * std::log(Sim_random_uniform(r)));
        if (theta > PI)
            theta = PI;
        Sim_direction_rotate(p->dir, std::cos(theta), 2.0 * PI * Sim_random_uniform(r));
    }
    if (brems && p->energy > o->photon_cut) {
        const double k = Sim_brems_sample(r, p->energy, o->photon_cut);
        if (k < p->energy) {
            double dir[3] = {p->dir[0], p->dir[1], p->dir[2]};
            Sim_direction_rotate(dir, Sim_emission_angle(r, p->energy + SIM_ELECTRON_MASS),
                                 2.0 * PI * Sim_random_uniform(r));
            p->energy -= k;
            Push(run, SIM_PHOTON, p->pos, dir, k);
        }
    }
    return 1;
}

// Track one particle to its end and write its track.
static void Track(Run *run, Particle *p)
{
    const SimOptions *o = run->options;
    Run_write_point(run, p);
    for (int64_t steps = 0;; steps++) {
        if (steps >= TRACK_STEP_LIMIT) {
            run->counts->deposited += p->energy;
            if (p->kind == SIM_POSITRON)
                run->counts->deposited += 2.0 * SIM_ELECTRON_MASS;
            run->counts->lost_particles++;
            break;
        }
        int material;
        double dist;
        const int where = Sim_geometry_locate(&o->geometry, p->pos, p->dir, &material, &dist);
        if (where < 0) {
            Escape(run, p);
            break;
        }
        const SimMaterial *m = Sim_material_get(material);
        if (m != nullptr && m->density <= 0.0)
            m = nullptr;
        if (m == nullptr) {
            // Vacuum: straight to the next boundary.
            Move(p, dist < run->min_step ? run->min_step : dist);
            Run_write_point(run, p);
            if (where == 1) {
                Escape(run, p);
                break;
            }
            continue;
        }
        if (p->kind != SIM_PHOTON) {
            if (!Charged_step(run, p, m, dist, where == 1))
                break;
            continue;
        }
        SimPhotonCross cross;
        Sim_photon_cross(m, p->energy, &cross);
        const double s = -std::log(Sim_random_uniform(&run->random)) / cross.total;
        if (s >= dist) {
            Move(p, dist < run->min_step ? run->min_step : dist);
            Run_write_point(run, p);
            if (where == 1) {
                Escape(run, p);
                break;
            }
            continue;
        }
        Move(p, s);
        Run_write_point(run, p);
        if (!Photon_interact(run, p, &cross))
            break;
    }
    Run_write_separator(run);
}

namespace {

// Why the numbers of the options cannot be run, or nullptr.
const char *Options_fault(const SimOptions *o)
{
    if (o->particle != SIM_PHOTON && o->particle != SIM_ELECTRON && o->particle != SIM_POSITRON)
        return "unknown primary particle";
    if (!(o->energy > 0.0 && o->energy <= 1e5))
        return "energy must lie between 0 and 100000 MeV";
    if (o->histories < 1 || o->per_batch < 1)
        return "histories and histories per batch must be at least 1";
    if (!(o->electron_cut >= 0.001 && o->photon_cut >= 0.001))
        return "cut-off energies must be at least 0.001 MeV";
    if (!(o->max_loss > 0.0 && o->max_loss <= 0.5))
        return "largest loss per step must lie in (0, 0.5]";
    if (o->layout < SIM_LAYOUT_SHORT || o->layout > SIM_LAYOUT_FLOAT)
        return "unknown coordinate layout";
    if (o->live && (o->pause_ms < 0 || o->pause_ms > 3600000))
        return "pause must lie between 0 and 3600000 ms";
    return nullptr;
}

// The scene: the target's box with the margin around it, and the source at
// the middle of its upstream face unless one was given.
const char *Scene_place(SimOptions *o)
{
    SimGeometry *g = &o->geometry;
    double box[6];
    Sim_geometry_bounds(g, box);
    double extent = 0.0;
    for (int axis = 0; axis < 3; axis++)
        extent = std::fmax(extent, box[2 * axis + 1] - box[2 * axis]);
    double margin = o->margin;
    if (margin < 0.0)
        margin = 0.25 * extent;
    if (!std::isfinite(margin))
        return "margin is not a number";
    for (int axis = 0; axis < 3; axis++) {
        g->world[2 * axis] = box[2 * axis] - margin;
        g->world[2 * axis + 1] = box[2 * axis + 1] + margin;
    }
    if (!o->source_given) {
        o->source[0] = 0.5 * (box[0] + box[1]);
        o->source[1] = 0.5 * (box[2] + box[3]);
        o->source[2] = g->world[4];
    }
    for (int axis = 0; axis < 3; axis++)
        if (!(o->source[axis] >= g->world[2 * axis] && o->source[axis] <= g->world[2 * axis + 1]))
            return "source lies outside the scene";
    return nullptr;
}

// The direction made a unit vector, and the coordinate scale chosen for the
// scene and the layout (as single precision, as the header holds it).
const char *Direction_and_scale(SimOptions *o)
{
    const double norm =
        std::sqrt(o->direction[0] * o->direction[0] + o->direction[1] * o->direction[1] +
                  o->direction[2] * o->direction[2]);
    if (!(norm > 0.0) || !std::isfinite(norm))
        return "direction must not be zero";
    for (int axis = 0; axis < 3; axis++)
        o->direction[axis] /= norm;
    if (o->layout == SIM_LAYOUT_FLOAT)
        o->coord_scale = 1.0; // reals in cm: no coordinate scale applies
    if (o->coord_scale == 0.0)
        o->coord_scale = Sim_scale_choose(o->geometry.world, o->layout);
    o->coord_scale = static_cast<double>(static_cast<float>(o->coord_scale));
    if (!(o->coord_scale > 0.0) || !std::isfinite(o->coord_scale))
        return "coordinate scale must be positive";
    return nullptr;
}

} // namespace

int Sim_run_prepare(SimOptions *o, char *why, size_t why_size)
{
    const char *fault = Options_fault(o);
    if (!fault && (o->histories + o->per_batch - 1) / o->per_batch > SIM_BATCH_MAX) {
        std::snprintf(why, why_size, "more than %d batches; raise the histories per batch",
                      SIM_BATCH_MAX);
        return -1;
    }
    if (!fault && Sim_geometry_check(&o->geometry, why, why_size) != 0)
        return -1;
    if (!fault)
        fault = Scene_place(o);
    if (!fault)
        fault = Direction_and_scale(o);
    if (!fault)
        return 0;
    std::snprintf(why, why_size, "%s", fault);
    return -1;
}

int Sim_run_all(const SimOptions *o, FILE *out, SimCounts *counts)
{
    std::memset(counts, 0, sizeof *counts);
    Run run;
    run.options = o;
    run.counts = counts;
    run.writer.out = out;
    run.writer.layout = o->layout;
    run.writer.variants = o->variants;
    run.writer.coord_scale = o->coord_scale;
    run.writer.counts = counts;
    run.depth = 0;
    run.write_failed = 0;
    double size = 0.0;
    for (int axis = 0; axis < 3; axis++)
        size = std::fmax(size, o->geometry.world[2 * axis + 1] - o->geometry.world[2 * axis]);
    run.min_step = 1e-9 * size;
    Sim_random_seed(&run.random, o->seed);

    if (Sim_write_geometry(&run.writer, &o->geometry) != 0 ||
        Sim_write_header(&run.writer, o->geometry.world) != 0)
        return -1;
    const long long batches = (o->histories + o->per_batch - 1) / o->per_batch;
    long long done = 0;
    for (long long batch = 1; batch <= batches; batch++) {
        if (Sim_write_batch(&run.writer, static_cast<int>(batch)) != 0)
            return -1;
        counts->batches++;
        for (long long h = 0; h < o->per_batch && done < o->histories; h++, done++) {
            counts->primary_energy += o->energy;
            if (o->particle == SIM_POSITRON)
                counts->primary_energy += 2.0 * SIM_ELECTRON_MASS;
            Push(&run, o->particle, o->source, o->direction, o->energy);
            while (run.depth > 0) {
                Particle p = stack[--run.depth];
                Track(&run, &p);
            }
            if (run.write_failed)
                return -1;
        }
        if (std::fflush(out) != 0 || std::ferror(out))
            return -1;
        if (o->live && batch < batches)
            Sim_pause_ms(o->pause_ms);
    }
    return 0;
}

void Sim_run_report(const SimOptions *o, const SimCounts *c, FILE *out)
{
    const double sum = c->deposited + c->escaped;
    std::fprintf(out, "vokasim: %s\n", o->output);
    std::fprintf(out, "  histories          %lld in %lld batches\n", o->histories, c->batches);
    std::fprintf(out, "  batch lines        %lld\n", c->batch_lines);
    std::fprintf(out, "  photon steps       %lld\n", c->step_lines[SIM_PHOTON]);
    std::fprintf(out, "  electron steps     %lld\n", c->step_lines[SIM_ELECTRON]);
    std::fprintf(out, "  positron steps     %lld\n", c->step_lines[SIM_POSITRON]);
    std::fprintf(out, "  step lines         %lld\n", Sim_counts_steps(c));
    std::fprintf(out, "  track separators   %lld\n", c->separator_lines);
    std::fprintf(out, "  work-file records  %lld\n", Sim_counts_records(c));
    std::fprintf(out, "  lines after header %lld\n", Sim_counts_records(c) + c->batch_lines);
    std::fprintf(out, "  coord_scale        %g (%s layout)\n", o->coord_scale,
                 o->layout == SIM_LAYOUT_LONG    ? "long"
                 : o->layout == SIM_LAYOUT_FLOAT ? "float"
                                                 : "short");
    if (c->clipped_points > 0)
        std::fprintf(out, "  clipped points     %lld\n", c->clipped_points);
    if (c->lost_particles > 0)
        std::fprintf(out, "  stopped by limits  %lld (energy deposited)\n", c->lost_particles);
    std::fprintf(out, "  energy (MeV): primary %.6g, deposited %.6g, escaped %.6g\n",
                 c->primary_energy, c->deposited, c->escaped);
    std::fprintf(out, "  deposited + escaped %.6g, difference %.3g\n", sum,
                 sum - c->primary_energy);
}
