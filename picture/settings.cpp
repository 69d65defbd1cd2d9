#include "picture/settings.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture/le_bytes.h"

SettingsRecord settings;
Colour legend_frame_color;
char help_path[FULL_PATH_SIZE];

int16_t view_dirty;
int16_t geometry_enabled = 1;
int16_t geometry_pending;

int16_t angle_x, angle_y, angle_z;
int16_t show_electron = 1, show_positron = 1, show_photon = 1;
int32_t batch_from, batch_to;

char picture_path[PATH_SIZE];
char geometry_path[PATH_SIZE];
char calc_output_path[PATH_SIZE];

namespace {

// The simulation program in the start-up directory: the info file is
// written next to it at exit.
char sim_exe_path[FULL_PATH_SIZE];

const char INFO_FILE_NAME[] = "info.$$$";

// Bounds applied to a record read from a file.  The window may be stored
// narrower than the minimum (the first resize raises it), but not absurd.
const int32_t WINDOW_SIZE_MIN = 100;
const int32_t WINDOW_SIZE_MAX = 16384;
const int32_t PEN_WIDTH_MAX = 32;
const int32_t PEN_STYLE_MAX = 6;
const int32_t ANGLE_STEP_MAX = 90;

static_assert(172 + SETTINGS_RESERVED_SIZE == SETTINGS_RECORD_SIZE, "record is 192 bytes");

int32_t Get_int(const uint8_t *p)
{
    return static_cast<int32_t>(Get4(p));
}

void Put_int(uint8_t *p, int32_t v)
{
    Put4(p, static_cast<uint32_t>(v));
}

int Text_terminate(char *field, size_t size)
{
    if (std::memchr(field, '\0', size) != nullptr)
        return 0;
    field[size - 1] = '\0';
    return 1;
}

int Int_bound(int32_t *value, int32_t low, int32_t high, int32_t fallback)
{
    if (*value >= low && *value <= high)
        return 0;
    *value = fallback;
    return 1;
}

// Directory part (with its trailing separator) of a full path.
void Path_directory(const char *path, char *out, size_t out_size)
{
    const char *last = nullptr;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/' || (*p == ':' && p == path + 1))
            last = p;
    size_t n = last ? static_cast<size_t>(last - path) + 1 : 0;
    if (n >= out_size)
        n = out_size - 1;
    std::memcpy(out, path, n);
    out[n] = '\0';
}

// Full path of `name` in the current directory, without checking that it exists.
void Path_resolve(const char *name, char *out, size_t out_size)
{
    std::error_code error;
    std::filesystem::path cwd = std::filesystem::current_path(error);
    std::string full = error ? std::string(name) : (cwd / name).string();
    Text_copy(out, out_size, full.c_str());
}

} // namespace

void Text_copy(char *field, size_t field_size, const char *text)
{
    if (field_size == 0)
        return;
    size_t n = std::strlen(text);
    if (n >= field_size)
        n = field_size - 1;
    std::memcpy(field, text, n);
    std::memset(field + n, 0, field_size - n);
}

void Settings_defaults(SettingsRecord *r)
{
    std::memset(r, 0, sizeof *r);
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        r->particle_color[i] = COLOUR_WHITE;
        r->particle_pen_style[i] = 0;
        r->particle_pen_width[i] = 1;
    }
    Text_copy(r->scale_unit_text, sizeof r->scale_unit_text, "0.1");
    r->angle_step = 30;
    Text_copy(r->photon_cutoff_text, sizeof r->photon_cutoff_text, "0");
    Text_copy(r->charged_cutoff_text, sizeof r->charged_cutoff_text, "0");
    Text_copy(r->work_dir, sizeof r->work_dir, "c:\\");
    r->background_color = COLOUR_BLACK;
    r->geometry_color = COLOUR_WHITE;
    r->character_color = COLOUR_WHITE;
    r->window_width = 640;
    r->window_height = 410;
}

// The layout table in settings.h is the one description of the image; these
// two follow it field by field.
void Settings_encode(const SettingsRecord *r, uint8_t image[SETTINGS_RECORD_SIZE])
{
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        Put4(image + 0 + 4 * i, r->particle_color[i]);
        Put_int(image + 12 + 4 * i, r->particle_pen_style[i]);
        Put_int(image + 24 + 4 * i, r->particle_pen_width[i]);
    }
    std::memcpy(image + 36, r->scale_unit_text, SCALE_UNIT_TEXT_SIZE);
    std::memcpy(image + 46, r->padding, 2);
    Put_int(image + 48, r->angle_step);
    std::memcpy(image + 52, r->photon_cutoff_text, CUTOFF_TEXT_SIZE);
    std::memcpy(image + 72, r->charged_cutoff_text, CUTOFF_TEXT_SIZE);
    std::memcpy(image + 92, r->work_dir, WORK_DIR_SIZE);
    Put4(image + 112, r->background_color);
    Put4(image + 116, r->geometry_color);
    Put4(image + 120, r->character_color);
    Put_int(image + 124, r->window_width);
    Put_int(image + 128, r->window_height);
    std::memcpy(image + 132, r->title_text, TITLE_TEXT_SIZE);
    std::memcpy(image + 172, r->reserved, SETTINGS_RESERVED_SIZE);
}

void Settings_decode(const uint8_t *image, size_t length, SettingsRecord *r)
{
    // A short image replaces only the bytes it holds: the rest of the full
    // image keeps the record's own bytes, also inside a number.
    uint8_t full[SETTINGS_RECORD_SIZE];
    Settings_encode(r, full);
    if (length > SETTINGS_RECORD_SIZE)
        length = SETTINGS_RECORD_SIZE;
    std::memcpy(full, image, length);

    for (int i = 0; i < PARTICLE_KINDS; i++) {
        r->particle_color[i] = Get4(full + 0 + 4 * i);
        r->particle_pen_style[i] = Get_int(full + 12 + 4 * i);
        r->particle_pen_width[i] = Get_int(full + 24 + 4 * i);
    }
    std::memcpy(r->scale_unit_text, full + 36, SCALE_UNIT_TEXT_SIZE);
    std::memcpy(r->padding, full + 46, 2);
    r->angle_step = Get_int(full + 48);
    std::memcpy(r->photon_cutoff_text, full + 52, CUTOFF_TEXT_SIZE);
    std::memcpy(r->charged_cutoff_text, full + 72, CUTOFF_TEXT_SIZE);
    std::memcpy(r->work_dir, full + 92, WORK_DIR_SIZE);
    r->background_color = Get4(full + 112);
    r->geometry_color = Get4(full + 116);
    r->character_color = Get4(full + 120);
    r->window_width = Get_int(full + 124);
    r->window_height = Get_int(full + 128);
    std::memcpy(r->title_text, full + 132, TITLE_TEXT_SIZE);
    std::memcpy(r->reserved, full + 172, SETTINGS_RESERVED_SIZE);
}

int Settings_sanitize(SettingsRecord *r)
{
    int mended = 0;
    mended += Text_terminate(r->scale_unit_text, sizeof r->scale_unit_text);
    mended += Text_terminate(r->photon_cutoff_text, sizeof r->photon_cutoff_text);
    mended += Text_terminate(r->charged_cutoff_text, sizeof r->charged_cutoff_text);
    mended += Text_terminate(r->work_dir, sizeof r->work_dir);
    mended += Text_terminate(r->title_text, sizeof r->title_text);
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        mended += Int_bound(&r->particle_pen_style[i], 0, PEN_STYLE_MAX, 0);
        mended += Int_bound(&r->particle_pen_width[i], 0, PEN_WIDTH_MAX, 1);
        if (r->particle_color[i] > COLOUR_MASK) {
            r->particle_color[i] &= COLOUR_MASK;
            mended++;
        }
    }
    Colour *colours[] = {&r->background_color, &r->geometry_color, &r->character_color};
    for (Colour *c : colours) {
        if (*c > COLOUR_MASK) {
            *c &= COLOUR_MASK;
            mended++;
        }
    }
    mended += Int_bound(&r->angle_step, 0, ANGLE_STEP_MAX, 30);
    mended += Int_bound(&r->window_width, WINDOW_SIZE_MIN, WINDOW_SIZE_MAX, 640);
    mended += Int_bound(&r->window_height, WINDOW_SIZE_MIN, WINDOW_SIZE_MAX, 410);
    return mended;
}

void Settings_derive_colours()
{
    legend_frame_color = settings.background_color == COLOUR_WHITE ? COLOUR_BLACK : COLOUR_WHITE;
}

int Settings_load_file(const char *path, SettingsRecord *record)
{
    // Opened for reading and writing without creating it, as the program
    // keeps the file it found.
    FILE *f = std::fopen(path, "r+b");
    if (!f)
        f = std::fopen(path, "rb");
    if (!f)
        return -1;
    uint8_t image[SETTINGS_RECORD_SIZE];
    size_t n = std::fread(image, 1, sizeof image, f);
    // A directory opens for reading on some systems, but cannot be read.
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return -1;
    Settings_decode(image, n, record);
    return 0;
}

int Settings_save_file(const char *path, const SettingsRecord *record)
{
    uint8_t image[SETTINGS_RECORD_SIZE];
    Settings_encode(record, image);
    // An existing file is overwritten in place, not truncated.
    FILE *f = std::fopen(path, "r+b");
    if (!f)
        f = std::fopen(path, "w+b");
    if (!f)
        return -1;
    size_t n = std::fwrite(image, 1, sizeof image, f);
    int closed = std::fclose(f);
    return n == sizeof image && closed == 0 ? 0 : -1;
}

void Settings_init()
{
    Settings_defaults(&settings);

    angle_x = angle_y = angle_z = 0;
    show_electron = show_positron = show_photon = 1;
    std::memset(picture_path, 0, sizeof picture_path);
    std::memset(geometry_path, 0, sizeof geometry_path);
    std::memset(calc_output_path, 0, sizeof calc_output_path);
    batch_from = batch_to = 0;
    view_dirty = 0;
    geometry_enabled = 1;
    geometry_pending = 0;

    Path_resolve("Tarsel.hlp", help_path, sizeof help_path);
    Path_resolve("vokawin32.exe", sim_exe_path, sizeof sim_exe_path);

    Settings_load_file(INFO_FILE_NAME, &settings);
    Settings_sanitize(&settings);
    Settings_derive_colours();
}

void Settings_save()
{
    char path[FULL_PATH_SIZE + 16];
    Path_directory(sim_exe_path, path, FULL_PATH_SIZE);
    std::strncat(path, INFO_FILE_NAME, sizeof path - std::strlen(path) - 1);
    Settings_save_file(path, &settings);
}
