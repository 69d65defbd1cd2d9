// Drawing helpers of the settings dialogs and the pending-overlay step.
#include "dialogs/dialogs_private.h"

#include "picture/message.h"

void Overlay_request(HWND dialog, int16_t *pending)
{
    if (*pending == 0)
        PostMessageA(dialog, OVERLAY_MESSAGE, 0, 0);
    *pending = 1;
}

POINT Dialog_point(HWND dialog, int x, int y)
{
    RECT r = Dialog_rect(dialog, x, y, x, y);
    POINT p = {r.left, r.top};
    return p;
}

RECT Dialog_rect(HWND dialog, int left, int top, int right, int bottom)
{
    RECT r;
    SetRect(&r, left, top, right, bottom);
    MapDialogRect(dialog, &r);
    return r;
}

void Dialog_line(HDC dc, int style, int width, Colour colour, POINT from, POINT to)
{
    HPEN pen = CreatePen(style, width, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    int previous_mode = SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SetBkMode(dc, previous_mode);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void Dialog_swatch(HDC dc, const RECT &rect, Colour colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ previous_brush = SelectObject(dc, brush);
    HGDIOBJ previous_pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(dc, previous_pen);
    SelectObject(dc, previous_brush);
    DeleteObject(brush);
}

INT_PTR Overlay_step(HWND dialog, UINT message, int16_t *pending, void (*paint)(HWND dialog))
{
    if (message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG) {
        Overlay_request(dialog, pending);
        // A real brush: the value is the brush the control or the dialog
        // background is painted with.
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (*pending) {
        *pending = 0;
        paint(dialog);
    }
    return FALSE;
}

void Input_error(HWND dialog, const char *text)
{
    Message_show(dialog, text, "Error Status", MESSAGE_ICON_QUESTION, 0);
}
