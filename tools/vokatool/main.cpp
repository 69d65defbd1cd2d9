// vokatool: the viewer's picture handling from the command line.
//
//   vokatool info PICTURE
//   vokatool convert PICTURE [--work-dir DIR]
//   vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]
//   vokatool import FILE.ptracks -o FILE.pic
//   vokatool export PICTURE -o OUT.vtp|OUT.vtm [options]        (native only)
//   vokatool animate PICTURE -o OUT.gif|OUT.mp4 [options]       (native only)
//
// One file a command (info.cpp, convert.cpp, render.cpp, import.cpp), the
// options of render in render_options.cpp, and what every run shares (its
// synopsis and usage errors, messages, progress, private files and
// interrupts) in run.cpp.  Messages of
// the core go to stderr with the file and the system's reason; a failure
// exits with status 1, a wrong command line with status 2.
#include <cstdio>
#include <cstring>

#include "picture/display.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "tools/vokatool/vokatool.h"
#include "voka_version.h"

namespace {

const char USAGE[] =
    "\n"
    "info     prints what a picture file holds: geometry, scene bounds, batches,\n"
    "         step records per particle kind, energy ranges and skipped lines.\n"
    "convert  converts the picture into the work file DIR + \"work.$$$\" (DIR is\n"
    "         used exactly as the work directory setting: give its trailing\n"
    "         separator; default: the current directory) and prints the\n"
    "         records written per batch.\n"
    "import   writes an EGSnrc particle-track file as a picture file (float\n"
    "         layout, no header line: the bounds come from the tracks).  The\n"
    "         track file has no batches: every N tracks start a batch (default:\n"
    "         at most 100 batches).  Electron and positron energies become\n"
    "         kinetic; tracks that continue the one before are joined; tracks of\n"
    "         other charges are left out and reported.  info and render also\n"
    "         take a .ptracks file directly.\n"
    "render   draws the picture as the viewer window shows it and writes what\n"
    "         Bitmap File Save writes: the picture area with its margin.  The\n"
    "         extension of OUT chooses the format: .bmp (24-bit bitmap), .png\n"
    "         (the same pixels), .svg or .pdf (vector figures: lines, real text).\n"
    "  --scale F            vector figures F times larger, lines as thin as on\n"
    "                       screen (default 1: one pixel is one px or pt)\n"
    "  --no-panel           the picture area alone: no margin, no frame\n"
    "  --strict             (also for convert) a picture with lines that cannot be\n"
    "                       read is not converted or drawn: status 3, no output\n"
    "  Options that set what a user sets in the window:\n"
    "  --info FILE          settings from an info file (colours, pens, scale unit,\n"
    "                       cut-offs, window size, title text); default: those of\n"
    "                       a first start, with the automatic scale unit\n"
    "  --size WxH           outer window size (default: from the settings)\n"
    "  --angles X,Y,Z       view angles in degrees\n"
    "  --batches FROM-TO    batch range (0 for first / last)\n"
    "  --particles LIST     kinds shown, from e (electron), p (positron),\n"
    "                       g (photon), comma-separated; \"none\" hides all\n"
    "  --zoom L,T,R,B       one Expand with that rectangle (client coordinates)\n"
    "  --title TEXT         title text, UTF-8 (or Latin-1): at most 39 characters\n"
    "                       of Windows-1252, the window's code page\n"
    "  --title-pos X,Y      title position as the mouse selection records it\n"
    "  --guide X,Y          guide mark position, likewise\n"
    "  --geometry FILE      overlay the geometry section of FILE\n"
    "  --no-geometry        hide the geometry (Geometry Hide)\n"
    "  --colour-by WHAT     particle (default) or energy: each segment in the\n"
    "                       colour of its kinetic energy, on a logarithmic scale\n"
    "                       (viridis), with the colour bar in the picture\n"
    "  --energy-range LO,HI the scale's limits in MeV (default: the lowest and\n"
    "                       highest energy shown): 0 < LO < HI, each between\n"
    "                       1.2e-38 and 3.4e+38, HI at least 1.0001 times LO\n"
    "  --work-dir DIR       where the work file goes (default: a private folder\n"
    "                       in the temporary directory, removed afterwards)\n"
    "  A failed or interrupted run leaves an existing OUT as it was; the output\n"
    "  is written under a new name beside OUT (OUT.PID-NNNNNN.part) until complete.\n"
#ifdef VOKA_HAVE_SHOW
    "export   writes the tracks as VTK XML PolyData (ParaView and other VTK\n"
    "         readers): a polyline per track in cm, point data energy (MeV), cell\n"
    "         data kind (1 photon, 2 electron, 3 positron), batch and track (its\n"
    "         number in the picture).  OUT.vtm: a multiblock file naming the\n"
    "         tracks and the geometry outlines, written into the folder OUT.\n"
    "  --geometry-only      OUT.vtp holds the geometry outlines instead\n"
    "  --base64             the arrays in base64 instead of raw bytes\n"
    "  --particles, --batches, --info (cut-offs), --work-dir, --strict: as for\n"
    "  render.\n"
    "animate  writes a turning animation: frame k is render at the angles of\n"
    "         --angles turned by k * DEG / N degrees about an axis of the screen.\n"
    "  --axis x|y|z         the screen's horizontal, vertical (default) or depth\n"
    "                       axis\n"
    "  --degrees DEG        the whole turn (default 360)\n"
    "  --frames N           frames (default 72)\n"
    "  --fps F              frames a second (default 24)\n"
    "  Every option of render but --scale.  OUT.gif through giflib (one palette\n"
    "  for all frames), OUT.mp4 (H.264) through the ffmpeg program.\n"
#endif
    "\n"
    "Lines of the picture that cannot be read are left out and listed on stderr,\n"
    "one kind of problem to a line: FILE:LINE: reason (and how many more).\n"
    "\n"
    "Exit status: 0 done, 1 failed (the message says which file and why), 2 wrong\n"
    "command line, 3 lines left out under --strict.\n";

} // namespace

int main(int argc, char **argv)
{
    // A run draws a picture once at most: the steps are read back from the
    // work file, not kept in memory for the rebuilds of a window.
    core_tuning.copy_budget = 0;
    if (argc < 2)
        return Usage();
    const char *command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        Synopsis_print(stdout);
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("vokatool (VOKA Graphic) %s\n", VOKA_VERSION_TEXT);
        return 0;
    }
    Run_begin();
    Settings_init();
    Display_init();
    if (std::strcmp(command, "info") == 0) {
        if (argc != 3)
            return argc > 3 && argv[3][0] == '-' ? Unknown_option("info", argv[3]) : Usage();
        tool_run.message_input = argv[2];
        const char *path = argv[2];
        int result = Track_file_prepare(&path, stdout);
        if (result == 0)
            result = Info(path);
        Private_work_dir_remove();
        return result;
    }
    if (std::strcmp(command, "render") == 0)
        return Render(argc, argv);
    if (std::strcmp(command, "convert") == 0)
        return Convert_command(argc, argv);
    if (std::strcmp(command, "import") == 0)
        return Import_command(argc, argv);
#ifdef VOKA_HAVE_SHOW
    if (std::strcmp(command, "export") == 0)
        return Export_command(argc, argv);
    if (std::strcmp(command, "animate") == 0)
        return Animate_command(argc, argv);
#endif
    if (command[0] == '-')
        return Unknown_option("", command);
    std::fprintf(stderr, "vokatool: unknown command: %s\n", command);
    return Usage();
}
