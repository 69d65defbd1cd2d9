// Start-up and message loop: register the window class, load the settings,
// lay out and create the main window, measure the system font, then run the
// message loop, which also gives up an armed mouse selection on Esc.
#include "app/app.h"

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/work_threads.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "resources/resource_ids.h"

WindowProgram app;
DialogHost dialog_host;

namespace {

// Size of the LOGFONTA record the icon-title font is read into.
const UINT LOGFONT_SIZE = 60;
static_assert(sizeof(LOGFONTA) == LOGFONT_SIZE, "LOGFONTA is 60 bytes");

void Start_failed(const char *what)
{
    MessageBoxA(nullptr, what, "VOKA Graphic for Win32 V1.00", MB_OK | MB_ICONSTOP);
}

// Register the class, load the settings, compute the first layout, create
// and show the main window.  Returns 0, or -1 when the window cannot be made.
int Instance_init(HINSTANCE instance, HINSTANCE previous, int show)
{
    if (!previous) {
        LoadStringA(instance, IDS_APP_TITLE, app.title, APP_TITLE_SIZE);

        WNDCLASSA wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = Main_window_proc;
        wc.cbClsExtra = 0;
        wc.cbWndExtra = 0;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, "vokawin");
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        wc.lpszMenuName = "TarselMenu";
        wc.lpszClassName = app.title;
        if (!RegisterClassA(&wc)) {
            Start_failed("The main window class cannot be registered.");
            return -1;
        }

        Settings_init();
        Display_init();
        // The first picture is drawn from the step copy while the work
        // file is written on another thread.
        core_tuning.write_behind = true;
        work_written_hook = Work_written;
        // large_fonts is still 0 here: the minimum height is 400.
        Layout_compute(LAYOUT_FROM_SETTINGS, 0, 0);
    }
    dialog_host.app_instance = instance;

    app.main_window =
        CreateWindowExA(0, app.title, app.title, WS_OVERLAPPEDWINDOW, 0, 0, layout.window_w,
                        layout.window_h, nullptr, nullptr, instance, nullptr);
    if (!app.main_window) {
        Start_failed("The main window cannot be created.");
        return -1;
    }
    Colouring_load(app.main_window);
    ShowWindow(app.main_window, show);
    UpdateWindow(app.main_window);
    return 0;
}

// Large fonts: the icon-title font is exactly 15 pixels high.
void Font_check()
{
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    SystemParametersInfoA(SPI_GETICONTITLELOGFONT, LOGFONT_SIZE, &font, 0);
    large_fonts = 0;
    if (font.lfHeight == -15)
        large_fonts = 1;
}

// Esc while a selection is armed gives it up.  Tested whenever a message
// arrives, before it is handled.
void Escape_check()
{
    if (app.selection_armed != 1 && picture_marks.guide_placing != 1 &&
        picture_marks.title_placing != 1)
        return;
    SHORT state = GetAsyncKeyState(VK_ESCAPE);
    if ((static_cast<unsigned>(state) & 0xFF00u) == 0)
        return;
    Selection_cancel();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show)
{
    (void)command_line;
    Message_set_hook(App_message);
    if (Instance_init(instance, previous, show) != 0)
        return 1;
    Font_check();

    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0)
        return static_cast<int>(msg.wParam);
    while (got != 0) {
        if (got == -1)
            break;
        Escape_check();
        if (!Key_turn(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        got = GetMessageA(&msg, nullptr, 0, 0);
    }
    return static_cast<int>(msg.wParam);
}
