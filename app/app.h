// The window program: start-up and message loop, the main window procedure
// with its paint path and off-screen copy of the picture, the control strip,
// mouse selection, menu and button commands and the file-open dialogs.
// State that more than one of these files (or the dialogs and the output
// commands) use is declared here; what one file alone uses is private to it,
// and the portable state (settings, layout, view) lives in the core headers.
#ifndef VOKA_APP_H
#define VOKA_APP_H

#include <windows.h>

#include <cstdint>

#include "dialogs/dialog_host.h" // the part of the state the dialogs share
#include "picture/settings.h"

enum { APP_TITLE_SIZE = 30 };

// The window program's state that more than one of its files use.
struct WindowProgram {
    // Start-up.
    char title[APP_TITLE_SIZE]; // string 1: window class name and title
    HWND main_window;

    // Shared flags (0 or 1).
    int16_t picture_selected;   // a picture file has been chosen
    int32_t calc_mode;          // the CALC box is checked
    int16_t calc_file_ready;    // a calculation output file has been named and created
    int16_t selection_armed;    // a mouse selection (Expand, title, guide) is armed
    int16_t work_path_reported; // "work path not found" told since the last conversion

    // A geometry file chosen in the dialog, taken over into geometry_path
    // when it differs from the one in use.
    char geometry_path_pending[PATH_SIZE];

    // Window and paint.
    uint32_t view_bitmap_missing = 1; // 1 until the first picture load
    uint32_t restore_view;            // the next paint copies the off-screen picture back
    uint32_t render_mode;             // RENDER_FULL, RENDER_ZOOM, RENDER_KEEP
    uint32_t zoomed;                  // Expand is in force
    uint32_t expand_cancelled;        // Esc ended an Expand without a rectangle
    HCURSOR cursor_arrow, cursor_wait, cursor_cross, cursor_select;

    // The strip.
    HWND legend_panel, angle_panel, axes_panel;
    HWND calc_button;

    // Selection: a zoom rectangle has been chosen since Normal.
    uint32_t zoom_selected;

    // The next rebuild draws every rebuild_stride-th track (a preview while
    // the mouse turns the view); back to 1 after every paint.
    uint32_t rebuild_stride = 1;

    // The off-screen copy of the picture area (paint_steps.cpp): a DIB
    // section whose rows the rebuild draws on (view_rows), or when none can
    // be had a bitmap compatible with the window (view_rows nullptr).
    HBITMAP view_bitmap;
    Colour *view_rows;
    // Set while a rebuild runs.  A message box raised by the renderers (a
    // work file that cannot be read) runs a modal loop in which this window
    // may be painted again; that paint must not start a second rebuild of
    // its own.
    bool rebuilding;
    // Messages shown so far (a rebuild that raised one made no record index).
    uint32_t messages_shown;
};
extern WindowProgram app;

LRESULT CALLBACK Main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The message hook of the core: a message box owned by the given window.  A
// box raised while a paint rebuilds the picture is kept from setting off
// another paint of the window.
void App_message(WindowRef window, const char *text, const char *caption, int icon, int flags);

// Copy the off-screen picture onto the picture area of `dc` (client
// coordinates), as a paint that restores the picture does; only while
// view_bitmap_missing is 0.  Print and Bitmap File Save take the picture
// from here rather than from the screen, where another window may cover it.
void Picture_copy_back(HDC dc);

// The four named steps of the paint path.
void Rebuild_request();
void Picture_invalidate();
void Picture_restore();
void View_bitmap_ensure();
// A new off-screen picture of the layout's bitmap size.
void View_bitmap_replace(HWND window);

// ------------------------------------------------------------ strip
enum { STRIP_CREATE = 1, STRIP_MOVE = 0 };
void Strip_create(HWND window, int mode);

// Paint the picture background, frame, angle box and the three panels on
// the main window's paint context.
void Panel_draw(HWND window, HDC dc);
// The part of that on the main window's own client area (no panels), on any
// context in client coordinates; Print and Bitmap File Save compose their
// image with it.
void Panel_main_paint(HDC dc);

// -------------------------------------------------------- selection
void Selection_button_down(HWND window, LPARAM lparam);
void Selection_mouse_move(HWND window, LPARAM lparam);
void Selection_button_up(HWND window, LPARAM lparam);
// The cursor of an armed selection: the cross-hair on white, else CURSOR_1.
void Selection_cursor_set();
// Esc: give up an armed selection (called by the message loop).
void Selection_cancel();
// The mouse capture went to `new_owner`: a drag of another window's is
// given up.
void Selection_capture_lost(HWND window, HWND new_owner);

// ------------------------------------------------- turning and zooming
// A rebuild with that stride took `seconds`, of which `fixed` (clearing,
// the blit) no stride shortens: the stride of the next preview follows.
void Rebuild_timed(uint32_t stride, double seconds, double fixed);

// Resizing: WM_SIZE asks Size_changed for the stride of the paint of the
// new size (a preview when a picture is shown); the whole picture follows
// when the size has rested a moment (Turn_timer).
uint32_t Size_changed(HWND window);

// The left button, the mouse moves and the release in the picture area
// when no selection is armed: turning the view.  Each returns whether it
// took the message.
bool Turn_button_down(HWND window, LPARAM lparam);
bool Turn_mouse_move(HWND window, LPARAM lparam);
bool Turn_button_up(HWND window);
// The mouse capture went elsewhere, or the timer of a resting mouse or
// of a size that rests.
void Turn_capture_lost(HWND window);
void Turn_timer(HWND window, WPARAM id);

// The wheel: one notch zooms in (or out) 1.25 times about the cursor.
void On_wheel(HWND window, WPARAM wparam, LPARAM lparam);

// The arrow keys and Page Up / Page Down on the main window or its strip
// (called by the message loop): turn by the angle change value.  Returns
// whether the key was taken.
bool Key_turn(const MSG *msg);

// ------------------------------------------------------------ read-out
// Resting the mouse over a line of the picture shows what it is: the
// mouse moves (no button, no selection), the timer of a resting mouse, the
// mouse leaving the window.  Readout_forget before every rebuild: the
// record index is made again at the next rest, unless drawn with the
// picture.
void Readout_mouse_move(HWND window, WPARAM wparam, LPARAM lparam);
void Readout_timer(HWND window, WPARAM id);
void Readout_leave(HWND window);
void Readout_forget();
// The record index of the picture shown, made now if it is not yet.
void Readout_index_prepare(HWND window);

// ------------------------------------------------------------ colours
// The choice of colour by particle or energy and its limits, from
// "vokagraphic.ini" beside the info file (start-up); the menu item
// "Colour by particle / energy" and the Energy limits dialog.
void Colouring_load(HWND window);
void On_colour_by(HWND window);
void On_energy_limits(HWND window);

// --------------------------------------------------------- commands
// Handle WM_COMMAND; the result is the window procedure's result.
LRESULT On_command(HWND window, WPARAM wparam);
// After a settings dialog: rebuild or restore (repainting the legend panel
// when asked), then settings_changed = 0.
void Dialog_close_rule(int repaint_legend);

// ------------------------------------------------------ file dialogs
int Picture_file_open(HWND window);
// Remove the work file and the converted track file of this run's work
// folder (the window is closing).
void Work_files_remove();
// Called on the thread that wrote the work file behind the first picture:
// tells the window (picture.h: work_written_hook).
void Work_written();
int Geometry_file_open(HWND window);
// When the open picture was imported from a track file: the text of the box
// of the lines its conversion left out, naming the first one's track and
// vertex in the track file, into `text`; 0, or -1 (the picture is no
// import, or nothing was left out).
int Track_file_left_out_text(char *text, size_t text_size);
// The platform's file dialog, the open dialog or (`save` 1) the save dialog,
// on the name buffer `file` with the filter pairs `filter` (the first one
// chosen), the default extension "*" and `flags`.  Returns 0 when a name
// was chosen, -1 when the dialog was cancelled (silently) or failed (with
// the warning of the common dialogs).
int File_dialog(HWND window, int save, const char *title, const char *filter, char *file,
                DWORD file_size, DWORD flags);

#endif
