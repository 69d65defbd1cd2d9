// voka_driver: drives the running viewer from a test script, under Wine.
//
//   voka_driver.exe [--timeout SECONDS] STEP [+ STEP ...]
//
// Every step is one command of the table below with its arguments; several
// steps may be chained in one call with a lone "+" between them (one Wine
// start instead of several).  The first failing step ends the call with
// status 1 and a line on stderr that says what was awaited; a bad command
// line exits with 2 and the usage text.  Coordinates are client coordinates
// of the main window; a path that begins with "/" is taken as a Linux path
// and passed on as Z:\...; SEC is a time limit in seconds (default 15).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/win_support.h"

namespace {

const char MAIN_TITLE[] = "VOKA Graphic for Win32 V1.00";
const char OPEN_CAPTION[] = "Data file open";
const char DIALOG_CLASS[] = "#32770";
const int FILE_NAME_COMBO = 0x047c;  // cmb13 of the explorer-style open dialog
const int FILE_NAME_EDIT = 0x0480;   // edt1 of the old-style open dialog
const int QUIET_ROUNDS = 4;

enum { RESULT_OK = 0, RESULT_FAILED = 1, RESULT_USAGE = 2 };

DWORD default_timeout_ms = 15000;

// Prints "voka_driver: " + before + detail + after and returns RESULT_FAILED.
int Fail(const char *before, const char *detail = "", const char *after = "")
{
    std::fprintf(stderr, "voka_driver: %s%s%s\n", before, detail, after);
    return RESULT_FAILED;
}

bool Time_left(DWORD start, DWORD limit)
{
    return GetTickCount() - start < limit;
}

// Polls `condition` until it holds (true) or `limit` ms have passed (false).
template <class Condition> bool Wait_until(DWORD limit, Condition condition, DWORD pause = 30)
{
    DWORD start = GetTickCount();
    do {
        if (condition())
            return true;
        Sleep(pause);
    } while (Time_left(start, limit));
    return false;
}

bool Shown(HWND window)
{
    return window != nullptr && IsWindow(window) && IsWindowVisible(window);
}

// Seconds on the performance counter.
double Now_seconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// --- Dialogs and message boxes of the viewer's thread --------------------------

struct DialogList {
    HWND items[16];
    int count;
};

BOOL CALLBACK Collect_dialog(HWND window, LPARAM data)
{
    DialogList *list = reinterpret_cast<DialogList *>(data);
    char class_name[64];
    if (IsWindowVisible(window) && GetClassNameA(window, class_name, sizeof class_name) != 0 &&
        std::strcmp(class_name, DIALOG_CLASS) == 0 && list->count < 16)
        list->items[list->count++] = window;
    return TRUE;
}

// The visible top-level windows of the dialog class (open-file dialogs,
// message boxes, prompts) of the viewer's thread.
int Dialogs_of(HWND main, DialogList *list)
{
    list->count = 0;
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    if (thread != 0)
        EnumThreadWindows(thread, Collect_dialog, reinterpret_cast<LPARAM>(list));
    return list->count;
}

HWND Dialog_with_caption(HWND main, const char *caption)
{
    DialogList list;
    for (int i = 0, n = Dialogs_of(main, &list); i < n; i++) {
        char text[256];
        GetWindowTextA(list.items[i], text, sizeof text);
        if (std::strcmp(text, caption) == 0)
            return list.items[i];
    }
    return nullptr;
}

HWND Wait_dialog(HWND main, const char *caption, DWORD limit)
{
    HWND dialog = nullptr;
    Wait_until(limit, [&] { return (dialog = Dialog_with_caption(main, caption)) != nullptr; });
    return dialog;
}

// The text of a message box: its first static control that holds text and
// is not an icon.
BOOL CALLBACK Find_static_text(HWND child, LPARAM data)
{
    char class_name[64];
    GetClassNameA(child, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Static") != 0 ||
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        return TRUE;
    return GetWindowTextA(child, reinterpret_cast<char *>(data), 1024) <= 0;
}

void Dialog_text(HWND dialog, char out[1024])
{
    out[0] = '\0';
    EnumChildWindows(dialog, Find_static_text, reinterpret_cast<LPARAM>(out));
}

void Dialogs_print(HWND main)
{
    DialogList list;
    for (int i = 0, n = Dialogs_of(main, &list); i < n; i++) {
        char caption[256], text[1024];
        GetWindowTextA(list.items[i], caption, sizeof caption);
        Dialog_text(list.items[i], text);
        std::fprintf(stderr, "dialog \"%s\": \"%s\"\n", caption, text);
    }
}

void Press(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button != nullptr)
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

bool Closed(HWND window, DWORD limit)
{
    return Wait_until(limit, [&] { return !Shown(window); });
}

// The topmost visible dialog of the viewer's thread.
HWND Top_dialog(HWND main)
{
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        char class_name[64];
        if (IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == thread &&
            GetClassNameA(w, class_name, sizeof class_name) != 0 &&
            std::strcmp(class_name, DIALOG_CLASS) == 0)
            return w;
    }
    return nullptr;
}

// --- Waiting for the viewer -----------------------------------------------------

BOOL CALLBACK Find_update(HWND window, LPARAM data)
{
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<int *>(data) = 1;
        return FALSE;
    }
    return TRUE;
}

// Any part of the main window or of its children still waiting for a paint;
// with `whole_thread`, of any visible window of the viewer's thread too.
bool Paint_pending(HWND main, bool whole_thread)
{
    int pending = GetUpdateRect(main, nullptr, FALSE) ? 1 : 0;
    if (!pending)
        EnumChildWindows(main, Find_update, reinterpret_cast<LPARAM>(&pending));
    if (!pending && whole_thread)
        EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), Find_update,
                          reinterpret_cast<LPARAM>(&pending));
    return pending != 0;
}

// Waits until the viewer has handled everything queued and painted: its
// thread answers a sent message (so it is in a message loop) and nothing
// waits for a paint, for QUIET_ROUNDS rounds in a row (a message posted
// before the first round is handled before the later ones).  `quiet_since`
// gets the time of the first of those rounds: a quiet round that a busy one
// follows was a moment between two steps of the viewer's work, not its end.
// `settle`: boxes may be open (the wait then covers every window of the
// thread, so that a box about to follow another has appeared) and running
// out of time is no failure; otherwise an open dialog fails the wait.
int Quiet(HWND main, DWORD limit, bool settle, double *quiet_since = nullptr)
{
    DWORD start = GetTickCount();
    int rounds = 0;
    while (Time_left(start, limit)) {
        if (!IsWindow(main))
            return Fail("wait: the main window went away");
        DialogList list;
        if (!settle && Dialogs_of(main, &list) > 0) {
            Dialogs_print(main);
            return Fail("wait: a dialog is open");
        }
        DWORD_PTR answer = 0;
        bool answered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 250, &answer) != 0;
        double now = Now_seconds();
        if (answered && !Paint_pending(main, settle)) {
            if (rounds++ == 0 && quiet_since != nullptr)
                *quiet_since = now;
        } else {
            rounds = 0;
        }
        if (rounds >= QUIET_ROUNDS)
            return RESULT_OK;
        Sleep(rounds == 0 ? 2 : 25);
    }
    return settle ? RESULT_OK : Fail("wait: the viewer stayed busy");
}

// Waits as wait-idle does and prints the seconds from START to the end of
// the viewer's work.
int Print_paint_time(HWND main, double start, DWORD limit)
{
    double end = 0.0;
    if (Quiet(main, limit, false, &end) != RESULT_OK)
        return RESULT_FAILED;
    std::printf("%.3f\n", end - start);
    return RESULT_OK;
}

// --- Commands -------------------------------------------------------------------

// The arguments of a step, checked against its command's argument letters.
struct Args {
    HWND main;        // the viewer's main window, when the command needs it
    int count;
    char **text;
    int number[6];    // the integer arguments (I, i)
    DWORD limit;      // the time limit (t, T), or the default
};

LPARAM Point_param(int x, int y)
{
    return static_cast<LPARAM>((static_cast<unsigned>(y) & 0xffffu) << 16 |
                               (static_cast<unsigned>(x) & 0xffffu));
}

// Posts a mouse message at (x, y) and keeps the real pointer there, so that
// the pointer moves that the viewer's cursor confinement causes land on the
// same point.
void Mouse(HWND main, UINT message, WPARAM keys, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(main, &point);
    SetCursorPos(point.x, point.y);
    PostMessageA(main, message, keys, Point_param(x, y));
}

int Click(const Args &a)
{
    Mouse(a.main, WM_MOUSEMOVE, 0, a.number[0], a.number[1]);
    Mouse(a.main, WM_LBUTTONDOWN, MK_LBUTTON, a.number[0], a.number[1]);
    Mouse(a.main, WM_LBUTTONUP, 0, a.number[0], a.number[1]);
    return RESULT_OK;
}

int Drag(const Args &a)
{
    const int *n = a.number;
    int steps = a.count > 4 && n[4] > 0 ? n[4] : 8;
    Mouse(a.main, WM_MOUSEMOVE, 0, n[0], n[1]);
    Mouse(a.main, WM_LBUTTONDOWN, MK_LBUTTON, n[0], n[1]);
    for (int i = 1; i <= steps; i++) {
        Mouse(a.main, WM_MOUSEMOVE, MK_LBUTTON, n[0] + (n[2] - n[0]) * i / steps,
              n[1] + (n[3] - n[1]) * i / steps);
        Sleep(5);
    }
    Mouse(a.main, WM_LBUTTONUP, 0, n[2], n[3]);
    return RESULT_OK;
}

// Esc is read by the viewer as the asynchronous key state when a message
// arrives: hold the key, let a message arrive, release it.
int Escape(const Args &a)
{
    INPUT key;
    std::memset(&key, 0, sizeof key);
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_ESCAPE;
    SendInput(1, &key, sizeof key);
    DWORD_PTR answer = 0;
    PostMessageA(a.main, WM_NULL, 0, 0);
    SendMessageTimeoutA(a.main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer);
    PostMessageA(a.main, WM_MOUSEMOVE, 0, Point_param(20, 20));
    Sleep(100);
    SendMessageTimeoutA(a.main, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &answer);
    key.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof key);
    return RESULT_OK;
}

int Capture(const Args &a)
{
    RECT client;
    GetClientRect(a.main, &client);
    int x = 0, y = 0, w = client.right, h = client.bottom;
    if (a.count == 5)
        x = a.number[1], y = a.number[2], w = a.number[3], h = a.number[4];
    else if (a.count != 1)
        return RESULT_USAGE;
    if (w <= 0 || h <= 0)
        return Fail("capture: empty area");
    HDC window_dc = GetDC(a.main);
    Pixels pixels;
    bool ok = window_dc != nullptr && Dc_pixels(window_dc, x, y, w, h, &pixels);
    if (window_dc != nullptr)
        ReleaseDC(a.main, window_dc);
    if (!ok)
        return Fail("capture: the window's pixels could not be read");
    return Pixels_write(a.text[0], pixels) == 0 ? RESULT_OK : Fail("cannot write ", a.text[0]);
}

// Waits for the open-file dialog with CAPTION and types PATH into its
// file-name field.
HWND Dialog_fill(HWND main, const char *path, DWORD limit)
{
    HWND dialog = Wait_dialog(main, OPEN_CAPTION, limit);
    if (dialog == nullptr) {
        Dialogs_print(main);
        Fail("no open-file dialog \"", OPEN_CAPTION, "\" appeared");
        return nullptr;
    }
    HWND name = GetDlgItem(dialog, FILE_NAME_COMBO);
    if (name == nullptr)
        name = GetDlgItem(dialog, FILE_NAME_EDIT);
    char file[MAX_PATH];
    Windows_path(path, file, sizeof file);
    DWORD_PTR answer = 0;
    if (name == nullptr || !SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file),
                                                SMTO_NORMAL, 5000, &answer)) {
        Fail("the open-file dialog did not take the file name");
        return nullptr;
    }
    return dialog;
}

int Dialog_open(const Args &a)
{
    bool confirm = a.count > 1;
    if (confirm && std::strcmp(a.text[1], "--yes") != 0)
        return RESULT_USAGE;
    HWND dialog = Dialog_fill(a.main, a.text[0], a.limit);
    if (dialog == nullptr)
        return RESULT_FAILED;
    Press(dialog, IDOK);
    DWORD start = GetTickCount();
    while (Time_left(start, a.limit)) {
        DialogList list;
        bool open = false;
        for (int i = 0, n = Dialogs_of(a.main, &list); i < n; i++) {
            HWND box = list.items[i];
            if (box == dialog) {
                open = true;
                continue;
            }
            // A box that the viewer raised after the dialog ended (the dialog
            // may still be going away): the dialog's part is done.
            if (GetWindow(box, GW_OWNER) != dialog)
                return RESULT_OK;
            // A box of the open dialog itself: the create prompt, or a
            // complaint about the name.
            if (confirm && GetDlgItem(box, IDYES) != nullptr) {
                Press(box, IDYES);
                Sleep(100);
                continue;
            }
            char text[1024];
            Dialog_text(box, text);
            std::fprintf(stderr, "voka_driver: unexpected box: \"%s\"\n", text);
            Press(box, GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK);
            Closed(box, 3000);
            Press(dialog, IDCANCEL);
            Closed(dialog, 3000);
            return Fail("dialog-open: the dialog refused the file name");
        }
        if (!open)
            return RESULT_OK;
        Sleep(30);
    }
    return Fail("the dialog \"", OPEN_CAPTION, "\" did not close");
}

int Dialog_cancel(const Args &a)
{
    const char *caption = a.count > 0 ? a.text[0] : OPEN_CAPTION;
    HWND dialog = Wait_dialog(a.main, caption, a.limit);
    if (dialog == nullptr) {
        Dialogs_print(a.main);
        return Fail("no dialog \"", caption, "\" appeared");
    }
    Press(dialog, IDCANCEL);
    return Closed(dialog, a.limit) ? RESULT_OK : Fail("the dialog \"", caption, "\" did not close");
}

// Answers every box as it comes to the top, printing "caption: text" lines,
// until none is left once the viewer has settled.
int Message_boxes(const Args &a)
{
    Wait_until(a.limit, [&] { return Top_dialog(a.main) != nullptr; });
    for (int count = 0; count < 20; count++) {
        Quiet(a.main, a.limit, true);
        HWND box = Top_dialog(a.main);
        if (box == nullptr)
            return RESULT_OK;
        // The box may still be filling in its controls.
        char text[1024], caption[256];
        Wait_until(2000, [&] {
            Dialog_text(box, text);
            return text[0] != '\0';
        });
        GetWindowTextA(box, caption, sizeof caption);
        std::printf("%s: %s\n", caption, text);
        std::fflush(stdout);
        int chosen = IDOK;
        for (int id : {IDNO, IDCANCEL, IDYES, IDOK})
            if (GetDlgItem(box, id) != nullptr)
                chosen = id;
        Press(box, chosen);
        if (!Closed(box, a.limit))
            return Fail("the message box \"", caption, "\" did not close");
    }
    return Fail("message-boxes: more than 20 boxes in a row");
}

// Answers the open-file dialog with PATH and OK, then times the viewer's
// work until it has painted.
int Time_open(const Args &a)
{
    HWND dialog = Dialog_fill(a.main, a.text[0], a.limit);
    if (dialog == nullptr)
        return RESULT_FAILED;
    double start = Now_seconds();
    Press(dialog, IDOK);
    // While the dialog is up the viewer's thread answers from the dialog's
    // loop: wait until it has gone.
    if (!Wait_until(a.limit, [&] { return !Shown(dialog); }, 2))
        return Fail("the dialog \"", OPEN_CAPTION, "\" did not close");
    return Print_paint_time(a.main, start, a.limit);
}

int Time_command(const Args &a)
{
    double start = Now_seconds();
    // Sent, not posted: once it returns the command has been handled, and
    // its paint is pending.
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(a.main, WM_COMMAND, static_cast<WPARAM>(a.number[0]), 0, SMTO_NORMAL,
                             a.limit, &answer))
        return Fail("time-command: the viewer did not take the command");
    return Print_paint_time(a.main, start, a.limit);
}

int Close(const Args &a)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(a.main, &process_id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
    PostMessageA(a.main, WM_CLOSE, 0, 0);
    DWORD start = GetTickCount();
    bool gone = Wait_until(a.limit, [&] { return !IsWindow(a.main); });
    if (!gone)
        Dialogs_print(a.main);
    DWORD spent = GetTickCount() - start;
    bool ended = process == nullptr ||
                 WaitForSingleObject(process, spent < a.limit ? a.limit - spent : 0) == WAIT_OBJECT_0;
    if (process != nullptr)
        CloseHandle(process);
    return !gone ? Fail("close: the main window stayed")
                 : ended ? RESULT_OK : Fail("close: the process did not end");
}

BOOL CALLBACK Print_window(HWND window, LPARAM)
{
    char class_name[128], title[256];
    RECT r;
    if (!IsWindowVisible(window))
        return TRUE;
    GetClassNameA(window, class_name, sizeof class_name);
    GetWindowTextA(window, title, sizeof title);
    GetWindowRect(window, &r);
    std::printf("%-24s \"%s\" %ld %ld %ld %ld\n", class_name, title, r.left, r.top,
                r.right - r.left, r.bottom - r.top);
    return TRUE;
}

BOOL CALLBACK Close_of_class(HWND window, LPARAM data)
{
    char class_name[128];
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, reinterpret_cast<const char *>(data)) == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

int Hold_file(const Args &a)
{
    char file[MAX_PATH];
    Windows_path(a.text[0], file, sizeof file);
    HANDLE handle = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail("cannot open ", a.text[0]);
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(a.limit);
    CloseHandle(handle);
    return RESULT_OK;
}

HWND Strip_control(const Args &a)
{
    HWND control = GetDlgItem(a.main, a.number[0]);
    if (control == nullptr)
        Fail("no strip control ", a.text[0]);
    return control;
}

// Argument letters: I an integer, S a text, T seconds; in lower case the
// argument may be left out (only at the end).
struct Command {
    const char *name;
    const char *args;
    bool needs_main;
    int (*run)(const Args &a);
    const char *help;
};

const Command COMMANDS[] = {
    {"wait-window", "t", false,
     [](const Args &a) -> int {
         return Wait_until(a.limit, [] { return Shown(FindWindowA(nullptr, MAIN_TITLE)); }, 50)
                    ? RESULT_OK : Fail("the viewer's window did not appear");
     },
     "[SEC]  wait until the viewer's window is shown"},
    {"wait-gone", "t", false,
     [](const Args &a) -> int {
         return Wait_until(a.limit, [] { return FindWindowA(nullptr, MAIN_TITLE) == nullptr; }, 50)
                    ? RESULT_OK : Fail("the viewer's window did not go away");
     },
     "[SEC]  wait until the viewer's window is gone"},
    {"wait-idle", "t", true, [](const Args &a) -> int { return Quiet(a.main, a.limit, false); },
     "[SEC]  wait until the viewer has handled all queued and painted (fails on a dialog)"},
    {"command", "I", true,
     [](const Args &a) -> int {
         PostMessageA(a.main, WM_COMMAND, static_cast<WPARAM>(a.number[0]), 0);
         return RESULT_OK;
     },
     "ID  post WM_COMMAND ID to the main window"},
    {"button", "I", true,
     [](const Args &a) -> int {
         HWND control = Strip_control(a);
         return control != nullptr && PostMessageA(control, BM_CLICK, 0, 0) ? RESULT_OK : RESULT_FAILED;
     },
     "ID  click the strip control ID (a check box toggles)"},
    {"check", "I", true,
     [](const Args &a) -> int {
         HWND control = Strip_control(a);
         DWORD_PTR state = 0;
         if (control == nullptr || !SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, 5000, &state))
             return Fail("check: no answer");
         std::printf("%d\n", state == BST_CHECKED ? 1 : 0);
         return RESULT_OK;
     },
     "ID  print the check state (0/1) of the strip control ID"},
    {"click", "II", true, Click, "X Y  post a left click at (X, Y)"},
    {"drag", "IIIIi", true, Drag, "X1 Y1 X2 Y2 [STEPS]  post a press at 1, moves, a release at 2"},
    {"escape", "", true, Escape, "hold Esc down while the viewer reads a message"},
    {"capture", "Siiii", true, Capture, "OUT.bmp [X Y W H]  24-bit BMP of the client area or a part"},
    {"dialog-open", "Ss", true, Dialog_open,
     "PATH [--yes]  answer the open-file dialog with PATH and OK (--yes: and the create prompt)"},
    {"dialog-cancel", "s", true, Dialog_cancel, "[CAPTION]  cancel the dialog (default: the open-file one)"},
    {"message-boxes", "t", true, Message_boxes,
     "[SEC]  answer the boxes as they reach the top, print \"caption: text\" of each"},
    {"window-rect", "", true,
     [](const Args &a) -> int {
         RECT r;
         GetWindowRect(a.main, &r);
         std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
         return RESULT_OK;
     },
     "print \"X Y W H\" of the main window"},
    {"resize", "II", true,
     [](const Args &a) -> int {
         // Asynchronous, so that a busy or modal viewer cannot block the driver.
         SetWindowPos(a.main, nullptr, 0, 0, a.number[0], a.number[1],
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
         return RESULT_OK;
     },
     "W H  set the outer size of the main window"},
    {"raise", "", true,
     [](const Args &a) -> int {
         SetForegroundWindow(a.main);
         SetWindowPos(a.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
         return RESULT_OK;
     },
     "make the main window the foreground window, on top"},
    {"close", "t", true, Close, "[SEC]  post WM_CLOSE, wait until the viewer's process ended"},
    {"windows", "", false,
     [](const Args &) -> int {
         EnumWindows(Print_window, 0);
         return RESULT_OK;
     },
     "list the visible top-level windows, topmost first"},
    {"wait-class", "St", false,
     [](const Args &a) -> int {
         return Wait_until(a.limit, [&] { return Shown(FindWindowA(a.text[0], nullptr)); }, 50)
                    ? RESULT_OK : Fail("no window of class ", a.text[0], " appeared");
     },
     "CLASS [SEC]  wait until a visible top-level window of CLASS exists"},
    {"close-class", "St", false,
     [](const Args &a) -> int {
         EnumWindows(Close_of_class, reinterpret_cast<LPARAM>(a.text[0]));
         return Wait_until(a.limit, [&] { return FindWindowA(a.text[0], nullptr) == nullptr; }, 50)
                    ? RESULT_OK : Fail("the windows of class ", a.text[0], " did not close");
     },
     "CLASS [SEC]  close every top-level window of CLASS and wait until they are gone"},
    {"hold-file", "ST", false, Hold_file, "PATH SEC  keep PATH open without sharing for SEC seconds"},
    {"time-open", "St", true, Time_open,
     "PATH [SEC]  dialog-open PATH and wait-idle; print the seconds from OK to the paint's end"},
    {"time-command", "It", true, Time_command,
     "ID [SEC]  send WM_COMMAND ID and wait-idle; print the seconds to the paint's end"},
};

int Usage(const char *problem, const char *detail)
{
    std::fprintf(stderr, "voka_driver: %s%s\nusage: voka_driver.exe [--timeout SEC] STEP [+ STEP ...]\n",
                 problem, detail);
    for (const Command &c : COMMANDS)
        std::fprintf(stderr, "  %-13s %s\n", c.name, c.help);
    return RESULT_USAGE;
}

// Runs one step: argv[0] is its name, argc counts it and its arguments.
int Step(int argc, char **argv)
{
    for (const Command &c : COMMANDS) {
        if (std::strcmp(argv[0], c.name) != 0)
            continue;
        Args a = {nullptr, argc - 1, argv + 1, {0}, default_timeout_ms};
        int letters = static_cast<int>(std::strlen(c.args));
        bool good = a.count <= letters && (a.count == letters || (c.args[a.count] >= 'a'));
        for (int i = 0; i < a.count && good; i++) {
            char *end = nullptr;
            double value = std::strtod(a.text[i], &end);
            bool number = end != a.text[i] && *end == '\0';
            char kind = static_cast<char>(c.args[i] & ~0x20);
            if (kind == 'I') {
                a.number[i] = static_cast<int>(std::strtol(a.text[i], &end, 0));
                good = *end == '\0' && end != a.text[i];
            } else if (kind == 'T') {
                good = number;
                if (value > 0.0)
                    a.limit = static_cast<DWORD>(value * 1000.0);
            }
        }
        if (!good)
            return Usage("bad arguments for ", c.name);
        if (c.needs_main) {
            a.main = FindWindowA(nullptr, MAIN_TITLE);
            if (!Shown(a.main))
                return Fail("no visible window titled \"", MAIN_TITLE, "\"");
        }
        int result = c.run(a);
        return result == RESULT_USAGE ? Usage("bad arguments for ", c.name) : result;
    }
    return Usage("unknown step ", argv[0]);
}

}  // namespace

int main(int argc, char **argv)
{
    // Plain "\n" line ends for the shell that reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--timeout") == 0) {
        if (std::atof(argv[2]) > 0.0)
            default_timeout_ms = static_cast<DWORD>(std::atof(argv[2]) * 1000.0);
        first = 3;
    }
    if (first >= argc)
        return Usage("no step", "");
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
