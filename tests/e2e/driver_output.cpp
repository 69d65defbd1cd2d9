// Driver steps for Print, Printer Setup and Bitmap File Save: answering the
// page-setup dialog and the name field of a file dialog.
#include "driver_output.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const DWORD WAIT_MS = 15000;
// Controls of the common dialogs.
const int PORTRAIT_BUTTON = 0x420;    // rad1
const int LANDSCAPE_BUTTON = 0x421;   // rad2
const int PAPER_COMBO = 0x471;        // cmb2
const int NAME_COMBO = 0x47c;         // cmb13 of the explorer-style file dialog
const int NAME_EDIT = 0x480;          // edt1 of the old-style one

int Failed(const char *what, const char *detail)
{
    std::fprintf(stderr, "voka_driver: %s%s\n", what, detail);
    return 1;
}

// The first of `captions` (a list ending in nullptr) that a dialog shows,
// waited for.
HWND Dialog_wait(const char *const *captions)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_MS) {
        for (const char *const *c = captions; *c; c++) {
            HWND dialog = FindWindowA("#32770", *c);
            if (dialog && IsWindowVisible(dialog))
                return dialog;
        }
        Sleep(30);
    }
    return nullptr;
}

void Click(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

int Closed(HWND dialog, const char *caption)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_MS) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return 0;
        Sleep(30);
    }
    return Failed("the dialog did not close: ", caption);
}

// page-setup portrait|landscape [PAPER]
int Step_page_setup(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    // The platform's caption, and Wine's.
    static const char *const captions[] = {"Page Setup", "Setup Page", nullptr};
    HWND dialog = Dialog_wait(captions);
    if (!dialog)
        return Failed("no page-setup dialog appeared", "");
    if (std::strcmp(argv[0], "portrait") == 0)
        Click(dialog, PORTRAIT_BUTTON);
    else if (std::strcmp(argv[0], "landscape") == 0)
        Click(dialog, LANDSCAPE_BUTTON);
    else
        return 2;
    if (argc > 1) {
        // The paper list holds the names in the dialog's own (wide) text.
        wchar_t paper[64];
        MultiByteToWideChar(CP_ACP, 0, argv[1], -1, paper, 64);
        HWND combo = GetDlgItem(dialog, PAPER_COMBO);
        DWORD_PTR index = 0;
        SendMessageTimeoutW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(paper), SMTO_NORMAL, WAIT_MS, &index);
        if (static_cast<LRESULT>(index) == CB_ERR)
            return Failed("no such paper: ", argv[1]);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_NORMAL, WAIT_MS, &answer);
        SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(PAPER_COMBO, CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, WAIT_MS, &answer);
    }
    Sleep(100);
    Click(dialog, IDOK);
    return Closed(dialog, "page setup");
}

// file-name CAPTION [--ok | PATH]: print the name that the file dialog
// CAPTION offers.  --ok accepts it; a PATH (a Windows path) is typed in and
// accepted, and the step ends once the dialog has gone or a box of its own
// (a create prompt) shows, leaving that box to the next step.
int Step_file_name(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    const char *const captions[] = {argv[0], nullptr};
    HWND dialog = Dialog_wait(captions);
    if (!dialog)
        return Failed("no dialog appeared: ", argv[0]);
    HWND name = GetDlgItem(dialog, NAME_COMBO);
    if (!name)
        name = GetDlgItem(dialog, NAME_EDIT);
    // Asked of the field itself: another process's edit text is not kept
    // with its window.
    char text[MAX_PATH] = "";
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(name, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        WAIT_MS, &answer);
    std::printf("%s\n", text);
    std::fflush(stdout);
    if (argc < 2)
        return 0;
    if (std::strcmp(argv[1], "--ok") != 0) {
        SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[1]), SMTO_NORMAL,
                            WAIT_MS, &answer);
    }
    Click(dialog, IDOK);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_MS) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return 0;
        HWND box = GetWindow(dialog, GW_ENABLEDPOPUP);
        if (box && box != dialog)
            return 0;
        Sleep(30);
    }
    return Failed("the dialog did not close: ", argv[0]);
}

} // namespace

const DriverStep OUTPUT_STEPS[] = {
    {"page-setup", Step_page_setup,
     "page-setup portrait|landscape [PAPER]  answer the page-setup dialog: the orientation\n"
     "    and the paper by its name in the list (\"A5\"), then OK"},
    {"file-name", Step_file_name,
     "file-name CAPTION [--ok | PATH]  print the name the file dialog CAPTION offers; --ok\n"
     "    accepts it, a Windows PATH is typed in and accepted (a create prompt is left open)"},
    {nullptr, nullptr, nullptr},
};
