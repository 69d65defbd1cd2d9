// The two colour pickers of the Environment dialog, both captioned "Color
// select": sixteen colour buttons for a display of 16 or 256 colours, a grid
// of 256 cells for any other.  A click on a colour writes it into the field
// of env_working that color_target names and closes the picker; any other
// way out changes nothing.
#include "dialogs/dialogs_private.h"

#include "render/layout.h"
#include "resources/resource_ids.h"

namespace {

// Colours of buttons 600..615: the upper row 600..607, the lower 608..615.
const Colour COLORS_16[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                              0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                              0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// Colours of the 256 cells, entry i in column i mod 16 and row i div 16.
const Colour COLORS_256[256] = {
    0xFFFFFF, 0xFFFFFF, 0xFFFF00, 0xFFDAFF, 0xFFDADB, 0xFFDAB6, 0xFFB5FF, 0xFFB5DB, 0xFFB5B6,
    0xFF91DB, 0xFF91B6, 0xFF916D, 0xFF00FF, 0xFF0000, 0xF0C8A4, 0xF0FBFF, 0xDBFFE5, 0xC0DCC0,
    0xC0C0C0, 0xBFDFDF, 0xBFDFBF, 0xBFDF9F, 0xBFDF7F, 0xBFDF5F, 0xBFDF3F, 0xBFBFFF, 0xBFBFDF,
    0xBFBFBF, 0xBFBF9F, 0xBFBF7F, 0xBFBF5F, 0xBFBF3F, 0xBF9FFF, 0xBF9FDF, 0xBF9FBF, 0xBF9F9F,
    0xBF9F7F, 0xBF9F5F, 0xBF9F3F, 0xBF7FFF, 0xBF7FDF, 0xBF7FBF, 0xBF7F9F, 0xBF7F7F, 0xBF7F5F,
    0xBF7F3F, 0xBF5FFF, 0xBF5FDF, 0xBF5FBF, 0xBF5F9F, 0xBF5F7F, 0xBF5F5F, 0xBF5F3F, 0xBF3FFF,
    0xBF3FDF, 0xBF3FBF, 0xBF3F9F, 0xBF3F7F, 0xBF3F5F, 0xBF3F3F, 0xA9FFFF, 0xA9FFDB, 0xA9DAFF,
    0xA9DADB, 0xA9DAB6, 0xA9B5FF, 0xA9B5DB, 0xA9B5B6, 0xA9B591, 0xA9B56D, 0xA991FF, 0xA991DB,
    0xA991B6, 0xA99191, 0xA9916D, 0xA99148, 0xA96CDB, 0xA96CB6, 0xA96C91, 0xA96C6D, 0xA96C48,
    0xA96C23, 0xA94891, 0xA9486D, 0xA94848, 0xA4A0A0, 0x9FFFFF, 0x9FFFDF, 0x9FFFBF, 0x9FFF9F,
    0x9FFF7F, 0x9FFF5F, 0x9FFF3F, 0x9FDFFF, 0x9FDFDF, 0x9FDFBF, 0x9FDF9F, 0x9FDF7F, 0x9FDF5F,
    0x9FDF3F, 0x9FBFFF, 0x9FBFDF, 0x9FBFBF, 0x9FBF9F, 0x9FBF7F, 0x9FBF5F, 0x9FBF3F, 0x9F9FFF,
    0x9F9FDF, 0x9F9FBF, 0x9F9F9F, 0x9F9F7F, 0x9F9F5F, 0x9F9F3F, 0x9F7FFF, 0x9F7FDF, 0x9F7FBF,
    0x9F7F9F, 0x9F7F7F, 0x9F7F5F, 0x9F7F3F, 0x9F5FFF, 0x9F5FDF, 0x9F5FBF, 0x9F5F9F, 0x9F5F7F,
    0x9F5E51, 0x9F5F3F, 0x9F3FFF, 0x9F3FDF, 0x9F3FBF, 0x9F3F5F, 0x9F3F9F, 0x808080, 0x808000,
    0x800080, 0x800000, 0x7FFFFF, 0x7FFFDF, 0x7FFFBF, 0x7FFF9F, 0x7FFF7F, 0x7FFF5F, 0x7FFF3F,
    0x7FDFFF, 0x7FDFDF, 0x7FDFBF, 0x7FDF9F, 0x7FDF7F, 0x7FDF5F, 0x7FDF3F, 0x7FBFFF, 0x7FBFDF,
    0x7FBFBF, 0x7FBF9F, 0x7FBF7F, 0x7FBF5F, 0x7FBF3F, 0x7F9FFF, 0x7F9FDF, 0x7F9FBF, 0x7F9F9F,
    0x7F9F7F, 0x7F9F5F, 0x7F9F3F, 0x7F7FFF, 0x7F7FDF, 0x7F7FBF, 0x7F7F9F, 0x7F7F7F, 0x7F7F5F,
    0x7F7F3F, 0x7F5FFF, 0x7F5FDF, 0x7F5FBF, 0x7F5F9F, 0x7F5F7F, 0x7F5F5F, 0x7F5F3F, 0x54FFFF,
    0x54DAFF, 0x54DADB, 0x54DAB6, 0x54B5FF, 0x54B5DB, 0x54B5B6, 0x54B591, 0x54B56D, 0x5491DB,
    0x5491B6, 0x549191, 0x54916D, 0x549148, 0x546CFF, 0x546CDB, 0x546CB6, 0x546C91, 0x546C6D,
    0x546C48, 0x546C23, 0x5448DB, 0x5448B6, 0x544891, 0x54486D, 0x544848, 0x544823, 0x5423DB,
    0x5423B6, 0x542391, 0x54236D, 0x542348, 0x542323, 0x542300, 0x540048, 0x540023, 0x540000,
    0x0FF78F, 0x0FEC17, 0x00FFFF, 0x00FF00, 0x00DAFF, 0x00DADB, 0x00DAB6, 0x00B5FF, 0x00B5DB,
    0x00B5B6, 0x00B56D, 0x0091B6, 0x009191, 0x009148, 0x008080, 0x008000, 0x006CDB, 0x006CB6,
    0x006C91, 0x006C6D, 0x006C48, 0x0048DB, 0x0048B6, 0x004891, 0x00486D, 0x004848, 0x004823,
    0x0023DB, 0x0023B6, 0x002348, 0x002323, 0x0000FF, 0x0000DB, 0x0000B6, 0x000091, 0x000080,
    0x00006D, 0x000048, 0x000003, 0x000000};

// The grid of the 256-colour picker in client pixels at the normal font
// size: cell (c, r) painted from (2 + 21c, 2 + 10r) to (23 + 21c, 12 + 10r);
// its hit zone reaches one pixel further right, and zones share their
// edges.  Everything is scaled by 1.25 with large fonts.
const int GRID_COLUMNS = 16;
const int CELL_ORIGIN = 2, CELL_STEP_X = 21, CELL_STEP_Y = 10;
const int CELL_WIDTH = 21, CELL_HEIGHT = 10;

double Grid_scale()
{
    return large_fonts == 1 ? 1.25 : 1.0;
}

void Choose(HWND dialog, Colour colour)
{
    EndDialog(dialog, 1);
    Colour *field = Color_target_field(env_edit.color_target);
    if (field)
        *field = colour;
}

void Grid_paint(HWND dialog)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    double s = Grid_scale();
    for (int i = 0; i < 256; i++) {
        int left = CELL_ORIGIN + CELL_STEP_X * (i % GRID_COLUMNS);
        int top = CELL_ORIGIN + CELL_STEP_Y * (i / GRID_COLUMNS);
        RECT cell;
        SetRect(&cell, static_cast<int>(left * s), static_cast<int>(top * s),
                static_cast<int>((left + CELL_WIDTH) * s),
                static_cast<int>((top + CELL_HEIGHT) * s));
        Dialog_swatch(dc, cell, COLORS_256[i]);
    }
    EndPaint(dialog, &ps);
}

// The first cell (in index order) whose hit zone holds the point, or -1.
int Grid_hit(int x, int y)
{
    double s = Grid_scale();
    for (int i = 0; i < 256; i++) {
        int left = CELL_ORIGIN + CELL_STEP_X * (i % GRID_COLUMNS);
        int top = CELL_ORIGIN + CELL_STEP_Y * (i / GRID_COLUMNS);
        if (left * s <= x && x <= (left + CELL_WIDTH + 1) * s && top * s <= y &&
            y <= (top + CELL_HEIGHT) * s)
            return i;
    }
    return -1;
}

} // namespace

Colour *Color_target_field(int32_t target)
{
    switch (target) {
    case COLOR_TARGET_ELECTRON: return &env_edit.working.particle_color[PARTICLE_ELECTRON];
    case COLOR_TARGET_POSITRON: return &env_edit.working.particle_color[PARTICLE_POSITRON];
    case COLOR_TARGET_PHOTON: return &env_edit.working.particle_color[PARTICLE_PHOTON];
    case COLOR_TARGET_BACKGROUND: return &env_edit.working.background_color;
    case COLOR_TARGET_GEOMETRY: return &env_edit.working.geometry_color;
    case COLOR_TARGET_CHARACTER: return &env_edit.working.character_color;
    default: return nullptr;
    }
}

// Each button is painted in its own colour when it asks to be drawn, so
// that it shows exactly the colour a click on it chooses, at every font
// size.
INT_PTR CALLBACK Color_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lparam);
        int id = static_cast<int>(item->CtlID);
        if (id < IDC_COLOR_FIRST || id > IDC_COLOR_LAST)
            return FALSE;
        Dialog_swatch(item->hDC, item->rcItem, COLORS_16[id - IDC_COLOR_FIRST]);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        if (id >= IDC_COLOR_FIRST && id <= IDC_COLOR_LAST)
            Choose(dialog, COLORS_16[id - IDC_COLOR_FIRST]);
        else if (id == IDOK || id == IDCANCEL)
            EndDialog(dialog, 1);
        return TRUE;
    }
    default: return FALSE;
    }
}

INT_PTR CALLBACK Color256_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_PAINT: Grid_paint(dialog); return TRUE;
    case WM_LBUTTONDOWN: {
        int hit =
            Grid_hit(static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam)));
        if (hit < 0)
            return FALSE;
        Choose(dialog, COLORS_256[hit]);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
            EndDialog(dialog, 1);
        return TRUE;
    default: return FALSE;
    }
}
