// The line style picker of the Environment dialog ("Line select"): eight
// pens, each shown as a black sample line on its button.  A click makes a
// pen the tentative choice, shown in the sample box; OK writes it into
// env_working for particle line_target, Cancel drops it.
#include "dialogs/dialogs_private.h"

#include "resources/resource_ids.h"

namespace {

struct LinePen {
    int32_t style;
    int32_t width;
};

// Pens of buttons 500..507.
const LinePen LINE_PENS[8] = {{PS_SOLID, 1},      {PS_DASH, 1},  {PS_DOT, 1},   {PS_DASHDOT, 1},
                              {PS_DASHDOTDOT, 1}, {PS_SOLID, 2}, {PS_SOLID, 3}, {PS_SOLID, 4}};

LinePen line_choice;       // the tentative choice
int16_t samples_pending;   // the samples are to be drawn again

const int SAMPLE_ERASE_WIDTH = 4;
// Insets of the sample lines, in dialog units: from the sides of a sample
// button and of the sample box, each line at the vertical middle.
const int BUTTON_INSET = 6;
const int BOX_INSET = 4;

// A line across the middle of a control, `inset` dialog units from its
// sides, in client pixels of the dialog.
void Line_across(HWND dialog, HWND control, int inset, POINT *from, POINT *to)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    int dx = Dialog_point(dialog, inset, 0).x;
    from->x = r.left + dx;
    to->x = r.right - dx;
    from->y = to->y = (r.top + r.bottom) / 2;
}

// The sample box is the first control of the template.
HWND Sample_box(HWND dialog)
{
    return GetWindow(dialog, GW_CHILD);
}

void Choice_paint(HWND dialog, HDC dc)
{
    POINT from, to;
    Line_across(dialog, Sample_box(dialog), BOX_INSET, &from, &to);
    Dialog_line(dc, line_choice.style, line_choice.width, COLOUR_BLACK, from, to);
}

void Samples_paint(HWND dialog)
{
    HDC dc = GetDC(dialog);
    if (!dc)
        return;
    Choice_paint(dialog, dc);
    for (int k = 0; k < 8; k++) {
        POINT from, to;
        Line_across(dialog, GetDlgItem(dialog, IDC_LINE_FIRST + k), BUTTON_INSET, &from, &to);
        Dialog_line(dc, LINE_PENS[k].style, LINE_PENS[k].width, COLOUR_BLACK, from, to);
    }
    ReleaseDC(dialog, dc);
}

// A sample was clicked: the sample box shows it at once (the old line
// erased in the dialog's face colour).
void On_sample(HWND dialog, int index)
{
    line_choice = LINE_PENS[index];
    HDC dc = GetDC(dialog);
    if (!dc)
        return;
    POINT from, to;
    Line_across(dialog, Sample_box(dialog), BOX_INSET, &from, &to);
    Dialog_line(dc, PS_SOLID, SAMPLE_ERASE_WIDTH, GetSysColor(COLOR_BTNFACE), from, to);
    Choice_paint(dialog, dc);
    ReleaseDC(dialog, dc);
    Overlay_request(dialog, &samples_pending);
}

} // namespace

INT_PTR CALLBACK Line_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    int index = line_target - 1;
    switch (message) {
    case WM_INITDIALOG:
        samples_pending = 0;   // left over from the last opening
        if (index >= 0 && index < PARTICLE_KINDS) {
            line_choice.style = env_working.particle_pen_style[index];
            line_choice.width = env_working.particle_pen_width[index];
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= IDC_LINE_FIRST && id <= IDC_LINE_LAST) {
            On_sample(dialog, id - IDC_LINE_FIRST);
            return TRUE;
        }
        if (id == IDOK && index >= 0 && index < PARTICLE_KINDS) {
            env_working.particle_pen_style[index] = line_choice.style;
            env_working.particle_pen_width[index] = line_choice.width;
        }
        if (id == IDOK || id == IDCANCEL)
            EndDialog(dialog, 1);
        return TRUE;
    }
    default:
        return Overlay_step(dialog, message, &samples_pending, Samples_paint);
    }
}
