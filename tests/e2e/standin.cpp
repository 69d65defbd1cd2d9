// A stand-in window with the viewer's title, strip ids and dialogs, used to
// develop the driver before the viewer exists.
#include <windows.h>
#include <commdlg.h>
#include <cstdio>
#include <cstring>

namespace {
const char TITLE[] = "VOKA Graphic for Win32 V1.00";
HWND main_window;
int loaded = 0;
int calc = 0;
char file_buffer[256];

void Info_write(int w, int h)
{
    unsigned char rec[192];
    std::memset(rec, 0, sizeof rec);
    std::memcpy(rec + 124, &w, 4);
    std::memcpy(rec + 128, &h, 4);
    FILE *f = std::fopen("info.$$$", "wb");
    if (f) { std::fwrite(rec, 1, sizeof rec, f); std::fclose(f); }
}

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_CREATE: {
        HINSTANCE inst = GetModuleHandleA(nullptr);
        CreateWindowA("button", "Expand", WS_CHILD | WS_VISIBLE, 490, 112, 68, 20, w, reinterpret_cast<HMENU>(30), inst, nullptr);
        CreateWindowA("button", "CALC", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 490, 332, 65, 19, w, reinterpret_cast<HMENU>(101), inst, nullptr);
        CreateWindowA("button", "Redraw", WS_CHILD | WS_VISIBLE, 560, 331, 65, 20, w, reinterpret_cast<HMENU>(102), inst, nullptr);
        HMENU menu = CreateMenu();
        AppendMenuA(menu, MF_STRING, 200, "Open");
        AppendMenuA(menu, MF_STRING, 208, "Hide");
        SetMenu(w, menu);
        return 0;
    }
    case WM_COMMAND:
        if (wp == 200) {
            OPENFILENAMEA ofn;
            std::memset(&ofn, 0, sizeof ofn);
            ofn.lStructSize = sizeof ofn;
            ofn.hwndOwner = w;
            ofn.lpstrFilter = "All Type (*.*)\0*.*\0";
            ofn.lpstrFile = file_buffer;
            ofn.nMaxFile = sizeof file_buffer;
            ofn.lpstrTitle = "Data file open";
            ofn.Flags = calc ? 0x2804u : 0x1804u;
            if (GetOpenFileNameA(&ofn)) {
                FILE *f = std::fopen(file_buffer, calc ? "ab" : "rb");
                if (!f) { MessageBoxA(w, "input file open error !!", "Error status", MB_OK | MB_ICONEXCLAMATION); }
                else { std::fclose(f); loaded = 1; InvalidateRect(w, nullptr, TRUE); }
            }
        } else if (wp == 101) {
            calc = SendMessageA(GetDlgItem(w, 101), BM_GETCHECK, 0, 0) == BST_CHECKED;
        } else if (wp == 102 && calc) {
            MessageBoxA(w, "Not Selected Redraw File.", "Error status", MB_OK | MB_ICONEXCLAMATION);
        } else if (wp == 208) {
            HMENU menu = GetMenu(w);
            UINT st = GetMenuState(menu, 208, MF_BYCOMMAND);
            CheckMenuItem(menu, 208, MF_BYCOMMAND | ((st & MF_CHECKED) ? MF_UNCHECKED : MF_CHECKED));
        } else if (wp == 204) {
            PostMessageA(w, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_LBUTTONUP:
        loaded = 2;
        InvalidateRect(w, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r = {5, 5, 485, 355};
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (loaded) {
            HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_PEN));
            MoveToEx(dc, 20, 20, nullptr);
            LineTo(dc, 200, loaded == 2 ? 300 : 100);
            SelectObject(dc, old);
        }
        EndPaint(w, &ps);
        return 0;
    }
    case WM_DESTROY: {
        RECT r;
        GetWindowRect(w, &r);
        Info_write(r.right - r.left, r.bottom - r.top);
        PostQuitMessage(0);
        return 0;
    }
    }
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = TITLE;
    RegisterClassA(&wc);
    main_window = CreateWindowExA(0, TITLE, TITLE, WS_OVERLAPPEDWINDOW, 0, 0, 640, 410, nullptr, nullptr, inst, nullptr);
    ShowWindow(main_window, show);
    UpdateWindow(main_window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
