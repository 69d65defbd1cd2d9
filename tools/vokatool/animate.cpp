// vokatool animate: the picture turning about an axis of the screen, as an
// animated GIF or an MP4.  Frame k is what vokatool render draws at the
// start angles (--angles) turned by k * DEG / N degrees about the axis: the
// start view turned exactly, as a drag in the window turns it, then the
// whole-degree angles nearest to those of the frame before (the window
// keeps its angles in whole degrees).  Each frame's angles are printed, so
// that any frame can be drawn again as a still.

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "render/headless.h"
#include "render/layout.h"
#include "render/view.h"
#include "tools/vokatool/animation_file.h"
#include "tools/vokatool/vokatool.h"

namespace {

struct AnimateOptions {
    int axis = SCREEN_Y;
    double degrees = 360.0;
    int64_t frames = 72;
    double fps = 24.0;
    int format = 0; // ANIMATION_GIF or ANIMATION_MP4
};

const char *const ANIMATE_OPTIONS[] = {"--axis", "--degrees", "--frames", "--fps", nullptr};

int Animate_option(const char *a, const char *v, void *context)
{
    AnimateOptions *n = static_cast<AnimateOptions *>(context);
    char *end = nullptr;
    if (std::strcmp(a, "--axis") == 0) {
        if ((v[0] != 'x' && v[0] != 'y' && v[0] != 'z') || v[1] != '\0')
            return Render_error("bad --axis (x, y or z)", v);
        n->axis = v[0] == 'x' ? SCREEN_X : v[0] == 'y' ? SCREEN_Y : SCREEN_Z;
    } else if (std::strcmp(a, "--degrees") == 0) {
        n->degrees = std::strtod(v, &end);
        if (end == v || *end != '\0' || !(n->degrees >= -3600.0 && n->degrees <= 3600.0))
            return Render_error("bad --degrees (-3600..3600)", v);
    } else if (std::strcmp(a, "--frames") == 0) {
        int64_t frames;
        if (!Ints_parse(v, ',', &frames, 1) || !Fits(frames, 1, 100000))
            return Render_error("bad --frames (1..100000)", v);
        n->frames = frames;
    } else {
        n->fps = std::strtod(v, &end);
        if (end == v || *end != '\0' || !(n->fps >= 0.1 && n->fps <= 120.0))
            return Render_error("bad --fps (0.1..120)", v);
    }
    return 0;
}

int Animate_output(const char *path, void *context)
{
    AnimateOptions *n = static_cast<AnimateOptions *>(context);
    size_t length = std::strlen(path);
    auto ends = [&](const char *e) {
        size_t m = std::strlen(e);
        if (length < m)
            return false;
        for (size_t i = 0; i < m; i++)
            if (std::tolower(static_cast<unsigned char>(path[length - m + i])) != e[i])
                return false;
        return true;
    };
    n->format = ends(".gif") ? ANIMATION_GIF : ends(".mp4") ? ANIMATION_MP4 : 0;
    if (n->format == 0)
        return Render_error("unknown output format (use .gif or .mp4)", path);
    return Animation_available(n->format) ? 0 : 2;
}

// Frames done and the time left, on a terminal.
void Frames_progress(int64_t done, int64_t total, std::chrono::steady_clock::time_point start)
{
    static const bool terminal = isatty(STDERR_FILENO) != 0;
    if (!terminal)
        return;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double left =
        done > 0 ? seconds * static_cast<double>(total - done) / static_cast<double>(done) : 0.0;
    std::fprintf(stderr, "\rframe %lld of %lld, %.0f s left   ", static_cast<long long>(done),
                 static_cast<long long>(total), left);
    if (done == total)
        std::fputs("\r                                        \r", stderr);
    std::fflush(stderr);
}

// Draw and write every frame.  0, or 1 after saying why.
int Frames_write(const RenderOptions &o, const AnimateOptions &n, AnimationFile *file)
{
    const ViewMatrix start_view = View_matrix(display.angle_x, display.angle_y, display.angle_z);
    int16_t angles[3] = {display.angle_x, display.angle_y, display.angle_z};
    const auto began = std::chrono::steady_clock::now();
    // The core's progress is that of one frame: the frames' is shown instead.
    progress_hook = nullptr;
    for (int64_t k = 0; k < n.frames; k++) {
        ViewMatrix view = start_view;
        View_screen_axis_turn(&view, n.axis,
                              n.degrees * static_cast<double>(k) / static_cast<double>(n.frames));
        const int16_t before[3] = {angles[0], angles[1], angles[2]};
        View_matrix_angles(view, before, angles);
        display.angle_x = angles[0];
        display.angle_y = angles[1];
        display.angle_z = angles[2];
        PixelRect area;
        const int mode = Render_layout(o, &area);
        RasterSurface image;
        if (Headless_render(nullptr, &image, mode, 0, 0, o.no_panel ? 0 : 1, tool_run.work_file) !=
            0) {
            std::fprintf(stderr, "vokatool animate: cannot allocate a %dx%d image\n",
                         layout.bitmap_w, layout.bitmap_h);
            return 1;
        }
        if (tool_run.message_shown)
            return 1;
        if (Animation_frame(file, image, area.left, area.top) != 0)
            return 1;
        std::printf("frame %lld: --angles %d,%d,%d\n", static_cast<long long>(k), angles[0],
                    angles[1], angles[2]);
        Frames_progress(k + 1, n.frames, began);
    }
    return 0;
}

// The animation into OUT, under a new name until complete.  0, or 1.
int Animation_write(const RenderOptions &o, const AnimateOptions &n)
{
    PixelRect area;
    Render_layout(o, &area);
    const int32_t w = area.right - area.left, h = area.bottom - area.top;
    char part[PART_PATH_SIZE];
    if (Part_begin(o.output, part) != 0)
        return 1;
    AnimationFile *file = Animation_begin(n.format, part, w, h, n.fps);
    int result = file ? Frames_write(o, n, file) : 1;
    char note[160] = "";
    if (file && Animation_end(file, result == 0, note, sizeof note) != 0)
        result = 1;
    if (Part_end(result == 0, part, o.output) != 0)
        result = 1;
    if (result == 0)
        std::printf("%s: %lld frames %dx%d at %g a second%s\n", o.output,
                    static_cast<long long>(n.frames), w, h, n.fps, note);
    else
        std::fprintf(stderr, "vokatool animate: %s not written\n", o.output);
    return result;
}

} // namespace

int Animate_command(int argc, char **argv)
{
    RenderOptions o;
    AnimateOptions n;
    const ExtraOptions extra = {"animate", ANIMATE_OPTIONS, Animate_option, Animate_output, &n};
    int result = Render_options(argc, argv, &o, &extra);
    if (result == 0)
        result = Render_settings(o);
    if (result != 0)
        return result;
    const char *picture = o.picture;
    result = Picture_open("animate", o.work_dir, &picture);
    if (result == 0)
        result = Render_geometry(o);
    if (result == 0) {
        Render_view_state(o);
        result = Animation_write(o, n);
    }
    Private_work_dir_remove();
    return result;
}
