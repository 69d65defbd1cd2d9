#include "picture/ptracks.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "picture/le_bytes.h"
#include "picture/platform.h"

namespace {

const char TIME_INDEX_MARK[] = "include time index="; // 19 characters and the zero byte
const double REST_ENERGY = 0.51099895;                // MeV
const size_t VERTEX_BYTES = 32;
// The largest energy a picture's reader takes: what single precision holds,
// as the energy field's three decimals write it.
const double ENERGY_MAX = 3.402E+38;

// The reader's state: the stream, the bytes left, the error text.
struct TrackSource {
    std::FILE *file;
    const char *path;
    uint64_t left; // bytes not yet read
    char *why;
    size_t why_size;
};

// "PATH: " at the start of the error text; the length written.
size_t Why_prefix(TrackSource *s)
{
    int n = std::snprintf(s->why, s->why_size, "%s: ", s->path);
    return n < 0                                  ? 0
           : static_cast<size_t>(n) < s->why_size ? static_cast<size_t>(n)
                                                  : s->why_size - 1;
}

// The error text "PATH: " and the formatted rest; the value -1.
#define FAIL(s, ...)                                                                               \
    (std::snprintf((s)->why + Why_prefix(s), (s)->why_size - Why_prefix(s), __VA_ARGS__), -1)

int Read(TrackSource *s, void *out, size_t size)
{
    if (size > s->left || std::fread(out, 1, size, s->file) != size)
        return -1;
    s->left -= size;
    return 0;
}

int32_t Int32(const uint8_t *p)
{
    uint32_t u = Get4(p);
    int32_t v;
    std::memcpy(&v, &u, 4);
    return v;
}

// The layout of the start of the file: newer (the time mark) or older.
// Leaves the stream at the count of tracks, which it reads.
int Prelude_read(TrackSource *s, PtracksStats *st, uint32_t *tracks)
{
    uint8_t head[21];
    if (s->left >= sizeof head && std::fread(head, 1, sizeof head, s->file) == sizeof head &&
        std::memcmp(head, TIME_INDEX_MARK, sizeof TIME_INDEX_MARK) == 0) {
        s->left -= sizeof head;
        if (head[20] > 1)
            return FAIL(s, "the time flag after \"include time index=\" is %u, not 0 or 1",
                        head[20]);
        st->newer_layout = 1;
        st->with_time = head[20];
    } else if (File_seek(s->file, 0, SEEK_SET) != 0) {
        return FAIL(s, "cannot be read: %s", std::strerror(errno));
    }
    uint8_t count[4];
    if (Read(s, count, 4) != 0)
        return FAIL(s, "too short for a track file (no count of tracks)");
    int32_t n = Int32(count);
    if (n < 0)
        return FAIL(s, "the count of tracks is negative (%d): not a track file", n);
    *tracks = static_cast<uint32_t>(n);
    return 0;
}

struct Track {
    int32_t charge = 0;
    std::vector<double> v; // x, y, z, e per vertex
};

// One track.  `index` counts from 1 for the messages.
int Track_read(TrackSource *s, const PtracksStats *st, uint64_t index, Track *t)
{
    uint8_t head[16];
    size_t head_size = st->with_time ? 16 : 8;
    if (Read(s, head, head_size) != 0)
        return FAIL(s, "cut short in track %llu", static_cast<unsigned long long>(index));
    int32_t count = Int32(head);
    t->charge = Int32(head + 4);
    if (count < 2)
        return FAIL(s, "track %llu has %d vertices (at least 2 in a track file): damaged",
                    static_cast<unsigned long long>(index), count);
    if (static_cast<uint64_t>(count) * VERTEX_BYTES > s->left)
        return FAIL(s,
                    "track %llu has %d vertices, more than the rest of the file holds: "
                    "cut short or damaged",
                    static_cast<unsigned long long>(index), count);
    if (st->with_time && !std::isfinite(Get_double(head + 8)))
        return FAIL(s, "track %llu: its time is not a number",
                    static_cast<unsigned long long>(index));
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * VERTEX_BYTES);
    if (Read(s, bytes.data(), bytes.size()) != 0)
        return FAIL(s, "cut short in track %llu", static_cast<unsigned long long>(index));
    t->v.resize(static_cast<size_t>(count) * 4);
    for (size_t i = 0; i < t->v.size(); i++) {
        t->v[i] = Get_double(bytes.data() + 8 * i);
        if (!std::isfinite(t->v[i]))
            return FAIL(s, "track %llu, vertex %llu: a value that is not a number",
                        static_cast<unsigned long long>(index),
                        static_cast<unsigned long long>(i / 4 + 1));
        if (i % 4 == 3 && std::fabs(t->v[i]) > ENERGY_MAX)
            return FAIL(s,
                        "track %llu, vertex %llu: an energy of %.3E MeV, beyond the "
                        "%.3E MeV a picture holds",
                        static_cast<unsigned long long>(index),
                        static_cast<unsigned long long>(i / 4 + 1), t->v[i], ENERGY_MAX);
    }
    return 0;
}

// The picture being written; with no file, the lines are only counted,
// and the track and vertex that line `want` comes from are noted.
struct PictureSink {
    std::FILE *file;
    bool failed;
    uint64_t lines;  // lines written so far
    uint64_t want;   // 0: none
    uint64_t track;  // of line `want`, counted from 1; 0 until it is met
    uint64_t vertex; // likewise
};

void Line(PictureSink *p, const char *text)
{
    p->lines++;
    if (!p->file)
        return;
    if (std::fputs(text, p->file) < 0 || std::fputc('\n', p->file) == EOF)
        p->failed = true;
}

// `value` in a field of `width` columns as %E with `decimals` decimals, one
// decimal fewer when the exponent takes three digits (below 1e-99, from
// 1e100), so that the field never grows into the next.  The length written.
int Field(char *out, size_t size, int width, int decimals, double value)
{
    double a = std::fabs(value);
    if (a != 0.0 && (a < 1e-99 || a >= 1e100))
        decimals--;
    int n = std::snprintf(out, size, "%*.*E", width, decimals, value);
    return n < 0 ? 0 : n;
}

// The vertices of `t` (track `index` of the file) from `first` on as
// float-layout step lines.
void Track_write(PictureSink *p, const Track &t, uint64_t index, size_t first, PtracksStats *st)
{
    int kind = t.charge == 0 ? 1 : t.charge == -1 ? 2 : 3; // photon, electron, positron
    for (size_t i = first; 4 * i < t.v.size(); i++) {
        if (p->lines + 1 == p->want) {
            p->track = index;
            p->vertex = i + 1;
        }
        const double *v = &t.v[4 * i];
        double e = v[3];
        if (e < 0.0) {
            // No energy is negative: said, and drawn as 0.
            if (st->negative_energy++ == 0) {
                st->first_negative_track = index;
                st->first_negative_vertex = i + 1;
            }
            e = 0.0;
        } else if (kind != 1) {
            e -= REST_ENERGY;
            if (e < 0.0) {
                if (e < -1e-6)
                    st->below_rest_energy++;
                e = 0.0;
            }
        }
        char line[96];
        int n = std::snprintf(line, sizeof line, "%d", kind + 3);
        for (int c = 0; c < 3; c++)
            n += Field(line + n, sizeof line - static_cast<size_t>(n), 13, 6, v[c]);
        n += Field(line + n, sizeof line - static_cast<size_t>(n), 10, 3, e);
        std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "%4d%10.3E", 1, 1.0);
        Line(p, line);
    }
}

bool Continues(const Track &before, const Track &t)
{
    if (before.v.empty() || before.charge != t.charge)
        return false;
    const double *last = &before.v[before.v.size() - 4];
    return last[0] == t.v[0] && last[1] == t.v[1] && last[2] == t.v[2];
}

// The tracks after the prelude, as step lines of batches of
// st->tracks_per_batch tracks each, with what they hold counted in *st.
// Returns 0, or -1 with the reason in the source's message.
int Tracks_convert(TrackSource *s, PictureSink *p, uint32_t tracks, PtracksStats *st)
{
    Line(p, "GSTA");
    Line(p, "GEND");
    Track before, t;
    uint32_t in_batch = st->tracks_per_batch;
    bool path_open = false;
    for (uint64_t i = 1; i <= tracks; i++) {
        if (Track_read(s, st, i, &t) != 0)
            return -1;
        st->vertices += t.v.size() / 4;
        if (t.charge < -1 || t.charge > 1) {
            if (st->other_charge++ == 0)
                st->first_other_charge = t.charge;
            before.v.clear();
            continue;
        }
        bool joined = path_open && Continues(before, t);
        if (!joined) {
            if (path_open)
                Line(p, "-");
            if (in_batch >= st->tracks_per_batch) {
                if (st->batches >= 10000)
                    return FAIL(s, "more than 10000 batches: give more tracks a batch");
                char batch[16];
                std::snprintf(batch, sizeof batch, "0%5u", ++st->batches);
                Line(p, batch);
                in_batch = 0;
            }
            st->kind_tracks[t.charge == 0 ? 0 : t.charge == -1 ? 1 : 2]++;
        } else {
            st->joined++;
        }
        in_batch++;
        Track_write(p, t, i, joined ? 1 : 0, st);
        path_open = true;
        std::swap(before, t);
    }
    if (path_open)
        Line(p, "-");
    if (s->left != 0)
        return FAIL(s,
                    "%llu bytes after the last of its %u tracks: damaged, or not a "
                    "track file",
                    static_cast<unsigned long long>(s->left), tracks);
    if (st->batches == 0)
        return FAIL(s, "no track of a photon, electron or positron");
    return 0;
}

} // namespace

int Ptracks_named(const char *path)
{
    size_t n = std::strlen(path);
    const char ext[] = ".ptracks";
    size_t e = sizeof ext - 1;
    if (n < e)
        return 0;
    for (size_t i = 0; i < e; i++) {
        char c = path[n - e + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[i])
            return 0;
    }
    return 1;
}

// `why` is written through the track source it is handed to.
int Ptracks_import(const char *input, const char *output, uint32_t tracks_per_batch,
                   PtracksStats *st,
                   char *why, // NOLINT(readability-non-const-parameter)
                   size_t why_size)
{
    std::memset(st, 0, sizeof *st);
    TrackSource s = {std::fopen(input, "rb"), input, 0, why, why_size};
    if (!s.file)
        return FAIL(&s, "cannot be opened: %s", std::strerror(errno));
    int result = -1;
    PictureSink p = {nullptr, false, 0, 0, 0, 0};
    uint32_t tracks = 0;
    if (File_seek(s.file, 0, SEEK_END) == 0) {
        const int64_t size = File_tell(s.file);
        s.left = size > 0 ? static_cast<uint64_t>(size) : 0;
    }
    std::rewind(s.file);
    if (Prelude_read(&s, st, &tracks) == 0) {
        p.file = std::fopen(output, "wb");
        if (!p.file) {
            s.path = output;
            (void)FAIL(&s, "cannot be created: %s", std::strerror(errno));
        }
    }
    if (p.file) {
        st->tracks = tracks;
        st->tracks_per_batch = tracks_per_batch != 0 ? tracks_per_batch
                                                     : (tracks + PTRACKS_BATCHES_DEFAULT - 1) /
                                                           PTRACKS_BATCHES_DEFAULT;
        if (st->tracks_per_batch == 0)
            st->tracks_per_batch = 1;
        result = Tracks_convert(&s, &p, tracks, st);
        if (std::fclose(p.file) != 0)
            p.failed = true;
        if (result == 0 && p.failed) {
            s.path = output;
            result = FAIL(&s, "cannot be written: %s", std::strerror(errno));
        }
    }
    std::fclose(s.file);
    return result;
}

int Ptracks_locate(const char *input, uint32_t tracks_per_batch, uint64_t line, uint64_t *track,
                   uint64_t *vertex)
{
    char why[PTRACKS_WHY_SIZE];
    PtracksStats st;
    std::memset(&st, 0, sizeof st);
    std::error_code error;
    uintmax_t size = std::filesystem::file_size(input, error);
    TrackSource s = {std::fopen(input, "rb"), input, error ? 0 : static_cast<uint64_t>(size), why,
                     sizeof why};
    if (!s.file)
        return -1;
    PictureSink p = {nullptr, false, 0, line, 0, 0};
    uint32_t tracks = 0;
    if (Prelude_read(&s, &st, &tracks) == 0) {
        st.tracks_per_batch = tracks_per_batch != 0 ? tracks_per_batch : 1;
        (void)Tracks_convert(&s, &p, tracks, &st);
    }
    std::fclose(s.file);
    *track = p.track;
    *vertex = p.vertex;
    return p.track != 0 ? 0 : -1;
}
