// vokatool export: the tracks of a picture as VTK XML PolyData, for
// ParaView and every other reader of VTK files; the geometry outlines as a
// second data set.
//
// The tracks are what a rebuild of the window draws, in cm: the kinds
// shown, the batch range and the cut-offs as render takes them.  A track
// begins at the first record of a shown kind and ends at a separator (or a
// record of another batch range or of no kind); a step whose energy lies
// below its cut-off is not drawn, so the track's line breaks there.  Each
// unbroken run becomes one polyline, whose cells carry the kind of the
// track's first record, its batch, and the track's number in the picture
// (1, 2, ... counting every track of the file, shown or not, so that the
// numbers stay those of the picture whatever is chosen).

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/numparse.h"
#include "picture/picture.h"
#include "picture/platform.h"
#include "picture/settings.h"
#include "picture/work_file.h"
#include "render/view.h"
#include "tools/vokatool/vokatool.h"
#include "tools/vokatool/vtk_file.h"

namespace {

struct ExportOptions {
    RenderOptions render; // -o, --info, --work-dir, --batches, --particles
    bool geometry_only = false;
    bool base64 = false;
    bool multiblock = false; // OUT.vtm: tracks and geometry
};

// The tracks and the data of their lines.
struct TrackLines {
    Polylines lines;
    std::vector<float> energy;
    std::vector<uint8_t> kind;
    std::vector<int32_t> batch;
    std::vector<int64_t> track;
};

// The state of the walk over the records: in a track (with its kind,
// batch, number and last point), in a polyline, and the tracks counted.
struct Walk {
    int64_t first, last; // the batch range
    float cutoff[4];     // by record kind
    bool shown[4];
    bool in_track;
    bool in_line;
    bool in_file_track; // within a track of the file, shown or not
    int64_t tracks;     // tracks of the file so far
    uint8_t kind;
    int32_t batch;
    StepRecord previous;
};

void Line_begin(TrackLines *t, const Walk &w, const StepRecord &r)
{
    t->lines.Begin(r.x, r.y, r.z);
    t->energy.push_back(r.energy);
    t->kind.push_back(w.kind);
    t->batch.push_back(w.batch);
    t->track.push_back(w.tracks);
}

// One record, by the rules of the window's rebuild.
void Record_take(TrackLines *t, Walk *w, const StepRecord &r)
{
    const bool known = r.kind >= KIND_PHOTON && r.kind <= KIND_POSITRON;
    if (!known)
        w->in_file_track = false;
    else if (!w->in_file_track) {
        w->in_file_track = true;
        w->tracks++;
    }
    const bool in_range = r.batch >= w->first && r.batch <= w->last;
    bool first_of_track = false;
    if (w->in_track) {
        if (!known || !in_range) {
            w->in_track = w->in_line = false;
            return;
        }
    } else {
        if (!known || !in_range || !w->shown[r.kind])
            return;
        w->in_track = first_of_track = true;
        w->kind = static_cast<uint8_t>(r.kind);
        w->batch = r.batch;
    }
    if (r.energy >= w->cutoff[r.kind]) {
        if (!w->in_line) {
            // The first point of a track is drawn as a dot; later, the line
            // goes on from the point before.
            const StepRecord &from = first_of_track ? r : w->previous;
            Line_begin(t, *w, from);
            w->in_line = true;
            if (first_of_track) {
                w->previous = r;
                return;
            }
        }
        t->lines.Add(r.x, r.y, r.z);
        t->energy.push_back(r.energy);
    } else {
        w->in_line = false;
    }
    w->previous = r;
}

// Every record of the work file through Record_take.  0, or 1 after saying
// why.
int Tracks_collect(TrackLines *t)
{
    Walk w = {};
    w.first = display.batch_from != 0 ? display.batch_from : 1;
    w.last = display.batch_to != 0 ? display.batch_to : static_cast<int64_t>(work_file.batch_count);
    const float photon = static_cast<float>(Real_text(settings.photon_cutoff_text));
    const float charged = static_cast<float>(Real_text(settings.charged_cutoff_text));
    w.cutoff[KIND_PHOTON] = photon;
    w.cutoff[KIND_ELECTRON] = w.cutoff[KIND_POSITRON] = charged;
    w.shown[KIND_PHOTON] = display.show_photon == 1;
    w.shown[KIND_ELECTRON] = display.show_electron == 1;
    w.shown[KIND_POSITRON] = display.show_positron == 1;
    WorkSource source;
    if (Work_source_open(&source, tool_run.work_file) != 0) {
        std::fprintf(stderr, "vokatool export: %s: cannot be read\n", tool_run.work_file);
        return 1;
    }
    const uint64_t total = source.total;
    t->lines.points.reserve(static_cast<size_t>(total) * 3);
    t->energy.reserve(static_cast<size_t>(total));
    int result = 0;
    {
        WorkReader reader(&source);
        std::vector<ScaledStep> block(1 << 12); // in cm: divided by 1
        for (uint64_t at = 0; at < total;) {
            int64_t got = reader.read(at, block.data(), block.size(), 1.0);
            if (got < 0) {
                std::fprintf(stderr, "vokatool export: %s: cannot be read\n", tool_run.work_file);
                result = 1;
            }
            if (got <= 0)
                break;
            for (int64_t i = 0; i < got; i++) {
                const ScaledStep &s = block[static_cast<size_t>(i)];
                Record_take(t, &w, StepRecord{s.batch, s.kind, s.x, s.y, s.z, s.energy});
            }
            at += static_cast<uint64_t>(got);
        }
    }
    Work_source_close(&source);
    const uint64_t cells = t->kind.size();
    t->lines.point_data = {{"energy", VTK_FLOAT32, 1, t->energy.data(), t->energy.size()}};
    t->lines.cell_data = {{"kind", VTK_UINT8, 1, t->kind.data(), cells},
                          {"batch", VTK_INT32, 1, t->batch.data(), cells},
                          {"track", VTK_INT64, 1, t->track.data(), cells}};
    return result;
}

int List_length(int16_t count)
{
    return count <= 0 ? 0 : count > GEOMETRY_LIST_MAX ? GEOMETRY_LIST_MAX : count;
}

// The outlines the window draws for the geometry list: for cylinders a
// circle for every radius in every plane and two axial lines a radius
// between the first and the last plane; for slabs the lines of the grid.
void Geometry_collect(Polylines *g)
{
    if (geometry_list.kind == GEOMETRY_CYLINDERS) {
        const int radii = List_length(geometry_list.cyl_radius_count),
                  planes = List_length(geometry_list.cyl_plane_count);
        for (int j = 0; j < planes; j++)
            for (int i = 0; i < radii; i++) {
                const double r = geometry_list.cyl_radius[i], z = geometry_list.cyl_plane_z[j];
                g->Begin(r, 0.0, z);
                for (int n = 1; n <= 360; n++)
                    g->Add(r * std::cos(n * DEGREE_FACTOR), r * std::sin(n * DEGREE_FACTOR), z);
            }
        for (int angle = 90; planes > 0 && angle <= 270; angle += 180)
            for (int i = 0; i < radii; i++) {
                const double x = geometry_list.cyl_radius[i] * std::cos(angle * DEGREE_FACTOR);
                const double y = geometry_list.cyl_radius[i] * std::sin(angle * DEGREE_FACTOR);
                g->Begin(x, y, geometry_list.cyl_plane_z[0]);
                g->Add(x, y, geometry_list.cyl_plane_z[planes - 1]);
            }
    } else if (geometry_list.kind == GEOMETRY_SLABS) {
        const float *lists[3] = {geometry_list.slab_x, geometry_list.slab_y, geometry_list.slab_z};
        const int counts[3] = {List_length(geometry_list.slab_x_count),
                               List_length(geometry_list.slab_y_count),
                               List_length(geometry_list.slab_z_count)};
        for (int along = 0; along < 3; along++) { // the lines along each axis
            const int a = (along + 1) % 3, b = (along + 2) % 3;
            for (int i = 0; i < counts[a]; i++)
                for (int j = 0; j < counts[b] && counts[along] > 0; j++)
                    for (int k = 0; k < counts[along]; k++) {
                        double p[3];
                        p[a] = lists[a][i];
                        p[b] = lists[b][j];
                        p[along] = lists[along][k];
                        if (k == 0)
                            g->Begin(p[0], p[1], p[2]);
                        else
                            g->Add(p[0], p[1], p[2]);
                    }
        }
    }
}

// Write `lines` to `target` under a new name until complete.  0, or 1.
int Vtp_output(const char *target, const Polylines &lines, bool base64, const char *comment)
{
    char part[PART_PATH_SIZE];
    if (Part_begin(target, part) != 0)
        return 1;
    FILE *f = std::fopen(part, "wb");
    bool ok = f && Vtp_write(f, lines, base64, comment) == 0;
    ok = f && std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "vokatool export: cannot write %s\n", target);
    return Part_end(ok, part, target);
}

// OUT.vtm, and beside it the folder OUT holding tracks.vtp and geometry.vtp.
int Vtm_output(const ExportOptions &e, const Polylines &tracks, const Polylines &geometry)
{
    std::string target = e.render.output;
    std::string stem = target.substr(0, target.size() - 4);
    size_t slash = stem.find_last_of("/\\");
    std::string folder_name = slash == std::string::npos ? stem : stem.substr(slash + 1);
    std::filesystem::path folder(stem);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "vokatool export: %s: cannot be created: %s\n", stem.c_str(),
                     error.message().c_str());
        return 1;
    }
    std::string files[2] = {folder_name + "/tracks.vtp", folder_name + "/geometry.vtp"};
    if (Vtp_output((stem + "/tracks.vtp").c_str(), tracks, e.base64, "tracks, vokatool export") ||
        Vtp_output((stem + "/geometry.vtp").c_str(), geometry, e.base64,
                   "geometry outlines, vokatool export"))
        return 1;
    const char *const names[2] = {"tracks", "geometry"};
    const char *const paths[2] = {files[0].c_str(), files[1].c_str()};
    char part[PART_PATH_SIZE];
    if (Part_begin(target.c_str(), part) != 0)
        return 1;
    FILE *f = std::fopen(part, "wb");
    bool ok = f && Vtm_write(f, names, paths, 2) == 0;
    ok = f && std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "vokatool export: cannot write %s\n", target.c_str());
    return Part_end(ok, part, target.c_str());
}

bool Ends_with(const char *text, const char *end)
{
    size_t n = std::strlen(text), m = std::strlen(end);
    if (n < m)
        return false;
    for (size_t i = 0; i < m; i++)
        if (std::tolower(static_cast<unsigned char>(text[n - m + i])) != end[i])
            return false;
    return true;
}

const char *const SHARED_OPTIONS[] = {"-o", "--info", "--work-dir", "--batches", "--particles"};

// The options of export; 0, or 2 after saying what is wrong.
int Export_options(int argc, char **argv, ExportOptions *e)
{
    RenderOptions *o = &e->render;
    for (int i = 2; i < argc; i++) {
        const char *a = argv[i];
        bool shared = false;
        for (const char *name : SHARED_OPTIONS)
            shared = shared || std::strcmp(a, name) == 0;
        if (std::strcmp(a, "--geometry-only") == 0) {
            e->geometry_only = true;
        } else if (std::strcmp(a, "--base64") == 0) {
            e->base64 = true;
        } else if (std::strcmp(a, "--strict") == 0) {
            tool_run.strict = true;
        } else if (shared) {
            if (i + 1 >= argc)
                return Render_error("missing value after", a);
            int bad = Render_option(a, argv[++i], o);
            if (bad != 0)
                return bad;
        } else if (a[0] == '-') {
            return Unknown_option("export", a);
        } else if (o->picture) {
            return Render_error("more than one picture", a);
        } else {
            o->picture = a;
        }
    }
    if (!o->picture)
        return Render_error("missing", "PICTURE");
    if (!o->output)
        return Render_error("missing", "-o OUT.vtp");
    if (std::strlen(o->picture) >= sizeof display.picture_path)
        return Render_error("picture path longer than 255 characters", o->picture);
    if (o->work_dir && std::strlen(o->work_dir) >= sizeof settings.work_dir)
        return Render_error("work directory longer than 19 characters", o->work_dir);
    e->multiblock = Ends_with(o->output, ".vtm");
    if (!e->multiblock && !Ends_with(o->output, ".vtp"))
        return Render_error("unknown output format (use .vtp or .vtm)", o->output);
    if (e->multiblock && e->geometry_only)
        return Render_error("--geometry-only writes a .vtp file", o->output);
    return 0;
}

} // namespace

int Export_command(int argc, char **argv)
{
    ExportOptions e;
    Options_command_set("export");
    int result = Export_options(argc, argv, &e);
    if (result == 0)
        result = Render_settings(e.render);
    if (result != 0)
        return result;
    const char *picture = e.render.picture;
    result = Picture_open("export", e.render.work_dir, &picture);
    if (result == 0) {
        Render_view_state(e.render);
        TrackLines tracks;
        Polylines geometry;
        Geometry_collect(&geometry);
        if (e.geometry_only)
            result = Vtp_output(e.render.output, geometry, e.base64,
                                "geometry outlines, vokatool export");
        else if ((result = Tracks_collect(&tracks)) == 0)
            result = e.multiblock ? Vtm_output(e, tracks.lines, geometry)
                                  : Vtp_output(e.render.output, tracks.lines, e.base64,
                                               "tracks, vokatool export");
        if (result == 0)
            std::printf("%s: %llu points, %llu lines\n", e.render.output,
                        static_cast<unsigned long long>(
                            e.geometry_only ? geometry.Point_count() : tracks.lines.Point_count()),
                        static_cast<unsigned long long>(e.geometry_only ? geometry.ends.size()
                                                                        : tracks.kind.size()));
    }
    Private_work_dir_remove();
    return result;
}
