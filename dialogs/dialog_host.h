// What the settings dialogs take from the window program that runs them,
// and nothing more: the module whose resources hold their templates, the
// flag through which they ask for a new picture, the Redraw flag that the
// Batch dialog's OK clears, and the keeping of the automatic scale choice.  The window program defines it and includes
// this header; the dialogs never include the window program's.
#ifndef VOKA_DIALOG_HOST_H
#define VOKA_DIALOG_HOST_H

#include <windows.h>

#include <cstdint>

struct DialogHost {
    // The program's module: dialog templates and resources.
    HINSTANCE app_instance;
    // A dialog accepted a change that needs a rebuild (0 or 1); the
    // dialog-closing rule of the window program reads and clears it.
    int16_t settings_changed;
    // Redraw pressed since the last CALC click or Batch OK (0 or 1).
    uint32_t redraw_pressed;
};
extern DialogHost dialog_host;

// Keep scale_auto in "vokagraphic.ini" (Environment's OK): the window
// program keeps the file.
void Scale_auto_save();

#endif
