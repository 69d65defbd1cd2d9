// The two file-open dialogs: Data File Open chooses the picture file (or,
// in CALC mode, names and creates the calculation's output file), Geometry
// File Open chooses the file whose geometry section is drawn.  Both record
// the choice and set the flags that tell the next paint what to rebuild;
// the conversion itself is started by the menu command afterwards.
#include "app/app.h"

#include <commdlg.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/part_file.h"
#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/ptracks.h"
#include "resources/resource_ids.h"

namespace {

char ofn_file_buffer[PATH_SIZE]; // the file name the dialogs return

// The track file the open picture was imported from ("": none) and the
// tracks a batch of that import.
char track_file_source[PATH_SIZE];
uint32_t track_file_per_batch;

// Filter pairs, each text followed by its pattern, the list ending in an
// empty text.  The last pair, EGSnrc's track files, is an addition: those
// files are converted into a picture when opened (Track_file_import).
const char PICTURE_FILTER[] =
    "All Type (*.*)\0*.*\0Pic File(*.Pic)\0*.pic\0Dat File(*.Dat)\0*.dat\0"
    "EGSnrc Tracks(*.ptracks)\0*.ptracks\0";
const char GEOMETRY_FILTER[] = "Picture File(*.Pic)\0*.pic\0All Type (*.*)\0*.*\0";
const char DIALOG_TITLE[] = "Data file open";

// Run the open-file dialog on ofn_file_buffer.
int Open_dialog(HWND window, const char *filter, DWORD flags)
{
    return File_dialog(window, 0, DIALOG_TITLE, filter, ofn_file_buffer, sizeof ofn_file_buffer,
                       flags);
}

// The geometry counts as shown unless Geometry Hide is checked (and nothing
// else about the item is set).
int16_t Geometry_shown(HWND window)
{
    UINT state = GetMenuState(GetMenu(window), IDM_GEOMETRY_HIDE, MF_BYCOMMAND);
    return state != MF_CHECKED ? 1 : 0;
}

// The work folder's file of that name (`out`, PATH_SIZE + 16 bytes).
void Work_folder_file(const char *name, char *out)
{
    char folder[PATH_SIZE];
    if (Work_dir_resolve(settings.work_dir, folder, sizeof folder) != 0)
        Text_copy(folder, sizeof folder, settings.work_dir);
    std::snprintf(out, PATH_SIZE + 16, "%s%s", folder, name);
}

// An EGSnrc track file chosen in Data File Open becomes the picture file
// work directory + "ptracks.$$$" (`picture`, PATH_SIZE bytes), which is
// then opened in its place.  The picture is written under a new name and
// put in place only when complete, so that a file that cannot be imported
// leaves the picture of the one imported before whole.  Returns 0, or -1
// after telling the user what is wrong with the file.
int Track_file_import(HWND window, char *picture, uint32_t *per_batch)
{
    char path[PATH_SIZE + 16];
    Work_folder_file("ptracks.$$$", path);
    Text_copy(picture, PATH_SIZE, path);
    PtracksStats stats;
    char why[PTRACKS_WHY_SIZE];
    char part[PART_PATH_SIZE] = "";
    HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    int result = Part_file_reserve(picture, part, sizeof part);
    if (result != 0) {
        std::snprintf(why, sizeof why, "%s: cannot be created: %s", picture, std::strerror(errno));
    } else {
        result = Ptracks_import(ofn_file_buffer, part, 0, &stats, why, sizeof why);
        if (Part_file_place(result == 0, part, picture) != 0 && result == 0) {
            std::snprintf(why, sizeof why, "%s: cannot be written: %s", picture,
                          std::strerror(errno));
            result = -1;
        }
    }
    SetCursor(before);
    if (result != 0) {
        // A problem of the new picture is told as one of `picture`.
        size_t n = std::strlen(part);
        char shown[PTRACKS_WHY_SIZE + PATH_SIZE];
        if (std::strncmp(why, part, n) == 0 && why[n] == ':')
            std::snprintf(shown, sizeof shown, "%s%s", picture, why + n);
        else
            Text_copy(shown, sizeof shown, why);
        MessageBoxA(window, shown, MESSAGE_CAPTION_ERROR_STATUS, MB_OK | MB_ICONEXCLAMATION);
        return -1;
    }
    *per_batch = stats.tracks_per_batch;
    if (stats.negative_energy != 0) {
        char text[PTRACKS_WHY_SIZE + 160];
        std::snprintf(text, sizeof text,
                      "%s: track %llu, vertex %llu: a negative energy, drawn as 0 (%llu "
                      "vertices in all).",
                      ofn_file_buffer, static_cast<unsigned long long>(stats.first_negative_track),
                      static_cast<unsigned long long>(stats.first_negative_vertex),
                      static_cast<unsigned long long>(stats.negative_energy));
        Message_show(window, text, MESSAGE_CAPTION_WARNING, MESSAGE_ICON_INFORMATION, 0);
    }
    return 0;
}

} // namespace

void Work_files_remove()
{
    // Only what a conversion of this run made: a work file left by a
    // viewer started elsewhere is none of this one's business.
    if (display.picture_path[0] == '\0' && app.calc_file_ready == 0)
        return;
    Work_write_wait(nullptr); // a file being written cannot be removed on Windows
    char path[PATH_SIZE + 16];
    Work_path(path, sizeof path);
    std::remove(path);
    Work_folder_file("ptracks.$$$", path);
    std::remove(path);
}

// Also the save dialog of Bitmap File Save.
int File_dialog(HWND window, int save, const char *title, const char *filter, char *file,
                DWORD file_size, DWORD flags)
{
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = file_size;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = "*";
    ofn.Flags = flags;
    if (save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))
        return 0;
    DWORD error = CommDlgExtendedError();
    if (error == 0)
        return -1;
    char text[64];
    std::snprintf(text, sizeof text, "Error No #%ld From GetOpenFileName",
                  static_cast<long>(error));
    MessageBoxA(window, text, "WARNING", MB_OK | MB_ICONSTOP);
    return -1;
}

int Picture_file_open(HWND window)
{
    const DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                        (app.calc_mode == 1 ? OFN_CREATEPROMPT : OFN_FILEMUSTEXIST);
    if (Open_dialog(window, PICTURE_FILTER, flags) != 0)
        return -1;

    if (app.calc_mode == 1) {
        Text_copy(display.calc_output_path, sizeof display.calc_output_path, ofn_file_buffer);
        // Created empty when missing; an existing file is left as it is.
        FILE *f = std::fopen(display.calc_output_path, "ab");
        if (!f) {
            // The numbered message, and which file and why (said here: the
            // detail of the window's boxes is about the work file).
            char text[PATH_SIZE + 192];
            std::snprintf(text, sizeof text,
                          "work path not found error !!\n\n"
                          "The calculation's output file cannot be created:\n%s\n(%s)",
                          display.calc_output_path, std::strerror(errno));
            MessageBoxA(window, text, MESSAGE_CAPTION_ERROR_STATUS, MB_OK | MB_ICONEXCLAMATION);
            return -1;
        }
        std::fclose(f);
        app.calc_file_ready = 1;
        return 1;
    }

    const char *chosen = ofn_file_buffer;
    char imported[PATH_SIZE];
    uint32_t per_batch = 0;
    if (Ptracks_named(ofn_file_buffer)) {
        if (Track_file_import(window, imported, &per_batch) != 0)
            return -1;
        chosen = imported;
    }
    Text_copy(track_file_source, sizeof track_file_source,
              chosen == imported ? ofn_file_buffer : "");
    track_file_per_batch = per_batch;
    Text_copy(display.picture_path, sizeof display.picture_path, chosen);
    app.picture_selected = 1;
    display.view_dirty = 1;
    if (display.geometry_enabled == 1)
        display.geometry_pending = 1;
    int16_t shown = Geometry_shown(window);
    display.geometry_enabled = shown;
    display.geometry_pending = shown;
    Picture_invalidate();
    return 0;
}

int Track_file_left_out_text(char *text, size_t text_size)
{
    // CALC mode converts the calculation's output file.
    if (track_file_source[0] == '\0' || app.calc_mode == 1)
        return -1;
    int problem;
    uint64_t first, track, vertex;
    uint64_t lines = Lines_left_out(&work_file.stats, &problem, &first);
    if (lines == 0 ||
        Ptracks_locate(track_file_source, track_file_per_batch, first, &track, &vertex) != 0)
        return -1;
    std::snprintf(text, text_size,
                  lines == 1 ? "%llu vertex of the track file was left out.\n"
                               "Track %llu, vertex %llu: %s."
                             : "%llu vertices of the track file were left out.\n"
                               "The first, track %llu, vertex %llu: %s.",
                  static_cast<unsigned long long>(lines), static_cast<unsigned long long>(track),
                  static_cast<unsigned long long>(vertex), Line_problem_text(problem));
    return 0;
}

int Geometry_file_open(HWND window)
{
    const DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (Open_dialog(window, GEOMETRY_FILTER, flags) != 0)
        return -1;

    Text_copy(app.geometry_path_pending, sizeof app.geometry_path_pending, ofn_file_buffer);
    int16_t shown = Geometry_shown(window);
    if (std::strcmp(app.geometry_path_pending, display.geometry_path) != 0)
        dialog_host.settings_changed = 1;
    if (display.geometry_enabled != shown)
        dialog_host.settings_changed = 1;
    if (display.geometry_enabled != shown || dialog_host.settings_changed == 1) {
        Text_copy(display.geometry_path, sizeof display.geometry_path, app.geometry_path_pending);
        display.geometry_enabled = shown;
        display.geometry_pending = shown;
    }
    display.view_dirty = 1;
    Picture_invalidate();
    return 0;
}
