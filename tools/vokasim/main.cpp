// vokasim: command-line entry.  Writes one picture file and reports what it
// wrote; exit status 0 on success (and for --help, --version), 1 when the
// file cannot be written, 2 on a wrong command line.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vokasim.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

static SimOptions options;

int main(int argc, char **argv)
{
    Sim_options_default(&options);
    const int parsed = Sim_options_parse(argc, argv, &options, stderr);
    if (parsed == 1)
        return 0;
    if (parsed != 0)
        return 2;
    char why[160];
    if (Sim_run_prepare(&options, why, sizeof why) != 0) {
        std::fprintf(stderr, "vokasim: %s\n", why);
        return 2;
    }
    // Binary: the writer chooses the line ends (LF, or CR LF as a variant),
    // and Windows' text mode would put a CR before every LF.
    const int to_stdout = std::strcmp(options.output, "-") == 0;
#ifdef _WIN32
    if (to_stdout)
        _setmode(_fileno(stdout), _O_BINARY);
#endif
    FILE *out = to_stdout ? stdout : std::fopen(options.output, "wb");
    if (!out) {
        std::fprintf(stderr, "vokasim: cannot create %s: %s\n", options.output,
                     std::strerror(errno));
        return 1;
    }
    static char buffer[1 << 16];
    std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
    SimCounts counts;
    const int rc = Sim_run_all(&options, out, &counts);
    const int closed = to_stdout ? std::fflush(out) : std::fclose(out);
    if (rc != 0 || closed != 0) {
        std::fprintf(stderr, "vokasim: cannot write %s: %s\n", options.output,
                     std::strerror(errno));
        return 1;
    }
    Sim_run_report(&options, &counts, to_stdout ? stderr : stdout);
    return 0;
}
