// vokatool's commands and what they share: the run's messages and files
// (run.cpp), the options of render (render_options.cpp), and one entry a
// command.
#ifndef VOKA_TOOLS_VOKATOOL_H
#define VOKA_TOOLS_VOKATOOL_H

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "output/part_file.h"
#include "picture/defs.h"
#include "render/energy_colour.h"

// ---- run.cpp: what every command shares ----

// The run: the files named in the messages (the picture being read, the
// work file being written), whether the core has shown a message (the run
// then exits non-zero), and --strict (a picture with lines left out is not
// converted or drawn).
struct ToolRun {
    bool message_shown;
    const char *message_input;
    char work_file[PART_PATH_SIZE];
    bool strict;
    // The track file the picture was imported from (nullptr: none), and
    // its tracks a batch: a line of the picture is told as its track and
    // vertex.
    const char *track_file;
    uint32_t tracks_per_batch;
};
extern ToolRun tool_run;

// The private work folder of a render (or an info) and its files, removed
// when the run ends or is interrupted; empty when the user gave --work-dir.
// `made` is read by the interrupt handlers.
struct PrivateFolder {
    char dir[PART_PATH_SIZE];
    char work_file[PART_PATH_SIZE];
    char picture[PART_PATH_SIZE]; // a track file imported for info or render
    volatile std::sig_atomic_t made;
};
extern PrivateFolder private_folder;

enum { EXIT_LINES_LEFT_OUT = 3 };

// Messages of the core on stderr, the progress indicator on a terminal, and
// the interrupt handlers.
void Run_begin();
// The lines of the synopsis, for --help and a wrong command line.
void Synopsis_print(FILE *out);
// A wrong command line: the synopsis on stderr, status 2.
int Usage();
int Unknown_option(const char *command, const char *option);
void Progress_end();
// Where line `line` of the picture `path` comes from: "PATH:LINE", or the
// track and vertex of the track file it was imported from (after the track
// file's name when `with_file`).
void Line_place(const char *path, uint64_t line, bool with_file, char *out, size_t size);
// The lines the conversion left out, one kind of problem to a line:
// "FILE:LINE: reason", and how many more lines had it.  Returns how many
// lines were left out.
uint64_t Left_out_print(const char *path);
// After a conversion: what the messages of the core leave unsaid.  Returns
// the exit status (0 when nothing went wrong; EXIT_LINES_LEFT_OUT under
// --strict when lines were left out).
int Convert_explain(const char *path, int result);
// An output of the run written under a new name beside `target` (`part`,
// PART_PATH_SIZE bytes): Part_begin makes that file (the core then writes
// it), Part_end puts it in the place of `target` when `ok`, or removes it.
// Each returns 0, or 1 after saying why.
int Part_begin(const char *target, char *part);
// An output that is one of the run's inputs (`count` names, nullptr for
// none; the same file whatever the names or links) is refused before
// anything is written: 1 after saying so, else 0.
int Output_is_input(const char *output, const char *const *inputs, int count);
int Part_end(bool ok, const char *part, const char *target);
// Make the private work folder in the temporary folder; 0, or 1 after
// saying why.
int Private_work_dir();
void Private_work_dir_remove();

// ---- render_options.cpp ----

// A wrong option: "vokatool COMMAND: WHAT: VALUE" on stderr; returns 2.
// COMMAND is render, or what Options_command_set last set.
int Render_error(const char *what, const char *value);
void Options_command_set(const char *command);
// Parse "A<sep>B<sep>..." into exactly `count` integers.
bool Ints_parse(const char *text, char separator, int64_t *out, int count);
bool Fits(int64_t value, int64_t low, int64_t high);

enum OutputFormat { OUTPUT_UNKNOWN, OUTPUT_BMP, OUTPUT_PNG, OUTPUT_SVG, OUTPUT_PDF };

// The options of render that take whole numbers: the value is COUNT numbers
// between SEPARATORs, each within LOW..HIGH.
enum { NUM_SIZE, NUM_ANGLES, NUM_BATCHES, NUM_ZOOM, NUM_TITLE_POS, NUM_GUIDE, NUM_OPTIONS };
struct NumberOption {
    const char *name;
    char separator;
    int count;
    int64_t low, high;
    const char *bad; // the message for a value that does not fit
};

struct RenderOptions {
    const char *picture = nullptr;
    const char *output = nullptr;
    const char *info = nullptr;
    const char *work_dir = nullptr;
    const char *geometry = nullptr;
    const char *title = nullptr;
    bool no_geometry = false;
    bool no_panel = false;
    int format = 0; // OutputFormat
    double scale = 1.0;
    bool scale_given = false;
    bool given[NUM_OPTIONS] = {}; // the options of NUMBER_OPTIONS given
    int64_t number[NUM_OPTIONS][4] = {};
    bool particles = false;
    int shown[3] = {1, 1, 1}; // electron, positron, photon
    EnergyColouring colouring = {0, 0, 0.0f, 0.0f};
};

// Options a command adds to those of render (animate's): the command's name
// for the messages, the options that take a value, the handler of one of
// them, and the check of the output's name that takes the place of
// render's; each handler returns 0, or 2 after saying what is wrong.
struct ExtraOptions {
    const char *command;
    const char *const *names; // ends with nullptr
    int (*option)(const char *name, const char *value, void *context);
    int (*output)(const char *path, void *context);
    void *context;
};

// The options of render from argv[2] on; 0, or 2 after saying what is wrong.
// With `extra`, also the options of another command.
int Render_options(int argc, char **argv, RenderOptions *o, const ExtraOptions *extra = nullptr);
// One option of render with its value (an option render takes a value for);
// 0, or 2 after saying what is wrong.
int Render_option(const char *a, const char *v, RenderOptions *o);

// ---- render.cpp: the steps of render that other commands share ----

// The settings the options give (an info file, the title); 0, or 2.
int Render_settings(const RenderOptions &o);
// The geometry overlay of --geometry; 0, or 1 after saying why.
int Render_geometry(const RenderOptions &o);
// What a user sets in the window after opening the picture: angles, batch
// range, kinds shown, colouring, title and guide positions.
void Render_view_state(const RenderOptions &o);
// The window laid out at the options' size, and their zoom applied as one
// Expand from the full view (fitted again at each call, from whatever the
// call before left).  Returns the render mode; *area is the part of the
// image written (the bitmap, or with --no-panel the picture area).
int Render_layout(const RenderOptions &o, PixelRect *area);

// ---- picture_open.cpp ----

// What Data File Open does, for a command: the picture (a track file
// imported first) converted into the work file in `work_dir` or in the
// private work folder, the lines left out listed.  *picture then names the
// picture file read.  Returns 0, or the exit status after saying why; the
// caller removes the private folder (Private_work_dir_remove) in any case.
int Picture_open(const char *command, const char *work_dir, const char **picture);

// ---- the commands; each returns the exit status ----

int Info(const char *path);                 // info.cpp
int Convert_command(int argc, char **argv); // convert.cpp
int Render(int argc, char **argv);          // render.cpp
int Import_command(int argc, char **argv);  // import.cpp
int Export_command(int argc, char **argv);  // export.cpp
int Animate_command(int argc, char **argv); // animate.cpp
// An EGSnrc track file given to info or render: imported into the private
// work folder; *path then names the picture.  0, or 1 after saying why.
int Track_file_prepare(const char **path, FILE *report); // import.cpp

#endif
