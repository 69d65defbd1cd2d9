// The control strip along the right edge of the main window: push buttons,
// the CALC check box and three drawing panels (legend, angle values, axis
// indicator), created at WM_CREATE and moved at every WM_SIZE; and
// Panel_draw, which paints the main window's fixed decorations and the
// panels at the start of every paint.
#include "app/app.h"

#include <cstdio>
#include <cstring>

#include "picture/display.h"

#include "render/annotations.h"
#include "render/gdi_surface.h"
#include "render/layout.h"
#include "resources/resource_ids.h"

namespace {

HWND guide_button, title_button, expand_button, normal_button, redraw_button;
HWND x_plus_button, x_minus_button, y_plus_button, y_minus_button, z_plus_button, z_minus_button;

// The panels are windows of the system's multiple-document client class
// used purely as drawing surfaces: no document window is ever created in
// them, and they paint nothing of their own, so they keep what Panel_draw
// paints into them.  The class wants a client-creation record; it stays
// empty.
CLIENTCREATESTRUCT panel_create_record;

struct ChildSpec {
    HWND *handle;
    const char *window_class;
    const char *caption;
    DWORD style;        // beyond WS_CHILD | WS_VISIBLE
    int id;             // 0: none
    int32_t Layout::*x; // the layout field that gives x
    int y;
    int width;
    int height;
};

// In creation order.
const ChildSpec children[] = {
    {&guide_button, "button", "Guide position", BS_PUSHBUTTON, IDC_GUIDE_POSITION, &Layout::strip_x,
     70, 137, 20},
    {&title_button, "button", "Title position", BS_PUSHBUTTON, IDC_TITLE_POSITION, &Layout::strip_x,
     91, 137, 20},
    {&expand_button, "button", "Expand", BS_PUSHBUTTON, IDC_EXPAND, &Layout::strip_x, 112, 68, 20},
    {&normal_button, "button", "Normal", BS_PUSHBUTTON, IDC_NORMAL, &Layout::normal_x, 112, 69, 20},
    {&x_plus_button, "button", "<<", BS_PUSHBUTTON, IDC_X_PLUS, &Layout::step_minus_x, 161, 30, 18},
    {&x_minus_button, "button", ">>", BS_PUSHBUTTON, IDC_X_MINUS, &Layout::step_plus_x, 161, 30,
     18},
    {&y_plus_button, "button", "<<", BS_PUSHBUTTON, IDC_Y_PLUS, &Layout::step_minus_x, 181, 30, 18},
    {&y_minus_button, "button", ">>", BS_PUSHBUTTON, IDC_Y_MINUS, &Layout::step_plus_x, 181, 30,
     18},
    {&z_plus_button, "button", "<<", BS_PUSHBUTTON, IDC_Z_PLUS, &Layout::step_minus_x, 201, 30, 18},
    {&z_minus_button, "button", ">>", BS_PUSHBUTTON, IDC_Z_MINUS, &Layout::step_plus_x, 201, 30,
     18},
    {&app.legend_panel, "mdiclient", nullptr, WS_BORDER, 0, &Layout::strip_x, 5, 137, 65},
    // The angle panel is created at 40 x 62 and moved to 45 x 67.
    {&app.angle_panel, "mdiclient", nullptr, 0, 0, &Layout::angle_panel_x, 153, 40, 62},
    {&app.axes_panel, "mdiclient", nullptr, WS_BORDER, 0, &Layout::strip_x, 224, 137, 105},
    {&app.calc_button, "button", "CALC", BS_AUTOCHECKBOX, IDC_CALC, &Layout::strip_x, 332, 65, 19},
    {&redraw_button, "button", "Redraw", BS_PUSHBUTTON, IDC_REDRAW, &Layout::redraw_x, 331, 65, 20},
};

const size_t CHILD_COUNT = sizeof children / sizeof children[0];
const size_t ANGLE_PANEL_INDEX = 11;

// Paint one panel through its own begin-paint and end-paint.
void Panel_paint(HWND panel, void (*draw)(Surface *, PixelRect))
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    // Dashed legend samples show the panel through their gaps.
    SetBkMode(dc, TRANSPARENT);
    {
        GdiSurface surface(dc, 0, 0);
        PixelRect update = {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
        draw(&surface, update);
    }
    EndPaint(panel, &ps);
}

} // namespace

void Strip_create(HWND window, int mode)
{
    for (size_t i = 0; i < CHILD_COUNT; i++) {
        const ChildSpec &c = children[i];
        int32_t x = layout.*(c.x);
        if (mode == STRIP_CREATE) {
            HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id));
            bool panel = std::strcmp(c.window_class, "mdiclient") == 0;
            void *param = panel ? &panel_create_record : nullptr;
            *c.handle = CreateWindowExA(0, c.window_class, c.caption,
                                        WS_CHILD | WS_VISIBLE | c.style, x, c.y, c.width, c.height,
                                        window, id, dialog_host.app_instance, param);
        } else {
            int width = c.width;
            int height = c.height;
            if (i == ANGLE_PANEL_INDEX) {
                width = 45;
                height = 67;
            }
            MoveWindow(*c.handle, x, c.y, width, height, TRUE);
        }
    }
}

void Panel_main_paint(HDC dc)
{
    // Transparent from here on: also the rebuild that may follow on this
    // context draws dashed tracks with transparent gaps.
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, COLOUR_WHITE);
    GdiSurface surface(dc, 0, 0);
    Panel_main_draw(&surface);
}

void Panel_draw(HWND window, HDC dc)
{
    (void)window;
    Panel_main_paint(dc);
    // The angles shown are also the angle panel's window text, "X Y Z", so
    // that screen readers and test tools can read them.
    char angles[32];
    std::snprintf(angles, sizeof angles, "%d %d %d", display.angle_x, display.angle_y,
                  display.angle_z);
    SetWindowTextA(app.angle_panel, angles);
    Panel_paint(app.angle_panel, Angle_panel_draw);
    Panel_paint(app.axes_panel, Axis_panel_draw);
    Panel_paint(app.legend_panel, Legend_panel_draw);
}
