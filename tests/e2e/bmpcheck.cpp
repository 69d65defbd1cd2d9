// bmpcheck: compares and probes the BMP files of the end-to-end tests
// (captures of the viewer's window and headless renders of the same state).
//
//   bmpcheck size A.bmp                          print "W H"
//   bmpcheck pixel A.bmp X Y                     print the colour as RRGGBB
//   bmpcheck count A.bmp X Y W H RRGGBB [--not]  count the pixels of that
//                                                colour (--not: of any other)
//   bmpcheck colours A.bmp X Y W H               list the colours with counts
//   bmpcheck diff A.bmp B.bmp [--at X Y] [--ignore X Y W H]... [--max N]
//                [--only RRGGBB] [--clip] [--out DIFF.bmp]
//       compares all of B with the part of A whose top-left corner is at
//       (X, Y) of A (default 0 0); rectangles given with --ignore (in B's
//       coordinates) are left out.  Prints the number of differing pixels
//       and the first few; exits 1 when more than N (default 0) differ.
//       --clip compares only the part of B that lies inside A (a capture
//       of the client area can be shorter than the picture with its margin).
//       --only compares just the pixels that have that colour in A or in B
//       (for instance the geometry outlines, drawn over everything else).
//       --out writes B with the differing pixels in magenta and the ignored
//       boxes darkened, for a look at what went wrong.
//
// Reads uncompressed 24- and 32-bit BMPs, bottom-up or top-down.  Exit
// status: 0 success, 1 a difference or a failed read, 2 bad arguments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Image {
    int width;
    int height;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row 0 at the top
};

struct Box {
    int x, y, w, h;
};

uint32_t Get16(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Get32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Put16(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xffu);
    p[1] = static_cast<unsigned char>(v >> 8 & 0xffu);
}

void Put32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        p[i] = static_cast<unsigned char>(v >> (8 * i) & 0xffu);
}

int Bmp_read(const char *path, Image *image)
{
    FILE *in = std::fopen(path, "rb");
    if (in == nullptr) {
        std::fprintf(stderr, "bmpcheck: cannot open %s\n", path);
        return -1;
    }
    std::vector<unsigned char> data;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
        data.insert(data.end(), chunk, chunk + got);
    std::fclose(in);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        std::fprintf(stderr, "bmpcheck: %s is not a BMP file\n", path);
        return -1;
    }
    uint32_t offset = Get32(&data[10]);
    int32_t width = static_cast<int32_t>(Get32(&data[18]));
    int32_t height = static_cast<int32_t>(Get32(&data[22]));
    uint32_t bits = Get16(&data[28]);
    uint32_t compression = Get32(&data[30]);
    bool top_down = height < 0;
    if (top_down)
        height = -height;
    if (width <= 0 || height <= 0 || (bits != 24 && bits != 32) || (compression != 0 && compression != 3)) {
        std::fprintf(stderr, "bmpcheck: %s: unsupported BMP (%d bits, compression %u)\n", path,
                     static_cast<int>(bits), compression);
        return -1;
    }
    size_t bytes = bits / 8;
    size_t stride = (static_cast<size_t>(width) * bytes + 3) & ~static_cast<size_t>(3);
    if (offset + stride * static_cast<size_t>(height) > data.size()) {
        std::fprintf(stderr, "bmpcheck: %s is cut short\n", path);
        return -1;
    }
    image->width = width;
    image->height = height;
    image->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int row = 0; row < height; row++) {
        int file_row = top_down ? row : height - 1 - row;
        const unsigned char *p = &data[offset + stride * static_cast<size_t>(file_row)];
        for (int x = 0; x < width; x++, p += bytes)
            image->pixels[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    return 0;
}

int Bmp_write(const char *path, const Image &image)
{
    size_t stride = (static_cast<size_t>(image.width) * 3 + 3) & ~static_cast<size_t>(3);
    size_t size = stride * static_cast<size_t>(image.height);
    std::vector<unsigned char> data(54 + size, 0);
    data[0] = 'B';
    data[1] = 'M';
    Put32(&data[2], static_cast<uint32_t>(data.size()));
    Put32(&data[10], 54);
    Put32(&data[14], 40);
    Put32(&data[18], static_cast<uint32_t>(image.width));
    Put32(&data[22], static_cast<uint32_t>(image.height));
    Put16(&data[26], 1);
    Put16(&data[28], 24);
    Put32(&data[34], static_cast<uint32_t>(size));
    for (int row = 0; row < image.height; row++) {
        unsigned char *p = &data[54 + stride * static_cast<size_t>(image.height - 1 - row)];
        for (int x = 0; x < image.width; x++, p += 3) {
            uint32_t c = image.pixels[static_cast<size_t>(row) * static_cast<size_t>(image.width) +
                                      static_cast<size_t>(x)];
            p[0] = static_cast<unsigned char>(c & 0xffu);
            p[1] = static_cast<unsigned char>(c >> 8 & 0xffu);
            p[2] = static_cast<unsigned char>(c >> 16 & 0xffu);
        }
    }
    FILE *out = std::fopen(path, "wb");
    if (out == nullptr)
        return -1;
    bool ok = std::fwrite(data.data(), 1, data.size(), out) == data.size();
    ok = std::fclose(out) == 0 && ok;
    return ok ? 0 : -1;
}

uint32_t At(const Image &image, int x, int y)
{
    return image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)];
}

bool Int_arg(const char *text, int *value)
{
    char *end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0')
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool Colour_arg(const char *text, uint32_t *value)
{
    char *end = nullptr;
    unsigned long parsed = std::strtoul(text, &end, 16);
    if (end == text || *end != '\0' || std::strlen(text) != 6)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

// Reads "X Y W H" from argv[i..i+3] and clips it to the image.
bool Box_arg(char **argv, int i, const Image &image, Box *box)
{
    if (!Int_arg(argv[i], &box->x) || !Int_arg(argv[i + 1], &box->y) ||
        !Int_arg(argv[i + 2], &box->w) || !Int_arg(argv[i + 3], &box->h))
        return false;
    if (box->x < 0) {
        box->w += box->x;
        box->x = 0;
    }
    if (box->y < 0) {
        box->h += box->y;
        box->y = 0;
    }
    if (box->x + box->w > image.width)
        box->w = image.width - box->x;
    if (box->y + box->h > image.height)
        box->h = image.height - box->y;
    return box->w > 0 && box->h > 0;
}

bool Inside(const Box &box, int x, int y)
{
    return x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: bmpcheck size A.bmp | pixel A.bmp X Y | count A.bmp X Y W H RRGGBB [--not]\n"
                 "     | colours A.bmp X Y W H\n"
                 "     | diff A.bmp B.bmp [--at X Y] [--ignore X Y W H]... [--max N] [--only RRGGBB]\n"
                 "            [--clip] [--out D.bmp]\n");
    return 2;
}

int Count(int argc, char **argv, const Image &image)
{
    Box box;
    uint32_t colour;
    if (argc < 8 || !Box_arg(argv, 3, image, &box) || !Colour_arg(argv[7], &colour))
        return Usage();
    bool invert = argc > 8 && std::strcmp(argv[8], "--not") == 0;
    long count = 0;
    for (int y = box.y; y < box.y + box.h; y++)
        for (int x = box.x; x < box.x + box.w; x++)
            if ((At(image, x, y) == colour) != invert)
                count++;
    std::printf("%ld\n", count);
    return 0;
}

int Colours(int argc, char **argv, const Image &image)
{
    Box box;
    if (argc < 7 || !Box_arg(argv, 3, image, &box))
        return Usage();
    std::vector<uint32_t> seen;
    std::vector<long> counts;
    for (int y = box.y; y < box.y + box.h; y++)
        for (int x = box.x; x < box.x + box.w; x++) {
            uint32_t c = At(image, x, y);
            size_t i = 0;
            while (i < seen.size() && seen[i] != c)
                i++;
            if (i == seen.size()) {
                seen.push_back(c);
                counts.push_back(0);
            }
            counts[i]++;
        }
    for (size_t i = 0; i < seen.size(); i++)
        std::printf("%06X %ld\n", seen[i], counts[i]);
    return 0;
}

int Diff(int argc, char **argv)
{
    Image a, b;
    if (argc < 4)
        return Usage();
    if (Bmp_read(argv[2], &a) != 0 || Bmp_read(argv[3], &b) != 0)
        return 1;
    int at_x = 0, at_y = 0;
    long max_diff = 0;
    const char *out_path = nullptr;
    bool only = false;
    bool clip = false;
    uint32_t only_colour = 0;
    std::vector<Box> ignored;
    for (int i = 4; i < argc; i++) {
        if (std::strcmp(argv[i], "--at") == 0 && i + 2 < argc) {
            if (!Int_arg(argv[i + 1], &at_x) || !Int_arg(argv[i + 2], &at_y))
                return Usage();
            i += 2;
        } else if (std::strcmp(argv[i], "--ignore") == 0 && i + 4 < argc) {
            Box box;
            if (Box_arg(argv, i + 1, b, &box))
                ignored.push_back(box);
            else if (!Int_arg(argv[i + 1], &box.x))
                return Usage();
            i += 4;
        } else if (std::strcmp(argv[i], "--max") == 0 && i + 1 < argc) {
            int n;
            if (!Int_arg(argv[i + 1], &n))
                return Usage();
            max_diff = n;
            i += 1;
        } else if (std::strcmp(argv[i], "--clip") == 0) {
            clip = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            if (!Colour_arg(argv[i + 1], &only_colour))
                return Usage();
            only = true;
            i += 1;
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out_path = argv[++i];
        } else {
            return Usage();
        }
    }
    int width = b.width;
    int height = b.height;
    if (clip && at_x >= 0 && at_y >= 0) {
        if (at_x + width > a.width)
            width = a.width - at_x;
        if (at_y + height > a.height)
            height = a.height - at_y;
    }
    if (at_x < 0 || at_y < 0 || width <= 0 || height <= 0 || at_x + width > a.width ||
        at_y + height > a.height) {
        std::fprintf(stderr, "bmpcheck: %s (%dx%d) does not fit into %s (%dx%d) at %d,%d\n", argv[3], b.width,
                     b.height, argv[2], a.width, a.height, at_x, at_y);
        return 1;
    }
    Image marked = b;
    long differing = 0;
    int shown = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            size_t index = static_cast<size_t>(y) * static_cast<size_t>(b.width) + static_cast<size_t>(x);
            bool skip = false;
            for (const Box &box : ignored)
                skip = skip || Inside(box, x, y);
            if (skip) {
                marked.pixels[index] = marked.pixels[index] >> 2 & 0x3f3f3fu;
                continue;
            }
            uint32_t want = At(b, x, y);
            uint32_t got = At(a, at_x + x, at_y + y);
            if (want == got)
                continue;
            if (only && want != only_colour && got != only_colour)
                continue;
            differing++;
            marked.pixels[index] = 0xff00ffu;
            if (shown < 8) {
                std::printf("  at %d,%d: %06X, expected %06X\n", x, y, got, want);
                shown++;
            }
        }
    std::printf("%ld pixels differ\n", differing);
    if (out_path != nullptr && Bmp_write(out_path, marked) != 0)
        std::fprintf(stderr, "bmpcheck: cannot write %s\n", out_path);
    return differing > max_diff ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return Usage();
    const char *command = argv[1];
    if (std::strcmp(command, "diff") == 0)
        return Diff(argc, argv);
    Image image;
    if (Bmp_read(argv[2], &image) != 0)
        return 1;
    if (std::strcmp(command, "size") == 0) {
        std::printf("%d %d\n", image.width, image.height);
        return 0;
    }
    if (std::strcmp(command, "pixel") == 0) {
        int x, y;
        if (argc < 5 || !Int_arg(argv[3], &x) || !Int_arg(argv[4], &y) || x < 0 || y < 0 ||
            x >= image.width || y >= image.height)
            return Usage();
        std::printf("%06X\n", At(image, x, y));
        return 0;
    }
    if (std::strcmp(command, "count") == 0)
        return Count(argc, argv, image);
    if (std::strcmp(command, "colours") == 0)
        return Colours(argc, argv, image);
    return Usage();
}
