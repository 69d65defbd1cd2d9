// The faster paths must not change a pixel or a byte: the steps kept in
// memory against the work file, the skipping surface against drawing every
// line, the rebuild and the conversion on several threads against one.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "picture/convert_parallel.h"
#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "picture/work_threads.h"
#include "render/energy_colour.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/picture_paint.h"
#include "render/record_index.h"
#include "render/skip_surface.h"
#include "render/track.h"
#include "render/view.h"
#include "test_support.h"
#include "tools/vokasim/vokasim.h"

namespace {

// The work file written behind the first picture: held back until the test
// lets it go (a picture drawn meanwhile cannot have read it), or cut short
// by a full device after `behind_room` bytes.
std::atomic<bool> behind_held;
uint64_t behind_room;
uint64_t behind_written;
size_t Behind_write(const void *data, size_t size, FILE *file)
{
    while (behind_held.load())
        std::this_thread::yield();
    size_t n = behind_written + size <= behind_room ? size : behind_room - behind_written;
    n = std::fwrite(data, 1, n, file);
    behind_written += n;
    if (n < size)
        errno = ENOSPC;
    return n;
}

class FastPaths : public PictureTest {
protected:
    void SetUp() override
    {
        PictureTest::SetUp();
        settings.particle_color[PARTICLE_PHOTON] = 0x0000FF00u;
        settings.particle_color[PARTICLE_POSITRON] = 0x00FF0000u;
        display.geometry_enabled = display.geometry_pending = 1;
        Layout_compute(LAYOUT_FROM_WINDOW, 640, 410);
    }
    void TearDown() override
    {
        core_tuning.copy_budget = STEP_COPY_MACHINE;
        display.batch_from = display.batch_to = 0;
        display.angle_x = display.angle_y = display.angle_z = 0;
        core_tuning.threads = 0;
        core_tuning.lane_min_records = 1 << 16;
        core_tuning.text_block = size_t{2} << 20;
        display.show_photon = 1;
        behind_held = false;
        Work_write_wait(nullptr);
        core_tuning.write_behind = false;
        core_tuning.work_write = nullptr;
        PictureTest::TearDown();
    }

    // A shower of vokasim in the given layout (and variants), its batches in
    // reverse order when `reversed`.
    std::string Shower(int layout, bool reversed, int variants = 0, int histories = 12,
                       int per_batch = 3)
    {
        SimOptions o;
        Sim_options_default(&o);
        o.energy = 30;
        o.histories = histories;
        o.per_batch = per_batch;
        o.seed = 5;
        o.layout = layout;
        o.variants = variants;
        char why[160] = "";
        EXPECT_EQ(Sim_run_prepare(&o, why, sizeof why), 0) << why;
        SimCounts counts;
        FILE *out = std::fopen(scratch.file("g.pic").c_str(), "wb");
        EXPECT_EQ(Sim_run_all(&o, out, &counts), 0);
        std::fclose(out);
        std::string text = scratch.read("g.pic");
        if (!reversed)
            return text;
        size_t first = text.find("\n0    1\n") + 1;
        std::string head = text.substr(0, first), batches;
        for (size_t end = text.size(), at; end > first; end = at) {
            at = text.rfind("\n0 ", end - 2) + 1;
            batches += text.substr(at, end - at);
        }
        return head + batches;
    }

    // Each record of the copy, coordinates divided by d, is the work file's
    // to the last bit.
    static void Expect_copy_holds_the_work_file(const std::string &work, double d)
    {
        const std::string bytes = File_read(work);
        const size_t n = bytes.size() / STEP_RECORD_SIZE;
        std::vector<ScaledStep> copy(n + 1);
        ASSERT_EQ(Step_copy_read(0, copy.data(), n + 1, d), n);
        for (size_t i = 0; i < n; i++) {
            StepRecord r;
            const ScaledStep &c = copy[i];
            Step_decode(reinterpret_cast<const uint8_t *>(bytes.data()) + i * STEP_RECORD_SIZE, &r);
            const double file[4] = {r.x / d, r.y / d, r.z / d, r.energy},
                         kept[4] = {c.x, c.y, c.z, c.energy};
            ASSERT_TRUE(r.batch == c.batch && r.kind == c.kind &&
                        std::memcmp(file, kept, sizeof file) == 0)
                << "record " << i;
        }
    }

    // The pictures of a few views: full, turned, zoomed, a batch range and
    // the newest batch of a calculation.
    std::vector<std::vector<Colour>> Views()
    {
        std::vector<std::vector<Colour>> shown;
        struct View {
            int16_t turn;
            int32_t from, to;
            int render_mode, calc;
        } views[] = {{0, 0, 0, RENDER_FULL, 0},
                     {35, 0, 0, RENDER_FULL, 0},
                     {35, 0, 0, RENDER_ZOOM, 0},
                     {0, 2, 3, RENDER_FULL, 0},
                     {0, 0, 0, RENDER_FULL, 1}};
        for (const View &v : views) {
            display.angle_x = display.angle_z = v.turn;
            display.batch_from = v.from;
            display.batch_to = v.to;
            view_state = ViewState{};
            RasterSurface image;
            EXPECT_EQ(Headless_render(nullptr, &image, RENDER_FULL, v.calc, v.calc), 0);
            if (v.render_mode == RENDER_ZOOM) {
                zoom_rect = PixelRect{300, 180, 330, 200};
                EXPECT_EQ(Headless_render(nullptr, &image, RENDER_ZOOM, 0, 0), 0);
            }
            shown.emplace_back(image.pixels(), image.pixels() + image.width() * image.height());
        }
        return shown;
    }
};

// In every coordinate layout, with the batches in and out of order: the
// copy holds the work file's records exactly, and the pictures drawn from
// memory are those drawn from the work file, which a copy over its budget
// leaves as the only source.
TEST_F(FastPaths, StepsInMemoryDrawTheWorkFilesPicture)
{
    const std::string work = scratch.file("work.$$$");
    for (int layout : {SIM_LAYOUT_SHORT, SIM_LAYOUT_LONG, SIM_LAYOUT_FLOAT}) {
        for (bool reversed : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "layout " << layout << (reversed ? ", reversed" : ""));
            const std::string text = Shower(layout, reversed);
            core_tuning.copy_budget = STEP_COPY_MACHINE;
            ASSERT_EQ(Run(text), 0) << messages.texts();
            EXPECT_EQ(work_file.batches_unordered, reversed ? 1u : 0u);
            EXPECT_TRUE(Step_copy_matches(work.c_str()));
            Expect_copy_holds_the_work_file(work, 0.0123);
            std::vector<std::vector<Colour>> from_memory = Views();

            core_tuning.copy_budget = 100 * STEP_COPY_RECORD_SIZE;
            ASSERT_EQ(Run(text), 0);
            ASSERT_FALSE(Step_copy_matches(work.c_str()));
            std::vector<std::vector<Colour>> from_file = Views();
            for (size_t v = 0; v < from_file.size(); v++)
                EXPECT_TRUE(from_memory[v] == from_file[v]) << "view " << v;
            EXPECT_FALSE(from_file[0] == from_file[1]);
        }
    }
    // A second picture of the same bounds at another coordinate scale is
    // drawn from memory at its own size, not at the first one's.
    std::string text = Shower(SIM_LAYOUT_SHORT, false);
    core_tuning.copy_budget = STEP_COPY_MACHINE;
    ASSERT_EQ(Run(text), 0);
    Views();
    text.replace(text.find("\n0    1\n") - 10, 10, "       1.5");
    ASSERT_EQ(Run(text), 0);
    const std::vector<std::vector<Colour>> from_memory = Views();
    core_tuning.copy_budget = 100 * STEP_COPY_RECORD_SIZE;
    ASSERT_EQ(Run(text), 0);
    EXPECT_TRUE(Views() == from_memory);
}

// A work file written again since the conversion (by a second viewer with
// the same work directory) is drawn from, not the copy of the old one.
TEST_F(FastPaths, WorkFileWrittenSinceIsDrawnFrom)
{
    const std::string work = scratch.file("work.$$$");
    ASSERT_EQ(Run(Shower(SIM_LAYOUT_SHORT, false)), 0);
    ASSERT_TRUE(Step_copy_matches(work.c_str()));
    std::filesystem::last_write_time(work, std::filesystem::last_write_time(work) -
                                               std::chrono::hours(1));
    EXPECT_FALSE(Step_copy_matches(work.c_str()));
}

// The picture file is read in binary with its line ends found by the
// reader: CR LF and CR alone end a line as LF does; a Ctrl-Z on a line of
// its own at the end is no line, one inside a line leaves that line out
// (and is said), never the rest of the file.
TEST_F(FastPaths, TextConventionsOfTheReader)
{
    const std::string work = scratch.file("work.$$$");
    const std::string plain = Shower(SIM_LAYOUT_SHORT, false);
    ASSERT_EQ(Run(plain), 0);
    const std::string expected = File_read(work);
    std::string dos, mac;
    for (char c : plain) {
        dos += c == '\n' ? std::string("\r\n") : std::string(1, c);
        mac += c == '\n' ? '\r' : c;
    }
    ASSERT_EQ(Run(dos + "\x1A"), 0);
    EXPECT_TRUE(File_read(work) == expected);
    ASSERT_EQ(Run(mac + "\x1A" + "250000500005000010003\r"), 0);
    EXPECT_TRUE(File_read(work) == expected);
    EXPECT_EQ(work_file.stats.problems[PROBLEM_CTRL_Z].lines, 1u);
    EXPECT_EQ(messages.messages().size(), 1u);
}

// No-op confinement: the images are compared whole.
void Keep_all(void *, const PixelRect *)
{
}

// A picture of short tracks in every mix that drawing meets, short lines in
// a 4 cm cube: tracks whose kind changes on the way (a hidden kind first or
// later), steps below the cut-off, steps that stay in place (dots),
// separators one after another, the batches in order or reversed.
std::string Mixed_picture(bool reversed)
{
    std::string text =
        "GSTA\nCYLS\n     1     2\n    1.00000E+00\n   -1.00000E+00    1.00000E+00\nGEND\n"
        "     -2.00      2.00     -2.00      2.00     -2.00      2.00      1.00\n";
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    std::vector<std::string> batches;
    for (int b = 1; b <= 12; b++) {
        char line[32];
        std::snprintf(line, sizeof line, "0%5d\n", b);
        std::string batch = line;
        for (int t = 0; t < 40; t++) {
            int x = 50000, y = 30000 + static_cast<int>(next(40000)),
                z = 30000 + static_cast<int>(next(40000));
            for (uint32_t n = 1 + next(9); n > 0; n--) {
                if (next(3) != 0) { // else the step stays where it is
                    y += static_cast<int>(next(3001)) - 1500;
                    z += static_cast<int>(next(3001)) - 1500;
                }
                // Energies 0.1 to 9 MeV: the cut-off of 1 MeV leaves some out.
                std::snprintf(line, sizeof line, "%u%05d%05d%05d%04u%u\n", 1 + next(3), x, y, z,
                              1000 + next(9000), 2 + next(2));
                batch += line;
            }
            for (uint32_t n = next(3); n > 0; n--)
                batch += "-\n";
        }
        batches.push_back(batch);
    }
    for (size_t b = 0; b < batches.size(); b++)
        text += batches[reversed ? batches.size() - 1 - b : b];
    return text;
}

// The first picture is drawn from the steps in memory while the work file
// is still being written (held back until the picture is drawn), and is the
// picture drawn once it is complete; the file comes out with the bytes of a
// conversion that writes it at once, on one thread and on several, also
// when the copy stops on the way (a float step line among short ones: what
// it held is written first).  A full device while the file is written
// behind gives the work-file message, and the picture then drawn holds no
// track, as after a conversion whose write failed.
TEST_F(FastPaths, FirstPictureDoesNotWaitForTheWorkFile)
{
    const std::string work = scratch.file("work.$$$");
    std::string mixed = Mixed_picture(false);
    const size_t middle = mixed.find("0    7\n");
    const std::string stopping = mixed.substr(0, middle + 7) +
                                 "5  1.00000E-01  0.00000E+00  0.00000E+00 1.000E+00\n" +
                                 mixed.substr(middle + 7);
    core_tuning.text_block = 2000;
    core_tuning.work_write = Behind_write;
    const std::string *texts[] = {&mixed, &stopping};
    for (const std::string *text : texts) {
        for (int threads : {1, 2}) {
            SCOPED_TRACE(testing::Message()
                         << (text == &mixed ? "kept" : "stopped") << ", " << threads << " threads");
            core_tuning.threads = threads;
            behind_room = UINT64_MAX;
            behind_written = 0;
            core_tuning.write_behind = false;
            ASSERT_EQ(Run(*text), 0) << messages.texts();
            const std::string bytes = File_read(work);
            const std::vector<std::vector<Colour>> after = Views();
            behind_written = 0;
            behind_held = text == &mixed;
            core_tuning.write_behind = true;
            ASSERT_EQ(Run(*text), 0) << messages.texts();
            EXPECT_EQ(Work_writing(), text == &mixed);
            EXPECT_TRUE(Views() == after);
            behind_held = false;
            EXPECT_EQ(Work_write_wait(nullptr), 0);
            EXPECT_TRUE(File_read(work) == bytes);
            EXPECT_EQ(Step_copy_matches(work.c_str()), text == &mixed);
            EXPECT_TRUE(Views() == after);
        }
    }
    // A full device part-way through the file written behind.
    const std::string no_steps = mixed.substr(0, mixed.find("0    1\n") + 7);
    core_tuning.write_behind = false;
    ASSERT_EQ(Run(no_steps), 0);
    const std::vector<Colour> none = Views()[0];
    behind_room = 5000;
    behind_written = 0;
    core_tuning.write_behind = true;
    messages.clear();
    ASSERT_EQ(Run(mixed), 0);
    EXPECT_EQ(Work_write_wait(nullptr), -1);
    const std::string full = Message_text(MSG_WORK_FULL);
    EXPECT_EQ(messages.texts(), full.substr(0, full.find_last_not_of(' ') + 1));
    EXPECT_FALSE(Step_copy_matches(work.c_str()));
    EXPECT_TRUE(Views()[0] == none);
    core_tuning.write_behind = false;
    core_tuning.work_write = nullptr;
}

// The rebuild drawn on lanes, one thread each, gives the picture of one
// thread bit for bit, wherever the lanes begin: on a raster image and
// through the window's skipping surface, from the steps in memory and from
// the work file, with thin, dashed (gaps painted and not) and wide pens,
// hidden kinds and cut-offs, batch ranges, batches out of order and the
// newest batch, coloured by particle and by energy.
TEST_F(FastPaths, LanesDrawThePictureOfOneThread)
{
    Text_copy(settings.photon_cutoff_text, sizeof settings.photon_cutoff_text, "1");
    Text_copy(settings.charged_cutoff_text, sizeof settings.charged_cutoff_text, "1");
    settings.particle_pen_style[PARTICLE_POSITRON] = PEN_DASHDOT;
    settings.particle_pen_width[PARTICLE_PHOTON] = 3;
    core_tuning.lane_min_records = 0;
    const int32_t w = layout.bitmap_w, h = layout.bitmap_h;
    // The picture as the window and vokatool draw it, on a raster image
    // (ON_IMAGE), through a skipping surface in front of it (SKIPPING; with
    // lanes that keep few lines, so that they are drawn again in their
    // turn: SKIPPING_BOUNDED), or on rows in the platform's order (ON_ROWS,
    // the window's bitmap, read back in the surface's order); `opaque`: on
    // a fresh image, without scale bar and panel, so that dashes paint
    // their gaps.
    enum { ON_IMAGE, SKIPPING, SKIPPING_BOUNDED, ON_ROWS };
    auto draw = [&](int threads, int how, bool opaque) {
        core_tuning.threads = threads;
        const size_t recording_max = core_tuning.skip_recording_max;
        if (how == SKIPPING_BOUNDED)
            core_tuning.skip_recording_max = 40;
        view_state = ViewState{};
        std::vector<Colour> rows(static_cast<size_t>(w) * static_cast<size_t>(h));
        RasterSurface image;
        EXPECT_EQ(how == ON_ROWS ? image.attach(rows.data(), w, h) : image.create(w, h), 0);
        if (!opaque)
            image.set_background(0, COLOUR_WHITE);
        SkipSurface skip(&image, layout.view_rect); // the window's area
        const bool skipping = how == SKIPPING || how == SKIPPING_BOUNDED;
        Headless_paint(nullptr, skipping ? static_cast<Surface *>(&skip) : &image, Keep_all,
                       nullptr, RENDER_FULL, display.batch_to == -1, display.batch_to == -1,
                       opaque ? 0 : 1);
        // The picture area: what is drawn beyond it is painted over.
        std::vector<Colour> area;
        const PixelRect &r = layout.view_rect;
        for (int32_t y = r.top; y < r.bottom; y++)
            for (int32_t x = r.left; x < r.right; x++) {
                Colour c = image.pixels()[y * w + x];
                if (how == ON_ROWS)
                    c = (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
                area.push_back(c);
            }
        return area;
    };
    for (bool reversed : {false, true}) {
        const std::string text = Mixed_picture(reversed);
        for (bool in_memory : {true, false}) {
            core_tuning.copy_budget = in_memory ? STEP_COPY_MACHINE : 100 * STEP_COPY_RECORD_SIZE;
            ASSERT_EQ(Run(text), 0) << messages.texts();
            ASSERT_EQ(Step_copy_matches("./work.$$$"), in_memory);
            struct View {
                int16_t turn;
                int32_t from, to; // to -1: the newest batch of a calculation
                int show_photon;
                bool opaque;
                int by_energy;
            } views[] = {{0, 0, 0, 1, false, 0},
                         {40, 3, 8, 0, false, 0},
                         {0, 0, -1, 1, false, 1},
                         {25, 0, 0, 1, true, 0}};
            for (const View &v : views) {
                display.angle_x = display.angle_z = v.turn;
                display.batch_from = v.from;
                display.batch_to = v.to;
                display.show_photon = v.show_photon;
                energy_colouring.by_energy = v.by_energy;
                Text_copy(settings.scale_unit_text, sizeof settings.scale_unit_text,
                          v.opaque ? "0" : "0.1");
                const std::vector<Colour> one = draw(1, ON_IMAGE, v.opaque);
                for (int threads : {2, 3, 16}) {
                    SCOPED_TRACE(testing::Message() << (reversed ? "reversed, " : "")
                                                    << (in_memory ? "memory" : "file") << ", view "
                                                    << &v - views << ", " << threads << " threads");
                    EXPECT_TRUE(draw(threads, ON_IMAGE, v.opaque) == one) << "on the image";
                    EXPECT_TRUE(draw(threads, SKIPPING, v.opaque) == one)
                        << "through the skipping surface";
                    EXPECT_TRUE(draw(threads, SKIPPING_BOUNDED, v.opaque) == one)
                        << "through the skipping surface, its lanes drawn again in their turn";
                    EXPECT_TRUE(draw(threads, ON_ROWS, v.opaque) == one)
                        << "on rows in the platform's order";
                }
            }
            display.batch_to = 0;
            energy_colouring.by_energy = 0;
        }
    }
}

// The read-out's record index drawn on lanes holds, at every pixel of the
// picture area, the code that drawing it on one thread leaves.
TEST_F(FastPaths, RecordIndexOnLanesIsTheIndexOfOneThread)
{
    settings.particle_pen_style[PARTICLE_POSITRON] = PEN_DASHDOT;
    settings.particle_pen_width[PARTICLE_PHOTON] = 3;
    core_tuning.lane_min_records = 0;
    ASSERT_EQ(Run(Mixed_picture(false)), 0) << messages.texts();
    const PixelRect &r = layout.view_rect;
    auto index = [&](int threads) {
        core_tuning.threads = threads;
        view_state = ViewState{};
        RecordIndexSurface plane;
        EXPECT_EQ(plane.create(layout.view_right, layout.view_bottom), 0);
        Picture_rebuild(nullptr, RebuildRequest{&plane, RENDER_FULL, false, 1});
        // What is drawn beyond the area is painted over.
        std::vector<uint32_t> codes;
        for (int32_t y = r.top; y < r.bottom; y++)
            for (int32_t x = r.left; x < r.right; x++)
                codes.push_back(plane.code(x, y));
        return codes;
    };
    const std::vector<uint32_t> one = index(1);
    EXPECT_GT(std::count_if(one.begin(), one.end(), [](uint32_t c) { return c != 0; }), 1000);
    for (int threads : {2, 3})
        EXPECT_TRUE(index(threads) == one) << threads << " threads";
}

// Through the skipping surface in front of a raster surface, a dense picture
// comes out as drawing every line gives it, whatever the pens (dashes and
// wide pens between the thin solid ones, the title and guide over them), and
// most of its lines are left out.
TEST_F(FastPaths, SkippingSurfaceLeavesThePixelsAsTheyWere)
{
    ASSERT_EQ(Run(Shower(SIM_LAYOUT_SHORT, false)), 0);
    picture_marks.title_shown = picture_marks.guide_shown = 1;
    Text_copy(settings.title_text, sizeof settings.title_text, "shower");
    struct Pens {
        int style[3];
        int width[3];
    } cases[] = {{{PEN_SOLID, PEN_SOLID, PEN_SOLID}, {1, 1, 0}},
                 {{PEN_SOLID, PEN_DOT, PEN_DASHDOT}, {1, 1, 1}},
                 {{PEN_SOLID, PEN_INSIDEFRAME, PEN_SOLID}, {1, -1, 3}}};
    for (const Pens &c : cases) {
        // Pixels near a dashed or wide line are not the colour of its pen:
        // a thin solid line of that colour over them must still be drawn.
        const Colour colours[3] = {0x0000FFFFu, 0x00FF00FFu, 0x0000FFFFu};
        for (int i = 0; i < 3; i++) {
            settings.particle_pen_style[i] = c.style[i];
            settings.particle_pen_width[i] = c.width[i];
            settings.particle_color[i] = colours[i];
        }
        const int32_t w = layout.bitmap_w, h = layout.bitmap_h;
        RasterSurface every, behind;
        ASSERT_EQ(every.create(w, h), 0);
        ASSERT_EQ(behind.create(w, h), 0);
        view_state = ViewState{};
        Headless_paint(nullptr, &every, Keep_all, nullptr, RENDER_FULL, 0, 0, 1);
        SkipSurface skipping(&behind, PixelRect{0, 0, w, h});
        view_state = ViewState{};
        Headless_paint(nullptr, &skipping, Keep_all, nullptr, RENDER_FULL, 0, 0, 1);
        EXPECT_TRUE(std::equal(every.pixels(), every.pixels() + w * h, behind.pixels()))
            << "pens " << c.style[1] << " " << c.style[2];
        EXPECT_GT(skipping.lines_left_out(), skipping.lines_passed());
    }
    picture_marks.title_shown = picture_marks.guide_shown = 0;
}

} // namespace

namespace {

// Everything a conversion leaves, as text: the work file, the counts of the
// batches, the last batch and the order, the scene, what it met (the
// report), the messages, and the records of the step copy.
std::string Converted(const MessageRecorder &messages)
{
    std::string all = File_read("work.$$$");
    for (uint32_t count : work_file.batch_step_count)
        all += std::to_string(count) + ",";
    const ConvertStats &s = work_file.stats;
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "\n%u %u %.17g %.17g %.17g %.17g %.17g %.17g %.9g\n"
        "%llu %llu %llu %llu %llu %llu %llu %.9g %.9g %.9g %.9g %.9g %.9g %llu %llu %llu %llu %llu "
        "%.4s %.4s %.4s %.4s %llu %d %d\n",
        work_file.batch_count, work_file.batches_unordered, work_file.x_min, work_file.x_max,
        work_file.y_min, work_file.y_max, work_file.z_min, work_file.z_max,
        static_cast<double>(work_file.coord_scale), static_cast<unsigned long long>(s.lines),
        static_cast<unsigned long long>(s.batch_lines),
        static_cast<unsigned long long>(s.marker_lines),
        static_cast<unsigned long long>(s.separators), static_cast<unsigned long long>(s.steps[0]),
        static_cast<unsigned long long>(s.steps[1]), static_cast<unsigned long long>(s.steps[2]),
        static_cast<double>(s.energy_min[0]), static_cast<double>(s.energy_min[1]),
        static_cast<double>(s.energy_min[2]), static_cast<double>(s.energy_max[0]),
        static_cast<double>(s.energy_max[1]), static_cast<double>(s.energy_max[2]),
        static_cast<unsigned long long>(s.skipped_type), static_cast<unsigned long long>(s.records),
        static_cast<unsigned long long>(s.blank_lines), static_cast<unsigned long long>(s.blocks),
        static_cast<unsigned long long>(s.block_lines), s.block_names[0], s.block_names[1],
        s.block_names[2], s.block_names[3], static_cast<unsigned long long>(s.unfinished_lines),
        s.header_missing, s.nothing_after_geometry);
    all += text;
    for (const ProblemLines &p : s.problems)
        all += std::to_string(p.lines) + "@" + std::to_string(p.first_line) + " ";
    all += messages.texts() + "\n";
    if (Step_copy_matches("./work.$$$")) {
        std::vector<ScaledStep> copy(Step_copy_count());
        Step_copy_read(0, copy.data(), copy.size(), 1.0);
        for (const ScaledStep &r : copy) {
            char line[96];
            std::snprintf(line, sizeof line, "%d %d %a %a %a %a\n", r.batch, r.kind, r.x, r.y, r.z,
                          static_cast<double>(r.energy));
            all += line;
        }
    }
    return all;
}

// Damage of every kind that the reading meets, at places of `text` picked by
// a fixed sequence: unreadable and blank lines, lines without meaning, batch
// lines out of range, blocks that are not drawn (batch lines inside them), a
// step far out, a line longer than a piece, a block without its end line
// and in it a run of text without a line end; and at the end a Ctrl-Z with
// lines after it.
std::string Damaged(const std::string &text, uint32_t seed)
{
    const char *damage[] = {
        "21E999500005000010003\n",
        "\n",
        "   \n",
        "7junk\n",
        "0    0\n",
        "010001\n",
        "ZSTA\n0    2\n250000500005000010003\nZEND\n",
        "QSTA\n1 2 3\nQEND\n",
        "-\n-\n",
        "9\n",
        "5  1.00000E+09  0.00000E+00  0.00000E+00 1.000E+00\n", // far out without a header
    };
    std::string out;
    size_t at = 0;
    bool long_line = false, open_block = false;
    for (int n = 0; at < text.size(); n++) {
        size_t step = 200 + (seed = seed * 1103515245u + 12345u) / 65536u % 1500u;
        size_t end = text.find('\n', at + step);
        end = end == std::string::npos ? text.size() : end + 1;
        out += text.substr(at, end - at);
        at = end;
        if (n % 7 == 5) // a piece, and its rest: a batch line
            out += std::string(127, '5') + "0    " + std::to_string(n % 3) + "\n";
        else if (!open_block && at > text.size() * 7 / 10 && (open_block = true))
            out += "YSTA\n"; // a block without its end line takes the rest
        else if (!long_line && at > text.size() * 17 / 20 && (long_line = true))
            out += std::string(5000, '2') + "\n"; // longer than a block of text
        else
            out += damage[(seed >> 8) % (sizeof damage / sizeof *damage)];
    }
    return out + "\x1A" + "250000500005000010003\n";
}

} // namespace

// Several threads convert a picture as one does, byte for byte, wherever
// the text is split: the work file, the counts, the scene, the report of
// what was left out (line numbers included), the messages and the step copy;
// for the short, long and float layouts, batches in and out of order, no
// header line, blocks, CR LF line ends, and damage of every kind.
TEST_F(FastPaths, ConversionOnThreadsIsTheConversionOnOne)
{
    struct Picture {
        int layout;
        bool reversed;
        int variants;
        int per_batch; // histories: a batch line every few ranges, or one
    } pictures[] = {
        {SIM_LAYOUT_SHORT, false, SIM_VARIANT_MINUS1 | SIM_VARIANT_TRAILING, 3},
        {SIM_LAYOUT_LONG, true, SIM_VARIANT_BLOCK, 10},
        {SIM_LAYOUT_FLOAT, false, SIM_VARIANT_BLOCK | SIM_VARIANT_NO_HEADER | SIM_VARIANT_CRLF, 30},
        {SIM_LAYOUT_FLOAT, false, SIM_VARIANT_BOM | SIM_VARIANT_CR, 3}};
    for (const Picture &p : pictures) {
        const std::string shower = Shower(p.layout, p.reversed, p.variants, 30, p.per_batch);
        // As it is, damaged, and as a calculation's output that ends in an
        // unfinished line.
        for (int form = 0; form < 3; form++) {
            const bool damaged = form == 1;
            const int source = form == 2 ? 1 : 0;
            const std::string text =
                damaged ? Damaged(shower, static_cast<uint32_t>(p.layout)) : shower;
            if (source == 1)
                Text_copy(
                    display.calc_output_path, sizeof display.calc_output_path,
                    scratch.write("calc.pic", text.substr(0, text.find('\x1A')) + "250000500005")
                        .c_str());
            else
                Text_copy(display.picture_path, sizeof display.picture_path,
                          scratch.write("p.pic", text).c_str());
            core_tuning.threads = 1;
            messages.clear();
            Picture_convert(nullptr, source);
            const std::string one = Converted(messages);
            for (int threads : {2, 3, 7}) {
                for (size_t block : {size_t{300}, size_t{2000}}) {
                    SCOPED_TRACE(testing::Message()
                                 << "layout " << p.layout << ", form " << form << ", " << threads
                                 << " threads, blocks of " << block);
                    core_tuning.threads = threads;
                    core_tuning.text_block = block;
                    messages.clear();
                    Picture_convert(nullptr, source);
                    EXPECT_TRUE(Converted(messages) == one);
                }
            }
        }
    }
}
