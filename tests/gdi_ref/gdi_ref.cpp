// Reference drawings from the platform's GDI.  Reads a scene script (the
// format is described in tests/data/gdi_ref/scenes.txt), draws every scene
// with GDI into a memory device context holding a 32-bit DIB section, and
// writes the pixels as text: one block per scene, a palette line mapping a
// character to each colour that occurs, then one text row per pixel row in
// runs ("12.#3a": twelve pixels of colour ".", one "#", three "a").
// The unit tests replay the same script on the raster surface and compare.
//
// Build:  x86_64-w64-mingw32-g++ -O2 -static -o gdi_ref.exe gdi_ref.cpp -lgdi32
// Run:    wine gdi_ref.exe scenes.txt expected.txt [metrics.txt]
//
// Also writes the metrics of the device context's default font (the stock
// system font) and the width of every printable character to metrics.txt.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Characters that stand for the colours of a scene; digits are run lengths.
const char PALETTE_CHARS[] = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/=%@&";

struct Scene {
    char name[64];
    int width;
    int height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old_bitmap;
    uint32_t *bits; // 0x00RRGGBB per pixel, top-down rows
    HPEN pen;
    HGDIOBJ old_pen;
};

uint32_t To_colorref(uint32_t dib)
{
    return ((dib >> 16) & 0xFFu) | (dib & 0xFF00u) | ((dib & 0xFFu) << 16);
}

uint32_t From_colorref(uint32_t c)
{
    return ((c >> 16) & 0xFFu) | (c & 0xFF00u) | ((c & 0xFFu) << 16);
}

int Scene_begin(Scene *s)
{
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = s->width;
    info.bmiHeader.biHeight = -s->height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    s->dc = CreateCompatibleDC(nullptr);
    void *bits = nullptr;
    s->bitmap = CreateDIBSection(s->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!s->dc || !s->bitmap) return -1;
    s->bits = static_cast<uint32_t *>(bits);
    s->old_bitmap = SelectObject(s->dc, s->bitmap);
    for (int i = 0; i < s->width * s->height; i++) s->bits[i] = 0x00FFFFFFu;
    s->pen = nullptr;
    s->old_pen = nullptr;
    return 0;
}

void Scene_write(const Scene *s, FILE *out)
{
    GdiFlush();
    uint32_t colours[sizeof PALETTE_CHARS];
    int count = 0;
    fprintf(out, "scene %s %d %d\npal", s->name, s->width, s->height);
    for (int i = 0; i < s->width * s->height; i++) {
        uint32_t c = To_colorref(s->bits[i] & 0xFFFFFFu);
        int k = 0;
        while (k < count && colours[k] != c) k++;
        if (k == count) {
            if (count == static_cast<int>(sizeof PALETTE_CHARS) - 1) {
                fprintf(stderr, "scene %s: too many colours\n", s->name);
                exit(1);
            }
            colours[count++] = c;
            fprintf(out, " %c=%06X", PALETTE_CHARS[k], static_cast<unsigned>(c));
        }
    }
    fprintf(out, "\n");
    // Each row as runs: a character alone is one pixel, a number before
    // it repeats it.
    for (int y = 0; y < s->height; y++) {
        int x = 0;
        while (x < s->width) {
            uint32_t c = To_colorref(s->bits[y * s->width + x] & 0xFFFFFFu);
            int run = 1;
            while (x + run < s->width &&
                   To_colorref(s->bits[y * s->width + x + run] & 0xFFFFFFu) == c)
                run++;
            int k = 0;
            while (colours[k] != c) k++;
            if (run > 1) fprintf(out, "%d", run);
            fputc(PALETTE_CHARS[k], out);
            x += run;
        }
        fputc('\n', out);
    }
    fprintf(out, "end\n");
}

void Scene_end(Scene *s)
{
    if (s->pen) {
        SelectObject(s->dc, s->old_pen);
        DeleteObject(s->pen);
    }
    SelectObject(s->dc, s->old_bitmap);
    DeleteObject(s->bitmap);
    DeleteDC(s->dc);
    s->dc = nullptr;
}

void Write_metrics(FILE *out)
{
    HDC dc = CreateCompatibleDC(nullptr);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    char face[64] = "";
    GetTextFaceA(dc, sizeof face, face);
    fprintf(out, "face %s\nheight %ld ascent %ld descent %ld internal %ld external %ld\n", face,
            tm.tmHeight, tm.tmAscent, tm.tmDescent, tm.tmInternalLeading, tm.tmExternalLeading);
    fprintf(out, "avewidth %ld maxwidth %ld weight %ld pitch_family %u charset %u\n",
            tm.tmAveCharWidth, tm.tmMaxCharWidth, tm.tmWeight,
            static_cast<unsigned>(tm.tmPitchAndFamily), static_cast<unsigned>(tm.tmCharSet));
    fprintf(out, "widths");
    for (int c = 32; c < 127; c++) {
        INT w = 0;
        GetCharWidth32A(dc, static_cast<UINT>(c), static_cast<UINT>(c), &w);
        fprintf(out, " %d", w);
    }
    fprintf(out, "\n");
    const char *samples[] = {"Angle change", "electron", "positron", "photon", "0.1cm", "X",
                             "  +0", "VOKA Graphic for Win32 V1.00"};
    for (const char *sample : samples) {
        SIZE size;
        GetTextExtentPoint32A(dc, sample, static_cast<int>(strlen(sample)), &size);
        fprintf(out, "extent %ld %ld %s\n", size.cx, size.cy, sample);
    }
    DeleteDC(dc);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: gdi_ref scenes.txt expected.txt [metrics.txt]\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "r");
    FILE *out = fopen(argv[2], "w");
    if (!in || !out) {
        fprintf(stderr, "cannot open files\n");
        return 1;
    }
    Scene scene;
    std::memset(&scene, 0, sizeof scene);
    char line[1024];
    int line_no = 0;
    while (fgets(line, sizeof line, in)) {
        line_no++;
        char op[32] = "";
        if (sscanf(line, "%31s", op) != 1 || op[0] == '#') continue;
        long a = 0, b = 0, c = 0, d = 0;
        unsigned long colour = 0;
        int fields = 0;
        if (strcmp(op, "scene") == 0) {
            sscanf(line, "%*s %63s %d %d", scene.name, &scene.width, &scene.height);
            if (Scene_begin(&scene) != 0) {
                fprintf(stderr, "line %d: cannot create scene\n", line_no);
                return 1;
            }
        } else if (!scene.dc) {
            fprintf(stderr, "line %d: no scene\n", line_no);
            return 1;
        } else if (strcmp(op, "end") == 0) {
            Scene_write(&scene, out);
            Scene_end(&scene);
        } else if (strcmp(op, "clear") == 0) {
            sscanf(line, "%*s %lx", &colour);
            for (int i = 0; i < scene.width * scene.height; i++)
                scene.bits[i] = From_colorref(static_cast<uint32_t>(colour));
        } else if (strcmp(op, "pen") == 0) {
            fields = sscanf(line, "%*s %ld %ld %lx", &a, &b, &colour);
            HPEN pen = CreatePen(static_cast<int>(a), static_cast<int>(b),
                                 static_cast<COLORREF>(colour));
            if (pen) {
                HGDIOBJ old = SelectObject(scene.dc, pen);
                if (scene.pen) DeleteObject(scene.pen);
                else scene.old_pen = old;
                scene.pen = pen;
            }
        } else if (strcmp(op, "move") == 0) {
            fields = sscanf(line, "%*s %ld %ld", &a, &b);
            MoveToEx(scene.dc, static_cast<int>(a), static_cast<int>(b), nullptr);
        } else if (strcmp(op, "line") == 0) {
            fields = sscanf(line, "%*s %ld %ld", &a, &b);
            LineTo(scene.dc, static_cast<int>(a), static_cast<int>(b));
        } else if (strcmp(op, "rect") == 0) {
            fields = sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour);
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
            HGDIOBJ old = SelectObject(scene.dc, brush);
            Rectangle(scene.dc, static_cast<int>(a), static_cast<int>(b), static_cast<int>(c),
                      static_cast<int>(d));
            SelectObject(scene.dc, old);
            DeleteObject(brush);
        } else if (strcmp(op, "fill") == 0) {
            fields = sscanf(line, "%*s %ld %ld %ld %ld %lx", &a, &b, &c, &d, &colour);
            HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
            RECT r = {a, b, c, d};
            FillRect(scene.dc, &r, brush);
            DeleteObject(brush);
        } else if (strcmp(op, "origin") == 0) {
            fields = sscanf(line, "%*s %ld %ld", &a, &b);
            SetViewportOrgEx(scene.dc, static_cast<int>(a), static_cast<int>(b), nullptr);
        } else if (strcmp(op, "bk") == 0) {
            char mode[32] = "";
            sscanf(line, "%*s %31s", mode);
            SetBkMode(scene.dc, strcmp(mode, "opaque") == 0 ? OPAQUE : TRANSPARENT);
        } else if (strcmp(op, "text") == 0) {
            int start = 0;
            fields = sscanf(line, "%*s %ld %ld %lx %n", &a, &b, &colour, &start);
            char *text = line + start;
            size_t length = strcspn(text, "\r\n");
            SetBkMode(scene.dc, TRANSPARENT);
            SetTextColor(scene.dc, static_cast<COLORREF>(colour));
            TextOutA(scene.dc, static_cast<int>(a), static_cast<int>(b), text,
                     static_cast<int>(length));
        } else {
            fprintf(stderr, "line %d: unknown op %s\n", line_no, op);
            return 1;
        }
        (void)fields;
    }
    fclose(in);
    fclose(out);
    if (argc > 3) {
        FILE *metrics = fopen(argv[3], "w");
        if (metrics) {
            Write_metrics(metrics);
            fclose(metrics);
        }
    }
    return 0;
}
