// vokatool import, and the EGSnrc track files that info and render take.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/part_file.h"
#include "picture/ptracks.h"
#include "tools/vokatool/vokatool.h"

namespace {

// What an import did, on `out`: the tracks by kind, the batches they were
// put in, the tracks joined and those left out (also on stderr).
void Import_report(FILE *out, const char *input, const PtracksStats &st)
{
    std::fprintf(out,
                 "EGSnrc tracks: %llu (photon %llu, electron %llu, positron %llu), "
                 "%llu vertices%s\n",
                 static_cast<unsigned long long>(st.tracks),
                 static_cast<unsigned long long>(st.kind_tracks[0]),
                 static_cast<unsigned long long>(st.kind_tracks[1]),
                 static_cast<unsigned long long>(st.kind_tracks[2]),
                 static_cast<unsigned long long>(st.vertices),
                 st.with_time ? ", each track with a time" : "");
    std::fprintf(out,
                 "batches: %u, made of %u tracks each (the file has none; "
                 "--tracks-per-batch)\n",
                 st.batches, st.tracks_per_batch);
    if (st.joined)
        std::fprintf(out, "joined: %llu tracks continue the track before\n",
                     static_cast<unsigned long long>(st.joined));
    std::fprintf(out, "energies: kinetic (total energy less 0.511 MeV for electrons and "
                      "positrons)\n");
    if (st.other_charge)
        std::fprintf(stderr,
                     "vokatool: %s: %llu tracks of a charge other than 0, -1 or +1 "
                     "left out (the first: charge %d)\n",
                     input, static_cast<unsigned long long>(st.other_charge),
                     st.first_other_charge);
    if (st.below_rest_energy)
        std::fprintf(stderr,
                     "vokatool: %s: %llu vertices of electrons or positrons with a total "
                     "energy below the rest energy, drawn with kinetic energy 0\n",
                     input, static_cast<unsigned long long>(st.below_rest_energy));
    if (st.negative_energy)
        std::fprintf(stderr,
                     "vokatool: %s: track %llu, vertex %llu: a negative energy, drawn as 0 "
                     "(%llu vertices in all)\n",
                     input, static_cast<unsigned long long>(st.first_negative_track),
                     static_cast<unsigned long long>(st.first_negative_vertex),
                     static_cast<unsigned long long>(st.negative_energy));
}

// Import the track file `input` into `output` (the file written now; a
// problem with it is told as one of `shown`, the file the user named).
// 0, or 1 after saying why.
int Import_to(const char *input, const char *output, const char *shown, uint32_t per_batch,
              FILE *report, PtracksStats *st)
{
    char why[PTRACKS_WHY_SIZE];
    errno = 0;
    if (Ptracks_import(input, output, per_batch, st, why, sizeof why) != 0) {
        size_t n = std::strlen(output);
        if (std::strncmp(why, output, n) == 0 && why[n] == ':')
            std::fprintf(stderr, "vokatool: %s%s\n", shown, why + n);
        else
            std::fprintf(stderr, "vokatool: %s\n", why);
        return 1;
    }
    Import_report(report, input, *st);
    return 0;
}

} // namespace

// An EGSnrc track file given to info or render: imported into the private
// work folder; *path then names the picture, and the run names the track
// file in the messages about the picture's lines.  0, or 1 after saying why.
int Track_file_prepare(const char **path, FILE *report)
{
    if (!Ptracks_named(*path))
        return 0;
    if (!private_folder.made && Private_work_dir() != 0)
        return 1;
    PtracksStats st;
    if (Import_to(*path, private_folder.picture, private_folder.picture, 0, report, &st) != 0)
        return 1;
    tool_run.track_file = *path;
    tool_run.tracks_per_batch = st.tracks_per_batch;
    *path = private_folder.picture;
    return 0;
}

// vokatool import FILE.ptracks -o FILE.pic [--tracks-per-batch N]: the
// picture written under a new name beside FILE.pic and put in place when
// complete.
int Import_command(int argc, char **argv)
{
    const char *input = nullptr, *output = nullptr;
    int64_t per_batch = 0;
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        if ((std::strcmp(a, "-o") == 0 || std::strcmp(a, "--tracks-per-batch") == 0) &&
            i + 1 >= argc) {
            std::fprintf(stderr, "vokatool import: missing value after %s\n", a);
            return Usage();
        }
        if (std::strcmp(a, "-o") == 0) {
            output = argv[++i];
        } else if (std::strcmp(a, "--tracks-per-batch") == 0) {
            if (!Ints_parse(argv[++i], ',', &per_batch, 1) || !Fits(per_batch, 1, 2000000000)) {
                std::fprintf(stderr, "vokatool import: bad --tracks-per-batch: %s\n", argv[i]);
                return 2;
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            return Unknown_option("import", a);
        } else if (!input) {
            input = a;
        } else {
            return Usage();
        }
    }
    if (!input || !output)
        return Usage();
    const char *inputs[] = {input};
    if (Output_is_input(output, inputs, 1) != 0)
        return 1;
    char part[PART_PATH_SIZE];
    if (Part_begin(output, part) != 0)
        return 1;
    PtracksStats st;
    int result = Import_to(input, part, output, static_cast<uint32_t>(per_batch), stdout, &st);
    result = Part_end(result == 0, part, output);
    if (result == 0)
        std::printf("%s: written\n", output);
    return result;
}
