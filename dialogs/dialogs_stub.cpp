// Placeholders of the settings dialogs until their templates and procedures
// are written: without a template the dialog does not open, and the command
// ends as a cancelled dialog does.
#include "dialogs/dialogs.h"

char batch_from_text[BATCH_TEXT_SIZE];
char batch_to_text[BATCH_TEXT_SIZE];

INT_PTR CALLBACK Environment_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK History_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK Titleset_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK Particle_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
