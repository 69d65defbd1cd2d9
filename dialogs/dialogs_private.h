// State and helpers that the settings dialogs share among themselves: the
// Environment dialog's working copy of the settings, which its colour and
// line pickers write into, the pickers' targets, and the drawing that the
// dialogs put on top of their controls.
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
extern EnvironmentWorking env_working;

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
extern int32_t color_target;

// The particle whose pen the next line picker edits: 1 electron, 2 positron,
// 3 photon.
extern int32_t line_target;

// The pickers, opened by the Environment dialog with the dialog as owner.
INT_PTR CALLBACK Color_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Color256_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Line_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The field of env_working that `target` (a color_target value) names, or
// nullptr.
Colour *Color_target_field(int32_t target);

// ------------------------------------------------------------ overlays
// What a dialog draws itself (samples, swatches, the batch count) goes on
// top of its background and controls, so it is drawn after them: a colour
// request of a button (WM_CTLCOLORBTN) or of the dialog background
// (WM_CTLCOLORDLG) marks the drawing as pending, and the next message that
// reaches the overlay step draws it.  Overlay_request also posts
// OVERLAY_MESSAGE, so that such a next message always comes, after the paint
// under way has ended, even when nothing else would follow (no mouse over
// the dialog, for instance).
enum { OVERLAY_MESSAGE = WM_APP + 11 };
void Overlay_request(HWND dialog, int16_t *pending);

// The overlay step, for every message a dialog procedure does not handle
// otherwise: a colour request marks the overlay as pending and is answered
// with the brush of the dialog's face; any other message draws a pending
// overlay with `paint`.  Returns the dialog procedure's result.
INT_PTR Overlay_step(HWND dialog, UINT message, int16_t *pending, void (*paint)(HWND dialog));

// Point and rectangle of dialog units in client pixels of `dialog`.
POINT Dialog_point(HWND dialog, int x, int y);
RECT Dialog_rect(HWND dialog, int left, int top, int right, int bottom);

// A line from `from` to `to` (end pixel left out) with a pen of the given
// style code, width and colour; dash gaps show what lies under them.
void Dialog_line(HDC dc, int style, int width, Colour colour, POINT from, POINT to);

// A rectangle filled with `colour` and outlined by a black one-pixel pen.
void Dialog_swatch(HDC dc, const RECT &rect, Colour colour);

// An input check that failed: a box owned by the dialog, captioned
// "Error Status", with the question-mark icon.
void Input_error(HWND dialog, const char *text);

#endif
