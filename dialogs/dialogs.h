// The settings dialogs opened from the menu: Environment, Batch, Title and
// Selection.  Each runs its modal dialog owned by the main window and returns
// when it is closed; the outcome is settings_changed (1 when OK changed
// something that needs a new picture).  The caller then applies the
// dialog-closing rule.
#ifndef VOKA_DIALOGS_H
#define VOKA_DIALOGS_H

#include <windows.h>

void Environment_dialog(HWND owner);   // menu "&Environment" (205)
void Batch_dialog(HWND owner);         // menu "&Batch" (206)
void Title_dialog(HWND owner);         // menu "&Title" (209)
void Selection_dialog(HWND owner);     // menu "&Selection" (210)

#endif
