// Driver steps for the settings dialogs (see driver_dialogs.h).  Clicks,
// captures and buttons of a dialog are the driver's own steps run with
// --title CAPTION; these add what those cannot do.
#include "driver_dialogs.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum { STEP_OK = 0, STEP_FAILED = 1, STEP_USAGE = 2 };

const DWORD SEND_TIMEOUT_MS = 5000;

HWND Dialog_find(const char *caption)
{
    HWND dialog = FindWindowA("#32770", caption);
    if (dialog == nullptr || !IsWindowVisible(dialog)) {
        std::fprintf(stderr, "voka_driver: no dialog \"%s\"\n", caption);
        return nullptr;
    }
    return dialog;
}

HWND Control_find(const char *caption, const char *id_text, HWND *dialog)
{
    *dialog = Dialog_find(caption);
    if (*dialog == nullptr)
        return nullptr;
    HWND control = GetDlgItem(*dialog, std::atoi(id_text));
    if (control == nullptr)
        std::fprintf(stderr, "voka_driver: dialog \"%s\" has no control %s\n", caption, id_text);
    return control;
}

// Kind of a control as the template names it.
void Control_kind(HWND control, char *out, size_t size)
{
    char class_name[64];
    GetClassNameA(control, class_name, sizeof class_name);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    const char *kind = class_name;
    if (lstrcmpiA(class_name, "Button") == 0) {
        switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON: kind = "push"; break;
        case BS_DEFPUSHBUTTON: kind = "push"; break;   // the default button moves with the focus
        case BS_AUTOCHECKBOX: kind = "autocheck"; break;
        case BS_GROUPBOX: kind = "group"; break;
        case BS_OWNERDRAW: kind = "ownerdraw"; break;
        default: kind = "button?"; break;
        }
    } else if (lstrcmpiA(class_name, "Static") == 0) {
        kind = (style & SS_TYPEMASK) == SS_BLACKFRAME ? "blackframe"
               : (style & SS_TYPEMASK) == SS_LEFT    ? "text"
                                                     : "static?";
    } else if (lstrcmpiA(class_name, "Edit") == 0) {
        kind = (style & ES_AUTOHSCROLL) ? "edit-hscroll" : "edit";
    } else if (lstrcmpiA(class_name, "ScrollBar") == 0) {
        kind = (style & SBS_VERT) ? "vscroll" : "hscroll";
    }
    std::snprintf(out, size, "%s", kind);
}

// What a control shows now: its text (of another process, GetWindowText
// gives the template's), of a scroll bar its position.
void Control_text(HWND control, const char *kind, char *text, size_t size)
{
    DWORD_PTR answer = 0;
    text[0] = '\0';
    if (std::strcmp(kind, "hscroll") == 0)
        std::snprintf(text, size, "%d", GetScrollPos(control, SB_CTL));
    else
        SendMessageTimeoutA(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                            SEND_TIMEOUT_MS, &answer);
}

// Pixels back to dialog units.  A dialog's base units belong to its own
// process, so they are measured on a dialog of the driver in the font every
// template of the viewer names: a dialog drawn in another font then shows
// up with sizes and positions that do not match its template.
struct Units {
    int x, y;
};

INT_PTR CALLBACK Probe_proc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

Units Base_units()
{
    static const wchar_t FONT[] = L"MS Sans Serif";
    alignas(4) WORD buffer[64] = {0};
    DLGTEMPLATE *probe_template = reinterpret_cast<DLGTEMPLATE *>(buffer);
    probe_template->style = DS_SETFONT | WS_POPUP;
    probe_template->cx = probe_template->cy = 10;
    WORD *p = reinterpret_cast<WORD *>(probe_template + 1);
    p += 3;    // no menu, the default class, no caption
    *p++ = 8;  // points
    std::memcpy(p, FONT, sizeof FONT);
    HWND probe = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), probe_template, nullptr, Probe_proc, 0);
    RECT r = {0, 0, 4, 8};
    MapDialogRect(probe, &r);
    DestroyWindow(probe);
    Units u = {r.right, r.bottom};
    return u;
}

void Print_rect(const RECT &r, Units u, bool checked)
{
    std::printf(" %d %d %d %d%s\n", MulDiv(r.left, 4, u.x), MulDiv(r.top, 8, u.y),
                MulDiv(r.right - r.left, 4, u.x), MulDiv(r.bottom - r.top, 8, u.y), checked ? " checked" : "");
}

struct ControlWalk {
    HWND dialog;
    Units units;
};

BOOL CALLBACK Print_control(HWND control, LPARAM data)
{
    const ControlWalk *walk = reinterpret_cast<const ControlWalk *>(data);
    if (GetParent(control) != walk->dialog)
        return TRUE;
    char kind[32];
    char text[256] = "";
    Control_kind(control, kind, sizeof kind);
    Control_text(control, kind, text, sizeof text);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, walk->dialog, reinterpret_cast<POINT *>(&r), 2);
    std::printf("%s %d \"%s\"", kind, static_cast<int16_t>(GetDlgCtrlID(control)), text);
    Print_rect(r, walk->units, std::strcmp(kind, "autocheck") == 0 && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
    return TRUE;
}

// dialog-controls CAPTION: a line "dialog CAPTION X Y W H" (the client
// area's position relative to the owner's client area, and its size), then
// one line "KIND ID TEXT X Y W H" per control (TEXT of a scroll bar: its
// position; a ticked check box ends in " checked"), all in dialog units of
// MS Sans Serif 8 pt.
int Step_dialog_controls(int argc, char **argv)
{
    if (argc != 1)
        return STEP_USAGE;
    HWND dialog = Dialog_find(argv[0]);
    if (dialog == nullptr)
        return STEP_FAILED;
    ControlWalk walk = {dialog, Base_units()};
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, GetWindow(dialog, GW_OWNER), reinterpret_cast<POINT *>(&client), 2);
    std::printf("dialog \"%s\"", argv[0]);
    Print_rect(client, walk.units, false);
    EnumChildWindows(dialog, Print_control, reinterpret_cast<LPARAM>(&walk));
    return STEP_OK;
}

// dialog-set CAPTION ID TEXT: set the control's text (as typing would, the
// control tells the dialog of the change).
int Step_dialog_set(int argc, char **argv)
{
    if (argc != 3)
        return STEP_USAGE;
    HWND dialog;
    HWND control = Control_find(argv[0], argv[1], &dialog);
    DWORD_PTR answer = 0;
    if (control == nullptr ||
        !SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]), SMTO_NORMAL,
                             SEND_TIMEOUT_MS, &answer))
        return STEP_FAILED;
    return STEP_OK;
}

// dialog-scroll CAPTION ID ACTION [POS]: the scroll message a user's action
// on the bar sends to the dialog; ACTION line-left, line-right, page-left,
// page-right, track (with POS) or end.
int Step_dialog_scroll(int argc, char **argv)
{
    static const struct {
        const char *name;
        WORD code;
    } actions[] = {{"line-left", SB_LINELEFT}, {"line-right", SB_LINERIGHT}, {"page-left", SB_PAGELEFT},
                   {"page-right", SB_PAGERIGHT}, {"track", SB_THUMBTRACK},  {"end", SB_ENDSCROLL}};
    if (argc < 3)
        return STEP_USAGE;
    HWND dialog;
    HWND bar = Control_find(argv[0], argv[1], &dialog);
    if (bar == nullptr)
        return STEP_FAILED;
    for (const auto &action : actions) {
        if (std::strcmp(argv[2], action.name) != 0)
            continue;
        WORD position = static_cast<WORD>(argc > 3 ? std::atoi(argv[3]) : 0);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(dialog, WM_HSCROLL, MAKEWPARAM(action.code, position), reinterpret_cast<LPARAM>(bar),
                            SMTO_NORMAL, SEND_TIMEOUT_MS, &answer);
        return STEP_OK;
    }
    return STEP_USAGE;
}

BOOL CALLBACK Find_unpainted(HWND control, LPARAM data)
{
    if (!GetUpdateRect(control, nullptr, FALSE))
        return TRUE;
    *reinterpret_cast<bool *>(data) = true;
    return FALSE;
}

// dialog-wait CAPTION [SEC]: wait until the dialog is up and has painted
// itself, its controls and what it draws over them: for a few rounds in a
// row its thread answers and nothing of it waits for a paint.
int Step_dialog_wait(int argc, char **argv)
{
    if (argc < 1)
        return STEP_USAGE;
    DWORD limit = static_cast<DWORD>((argc > 1 ? std::atof(argv[1]) : 15.0) * 1000.0);
    DWORD start = GetTickCount();
    int quiet_rounds = 0;
    while (GetTickCount() - start < limit) {
        HWND dialog = FindWindowA("#32770", argv[0]);
        DWORD_PTR answer = 0;
        bool unpainted = false;
        if (dialog != nullptr && IsWindowVisible(dialog) &&
            SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 250, &answer)) {
            unpainted = GetUpdateRect(dialog, nullptr, FALSE) != FALSE;
            EnumChildWindows(dialog, Find_unpainted, reinterpret_cast<LPARAM>(&unpainted));
            quiet_rounds = unpainted ? 0 : quiet_rounds + 1;
        } else {
            quiet_rounds = 0;
        }
        if (quiet_rounds >= 4)
            return STEP_OK;
        Sleep(30);
    }
    std::fprintf(stderr, "voka_driver: no settled dialog \"%s\"\n", argv[0]);
    return STEP_FAILED;
}

} // namespace

const DriverStep DIALOG_STEPS[] = {
    {"dialog-wait", Step_dialog_wait,
     "dialog-wait CAPTION [SEC]   wait until the dialog is up and has painted"},
    {"dialog-controls", Step_dialog_controls,
     "dialog-controls CAPTION     list the dialog and its controls in dialog units"},
    {"dialog-set", Step_dialog_set, "dialog-set CAPTION ID TEXT  set a control's text"},
    {"dialog-scroll", Step_dialog_scroll,
     "dialog-scroll CAPTION ID ACTION [POS]  line-left|line-right|page-left|page-right|track|end"},
    {nullptr, nullptr, nullptr},
};
