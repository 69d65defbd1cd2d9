// The files of vokatool animate.
//
// GIF: one palette (the global colour table) for the whole animation, made
// as render/frame_palette.h says: the colours as they first appear, so that
// every frame is written exactly as render draws it while the frames hold at
// most 256 colours (the report says when they did not).  Since the palette
// is complete only after the
// last frame, the file is written with a table of 256 entries that is
// filled in at the end: the table lies at byte 13, right after the logical
// screen descriptor.  Each frame covers the whole screen and is kept
// (disposal 1); its delay is 100 / fps hundredths of a second, at least 2
// (browsers show shorter delays as 10); the animation loops for ever.
//
// MP4: the frames go as raw RGB to the ffmpeg program, which encodes H.264
// in yuv420p, the form that browsers and presentation programs play; a
// frame of an odd width or height gets a column or row of black to make it
// even (yuv420p halves both).

#include "tools/vokatool/animation_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef VOKA_HAVE_GIF
#include <gif_lib.h>
#endif

#include "picture/platform.h"
#include "render/frame_palette.h"

struct AnimationFile {
    int format;
    int32_t width, height;
    std::string path;
    std::vector<uint8_t> row; // one row of a frame, as written
#ifdef VOKA_HAVE_GIF
    GifFileType *gif;
#endif
    int delay;            // GIF: hundredths of a second a frame
    FramePalette palette; // GIF
    FILE *pipe;           // MP4: ffmpeg's standard input
};

namespace {

// Whether `program` is an executable file in a folder of PATH.
bool On_path(const char *program)
{
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    for (;;) {
        size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        std::string file = (folder.empty() ? std::string(".") : folder) + "/" + program;
        struct stat st;
        if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

// `text` quoted for the shell.
std::string Quoted(const std::string &text)
{
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

#ifdef VOKA_HAVE_GIF
bool Gif_begin(AnimationFile *f, double fps)
{
    int error = 0;
    f->gif = EGifOpenFileName(f->path.c_str(), false, &error);
    if (!f->gif)
        return false;
    EGifSetGifVersion(f->gif, true);
    ColorMapObject *map = GifMakeMapObject(256, nullptr); // filled in at the end
    bool ok = map && EGifPutScreenDesc(f->gif, f->width, f->height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    // Loop for ever: the application extension NETSCAPE2.0, count 0.
    static const GifByteType netscape[] = "NETSCAPE2.0";
    static const GifByteType loop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(f->gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(f->gif, 11, netscape) == GIF_OK &&
         EGifPutExtensionBlock(f->gif, 3, loop) == GIF_OK &&
         EGifPutExtensionTrailer(f->gif) == GIF_OK;
    const int64_t delay = std::llround(100.0 / fps);
    f->delay = delay < 2 ? 2 : delay > 65535 ? 65535 : static_cast<int>(delay);
    return ok;
}

bool Gif_frame(AnimationFile *f, const RasterSurface &image, int32_t left, int32_t top)
{
    GraphicsControlBlock control = {DISPOSE_DO_NOT, false, f->delay, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(f->gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_OK ||
        EGifPutImageDesc(f->gif, 0, 0, f->width, f->height, false, nullptr) != GIF_OK)
        return false;
    const Colour *pixels = image.pixels();
    for (int32_t y = 0; y < f->height; y++) {
        const Colour *at =
            pixels + static_cast<size_t>(top + y) * static_cast<size_t>(image.width()) + left;
        Colour last = at[0] + 1;
        uint8_t last_index = 0;
        for (int32_t x = 0; x < f->width; x++) {
            if (at[x] != last) {
                last = at[x];
                last_index = Frame_palette_index(&f->palette, last);
            }
            f->row[static_cast<size_t>(x)] = last_index;
        }
        if (EGifPutLine(f->gif, f->row.data(), f->width) != GIF_OK)
            return false;
    }
    return true;
}

// Close the file and write the palette into its global colour table.
bool Gif_end(AnimationFile *f)
{
    int error = 0;
    if (EGifCloseFile(f->gif, &error) != GIF_OK)
        return false;
    uint8_t table[256 * 3] = {};
    for (int i = 0; i < f->palette.count; i++) {
        const Colour c = f->palette.colour[i]; // red in the low byte
        table[i * 3] = static_cast<uint8_t>(c);
        table[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
        table[i * 3 + 2] = static_cast<uint8_t>(c >> 16);
    }
    FILE *file = std::fopen(f->path.c_str(), "r+b");
    bool ok = file && File_seek(file, 13, SEEK_SET) == 0 &&
              std::fwrite(table, 1, sizeof table, file) == sizeof table;
    return file && std::fclose(file) == 0 && ok;
}
#endif

bool Mp4_begin(AnimationFile *f, double fps)
{
    char size[32], rate[32];
    std::snprintf(size, sizeof size, "%dx%d", f->width, f->height);
    std::snprintf(rate, sizeof rate, "%.6g", fps);
    std::string command = std::string("ffmpeg -nostdin -hide_banner -loglevel error -y -f rawvideo "
                                      "-pix_fmt rgb24 -s ") +
                          size + " -r " + rate +
                          " -i - -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -c:v libx264 "
                          "-pix_fmt yuv420p -movflags +faststart -f mp4 " +
                          Quoted(f->path);
    f->pipe = popen(command.c_str(), "w");
    return f->pipe != nullptr;
}

bool Mp4_frame(AnimationFile *f, const RasterSurface &image, int32_t left, int32_t top)
{
    const Colour *pixels = image.pixels();
    for (int32_t y = 0; y < f->height; y++) {
        const Colour *at =
            pixels + static_cast<size_t>(top + y) * static_cast<size_t>(image.width()) + left;
        for (int32_t x = 0; x < f->width; x++) {
            uint8_t *p = &f->row[static_cast<size_t>(x) * 3];
            p[0] = static_cast<uint8_t>(at[x]);
            p[1] = static_cast<uint8_t>(at[x] >> 8);
            p[2] = static_cast<uint8_t>(at[x] >> 16);
        }
        if (std::fwrite(f->row.data(), 1, f->row.size(), f->pipe) != f->row.size())
            return false;
    }
    return true;
}

} // namespace

bool Animation_available(int format)
{
#ifndef VOKA_HAVE_GIF
    if (format == ANIMATION_GIF) {
        std::fprintf(stderr, "vokatool animate: GIF output is not available in this build (built "
                             "without giflib); write a .mp4\n");
        return false;
    }
#endif
    if (format == ANIMATION_MP4 && !On_path("ffmpeg")) {
        std::fprintf(stderr,
                     "vokatool animate: MP4 output needs the ffmpeg program, which is not "
                     "on PATH (install ffmpeg)%s\n",
#ifdef VOKA_HAVE_GIF
                     "; or write a .gif"
#else
                     ""
#endif
        );
        return false;
    }
    return true;
}

AnimationFile *Animation_begin(int format, const char *path, int32_t width, int32_t height,
                               double fps)
{
    AnimationFile *f = new AnimationFile();
    f->format = format;
    f->width = width;
    f->height = height;
    f->path = path;
    f->row.resize(static_cast<size_t>(width) * 3);
    Frame_palette_init(&f->palette);
    bool ok = false;
#ifdef VOKA_HAVE_GIF
    f->gif = nullptr;
    if (format == ANIMATION_GIF)
        ok = Gif_begin(f, fps);
#endif
    if (format == ANIMATION_MP4)
        ok = Mp4_begin(f, fps);
    if (!ok) {
        std::fprintf(stderr, "vokatool animate: %s: cannot be written\n", path);
        char none[1];
        Animation_end(f, false, none, sizeof none);
        return nullptr;
    }
    return f;
}

int Animation_frame(AnimationFile *f, const RasterSurface &image, int32_t left, int32_t top)
{
    bool ok = false;
#ifdef VOKA_HAVE_GIF
    if (f->format == ANIMATION_GIF)
        ok = Gif_frame(f, image, left, top);
#endif
    if (f->format == ANIMATION_MP4)
        ok = Mp4_frame(f, image, left, top);
    if (ok)
        return 0;
    std::fprintf(stderr, "vokatool animate: %s: cannot be written%s\n", f->path.c_str(),
                 f->format == ANIMATION_MP4 ? " (ffmpeg stopped)" : "");
    return -1;
}

int Animation_end(AnimationFile *f, bool ok, char *note, size_t note_size)
{
    note[0] = '\0';
#ifdef VOKA_HAVE_GIF
    if (f->gif) {
        ok = Gif_end(f) && ok;
        std::snprintf(note, note_size, ", %d hundredths of a second a frame, %d colours%s",
                      f->delay, f->palette.count,
                      f->palette.beyond ? " (more met: shown as the nearest)" : "");
    }
#endif
    if (f->pipe) {
        // ffmpeg finishes the file when its input ends; its status says
        // whether it could.
        int status = pclose(f->pipe);
        if (ok && status != 0)
            std::fprintf(stderr, "vokatool animate: %s: ffmpeg failed (status %d)\n",
                         f->path.c_str(), status);
        ok = ok && status == 0;
    }
    delete f;
    if (ok)
        return 0;
    return -1;
}
