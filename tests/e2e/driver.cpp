// voka_driver: drives the running viewer from a test script, under Wine.
//
//   voka_driver.exe [--title TITLE] [--timeout SECONDS] STEP [+ STEP ...]
//
// Every step is one subcommand with its arguments; several steps may be
// chained in one call with a lone "+" between them (one Wine start instead
// of several).  The first failing step ends the call with status 1 and a line
// on stderr that says what was awaited; a bad command line exits with 2.
//
// Steps (coordinates are client coordinates of the main window; a path that
// begins with "/" is taken as a Linux path and passed on as Z:\...):
//
//   wait-window [TITLE] [SEC]   wait until a visible top-level window has TITLE
//                               (default: the viewer's title)
//   wait-gone [TITLE] [SEC]     wait until no window has TITLE any more
//   wait-idle [SEC]             wait until the viewer has handled everything
//                               queued and painted; fails when a dialog or
//                               message box is open (and prints it)
//   command ID                  post WM_COMMAND ID to the main window
//   button ID                   post BM_CLICK to the strip control ID (a real
//                               click: an auto check box toggles)
//   check ID                    print the check state (0/1) of control ID
//   click X Y                   post a left click at (X, Y)
//   drag X1 Y1 X2 Y2 [STEPS]    post press at 1, moves, release at 2
//   escape                      hold Esc down while the viewer sees a message
//   capture OUT.bmp [X Y W H]   24-bit BMP of the client area or a part of it
//   dialog-open PATH [--yes] [--caption C]
//                               answer the open-file dialog (default caption
//                               "Data file open") with PATH and OK; --yes
//                               confirms the create prompt that follows
//   dialog-cancel [CAPTION]     cancel the dialog with that caption
//   message-box CAPTION         wait for a message box with CAPTION; once the
//                               viewer has settled it must be the box on top:
//                               print its text, close it with its first button
//   message-boxes [SEC]         answer the boxes as they come to the top,
//                               printing "caption: text" for each, until the
//                               settled viewer shows none
//   no-dialog                   fail (printing them) if dialogs are open
//   window-rect                 print "X Y W H" of the main window
//   client-size                 print "W H" of the client area
//   resize W H                  set the outer size of the main window
//   raise                       make the main window the foreground window, on top
//   focus-away                  make a small window of the driver's, far from the
//                               viewer, the foreground window for a moment (the
//                               viewer is deactivated but not covered)
//   close [SEC]                 post WM_CLOSE, wait until the process ended
//   windows                     list the visible top-level windows
//   wait-class CLASS [SEC]      wait until a visible top-level window of CLASS exists
//   close-class CLASS [SEC]     post WM_CLOSE to every top-level window of CLASS
//                               and wait until they are gone
//   hold-file PATH SEC          keep PATH open without sharing for SEC seconds,
//                               so that no other program can open it
//   sleep MS                    pause
//   time-open PATH [SEC]        like dialog-open PATH, then wait until the viewer
//                               has painted (as wait-idle); print the seconds
//                               from the press of OK to the end of that paint
//   resources                   print "gdi N user N": the viewer's GDI and USER
//                               objects (where Wine does not count them: GDI
//                               handles in its table, windows of its thread)
//   time-command ID [SEC]       send WM_COMMAND ID to the main window (it must
//                               not open a dialog), wait until the viewer has
//                               painted; print the seconds from the command to
//                               the end of that paint
//   page-setup, file-name       the steps of driver_output.cpp (see its table)
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver_dialogs.h"
#include "driver_output.h"

namespace {

const char DIALOG_CLASS[] = "#32770";
const int FILE_NAME_COMBO = 0x047c;  // cmb13 of the explorer-style open dialog
const int FILE_NAME_EDIT = 0x0480;   // edt1 of the old-style open dialog

enum { RESULT_OK = 0, RESULT_FAILED = 1, RESULT_USAGE = 2 };

char main_title[256] = "VOKA Graphic for Win32 V1.00";
DWORD default_timeout_ms = 15000;

// Prints "voka_driver: " + before + detail + after and returns RESULT_FAILED.
int Fail(const char *before, const char *detail, const char *after = "")
{
    std::fprintf(stderr, "voka_driver: %s%s%s\n", before, detail, after);
    return RESULT_FAILED;
}

bool Time_left(DWORD start, DWORD limit)
{
    return GetTickCount() - start < limit;
}

DWORD Seconds_arg(int argc, char **argv, int index, DWORD fallback)
{
    if (index >= argc)
        return fallback;
    double seconds = std::atof(argv[index]);
    if (seconds <= 0.0)
        return fallback;
    return static_cast<DWORD>(seconds * 1000.0);
}

// A Linux path ("/tmp/x.pic") becomes the Wine path of drive Z ("Z:\tmp\x.pic");
// anything else is passed on unchanged.
void Windows_path(const char *in, char *out, size_t size)
{
    if (in[0] == '/') {
        std::snprintf(out, size, "Z:%s", in);
        for (char *p = out; *p != '\0'; p++)
            if (*p == '/')
                *p = '\\';
    } else {
        std::snprintf(out, size, "%s", in);
    }
}

HWND Main_window()
{
    HWND window = FindWindowA(nullptr, main_title);
    if (window != nullptr && !IsWindowVisible(window))
        return nullptr;
    return window;
}

int Need_main(HWND *window)
{
    *window = Main_window();
    if (*window == nullptr)
        return Fail("no visible window titled \"", main_title, "\"");
    return RESULT_OK;
}

// The dialogs of the viewer's thread: visible top-level windows of the dialog
// class (open-file dialogs, message boxes, prompts).
struct DialogList {
    HWND items[16];
    int count;
};

BOOL CALLBACK Collect_dialog(HWND window, LPARAM data)
{
    DialogList *list = reinterpret_cast<DialogList *>(data);
    char class_name[64];
    if (!IsWindowVisible(window))
        return TRUE;
    if (GetClassNameA(window, class_name, sizeof class_name) == 0)
        return TRUE;
    if (std::strcmp(class_name, DIALOG_CLASS) != 0)
        return TRUE;
    if (list->count < 16)
        list->items[list->count++] = window;
    return TRUE;
}

void Dialogs_of(HWND main, DialogList *list)
{
    list->count = 0;
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    if (thread != 0)
        EnumThreadWindows(thread, Collect_dialog, reinterpret_cast<LPARAM>(list));
}

HWND Dialog_with_caption(HWND main, const char *caption)
{
    DialogList list;
    Dialogs_of(main, &list);
    for (int i = 0; i < list.count; i++) {
        char text[256];
        GetWindowTextA(list.items[i], text, sizeof text);
        if (std::strcmp(text, caption) == 0)
            return list.items[i];
    }
    return nullptr;
}

// Text of a message box: the first static control that holds text and is
// not an icon.
struct StaticSearch {
    char text[1024];
};

BOOL CALLBACK Find_static_text(HWND child, LPARAM data)
{
    StaticSearch *search = reinterpret_cast<StaticSearch *>(data);
    char class_name[64];
    GetClassNameA(child, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Static") != 0)
        return TRUE;
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON)
        return TRUE;
    char text[1024];
    if (GetWindowTextA(child, text, sizeof text) <= 0)
        return TRUE;
    std::snprintf(search->text, sizeof search->text, "%s", text);
    return FALSE;
}

void Dialog_text(HWND dialog, char *out, size_t size)
{
    StaticSearch search;
    search.text[0] = '\0';
    EnumChildWindows(dialog, Find_static_text, reinterpret_cast<LPARAM>(&search));
    std::snprintf(out, size, "%s", search.text);
}

void Dialogs_print(HWND main, FILE *out)
{
    DialogList list;
    Dialogs_of(main, &list);
    for (int i = 0; i < list.count; i++) {
        char caption[256];
        char text[1024];
        GetWindowTextA(list.items[i], caption, sizeof caption);
        Dialog_text(list.items[i], text, sizeof text);
        std::fprintf(out, "dialog \"%s\": \"%s\"\n", caption, text);
    }
}

// Any part of the main window or of one of its children still waiting for a
// paint.
BOOL CALLBACK Find_update(HWND child, LPARAM data)
{
    if (GetUpdateRect(child, nullptr, FALSE)) {
        *reinterpret_cast<int *>(data) = 1;
        return FALSE;
    }
    return TRUE;
}

bool Paint_pending(HWND main)
{
    if (GetUpdateRect(main, nullptr, FALSE))
        return true;
    int pending = 0;
    EnumChildWindows(main, Find_update, reinterpret_cast<LPARAM>(&pending));
    return pending != 0;
}

// Idle: the thread answers sent messages (so it is in its message loop), no
// paint is pending, and that holds for several rounds in a row (a message
// posted before the first round is handled before the later ones are).
int Wait_idle(DWORD limit)
{
    HWND main;
    if (Need_main(&main) != RESULT_OK)
        return RESULT_FAILED;
    DWORD start = GetTickCount();
    int quiet_rounds = 0;
    while (Time_left(start, limit)) {
        if (!IsWindow(main))
            return Fail("wait-idle: the main window went away", "");
        DialogList list;
        Dialogs_of(main, &list);
        if (list.count > 0) {
            Dialogs_print(main, stderr);
            return Fail("wait-idle: a dialog is open", "");
        }
        DWORD_PTR answer = 0;
        LRESULT sent = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 250, &answer);
        if (std::getenv("VOKA_DRIVER_DEBUG") != nullptr)
            std::fprintf(stderr, "wait-idle %lu ms: sent %d pending %d\n",
                         static_cast<unsigned long>(GetTickCount() - start), sent != 0 ? 1 : 0,
                         Paint_pending(main) ? 1 : 0);
        if (sent != 0 && !Paint_pending(main))
            quiet_rounds++;
        else
            quiet_rounds = 0;
        if (quiet_rounds >= 4)
            return RESULT_OK;
        Sleep(25);
    }
    return Fail("wait-idle: the viewer stayed busy", "");
}

int Wait_window(const char *title, DWORD limit)
{
    DWORD start = GetTickCount();
    while (Time_left(start, limit)) {
        HWND window = FindWindowA(nullptr, title);
        if (window != nullptr && IsWindowVisible(window))
            return RESULT_OK;
        Sleep(50);
    }
    return Fail("no window titled \"", title, "\" appeared");
}

int Wait_gone(const char *title, DWORD limit)
{
    DWORD start = GetTickCount();
    while (Time_left(start, limit)) {
        if (FindWindowA(nullptr, title) == nullptr)
            return RESULT_OK;
        Sleep(50);
    }
    return Fail("the window titled \"", title, "\" did not go away");
}

LPARAM Point_param(int x, int y)
{
    return static_cast<LPARAM>((static_cast<unsigned>(y) & 0xffffu) << 16 |
                               (static_cast<unsigned>(x) & 0xffffu));
}

// Keeps the real pointer where the posted messages say it is, so that the
// pointer moves that the viewer's cursor confinement causes land on the
// same point.
void Pointer_to(HWND main, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(main, &point);
    SetCursorPos(point.x, point.y);
}

int Click(HWND main, int x, int y)
{
    Pointer_to(main, x, y);
    PostMessageA(main, WM_MOUSEMOVE, 0, Point_param(x, y));
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, Point_param(x, y));
    PostMessageA(main, WM_LBUTTONUP, 0, Point_param(x, y));
    return RESULT_OK;
}

int Drag(HWND main, int x1, int y1, int x2, int y2, int steps)
{
    if (steps < 1)
        steps = 1;
    Pointer_to(main, x1, y1);
    PostMessageA(main, WM_MOUSEMOVE, 0, Point_param(x1, y1));
    PostMessageA(main, WM_LBUTTONDOWN, MK_LBUTTON, Point_param(x1, y1));
    for (int i = 1; i <= steps; i++) {
        int x = x1 + (x2 - x1) * i / steps;
        int y = y1 + (y2 - y1) * i / steps;
        Pointer_to(main, x, y);
        PostMessageA(main, WM_MOUSEMOVE, MK_LBUTTON, Point_param(x, y));
        Sleep(5);
    }
    PostMessageA(main, WM_LBUTTONUP, 0, Point_param(x2, y2));
    return RESULT_OK;
}

// Esc is read by the viewer as the asynchronous key state when a message
// arrives: hold the key, let a message arrive, release it.
int Escape(HWND main)
{
    INPUT key;
    std::memset(&key, 0, sizeof key);
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_ESCAPE;
    SendInput(1, &key, sizeof key);
    DWORD_PTR answer = 0;
    PostMessageA(main, WM_NULL, 0, 0);
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer);
    PostMessageA(main, WM_MOUSEMOVE, 0, Point_param(20, 20));
    Sleep(100);
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer);
    key.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof key);
    return RESULT_OK;
}

void Put16(unsigned char *p, unsigned value)
{
    p[0] = static_cast<unsigned char>(value & 0xffu);
    p[1] = static_cast<unsigned char>((value >> 8) & 0xffu);
}

void Put32(unsigned char *p, unsigned long value)
{
    p[0] = static_cast<unsigned char>(value & 0xffu);
    p[1] = static_cast<unsigned char>((value >> 8) & 0xffu);
    p[2] = static_cast<unsigned char>((value >> 16) & 0xffu);
    p[3] = static_cast<unsigned char>((value >> 24) & 0xffu);
}

// Writes a bottom-up 24-bit BMP: 14-byte file header, 40-byte info header,
// rows padded to four bytes.
int Bmp_write(const char *path, const unsigned char *rows, int width, int height, size_t stride)
{
    unsigned char header[54];
    std::memset(header, 0, sizeof header);
    unsigned long image_size = static_cast<unsigned long>(stride) * static_cast<unsigned long>(height);
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, 54 + image_size);
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<unsigned long>(width));
    Put32(header + 22, static_cast<unsigned long>(height));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, image_size);
    Put32(header + 38, 2835);
    Put32(header + 42, 2835);
    FILE *out = std::fopen(path, "wb");
    if (out == nullptr)
        return Fail("cannot write ", path);
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header &&
              std::fwrite(rows, 1, image_size, out) == image_size;
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        return Fail("cannot write ", path);
    return RESULT_OK;
}

int Capture(HWND main, const char *path, int x, int y, int width, int height)
{
    RECT client;
    GetClientRect(main, &client);
    if (width <= 0 || height <= 0) {
        x = 0;
        y = 0;
        width = client.right;
        height = client.bottom;
    }
    if (width <= 0 || height <= 0)
        return Fail("capture: empty client area", "");
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC window_dc = GetDC(main);
    if (window_dc == nullptr)
        return Fail("capture: GetDC failed", "");
    HDC memory_dc = CreateCompatibleDC(window_dc);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int result = RESULT_OK;
    if (bitmap == nullptr || bits == nullptr) {
        result = Fail("capture: CreateDIBSection failed", "");
    } else {
        HGDIOBJ old = SelectObject(memory_dc, bitmap);
        if (!BitBlt(memory_dc, 0, 0, width, height, window_dc, x, y, SRCCOPY))
            result = Fail("capture: BitBlt failed", "");
        GdiFlush();
        SelectObject(memory_dc, old);
        size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
        if (result == RESULT_OK) {
            char file[MAX_PATH];
            Windows_path(path, file, sizeof file);
            result = Bmp_write(file, static_cast<const unsigned char *>(bits), width, height, stride);
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory_dc);
    ReleaseDC(main, window_dc);
    return result;
}

HWND Wait_dialog(HWND main, const char *caption, DWORD limit)
{
    DWORD start = GetTickCount();
    while (Time_left(start, limit)) {
        HWND dialog = Dialog_with_caption(main, caption);
        if (dialog != nullptr)
            return dialog;
        Sleep(30);
    }
    return nullptr;
}

void Press(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button != nullptr)
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

// Waits for the open-file dialog with CAPTION and types PATH into its
// file-name field; *dialog is the dialog.
int Dialog_fill(HWND main, const char *path, const char *caption, DWORD limit, HWND *dialog)
{
    *dialog = Wait_dialog(main, caption, limit);
    if (*dialog == nullptr) {
        Dialogs_print(main, stderr);
        return Fail("no open-file dialog \"", caption, "\" appeared");
    }
    HWND name = GetDlgItem(*dialog, FILE_NAME_COMBO);
    if (name == nullptr)
        name = GetDlgItem(*dialog, FILE_NAME_EDIT);
    if (name == nullptr)
        return Fail("the dialog \"", caption, "\" has no file-name field");
    char file[MAX_PATH];
    Windows_path(path, file, sizeof file);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file), SMTO_NORMAL, 5000, &answer))
        return Fail("the file-name field did not take the text", "");
    return RESULT_OK;
}

int Dialog_open(HWND main, const char *path, const char *caption, bool confirm, DWORD limit)
{
    HWND dialog = nullptr;
    if (Dialog_fill(main, path, caption, limit, &dialog) != RESULT_OK)
        return RESULT_FAILED;
    Press(dialog, IDOK);
    DWORD start = GetTickCount();
    while (Time_left(start, limit)) {
        DialogList list;
        Dialogs_of(main, &list);
        bool open = false;
        for (int i = 0; i < list.count; i++) {
            if (list.items[i] == dialog) {
                open = true;
                continue;
            }
            // A box that the viewer raised after the dialog ended (the dialog
            // may still be going away): the dialog's part is done.
            if (GetWindow(list.items[i], GW_OWNER) != dialog)
                return RESULT_OK;
            // A box of the open dialog itself: the create prompt, or a
            // complaint about the name.
            char text[1024];
            Dialog_text(list.items[i], text, sizeof text);
            if (confirm && GetDlgItem(list.items[i], IDYES) != nullptr) {
                Press(list.items[i], IDYES);
                Sleep(100);
                continue;
            }
            std::fprintf(stderr, "voka_driver: unexpected box: \"%s\"\n", text);
            HWND box = list.items[i];
            Press(box, GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK);
            DWORD closing = GetTickCount();
            while (Time_left(closing, 3000) && IsWindow(box) && IsWindowVisible(box))
                Sleep(30);
            Press(dialog, IDCANCEL);
            closing = GetTickCount();
            while (Time_left(closing, 3000) && IsWindow(dialog) && IsWindowVisible(dialog))
                Sleep(30);
            return Fail("dialog-open: the dialog refused the file name", "");
        }
        if (!open)
            return RESULT_OK;
        Sleep(30);
    }
    return Fail("the dialog \"", caption, "\" did not close");
}

// Seconds on the performance counter.
double Now_seconds()
{
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits as wait-idle does and prints the seconds from START to the first of
// the quiet rounds: the moment the viewer was back in its message loop with
// nothing left to paint.  A quiet round that a later busy one follows was a
// moment between two steps of the viewer's work, not its end.
int Print_paint_time(HWND main, double start, DWORD limit)
{
    DWORD waited_from = GetTickCount();
    int quiet_rounds = 0;
    double end = 0.0;
    while (Time_left(waited_from, limit)) {
        if (!IsWindow(main))
            return Fail("timing: the main window went away", "");
        DialogList list;
        Dialogs_of(main, &list);
        if (list.count > 0) {
            Dialogs_print(main, stderr);
            return Fail("timing: a dialog is open", "");
        }
        // A busy viewer answers once it is back in its message loop.
        DWORD_PTR answer = 0;
        LRESULT sent = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer);
        double now = Now_seconds();
        if (sent != 0 && !Paint_pending(main)) {
            if (quiet_rounds == 0)
                end = now;
            quiet_rounds++;
        } else {
            quiet_rounds = 0;
        }
        if (quiet_rounds >= 4) {
            std::printf("%.3f\n", end - start);
            return RESULT_OK;
        }
        Sleep(quiet_rounds == 0 ? 2 : 25);
    }
    return Fail("timing: the viewer stayed busy", "");
}

// Answers the open-file dialog with PATH and OK, then times the viewer's
// work until it has painted.
int Time_open(HWND main, const char *path, DWORD limit)
{
    const char *caption = "Data file open";
    HWND dialog = nullptr;
    if (Dialog_fill(main, path, caption, limit, &dialog) != RESULT_OK)
        return RESULT_FAILED;
    double start = Now_seconds();
    Press(dialog, IDOK);
    // While the dialog is up the viewer's thread answers from the dialog's
    // loop: wait until it has gone.
    DWORD waited_from = GetTickCount();
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (!Time_left(waited_from, limit))
            return Fail("the dialog \"", caption, "\" did not close");
        Sleep(2);
    }
    return Print_paint_time(main, start, limit);
}

int Dialog_cancel(HWND main, const char *caption, DWORD limit)
{
    HWND dialog = Wait_dialog(main, caption, limit);
    if (dialog == nullptr) {
        Dialogs_print(main, stderr);
        return Fail("no dialog \"", caption, "\" appeared");
    }
    Press(dialog, IDCANCEL);
    DWORD start = GetTickCount();
    while (Time_left(start, limit)) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog))
            return RESULT_OK;
        Sleep(30);
    }
    return Fail("the dialog \"", caption, "\" did not close");
}

// Waits until the viewer's thread answers and nothing of it waits for a
// paint, so that a box about to follow another has appeared.
BOOL CALLBACK Find_update_top(HWND window, LPARAM data)
{
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<int *>(data) = 1;
        return FALSE;
    }
    return TRUE;
}

void Settle(HWND main, DWORD limit)
{
    DWORD start = GetTickCount();
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    int quiet_rounds = 0;
    while (Time_left(start, limit) && quiet_rounds < 4) {
        DWORD_PTR answer = 0;
        LRESULT sent = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 250, &answer);
        int pending = Paint_pending(main) ? 1 : 0;
        if (pending == 0)
            EnumThreadWindows(thread, Find_update_top, reinterpret_cast<LPARAM>(&pending));
        quiet_rounds = (sent != 0 && pending == 0) ? quiet_rounds + 1 : 0;
        Sleep(25);
    }
}

// The topmost visible dialog of the viewer's thread.
HWND Top_dialog(HWND main)
{
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        char class_name[64];
        if (!IsWindowVisible(window) || GetWindowThreadProcessId(window, nullptr) != thread)
            continue;
        if (GetClassNameA(window, class_name, sizeof class_name) != 0 &&
            std::strcmp(class_name, DIALOG_CLASS) == 0)
            return window;
    }
    return nullptr;
}

// Prints the text of a message box (or "caption: text"), closes it with its
// first button and waits until it is gone.
int Answer(HWND box, bool with_caption, DWORD limit)
{
    // The box may still be filling in its controls.
    char text[1024];
    DWORD start = GetTickCount();
    do {
        Dialog_text(box, text, sizeof text);
        if (text[0] != '\0')
            break;
        Sleep(30);
    } while (Time_left(start, 2000));
    char caption[256];
    GetWindowTextA(box, caption, sizeof caption);
    if (with_caption)
        std::printf("%s: %s\n", caption, text);
    else
        std::printf("%s\n", text);
    std::fflush(stdout);
    static const int buttons[] = {IDOK, IDYES, IDCANCEL, IDNO};
    int chosen = IDOK;
    for (int id : buttons)
        if (GetDlgItem(box, id) != nullptr) {
            chosen = id;
            break;
        }
    Press(box, chosen);
    start = GetTickCount();
    while (Time_left(start, limit)) {
        if (!IsWindow(box) || !IsWindowVisible(box))
            return RESULT_OK;
        Sleep(30);
    }
    return Fail("the message box \"", caption, "\" did not close");
}

// Waits for a box with CAPTION; once the viewer has settled, the box on top
// must be one with that caption.
int Message_box(HWND main, const char *caption, DWORD limit)
{
    if (Wait_dialog(main, caption, limit) == nullptr) {
        Dialogs_print(main, stderr);
        return Fail("no message box \"", caption, "\" appeared");
    }
    Settle(main, limit);
    HWND box = Top_dialog(main);
    char top_caption[256] = "";
    if (box != nullptr)
        GetWindowTextA(box, top_caption, sizeof top_caption);
    if (box == nullptr || std::strcmp(top_caption, caption) != 0) {
        Dialogs_print(main, stderr);
        return Fail("the box on top is not \"", caption, "\"");
    }
    return Answer(box, false, limit);
}

// Answers every box as it comes to the top, printing "caption: text" lines,
// until none is left once the viewer has settled.
int Message_boxes(HWND main, DWORD limit)
{
    DWORD start = GetTickCount();
    while (Time_left(start, limit) && Top_dialog(main) == nullptr)
        Sleep(30);
    for (int count = 0; count < 20; count++) {
        Settle(main, limit);
        HWND box = Top_dialog(main);
        if (box == nullptr)
            return RESULT_OK;
        if (Answer(box, true, limit) != RESULT_OK)
            return RESULT_FAILED;
    }
    return Fail("message-boxes: ", "more than 20 boxes in a row");
}

int Close(HWND main, DWORD limit)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(main, &process_id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD start = GetTickCount();
    while (Time_left(start, limit) && IsWindow(main))
        Sleep(30);
    if (IsWindow(main)) {
        if (process != nullptr)
            CloseHandle(process);
        Dialogs_print(main, stderr);
        return Fail("close: the main window stayed", "");
    }
    if (process != nullptr) {
        DWORD spent = GetTickCount() - start;
        DWORD rest = spent < limit ? limit - spent : 0;
        DWORD waited = WaitForSingleObject(process, rest);
        CloseHandle(process);
        if (waited != WAIT_OBJECT_0)
            return Fail("close: the process did not end", "");
    }
    return RESULT_OK;
}

BOOL CALLBACK Print_window(HWND window, LPARAM)
{
    if (!IsWindowVisible(window))
        return TRUE;
    char class_name[128];
    char title[256];
    RECT rect;
    GetClassNameA(window, class_name, sizeof class_name);
    GetWindowTextA(window, title, sizeof title);
    GetWindowRect(window, &rect);
    std::printf("%-24s \"%s\" %ld %ld %ld %ld\n", class_name, title, rect.left, rect.top,
                rect.right - rect.left, rect.bottom - rect.top);
    return TRUE;
}

struct ClassClose {
    const char *class_name;
    int count;
};

BOOL CALLBACK Close_of_class(HWND window, LPARAM data)
{
    ClassClose *job = reinterpret_cast<ClassClose *>(data);
    char class_name[128];
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, job->class_name) == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        job->count++;
    }
    return TRUE;
}

BOOL CALLBACK Count_window(HWND window, LPARAM counter)
{
    ++*reinterpret_cast<DWORD *>(counter);
    if (GetParent(window) == nullptr)   // a top-level window: its descendants too
        EnumChildWindows(window, Count_window, counter);
    return TRUE;
}

// The viewer's GDI and USER objects, as "gdi N user N".  Windows counts them
// for GetGuiResources; Wine answers 0 there.  Then the GDI objects are
// counted in the process's GDI handle table, which Wine, like Windows, keeps
// at the PEB's GdiSharedHandleTable (64-bit PEB offset 0xF8; 65536 entries
// of 24 bytes, an entry in use has a non-zero type at byte 14), read from
// outside; and the USER objects as the windows of the viewer's thread.
int Resources(HWND main)
{
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    DWORD gdi = process ? GetGuiResources(process, GR_GDIOBJECTS) : 0;
    DWORD user = process ? GetGuiResources(process, GR_USEROBJECTS) : 0;
    if (process && gdi == 0) {
        typedef LONG(WINAPI * QueryFn)(HANDLE, int, void *, ULONG, ULONG *);
        QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
        ULONG_PTR basic[6] = {0, 0, 0, 0, 0, 0};   // PROCESS_BASIC_INFORMATION
        UINT64 table = 0;
        static unsigned char entries[65536 * 24];
        if (query && query(process, 0, basic, sizeof basic, nullptr) == 0 &&
            ReadProcessMemory(process, reinterpret_cast<char *>(basic[1]) + 0xF8, &table,
                              sizeof table, nullptr) &&
            ReadProcessMemory(process, reinterpret_cast<void *>(table), entries, sizeof entries, nullptr))
            for (size_t i = 0; i < 65536; i++)
                gdi += entries[i * 24 + 14] != 0;
    }
    if (process && user == 0)
        EnumThreadWindows(thread, Count_window, reinterpret_cast<LPARAM>(&user));
    if (process)
        CloseHandle(process);
    if (gdi == 0 || user == 0)
        return Fail("resources: ", "cannot count the viewer's objects");
    std::printf("gdi %lu user %lu\n", static_cast<unsigned long>(gdi), static_cast<unsigned long>(user));
    return RESULT_OK;
}

bool Int_arg(int argc, char **argv, int index, int *value)
{
    if (index >= argc)
        return false;
    char *end = nullptr;
    long parsed = std::strtol(argv[index], &end, 0);
    if (end == argv[index] || *end != '\0')
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

int Usage(const char *step)
{
    std::fprintf(stderr, "voka_driver: bad arguments for \"%s\"\n", step);
    return RESULT_USAGE;
}

// Runs one step: argv[0] is its name, argc counts it and its arguments.
int Step(int argc, char **argv)
{
    const char *name = argv[0];
    HWND main = nullptr;
    int a = 0, b = 0, c = 0, d = 0;
    if (const DriverStep *output = Output_step(name))
        return output->handler(argc - 1, argv + 1);
    if (const DriverStep *dialog_step = Dialog_step_find(name))
        return dialog_step->handler(argc - 1, argv + 1);

    if (std::strcmp(name, "wait-window") == 0) {
        const char *title = main_title;
        int next = 1;
        if (argc > 1 && std::atof(argv[1]) <= 0.0) {
            title = argv[1];
            next = 2;
        }
        return Wait_window(title, Seconds_arg(argc, argv, next, default_timeout_ms));
    }
    if (std::strcmp(name, "wait-gone") == 0) {
        const char *title = main_title;
        int next = 1;
        if (argc > 1 && std::atof(argv[1]) <= 0.0) {
            title = argv[1];
            next = 2;
        }
        return Wait_gone(title, Seconds_arg(argc, argv, next, default_timeout_ms));
    }
    if (std::strcmp(name, "wait-idle") == 0)
        return Wait_idle(Seconds_arg(argc, argv, 1, default_timeout_ms));
    if (std::strcmp(name, "sleep") == 0) {
        if (!Int_arg(argc, argv, 1, &a))
            return Usage(name);
        Sleep(static_cast<DWORD>(a));
        return RESULT_OK;
    }
    if (std::strcmp(name, "windows") == 0) {
        EnumWindows(Print_window, 0);
        return RESULT_OK;
    }
    if (std::strcmp(name, "wait-class") == 0) {
        if (argc < 2)
            return Usage(name);
        DWORD limit = Seconds_arg(argc, argv, 2, default_timeout_ms);
        DWORD start = GetTickCount();
        while (Time_left(start, limit)) {
            HWND window = FindWindowA(argv[1], nullptr);
            if (window != nullptr && IsWindowVisible(window))
                return RESULT_OK;
            Sleep(50);
        }
        return Fail("no window of class ", argv[1], " appeared");
    }
    if (std::strcmp(name, "close-class") == 0) {
        if (argc < 2)
            return Usage(name);
        DWORD limit = Seconds_arg(argc, argv, 2, default_timeout_ms);
        ClassClose job = {argv[1], 0};
        EnumWindows(Close_of_class, reinterpret_cast<LPARAM>(&job));
        DWORD start = GetTickCount();
        while (Time_left(start, limit)) {
            if (FindWindowA(argv[1], nullptr) == nullptr)
                return RESULT_OK;
            Sleep(50);
        }
        return Fail("the windows of class ", argv[1], " did not close");
    }
    if (std::strcmp(name, "hold-file") == 0) {
        if (argc < 3)
            return Usage(name);
        char file[MAX_PATH];
        Windows_path(argv[1], file, sizeof file);
        HANDLE handle = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return Fail("cannot open ", argv[1]);
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(Seconds_arg(argc, argv, 2, default_timeout_ms));
        CloseHandle(handle);
        return RESULT_OK;
    }

    if (Need_main(&main) != RESULT_OK)
        return RESULT_FAILED;

    if (std::strcmp(name, "command") == 0) {
        if (!Int_arg(argc, argv, 1, &a))
            return Usage(name);
        PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(a), 0);
        return RESULT_OK;
    }
    if (std::strcmp(name, "button") == 0) {
        if (!Int_arg(argc, argv, 1, &a))
            return Usage(name);
        HWND control = GetDlgItem(main, a);
        if (control == nullptr)
            return Fail("no strip control ", argv[1]);
        PostMessageA(control, BM_CLICK, 0, 0);
        return RESULT_OK;
    }
    if (std::strcmp(name, "check") == 0) {
        if (!Int_arg(argc, argv, 1, &a))
            return Usage(name);
        HWND control = GetDlgItem(main, a);
        if (control == nullptr)
            return Fail("no strip control ", argv[1]);
        DWORD_PTR state = 0;
        if (!SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state))
            return Fail("check: no answer", "");
        std::printf("%d\n", state == BST_CHECKED ? 1 : 0);
        return RESULT_OK;
    }
    if (std::strcmp(name, "click") == 0) {
        if (!Int_arg(argc, argv, 1, &a) || !Int_arg(argc, argv, 2, &b))
            return Usage(name);
        return Click(main, a, b);
    }
    if (std::strcmp(name, "drag") == 0) {
        int steps = 8;
        if (!Int_arg(argc, argv, 1, &a) || !Int_arg(argc, argv, 2, &b) ||
            !Int_arg(argc, argv, 3, &c) || !Int_arg(argc, argv, 4, &d))
            return Usage(name);
        if (argc > 5 && !Int_arg(argc, argv, 5, &steps))
            return Usage(name);
        return Drag(main, a, b, c, d, steps);
    }
    if (std::strcmp(name, "escape") == 0)
        return Escape(main);
    if (std::strcmp(name, "capture") == 0) {
        if (argc < 2)
            return Usage(name);
        if (argc == 2)
            return Capture(main, argv[1], 0, 0, 0, 0);
        if (!Int_arg(argc, argv, 2, &a) || !Int_arg(argc, argv, 3, &b) ||
            !Int_arg(argc, argv, 4, &c) || !Int_arg(argc, argv, 5, &d) || c <= 0 || d <= 0)
            return Usage(name);
        return Capture(main, argv[1], a, b, c, d);
    }
    if (std::strcmp(name, "dialog-open") == 0) {
        if (argc < 2)
            return Usage(name);
        const char *caption = "Data file open";
        bool confirm = false;
        for (int i = 2; i < argc; i++) {
            if (std::strcmp(argv[i], "--yes") == 0)
                confirm = true;
            else if (std::strcmp(argv[i], "--caption") == 0 && i + 1 < argc)
                caption = argv[++i];
            else
                return Usage(name);
        }
        return Dialog_open(main, argv[1], caption, confirm, default_timeout_ms);
    }
    if (std::strcmp(name, "time-open") == 0) {
        if (argc < 2)
            return Usage(name);
        return Time_open(main, argv[1], Seconds_arg(argc, argv, 2, default_timeout_ms));
    }
    if (std::strcmp(name, "time-command") == 0) {
        if (!Int_arg(argc, argv, 1, &a))
            return Usage(name);
        DWORD limit = Seconds_arg(argc, argv, 2, default_timeout_ms);
        double start = Now_seconds();
        // Sent, not posted: once it returns the command has been handled,
        // and its paint is pending.
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(main, WM_COMMAND, static_cast<WPARAM>(a), 0, SMTO_NORMAL, limit, &answer))
            return Fail("time-command: the viewer did not take the command", "");
        return Print_paint_time(main, start, limit);
    }
    if (std::strcmp(name, "dialog-cancel") == 0)
        return Dialog_cancel(main, argc > 1 ? argv[1] : "Data file open", default_timeout_ms);
    if (std::strcmp(name, "message-box") == 0) {
        if (argc < 2)
            return Usage(name);
        return Message_box(main, argv[1], default_timeout_ms);
    }
    if (std::strcmp(name, "message-boxes") == 0)
        return Message_boxes(main, Seconds_arg(argc, argv, 1, default_timeout_ms));
    if (std::strcmp(name, "no-dialog") == 0) {
        DialogList list;
        Dialogs_of(main, &list);
        if (list.count == 0)
            return RESULT_OK;
        Dialogs_print(main, stderr);
        return Fail("", name, ": a dialog is open");
    }
    if (std::strcmp(name, "window-rect") == 0) {
        RECT rect;
        GetWindowRect(main, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return RESULT_OK;
    }
    if (std::strcmp(name, "client-size") == 0) {
        RECT rect;
        GetClientRect(main, &rect);
        std::printf("%ld %ld\n", rect.right, rect.bottom);
        return RESULT_OK;
    }
    if (std::strcmp(name, "resize") == 0) {
        if (!Int_arg(argc, argv, 1, &a) || !Int_arg(argc, argv, 2, &b))
            return Usage(name);
        // Asynchronous, so that a busy or modal viewer cannot block the driver.
        SetWindowPos(main, nullptr, 0, 0, a, b,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        return RESULT_OK;
    }
    if (std::strcmp(name, "focus-away") == 0) {
        HWND away = CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "voka_driver", WS_POPUP | WS_VISIBLE,
                                    GetSystemMetrics(SM_CXSCREEN) - 20, GetSystemMetrics(SM_CYSCREEN) - 20,
                                    16, 16, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (away == nullptr)
            return Fail("focus-away: ", "no window");
        SetForegroundWindow(away);
        DWORD start = GetTickCount();
        MSG message;
        while (Time_left(start, 300)) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            Sleep(10);
        }
        DestroyWindow(away);
        return RESULT_OK;
    }
    if (std::strcmp(name, "raise") == 0) {
        SetForegroundWindow(main);
        SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
        return RESULT_OK;
    }
    if (std::strcmp(name, "close") == 0)
        return Close(main, Seconds_arg(argc, argv, 1, default_timeout_ms));
    if (std::strcmp(name, "resources") == 0)
        return Resources(main);

    std::fprintf(stderr, "voka_driver: unknown step \"%s\"\n", name);
    return RESULT_USAGE;
}

}  // namespace

int main(int argc, char **argv)
{
    // Plain "\n" line ends for the shell that reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    int first = 1;
    while (first + 1 < argc && argv[first][0] == '-' && argv[first][1] == '-') {
        if (std::strcmp(argv[first], "--title") == 0) {
            std::snprintf(main_title, sizeof main_title, "%s", argv[first + 1]);
        } else if (std::strcmp(argv[first], "--timeout") == 0) {
            default_timeout_ms = Seconds_arg(argc, argv, first + 1, default_timeout_ms);
        } else {
            break;
        }
        first += 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: voka_driver.exe [--title T] [--timeout SEC] STEP [ARGS] [+ STEP ...]\n");
        return RESULT_USAGE;
    }
    // Steps are separated by a lone "+".
    while (first < argc) {
        int end = first;
        while (end < argc && std::strcmp(argv[end], "+") != 0)
            end++;
        if (end > first) {
            int result = Step(end - first, argv + first);
            std::fflush(stdout);
            if (result != RESULT_OK)
                return result;
        }
        first = end + 1;
    }
    return RESULT_OK;
}
