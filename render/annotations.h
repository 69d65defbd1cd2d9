// Annotations: the picture background and double frame, the navy angle box
// with its captions, the three strip panels (angle values, axis indicator,
// legend), the scale bar and the guide mark inside the picture.
#ifndef VOKA_ANNOTATIONS_H
#define VOKA_ANNOTATIONS_H

#include <cstddef>
#include <cstdint>

#include "picture/defs.h"
#include "render/surface.h"

const Colour COLOUR_LTGRAY = 0x00C0C0C0u; // the window background, 192, 192, 192

// What the main window's paint draws on its own client area (client
// coordinates): the navy angle box, the picture area filled with the
// background colour, the double frame, "Angle change" and the axis letters.
void Panel_main_draw(Surface *surface);

// The double frame of the picture area.
void Border_draw(Surface *surface);

// Panel contents, each on the panel's own surface (panel coordinates):
// `update` is the rectangle to fill first (the panel's update region).
void Angle_panel_draw(Surface *surface, PixelRect update);
void Axis_panel_draw(Surface *surface, PixelRect update);
void Legend_panel_draw(Surface *surface, PixelRect update);

// The three angles as "%+4d" at (4, 7), (4, 27), (4, 47).
void Angle_draw(Surface *surface);
// The axis indicator, turning with the view.
void Axis_draw(Surface *surface);

// The scale bar's length in cm and its label for a picture drawn at
// `scale` cm a pixel in a picture area `view_w` pixels wide: with
// display.scale_auto, the value of the 1-2-5 series (..., 0.1, 0.2, 0.5, 1, 2, 5,
// ...) nearest, on a logarithmic scale, to a fifth of the picture's width,
// labelled in mm below 1 cm, in m from 1 m on, else in cm ("5 mm", "2 cm",
// "1 m"); else the settings' scale unit, labelled "<unit>cm".  Returns
// false when there is no bar (a unit of 0, or no scale).
bool Scale_choice(double scale, int32_t view_w, double *value, char *label, size_t size);

// The scale bar with its label at the lower right of the picture area, on
// a backing in the background colour (drawn over the tracks, it is never
// hidden by them), or nothing when there is no bar or it does not fit.
void Scale_draw(Surface *surface, double scale);

// The guide mark (legend box) with its top-left corner at (x, y), picture
// coordinates.
void Guide_draw(Surface *surface, int32_t x, int32_t y);

#endif
