// The three small dialogs of the menu: Selection (which particle kinds are
// drawn), Title (the title line) and Batch (the range of batches drawn).
// Each writes straight into the process state when its OK accepts, and
// tells through settings_changed whether the picture must be rebuilt.
#include "dialogs/dialogs.h"
#include "dialogs/dialogs_private.h"

#include <cstdio>
#include <cstring>

#include "dialogs/dialog_host.h"
#include "picture/display.h"
#include "picture/numparse.h"
#include "picture/picture.h"
#include "render/picture_paint.h"
#include "resources/resource_ids.h"

DialogResults dialog_results;

// The Selection dialog's remembered boxes: a box's id when it was ticked at
// the last OK, the id + 1 when it was clear.
int32_t particle_check_id[PARTICLE_KINDS] = {IDC_PARTICLE_ELECTRON, IDC_PARTICLE_POSITRON,
                                             IDC_PARTICLE_PHOTON};

// The Title dialog's copy of its edit.
char title_edit_buffer[TITLE_TEXT_SIZE];

// The number of batches as the Batch dialog draws it.
char batch_count_text[BATCH_TEXT_SIZE];

namespace {

// ------------------------------------------------------------- Selection

int16_t *const SHOWN[PARTICLE_KINDS] = {&display.show_electron, &display.show_positron,
                                        &display.show_photon};
const int BOXES[PARTICLE_KINDS] = {IDC_PARTICLE_ELECTRON, IDC_PARTICLE_POSITRON,
                                   IDC_PARTICLE_PHOTON};

void Particle_init(HWND dialog)
{
    // An odd id names no box: that box stays clear.
    for (int32_t id : particle_check_id)
        SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_CHECKED, 0);
}

void Particle_ok(HWND dialog)
{
    int16_t shown[PARTICLE_KINDS];
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        bool ticked = SendDlgItemMessageA(dialog, BOXES[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
        particle_check_id[i] = ticked ? BOXES[i] : BOXES[i] + 1;
        shown[i] = ticked ? 1 : 0;
        if (shown[i] != *SHOWN[i])
            dialog_host.settings_changed = 1;
    }
    if (dialog_host.settings_changed == 1)
        for (int i = 0; i < PARTICLE_KINDS; i++)
            *SHOWN[i] = shown[i];
}

// --------------------------------------------------------------- Title

void Title_init(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_TITLE_EDIT, settings.title_text);
}

void Title_ok(HWND dialog)
{
    GetDlgItemTextA(dialog, IDC_TITLE_EDIT, title_edit_buffer, sizeof title_edit_buffer);
    if (std::strcmp(title_edit_buffer, settings.title_text) != 0)
        dialog_host.settings_changed = 1;
    if (dialog_host.settings_changed == 1)
        Text_copy(settings.title_text, sizeof settings.title_text, title_edit_buffer);
    // Without a title position no title is drawn: the new one is kept for
    // later, and the picture stays as it is.
    if (picture_marks.title_shown == 0)
        dialog_host.settings_changed = 0;
}

// --------------------------------------------------------------- Batch

// Batch numbers reach 10000, one digit more than the four the batch texts
// were once limited to: the limits are read with up to five digits, and the
// count is drawn whole (five digits where it has them), pulled left where it
// would leave the dialog.
const int BATCH_DIGITS = 5;

const int COUNT_X = 170, COUNT_Y = 18; // dialog client pixels, right of "Number of batch"

// The count asks to be painted: in the system font on the dialog's face,
// at its place or pulled left where it would leave the control (which
// reaches the dialog's right edge).
INT_PTR Count_draw(HWND dialog, const DRAWITEMSTRUCT *item)
{
    if (item->CtlID != IDC_BATCH_COUNT)
        return FALSE;
    std::snprintf(batch_count_text, sizeof batch_count_text, "%4u",
                  static_cast<unsigned>(work_file.batch_count));
    HDC dc = item->hDC;
    FillRect(dc, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ previous = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    int length = static_cast<int>(std::strlen(batch_count_text));
    SIZE extent;
    GetTextExtentPoint32A(dc, batch_count_text, length, &extent);
    POINT at = {COUNT_X, COUNT_Y};
    MapWindowPoints(dialog, item->hwndItem, &at, 1);
    if (at.x + extent.cx > item->rcItem.right)
        at.x = item->rcItem.right - extent.cx;
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutA(dc, at.x, at.y, batch_count_text, length);
    SelectObject(dc, previous);
    return TRUE;
}

// A limit that is not a whole number, or lies beyond the last batch; 0 means
// no limit.  Returns the limit through `limit`.
bool Limit_bad(const char *text, uint32_t low, uint32_t *limit)
{
    int32_t value = 0;
    if (Int_check(text, BATCH_DIGITS + 1, &value) != 0)
        return true;
    *limit = static_cast<uint32_t>(value);
    return *limit != 0 && (*limit > work_file.batch_count || *limit < low);
}

INT_PTR Batch_ok(HWND dialog)
{
    // The texts stay as read, whatever the checks find.
    GetDlgItemTextA(dialog, IDC_BATCH_FROM, dialog_results.batch_from_text, BATCH_DIGITS + 1);
    GetDlgItemTextA(dialog, IDC_BATCH_TO, dialog_results.batch_to_text, BATCH_DIGITS + 1);
    uint32_t from = 0, to = 0;
    if (Limit_bad(dialog_results.batch_from_text, 0, &from)) {
        Input_error(dialog, "Input Batch(From) ERROR!!");
        return TRUE;
    }
    if (Limit_bad(dialog_results.batch_to_text, from, &to)) {
        Input_error(dialog, "Input Batch(To) ERROR!!");
        return TRUE;
    }
    if (static_cast<int32_t>(from) != display.batch_from ||
        static_cast<int32_t>(to) != display.batch_to)
        dialog_host.settings_changed = 1;
    if (dialog_host.settings_changed == 1) {
        display.batch_from = static_cast<int32_t>(from);
        display.batch_to = static_cast<int32_t>(to);
    }
    // The chosen range applies from now on, also after a Redraw in CALC mode.
    dialog_host.redraw_pressed = 0;
    EndDialog(dialog, 1);
    return TRUE;
}

void Cancel(HWND dialog)
{
    dialog_host.settings_changed = 0;
    EndDialog(dialog, 1);
}

// A dialog whose OK applies what it shows and closes, and whose Cancel
// (also Escape and the close box) closes without a change.
INT_PTR Small_dialog(HWND dialog, UINT message, WPARAM wparam, void (*init)(HWND), void (*ok)(HWND))
{
    if (message == WM_INITDIALOG) {
        init(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wparam) == IDOK) {
        ok(dialog);
        EndDialog(dialog, 1);
    } else if (LOWORD(wparam) == IDCANCEL) {
        Cancel(dialog);
    }
    return TRUE;
}

} // namespace

INT_PTR CALLBACK Particle_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    return Small_dialog(dialog, message, wparam, Particle_init, Particle_ok);
}

INT_PTR CALLBACK Titleset_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    return Small_dialog(dialog, message, wparam, Title_init, Title_ok);
}

INT_PTR CALLBACK History_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_BATCH_FROM, dialog_results.batch_from_text);
        SetDlgItemTextA(dialog, IDC_BATCH_TO, dialog_results.batch_to_text);
        SendDlgItemMessageA(dialog, IDC_BATCH_FROM, EM_LIMITTEXT, BATCH_DIGITS, 0);
        SendDlgItemMessageA(dialog, IDC_BATCH_TO, EM_LIMITTEXT, BATCH_DIGITS, 0);
        return TRUE;
    case WM_DRAWITEM: return Count_draw(dialog, reinterpret_cast<const DRAWITEMSTRUCT *>(lparam));
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK)
            return Batch_ok(dialog);
        if (LOWORD(wparam) == IDCANCEL) {
            Cancel(dialog);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}
