// Printing and bitmap export of what the picture area shows: the menu
// commands Print, Printer Setup and Bitmap File Save of the window program.
// Part of the window program (app/output/); the bitmap file layout they
// share with the command-line tools is output/bmp_file.h.
#ifndef VOKA_OUTPUT_H
#define VOKA_OUTPUT_H

#include <windows.h>

#include <cstdint>

// The menu commands, as the main window's command dispatch calls them: each
// checks for a loaded picture itself and brings the picture back afterwards.
void Print_command(HWND window);         // "&Print"
void Printer_setup_command(HWND window); // "Printer Setup"
void Bitmap_save_command(HWND window);   // "&Bitmap File Save"
// "Save &Animation...": the current view turning once about the screen's
// vertical axis, as an animated GIF through the Windows Imaging Component
// (app/output/animation_save.cpp).
void Animation_save_command(HWND window);

// Print the picture on the default printer, scaled to the page.  Failures
// are reported to the user; there is no result.
void Print_picture(HWND window);

// Run the page-setup dialog and write its choices into the chosen printer's
// stored settings.  Returns 1 when they were written, 0 otherwise.
int Printer_setup(HWND window);

// Save the width x height pixels from the window's client (0, 0) as a
// bitmap file chosen in a save dialog.  Returns 0 when the dialog was
// accepted (also when nothing could be written), -1 when it was cancelled or
// failed.
int Bitmap_export(HWND window, int32_t width, int32_t height);

// Write those pixels to `path` in the display's pixel format; a failure is
// reported to the user.
void Bitmap_write(HWND window, int32_t width, int32_t height, const char *path);

#endif
