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

LinePen line_choice; // the tentative choice

// Insets of the sample lines, in dialog units: from the sides of a sample
// button and of the sample box, each line at the vertical middle.
const int BUTTON_INSET = 6;
const int BOX_INSET = 4;

// The sample box (a black frame around the tentative choice) and the
// sample buttons (a push button's face and its pen), painted whenever the
// window system asks for them.
INT_PTR On_draw_item(HWND dialog, const DRAWITEMSTRUCT *item)
{
    int id = static_cast<int>(item->CtlID);
    RECT r = item->rcItem;
    if (id == IDC_LINE_CHOICE) {
        FillRect(item->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        FrameRect(item->hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        Item_line(dialog, item, BOX_INSET, line_choice.style, line_choice.width, COLOUR_BLACK);
        return TRUE;
    }
    if (id < IDC_LINE_FIRST || id > IDC_LINE_LAST)
        return FALSE;
    bool pushed = (item->itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item->hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    const LinePen &pen = LINE_PENS[id - IDC_LINE_FIRST];
    Item_line(dialog, item, BUTTON_INSET, pen.style, pen.width, COLOUR_BLACK);
    if (item->itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item->hDC, &r);
    }
    return TRUE;
}

} // namespace

INT_PTR CALLBACK Line_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    int index = env_edit.line_target - 1;
    switch (message) {
    case WM_INITDIALOG:
        if (index >= 0 && index < PARTICLE_KINDS) {
            line_choice.style = env_edit.working.particle_pen_style[index];
            line_choice.width = env_edit.working.particle_pen_width[index];
        }
        return TRUE;
    case WM_DRAWITEM: return On_draw_item(dialog, reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= IDC_LINE_FIRST && id <= IDC_LINE_LAST) {
            // The sample box shows the new choice at once.
            line_choice = LINE_PENS[id - IDC_LINE_FIRST];
            InvalidateRect(GetDlgItem(dialog, IDC_LINE_CHOICE), nullptr, FALSE);
            return TRUE;
        }
        if (id == IDOK && index >= 0 && index < PARTICLE_KINDS) {
            env_edit.working.particle_pen_style[index] = line_choice.style;
            env_edit.working.particle_pen_width[index] = line_choice.width;
        }
        if (id == IDOK || id == IDCANCEL)
            EndDialog(dialog, 1);
        return TRUE;
    }
    default: return FALSE;
    }
}
