// File > Save Animation...: the current view (its filters, colours, zoom
// and size) turning once about the screen's vertical axis, ANIMATION_FRAMES
// frames as the drag turns the view, written as an animated GIF through the
// Windows Imaging Component, whose GIF encoder takes several frames.
//
// The frames are drawn as Bitmap File Save writes the picture (the picture
// area with its margin) on the raster surface, one after another, each into
// a plane of indices of one palette (render/frame_palette.h).  Only when all
// frames are drawn is the file written, under a new name until complete: a
// progress dialog shows the frame being drawn, and its Cancel leaves no
// file.  Between frames the view is what the window shows, so that a paint
// while the dialog runs draws the window as it was.
#include "app/output/output.h"

#include <wincodec.h>

#include <cstdio>
#include <vector>

#include "app/app.h"
#include "output/part_file.h"
#include "picture/display.h"
#include "picture/message.h"
#include "render/frame_palette.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/view.h"
#include "resources/resource_ids.h"

namespace {

enum { ANIMATION_FRAMES = 36, FRAME_DELAY = 10 }; // 10 degrees a frame, 1/10 s each

char animation_save_path[PATH_SIZE];
const char GIF_FILTER[] = "GIF File (*.gif)\0*.gif\0";

struct Frames {
    int32_t width, height;
    std::vector<uint8_t> index; // ANIMATION_FRAMES planes of width x height
    FramePalette palette;
    bool cancelled;
};

INT_PTR CALLBACK Progress_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
        Frames *f = reinterpret_cast<Frames *>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (f)
            f->cancelled = true;
        return TRUE;
    }
    return FALSE;
}

// Let the progress dialog (and the window's paints) run.
void Messages_pump(HWND dialog, Frames *f)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            f->cancelled = true;
            return;
        }
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Draw frame k into its plane; the view is put back afterwards.  0, or -1.
int Frame_draw(HWND window, Frames *f, int k, int mode)
{
    const int16_t angles[3] = {display.angle_x, display.angle_y, display.angle_z};
    const ViewState view = view_state;
    ViewMatrix turned = View_matrix(display.angle_x, display.angle_y, display.angle_z);
    View_screen_axis_turn(&turned, SCREEN_Y, 360.0 * k / ANIMATION_FRAMES);
    int16_t out[3];
    View_matrix_angles(turned, angles, out);
    display.angle_x = out[0];
    display.angle_y = out[1];
    display.angle_z = out[2];
    RasterSurface image;
    int result = Headless_render(window, &image, mode, static_cast<int>(app.calc_mode),
                                 static_cast<int>(dialog_host.redraw_pressed), 1);
    display.angle_x = angles[0];
    display.angle_y = angles[1];
    display.angle_z = angles[2];
    view_state = view;
    if (result != 0)
        return -1;
    uint8_t *plane = &f->index[static_cast<size_t>(k) * static_cast<size_t>(f->width) *
                               static_cast<size_t>(f->height)];
    for (int32_t y = 0; y < f->height; y++)
        for (int32_t x = 0; x < f->width; x++)
            *plane++ = Frame_palette_index(&f->palette, image.pixel(x, y));
    return 0;
}

template <class T>
void Release(T *&p)
{
    if (p)
        p->Release();
    p = nullptr;
}

// One frame of the encoder, with its delay.  Returns the result; *timed
// false when the delay could not be set: Windows' GIF encoder takes it
// through the frame's metadata writer; Wine's (8.0) has none, so there the
// frames are written without it and the user is told.
HRESULT Frame_encode(IWICBitmapEncoder *encoder, IWICPalette *palette, Frames *f, int k,
                     bool *timed)
{
    IWICBitmapFrameEncode *frame = nullptr;
    IPropertyBag2 *options = nullptr;
    HRESULT hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(static_cast<UINT>(f->width), static_cast<UINT>(f->height));
    WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed))
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->SetPalette(palette);
    IWICMetadataQueryWriter *metadata = nullptr;
    PROPVARIANT delay;
    PropVariantInit(&delay);
    delay.vt = VT_UI2;
    delay.uiVal = FRAME_DELAY;
    if (SUCCEEDED(hr) && (FAILED(frame->GetMetadataQueryWriter(&metadata)) ||
                          FAILED(metadata->SetMetadataByName(L"/grctlext/Delay", &delay))))
        *timed = false;
    Release(metadata);
    const UINT size = static_cast<UINT>(f->width) * static_cast<UINT>(f->height);
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(static_cast<UINT>(f->height), static_cast<UINT>(f->width), size,
                                &f->index[static_cast<size_t>(k) * size]);
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    Release(options);
    Release(frame);
    return hr;
}

// The animation loops for ever: the application extension NETSCAPE2.0 with
// a loop count of 0, through the encoder's metadata writer.  *timed false
// when it cannot be set (as for the delays: Wine).
void Loop_set(IWICBitmapEncoder *encoder, bool *timed)
{
    static UCHAR application[] = "NETSCAPE2.0";
    static UCHAR data[] = {3, 1, 0, 0, 0};
    IWICMetadataQueryWriter *metadata = nullptr;
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UI1 | VT_VECTOR;
    value.caub.cElems = 11;
    value.caub.pElems = application;
    bool set = SUCCEEDED(encoder->GetMetadataQueryWriter(&metadata)) &&
               SUCCEEDED(metadata->SetMetadataByName(L"/appext/application", &value));
    value.caub.cElems = sizeof data;
    value.caub.pElems = data;
    set = set && SUCCEEDED(metadata->SetMetadataByName(L"/appext/data", &value));
    if (!set)
        *timed = false;
    Release(metadata);
}

// Write the frames to `path` as an animated GIF.  Returns the result; *timed
// as Frame_encode; *no_encoder when the platform has no GIF encoder.
HRESULT Gif_write(Frames *f, const char *path, bool *timed, bool *no_encoder)
{
    wchar_t wide[PATH_SIZE];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, PATH_SIZE) == 0)
        return E_FAIL;
    IWICImagingFactory *factory = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICPalette *palette = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void **>(&factory));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateEncoder(GUID_ContainerFormatGif, nullptr, &encoder);
        *no_encoder = FAILED(hr);
    } else {
        *no_encoder = true;
    }
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(wide, GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        Loop_set(encoder, timed);
    WICColor colours[256];
    for (int i = 0; i < f->palette.count; i++) { // 0xAARRGGBB from 0x00BBGGRR
        const Colour c = f->palette.colour[i];
        colours[i] = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    }
    if (SUCCEEDED(hr))
        hr = factory->CreatePalette(&palette);
    if (SUCCEEDED(hr))
        hr = palette->InitializeCustom(colours, static_cast<UINT>(f->palette.count));
    if (SUCCEEDED(hr))
        encoder->SetPalette(palette); // the global table, where the encoder keeps one
    for (int k = 0; k < ANIMATION_FRAMES && SUCCEEDED(hr); k++)
        hr = Frame_encode(encoder, palette, f, k, timed);
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    Release(palette);
    Release(encoder);
    Release(stream);
    Release(factory);
    return hr;
}

// Draw every frame under the progress dialog.  0, 1 when cancelled, -1 when
// a frame could not be drawn.
int Frames_draw(HWND window, Frames *f)
{
    HWND dialog =
        CreateDialogParamA(dialog_host.app_instance, "ANIMATIONPROGRESS", window, Progress_proc, 0);
    if (!dialog)
        return -1;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(f));
    EnableWindow(window, FALSE);
    const int mode = app.zoomed == 1 ? RENDER_KEEP : RENDER_FULL;
    int result = 0;
    for (int k = 0; k < ANIMATION_FRAMES && result == 0; k++) {
        char text[64];
        std::snprintf(text, sizeof text, "Frame %d of %d", k + 1, ANIMATION_FRAMES);
        SetDlgItemTextA(dialog, IDC_ANIMATION_PROGRESS, text);
        Messages_pump(dialog, f);
        if (f->cancelled)
            result = 1;
        else if (Frame_draw(window, f, k, mode) != 0)
            result = -1;
    }
    Messages_pump(dialog, f);
    if (result == 0 && f->cancelled)
        result = 1;
    EnableWindow(window, TRUE);
    DestroyWindow(dialog);
    return result;
}

void Cannot_save(HWND window)
{
    Message_show(window, "Can't Save file", "Warning", MESSAGE_ICON_INFORMATION, 0);
}

} // namespace

void Animation_save_command(HWND window)
{
    if (app.picture_selected == 0 || app.view_bitmap_missing != 0) {
        Message_show(window, "Not Selected Capture File.", MESSAGE_CAPTION_ERROR_STATUS,
                     MESSAGE_ICON_EXCLAMATION, 0);
        return;
    }
    const DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (File_dialog(window, 1, "Save Animation", GIF_FILTER, animation_save_path,
                    sizeof animation_save_path, flags) != 0)
        return;
    Frames f = {};
    Frame_palette_init(&f.palette);
    f.width = layout.bitmap_w;
    f.height = layout.bitmap_h;
    f.index.resize(static_cast<size_t>(ANIMATION_FRAMES) * static_cast<size_t>(f.width) *
                   static_cast<size_t>(f.height));
    int drawn = Frames_draw(window, &f);
    app.restore_view = 1;
    Picture_invalidate();
    if (drawn != 0) {
        if (drawn < 0)
            Cannot_save(window);
        return; // cancelled: no file
    }
    SetCursor(app.cursor_wait);
    char part[PART_PATH_SIZE];
    std::FILE *file = Part_file_create(animation_save_path, part, sizeof part);
    bool timed = true, no_encoder = false;
    HRESULT hr = E_FAIL;
    if (file) {
        std::fclose(file);
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        hr = Gif_write(&f, part, &timed, &no_encoder);
        if (SUCCEEDED(com))
            CoUninitialize();
    }
    bool placed = false;
    if (file)
        placed = Part_file_place(SUCCEEDED(hr), part, animation_save_path) == 0;
    else
        Part_file_forget();
    SetCursor(app.cursor_arrow);
    if (no_encoder)
        Message_show(window, "This system cannot write animated GIF files.", "Warning",
                     MESSAGE_ICON_INFORMATION, 0);
    else if (!placed)
        Cannot_save(window);
    else if (!timed)
        Message_show(window,
                     "The animation is saved, but this system cannot set the time of its "
                     "frames or make them loop: readers show them at their own pace.",
                     "Warning", MESSAGE_ICON_INFORMATION, 0);
}
