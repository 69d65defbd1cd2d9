// vokasim: a small electron-photon cascade Monte Carlo that writes picture
// files for the viewer.  The physics is deliberately simplified (see
// sim_physics.cpp); what the program guarantees is the file format, the
// energy balance of every run and the reproducibility of a run from its seed.
//
// The module is split into the random generator, the materials and their
// interaction physics, the target geometry, the picture-file writer, the
// transport of one run and the command line.  All state lives in the records
// below; nothing is process-wide, so a test may run the generator many times.
#ifndef VOKASIM_H
#define VOKASIM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum {
    SIM_LIST_MAX = 100,        // values per geometry list, as the viewer stores them
    SIM_MATERIAL_LIST_MAX = 8, // materials cycled over the z layers
    SIM_STACK_MAX = 20000,     // particles waiting to be tracked in one history
    SIM_BATCH_MAX = 10000,     // batch numbers run from 1 to this
    SIM_PATH_MAX = 256,
    SIM_LINE_MAX = 80 // longest step line is 64 characters
};

// Particle kinds: the same numbers as the step-line types of the short layout.
enum { SIM_PHOTON = 1, SIM_ELECTRON = 2, SIM_POSITRON = 3 };

enum {
    SIM_LAYOUT_SHORT = 0, // 5-column coordinates, types 1-3
    SIM_LAYOUT_LONG = 1,  // 8-column coordinates, types 4-6
    SIM_LAYOUT_FLOAT = 2  // reals in cm, types 4-6, as newer codes write them
};

// Variants of the file as newer simulation codes write it (bits).
enum {
    SIM_VARIANT_FIXED = 1,     // geometry values in fixed-point form
    SIM_VARIANT_BLOCK = 2,     // an MSTA ... MEND block of material numbers
    SIM_VARIANT_NO_HEADER = 4, // no header line
    SIM_VARIANT_CRLF = 8,      // CR LF line ends
    // Dialects of other writers:
    SIM_VARIANT_MINUS1 = 16,   // separators written as "-1" (an integer line type)
    SIM_VARIANT_TRAILING = 32, // blanks and a tab after the last field of every line
    SIM_VARIANT_BOM = 64,      // a UTF-8 byte-order mark before GSTA
    SIM_VARIANT_CR = 128       // CR line ends (old Macintosh programs)
};

enum { SIM_GEOMETRY_CYLINDERS = 1, SIM_GEOMETRY_SLABS = 2 };

// Electron rest energy (MeV).
#define SIM_ELECTRON_MASS 0.51099895

// ---------------------------------------------------------------- random

// xoshiro256** seeded through splitmix64: the same seed gives the same
// sequence on every platform and standard library.
struct SimRandom {
    uint64_t s[4];
};

void Sim_random_seed(SimRandom *random, uint64_t seed);
uint64_t Sim_random_next(SimRandom *random);
// Uniform in the open interval (0, 1).
double Sim_random_uniform(SimRandom *random);

// ---------------------------------------------------------------- materials

struct SimMaterial {
    const char *name;
    double density;          // g/cm3; 0 for vacuum
    double radiation_length; // cm
    double excitation;       // mean excitation energy, MeV
    int element_count;
    double element_z[3];
    double element_a[3]; // g/mol
    double element_w[3]; // fraction by weight
};

// Index into the material table by name ("water", "aluminium", "lead",
// "iron", "air", "vacuum"; "aluminum" also accepted); -1 when unknown.
int Sim_material_find(const char *name);
const SimMaterial *Sim_material_get(int index);
int Sim_material_count(void);

// ---------------------------------------------------------------- physics

// Macroscopic cross sections of a photon of energy e (MeV), per cm.
struct SimPhotonCross {
    double photoelectric;
    double compton;
    double pair;
    double total;
};

void Sim_photon_cross(const SimMaterial *material, double e, SimPhotonCross *cross);
// Klein-Nishina: scattered photon energy and the cosine of its angle.
void Sim_compton_sample(SimRandom *random, double e, double *e_scattered, double *cos_theta);
// Cosine of the photoelectron's angle to the photon direction.
double Sim_photoelectron_cos(SimRandom *random, double kinetic);
// Kinetic energies of the pair electron and positron; they sum to e - 2 m.
void Sim_pair_sample(SimRandom *random, double e, double *electron, double *positron);
// Polar angle of a pair member or a bremsstrahlung photon around its parent.
double Sim_emission_angle(SimRandom *random, double total_energy);

// Collision stopping power of an electron or positron (MeV/cm), > 0.
double Sim_stopping_power(const SimMaterial *material, int kind, double kinetic);
// Number of bremsstrahlung photons above photon_cut per cm.
double Sim_brems_rate(const SimMaterial *material, double kinetic, double photon_cut);
// Energy of one bremsstrahlung photon between photon_cut and kinetic.
double Sim_brems_sample(SimRandom *random, double kinetic, double photon_cut);
// Width of the Gaussian multiple-scattering angle (rad) over a step of s cm.
double Sim_scatter_width(const SimMaterial *material, double kinetic, double s);

// Turn a unit direction by polar angle (cosine) and azimuth.
void Sim_direction_rotate(double dir[3], double cos_theta, double phi);

// ---------------------------------------------------------------- geometry

// Coaxial cylinders around the z axis cut by z planes, or a grid of slabs.
// Every region inside the target takes the material of its z layer from the
// material list, cycled; outside the target is vacuum up to the world box.
struct SimGeometry {
    int kind;
    int radius_count;
    int plane_count;
    double radius[SIM_LIST_MAX];
    double plane_z[SIM_LIST_MAX];
    int x_count;
    int y_count;
    int z_count;
    double x[SIM_LIST_MAX];
    double y[SIM_LIST_MAX];
    double z[SIM_LIST_MAX];
    int material_count;
    int material[SIM_MATERIAL_LIST_MAX];
    double world[6]; // x_min x_max y_min y_max z_min z_max of the scene
};

// 0 when the lists are ascending and of a length from their least to 100.
int Sim_geometry_check(const SimGeometry *geometry, char *why, size_t why_size);
// Bounding box of the target: x_min x_max y_min y_max z_min z_max.
void Sim_geometry_bounds(const SimGeometry *geometry, double box[6]);

// Where a point lies: the material index of its region (or -1 outside the
// target) and the distance along dir to the next boundary (region, target or
// world).  Returns 0, 1 when that boundary is the world's (the particle
// escapes there), or -1 when the point is outside the world box.
int Sim_geometry_locate(const SimGeometry *geometry, const double pos[3], const double dir[3],
                        int *material, double *distance);

// ---------------------------------------------------------------- writer

// What a run wrote and the energy it accounted for.
struct SimCounts {
    long long batches;
    long long batch_lines;
    long long step_lines[4]; // by kind 1 photon, 2 electron, 3 positron
    long long separator_lines;
    long long clipped_points; // points whose coordinates were clipped
    long long lost_particles; // stopped by the safety limits, energy deposited
    double primary_energy;    // total energy brought in, MeV
    double deposited;
    double escaped;
};

// Total of the step lines of all kinds.
long long Sim_counts_steps(const SimCounts *counts);
// Records the viewer's work file gets: steps and separators.
long long Sim_counts_records(const SimCounts *counts);

struct SimWriter {
    FILE *out;
    int layout;
    int variants;       // SIM_VARIANT_* bits
    double coord_scale; // as the viewer reads it back (single precision)
    SimCounts *counts;
};

// Energy as 4-digit mantissa and exponent digit, E = M * 10^(D - 3) MeV,
// with the largest mantissa that fits; 0 for energies that round to zero,
// 9999/9 for energies above the range.
void Sim_energy_encode(double energy, int *mantissa, int *digit);
// Encoded coordinate of the layout; clipped to the field's range, in which
// case *clipped is set to 1.
int32_t Sim_coord_encode(double coord, double coord_scale, int layout, int *clipped);
// Smallest coordinate scale of the series 1, 1.5, 2, 2.5, 3, 4, 5, 6, 8 times
// a power of ten under which the box fits the layout's fields.
double Sim_scale_choose(const double box[6], int layout);
// Right-aligned decimal text of v in exactly width columns (width < 32),
// choosing the form that reads back closest to v.
void Sim_real_format(char *out, size_t size, double v, int width);

// Format one step line into buf (no newline); returns its length.
int Sim_step_format(char *buf, size_t size, int kind, const double pos[3], double energy,
                    int layout, double coord_scale, int *clipped);

int Sim_write_geometry(SimWriter *writer, const SimGeometry *geometry);
int Sim_write_header(SimWriter *writer, const double bounds[6]);
int Sim_write_batch(SimWriter *writer, int batch);
int Sim_write_step(SimWriter *writer, int kind, const double pos[3], double energy);
int Sim_write_separator(SimWriter *writer);

// ---------------------------------------------------------------- run

struct SimOptions {
    int particle;  // SIM_PHOTON, SIM_ELECTRON or SIM_POSITRON
    double energy; // kinetic energy of the primary, MeV
    long long histories;
    long long per_batch;
    uint64_t seed;
    SimGeometry geometry;
    int layout;
    int variants;              // SIM_VARIANT_* bits
    char output[SIM_PATH_MAX]; // "-" for standard output
    int live;
    int pause_ms;
    double electron_cut; // kinetic cut-off of electrons and positrons, MeV
    double photon_cut;   // cut-off of photons and lowest bremsstrahlung photon
    double margin;       // vacuum around the target, cm; < 0 for automatic
    double coord_scale;  // 0 for automatic
    double source[3];
    int source_given;
    double direction[3];
    double max_loss; // largest fraction of energy lost in one charged step
};

void Sim_options_default(SimOptions *options);
// Parse the command line.  Returns 0 to run, 1 when help was printed, -1 on
// an error (already printed to err).
int Sim_options_parse(int argc, char **argv, SimOptions *options, FILE *err);
void Sim_options_help(FILE *out);

// Finish the options (world box, source) and check them; 0 or -1 with the
// reason in why.
int Sim_run_prepare(SimOptions *options, char *why, size_t why_size);
// Run all histories and write the picture file to out.  The options must
// have passed Sim_run_prepare.  Returns 0, or -1 when a write failed.
int Sim_run_all(const SimOptions *options, FILE *out, SimCounts *counts);
// Print the counts and the energy balance.
void Sim_run_report(const SimOptions *options, const SimCounts *counts, FILE *out);

// Pause of the live mode.
void Sim_pause_ms(int milliseconds);

#endif
