// Bitmap File Save: the picture area with its margin as an uncompressed
// bitmap file, in the pixel format that matches the display.
#include "app/output/output.h"

#include <commdlg.h>

#include "app/app.h"
#include "app/output/output_image.h"
#include "output/bmp_file.h"
#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/platform.h"
#include "picture/settings.h"
#include "render/layout.h"
#include "render/view.h"

namespace {

// The file name of the save dialog; the dialog offers the last one again.
char bitmap_save_path[PATH_SIZE];

// Filter pairs, each text followed by its pattern, the list ending in an
// empty text.
const char BITMAP_FILTER[] = "Bitmap File (*.Bmp)\0*.bmp\0Dat File (*.Dat)\0*.dat\0";

void Cannot_save(HWND window)
{
    Message_show(window, "Can't Save file", "Warning", MESSAGE_ICON_INFORMATION, 0);
}

// Whether `path` is a file the window reads (the picture, the geometry
// file, the calculation's output, the work file, the info file the window
// started with): such a file is never written over.
bool Read_by_the_window(const char *path)
{
    char work[WORK_PATH_SIZE];
    Work_path(work, sizeof work);
    const char *inputs[] = {display.picture_path, display.geometry_path, display.calc_output_path,
                            work, "info.$$$"};
    for (const char *input : inputs)
        if (input[0] != '\0' && File_same(path, input))
            return true;
    return false;
}

} // namespace

void Bitmap_save_command(HWND window)
{
    if (app.picture_selected == 0) {
        Message_show(window, "Not Selected Capture File.", MESSAGE_CAPTION_ERROR_STATUS,
                     MESSAGE_ICON_EXCLAMATION, 0);
        return;
    }
    Bitmap_export(window, layout.bitmap_w, layout.bitmap_h);
    app.restore_view = 1;
    InvalidateRect(window, nullptr, FALSE);
}

int Bitmap_export(HWND window, int32_t width, int32_t height)
{
    // The name is used exactly as the dialog returns it.
    const DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
    if (File_dialog(window, 1, "Bitmap file save", BITMAP_FILTER, bitmap_save_path,
                    sizeof bitmap_save_path, flags) != 0)
        return -1;
    if (app.view_bitmap_missing != 0)
        return 0;

    SetCursor(app.cursor_wait);
    // The picture area is painted back at once, so that the window no
    // longer shows the dialog.
    app.restore_view = 1;
    Picture_invalidate();
    app.render_mode = app.zoomed == 1 ? RENDER_KEEP : RENDER_FULL;
    UpdateWindow(window);
    Bitmap_write(window, width, height, bitmap_save_path);
    SetCursor(app.cursor_arrow);
    return 0;
}

void Bitmap_write(HWND window, int32_t width, int32_t height, const char *path)
{
    // The rows are read one at a time, so the memory beyond the composed
    // image is one row in the file's format.
    OutputImage image;
    if (Read_by_the_window(path) || Output_image_begin(&image, window, width, 1) != 0) {
        Cannot_save(window);
        return;
    }
    BmpLayout file;
    BmpWriter writer;
    if (Bmp_layout(image.display_colours, width, height, &file) != 0 ||
        Bmp_write_begin(&writer, path, &file, image.colour_table) != 0) {
        Output_image_end(&image);
        Cannot_save(window);
        return;
    }
    // Without memory for the image the file ends after the colour table.
    if (Output_image_compose(&image, height) == 0) {
        for (int32_t y = height - 1; y >= 0; y--)
            Bmp_write_row(&writer, Output_image_strip(&image, y));
    }
    Output_image_end(&image);
    // Nothing is lost when the disk fails the file: the old file stays.
    if (Bmp_write_end(&writer) != 0)
        Cannot_save(window);
}
