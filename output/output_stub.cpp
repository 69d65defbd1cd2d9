// Placeholders of printing, printer setup and bitmap export: each returns at
// once and changes nothing.
#include "output/output.h"

void Print_picture(HWND) {}
int Printer_setup(HWND) { return 0; }
int Bitmap_export(HWND, int32_t, int32_t) { return -1; }
