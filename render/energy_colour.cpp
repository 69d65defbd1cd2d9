#include "render/energy_colour.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/work_file.h"
#include "render/layout.h"
#include "render/line_draw.h"

EnergyColouring energy_colouring = {0, 0, 0.0f, 0.0f};
EnergyScale energy_scale_drawn = {1.0f, 1.0f, 0.0, 0.0};

// viridis (its published 256-entry list of sRGB values, each rounded to a
// byte), as colour values 0x00BBGGRR.
// clang-format off
const Colour ENERGY_MAP[ENERGY_MAP_SIZE] = {
    0x540144, 0x560244, 0x570445, 0x590545, 0x5A0746, 0x5C0846, 0x5D0A46, 0x5E0B46,
    0x600D47, 0x610E47, 0x631047, 0x641147, 0x651347, 0x671448, 0x681648, 0x691748,
    0x6A1848, 0x6C1A48, 0x6D1B48, 0x6E1C48, 0x6F1D48, 0x701F48, 0x712048, 0x732148,
    0x742348, 0x752448, 0x762548, 0x772648, 0x782848, 0x792948, 0x7A2A47, 0x7A2C47,
    0x7B2D47, 0x7C2E47, 0x7D2F47, 0x7E3046, 0x7E3246, 0x7F3346, 0x803446, 0x813545,
    0x813745, 0x823845, 0x833944, 0x833A44, 0x843B44, 0x843D43, 0x853E43, 0x853F42,
    0x864042, 0x864142, 0x874241, 0x874441, 0x884540, 0x884640, 0x88473F, 0x89483F,
    0x89493E, 0x894A3E, 0x8A4C3E, 0x8A4D3D, 0x8A4E3D, 0x8A4F3C, 0x8B503C, 0x8B513B,
    0x8B523B, 0x8B533A, 0x8C543A, 0x8C5539, 0x8C5639, 0x8C5838, 0x8C5938, 0x8C5A37,
    0x8D5B37, 0x8D5C36, 0x8D5D36, 0x8D5E35, 0x8D5F35, 0x8D6034, 0x8D6134, 0x8D6233,
    0x8D6333, 0x8E6432, 0x8E6532, 0x8E6631, 0x8E6731, 0x8E6831, 0x8E6930, 0x8E6A30,
    0x8E6B2F, 0x8E6C2F, 0x8E6D2E, 0x8E6E2E, 0x8E6F2E, 0x8E702D, 0x8E712D, 0x8E712C,
    0x8E722C, 0x8E732C, 0x8E742B, 0x8E752B, 0x8E762A, 0x8E772A, 0x8E782A, 0x8E7929,
    0x8E7A29, 0x8E7B29, 0x8E7C28, 0x8E7D28, 0x8E7E27, 0x8E7F27, 0x8E8027, 0x8E8126,
    0x8E8226, 0x8E8226, 0x8E8325, 0x8E8425, 0x8E8525, 0x8E8624, 0x8E8724, 0x8E8823,
    0x8E8923, 0x8D8A23, 0x8D8B22, 0x8D8C22, 0x8D8D22, 0x8D8E21, 0x8D8F21, 0x8D9021,
    0x8C9121, 0x8C9220, 0x8C9220, 0x8C9320, 0x8C941F, 0x8B951F, 0x8B961F, 0x8B971F,
    0x8B981F, 0x8A991F, 0x8A9A1F, 0x8A9B1E, 0x899C1E, 0x899D1E, 0x899E1F, 0x889F1F,
    0x88A01F, 0x88A11F, 0x87A11F, 0x87A21F, 0x86A320, 0x86A420, 0x85A521, 0x85A621,
    0x85A722, 0x84A822, 0x83A923, 0x83AA24, 0x82AB25, 0x82AC25, 0x81AD26, 0x81AD27,
    0x80AE28, 0x7FAF29, 0x7FB02A, 0x7EB12C, 0x7DB22D, 0x7CB32E, 0x7CB42F, 0x7BB531,
    0x7AB632, 0x79B634, 0x79B735, 0x78B837, 0x77B938, 0x76BA3A, 0x75BB3B, 0x74BC3D,
    0x73BC3F, 0x72BD40, 0x71BE42, 0x70BF44, 0x6FC046, 0x6EC148, 0x6DC14A, 0x6CC24C,
    0x6BC34E, 0x6AC450, 0x69C552, 0x68C554, 0x67C656, 0x65C758, 0x64C85A, 0x63C85C,
    0x62C95E, 0x60CA60, 0x5FCB63, 0x5ECB65, 0x5CCC67, 0x5BCD69, 0x5ACD6C, 0x58CE6E,
    0x57CF70, 0x56D073, 0x54D075, 0x53D177, 0x51D17A, 0x50D27C, 0x4ED37F, 0x4DD381,
    0x4BD484, 0x49D586, 0x48D589, 0x46D68B, 0x45D68E, 0x43D790, 0x41D793, 0x40D895,
    0x3ED898, 0x3CD99B, 0x3BD99D, 0x39DAA0, 0x37DAA2, 0x36DBA5, 0x34DBA8, 0x32DCAA,
    0x30DCAD, 0x2FDDB0, 0x2DDDB2, 0x2BDEB5, 0x29DEB8, 0x28DEBA, 0x26DFBD, 0x25DFC0,
    0x23DFC2, 0x21E0C5, 0x20E0C8, 0x1FE1CA, 0x1DE1CD, 0x1CE1D0, 0x1BE2D2, 0x1AE2D5,
    0x19E2D8, 0x19E3DA, 0x18E3DD, 0x18E3DF, 0x18E4E2, 0x19E4E5, 0x19E4E7, 0x1AE5EA,
    0x1BE5EC, 0x1CE5EF, 0x1DE5F1, 0x1EE6F4, 0x20E6F6, 0x21E6F8, 0x23E7FB, 0x25E7FD,
};
// clang-format on

EnergyScale Energy_scale(float low, float high)
{
    EnergyScale s;
    s.low = low;
    s.high = high;
    s.log_low = std::log(static_cast<double>(low));
    double span = std::log(static_cast<double>(high)) - s.log_low;
    s.per_log = span > 0.0 && std::isfinite(span) ? (ENERGY_MAP_SIZE - 1) / span : 0.0;
    return s;
}

int Energy_index(const EnergyScale &s, float energy)
{
    if (!(energy > s.low))
        return 0;
    if (energy >= s.high)
        return ENERGY_MAP_SIZE - 1;
    double at = (std::log(static_cast<double>(energy)) - s.log_low) * s.per_log;
    const int64_t i = std::llround(at);
    return i < 0 ? 0 : i > ENERGY_MAP_SIZE - 1 ? ENERGY_MAP_SIZE - 1 : static_cast<int>(i);
}

bool Energy_limits_good(double low, double high)
{
    if (!std::isfinite(low) || !std::isfinite(high) || !(low > 0.0) || !(high > low))
        return false;
    // Kept as single-precision values: each must stay a normal, finite one
    // (1e-50 would become 0, 1e39 infinity), and the two at least
    // ENERGY_RATIO_MIN apart once so kept (1 and 1.00000001 are the same).
    if (low < FLT_MIN || high > FLT_MAX)
        return false;
    const double kept_low = static_cast<float>(low), kept_high = static_cast<float>(high);
    return kept_high >= kept_low * ENERGY_RATIO_MIN;
}

void Energy_label(float energy, char *text, int size)
{
    std::snprintf(text, static_cast<size_t>(size), "%.3g", static_cast<double>(energy));
}

void Energy_bar_draw(Surface *surface, const EnergyScale &scale, int32_t x, int32_t y, int32_t w,
                     int32_t h, int32_t label_y, int32_t label_high_x, Colour text_colour)
{
    // One column a pixel, its colour the map entry at its share of the bar.
    for (int32_t i = 0; i < w; i++) {
        int entry =
            w > 1 ? static_cast<int>(static_cast<int64_t>(i) * (ENERGY_MAP_SIZE - 1) / (w - 1)) : 0;
        surface->fill_rect(x + i, y, x + i + 1, y + h, ENERGY_MAP[entry]);
    }
    Line_draw(surface, x - 1, x + w, y - 1, y - 1, PEN_SOLID, 1, text_colour);
    Line_draw(surface, x + w, x + w, y - 1, y + h, PEN_SOLID, 1, text_colour);
    Line_draw(surface, x + w, x - 1, y + h, y + h, PEN_SOLID, 1, text_colour);
    Line_draw(surface, x - 1, x - 1, y + h, y - 1, PEN_SOLID, 1, text_colour);
    char low[24], high[32];
    Energy_label(scale.low, low, sizeof low);
    Energy_label(scale.high, high, 24);
    std::strncat(high, " MeV", sizeof high - std::strlen(high) - 1);
    surface->text(x, label_y, low, static_cast<int>(std::strlen(low)), text_colour);
    surface->text(x + label_high_x, label_y, high, static_cast<int>(std::strlen(high)),
                  text_colour);
}

void Energy_picture_bar(Surface *surface)
{
    // 128 pixels wide, its bottom level with the scale bar, the labels on
    // the scale label's line.
    const int32_t w = 128;
    const int32_t h = 8;
    Energy_bar_draw(surface, energy_scale_drawn, 10, layout.scale_bar_y - h, w, h,
                    layout.scale_text_y, w / 2, settings.character_color);
}

namespace {

// What the last range was found for, and the range.
struct RangeKey {
    std::string work_path;
    int64_t first, last;
    bool whole_file;
    float photon_cutoff, charged_cutoff;
    int16_t shown[3];
    uint64_t generation; // of the work file read

    bool operator==(const RangeKey &o) const
    {
        return work_path == o.work_path && first == o.first && last == o.last &&
               whole_file == o.whole_file && photon_cutoff == o.photon_cutoff &&
               charged_cutoff == o.charged_cutoff &&
               std::memcmp(shown, o.shown, sizeof shown) == 0 && generation == o.generation;
    }
};
RangeKey range_key;
bool range_known;
int range_result;
float range_low, range_high;

enum { RANGE_BLOCK = 4096 };

} // namespace

int Energy_range_shown(const WorkSource *source, const char *work_path, int64_t first, int64_t last,
                       bool whole_file, float photon_cutoff, float charged_cutoff, float *low,
                       float *high)
{
    RangeKey key = {work_path,
                    first,
                    last,
                    whole_file,
                    photon_cutoff,
                    charged_cutoff,
                    {display.show_photon, display.show_electron, display.show_positron},
                    work_file.generation};
    if (!(range_known && key == range_key)) {
        uint64_t begin = 0;
        if (!whole_file)
            for (int64_t b = 1; b < first && b <= BATCH_MAX; b++)
                begin += work_file.batch_step_count[b - 1];
        static ScaledStep block[RANGE_BLOCK]; // in cm
        WorkReader reader(source);
        const float cutoff[4] = {0.0f, photon_cutoff, charged_cutoff, charged_cutoff};
        float lo = 0.0f, hi = 0.0f;
        bool found = false, failed = false, done = false;
        for (uint64_t at = begin; !failed && !done;) {
            int64_t got = reader.read(at, block, RANGE_BLOCK, 1.0);
            failed = got < 0;
            if (got <= 0)
                break;
            size_t n = static_cast<size_t>(got);
            at += n;
            for (size_t i = 0; i < n; i++) {
                const ScaledStep &r = block[i];
                if (r.batch > last && !whole_file) {
                    done = true;
                    break;
                }
                if (r.kind < KIND_PHOTON || r.kind > KIND_POSITRON || r.batch < first ||
                    r.batch > last || key.shown[r.kind - 1] != 1 || !(r.energy >= cutoff[r.kind]) ||
                    !(r.energy > 0.0f))
                    continue;
                if (!found || r.energy < lo)
                    lo = r.energy;
                if (!found || r.energy > hi)
                    hi = r.energy;
                found = true;
            }
        }
        range_key = key;
        range_known = true;
        range_result = found && !failed ? 0 : -1;
        range_low = lo;
        range_high = hi;
    }
    *low = range_low;
    *high = range_high;
    return range_result;
}
