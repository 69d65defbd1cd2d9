// Menu and button commands.  Commands never draw: they change flags, ask
// for a rebuild or a restore of the picture and invalidate; the paint that
// follows does the drawing.  The whole wParam of WM_COMMAND is compared, so
// a notification code in its high word matches no command.
#include "app/app.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "app/output/output.h"
#include "dialogs/dialogs.h"
#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/view.h"
#include "resources/resource_ids.h"

namespace {

HWND console_window;            // the console window last found
UINT_PTR console_launch_result; // what the last start of the interpreter returned

enum { SOURCE_PICTURE = 0, SOURCE_CALC = 1 };

// Arm a title or guide selection.
LRESULT Placing_arm(int16_t *placing)
{
    if (app.picture_selected == 0)
        return 1;
    app.selection_armed = 1;
    *placing = 1;
    Rebuild_request();
    return 0;
}

LRESULT On_expand()
{
    if (app.picture_selected == 1) {
        app.selection_armed = 1;
        display.view_dirty = 1;
        app.zoomed = 1;
        app.render_mode = RENDER_ZOOM;
    }
    if (display.geometry_enabled == 1)
        display.geometry_pending = 1;
    return 0;
}

LRESULT On_normal()
{
    if (app.expand_cancelled == 1 || app.zoomed == 0)
        return 1;
    if (app.picture_selected != 1)
        return 0;
    app.selection_armed = 0;
    app.zoomed = 0;
    app.zoom_selected = 0;
    Rebuild_request(); // at full extents, now that the zoom is off
    Picture_invalidate();
    return 0;
}

// One of the six arrow buttons: direction 0 "<<", 1 ">>"; axis 1, 2, 3.
LRESULT On_angle(int direction, int axis)
{
    Rebuild_request();
    if (Angle_step(direction, axis) != 0)
        return 1;
    Picture_invalidate();
    InvalidateRect(app.angle_panel, nullptr, TRUE);
    InvalidateRect(app.axes_panel, nullptr, TRUE);
    return 0;
}

// Convert the picture file or the calculation output under the wait cursor;
// a failure (already reported) puts the arrow back.  Returns 0 or -1.
int Convert_waiting(HWND window, int source)
{
    SetCursor(app.cursor_wait);
    app.work_path_reported = 0;
    if (Picture_convert(window, source) != 0) {
        SetCursor(app.cursor_arrow);
        return -1;
    }
    return 0;
}

LRESULT On_data_file_open(HWND window)
{
    // What the open dialog changes, kept for a first picture that fails.
    const int16_t was_selected = app.picture_selected;
    const int16_t was_enabled = display.geometry_enabled;
    const int16_t was_pending = display.geometry_pending;
    if (Picture_file_open(window) != 0) {
        Picture_restore();
        return 0;
    }
    std::memset(dialog_results.batch_from_text, 0, sizeof dialog_results.batch_from_text);
    std::memset(dialog_results.batch_to_text, 0, sizeof dialog_results.batch_to_text);
    display.batch_from = 0;
    display.batch_to = 0;
    if (app.calc_mode == 1)
        return 0;
    // When no picture was loaded before, the dialog has marked one as chosen
    // all the same, and a paint during the conversion's message box would
    // try to rebuild it: with no work file and no scene, its own two
    // messages would follow the conversion's and only confuse.  So the
    // picture counts as chosen only once it has been converted, and a
    // failure leaves the window as it was before the open, with the real
    // error alone.
    const bool first = app.view_bitmap_missing == 1;
    if (first)
        app.picture_selected = was_selected;
    if (Convert_waiting(window, SOURCE_PICTURE) != 0) {
        if (first) {
            display.geometry_enabled = was_enabled;
            display.geometry_pending = was_pending;
            display.view_dirty = 0;
        }
        return 0;
    }
    if (first) {
        app.picture_selected = 1;
        display.view_dirty = 1;
        Picture_invalidate();
    }
    View_bitmap_ensure();
    return 0;
}

LRESULT On_geometry_file_open(HWND window)
{
    if (Geometry_file_open(window) != 0) {
        Picture_restore();
        return 0;
    }
    if (app.calc_mode == 1)
        return 0;
    if (dialog_host.settings_changed == 1) {
        Rebuild_request();
        Picture_invalidate();
    } else if (app.view_bitmap_missing == 0) {
        app.restore_view = 1;
        Picture_invalidate();
    }
    if (app.picture_selected == 1 && Convert_waiting(window, SOURCE_PICTURE) != 0)
        return 0;
    View_bitmap_ensure();
    return 0;
}

LRESULT On_geometry_hide(HWND window)
{
    HMENU menu = GetMenu(window);
    UINT state = GetMenuState(menu, IDM_GEOMETRY_HIDE, MF_BYCOMMAND);
    // A newly chosen geometry file that has not been taken over yet.
    if (std::strcmp(display.geometry_path, app.geometry_path_pending) != 0)
        return 0;
    int16_t shown;
    if (state & MF_CHECKED) {
        CheckMenuItem(menu, IDM_GEOMETRY_HIDE, MF_BYCOMMAND | MF_UNCHECKED);
        shown = 1;
    } else {
        CheckMenuItem(menu, IDM_GEOMETRY_HIDE, MF_BYCOMMAND | MF_CHECKED);
        shown = 0;
    }
    if (app.picture_selected == 0)
        return 0;
    display.geometry_enabled = shown;
    display.geometry_pending = shown;
    if (app.calc_mode == 1)
        return 0;
    Rebuild_request();
    Picture_invalidate();
    dialog_host.settings_changed = 0;
    return 0;
}

LRESULT On_redraw(HWND window)
{
    SetCursor(app.cursor_wait);
    dialog_host.redraw_pressed = 1;
    if (app.calc_mode != 1) {
        // Only the off-screen copy is put back; nothing is read again.
        app.restore_view = 1;
        Picture_invalidate();
        UpdateWindow(window);
        return 0;
    }
    if (app.calc_file_ready == 0) {
        Message_show(window, "Not Selected Redraw File.", MESSAGE_CAPTION_ERROR_STATUS,
                     MESSAGE_ICON_EXCLAMATION, 0);
        SetCursor(app.cursor_arrow);
        return 0;
    }
    // The running calculation keeps extending its output file.
    if (Convert_waiting(window, SOURCE_CALC) != 0)
        return 0;
    View_bitmap_ensure();
    app.picture_selected = 1;
    display.view_dirty = 1;
    if (display.geometry_enabled == 1)
        display.geometry_pending = 1;
    Picture_invalidate();
    // The Batch dialog then offers the newest batch as both limits.
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(work_file.batch_count));
    Text_copy(dialog_results.batch_from_text, sizeof dialog_results.batch_from_text, text);
    Text_copy(dialog_results.batch_to_text, sizeof dialog_results.batch_to_text, text);
    return 0;
}

// Console window classes, looked for in this order: Windows 95/98, Windows
// NT and later, and Wine, whose consoles have a class of their own (without
// it a console started under Wine would never be found, and CALC could be
// switched off while the console is still open).
const char *const CONSOLE_CLASSES[] = {"tty", "ConsoleWindowClass", "WineConsoleClass"};

HWND Console_find()
{
    for (const char *name : CONSOLE_CLASSES) {
        HWND found = FindWindowA(name, nullptr);
        if (found)
            return found;
    }
    return nullptr;
}

// Platform id of the running system: 0 Win32s, 1 Windows 95/98, 2 NT.
DWORD Platform_id()
{
    OSVERSIONINFOA version;
    static_assert(sizeof version == 148, "the version record is 148 bytes");
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    version.dwPlatformId = 0;
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996) // GetVersionExA is deprecated, not gone
#endif
    GetVersionExA(&version);
#ifdef _MSC_VER
#pragma warning(pop)
#endif
    return version.dwPlatformId;
}

LRESULT On_calc(HWND window)
{
    (void)window;
    if (console_launch_result > 31) {
        console_window = Console_find();
        if (console_window) {
            // While a console is open the box stays checked.
            SendMessageA(app.calc_button, BM_SETCHECK, BST_CHECKED, 0);
            SetForegroundWindow(console_window);
            return 0;
        }
    }
    dialog_host.redraw_pressed = 0;
    LRESULT check = SendMessageA(app.calc_button, BM_GETCHECK, 0, 0);
    if (check == BST_CHECKED) {
        app.calc_mode = 1;
        // The command interpreter, started with no arguments in the current
        // directory; the user runs the calculation in it.
        const char *interpreter = Platform_id() <= 1 ? "COMMAND.COM" : "CMD.EXE";
        console_launch_result = WinExec(interpreter, SW_SHOWNORMAL);
    } else {
        app.calc_mode = 0;
    }
    return 0;
}

bool File_exists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The user guide: guide\index.html in the program's folder.
void Guide_path(char *path, DWORD size)
{
    DWORD n = GetModuleFileNameA(nullptr, path, size);
    if (n == 0 || n >= size) {
        path[0] = '\0';
        return;
    }
    char *slash = std::strrchr(path, '\\');
    size_t folder = slash ? static_cast<size_t>(slash - path) + 1 : 0;
    std::snprintf(path + folder, size - folder, "%s", "guide\\index.html");
}

// Whether a program is registered to open the page at `path`.  Wine
// registers its own winebrowser, which hands the page to the desktop's
// browser and, when there is none, ends without a word; it counts as none
// here (on Windows no such program is found).
bool Browser_registered(const char *path)
{
    char program[MAX_PATH];
    program[0] = '\0';
    HINSTANCE found = FindExecutableA(path, nullptr, program);
    if (reinterpret_cast<INT_PTR>(found) <= 32 || program[0] == '\0')
        return false;
    const char *name = std::strrchr(program, '\\');
    name = name ? name + 1 : program;
    return lstrcmpiA(name, "winebrowser.exe") != 0;
}

LRESULT On_help(HWND window)
{
    // Help opens the user guide, an HTML page installed beside the program,
    // in the user's web browser.  The help engine of older systems is no
    // longer part of Windows (10 and later), and its files can be read by
    // nothing else; the guide can.  Without a browser to open it, the box
    // says where the page is, so that Help always answers.
    char guide[FULL_PATH_SIZE];
    Guide_path(guide, sizeof guide);
    char text[FULL_PATH_SIZE + 96];
    text[0] = '\0';
    if (!File_exists(guide)) {
        std::snprintf(text, sizeof text, "Help file not found:\n%s", guide);
    } else if (!Browser_registered(guide) ||
               reinterpret_cast<INT_PTR>(
                   ShellExecuteA(window, "open", guide, nullptr, nullptr, SW_SHOWNORMAL)) <= 32) {
        std::snprintf(text, sizeof text,
                      "No web browser opens the user guide.  It is at\n%s\n\n"
                      "Open it in a web browser.",
                      guide);
    }
    if (text[0] != '\0')
        MessageBoxA(window, text, app.title, MB_OK | MB_ICONINFORMATION);
    Picture_restore();
    return 0;
}

// Run a settings dialog on its template, then apply the dialog-closing rule.
void Dialog_run(const char *template_name, DLGPROC procedure, HWND window, int repaint_legend)
{
    DialogBoxParamA(dialog_host.app_instance, template_name, window, procedure, 0);
    Dialog_close_rule(repaint_legend);
}

// Environment.  A work directory changed there (and confirmed by OK) takes
// the work file of the picture chosen last at once: the picture is
// converted into it and then rebuilt, so that correcting a directory after
// "work path not found" brings the picture back by itself, and a directory
// that does not exist is reported when it is chosen.  In CALC mode Redraw
// converts the calculation's output, into the new directory too.
void On_environment(HWND window)
{
    char work_dir_before[WORK_DIR_SIZE];
    Text_copy(work_dir_before, sizeof work_dir_before, settings.work_dir);
    DialogBoxParamA(dialog_host.app_instance, "ENVIRONMENT", window, Environment_proc, 0);
    if (dialog_results.environment_confirmed == 1 &&
        std::strcmp(work_dir_before, settings.work_dir) != 0 && display.picture_path[0] != '\0' &&
        app.calc_mode == 0 && Convert_waiting(window, SOURCE_PICTURE) == 0) {
        app.picture_selected = 1;
        View_bitmap_ensure();
        dialog_host.settings_changed = 1;
    }
    Dialog_close_rule(1);
}

} // namespace

void Dialog_close_rule(int repaint_legend)
{
    if (dialog_host.settings_changed == 1) {
        Rebuild_request();
        if (repaint_legend)
            InvalidateRect(app.legend_panel, nullptr, TRUE);
        Picture_invalidate();
    } else {
        Picture_restore();
    }
    dialog_host.settings_changed = 0;
}

LRESULT On_command(HWND window, WPARAM wparam)
{
    switch (wparam) {
    case IDC_GUIDE_POSITION: return Placing_arm(&picture_marks.guide_placing);
    case IDC_TITLE_POSITION: return Placing_arm(&picture_marks.title_placing);
    case IDC_EXPAND: return On_expand();
    case IDC_NORMAL: return On_normal();
    case IDC_X_PLUS: return On_angle(0, 1);
    case IDC_X_MINUS: return On_angle(1, 1);
    case IDC_Y_PLUS: return On_angle(0, 2);
    case IDC_Y_MINUS: return On_angle(1, 2);
    case IDC_Z_PLUS: return On_angle(0, 3);
    case IDC_Z_MINUS: return On_angle(1, 3);
    case IDC_CALC: return On_calc(window);
    case IDC_REDRAW: return On_redraw(window);
    case IDM_DATA_FILE_OPEN: return On_data_file_open(window);
    case IDM_PRINT: Print_command(window); return 0;
    case IDM_PRINTER_SETUP: Printer_setup_command(window); return 0;
    case IDM_BITMAP_FILE_SAVE: Bitmap_save_command(window); return 0;
    case IDM_SAVE_ANIMATION: Animation_save_command(window); return 0;
    case IDM_END: PostMessageA(window, WM_CLOSE, 0, 0); return 0;
    case IDM_ENVIRONMENT: On_environment(window); return 0;
    case IDM_BATCH: Dialog_run("HISTORY", History_proc, window, 0); return 0;
    case IDM_GEOMETRY_FILE_OPEN: return On_geometry_file_open(window);
    case IDM_GEOMETRY_HIDE: return On_geometry_hide(window);
    case IDM_TITLE: Dialog_run("TITLESET", Titleset_proc, window, 0); return 0;
    case IDM_SELECTION: Dialog_run("PARTICLE", Particle_proc, window, 1); return 0;
    case IDM_HELP: return On_help(window);
    case IDM_COLOUR_BY_ENERGY: On_colour_by(window); return 0;
    case IDM_ENERGY_LIMITS: On_energy_limits(window); return 0;
    default: return 0;
    }
}
