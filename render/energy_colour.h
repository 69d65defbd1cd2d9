// Colouring the tracks by kinetic energy instead of by particle: every
// segment takes the colour of the energy at its end point on a logarithmic
// scale, through a perceptual colour map (viridis: even steps of lightness
// from dark blue to yellow, readable in grey and by most colour-blind
// eyes); the particles keep their pen styles and widths.  The scale runs
// between limits the user sets or, without them, the lowest and highest
// energy of the steps shown.  The colour bar with its energies goes into
// the picture (and so into every figure) and into the legend panel.
#ifndef VOKA_ENERGY_COLOUR_H
#define VOKA_ENERGY_COLOUR_H

#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

// The choice, kept between runs by the window program (its own file beside
// the info file) and set by options in the command-line tools.
struct EnergyColouring {
    int32_t by_energy;  // 1: colour by energy; 0: by particle (the settings' colours)
    int32_t limits_set; // 1: the scale runs from `low` to `high`
    float low;          // MeV, 0 < low < high
    float high;
};
extern EnergyColouring energy_colouring;

enum { ENERGY_MAP_SIZE = 256 };
// The colour map, lowest energy first: viridis in 256 steps.
extern const Colour ENERGY_MAP[ENERGY_MAP_SIZE];

// The scale of one rebuild: energies low .. high on the map, logarithmic.
struct EnergyScale {
    float low;
    float high;
    double log_low;
    double per_log; // map steps per unit of ln(energy)
};

// The scale between `low` and `high` (0 < low; high <= low gives one colour
// for all).
EnergyScale Energy_scale(float low, float high);

// The map entry of an energy: 0 at or below low (and for energies that are
// not positive), ENERGY_MAP_SIZE - 1 at or above high.
int Energy_index(const EnergyScale &scale, float energy);

inline Colour Energy_colour(const EnergyScale &scale, float energy)
{
    return ENERGY_MAP[Energy_index(scale, energy)];
}

// The lowest and highest positive energy of the steps a rebuild shows: the
// records of batches first .. last (all records, each tested, when
// `whole_file`) whose kind is shown and whose energy is at or above its
// cut-off.  Read through `source`, the work file at `work_path` opened for
// the rebuild, once for each set of these and kept, since turning and
// zooming the view do not change them.  Returns 0, or -1 when there is no
// such step or the work file cannot be read.
struct WorkSource;
int Energy_range_shown(const WorkSource *source, const char *work_path, int64_t first, int64_t last,
                       bool whole_file, float photon_cutoff, float charged_cutoff, float *low,
                       float *high);

// The scale the last rebuild drew with (by_energy set), for the legend.
extern EnergyScale energy_scale_drawn;

// Whether limits typed by the user are good (ENERGY_LIMITS_RULE): both
// finite, 0 < low < high, each within the range of single precision, and
// high at least ENERGY_RATIO_MIN times low as single-precision values.
const double ENERGY_RATIO_MIN = 1.0001;
bool Energy_limits_good(double low, double high);
// The rule in words, for the messages that refuse limits.
const char ENERGY_LIMITS_RULE[] =
    "Energy limits (MeV): two numbers with 0 < low < high, each between 1.2e-38 and 3.4e+38, "
    "and high at least 1.0001 times low.";

// An energy as the bar labels it: three significant digits ("0.0123",
// "50", "1.2e+03").
void Energy_label(float energy, char *text, int size);

// The colour bar from (x, y), w x h pixels, lowest energy at the left,
// outlined in `text_colour`, with its lowest and highest energy as labels
// in `text_colour` at (x, label_y) and (x + label_high_x, label_y), the
// second followed by " MeV".
void Energy_bar_draw(Surface *surface, const EnergyScale &scale, int32_t x, int32_t y, int32_t w,
                     int32_t h, int32_t label_y, int32_t label_high_x, Colour text_colour);

// The bar of a rebuild in the picture area (picture coordinates): at its
// lower left corner, clear of the scale bar at the lower right.
void Energy_picture_bar(Surface *surface);

#endif
