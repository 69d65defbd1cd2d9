#include "picture/settings.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture/le_bytes.h"

SettingsRecord settings;
Colour legend_frame_color;
char help_path[FULL_PATH_SIZE];
char sim_exe_path[FULL_PATH_SIZE];

int16_t view_dirty;
int16_t picture_selected;
int16_t settings_changed;
int32_t calc_mode;
int16_t calc_file_ready;
int16_t geometry_enabled = 1;
int16_t geometry_pending;

int16_t angle_x, angle_y, angle_z;
int16_t show_electron = 1, show_positron = 1, show_photon = 1;
int32_t particle_check_id[PARTICLE_KINDS] = {800, 802, 804};
int32_t batch_from, batch_to;
char batch_count_text[8];
char batch_from_text[8];
char batch_to_text[8];

char picture_path[PATH_SIZE];
char geometry_path[PATH_SIZE];
char geometry_path_pending[PATH_SIZE];
char calc_output_path[PATH_SIZE];

int16_t selection_armed, guide_placing, title_placing;
int32_t angle_scroll_pos, angle_scroll_prev;

namespace {

const char INFO_FILE_NAME[] = "info.$$$";

// Bounds applied to a record read from a file.  The window may be stored
// narrower than the minimum (the first resize raises it), but not absurd.
const int32_t WINDOW_SIZE_MIN = 100;
const int32_t WINDOW_SIZE_MAX = 16384;
const int32_t PEN_WIDTH_MAX = 32;
const int32_t PEN_STYLE_MAX = 6;
const int32_t ANGLE_STEP_MAX = 90;

// One field of the record: its offset and size in the image, and where it
// lives in memory.  The table drives both directions.
enum FieldType { FIELD_U32, FIELD_I32, FIELD_BYTES };

struct FieldSpec {
    size_t offset;
    size_t size;
    FieldType type;
};

void *Field_address(SettingsRecord *r, size_t offset)
{
    switch (offset) {
    case 0: return &r->particle_color[0];
    case 4: return &r->particle_color[1];
    case 8: return &r->particle_color[2];
    case 12: return &r->particle_pen_style[0];
    case 16: return &r->particle_pen_style[1];
    case 20: return &r->particle_pen_style[2];
    case 24: return &r->particle_pen_width[0];
    case 28: return &r->particle_pen_width[1];
    case 32: return &r->particle_pen_width[2];
    case 36: return r->scale_unit_text;
    case 46: return r->padding;
    case 48: return &r->angle_step;
    case 52: return r->photon_cutoff_text;
    case 72: return r->charged_cutoff_text;
    case 92: return r->work_dir;
    case 112: return &r->background_color;
    case 116: return &r->geometry_color;
    case 120: return &r->character_color;
    case 124: return &r->window_width;
    case 128: return &r->window_height;
    case 132: return r->title_text;
    case 172: return r->reserved;
    default: return nullptr;
    }
}

const FieldSpec record_fields[] = {
    {0, 4, FIELD_U32},   {4, 4, FIELD_U32},    {8, 4, FIELD_U32},
    {12, 4, FIELD_I32},  {16, 4, FIELD_I32},   {20, 4, FIELD_I32},
    {24, 4, FIELD_I32},  {28, 4, FIELD_I32},   {32, 4, FIELD_I32},
    {36, SCALE_UNIT_TEXT_SIZE, FIELD_BYTES},   {46, 2, FIELD_BYTES},
    {48, 4, FIELD_I32},
    {52, CUTOFF_TEXT_SIZE, FIELD_BYTES},       {72, CUTOFF_TEXT_SIZE, FIELD_BYTES},
    {92, WORK_DIR_SIZE, FIELD_BYTES},
    {112, 4, FIELD_U32}, {116, 4, FIELD_U32},  {120, 4, FIELD_U32},
    {124, 4, FIELD_I32}, {128, 4, FIELD_I32},
    {132, TITLE_TEXT_SIZE, FIELD_BYTES},
    {172, SETTINGS_RESERVED_SIZE, FIELD_BYTES},
};

static_assert(sizeof(record_fields) / sizeof(record_fields[0]) == 22, "22 fields");
static_assert(172 + SETTINGS_RESERVED_SIZE == SETTINGS_RECORD_SIZE, "record is 192 bytes");

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
        r->particle_color[i] = 0x00FFFFFFu;
        r->particle_pen_style[i] = 0;
        r->particle_pen_width[i] = 1;
    }
    Text_copy(r->scale_unit_text, sizeof r->scale_unit_text, "0.1");
    r->angle_step = 30;
    Text_copy(r->photon_cutoff_text, sizeof r->photon_cutoff_text, "0");
    Text_copy(r->charged_cutoff_text, sizeof r->charged_cutoff_text, "0");
    Text_copy(r->work_dir, sizeof r->work_dir, "c:\\");
    r->background_color = 0x00000000u;
    r->geometry_color = 0x00FFFFFFu;
    r->character_color = 0x00FFFFFFu;
    r->window_width = 640;
    r->window_height = 410;
}

void Settings_encode(const SettingsRecord *record, uint8_t image[SETTINGS_RECORD_SIZE])
{
    SettingsRecord copy = *record;
    std::memset(image, 0, SETTINGS_RECORD_SIZE);
    for (const FieldSpec &f : record_fields) {
        const void *field = Field_address(&copy, f.offset);
        if (f.type == FIELD_BYTES) {
            std::memcpy(image + f.offset, field, f.size);
        } else {
            uint32_t v;
            std::memcpy(&v, field, 4);
            Put4(image + f.offset, v);
        }
    }
}

void Settings_decode(const uint8_t *image, size_t length, SettingsRecord *record)
{
    if (length > SETTINGS_RECORD_SIZE)
        length = SETTINGS_RECORD_SIZE;
    for (const FieldSpec &f : record_fields) {
        if (f.offset >= length)
            break;
        void *field = Field_address(record, f.offset);
        size_t available = length - f.offset;
        if (f.type == FIELD_BYTES) {
            std::memcpy(field, image + f.offset, available < f.size ? available : f.size);
        } else if (available >= 4) {
            uint32_t v = Get4(image + f.offset);
            std::memcpy(field, &v, 4);
        } else {
            // A file ending inside a number replaces only the bytes it holds.
            uint8_t bytes[4];
            uint32_t old;
            std::memcpy(&old, field, 4);
            Put4(bytes, old);
            std::memcpy(bytes, image + f.offset, available);
            uint32_t v = Get4(bytes);
            std::memcpy(field, &v, 4);
        }
    }
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
        if (r->particle_color[i] > 0x00FFFFFFu) {
            r->particle_color[i] &= 0x00FFFFFFu;
            mended++;
        }
    }
    Colour *colours[] = {&r->background_color, &r->geometry_color, &r->character_color};
    for (Colour *c : colours) {
        if (*c > 0x00FFFFFFu) {
            *c &= 0x00FFFFFFu;
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
    legend_frame_color = settings.background_color == 0x00FFFFFFu ? 0x00000000u : 0x00FFFFFFu;
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
    std::fclose(f);
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
    particle_check_id[0] = 800;
    particle_check_id[1] = 802;
    particle_check_id[2] = 804;
    std::memset(picture_path, 0, sizeof picture_path);
    std::memset(geometry_path, 0, sizeof geometry_path);
    std::memset(geometry_path_pending, 0, sizeof geometry_path_pending);
    std::memset(calc_output_path, 0, sizeof calc_output_path);
    batch_from = batch_to = 0;
    std::memset(batch_count_text, 0, sizeof batch_count_text);
    std::memset(batch_from_text, 0, sizeof batch_from_text);
    std::memset(batch_to_text, 0, sizeof batch_to_text);
    view_dirty = picture_selected = settings_changed = 0;
    calc_mode = 0;
    calc_file_ready = 0;
    geometry_enabled = 1;
    geometry_pending = 0;
    selection_armed = guide_placing = title_placing = 0;
    angle_scroll_pos = angle_scroll_prev = 0;

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
