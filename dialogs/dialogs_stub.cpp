// Placeholders of the settings dialogs until their templates and procedures
// are written: each returns at once with nothing changed, as a cancelled
// dialog does.
#include "dialogs/dialogs.h"

void Environment_dialog(HWND) {}
void Batch_dialog(HWND) {}
void Title_dialog(HWND) {}
void Selection_dialog(HWND) {}
