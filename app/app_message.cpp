// The message hook of the core in the window program: message boxes, with
// what the conversion found added to the numbered file errors, and kept
// from setting off a second rebuild while a paint rebuilds the picture.
#include <cstring>

#include "app/app.h"

#include "picture/message.h"
#include "picture/picture.h"
#include "render/layout.h"

namespace {

UINT Message_icon_style(int icon)
{
    switch (icon) {
    case MESSAGE_ICON_EXCLAMATION: return MB_ICONEXCLAMATION;
    case MESSAGE_ICON_QUESTION: return MB_ICONQUESTION;
    case MESSAGE_ICON_STOP: return MB_ICONSTOP;
    case MESSAGE_ICON_INFORMATION: return MB_ICONINFORMATION;
    default: return 0;
    }
}

} // namespace

void App_message(WindowRef window, const char *text, const char *caption, int icon, int flags)
{
    app.messages_shown++;
    // The lines left out of a picture imported from a track file are told
    // as the track file's vertices.
    char vertices[320];
    if ((flags & MESSAGE_LINES_LEFT_OUT) &&
        Track_file_left_out_text(vertices, sizeof vertices) == 0)
        text = vertices;
    HWND owner = static_cast<HWND>(window);
    // A work file that cannot be had is told once, by the command that
    // converts; the rebuilds after it (every turn of the view) stay quiet.
    const char *work_path = Message_text(MSG_WORK_PATH);
    if (std::strncmp(text, work_path, std::strlen("work path not found")) == 0) {
        if (app.rebuilding && app.work_path_reported == 1)
            return;
        app.work_path_reported = 1;
    }
    // The numbered file errors say no more than their number; the box adds
    // what the conversion found (which file, the system's reason, the line).
    char detailed[PATH_SIZE + 512];
    if (Message_detail(text, detailed, sizeof detailed) == 1)
        text = detailed;
    UINT style = MB_OK | Message_icon_style(icon);
    if (flags & MESSAGE_SYSTEM_MODAL)
        style |= MB_SYSTEMMODAL;
    HWND protect = owner ? owner : app.main_window;
    if (app.rebuilding && protect) {
        // A box raised by the renderers while the paint rebuilds the picture:
        // nothing of the window is painted while it is up, so it cannot set
        // off another rebuild; afterwards everything but the picture area is
        // painted again.
        ValidateRect(protect, nullptr);
        MessageBoxA(owner, text, caption, style);
        InvalidateRect(protect, nullptr, TRUE);
        const PixelRect &v = layout.view_rect;
        RECT area;
        SetRect(&area, v.left, v.top, v.right, v.bottom);
        ValidateRect(protect, &area);
        return;
    }
    MessageBoxA(owner, text, caption, style);
}
