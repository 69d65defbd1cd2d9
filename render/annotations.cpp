#include "render/annotations.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "picture/display.h"
#include "picture/numparse.h"
#include "picture/settings.h"
#include "render/energy_colour.h"
#include "render/layout.h"
#include "render/line_draw.h"
#include "render/view.h"

namespace {

const Colour COLOUR_NAVY = 0x00800000u; // the angle box and the two upper panels

struct LegendRow {
    const char *label;
    int length;
    int index; // settings index of the particle
};

const LegendRow legend_rows[3] = {
    {"electron", 8, PARTICLE_ELECTRON},
    {"positron", 8, PARTICLE_POSITRON},
    {"photon", 6, PARTICLE_PHOTON},
};

bool Row_shown(int row)
{
    switch (row) {
    case 0: return display.show_electron == 1;
    case 1: return display.show_positron == 1;
    default: return display.show_photon == 1;
    }
}

// The legend rows at (x, y): sample lines at y + line_y0 + 20 * row, labels
// with their top at y + label_y0 + 20 * row.  Hidden rows keep their place.
void Legend_rows(Surface *surface, int32_t x, int32_t y, int32_t line_y0, int32_t label_y0)
{
    for (int row = 0; row < 3; row++) {
        if (!Row_shown(row))
            continue;
        const LegendRow &r = legend_rows[row];
        int32_t line_y = y + line_y0 + 20 * row;
        Line_draw(surface, x + 10, x + 60, line_y, line_y, settings.particle_pen_style[r.index],
                  settings.particle_pen_width[r.index], settings.particle_color[r.index]);
        surface->text(x + 67, y + label_y0 + 20 * row, r.label, r.length, settings.character_color);
    }
}

void Text_at(Surface *surface, int32_t x, int32_t y, const char *text, int length)
{
    surface->text(x, y, text, length, COLOUR_WHITE);
}

} // namespace

bool Scale_choice(double scale, int32_t view_w, double *value, char *label, size_t size)
{
    if (!display.scale_auto) {
        *value = Real_text(settings.scale_unit_text);
        std::snprintf(label, size, "%scm", settings.scale_unit_text);
        return *value > 0.0 && std::isfinite(*value);
    }
    const double fifth = view_w * scale / 5.0;
    if (!(fifth > 0.0) || !std::isfinite(fifth))
        return false;
    // The 1-2-5 value nearest to a fifth of the width, on a log scale.
    const double decade = std::pow(10.0, std::floor(std::log10(fifth)));
    double best = decade;
    static const double STEPS[] = {2.0, 5.0, 10.0};
    for (double m : STEPS)
        if (std::fabs(std::log(m * decade / fifth)) < std::fabs(std::log(best / fifth)))
            best = m * decade;
    *value = best;
    if (best < 1.0)
        std::snprintf(label, size, "%g mm", best * 10.0);
    else if (best >= 100.0)
        std::snprintf(label, size, "%g m", best / 100.0);
    else
        std::snprintf(label, size, "%g cm", best);
    return true;
}

void Scale_draw(Surface *surface, double scale)
{
    double value;
    char label[32];
    if (!Scale_choice(scale, layout.view_w, &value, label, sizeof label))
        return;
    float bar = static_cast<float>(value / scale);
    float left = static_cast<float>(layout.scale_bar_x) - bar;
    if (!(left > 0.0f) || !(left < static_cast<float>(layout.scale_bar_x)))
        return;
    int32_t x0 = static_cast<int32_t>(left);
    if (x0 <= 0 || x0 >= layout.scale_bar_x)
        return;
    int32_t x1 = layout.scale_bar_x;
    int32_t y = layout.scale_bar_y;
    // The label centred over the bar as the unit's digits and "cm" always
    // were: 23 pixels left of the centre less 3 a digit.
    const size_t n = std::strlen(label);
    float half = (static_cast<float>(6 * (n - 2)) - bar) / 2.0f;
    int32_t x = x0 - static_cast<int32_t>(half) - 23;
    // The backing: the bar and the label with a margin of 3 pixels, the
    // label taken 8 pixels a character (wider than the fonts' average).
    int32_t back_left = (x < x0 ? x : x0) - 3;
    int32_t text_right = x + 8 * static_cast<int32_t>(n);
    int32_t back_right = (text_right > x1 + 1 ? text_right : x1 + 1) + 3;
    surface->fill_rect(back_left, layout.scale_text_y - 2, back_right, y + 3,
                       settings.background_color);
    surface->pen(PEN_SOLID, 1, settings.character_color);
    surface->move_to(x0, y);
    surface->line_to(x1, y);
    surface->move_to(x0, y - 10);
    surface->line_to(x0, y);
    surface->move_to(x1, y - 10);
    surface->line_to(x1, y);
    surface->text(x, layout.scale_text_y, label, static_cast<int>(n), settings.character_color);
}

void Border_draw(Surface *surface)
{
    const PixelRect &v = layout.view_rect;
    const int32_t l = v.left, t = v.top, r = v.right, b = v.bottom;
    const int widths[2] = {2, 1};
    const Colour colours[2] = {COLOUR_WHITE, COLOUR_BLACK};
    for (int pass = 0; pass < 2; pass++) {
        int w = widths[pass];
        Colour c = colours[pass];
        Line_draw(surface, l, r, t, t, PEN_SOLID, w, c);
        Line_draw(surface, r, r, t, b, PEN_SOLID, w, c);
        Line_draw(surface, r, l, b, b, PEN_SOLID, w, c);
        Line_draw(surface, l, l, b, t, PEN_SOLID, w, c);
    }
}

void Panel_main_draw(Surface *surface)
{
    // The rectangles are bordered with the context's default pen: black, width 1.
    surface->pen(PEN_SOLID, 1, COLOUR_BLACK);
    const PixelRect &box = layout.angle_box;
    surface->rectangle(box.left, box.top, box.right, box.bottom, COLOUR_NAVY);
    surface->pen(PEN_SOLID, 1, COLOUR_BLACK);
    const PixelRect &v = layout.view_rect;
    surface->rectangle(v.left, v.top, v.right, v.bottom, settings.background_color);
    Border_draw(surface);
    Text_at(surface, layout.angle_caption_x, 135, "Angle change", 12);
    Text_at(surface, layout.angle_label_x, 160, "X", 1);
    Text_at(surface, layout.angle_label_x, 180, "Y", 1);
    Text_at(surface, layout.angle_label_x, 200, "Z", 1);
}

void Angle_draw(Surface *surface)
{
    const int16_t angles[3] = {display.angle_x, display.angle_y, display.angle_z};
    for (int i = 0; i < 3; i++) {
        char text[16];
        int n = std::snprintf(text, sizeof text, "%+4d", angles[i]);
        Text_at(surface, 4, 7 + 20 * i, text, n);
    }
}

void Angle_panel_draw(Surface *surface, PixelRect update)
{
    surface->fill_rect(update.left, update.top, update.right, update.bottom, COLOUR_NAVY);
    Angle_draw(surface);
}

void Axis_draw(Surface *surface)
{
    // Negative end, positive end and label position of each axis, in pixels.
    static const double AXIS_POINTS[3][3][3] = {
        {{-35, 0, 0}, {35, 0, 0}, {37, 0, 0}},
        {{0, -35, 0}, {0, 35, 0}, {0, 37, 0}},
        {{0, 0, -35}, {0, 0, 35}, {0, 0, 37}},
    };
    static const char *const labels[3] = {"x", "y", "z"};
    for (int axis = 0; axis < 3; axis++) {
        PixelPoint a = View_proj(PROJ_INDICATOR, AXIS_POINTS[axis][0]);
        PixelPoint b = View_proj(PROJ_INDICATOR, AXIS_POINTS[axis][1]);
        Line_draw(surface, a.x, b.x, a.y, b.y, PEN_SOLID, 1, COLOUR_WHITE);
        PixelPoint at = View_proj(PROJ_INDICATOR, AXIS_POINTS[axis][2]);
        Text_at(surface, at.x, at.y, labels[axis], 1);
    }
}

void Axis_panel_draw(Surface *surface, PixelRect update)
{
    surface->fill_rect(update.left, update.top, update.right, update.bottom, COLOUR_NAVY);
    Axis_draw(surface);
}

void Legend_panel_draw(Surface *surface, PixelRect update)
{
    surface->fill_rect(update.left, update.top, update.right, update.bottom,
                       settings.background_color);
    if (energy_colouring.by_energy != 1) {
        Legend_rows(surface, 0, 0, 13, 4);
        return;
    }
    // Coloured by energy: the colour bar of the last rebuild with its
    // energies (none before a picture has been drawn: there are no
    // energies yet), and under it the particles' pens (style and width) in
    // the text colour, each with its symbol: e- e+ and ph, which cannot be
    // taken one for another as the initials e p g were (p read as photon).
    if (energy_scale_drawn.high > 0.0f)
        Energy_bar_draw(surface, energy_scale_drawn, 6, 4, 123, 10, 18, 54,
                        settings.character_color);
    static const char *const initials[3] = {"e-", "e+", "ph"};
    for (int row = 0; row < 3; row++) {
        if (!Row_shown(row))
            continue;
        const int index = legend_rows[row].index;
        const int32_t x = 6 + 44 * row;
        Line_draw(surface, x, x + 22, 50, 50, settings.particle_pen_style[index],
                  settings.particle_pen_width[index], settings.character_color);
        surface->text(x + 26, 42, initials[row], 2, settings.character_color);
    }
}

void Guide_draw(Surface *surface, int32_t x, int32_t y)
{
    surface->pen(PEN_SOLID, 1, legend_frame_color);
    surface->rectangle(x, y, x + 137, y + 70, settings.background_color);
    Legend_rows(surface, x, y, 15, 5);
}
