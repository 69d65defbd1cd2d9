// bmpcheck: probes and compares the BMP files of the end-to-end tests
// (captures of the viewer's window and headless renders of the same state).
//
//   bmpcheck pixel A.bmp X Y                     print the colour as RRGGBB
//   bmpcheck count A.bmp X Y W H RRGGBB [--not]  count the pixels of that
//                                                colour (--not: of any other)
//   bmpcheck diff A.bmp B.bmp [--ignore X Y W H]... [--only RRGGBB] [--clip]
//                [--out DIFF.bmp]
//       compares A with B pixel for pixel, leaving out the --ignore boxes.
//       Prints the number of differing pixels and the first few; exits 1
//       when any differ.  --clip compares only the part of B that lies
//       inside A (a capture of the client area can be shorter than the
//       picture with its margin).  --only compares just the pixels that
//       have that colour in A or in B (for instance the geometry outlines,
//       drawn over everything else).  --out writes B with the differing
//       pixels in magenta and the ignored boxes darkened.
//
// Reads uncompressed 24- and 32-bit BMPs, bottom-up or top-down.  Exit
// status: 0 success, 1 a difference or a failed read, 2 bad arguments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "output/bmp_file.h"
#include "picture/le_bytes.h"

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;   // 0x00RRGGBB, row 0 at the top
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

int Bmp_read(const char *path, Image *image)
{
    std::vector<uint8_t> data;
    if (FILE *in = std::fopen(path, "rb")) {
        uint8_t chunk[65536];
        for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
            data.insert(data.end(), chunk, chunk + got);
        std::fclose(in);
    }
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        std::fprintf(stderr, "bmpcheck: %s is no BMP file\n", path);
        return -1;
    }
    int32_t width = static_cast<int32_t>(Get4(&data[18])), height = static_cast<int32_t>(Get4(&data[22]));
    size_t bytes = (Get4(&data[28]) & 0xFFFFu) / 8;
    size_t stride = (static_cast<size_t>(width) * bytes + 3) & ~static_cast<size_t>(3);
    size_t offset = Get4(&data[10]), rows = static_cast<size_t>(height < 0 ? -height : height);
    uint32_t compression = Get4(&data[30]);
    if (width <= 0 || (bytes != 3 && bytes != 4) || (compression != 0 && compression != 3) ||
        offset + stride * rows > data.size()) {
        std::fprintf(stderr, "bmpcheck: %s: not an uncompressed 24- or 32-bit BMP\n", path);
        return -1;
    }
    image->width = width;
    image->height = static_cast<int>(rows);
    image->pixels.clear();
    for (size_t row = 0; row < rows; row++) {
        const uint8_t *p = &data[offset + stride * (height < 0 ? row : rows - 1 - row)];
        for (int x = 0; x < width; x++, p += bytes)
            image->pixels.push_back(static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0]);
    }
    return 0;
}

// The BmpPixelFn of an image: 0x00RRGGBB turned into a colour value 0x00BBGGRR.
Colour Pixel_of(const void *context, int32_t x, int32_t y)
{
    uint32_t c = static_cast<const Image *>(context)->at(x, y);
    return (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16;
}

bool Int_arg(const char *text, int *value)
{
    char *end = nullptr;
    *value = static_cast<int>(std::strtol(text, &end, 10));
    return end != text && *end == '\0';
}

bool Colour_arg(const char *text, uint32_t *value)
{
    char *end = nullptr;
    *value = static_cast<uint32_t>(std::strtoul(text, &end, 16));
    return end != text && *end == '\0' && std::strlen(text) == 6;
}

struct Box {
    int x, y, w, h;
    bool inside(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// "X Y W H" from argv[0..3], clipped to the image.
bool Box_arg(char **argv, const Image &image, Box *b)
{
    if (!Int_arg(argv[0], &b->x) || !Int_arg(argv[1], &b->y) || !Int_arg(argv[2], &b->w) ||
        !Int_arg(argv[3], &b->h))
        return false;
    int right = b->x + b->w < image.width ? b->x + b->w : image.width;
    int bottom = b->y + b->h < image.height ? b->y + b->h : image.height;
    b->x = b->x < 0 ? 0 : b->x;
    b->y = b->y < 0 ? 0 : b->y;
    b->w = right - b->x;
    b->h = bottom - b->y;
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: bmpcheck pixel A.bmp X Y | count A.bmp X Y W H RRGGBB [--not]\n"
                         "     | diff A.bmp B.bmp [--ignore X Y W H]... [--only RRGGBB] [--clip] [--out D.bmp]\n");
    return 2;
}

int Diff(int argc, char **argv, const Image &a)
{
    Image b;
    if (Bmp_read(argv[3], &b) != 0)
        return 1;
    const char *out_path = nullptr;
    bool only = false, clip = false;
    uint32_t only_colour = 0;
    std::vector<Box> ignored;
    for (int i = 4; i < argc; i++) {
        Box box;
        if (std::strcmp(argv[i], "--ignore") == 0 && i + 4 < argc && Box_arg(argv + i + 1, b, &box))
            ignored.push_back(box), i += 4;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc && Colour_arg(argv[i + 1], &only_colour))
            only = true, i++;
        else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out_path = argv[++i];
        else if (std::strcmp(argv[i], "--clip") == 0)
            clip = true;
        else
            return Usage();
    }
    int width = clip && a.width < b.width ? a.width : b.width;
    int height = clip && a.height < b.height ? a.height : b.height;
    if (width > a.width || height > a.height) {
        std::fprintf(stderr, "bmpcheck: %s (%dx%d) does not fit into %s (%dx%d)\n", argv[3], b.width,
                     b.height, argv[2], a.width, a.height);
        return 1;
    }
    Image marked = b;
    long differing = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            uint32_t &mark = marked.pixels[static_cast<size_t>(y * b.width + x)];
            bool skip = false;
            for (const Box &box : ignored)
                skip = skip || box.inside(x, y);
            uint32_t want = b.at(x, y), got = a.at(x, y);
            if (skip)
                mark = mark >> 2 & 0x3f3f3fu;
            if (skip || want == got || (only && want != only_colour && got != only_colour))
                continue;
            if (differing++ < 8)
                std::printf("  at %d,%d: %06X, expected %06X\n", x, y, got, want);
            mark = 0xff00ffu;
        }
    std::printf("%ld pixels differ\n", differing);
    if (out_path != nullptr && Bmp_write_24(out_path, marked.width, marked.height, Pixel_of, &marked) != 0)
        std::fprintf(stderr, "bmpcheck: cannot write %s\n", out_path);
    return differing > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    Image image;
    if (argc < 3)
        return Usage();
    if (Bmp_read(argv[2], &image) != 0)
        return 1;
    int x = 0, y = 0;
    Box box;
    uint32_t colour = 0;
    if (std::strcmp(argv[1], "diff") == 0 && argc >= 4)
        return Diff(argc, argv, image);
    if (std::strcmp(argv[1], "pixel") == 0 && argc == 5 && Int_arg(argv[3], &x) && Int_arg(argv[4], &y) &&
        x >= 0 && y >= 0 && x < image.width && y < image.height) {
        std::printf("%06X\n", image.at(x, y));
        return 0;
    }
    if (std::strcmp(argv[1], "count") == 0 && argc >= 8 && Box_arg(argv + 3, image, &box) &&
        Colour_arg(argv[7], &colour)) {
        bool invert = argc > 8 && std::strcmp(argv[8], "--not") == 0;
        long count = 0;
        for (int py = box.y; py < box.y + box.h; py++)
            for (int px = box.x; px < box.x + box.w; px++)
                count += (image.at(px, py) == colour) != invert;
        std::printf("%ld\n", count);
        return 0;
    }
    return Usage();
}
