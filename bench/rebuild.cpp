// bench_rebuild: the first picture and the redraw as the window makes them,
// on the raster surface at a given window size.
//
//   bench_rebuild WORKDIR/ PICTURE [WxH]
//
// Converts PICTURE once into WORKDIR (at most 19 characters, with its
// trailing separator), as the viewer does (the steps kept in memory when
// they fit), then rebuilds the full view RUNS times (environment
// BENCH_REBUILDS, default 3, at least 2).  Prints, in microseconds, the
// conversion ("convert US"), the first rebuild, which with the conversion
// makes the first picture ("first US"), and the best of the later ones, the
// redraw after a command ("redraw US"); then "records N".  The threads are
// those of the viewer (VOKA_THREADS=1: one); BENCH_COPY_BUDGET sets the step
// copy's budget.  As in the viewer, the work file is written from the step
// copy on another thread while the picture is drawn (BENCH_WRITE_BEHIND=0:
// written during the conversion, as the tools do); "written US", from the
// start of the conversion, is when it is complete.  Then the best of RUNS
// rebuilds of the picture, and of the read-out's record index that the
// window draws right after it ("picture US", "index US").
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "picture/work_threads.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/record_index.h"
#include "render/track.h"
#include "render/view.h"

namespace {

// The best of RUNS rebuilds of the picture alone, and of the read-out's
// index that the window draws right after it, in microseconds.
int Picture_and_index(int runs, double *alone, double *index_us)
{
    RasterSurface image;
    for (int r = 0; r < 2 * runs; r++) {
        RecordIndexSurface index;
        if (image.create(layout.bitmap_w, layout.bitmap_h) != 0 ||
            index.create(layout.view_right, layout.view_bottom) != 0)
            return 1;
        auto start = std::chrono::steady_clock::now();
        Picture_rebuild(nullptr, RebuildRequest{r % 2 ? static_cast<Surface *>(&index) : &image,
                                                RENDER_KEEP, false, 1});
        double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        double &kept = r % 2 ? *index_us : *alone;
        if (r < 2 || us < kept)
            kept = us;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_rebuild WORKDIR/ PICTURE [WxH]\n");
        return 2;
    }
    Settings_defaults(&settings);
    Settings_derive_colours();
    if (std::strlen(argv[1]) >= sizeof settings.work_dir) {
        std::fprintf(stderr, "bench_rebuild: work directory too long\n");
        return 2;
    }
    Text_copy(settings.work_dir, sizeof settings.work_dir, argv[1]);
    Text_copy(display.picture_path, sizeof display.picture_path, argv[2]);
    int w = 640;
    int h = 410;
    if (argc > 3 && std::sscanf(argv[3], "%dx%d", &w, &h) != 2) {
        std::fprintf(stderr, "bench_rebuild: bad size %s\n", argv[3]);
        return 2;
    }
    // BENCH_COPY_BUDGET: the step copy's budget in bytes (0: none, the
    // rebuilds read the work file), instead of the machine's.
    if (const char *budget = std::getenv("BENCH_COPY_BUDGET"))
        core_tuning.copy_budget = std::strtoull(budget, nullptr, 10);
    const char *behind = std::getenv("BENCH_WRITE_BEHIND");
    core_tuning.write_behind = !(behind && std::strcmp(behind, "0") == 0);
    auto convert_start = std::chrono::steady_clock::now();
    if (Picture_convert(nullptr, 0) != 0)
        return 1;
    double convert_us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - convert_start)
            .count();
    display.geometry_enabled = display.geometry_pending = 1;
    Layout_compute(LAYOUT_FROM_WINDOW, w, h);
    uint64_t records = 0;
    for (int i = 0; i < BATCH_MAX; i++)
        records += work_file.batch_step_count[i];

    const char *runs_text = std::getenv("BENCH_REBUILDS");
    int runs = runs_text ? std::atoi(runs_text) : 3;
    if (runs < 2)
        runs = 2;
    double first = 0;
    double best = 0;
    RasterSurface image;
    for (int r = 0; r < runs; r++) {
        auto start = std::chrono::steady_clock::now();
        if (Headless_render(nullptr, &image, RENDER_FULL, 0, 0) != 0)
            return 1;
        auto end = std::chrono::steady_clock::now();
        double us = std::chrono::duration<double, std::micro>(end - start).count();
        if (r == 0)
            first = us;
        else if (r == 1 || us < best)
            best = us;
    }
    if (Work_write_wait(nullptr) != 0)
        return 1;
    double written_us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - convert_start)
            .count();
    double alone = 0;
    double index_us = 0;
    if (Picture_and_index(runs, &alone, &index_us) != 0)
        return 1;
    std::printf("convert %.0f\nfirst %.0f\nredraw %.0f\nwritten %.0f\npicture %.0f\nindex "
                "%.0f\nrecords %llu\n",
                convert_us, first, best, written_us, alone, index_us,
                static_cast<unsigned long long>(records));
    return 0;
}
