// The settings record: everything the user sets that outlives a run, kept in
// one 192-byte record whose image is the info file "info.$$$", and the
// start-up path that says where the info file goes at exit.  What is
// shown in this run only (angles, shown kinds, batch range, chosen files,
// rebuild flags) is the display state, picture/display.h.
#ifndef VOKA_SETTINGS_H
#define VOKA_SETTINGS_H

#include <cstddef>
#include <cstdint>

#include "picture/defs.h"

// Per-particle index of the settings: 0 electron, 1 positron, 2 photon.
enum { PARTICLE_ELECTRON = 0, PARTICLE_POSITRON = 1, PARTICLE_PHOTON = 2, PARTICLE_KINDS = 3 };

enum {
    SETTINGS_RECORD_SIZE = 192,
    SCALE_UNIT_TEXT_SIZE = 10,
    CUTOFF_TEXT_SIZE = 20,
    WORK_DIR_SIZE = 20,
    TITLE_TEXT_SIZE = 40,
    SETTINGS_RESERVED_SIZE = 20
};

// The info file, little-endian, no header:
//
//   OFFSET SIZE  FIELD                 DEFAULT
//        0   12  particle_color[3]     PARTICLE_DEFAULT_COLOURS
//       12   12  particle_pen_style[3] 0 each (solid)
//       24   12  particle_pen_width[3] 1 each
//       36   10  scale_unit_text       "0.1"
//       46    2  (padding)             0
//       48    4  angle_step            30
//       52   20  photon_cutoff_text    "0"
//       72   20  charged_cutoff_text   "0"
//       92   20  work_dir              WORK_DIR_TEMP ("%TEMP%\")
//      112    4  background_color      0x00000000
//      116    4  geometry_color        0x00FFFFFF
//      120    4  character_color       0x00FFFFFF
//      124    4  window_width          640
//      128    4  window_height         410
//      132   40  title_text            zero bytes
//      172   20  reserved              zero
//
// The record is read and written field by field (Settings_encode /
// Settings_decode), never by copying the in-memory struct: both follow the
// one table of fields in settings.cpp, which names each offset once and is
// checked at compile time to cover the 192 bytes without gap or overlap.
struct SettingsRecord {
    Colour particle_color[PARTICLE_KINDS];
    int32_t particle_pen_style[PARTICLE_KINDS];
    int32_t particle_pen_width[PARTICLE_KINDS];
    char scale_unit_text[SCALE_UNIT_TEXT_SIZE];
    uint8_t padding[2];
    int32_t angle_step;
    char photon_cutoff_text[CUTOFF_TEXT_SIZE];
    char charged_cutoff_text[CUTOFF_TEXT_SIZE];
    char work_dir[WORK_DIR_SIZE];
    Colour background_color;
    Colour geometry_color;
    Colour character_color;
    int32_t window_width;
    int32_t window_height;
    char title_text[TITLE_TEXT_SIZE];
    uint8_t reserved[SETTINGS_RESERVED_SIZE];
};

extern SettingsRecord settings;

// The particle colours of a first start, electron, positron, photon: the
// vermilion, sky blue and yellow of Okabe and Ito's palette for colour-blind
// readers.  The three differ in hue for every common form of colour
// blindness and in lightness too (red-blind and green-blind eyes see
// vermilion as a dark ochre beside the bright yellow), and each stands out
// on the black background (contrast 5:1 and more).  Departs from the white
// of the first versions, with which the three kinds could not be told
// apart in any picture; an info file keeps the colours it holds.
const Colour PARTICLE_DEFAULT_COLOURS[PARTICLE_KINDS] = {0x00005ED5u, 0x00E9B456u, 0x0042E4F0u};

// The work directory of a first start: the user's temporary folder, named
// when the work file is made (Work_dir_resolve), where a user without
// administrator rights may write (Windows lets no such user create a file
// in the root of drive C:, the first versions' default).  An empty field
// means the same.
const char WORK_DIR_TEMP[] = "%TEMP%\\";

// The folder that the work directory text `field` names, with its trailing
// separator: the user's temporary folder for "" or WORK_DIR_TEMP (also
// without its backslash, in any case), else the text as it stands.
// Returns 0, or -1 when the temporary folder cannot be had.
int Work_dir_resolve(const char *field, char *out, size_t size);

// Whether Settings_init found an info file (0: a first start).
extern int settings_file_found;

// Pen colour of the legend box: black on a white background, white otherwise.
extern Colour legend_frame_color;

// Give the record its defaults (no file is read).
void Settings_defaults(SettingsRecord *record);

// The 192-byte image of a record, and back.  Decoding takes the first
// `length` bytes (at most 192) over the record and leaves the rest as it is.
void Settings_encode(const SettingsRecord *record, uint8_t image[SETTINGS_RECORD_SIZE]);
void Settings_decode(const uint8_t *image, size_t length, SettingsRecord *record);

// Make a record read from a file safe to use: every text field terminated
// within its width, window size, pen styles and widths and the angle step
// bounded.  Returns the number of fields that had to be mended.
int Settings_sanitize(SettingsRecord *record);

// Derive legend_frame_color from the background colour.
void Settings_derive_colours();

// Start-up: defaults of the record, the start-up path (the simulation
// program, whose directory receives the info file at exit), then the info
// file of the current directory.
void Settings_init();

// Write the record to "info.$$$" in the directory of sim_exe_path (the
// start-up directory).  Returns 0, or -1 with the file's path in `path` and
// the system's reason in `reason` (both zero-terminated within their sizes),
// for the front end to tell the user: the old file is then left as it was.
int Settings_save(char *path, size_t path_size, char *reason, size_t reason_size);

// Read an info file at `path` over the record (returns -1 when it cannot be
// opened) and write the record to `path` (returns -1 with errno set on
// failure).  The file is replaced in one step (picture/file_replace.h); the
// bytes of an existing file beyond the record are kept.
int Settings_load_file(const char *path, SettingsRecord *record);
int Settings_save_file(const char *path, const SettingsRecord *record);

// Copy a zero-terminated text into a fixed field, always terminated.
void Text_copy(char *field, size_t field_size, const char *text);

#endif
