// State and helpers that the settings dialogs share among themselves: the
// Environment dialog's working copy of the settings, which its colour and
// line pickers write into, the pickers' targets, and the drawing of the
// dialogs' owner-drawn controls.
#ifndef VOKA_DIALOGS_PRIVATE_H
#define VOKA_DIALOGS_PRIVATE_H

#include <windows.h>

#include <cstdint>

#include "picture/settings.h"

// The Environment dialog edits this copy; its OK copies it into the
// settings record in one step, its Cancel drops it.  Fields as in the
// settings record.
struct EnvironmentWorking {
    Colour particle_color[PARTICLE_KINDS];
    int32_t particle_pen_style[PARTICLE_KINDS];
    int32_t particle_pen_width[PARTICLE_KINDS];
    Colour background_color;
    Colour geometry_color;
    Colour character_color;
    char scale_unit_text[SCALE_UNIT_TEXT_SIZE];
    char photon_cutoff_text[CUTOFF_TEXT_SIZE];
    char charged_cutoff_text[CUTOFF_TEXT_SIZE];
};
// The colour the next colour picker sets: 1 electron, 2 positron, 3 photon,
// 4 background, 5 geometry, 6 character; any other value sets nothing.
enum {
    COLOR_TARGET_ELECTRON = 1,
    COLOR_TARGET_POSITRON = 2,
    COLOR_TARGET_PHOTON = 3,
    COLOR_TARGET_BACKGROUND = 4,
    COLOR_TARGET_GEOMETRY = 5,
    COLOR_TARGET_CHARACTER = 6
};

// The Environment dialog's state while it runs, shared with its pickers.
struct EnvironmentEdit {
    EnvironmentWorking working; // the copy being edited
    int32_t color_target;       // a COLOR_TARGET_ value: what the next colour picker sets
    // The particle whose pen the next line picker edits: 1 electron, 2
    // positron, 3 photon.
    int32_t line_target;
};
extern EnvironmentEdit env_edit;

// The pickers, opened by the Environment dialog with the dialog as owner.
INT_PTR CALLBACK Color_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Color256_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Line_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The field of env_edit.working that `target` (a color_target value) names, or
// nullptr.
Colour *Color_target_field(int32_t target);

// ------------------------------------------------------------ drawing
// What a dialog draws itself (samples, swatches, the batch count) lives in
// owner-drawn controls, painted when the window system asks for them
// (WM_DRAWITEM); a change is shown by invalidating the control.

// Point of dialog units in client pixels of `dialog`.
POINT Dialog_point(HWND dialog, int x, int y);

// A line from `from` to `to` (end pixel left out) with a pen of the given
// style code, width and colour; dash gaps show what lies under them.
void Dialog_line(HDC dc, int style, int width, Colour colour, POINT from, POINT to);

// A rectangle filled with `colour` and outlined by a black one-pixel pen.
void Dialog_swatch(HDC dc, const RECT &rect, Colour colour);

// A line across the middle of an owner-drawn item, `inset` dialog units
// from its sides, with the given pen.
void Item_line(HWND dialog, const DRAWITEMSTRUCT *item, int inset, int style, int width,
               Colour colour);

// An input check that failed: a box owned by the dialog, captioned
// "Error Status", with the question-mark icon.
void Input_error(HWND dialog, const char *text);

#endif
