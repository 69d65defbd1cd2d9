// voka_gdi_ref: reference drawings from the platform's GDI for the raster
// surface's unit test.  Draws every scene of a scene script (the format is
// described in tests/data/gdi_ref/scenes.txt) with GDI, a pen made afresh
// for every segment, into a white 32-bit DIB section, and writes the pixels
// as text: per scene "scene NAME W H", a palette line that maps a character
// to each colour that occurs ("pal .=FFFFFF #=000000", colours 0xBBGGRR),
// one line per pixel row in runs ("12.#3a": twelve pixels of ".", one "#",
// three "a"), and "end".  Also writes the metrics of the stock system font
// and the extents of the annotation texts to the metrics file.
//
//   voka_gdi_ref.exe SCENES.txt EXPECTED.txt METRICS.txt   (tests/gdi_ref/run.sh)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tests/e2e/win_support.h"
#include "tests/gdi_ref/scene_replay.h"

namespace {

// Characters that stand for the colours of a scene; digits are run lengths.
const char PALETTE_CHARS[] = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/=%@&";

// GDI drawing into a W x H DIB section, with the two operations of the
// scene script that are not drawing calls.
class Scene : public GdiPlain {
public:
    Scene(int w, int h) : GdiPlain(CreateCompatibleDC(nullptr)), width(w), height(h)
    {
        BITMAPINFO info;
        std::memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;   // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void *memory = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint32_t *>(memory);
        old_bitmap = SelectObject(dc, bitmap);
        clear(0x00FFFFFFu);
    }
    ~Scene() override
    {
        SelectObject(dc, old_bitmap);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    bool ready() const { return bits != nullptr; }
    void clear(Colour c)
    {
        GdiFlush();
        for (int i = 0; i < width * height; i++)
            bits[i] = Swap(c);
    }
    void set_background(int opaque, Colour) { SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT); }
    // Pixel i, row by row from the top, as 0x00BBGGRR.
    Colour at(int i) const { return Swap(bits[i] & 0xFFFFFFu); }
    const int width, height;

private:
    // 0x00RRGGBB of the DIB and 0x00BBGGRR of a colour value, either way.
    static uint32_t Swap(uint32_t c) { return (c >> 16 & 0xFFu) | (c & 0xFF00u) | (c & 0xFFu) << 16; }
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;
    uint32_t *bits = nullptr;
};

int Scene_write(const char *name, const Scene &s, FILE *out)
{
    GdiFlush();
    Colour colours[sizeof PALETTE_CHARS];
    int count = 0;
    std::fprintf(out, "scene %s %d %d\npal", name, s.width, s.height);
    for (int i = 0; i < s.width * s.height; i++) {
        int k = 0;
        while (k < count && colours[k] != s.at(i))
            k++;
        if (k < count)
            continue;
        if (count == static_cast<int>(sizeof PALETTE_CHARS) - 1)
            return -1;
        colours[count++] = s.at(i);
        std::fprintf(out, " %c=%06X", PALETTE_CHARS[k], static_cast<unsigned>(s.at(i)));
    }
    std::fprintf(out, "\n");
    for (int y = 0; y < s.height; y++) {
        for (int x = 0, run = 1; x < s.width; x += run, run = 1) {
            int i = y * s.width + x, k = 0;
            while (x + run < s.width && s.at(i + run) == s.at(i))
                run++;
            while (colours[k] != s.at(i))
                k++;
            if (run > 1)
                std::fprintf(out, "%d", run);
            std::fputc(PALETTE_CHARS[k], out);
        }
        std::fputc('\n', out);
    }
    std::fprintf(out, "end\n");
    return 0;
}

void Metrics_write(FILE *out)
{
    HDC dc = CreateCompatibleDC(nullptr);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    char face[64] = "";
    GetTextFaceA(dc, sizeof face, face);
    std::fprintf(out, "face %s\nheight %ld ascent %ld descent %ld internal %ld external %ld\n", face,
                 tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading, tm.tmExternalLeading);
    std::fprintf(out, "avewidth %ld maxwidth %ld weight %ld pitch_family %u charset %u\n",
                 tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmWeight,
                 static_cast<unsigned>(tm.tmPitchAndFamily), static_cast<unsigned>(tm.tmCharSet));
    std::fprintf(out, "widths");
    for (UINT c = 32; c < 127; c++) {
        INT w = 0;
        GetCharWidth32A(dc, c, c, &w);
        std::fprintf(out, " %d", w);
    }
    std::fprintf(out, "\n");
    for (const char *sample : {"Angle change", "electron", "positron", "photon", "0.1cm", "X", "  +0",
                               "VOKA Graphic for Win32 V1.00"}) {
        SIZE size;
        GetTextExtentPoint32A(dc, sample, static_cast<int>(std::strlen(sample)), &size);
        std::fprintf(out, "extent %ld %ld %s\n", size.cx, size.cy, sample);
    }
    DeleteDC(dc);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: voka_gdi_ref SCENES.txt EXPECTED.txt METRICS.txt\n");
        return 2;
    }
    FILE *in = std::fopen(argv[1], "r");
    FILE *out = std::fopen(argv[2], "w");
    FILE *metrics = std::fopen(argv[3], "w");
    if (!in || !out || !metrics) {
        std::fprintf(stderr, "voka_gdi_ref: cannot open the files\n");
        return 1;
    }
    char line[1024], name[64] = "";
    int width = 0, height = 0;
    Scene *scene = nullptr;
    for (int line_no = 1; std::fgets(line, sizeof line, in); line_no++) {
        int failed = 0;
        if (std::sscanf(line, "scene %63s %d %d", name, &width, &height) == 3) {
            delete scene;
            scene = new Scene(width, height);
            failed = !scene->ready();
        } else if (std::strncmp(line, "end", 3) == 0 && scene) {
            failed = Scene_write(name, *scene, out);
            delete scene;
            scene = nullptr;
        } else if (line[0] != '#' && line[0] != '\n') {
            failed = !scene || Scene_op(scene, line) != 0;
        }
        if (failed) {
            std::fprintf(stderr, "voka_gdi_ref: line %d: cannot draw %s", line_no, line);
            return 1;
        }
    }
    Metrics_write(metrics);
    std::fclose(in);
    int closed_out = std::fclose(out), closed_metrics = std::fclose(metrics);
    return closed_out != 0 || closed_metrics != 0;
}
