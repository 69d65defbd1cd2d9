// Placeholders of printing, printer setup and bitmap export until the output
// module provides them: each returns at once and changes nothing.
#include "app/app.h"

void Print_command(HWND) {}
void Printer_setup_command(HWND) {}
void Bitmap_save_command(HWND) {}
