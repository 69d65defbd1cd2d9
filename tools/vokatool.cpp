// vokatool: the viewer's picture handling from the command line.
//
//   vokatool info PICTURE
//   vokatool convert PICTURE [--work-dir DIR]
//
// Messages of the core go to stderr; a failure exits with status 1.
#include <cstdio>
#include <cstring>

#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"

namespace {

const char USAGE[] =
    "usage: vokatool info PICTURE\n"
    "       vokatool convert PICTURE [--work-dir DIR]\n"
    "\n"
    "info     prints what a picture file holds: geometry, scene bounds, batches,\n"
    "         step records per particle kind, energy ranges and skipped lines.\n"
    "convert  converts the picture into the work file DIR + \"work.$$$\" (DIR is\n"
    "         used exactly as the work directory setting: give its trailing\n"
    "         separator; default: the info file's setting, else \"c:\\\")\n"
    "         and prints the records written per batch.\n";

void Tool_message(WindowRef, const char *text, const char *caption, int, int)
{
    // The numbered texts are stored padded with blanks; print them trimmed.
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        n--;
    std::fprintf(stderr, "%s: %.*s\n", caption, static_cast<int>(n), text);
}

int Usage()
{
    std::fputs(USAGE, stderr);
    return 2;
}

void List_print(const char *name, const float *list, int count)
{
    std::printf("  %s (%d):", name, count);
    int shown = count < GEOMETRY_LIST_MAX ? count : GEOMETRY_LIST_MAX;
    for (int i = 0; i < shown; i++)
        std::printf(" %g", static_cast<double>(list[i]));
    std::printf("\n");
}

void Geometry_print()
{
    switch (geometry_kind) {
    case GEOMETRY_CYLINDERS:
        std::printf("geometry: cylinders\n");
        List_print("radii", cyl_radius, cyl_radius_count);
        List_print("z planes", cyl_plane_z, cyl_plane_count);
        break;
    case GEOMETRY_SLABS:
        std::printf("geometry: slabs\n");
        List_print("x boundaries", slab_x, slab_x_count);
        List_print("y boundaries", slab_y, slab_y_count);
        List_print("z boundaries", slab_z, slab_z_count);
        break;
    default:
        std::printf("geometry: none\n");
        break;
    }
    if (geometry_values_dropped > 0)
        std::printf("  %d values beyond the 100 of a list were dropped\n",
                    geometry_values_dropped);
}

int Batches_with_records()
{
    int n = 0;
    for (int i = 0; i < BATCH_MAX; i++)
        if (batch_step_count[i] != 0)
            n++;
    return n;
}

int Info(const char *path)
{
    if (Picture_convert_file(nullptr, path, nullptr) != 0)
        return 1;
    const ConvertStats &s = convert_stats;
    Geometry_print();
    std::printf("scene: x %g .. %g, y %g .. %g, z %g .. %g cm\n", x_min, x_max, y_min, y_max,
                z_min, z_max);
    std::printf("coordinate scale: %g\n", static_cast<double>(coord_scale));
    std::printf("batches: %u (last batch), %llu batch lines, %d with records\n", batch_count,
                static_cast<unsigned long long>(s.batch_lines), Batches_with_records());
    const char *names[STEP_KINDS] = {"photon", "electron", "positron"};
    uint64_t steps = 0;
    for (int k = 0; k < STEP_KINDS; k++) {
        steps += s.steps[k];
        std::printf("%-9s %10llu steps", names[k], static_cast<unsigned long long>(s.steps[k]));
        if (s.steps[k] > 0)
            std::printf(", energy %g .. %g MeV", static_cast<double>(s.energy_min[k]),
                        static_cast<double>(s.energy_max[k]));
        std::printf("\n");
    }
    std::printf("steps: %llu, separators: %llu, records: %llu\n",
                static_cast<unsigned long long>(steps),
                static_cast<unsigned long long>(s.separators),
                static_cast<unsigned long long>(s.records));
    std::printf("markers: %llu\n", static_cast<unsigned long long>(s.marker_lines));
    uint64_t skipped = s.skipped_type + s.skipped_before_batch + s.skipped_batch_range;
    std::printf("skipped lines: %llu\n", static_cast<unsigned long long>(skipped));
    if (s.skipped_type)
        std::printf("  %llu of type 7 or 8 (no meaning)\n",
                    static_cast<unsigned long long>(s.skipped_type));
    if (s.skipped_before_batch)
        std::printf("  %llu before the first batch line\n",
                    static_cast<unsigned long long>(s.skipped_before_batch));
    if (s.skipped_batch_range)
        std::printf("  %llu in batches outside 1..10000 (%d such batch lines)\n",
                    static_cast<unsigned long long>(s.skipped_batch_range),
                    s.batch_lines_out_of_range);
    return 0;
}

int Convert(const char *path, const char *work_dir)
{
    if (work_dir) {
        if (std::strlen(work_dir) >= sizeof settings.work_dir) {
            std::fprintf(stderr, "vokatool: work directory \"%s\" is longer than %d characters\n",
                         work_dir, static_cast<int>(sizeof settings.work_dir) - 1);
            return 2;
        }
        Text_copy(settings.work_dir, sizeof settings.work_dir, work_dir);
    }
    Text_copy(picture_path, sizeof picture_path, path);
    if (std::strlen(path) >= sizeof picture_path) {
        std::fprintf(stderr, "vokatool: path too long: %s\n", path);
        return 2;
    }
    if (Picture_convert(nullptr, 0) != 0)
        return 1;
    char work[PATH_SIZE + 16];
    Work_path(work, sizeof work);
    std::printf("work file: %s\n", work);
    std::printf("batches: %u\n", batch_count);
    uint64_t total = 0;
    for (int i = 0; i < BATCH_MAX; i++) {
        if (batch_step_count[i] == 0)
            continue;
        total += batch_step_count[i];
        std::printf("batch %5d: %u records\n", i + 1, batch_step_count[i]);
    }
    std::printf("records: %llu\n", static_cast<unsigned long long>(total));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Message_set_hook(Tool_message);
    if (argc < 3)
        return Usage();
    Settings_init();
    const char *command = argv[1];
    if (std::strcmp(command, "info") == 0) {
        if (argc != 3)
            return Usage();
        return Info(argv[2]);
    }
    if (std::strcmp(command, "convert") == 0) {
        const char *work_dir = nullptr;
        const char *path = nullptr;
        for (int i = 2; i < argc; i++) {
            if (std::strcmp(argv[i], "--work-dir") == 0 && i + 1 < argc)
                work_dir = argv[++i];
            else if (argv[i][0] == '-' && argv[i][1] == '-')
                return Usage();
            else if (!path)
                path = argv[i];
            else
                return Usage();
        }
        if (!path)
            return Usage();
        return Convert(path, work_dir);
    }
    return Usage();
}
