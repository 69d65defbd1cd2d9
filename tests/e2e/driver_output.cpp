// Driver steps for Print, Printer Setup and Bitmap File Save: answering the
// page-setup dialog, reading the name a save dialog offers, and covering
// the viewer with a window of the driver's.
#include "driver_output.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char VIEWER_TITLE[] = "VOKA Graphic for Win32 V1.00";
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

// page-setup portrait|landscape|cancel [PAPER]
int Step_page_setup(int argc, char **argv)
{
    if (argc < 1)
        return 2;
    // The platform's caption, and Wine's.
    static const char *const captions[] = {"Page Setup", "Setup Page", nullptr};
    HWND dialog = Dialog_wait(captions);
    if (!dialog)
        return Failed("no page-setup dialog appeared", "");
    if (std::strcmp(argv[0], "cancel") == 0) {
        Click(dialog, IDCANCEL);
        return Closed(dialog, "page setup");
    }
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

// file-name CAPTION [--ok]: print the name in the file dialog's name field;
// --ok then accepts it.
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
    char text[MAX_PATH] = "";
    GetWindowTextA(name, text, sizeof text);
    std::printf("%s\n", text);
    if (argc > 1 && std::strcmp(argv[1], "--ok") == 0) {
        Click(dialog, IDOK);
        return Closed(dialog, argv[0]);
    }
    return 0;
}

// cover X Y W H SEC: a black window of the driver's, always on top, over
// the viewer's client area at (X, Y) for SEC seconds; "covered" is printed
// once it shows.
int Step_cover(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    HWND viewer = FindWindowA(nullptr, VIEWER_TITLE);
    if (!viewer)
        return Failed("no viewer window", "");
    POINT at = {std::atoi(argv[0]), std::atoi(argv[1])};
    ClientToScreen(viewer, &at);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Static", "cover",
                                 WS_POPUP | WS_VISIBLE | SS_BLACKRECT, at.x, at.y,
                                 std::atoi(argv[2]), std::atoi(argv[3]), nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!cover)
        return Failed("cover: no window", "");
    UpdateWindow(cover);
    std::printf("covered\n");
    std::fflush(stdout);
    DWORD start = GetTickCount();
    DWORD limit = static_cast<DWORD>(std::atof(argv[4]) * 1000.0);
    MSG message;
    while (GetTickCount() - start < limit) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(10);
    }
    DestroyWindow(cover);
    return 0;
}

const DriverStep output_steps[] = {
    {"page-setup", Step_page_setup,
     "page-setup portrait|landscape|cancel [PAPER]  answer the page-setup dialog: the\n"
     "    orientation and the paper by its name in the list (\"A5\"), then OK; or Cancel"},
    {"file-name", Step_file_name,
     "file-name CAPTION [--ok]  print the name the file dialog CAPTION offers; --ok accepts it"},
    {"cover", Step_cover,
     "cover X Y W H SEC  a black window always on top over the viewer's client (X, Y)\n"
     "    for SEC seconds; prints \"covered\" once it shows"},
};

} // namespace

const DriverStep *Output_step(const char *name)
{
    for (const DriverStep &step : output_steps)
        if (std::strcmp(step.name, name) == 0)
            return &step;
    return nullptr;
}
