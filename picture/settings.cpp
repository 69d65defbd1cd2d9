#include "picture/settings.h"

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "picture/file_replace.h"
#include "picture/le_bytes.h"
#include "picture/platform.h"

SettingsRecord settings;
Colour legend_frame_color;
int settings_file_found;

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

// The fields of the info file in their order: where each lies in the file,
// how large one element is and how many there are, and where it lies in the
// record.  Numbers are 32-bit little-endian (colours unsigned, the others
// signed: the same four bytes either way); texts and the padding are bytes.
enum FieldForm { FIELD_NUMBER, FIELD_BYTES };
struct SettingsField {
    size_t offset; // in the file
    size_t size;   // of one element
    size_t count;
    FieldForm form;
    size_t member; // offsetof in SettingsRecord
};

#define FIELD(offset, form, size, count, name)                                                     \
    {                                                                                              \
        offset, size, count, form, offsetof(SettingsRecord, name)                                  \
    }
constexpr SettingsField SETTINGS_FIELDS[] = {
    FIELD(0, FIELD_NUMBER, 4, PARTICLE_KINDS, particle_color),
    FIELD(12, FIELD_NUMBER, 4, PARTICLE_KINDS, particle_pen_style),
    FIELD(24, FIELD_NUMBER, 4, PARTICLE_KINDS, particle_pen_width),
    FIELD(36, FIELD_BYTES, SCALE_UNIT_TEXT_SIZE, 1, scale_unit_text),
    FIELD(46, FIELD_BYTES, 2, 1, padding),
    FIELD(48, FIELD_NUMBER, 4, 1, angle_step),
    FIELD(52, FIELD_BYTES, CUTOFF_TEXT_SIZE, 1, photon_cutoff_text),
    FIELD(72, FIELD_BYTES, CUTOFF_TEXT_SIZE, 1, charged_cutoff_text),
    FIELD(92, FIELD_BYTES, WORK_DIR_SIZE, 1, work_dir),
    FIELD(112, FIELD_NUMBER, 4, 1, background_color),
    FIELD(116, FIELD_NUMBER, 4, 1, geometry_color),
    FIELD(120, FIELD_NUMBER, 4, 1, character_color),
    FIELD(124, FIELD_NUMBER, 4, 1, window_width),
    FIELD(128, FIELD_NUMBER, 4, 1, window_height),
    FIELD(132, FIELD_BYTES, TITLE_TEXT_SIZE, 1, title_text),
    FIELD(172, FIELD_BYTES, SETTINGS_RESERVED_SIZE, 1, reserved),
};
#undef FIELD

// Each field begins where the one before it ends, the first at 0 and the
// last ending at the record's size, and a number takes 4 bytes.
constexpr bool Fields_cover_record()
{
    size_t at = 0;
    for (const SettingsField &f : SETTINGS_FIELDS) {
        if (f.offset != at || (f.form == FIELD_NUMBER && f.size != 4))
            return false;
        at += f.size * f.count;
    }
    return at == SETTINGS_RECORD_SIZE;
}
static_assert(Fields_cover_record(), "the fields of the info file lie end to end over 192 bytes");
static_assert(sizeof(Colour) == 4 && sizeof(int32_t) == 4, "numbers of the record are 4 bytes");

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
    // Terminated by the zeros that fill the rest of the field.
    std::memcpy(field, text, n); // NOLINT(bugprone-not-null-terminated-result)
    std::memset(field + n, 0, field_size - n);
}

void Settings_defaults(SettingsRecord *r)
{
    std::memset(r, 0, sizeof *r);
    for (int i = 0; i < PARTICLE_KINDS; i++) {
        r->particle_color[i] = PARTICLE_DEFAULT_COLOURS[i];
        r->particle_pen_style[i] = 0;
        r->particle_pen_width[i] = 1;
    }
    Text_copy(r->scale_unit_text, sizeof r->scale_unit_text, "0.1");
    r->angle_step = 30;
    Text_copy(r->photon_cutoff_text, sizeof r->photon_cutoff_text, "0");
    Text_copy(r->charged_cutoff_text, sizeof r->charged_cutoff_text, "0");
    Text_copy(r->work_dir, sizeof r->work_dir, WORK_DIR_TEMP);
    r->background_color = COLOUR_BLACK;
    r->geometry_color = COLOUR_WHITE;
    r->character_color = COLOUR_WHITE;
    r->window_width = 640;
    r->window_height = 410;
}

void Settings_encode(const SettingsRecord *r, uint8_t image[SETTINGS_RECORD_SIZE])
{
    const uint8_t *record = reinterpret_cast<const uint8_t *>(r);
    for (const SettingsField &f : SETTINGS_FIELDS) {
        const uint8_t *from = record + f.member;
        uint8_t *to = image + f.offset;
        if (f.form == FIELD_BYTES) {
            std::memcpy(to, from, f.size * f.count);
            continue;
        }
        for (size_t i = 0; i < f.count; i++) {
            uint32_t value;
            std::memcpy(&value, from + 4 * i, 4);
            Put4(to + 4 * i, value);
        }
    }
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

    uint8_t *record = reinterpret_cast<uint8_t *>(r);
    for (const SettingsField &f : SETTINGS_FIELDS) {
        const uint8_t *from = full + f.offset;
        uint8_t *to = record + f.member;
        if (f.form == FIELD_BYTES) {
            std::memcpy(to, from, f.size * f.count);
            continue;
        }
        for (size_t i = 0; i < f.count; i++) {
            uint32_t value = Get4(from + 4 * i);
            std::memcpy(to + 4 * i, &value, 4);
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
    // Bytes of an existing file beyond the record are kept, as writing over
    // the file in place would keep them.
    enum { TAIL_MAX = 1 << 16 };
    static uint8_t image[SETTINGS_RECORD_SIZE + TAIL_MAX];
    size_t size = SETTINGS_RECORD_SIZE;
    if (FILE *old = std::fopen(path, "rb")) {
        size_t n = std::fread(image, 1, sizeof image, old);
        std::fclose(old);
        if (n > size)
            size = n;
    }
    Settings_encode(record, image);

    // A link's target is replaced; a device is written through.
    char target[FULL_PATH_SIZE + 32];
    int how = Output_target(path, target, sizeof target);
    if (how < 0)
        return -1;
    char temporary[FULL_PATH_SIZE + 32];
    if (how == OUTPUT_THROUGH) {
        Text_copy(temporary, sizeof temporary, target);
    } else {
        Temporary_leftovers_remove(target);
        if (Temporary_name(target, temporary, sizeof temporary) != 0) {
            errno = ENAMETOOLONG;
            return -1;
        }
    }
    FILE *f = std::fopen(temporary, "wb");
    if (!f)
        return -1;
    errno = 0;
    size_t n = std::fwrite(image, 1, size, f);
    bool flushed = std::fflush(f) == 0;
    int error = errno;
    int closed = std::fclose(f);
    if (error == 0)
        error = errno;
    if (n == size && flushed && closed == 0 &&
        (how == OUTPUT_THROUGH || File_replace(temporary, target) == 0))
        return 0;
    if (error == 0)
        error = errno;
    if (how != OUTPUT_THROUGH)
        std::remove(temporary);
    errno = error != 0 ? error : EIO;
    return -1;
}

void Settings_init()
{
    Settings_defaults(&settings);

    Path_resolve("vokawin32.exe", sim_exe_path, sizeof sim_exe_path);

    settings_file_found = Settings_load_file(INFO_FILE_NAME, &settings) == 0 ? 1 : 0;
    Settings_sanitize(&settings);
    Settings_derive_colours();
}

int Work_dir_resolve(const char *field, char *out, size_t size)
{
    // The token, with or without its backslash, in any case.
    const char *token = WORK_DIR_TEMP;
    size_t i = 0;
    while (field[i] != '\0' && token[i] != '\0' &&
           std::toupper(static_cast<unsigned char>(field[i])) == token[i])
        i++;
    bool temp = field[0] == '\0' || (field[i] == '\0' && i >= std::strlen(token) - 1);
    if (!temp) {
        Text_copy(out, size, field);
        return 0;
    }
    return Platform_temp_dir(out, size);
}

int Settings_save(char *path, size_t path_size, char *reason, size_t reason_size)
{
    char file[FULL_PATH_SIZE + 16];
    Path_directory(sim_exe_path, file, FULL_PATH_SIZE);
    std::strncat(file, INFO_FILE_NAME, sizeof file - std::strlen(file) - 1);
    Text_copy(path, path_size, file);
    Text_copy(reason, reason_size, "");
    errno = 0;
    if (Settings_save_file(file, &settings) == 0)
        return 0;
    Text_copy(reason, reason_size, std::strerror(errno != 0 ? errno : EIO));
    return -1;
}
