// Drawing helpers of the settings dialogs' owner-drawn controls.
#include "dialogs/dialogs_private.h"

#include "picture/message.h"

POINT Dialog_point(HWND dialog, int x, int y)
{
    RECT r;
    SetRect(&r, x, y, x, y);
    MapDialogRect(dialog, &r);
    POINT p = {r.left, r.top};
    return p;
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

void Item_line(HWND dialog, const DRAWITEMSTRUCT *item, int inset, int style, int width,
               Colour colour)
{
    const RECT &r = item->rcItem;
    int dx = Dialog_point(dialog, inset, 0).x;
    POINT from = {r.left + dx, (r.top + r.bottom) / 2};
    POINT to = {r.right - dx, from.y};
    Dialog_line(item->hDC, style, width, colour, from, to);
}

void Input_error(HWND dialog, const char *text)
{
    Message_show(dialog, text, "Error Status", MESSAGE_ICON_QUESTION, 0);
}
