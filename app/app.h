// The window program: start-up and message loop, the main window procedure
// with its paint path and off-screen copy of the picture, the control strip,
// mouse selection, menu and button commands and the file-open dialogs.
// State shared between these files is declared here; the portable state
// (settings, flags, layout, view) lives in the core headers.
#ifndef VOKA_APP_H
#define VOKA_APP_H

#include <windows.h>

#include <cstdint>

#include "picture/settings.h"

// ---------------------------------------------------------------- start-up
enum { APP_TITLE_SIZE = 30 };
extern HINSTANCE app_instance;
extern char app_title[APP_TITLE_SIZE];   // string 1: window class name and title
extern HWND main_window;

// The message hook of the core: a message box owned by the given window.
void App_message(WindowRef window, const char *text, const char *caption, int icon, int flags);

// ------------------------------------------------------- window and paint
extern HBITMAP view_bitmap;            // off-screen copy of the picture area
extern uint32_t view_bitmap_missing;   // 1 until the first picture load
extern uint32_t restore_view;          // the next paint copies view_bitmap back
extern RECT view_rect;                 // (5, 5, view_right, view_bottom)
extern RECT strip_rect;                // (W - 150, 5, W, H - 5)
extern uint32_t render_mode;           // RENDER_FULL, RENDER_ZOOM, RENDER_KEEP
extern uint32_t zoomed;                // Expand is in force
extern uint32_t expand_cancelled;      // Esc ended an Expand without a rectangle
extern uint32_t redraw_pressed;        // Redraw pressed since the last CALC click / Batch OK
extern HCURSOR cursor_arrow, cursor_wait, cursor_cross, cursor_select;

LRESULT CALLBACK Main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The four named steps of the paint path.
void Rebuild_request();
void Picture_invalidate();
void Picture_restore();
void View_bitmap_ensure();

// ------------------------------------------------------------ strip
extern HWND guide_button, title_button, expand_button, normal_button;
extern HWND legend_panel, angle_panel, axes_panel;
extern HWND calc_button, redraw_button;

enum { STRIP_CREATE = 1, STRIP_MOVE = 0 };
void Strip_create(HWND window, int mode);

// Paint the picture background, frame, angle box and the three panels on
// the main window's paint context.
void Panel_draw(HWND window, HDC dc);

// -------------------------------------------------------- selection
extern uint32_t band_dragging;
extern RECT band_rect;
extern POINT band_corner;
extern int32_t band_pen_width;
extern COLORREF band_pen_color;
extern uint32_t zoom_selected;

void Selection_button_down(HWND window, LPARAM lparam);
void Selection_mouse_move(HWND window, LPARAM lparam);
void Selection_button_up(HWND window, LPARAM lparam);
// The cursor of an armed selection: the cross-hair on white, else CURSOR_1.
void Selection_cursor_set();
// Esc: give up an armed selection (called by the message loop).
void Selection_cancel();

// --------------------------------------------------------- commands
extern HWND console_window;
extern UINT_PTR console_launch_result;

// Handle WM_COMMAND; the result is the window procedure's result.
LRESULT On_command(HWND window, WPARAM wparam);
// After a settings dialog: rebuild or restore (repainting the legend panel
// when asked), then settings_changed = 0.
void Dialog_close_rule(int repaint_legend);

// ------------------------------------------------------ file dialogs
extern char ofn_file_buffer[PATH_SIZE];
int Picture_file_open(HWND window);
int Geometry_file_open(HWND window);

// -------------------------------------------------- output commands
// Printing and bitmap export, run by the menu commands 201, 202, 203.
void Print_command(HWND window);
void Printer_setup_command(HWND window);
void Bitmap_save_command(HWND window);

#endif
