// vokatool info: what a picture file holds.

#include <cerrno>
#include <cstdio>

#include "picture/geometry.h"
#include "picture/picture.h"
#include "tools/vokatool/vokatool.h"

namespace {

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
    switch (geometry_list.kind) {
    case GEOMETRY_CYLINDERS:
        std::printf("geometry: cylinders\n");
        List_print("radii", geometry_list.cyl_radius, geometry_list.cyl_radius_count);
        List_print("z planes", geometry_list.cyl_plane_z, geometry_list.cyl_plane_count);
        break;
    case GEOMETRY_SLABS:
        std::printf("geometry: slabs\n");
        List_print("x boundaries", geometry_list.slab_x, geometry_list.slab_x_count);
        List_print("y boundaries", geometry_list.slab_y, geometry_list.slab_y_count);
        List_print("z boundaries", geometry_list.slab_z, geometry_list.slab_z_count);
        break;
    default: std::printf("geometry: none\n"); break;
    }
    if (work_file.stats.geometry.values_dropped > 0)
        std::printf("  %d values beyond the 100 of a list were dropped\n",
                    work_file.stats.geometry.values_dropped);
}

int Batches_with_records()
{
    int n = 0;
    for (int i = 0; i < BATCH_MAX; i++)
        if (work_file.batch_step_count[i] != 0)
            n++;
    return n;
}

// One kind of problem: how many lines, and where the first one is (in a
// track file: its track and vertex).
void Problem_print(const char *path, const ProblemLines &p, int kind)
{
    char place[PART_PATH_SIZE + 64];
    if (tool_run.track_file)
        Line_place(path, p.first_line, false, place, sizeof place);
    else
        std::snprintf(place, sizeof place, "line %llu",
                      static_cast<unsigned long long>(p.first_line));
    std::printf("  %llu: %s, the first at %s\n", static_cast<unsigned long long>(p.lines),
                Line_problem_text(kind), place);
}

} // namespace

int Info(const char *path)
{
    // errno is cleared before the core is called, so that a reason left in
    // it comes from this run's failure.
    errno = 0;
    if (Picture_convert_file(nullptr, path, nullptr) != 0)
        return Convert_explain(tool_run.message_input, -1);
    const ConvertStats &s = work_file.stats;
    Geometry_print();
    std::printf("scene: x %g .. %g, y %g .. %g, z %g .. %g cm\n", work_file.x_min, work_file.x_max,
                work_file.y_min, work_file.y_max, work_file.z_min, work_file.z_max);
    std::printf("coordinate scale: %g\n", static_cast<double>(work_file.coord_scale));
    if (s.header_missing)
        std::printf("no header line: scene bounds from the steps and the geometry\n");
    if (s.blocks) {
        std::printf("blocks skipped: %llu (%llu lines):", static_cast<unsigned long long>(s.blocks),
                    static_cast<unsigned long long>(s.block_lines));
        for (uint64_t i = 0; i < s.blocks && i < BLOCK_NAMES_KEPT; i++)
            std::printf(" %s", s.block_names[i]);
        std::printf("%s\n", s.blocks > BLOCK_NAMES_KEPT ? " ..." : "");
    }
    std::printf("batches: %u (last batch), %llu batch lines, %d with records%s\n",
                work_file.batch_count, static_cast<unsigned long long>(s.batch_lines),
                Batches_with_records(), work_file.batches_unordered ? ", out of order" : "");
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
    std::printf(
        "steps: %llu, separators: %llu, records: %llu\n", static_cast<unsigned long long>(steps),
        static_cast<unsigned long long>(s.separators), static_cast<unsigned long long>(s.records));
    std::printf("markers: %llu\n", static_cast<unsigned long long>(s.marker_lines));
    // Lines skipped on purpose, then every line left out, by kind.
    uint64_t skipped = s.skipped_type + s.blank_lines + s.unfinished_lines;
    std::printf("skipped lines: %llu\n", static_cast<unsigned long long>(skipped));
    if (s.skipped_type)
        std::printf("  %llu of type 7 or 8 (no meaning)\n",
                    static_cast<unsigned long long>(s.skipped_type));
    if (s.blank_lines)
        std::printf("  %llu blank\n", static_cast<unsigned long long>(s.blank_lines));
    int first_problem;
    uint64_t first_line;
    uint64_t left_out = Lines_left_out(&s, &first_problem, &first_line);
    uint64_t remarked = Lines_remarked(&s, &first_problem, &first_line);
    // The lines left out, then those read with a remark.
    for (int kept = 0; kept < 2; kept++) {
        uint64_t lines = kept ? remarked : left_out;
        if (kept && lines == 0)
            break;
        std::printf(kept ? "lines read with a remark: %llu\n" : "lines left out: %llu\n",
                    static_cast<unsigned long long>(lines));
        for (int k = PROBLEM_NONE + 1; k < PROBLEM_KINDS; k++)
            if (s.problems[k].lines && Line_problem_kept(k) == (kept != 0))
                Problem_print(path, s.problems[k], k);
    }
    if (s.far_kept)
        std::printf("no header line, and the file cannot be read twice: steps far outside the "
                    "rest were not left out\n");
    Progress_end();
    return tool_run.message_shown ? 1 : 0;
}
