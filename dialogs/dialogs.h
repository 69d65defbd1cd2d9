// The settings dialogs opened from the menu: Environment (205), Batch (206),
// Title (209) and Selection (210).  The main window runs each procedure as
// a modal dialog on its template with the main window as owner; the
// procedure ends its dialog with result 1 and reports through
// settings_changed whether OK changed something that needs a new picture.
// The caller then applies the dialog-closing rule.
#ifndef VOKA_DIALOGS_H
#define VOKA_DIALOGS_H

#include <windows.h>

#include <cstdint>

enum { BATCH_TEXT_SIZE = 8 };

// What the dialogs keep between their runs and hand back to the window
// program.
struct DialogResults {
    // The texts the Batch dialog offers as its two limits, as last read or
    // set (at most five digits, batch numbers reaching 10000, and a
    // terminator).  Data File Open clears them; Redraw in CALC mode puts the
    // newest batch into both.
    char batch_from_text[BATCH_TEXT_SIZE];
    char batch_to_text[BATCH_TEXT_SIZE];
    // 1 when the last Environment dialog closed through a passing OK (which
    // may have changed the work directory), 0 after Cancel.
    int16_t environment_confirmed;
};
extern DialogResults dialog_results;

INT_PTR CALLBACK Environment_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK History_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Titleset_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK Particle_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

#endif
