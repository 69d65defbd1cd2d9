// voka_driver: drives the running viewer from a test script, under Wine.
//
//   voka_driver.exe [--timeout SEC] [--title TITLE] STEP [+ STEP ...]
//
// Every step is one command of the table at the end with its arguments;
// several steps may be chained in one call with a lone "+" between them (one
// Wine start instead of several).  The first failing step ends the call with
// status 1 and a line on stderr that says what was awaited; a bad command
// line exits with 2 and the usage text.  Coordinates are client coordinates
// of the main window; a path that begins with "/" is taken as a Linux path
// (Z:\...); SEC is a time limit in seconds (default 15).  With --title the
// steps that work on the viewer's main window work on the top-level window
// of that title instead (a dialog of the viewer, say): its controls, its
// client area.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/bmp_file.h"

namespace {

const char *main_title = "VOKA Graphic for Win32 V1.00";
const char OPEN_CAPTION[] = "Data file open";
const char DIALOG_CLASS[] = "#32770";
// Controls of the common dialogs: the file-name field of the explorer-style
// and of the old-style file dialog; orientation and paper of page setup.
const int FILE_NAME_COMBO = 0x047c, FILE_NAME_EDIT = 0x0480; // cmb13, edt1
const int PORTRAIT_BUTTON = 0x420, LANDSCAPE_BUTTON = 0x421,
          PAPER_COMBO = 0x471; // rad1, rad2, cmb2

enum { RESULT_OK = 0, RESULT_FAILED = 1, RESULT_USAGE = 2 };

DWORD default_timeout_ms = 15000;
double ok_pressed_at; // when dialog-open pressed OK (performance-counter seconds)

// Prints "voka_driver: " + before + detail + after and returns RESULT_FAILED.
int Fail(const char *before, const char *detail = "", const char *after = "")
{
    std::fprintf(stderr, "voka_driver: %s%s%s\n", before, detail, after);
    return RESULT_FAILED;
}

int Done(bool ok, const char *failure, const char *detail = "")
{
    return ok ? RESULT_OK : Fail(failure, detail);
}

// Polls `condition` until it holds (true) or `limit` ms have passed (false).
template <class Condition>
bool Wait_until(DWORD limit, Condition condition, DWORD pause = 30)
{
    DWORD start = GetTickCount();
    do {
        if (condition())
            return true;
        Sleep(pause);
    } while (GetTickCount() - start < limit);
    return false;
}

bool Shown(HWND window)
{
    return window != nullptr && IsWindow(window) && IsWindowVisible(window);
}

double Now_seconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A message to a window of the viewer, which lives in another process: a
// busy viewer makes it fail instead of hanging the driver.
bool Send(HWND window, UINT message, WPARAM w, LPARAM l, DWORD limit = 5000,
          DWORD_PTR *answer = nullptr)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, w, l, SMTO_NORMAL, limit,
                               answer ? answer : &ignored) != 0;
}

// A Linux path ("/tmp/x.pic") becomes the Wine path of drive Z ("Z:\tmp\x.pic");
// any other path is passed on unchanged.
void Windows_path(const char *in, char *out, size_t size)
{
    bool linux_path = in[0] == '/';
    std::snprintf(out, size, "%s%s", linux_path ? "Z:" : "", in);
    for (char *p = out; linux_path && *p != '\0'; p++)
        if (*p == '/')
            *p = '\\';
}

// What a control shows: its text (asked of the control itself: of another
// process, GetWindowText gives the template's), of a scroll bar its
// position, of a check box its state (0 or 1).
void Control_text(HWND control, char *text, size_t size)
{
    char class_name[64] = "";
    DWORD_PTR state = 0;
    text[0] = '\0';
    GetClassNameA(control, class_name, sizeof class_name);
    LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    if (lstrcmpiA(class_name, "ScrollBar") == 0)
        std::snprintf(text, size, "%d", GetScrollPos(control, SB_CTL));
    else if (lstrcmpiA(class_name, "Button") == 0 &&
             (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX))
        std::snprintf(text, size, "%d",
                      Send(control, BM_GETCHECK, 0, 0, 5000, &state) && state == BST_CHECKED);
    else
        Send(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text));
}

// --- Dialogs and message boxes of the viewer's thread --------------------------

// The visible top-level windows of the dialog class (file dialogs, message
// boxes, the settings dialogs) of the viewer's thread, topmost first.
std::vector<HWND> Dialogs(HWND main)
{
    std::vector<HWND> found;
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        char class_name[64];
        if (IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == thread &&
            GetClassNameA(w, class_name, sizeof class_name) != 0 &&
            std::strcmp(class_name, DIALOG_CLASS) == 0)
            found.push_back(w);
    }
    return found;
}

HWND Top_dialog(HWND main)
{
    std::vector<HWND> open = Dialogs(main);
    return open.empty() ? nullptr : open[0];
}

// The text of a message box: its first static control that holds text and
// is not an icon.
void Dialog_text(HWND dialog, char out[1024])
{
    out[0] = '\0';
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            char class_name[64];
            GetClassNameA(child, class_name, sizeof class_name);
            return lstrcmpiA(class_name, "Static") != 0 ||
                   (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON ||
                   GetWindowTextA(child, reinterpret_cast<char *>(data), 1024) <= 0;
        },
        reinterpret_cast<LPARAM>(out));
}

// Prints the open dialogs to stderr; returns their number.
size_t Dialogs_print(HWND main)
{
    std::vector<HWND> open = Dialogs(main);
    for (HWND dialog : open) {
        char caption[256], text[1024];
        GetWindowTextA(dialog, caption, sizeof caption);
        Dialog_text(dialog, text);
        std::fprintf(stderr, "dialog \"%s\": \"%s\"\n", caption, text);
    }
    return open.size();
}

HWND Wait_dialog(HWND main, const char *caption, DWORD limit)
{
    HWND found = nullptr;
    Wait_until(limit, [&] {
        for (HWND dialog : Dialogs(main)) {
            char text[256];
            GetWindowTextA(dialog, text, sizeof text);
            if (found == nullptr && std::strcmp(text, caption) == 0)
                found = dialog;
        }
        return found != nullptr;
    });
    if (found == nullptr) {
        Dialogs_print(main);
        Fail("no dialog \"", caption, "\" appeared");
    }
    return found;
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

HWND File_name_field(HWND dialog)
{
    HWND name = GetDlgItem(dialog, FILE_NAME_COMBO);
    return name != nullptr ? name : GetDlgItem(dialog, FILE_NAME_EDIT);
}

// --- Waiting for the viewer -----------------------------------------------------

BOOL CALLBACK Find_unpainted(HWND window, LPARAM data)
{
    bool waits = IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE);
    *reinterpret_cast<bool *>(data) |= waits;
    return !waits;
}

BOOL CALLBACK Find_unpainted_tree(HWND window, LPARAM data)
{
    if (Find_unpainted(window, data))
        EnumChildWindows(window, Find_unpainted, data);
    return !*reinterpret_cast<bool *>(data);
}

// Any part of the main window or of its children still waiting for a paint;
// with `whole_thread`, of any visible window of the viewer's thread and its
// controls too.
bool Paint_pending(HWND main, bool whole_thread)
{
    bool pending = false;
    Find_unpainted_tree(main, reinterpret_cast<LPARAM>(&pending));
    if (!pending && whole_thread)
        EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), Find_unpainted_tree,
                          reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Waits until the viewer has handled everything queued and painted: its
// thread answers a sent message (so it is in a message loop) and nothing
// waits for a paint, four rounds in a row (a message posted before the first
// round is handled before the later ones).  `quiet_since` gets the time of
// the first of those rounds: a quiet round that a busy one follows was a
// moment between two steps of the viewer's work, not its end.  `settle`:
// dialogs may be open (the wait then covers every window of the thread, so
// that a box about to follow another has appeared) and running out of time
// is no failure; otherwise an open dialog fails the wait.
int Quiet(HWND main, DWORD limit, bool settle, double *quiet_since = nullptr)
{
    DWORD start = GetTickCount();
    for (int rounds = 0; GetTickCount() - start < limit; Sleep(rounds == 0 ? 2 : 25)) {
        if (!IsWindow(main))
            return Fail("wait: the main window went away");
        if (!settle && Dialogs_print(main) > 0)
            return Fail("wait: a dialog is open");
        bool answered = Send(main, WM_NULL, 0, 0, 250);
        double now = Now_seconds();
        // A preview shown, the whole picture still to come (when the
        // mouse or the window's size rests): the viewer's window property.
        bool whole_due = GetPropA(main, "VokaWholeDue") != nullptr;
        if (!answered || Paint_pending(main, settle) || whole_due)
            rounds = 0;
        else if (rounds++ == 0 && quiet_since != nullptr)
            *quiet_since = now;
        if (rounds >= 4)
            return RESULT_OK;
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
    HWND main; // the viewer's main window (or the --title window), when the command needs it
    int count;
    char **text;
    int number[6]; // the integer arguments (I, i)
    DWORD limit;   // the time limit (t, T), or the default
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

int Drag(const Args &a, int steps)
{
    const int *n = a.number;
    Mouse(a.main, WM_MOUSEMOVE, 0, n[0], n[1]);
    Mouse(a.main, WM_LBUTTONDOWN, MK_LBUTTON, n[0], n[1]);
    for (int i = 1; i <= steps; i++, Sleep(5))
        Mouse(a.main, WM_MOUSEMOVE, MK_LBUTTON, n[0] + (n[2] - n[0]) * i / steps,
              n[1] + (n[3] - n[1]) * i / steps);
    Mouse(a.main, WM_LBUTTONUP, 0, n[2], n[3]);
    return RESULT_OK;
}

// Turning the view by a drag of `frames` moves, each sent (the viewer draws
// its frame before it answers), then the release, which brings the whole
// picture.  Prints "FPS STRIDE SECONDS CLEAR BLIT": frames a second, the
// stride of the last preview frame (the viewer's window property
// VokaPreviewStride), the seconds of the whole picture after the release,
// and the milliseconds of the last preview frame's clearing and blit
// (properties VokaClearUs, VokaBlitUs).
int Time_drag(const Args &a)
{
    const int frames = a.number[0];
    const int x = 100, y = 100;
    if (!Send(a.main, WM_MOUSEMOVE, 0, Point_param(x, y), a.limit) ||
        !Send(a.main, WM_LBUTTONDOWN, MK_LBUTTON, Point_param(x, y), a.limit))
        return Fail("time-drag: the viewer did not take the press");
    double start = Now_seconds();
    for (int i = 1; i <= frames; i++) {
        int dx = 2 * (i % 40 < 20 ? i % 20 : 20 - i % 20);
        if (!Send(a.main, WM_MOUSEMOVE, MK_LBUTTON, Point_param(x + dx, y), a.limit))
            return Fail("time-drag: the viewer did not take a move");
    }
    double dragged = Now_seconds();
    UINT_PTR stride = reinterpret_cast<UINT_PTR>(GetPropA(a.main, "VokaPreviewStride"));
    UINT_PTR clear = reinterpret_cast<UINT_PTR>(GetPropA(a.main, "VokaClearUs"));
    UINT_PTR blit = reinterpret_cast<UINT_PTR>(GetPropA(a.main, "VokaBlitUs"));
    if (!Send(a.main, WM_LBUTTONUP, 0, Point_param(x, y), a.limit))
        return Fail("time-drag: the viewer did not take the release");
    double released = Now_seconds();
    std::printf("%.1f %u %.3f %.1f %.1f\n", frames / (dragged - start),
                static_cast<unsigned>(stride), released - dragged, static_cast<double>(clear) / 1e3,
                static_cast<double>(blit) / 1e3);
    return RESULT_OK;
}

// The mouse brought to rest at (x, y) of the client area; prints the
// seconds until the read-out of a line shows (the viewer waits 0.3 s for
// the mouse to rest, then makes the record index when a rebuild has made
// it stale, then answers).
int Time_readout(const Args &a)
{
    double start = Now_seconds();
    Mouse(a.main, WM_MOUSEMOVE, 0, a.number[0], a.number[1]);
    bool shown = Wait_until(
        a.limit,
        [&] {
            char text[256] = "";
            HWND holder = GetDlgItem(a.main, 103);
            return holder != nullptr &&
                   Send(holder, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)) &&
                   text[0] != '\0';
        },
        2);
    if (!shown)
        return Fail("time-readout: no read-out shown");
    std::printf("%.3f\n", Now_seconds() - start);
    return RESULT_OK;
}

// Sizing the window in `steps` steps from W1 x H1 to W2 x H2, each step
// set at once (the viewer takes the new size before it answers) and
// followed until the window is painted.  Prints "MEAN MAX WHOLE": the
// mean and longest seconds from a size to its paint, and the seconds from
// the last one to the end of the viewer's work (the whole picture).
int Time_resize(const Args &a)
{
    const int *n = a.number;
    const int steps = n[4] > 0 ? n[4] : 1;
    double sum = 0.0, longest = 0.0, last = 0.0;
    for (int i = 1; i <= steps; i++) {
        double start = Now_seconds();
        SetWindowPos(a.main, nullptr, 0, 0, n[0] + (n[2] - n[0]) * i / steps,
                     n[1] + (n[3] - n[1]) * i / steps, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Wait_until(
            a.limit, [&] { return !Paint_pending(a.main, false); }, 1);
        last = Now_seconds();
        sum += last - start;
        longest = last - start > longest ? last - start : longest;
    }
    double end = 0.0;
    if (Quiet(a.main, a.limit, false, &end) != RESULT_OK)
        return RESULT_FAILED;
    std::printf("%.3f %.3f %.3f\n", sum / steps, longest, end - last);
    return RESULT_OK;
}

// Esc is read by the viewer as the asynchronous key state when a message
// arrives: hold the key, let a message arrive, release it.
int Escape(const Args &a)
{
    keybd_event(VK_ESCAPE, 0, 0, 0);
    PostMessageA(a.main, WM_NULL, 0, 0);
    Send(a.main, WM_NULL, 0, 0, 2000);
    PostMessageA(a.main, WM_MOUSEMOVE, 0, Point_param(20, 20));
    Sleep(100);
    Send(a.main, WM_NULL, 0, 0, 2000);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    return RESULT_OK;
}

int Capture(const Args &a)
{
    RECT client;
    GetClientRect(a.main, &client);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = client.bottom; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC window_dc = GetDC(a.main);
    HDC memory = CreateCompatibleDC(window_dc);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool ok = bits != nullptr &&
              BitBlt(memory, 0, 0, client.right, client.bottom, window_dc, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    // The bitmap's rows: bottom-up, blue, green, red, padded to 4 bytes.
    struct Rows {
        const uint8_t *bits;
        size_t row_size, height;
    } rows = {static_cast<const uint8_t *>(bits),
              (static_cast<size_t>(client.right) * 3 + 3) & ~static_cast<size_t>(3),
              static_cast<size_t>(client.bottom)};
    BmpPixelFn pixel = [](const void *context, int32_t x, int32_t y) -> Colour {
        const Rows *r = static_cast<const Rows *>(context);
        const uint8_t *at = r->bits + (r->height - 1 - static_cast<size_t>(y)) * r->row_size +
                            static_cast<size_t>(x) * 3;
        return static_cast<Colour>(at[0]) << 16 | static_cast<Colour>(at[1]) << 8 | at[2];
    };
    char file[MAX_PATH];
    Windows_path(a.text[0], file, sizeof file);
    ok = ok && Bmp_write_24(file, client.right, client.bottom, pixel, &rows) == 0;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(a.main, window_dc);
    return Done(ok, "capture: cannot write ", a.text[0]);
}

// Answers the file dialog CAPTION with PATH ("": the name it offers) and
// OK; `confirm` answers the create prompt that may follow with Yes.  Done
// once the dialog has gone or the viewer raised a box of its own.
int Open_file(const Args &a, bool confirm, const char *caption)
{
    HWND dialog = Wait_dialog(a.main, caption, a.limit);
    if (dialog == nullptr)
        return RESULT_FAILED;
    char file[MAX_PATH];
    Windows_path(a.text[0], file, sizeof file);
    HWND name = File_name_field(dialog);
    if (name == nullptr ||
        (file[0] != '\0' && !Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file))))
        return Fail("the file dialog did not take the file name");
    ok_pressed_at = Now_seconds();
    Press(dialog, IDOK);
    int result = -1;
    char text[1024];
    Wait_until(
        a.limit,
        [&] {
            bool open = false;
            for (HWND box : Dialogs(a.main)) {
                if (result >= 0)
                    break;
                if (box == dialog)
                    open = true;
                // A box that the viewer raised after the dialog ended (the dialog
                // may still be going away): the dialog's part is done.
                else if (GetWindow(box, GW_OWNER) != dialog)
                    result = RESULT_OK;
                else if (confirm && GetDlgItem(box, IDYES) != nullptr)
                    Press(box, IDYES), Sleep(100);
                else { // a complaint about the name
                    Dialog_text(box, text);
                    result = Fail("dialog-open: the dialog refused the file name: ", text);
                }
            }
            if (result < 0 && !open)
                result = RESULT_OK;
            return result >= 0;
        },
        2);
    return result >= 0 ? result : Fail("the file dialog did not close");
}

// Answers every box as it comes to the top, printing "caption: text" (the
// box may still be filling in its controls) and pressing its OK, Yes, Cancel
// or No, the first it has, until none is left once the viewer has settled.
int Message_boxes(const Args &a)
{
    Wait_until(a.limit, [&] { return Top_dialog(a.main) != nullptr; });
    for (int count = 0; count < 20; count++) {
        Quiet(a.main, a.limit, true);
        HWND box = Top_dialog(a.main);
        if (box == nullptr)
            return RESULT_OK;
        char text[1024], caption[256];
        Wait_until(2000, [&] { return Dialog_text(box, text), text[0] != '\0'; });
        GetWindowTextA(box, caption, sizeof caption);
        std::printf("%s: %s\n", caption, text);
        std::fflush(stdout);
        int chosen = IDOK;
        for (int id : {IDNO, IDCANCEL, IDYES, IDOK})
            chosen = GetDlgItem(box, id) != nullptr ? id : chosen;
        Press(box, chosen);
        if (!Closed(box, a.limit))
            return Fail("the message box did not close: ", caption);
    }
    return Fail("message-boxes: more than 20 boxes in a row");
}

// The page-setup dialog (the platform's caption differs from Wine's: it is
// known by its paper list): the orientation a.text[0], the paper a.text[1]
// by its name in the list, then OK.
int Page_setup(const Args &a)
{
    HWND dialog = nullptr;
    Wait_until(a.limit, [&] {
        return (dialog = Top_dialog(a.main)) != nullptr && GetDlgItem(dialog, PAPER_COMBO);
    });
    if (dialog == nullptr || GetDlgItem(dialog, PAPER_COMBO) == nullptr)
        return Fail("no page-setup dialog appeared");
    bool portrait = std::strcmp(a.text[0], "portrait") == 0;
    if (!portrait && std::strcmp(a.text[0], "landscape") != 0)
        return RESULT_USAGE;
    Press(dialog, portrait ? PORTRAIT_BUTTON : LANDSCAPE_BUTTON);
    if (a.count > 1) {
        // The paper list holds the names in the dialog's own (wide) text.
        wchar_t paper[64];
        MultiByteToWideChar(CP_ACP, 0, a.text[1], -1, paper, 64);
        HWND combo = GetDlgItem(dialog, PAPER_COMBO);
        DWORD_PTR index = 0;
        SendMessageTimeoutW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(paper), SMTO_NORMAL, a.limit, &index);
        if (static_cast<LRESULT>(index) == CB_ERR)
            return Fail("no such paper: ", a.text[1]);
        Send(combo, CB_SETCURSEL, index, 0);
        Send(dialog, WM_COMMAND, MAKEWPARAM(PAPER_COMBO, CBN_SELCHANGE),
             reinterpret_cast<LPARAM>(combo));
    }
    Sleep(100);
    Press(dialog, IDOK);
    return Done(Closed(dialog, a.limit), "the page-setup dialog did not close");
}

// Control ID (a.number[0]) of the main window (or the --title window).
// The window's client size, then each child in creation order: class, id,
// place and size in client pixels, and (but for edits, which show values)
// its text.
int Controls(const Args &a)
{
    RECT client;
    GetClientRect(a.main, &client);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    std::vector<HWND> children;
    EnumChildWindows(
        a.main,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        char class_name[64] = "", text[256] = "";
        GetClassNameA(child, class_name, sizeof class_name);
        if (lstrcmpiA(class_name, "Edit") != 0)
            Send(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, a.main, reinterpret_cast<POINT *>(&r), 2);
        std::printf("%s %d %ld %ld %ld %ld %s\n", class_name, GetDlgCtrlID(child), r.left, r.top,
                    r.right - r.left, r.bottom - r.top, text);
    }
    return RESULT_OK;
}

HWND Control(const Args &a)
{
    HWND control = GetDlgItem(a.main, a.number[0]);
    if (control == nullptr)
        Fail("no control ", a.text[0]);
    return control;
}

int Post(HWND window, UINT message, WPARAM w, LPARAM l = 0)
{
    return Done(window != nullptr && PostMessageA(window, message, w, l), "cannot post");
}

// The scroll message that a user's action on bar ID sends to its window.
int Scroll(const Args &a)
{
    static const char *const ACTIONS[] = {"line-left", "line-right", "page-left", "page-right",
                                          "track"};
    static const WORD CODES[] = {SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT,
                                 SB_THUMBTRACK};
    HWND bar = Control(a);
    for (size_t i = 0; i < sizeof CODES / sizeof CODES[0]; i++)
        if (std::strcmp(a.text[1], ACTIONS[i]) == 0)
            return Done(bar != nullptr && Send(a.main, WM_HSCROLL,
                                               MAKEWPARAM(CODES[i], static_cast<WORD>(a.number[2])),
                                               reinterpret_cast<LPARAM>(bar)),
                        "scroll: no answer");
    return RESULT_USAGE;
}

BOOL CALLBACK Count_window(HWND window, LPARAM counter)
{
    ++*reinterpret_cast<DWORD *>(counter);
    if (GetParent(window) == nullptr) // a top-level window: its descendants too
        EnumChildWindows(window, Count_window, counter);
    return TRUE;
}

// The viewer's GDI and USER objects, as "gdi N user N".  Windows counts them
// for GetGuiResources; Wine answers 0 there.  Then the GDI objects are
// counted in the process's GDI handle table, which Wine, like Windows, keeps
// at the PEB's GdiSharedHandleTable (64-bit PEB offset 0xF8; 65536 entries
// of 24 bytes, an entry in use has a non-zero type at byte 14), read from
// outside; and the USER objects as the windows of the viewer's thread.
int Resources(const Args &a)
{
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(a.main, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    DWORD gdi = process ? GetGuiResources(process, GR_GDIOBJECTS) : 0;
    DWORD user = process ? GetGuiResources(process, GR_USEROBJECTS) : 0;
    if (process && gdi == 0) {
        typedef LONG(WINAPI * QueryFn)(HANDLE, int, void *, ULONG, ULONG *);
        QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
        ULONG_PTR basic[6] = {0, 0, 0, 0, 0, 0}; // PROCESS_BASIC_INFORMATION
        UINT64 table = 0;
        static unsigned char entries[65536 * 24];
        if (query && query(process, 0, basic, sizeof basic, nullptr) == 0 &&
            ReadProcessMemory(process, reinterpret_cast<char *>(basic[1]) + 0xF8, &table,
                              sizeof table, nullptr) &&
            ReadProcessMemory(process, reinterpret_cast<void *>(table), entries, sizeof entries,
                              nullptr))
            for (size_t i = 0; i < 65536; i++)
                gdi += entries[i * 24 + 14] != 0;
    }
    if (process && user == 0)
        EnumThreadWindows(thread, Count_window, reinterpret_cast<LPARAM>(&user));
    if (process)
        CloseHandle(process);
    if (gdi == 0 || user == 0)
        return Fail("resources: cannot count the viewer's objects");
    std::printf("gdi %lu user %lu\n", static_cast<unsigned long>(gdi),
                static_cast<unsigned long>(user));
    return RESULT_OK;
}

// Argument letters: I an integer, S a text, T seconds; in lower case the
// argument may be left out (only at the end).  `main`: the command needs the
// viewer's main window (or the --title window).
struct Command {
    const char *name;
    const char *args;
    bool main;
    int (*run)(const Args &a);
    const char *help;
};

const Command COMMANDS[] = {
    {"wait-window", "t", false,
     [](const Args &a) -> int {
         return Done(Wait_until(
                         a.limit, [] { return Shown(FindWindowA(nullptr, main_title)); }, 50),
                     "the viewer's window did not appear");
     },
     "[SEC]  wait until the viewer's window is shown"},
    {"wait-gone", "St", false,
     [](const Args &a) -> int {
         return Done(Wait_until(a.limit, [&] { return !Shown(FindWindowA(nullptr, a.text[0])); }),
                     "still shown: ", a.text[0]);
     },
     "TITLE [SEC]  wait until no window titled TITLE is shown"},
    {"wait-idle", "t", true, [](const Args &a) -> int { return Quiet(a.main, a.limit, false); },
     "[SEC]  wait until the viewer has handled all queued and painted (fails on a dialog)"},
    {"dialog-wait", "St", true,
     [](const Args &a) -> int {
         return Wait_dialog(a.main, a.text[0], a.limit) ? Quiet(a.main, a.limit, true)
                                                        : RESULT_FAILED;
     },
     "CAPTION [SEC]  wait until the dialog CAPTION is up and painted"},
    {"command", "I", true,
     [](const Args &a) -> int {
         return Post(a.main, WM_COMMAND, static_cast<WPARAM>(a.number[0]));
     },
     "ID  post WM_COMMAND ID to the window"},
    {"button", "I", true, [](const Args &a) -> int { return Post(Control(a), BM_CLICK, 0); },
     "ID  click the control ID (a check box toggles)"},
    {"focus", "I", true,
     [](const Args &a) -> int {
         // The dialog moves the focus itself (a window of another thread
         // cannot be given it from here).
         HWND control = Control(a);
         return Done(control != nullptr && PostMessageA(a.main, WM_NEXTDLGCTL,
                                                        reinterpret_cast<WPARAM>(control), TRUE),
                     "focus: no such control");
     },
     "ID  give the dialog control ID the keyboard focus"},
    {"set-text", "IS", true,
     [](const Args &a) -> int {
         // As typing does, the control tells its dialog of the change.
         HWND control = Control(a);
         return Done(control != nullptr &&
                         Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a.text[1])),
                     "set-text: no answer");
     },
     "ID TEXT  set the text of the control ID"},
    {"texts", "Iiiiii", true,
     [](const Args &a) -> int {
         for (int i = 0; i < a.count; i++) {
             char text[256];
             HWND control = GetDlgItem(a.main, a.number[i]);
             if (control == nullptr)
                 return Fail("no control ", a.text[i]);
             Control_text(control, text, sizeof text);
             std::printf("%s%s", text, i + 1 < a.count ? "|" : "\n");
         }
         return RESULT_OK;
     },
     "ID...  print what the controls show (a scroll bar its position, a check box 0/1), joined by "
     "|"},
    {"angles", "", true,
     [](const Args &a) -> int {
         // The angle panel (of the class of the strip's panels) has the
         // angles shown as its text.
         char text[64] = "";
         for (HWND child = GetWindow(a.main, GW_CHILD); child != nullptr && text[0] == '\0';
              child = GetWindow(child, GW_HWNDNEXT)) {
             char class_name[64];
             GetClassNameA(child, class_name, sizeof class_name);
             if (lstrcmpiA(class_name, "MDIClient") == 0)
                 Send(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
         }
         std::printf("%s\n", text);
         return Done(text[0] != '\0', "angles: no panel shows them");
     },
     "print the angles the angle panel shows, \"X Y Z\""},
    {"controls", "", true, Controls,
     "the client size, then each control: class, id, place and size in pixels, text"},
    {"scroll", "ISi", true, Scroll,
     "ID ACTION [POS]  line-left|line-right|page-left|page-right|track on bar ID"},
    {"click", "II", true,
     [](const Args &a) -> int {
         Mouse(a.main, WM_MOUSEMOVE, 0, a.number[0], a.number[1]);
         Mouse(a.main, WM_LBUTTONDOWN, MK_LBUTTON, a.number[0], a.number[1]);
         Mouse(a.main, WM_LBUTTONUP, 0, a.number[0], a.number[1]);
         return RESULT_OK;
     },
     "X Y  post a left click at (X, Y)"},
    {"drag", "IIIIi", true,
     [](const Args &a) -> int { return Drag(a, a.count > 4 && a.number[4] > 0 ? a.number[4] : 8); },
     "X1 Y1 X2 Y2 [STEPS]  post a press at 1, moves (8), a release at 2"},
    {"escape", "", true, Escape, "hold Esc down while the viewer reads a message"},
    {"capture", "S", true, Capture, "OUT.bmp  24-bit BMP of the client area"},
    {"dialog-open", "Ssss", true,
     [](const Args &a) -> int {
         bool confirm = false;
         const char *caption = OPEN_CAPTION;
         for (int i = 1; i < a.count; i++) {
             if (std::strcmp(a.text[i], "--yes") == 0)
                 confirm = true;
             else if (std::strcmp(a.text[i], "--caption") == 0 && i + 1 < a.count)
                 caption = a.text[++i];
             else
                 return RESULT_USAGE;
         }
         return Open_file(a, confirm, caption);
     },
     "PATH [--yes] [--caption C]  answer the file dialog C (default the open dialog) with PATH\n"
     "                (\"\": the name it offers) and OK (--yes: and its create prompt)"},
    {"page-setup", "Ss", true, Page_setup,
     "portrait|landscape [PAPER]  answer the page-setup dialog: orientation, paper (\"A5\"), OK"},
    {"message-boxes", "t", true, Message_boxes,
     "[SEC]  answer the boxes as they reach the top, print \"caption: text\" of each"},
    {"window-rect", "", true,
     [](const Args &a) -> int {
         RECT r;
         GetWindowRect(a.main, &r);
         std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
         return RESULT_OK;
     },
     "print \"X Y W H\" of the window"},
    {"readout", "t", true,
     [](const Args &a) -> int {
         // The viewer's read-out of a line, once it shows: its text, the
         // lines joined by " | ".
         // (the text of the main window's hidden child 103).
         char text[256] = "";
         Wait_until(a.limit, [&] {
             HWND holder = GetDlgItem(a.main, 103);
             text[0] = '\0';
             return holder != nullptr &&
                    Send(holder, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)) &&
                    text[0] != '\0';
         });
         for (char *p = text; *p != '\0'; p++)
             if (*p == '\n')
                 *p = '|';
         std::printf("%s\n", text);
         return Done(text[0] != '\0', "readout: no read-out shown");
     },
     "[SEC]  wait for the read-out of a line and print its text, lines joined by |"},
    {"client-origin", "", true,
     [](const Args &a) -> int {
         POINT origin = {0, 0};
         ClientToScreen(a.main, &origin);
         std::printf("%ld %ld\n", origin.x, origin.y);
         return RESULT_OK;
     },
     "print \"X Y\", the screen position of the client area's top-left corner"},
    {"resize", "II", true,
     [](const Args &a) -> int {
         // Asynchronous, so that a busy or modal viewer cannot block the driver.
         return Done(
             SetWindowPos(a.main, nullptr, 0, 0, a.number[0], a.number[1],
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS) != 0,
             "resize failed");
     },
     "W H  set the outer size of the window"},
    {"maximize", "", true,
     [](const Args &a) -> int {
         return Done(ShowWindowAsync(a.main, SW_MAXIMIZE) != 0, "maximize failed");
     },
     "maximize the window"},
    {"raise", "", true,
     [](const Args &a) -> int {
         SetForegroundWindow(a.main);
         return Done(SetWindowPos(a.main, HWND_TOP, 0, 0, 0, 0,
                                  SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS) != 0,
                     "raise failed");
     },
     "make the window the foreground window, on top"},
    {"close", "t", true,
     [](const Args &a) -> int {
         PostMessageA(a.main, WM_CLOSE, 0, 0);
         if (Wait_until(a.limit, [&] { return !IsWindow(a.main); }))
             return RESULT_OK;
         Dialogs_print(a.main);
         return Fail("close: the main window stayed");
     },
     "[SEC]  post WM_CLOSE and wait until the window is gone"},
    {"windows", "", false,
     [](const Args &) -> int {
         return Done(EnumWindows(
                         [](HWND window, LPARAM) -> BOOL {
                             char class_name[128], title[256] = "";
                             if (IsWindowVisible(window) &&
                                 GetClassNameA(window, class_name, sizeof class_name))
                                 std::printf("%-24s \"%s\"\n", class_name,
                                             (GetWindowTextA(window, title, sizeof title), title));
                             return TRUE;
                         },
                         0) != 0,
                     "windows: cannot list them");
     },
     "list the visible top-level windows, topmost first"},
    {"wait-class", "St", false,
     [](const Args &a) -> int {
         return Done(Wait_until(
                         a.limit, [&] { return Shown(FindWindowA(a.text[0], nullptr)); }, 50),
                     "no window appeared of class ", a.text[0]);
     },
     "CLASS [SEC]  wait until a visible top-level window of CLASS exists"},
    {"close-class", "St", false,
     [](const Args &a) -> int {
         EnumWindows(
             [](HWND window, LPARAM data) -> BOOL {
                 char class_name[128];
                 if (GetClassNameA(window, class_name, sizeof class_name) &&
                     std::strcmp(class_name, reinterpret_cast<const char *>(data)) == 0)
                     PostMessageA(window, WM_CLOSE, 0, 0);
                 return TRUE;
             },
             reinterpret_cast<LPARAM>(a.text[0]));
         return Done(Wait_until(
                         a.limit, [&] { return FindWindowA(a.text[0], nullptr) == nullptr; }, 50),
                     "windows did not close of class ", a.text[0]);
     },
     "CLASS [SEC]  close every top-level window of CLASS and wait until they are gone"},
    {"hold-file", "ST", false,
     [](const Args &a) -> int {
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
     },
     "PATH SEC  keep PATH open without sharing for SEC seconds"},
    {"time-open", "St", true,
     [](const Args &a) -> int {
         // dialog-open waits until the dialog has gone: while it is up, the
         // viewer's thread answers from the dialog's loop.
         int result = Open_file(a, false, OPEN_CAPTION);
         return result != RESULT_OK ? result : Print_paint_time(a.main, ok_pressed_at, a.limit);
     },
     "PATH [SEC]  dialog-open PATH and wait-idle; print the seconds from OK to the paint's end"},
    {"time-command", "It", true,
     [](const Args &a) -> int {
         double start = Now_seconds();
         // Sent, not posted: once it returns the command has been handled,
         // and its paint is pending.
         if (!Send(a.main, WM_COMMAND, static_cast<WPARAM>(a.number[0]), 0, a.limit))
             return Fail("time-command: the viewer did not take the command");
         return Print_paint_time(a.main, start, a.limit);
     },
     "ID [SEC]  send WM_COMMAND ID and wait-idle; print the seconds to the paint's end"},
    {"time-drag", "It", true, Time_drag,
     "FRAMES [SEC]  turn the view by a drag of FRAMES sent moves; print\n"
     "                \"FPS STRIDE SECONDS CLEAR BLIT\""},
    {"time-readout", "IIt", true, Time_readout,
     "X Y [SEC]  rest the mouse at (X, Y); print the seconds until the read-out shows"},
    {"time-resize", "IIIIIt", true, Time_resize,
     "W1 H1 W2 H2 STEPS [SEC]  size the window in STEPS steps; print \"MEAN MAX WHOLE\" seconds"},
    {"resources", "", true, Resources,
     "print \"gdi N user N\": the viewer's GDI and USER objects (under Wine: GDI handles\n"
     "                in its table, windows of its thread)"},
};

int Usage(const char *problem, const char *detail)
{
    std::fprintf(stderr,
                 "voka_driver: %s%s\nusage: voka_driver.exe [--timeout SEC] [--title TITLE] STEP "
                 "[+ STEP ...]\n",
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
        size_t letters = std::strlen(c.args);
        bool good = static_cast<size_t>(a.count) <= letters &&
                    (a.count == static_cast<int>(letters) || c.args[a.count] >= 'a');
        for (int i = 0; i < a.count && good; i++) {
            char *end = nullptr;
            char kind = static_cast<char>(c.args[i] & ~0x20);
            if (kind == 'I')
                a.number[i] = static_cast<int>(std::strtol(a.text[i], &end, 0));
            double seconds = kind == 'T' ? std::strtod(a.text[i], &end) : 0.0;
            good = kind == 'S' || (end != a.text[i] && *end == '\0');
            if (seconds > 0.0)
                a.limit = static_cast<DWORD>(seconds * 1000.0);
        }
        if (good && c.main && !Shown(a.main = FindWindowA(nullptr, main_title)))
            return Fail("no visible window titled \"", main_title, "\"");
        int result = good ? c.run(a) : RESULT_USAGE;
        return result == RESULT_USAGE ? Usage("bad arguments for ", c.name) : result;
    }
    return Usage("unknown step ", argv[0]);
}

} // namespace

int main(int argc, char **argv)
{
    // Plain "\n" line ends for the shell that reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    int first = 1;
    for (; first + 1 < argc && argv[first][0] == '-' && argv[first][1] == '-'; first += 2) {
        if (std::strcmp(argv[first], "--timeout") == 0 && std::atof(argv[first + 1]) > 0.0)
            default_timeout_ms = static_cast<DWORD>(std::atof(argv[first + 1]) * 1000.0);
        else if (std::strcmp(argv[first], "--title") == 0)
            main_title = argv[first + 1];
        else
            return Usage("unknown option ", argv[first]);
    }
    if (first >= argc)
        return Usage("no step", "");
    // Steps are separated by a lone "+".
    for (int end = first; first < argc; first = ++end) {
        while (end < argc && std::strcmp(argv[end], "+") != 0)
            end++;
        int result = end > first ? Step(end - first, argv + first) : RESULT_OK;
        std::fflush(stdout);
        if (result != RESULT_OK)
            return result;
    }
    return RESULT_OK;
}
