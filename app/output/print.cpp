// Print and Printer Setup.  Print stretches the picture area with its margin
// onto one page of the default printer, strip by strip; Printer Setup runs
// the page-setup dialog and writes the paper, orientation, source, quality
// and colour chosen there into the chosen printer's stored settings, which
// every program using that printer then starts from.
#include "app/output/output.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/output/output_image.h"
#include "picture/message.h"
#include "render/layout.h"

namespace {

// The picture goes to the printer in strips of this many rows, so that only
// one strip's device-independent bits are held at a time.
const int32_t PRINT_STRIP_ROWS = 10;

// The default printer entry of the user's profile, "device,driver,port".
// Read whole: the name of a printer can be longer than a short buffer, and
// a cut name opens no printer.
enum { PRINTER_ENTRY_SIZE = 512 };

// The fields of the printer's device mode that Printer Setup sets
// (orientation, paper size, length and width, default source, print
// quality, colour, duplex).
const DWORD SETUP_FIELDS = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH |
                           DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_COLOR | DM_DUPLEX;
static_assert(SETUP_FIELDS == 0x1E0F, "the fields Printer Setup writes");

void Printer_error(HWND window, const char *text)
{
    Message_show(window, text, "Error", MESSAGE_ICON_NONE, 0);
}

// A context for the default printer's driver and device, or nullptr.
HDC Default_printer_dc()
{
    char entry[PRINTER_ENTRY_SIZE];
    GetProfileStringA("windows", "device", "", entry, sizeof entry);
    char *driver = std::strchr(entry, ',');
    if (!driver)
        return nullptr;
    *driver++ = '\0';
    char *port = std::strchr(driver, ',');
    if (port)
        *port = '\0';
    if (entry[0] == '\0' || driver[0] == '\0')
        return nullptr;
    return CreateDCA(driver, entry, nullptr, nullptr);
}

// Stretch the image onto one page of `printer`, starting at the top-left
// corner of the printable area, as large as the page allows less 20 device
// units.  Returns the message for the user, or nullptr.
const char *Print_page(HDC printer, OutputImage *image, int32_t strips)
{
    const int32_t width = image->strip_layout.width;
    SetStretchBltMode(printer, COLORONCOLOR);
    const int page_w = GetDeviceCaps(printer, HORZRES);
    const int page_h = GetDeviceCaps(printer, VERTRES);
    const float scale_x = static_cast<float>(page_w - 20) / static_cast<float>(width);
    const float scale_y =
        static_cast<float>(page_h - 20) / static_cast<float>(PRINT_STRIP_ROWS * strips);
    const float scale = scale_x < scale_y ? scale_x : scale_y;
    const int strip_h = static_cast<int>(static_cast<float>(PRINT_STRIP_ROWS) * scale);
    const int strip_w = static_cast<int>(static_cast<float>(width) * scale);

    DOCINFOA doc;
    ZeroMemory(&doc, sizeof doc);
    doc.cbSize = sizeof doc;
    doc.lpszDocName = "VOKA Print";
    if (StartDocA(printer, &doc) <= 0)
        return "StartDoc Error";
    // The job is one page.
    bool ok = StartPage(printer) > 0;
    for (int32_t i = 0; ok && i < strips; i++) {
        const uint8_t *bits = Output_image_strip(image, PRINT_STRIP_ROWS * i);
        ok = StretchDIBits(printer, 0, i * strip_h, strip_w, strip_h, 0, 0, width, PRINT_STRIP_ROWS,
                           bits, reinterpret_cast<BITMAPINFO *>(&image->info), DIB_RGB_COLORS,
                           SRCCOPY) > 0;
    }
    ok = ok && EndPage(printer) > 0;
    if (!ok) {
        AbortDoc(printer);
        return "Print Error";
    }
    if (EndDoc(printer) <= 0)
        return "EndDoc Error";
    return nullptr;
}

// Steps of Printer Setup after the dialog: read the printer's stored
// settings, take the chosen fields over, let the driver check them and
// write them back.  Everything it acquires is released on every path.
// Returns 1 when the settings were written.
int Printer_write(HWND window, const char *name, DEVMODEA *chosen)
{
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterA(const_cast<char *>(name), &printer, &access)) {
        Printer_error(window, "OpenPrinter Error");
        return 0;
    }
    int result = 0;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    HGLOBAL block = needed > 0 ? GlobalAlloc(GHND, needed) : nullptr;
    PRINTER_INFO_2A *info = nullptr;
    if (needed == 0) {
        Printer_error(window, "GetPrinter Error");
    } else if (!block) {
        Printer_error(window, "GlobalAlloc Error");
    } else if (!(info = static_cast<PRINTER_INFO_2A *>(GlobalLock(block)))) {
        Printer_error(window, "GlobalLock Error");
    } else if (!GetPrinterA(printer, 2, reinterpret_cast<BYTE *>(info), needed, &needed)) {
        Printer_error(window, "GetPrinter Error");
    } else {
        DEVMODEA *stored = info->pDevMode;
        if (stored) {
            // Duplex is marked valid but keeps the printer's value.
            stored->dmFields = SETUP_FIELDS;
            stored->dmOrientation = chosen->dmOrientation;
            stored->dmPaperSize = chosen->dmPaperSize;
            stored->dmPaperLength = chosen->dmPaperLength;
            stored->dmPaperWidth = chosen->dmPaperWidth;
            stored->dmDefaultSource = chosen->dmDefaultSource;
            stored->dmPrintQuality = chosen->dmPrintQuality;
            stored->dmColor = chosen->dmColor;
        } else {
            // A printer without stored settings of its own takes the
            // dialog's whole.
            stored = chosen;
            info->pDevMode = chosen;
        }
        if (DocumentPropertiesA(window, printer, const_cast<char *>(name), stored, stored,
                                DM_IN_BUFFER | DM_OUT_BUFFER) < 0)
            Printer_error(window, "DocumentProperties Error");
        else if (!SetPrinterA(printer, 2, reinterpret_cast<BYTE *>(info), 0))
            Printer_error(window, "SetPrinter Error");
        else
            result = 1;
    }
    if (info) {
        SetLastError(NO_ERROR);
        if (!GlobalUnlock(block) && GetLastError() != NO_ERROR && result == 1)
            Printer_error(window, "GlobalUnlock Error");
    }
    if (block && GlobalFree(block) && result == 1)
        Printer_error(window, "GlobalFree Error");
    ClosePrinter(printer);
    return result;
}

} // namespace

void Print_command(HWND window)
{
    if (app.picture_selected == 0) {
        Message_show(window, "Not Selected Print File.", MESSAGE_CAPTION_ERROR_STATUS,
                     MESSAGE_ICON_EXCLAMATION, 0);
        return;
    }
    SetCursor(app.cursor_wait);
    Print_picture(window);
    SetCursor(app.cursor_arrow);
}

void Printer_setup_command(HWND window)
{
    Printer_setup(window);
    Picture_restore();
}

void Print_picture(HWND window)
{
    // A print that cannot start says why: without a word the user would
    // wait at an empty printer.
    HDC printer = Default_printer_dc();
    if (!printer) {
        Printer_error(window, "No Default Printer.");
        return;
    }
    // The printed region: print_x pixels from client (0, 0), as many strips
    // as reach the bottom of the bitmap's region (the picture area and the
    // margin under it), the last one filled out with the window background.
    // Not print_y strips (the height in tenths less 5): with a window taller
    // than the default they end above the picture area's bottom rows and
    // leave the frame's bottom line off the paper.
    const int32_t strips = (layout.bitmap_h + PRINT_STRIP_ROWS - 1) / PRINT_STRIP_ROWS;
    const char *problem = nullptr;
    OutputImage image;
    if (Output_image_begin(&image, window, layout.print_x, PRINT_STRIP_ROWS) != 0 ||
        Output_image_compose(&image, PRINT_STRIP_ROWS * strips) != 0)
        problem = "Not Enough Memory.";
    else
        problem = Print_page(printer, &image, strips);
    Output_image_end(&image);
    DeleteDC(printer);
    if (problem)
        Printer_error(window, problem);
}

int Printer_setup(HWND window)
{
    PAGESETUPDLGA setup;
    ZeroMemory(&setup, sizeof setup);
    setup.lStructSize = sizeof setup;
    setup.hwndOwner = window;
    setup.Flags = PSD_DISABLEMARGINS;
    if (!PageSetupDlgA(&setup))
        return 0;

    int result = 0;
    DEVMODEA *chosen = static_cast<DEVMODEA *>(GlobalLock(setup.hDevMode));
    DEVNAMES *names = static_cast<DEVNAMES *>(GlobalLock(setup.hDevNames));
    if (!chosen || !names) {
        Printer_error(window, "GlobalLock Error");
    } else {
        // The name from the device-names block, whole: the device mode's
        // 32-byte name field cuts a longer one, which opens no printer.
        char name[PRINTER_ENTRY_SIZE];
        const char *device = reinterpret_cast<const char *>(names) + names->wDeviceOffset;
        std::snprintf(name, sizeof name, "%s", device);
        result = Printer_write(window, name, chosen);
    }
    // The dialog's blocks are released on every path.
    if (names)
        GlobalUnlock(setup.hDevNames);
    if (setup.hDevNames)
        GlobalFree(setup.hDevNames);
    if (chosen)
        GlobalUnlock(setup.hDevMode);
    if (setup.hDevMode && GlobalFree(setup.hDevMode) && result == 1)
        Printer_error(window, "Error");
    return result;
}
