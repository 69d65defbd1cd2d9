// What every run of vokatool shares: the progress indicator, the messages
// of the core on stderr, the lines left out, the outputs written under a new
// name, the private work folder and what an interrupt removes.
#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "output/part_file.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/platform.h"
#include "picture/ptracks.h"
#include "picture/settings.h"
#include "tools/vokatool/vokatool.h"
ToolRun tool_run = {false, "", "", false, nullptr, 0};
PrivateFolder private_folder = {"", "", "", 0};

namespace {

const char SYNOPSIS[] =
    "Usage: vokatool info PICTURE\n"
    "  or:  vokatool convert PICTURE [--work-dir DIR] [--strict]\n"
    "  or:  vokatool render PICTURE -o OUT.bmp|OUT.png|OUT.svg|OUT.pdf [options]\n"
    "  or:  vokatool import FILE.ptracks -o FILE.pic [--tracks-per-batch N]\n"
#ifdef VOKA_HAVE_SHOW
    "  or:  vokatool export PICTURE -o OUT.vtp|OUT.vtm [options]\n"
    "  or:  vokatool animate PICTURE -o OUT.gif|OUT.mp4 [options]\n"
#endif
    "  or:  vokatool --help | --version\n";

void Interrupt_check();

// A one-line progress indicator on a terminal, shown once the work has
// taken a second.
std::chrono::steady_clock::time_point progress_start;
bool progress_shown;

bool terminal; // stderr is a terminal: progress is shown there

// The progress hook of the core: the percentage on a terminal; on Windows
// also the place where an interrupt is acted on.
void Tool_progress(const char *what, uint64_t done, uint64_t total)
{
    Interrupt_check();
    if (!terminal)
        return;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - progress_start).count();
    if (seconds < 1.0 || total == 0)
        return;
    int percent = static_cast<int>(done >= total ? 100 : done * 100 / total);
    static int shown = -1;
    if (progress_shown && percent == shown)
        return;
    shown = percent;
    std::fprintf(stderr, "\r%s %3d%%  ", what, percent);
    std::fflush(stderr);
    progress_shown = true;
}

// What a message of the core means for the files of this run, with the
// system's reason where there is one (errno is cleared before the core is
// called, so a reason left in it comes from the failure).
void Message_explain(const char *text, int error)
{
    const char *reason = error != 0 ? std::strerror(error) : nullptr;
    const char *file = nullptr, *what = nullptr;
    if (std::strcmp(text, "Cmtodot err!") == 0) {
        std::fprintf(stderr,
                     "vokatool: %s: the scene has no extent on the screen (its bounds, "
                     "or the zoom rectangle, are too small or not finite to be scaled "
                     "to the picture area)\n",
                     tool_run.message_input);
        return;
    }
    if (std::strncmp(text, Message_text(MSG_INPUT_OPEN), std::strlen(text)) == 0) {
        file = tool_run.message_input, what = "cannot be opened";
    } else if (std::strncmp(text, Message_text(MSG_INPUT_READ), std::strlen(text)) == 0) {
        file = tool_run.message_input, what = "cannot be read";
    } else if (std::strncmp(text, Message_text(MSG_WORK_PATH), std::strlen(text)) == 0) {
        file = tool_run.work_file, what = "the work file cannot be created";
    } else if (std::strncmp(text, Message_text(MSG_WORK_WRITE), std::strlen(text)) == 0 ||
               std::strncmp(text, Message_text(MSG_WORK_FULL), std::strlen(text)) == 0) {
        file = tool_run.work_file, what = "the work file cannot be written";
    } else if (std::strncmp(text, Message_text(MSG_WORK_READ), std::strlen(text)) == 0) {
        file = tool_run.work_file, what = "the work file cannot be read back";
    }
    if (!file)
        return;
    if (reason)
        std::fprintf(stderr, "vokatool: %s: %s: %s\n", file, what, reason);
    else
        std::fprintf(stderr, "vokatool: %s: %s\n", file, what);
}

void Tool_message(WindowRef, const char *text, const char *caption, int, int flags)
{
    // The lines a conversion left out are listed one kind to a line instead.
    if (flags & MESSAGE_LINES_LEFT_OUT)
        return;
    int error = errno;
    tool_run.message_shown = true;
    Progress_end();
    // The numbered texts are stored padded with blanks; print them trimmed.
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        n--;
    std::fprintf(stderr, "%s: %.*s\n", caption, static_cast<int>(n), text);
    std::string trimmed(text, n);
    Message_explain(trimmed.c_str(), error);
}

// Remove what an interrupted run leaves: the partial output and the private
// work folder.  Called from a signal handler: only calls that are safe there.
void Interrupted_cleanup()
{
    if (part_file_active)
        std::remove(part_file_current);
    if (private_folder.made) {
        std::remove(private_folder.work_file);
        std::remove(private_folder.picture);
#ifdef _WIN32
        RemoveDirectoryA(private_folder.dir);
#else
        rmdir(private_folder.dir);
#endif
    }
}

#ifdef _WIN32
// Ctrl-C, Ctrl-Break and the console closed arrive on a thread of their own
// while the main thread may hold the output files open, which Windows does
// not let anyone remove.  The handler asks the main thread to stop (it
// looks at `interrupt_asked` at each progress step of the conversion and the
// drawing, closes every stream and removes the files) and waits for it; a
// main thread that does not come by within about 3 s (the system ends the
// process 5 s after a console is closed) is ended here after a last try.
volatile LONG interrupt_asked = 0;

void Interrupt_check()
{
    if (interrupt_asked == 0)
        return;
    _fcloseall();
    Interrupted_cleanup();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

BOOL WINAPI Console_event(DWORD)
{
    InterlockedExchange(&interrupt_asked, 1);
    for (int i = 0; i < 30; i++)
        Sleep(100);
    Interrupted_cleanup();
    ExitProcess(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

void Interrupt_handlers_install()
{
    SetConsoleCtrlHandler(Console_event, TRUE);
}
#else
void Interrupt_check()
{
}

extern "C" void On_signal(int number)
{
    Interrupted_cleanup();
    std::signal(number, SIG_DFL);
    std::raise(number);
}

// A signal that the shell ignores for this run (SIGINT of a background
// job) stays ignored.
void Interrupt_handlers_install()
{
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        if (std::signal(number, On_signal) == SIG_IGN)
            std::signal(number, SIG_IGN);
}
#endif

} // namespace

void Synopsis_print(FILE *out)
{
    std::fputs(SYNOPSIS, out);
}

// A wrong command line: the synopsis on stderr, status 2.
int Usage()
{
    Synopsis_print(stderr);
    std::fputs("Try 'vokatool --help' for the options.\n", stderr);
    return 2;
}

int Unknown_option(const char *command, const char *option)
{
    std::fprintf(stderr, "vokatool%s%s: unknown option: %s\n", *command ? " " : "", command,
                 option);
    return Usage();
}

// Set up what every command shares: messages and progress on stderr, and
// the handlers that clean up after an interrupt.
void Run_begin()
{
    Message_set_hook(Tool_message);
#ifdef _WIN32
    terminal = _isatty(_fileno(stderr)) != 0;
#else
    terminal = isatty(STDERR_FILENO) != 0;
#endif
    progress_start = std::chrono::steady_clock::now();
    progress_hook = Tool_progress;
    Interrupt_handlers_install();
}

void Progress_end()
{
    if (progress_shown)
        std::fputs("\r                \r", stderr);
    progress_shown = false;
}

// Set when the core has shown a message: the run then exits non-zero.

// The files of the run, named in the messages: the picture being read and
// the work file being written.

// Where line `line` of the picture `path` comes from, as the messages name
// it: "PATH:LINE", or "TRACKFILE: track T, vertex V" of the track file the
// picture was imported from (the picture is a private file of the run);
// "track T, vertex V" alone without `with_file`.
void Line_place(const char *path, uint64_t line, bool with_file, char *out, size_t size)
{
    uint64_t track, vertex;
    const char *file = tool_run.track_file;
    const char *name = with_file && file ? file : "";
    const char *colon = with_file && file ? ": " : "";
    if (file && Ptracks_locate(file, tool_run.tracks_per_batch, line, &track, &vertex) == 0)
        std::snprintf(out, size, "%s%strack %llu, vertex %llu", name, colon,
                      static_cast<unsigned long long>(track),
                      static_cast<unsigned long long>(vertex));
    else if (file)
        std::snprintf(out, size, "%s%sline %llu of the picture made of it", name, colon,
                      static_cast<unsigned long long>(line));
    else
        std::snprintf(out, size, "%s:%llu", path, static_cast<unsigned long long>(line));
}

// The lines the conversion left out, one kind of problem to a line:
// "FILE:LINE: reason", and how many more lines had it.  Returns how many
// lines were left out.
uint64_t Left_out_print(const char *path)
{
    const ConvertStats &s = work_file.stats;
    int first_problem;
    uint64_t first_line;
    uint64_t total = Lines_left_out(&s, &first_problem, &first_line);
    // In the order of their first lines.
    bool listed[PROBLEM_KINDS] = {};
    for (;;) {
        int k = PROBLEM_NONE;
        for (int c = PROBLEM_NONE + 1; c < PROBLEM_KINDS; c++)
            if (s.problems[c].lines && !listed[c] &&
                (k == PROBLEM_NONE || s.problems[c].first_line < s.problems[k].first_line))
                k = c;
        if (k == PROBLEM_NONE)
            break;
        listed[k] = true;
        const ProblemLines &p = s.problems[k];
        char place[PART_PATH_SIZE + 64];
        Line_place(path, p.first_line, true, place, sizeof place);
        std::fprintf(stderr, "%s: %s", place, Line_problem_text(k));
        if (p.lines > 1)
            std::fprintf(stderr, " (and %llu more line%s)",
                         static_cast<unsigned long long>(p.lines - 1), p.lines == 2 ? "" : "s");
        std::fputc('\n', stderr);
    }
    if (s.far_kept)
        std::fprintf(stderr,
                     "vokatool: %s: no header line, and the file cannot be read twice: steps "
                     "far outside the rest were not left out\n",
                     path);
    return total;
}

// After a conversion: what the messages of the core leave unsaid.  Returns
// the exit status (0 when nothing went wrong; EXIT_LINES_LEFT_OUT under
// --strict when lines were left out).
int Convert_explain(const char *path, int result)
{
    Progress_end();
    const ConvertStats &s = work_file.stats;
    uint64_t left_out = Left_out_print(path);
    if (s.header_problem != PROBLEM_NONE)
        std::fprintf(stderr, "%s:%llu: the header line: %s\n", path,
                     static_cast<unsigned long long>(s.header_line),
                     Line_problem_text(s.header_problem));
    if (result != 0 && s.geometry.problem && s.geometry.lines == 0)
        std::fprintf(stderr, "vokatool: %s: the file is empty\n", path);
    else if (result != 0 && s.geometry.problem)
        std::fprintf(stderr, "%s:%d: the geometry section: %s\n", path, s.geometry.lines,
                     s.geometry.problem);
    if (result != 0 && s.nothing_after_geometry)
        std::fprintf(stderr, "vokatool: %s: nothing after the geometry section\n", path);
    if (result != 0 || tool_run.message_shown)
        return 1;
    return tool_run.strict && left_out != 0 ? EXIT_LINES_LEFT_OUT : 0;
}

// An output of the run written under a new name beside `target` (`part`,
// PART_PATH_SIZE bytes): Part_begin makes that file (the core then writes
// it), Part_end puts it in the place of `target` when `ok`, or removes it.
// Each returns 0, or 1 after saying why.
int Output_is_input(const char *output, const char *const *inputs, int count)
{
    for (int i = 0; i < count; i++) {
        if (inputs[i] && File_same(output, inputs[i])) {
            std::fprintf(stderr, "vokatool: %s: is the input %s: not written over\n", output,
                         inputs[i]);
            return 1;
        }
    }
    return 0;
}

int Part_begin(const char *target, char *part)
{
    errno = 0;
    if (Part_file_reserve(target, part, PART_PATH_SIZE) != 0) {
        std::fprintf(stderr, "vokatool: %s: cannot be created: %s\n", target, std::strerror(errno));
        return 1;
    }
    return 0;
}

int Part_end(bool ok, const char *part, const char *target)
{
    if (Part_file_place(ok, part, target) == 0)
        return 0;
    if (ok)
        std::fprintf(stderr, "vokatool: %s: cannot be put in place: %s\n", target,
                     std::strerror(errno));
    return 1;
}

// The private work folder of a render and its work file, removed when the
// run ends or is interrupted; empty when the user gave --work-dir.

// Make the private work folder in the temporary folder (TMPDIR), however long
// its path: the work file's path goes to the core directly, not through the
// 19 characters of the work-directory setting.  Returns 0, or 1 after saying
// why.
namespace {

const char PRIVATE_PREFIX[] = "vokatool-";

// The process id in a private folder's name "vokatool-PID-NUMBER"; 0 when
// the name is not one.
uint32_t Private_owner(const std::string &name)
{
    const size_t start = sizeof PRIVATE_PREFIX - 1;
    if (name.compare(0, start, PRIVATE_PREFIX) != 0)
        return 0;
    size_t dash = name.find('-', start);
    if (dash == std::string::npos || dash == start || dash + 1 == name.size() ||
        name.find_first_not_of("0123456789", start) != dash ||
        name.find_first_not_of("0123456789", dash + 1) != std::string::npos || dash - start > 9)
        return 0;
    return static_cast<uint32_t>(std::strtoul(name.c_str() + start, nullptr, 10));
}

// The private folders that runs which no longer exist left in `base` (a
// run that was killed cannot remove its own).
void Private_leftovers_remove(const std::filesystem::path &base)
{
    std::error_code error;
    const uint32_t self = Process_id();
    std::filesystem::directory_iterator it(base, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        uint32_t owner = Private_owner(it->path().filename().string());
        if (owner != 0 && owner != self && !Process_alive(owner) && it->is_directory(ignored) &&
            !it->is_symlink(ignored))
            std::filesystem::remove_all(it->path(), ignored);
    }
}

// The folder's three names under `dir`; false when they do not fit.
bool Private_names(const std::filesystem::path &dir)
{
    std::string work = (dir / "work.$$$").string();
    std::string picture = (dir / "tracks.pic").string();
    if (work.size() + 16 >= sizeof tool_run.work_file || picture.size() >= PART_PATH_SIZE)
        return false;
    private_folder.made = 0;
    Text_copy(private_folder.dir, sizeof private_folder.dir, dir.string().c_str());
    Text_copy(private_folder.work_file, sizeof private_folder.work_file, work.c_str());
    Text_copy(private_folder.picture, sizeof private_folder.picture, picture.c_str());
    return true;
}

} // namespace

// Make the private work folder "vokatool-PID-NUMBER" in the temporary folder
// (TMPDIR), however long its path: the work file's path goes to the core
// directly, not through the 19 characters of the work-directory setting.
// The folder is registered for the interrupt handlers before it is made,
// so that a signal in between removes it too; its name, unique to this
// process, belongs to no one else.  Returns 0, or 1 after saying why.
int Private_work_dir()
{
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (!error)
        base = std::filesystem::weakly_canonical(base, error);
    if (error) {
        std::fprintf(stderr,
                     "vokatool: no temporary folder for the work file (%s); "
                     "give --work-dir\n",
                     error.message().c_str());
        return 1;
    }
    Private_leftovers_remove(base);
    std::srand(static_cast<unsigned>(std::time(nullptr)) ^
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(&base)));
    const std::string owner = PRIVATE_PREFIX + std::to_string(Process_id()) + "-";
    for (int i = 0; i < 100; i++) {
        std::filesystem::path dir = base / (owner + std::to_string(std::rand() % 900000 + 100000));
        if (!Private_names(dir)) {
            std::fprintf(stderr,
                         "vokatool: the temporary folder's path is too long: "
                         "%s; give --work-dir\n",
                         base.string().c_str());
            return 1;
        }
        private_folder.made = 1;
        if (std::filesystem::create_directory(dir, error))
            return 0;
        private_folder.made = 0;
        if (error && error != std::errc::file_exists)
            break;
    }
    std::fprintf(stderr,
                 "vokatool: cannot make a work folder in %s: %s; give "
                 "--work-dir\n",
                 base.string().c_str(), error.message().c_str());
    private_folder.dir[0] = '\0';
    return 1;
}

void Private_work_dir_remove()
{
    if (!private_folder.made)
        return;
    private_folder.made = 0;
    std::error_code ignored;
    std::filesystem::remove_all(private_folder.dir, ignored);
}
