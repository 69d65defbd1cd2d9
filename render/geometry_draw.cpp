#include "render/geometry_draw.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/settings.h"
#include "render/line_draw.h"
#include "render/view.h"

namespace {

// Angles of the two generator lines drawn along each cylinder, in degrees.
const int CYLS_GENERATOR_ANGLES[2] = {90, 270};

// Number of usable values of a list: its count bounded to the list's room.
int List_length(int16_t count)
{
    if (count <= 0)
        return 0;
    return count > GEOMETRY_LIST_MAX ? GEOMETRY_LIST_MAX : count;
}

bool Scale_usable()
{
    double s = view_state.view_scale;
    return s != 0.0 && s == s;
}

PixelPoint Project(double x, double y, double z)
{
    double cm[3] = {x, y, z};
    double px[3];
    Point_calc(cm, view_state.view_scale, px);
    return View_proj(PROJ_VIEW, px);
}

void Segment(Surface *surface, PixelPoint a, PixelPoint b)
{
    Line_draw(surface, a.x, b.x, a.y, b.y, PEN_SOLID, 1, settings.geometry_color);
}

// One pass of the slab grid: for each outer and middle value, the row over
// the inner list, every later point joined to the row's first point.  `axes`
// tells which coordinate (0 x, 1 y, 2 z) each loop runs over.
void Slab_pass(Surface *surface, const float *outer, int n_outer, const float *middle, int n_middle,
               const float *inner, int n_inner, const int axes[3])
{
    for (int i = 0; i < n_outer; i++) {
        for (int j = 0; j < n_middle; j++) {
            PixelPoint start = {0, 0};
            for (int k = 0; k < n_inner; k++) {
                double p[3];
                p[axes[0]] = outer[i];
                p[axes[1]] = middle[j];
                p[axes[2]] = inner[k];
                PixelPoint at = Project(p[0], p[1], p[2]);
                if (k == 0)
                    start = at;
                else
                    Segment(surface, start, at);
            }
        }
    }
}

} // namespace

void Geom_draw(WindowRef window, Surface *surface)
{
    if (display.geometry_pending == 0) {
        display.geometry_enabled = 0;
        return;
    }
    if (geometry_list.kind == GEOMETRY_CYLINDERS) {
        Cyls_draw(window, surface);
        display.geometry_enabled = 1;
    } else if (geometry_list.kind == GEOMETRY_SLABS) {
        Slab_draw(window, surface);
        display.geometry_enabled = 1;
    }
}

void Cyls_draw(WindowRef, Surface *surface)
{
    if (!Scale_usable())
        return;
    int radii = List_length(geometry_list.cyl_radius_count);
    int planes = List_length(geometry_list.cyl_plane_count);
    for (int j = 0; j < planes; j++) {
        double z = geometry_list.cyl_plane_z[j];
        for (int i = 0; i < radii; i++) {
            double r = geometry_list.cyl_radius[i];
            PixelPoint previous = Project(r, 0.0, z);
            for (int n = 0; n <= 360; n++) {
                double a = n * DEGREE_FACTOR;
                PixelPoint at = Project(r * std::cos(a), r * std::sin(a), z);
                Segment(surface, previous, at);
                previous = at;
            }
        }
    }
    // Without a plane there is nothing to run the generator lines between.
    if (planes < 1)
        return;
    for (int angle : CYLS_GENERATOR_ANGLES) {
        double a = angle * DEGREE_FACTOR;
        for (int i = 0; i < radii; i++) {
            double r = geometry_list.cyl_radius[i];
            double x = r * std::cos(a);
            double y = r * std::sin(a);
            Segment(surface, Project(x, y, geometry_list.cyl_plane_z[0]),
                    Project(x, y, geometry_list.cyl_plane_z[planes - 1]));
        }
    }
}

void Slab_draw(WindowRef, Surface *surface)
{
    if (!Scale_usable())
        return;
    int nx = List_length(geometry_list.slab_x_count);
    int ny = List_length(geometry_list.slab_y_count);
    int nz = List_length(geometry_list.slab_z_count);
    const int along_z[3] = {0, 1, 2};
    const int along_x[3] = {1, 2, 0};
    const int along_y[3] = {2, 0, 1};
    Slab_pass(surface, geometry_list.slab_x, nx, geometry_list.slab_y, ny, geometry_list.slab_z, nz,
              along_z);
    Slab_pass(surface, geometry_list.slab_y, ny, geometry_list.slab_z, nz, geometry_list.slab_x, nx,
              along_x);
    Slab_pass(surface, geometry_list.slab_z, nz, geometry_list.slab_x, nx, geometry_list.slab_y, ny,
              along_y);
}

void Picture_geometry_draw(WindowRef window, Surface *surface)
{
    if (display.geometry_enabled == 1 && display.geometry_path[0] == '\0')
        Geom_draw(window, surface);
}

int Geometry_file_read_draw(WindowRef window, Surface *surface)
{
    // A path without a fourth character (or a blank there) means no file.
    if (std::strlen(display.geometry_path) < 4 || display.geometry_path[3] == ' ')
        return 0;
    // Binary, as the picture file: its geometry section is read alike on
    // every system (Windows' text mode would end it at a Ctrl-Z).
    FILE *f = std::fopen(display.geometry_path, "rb");
    if (!f)
        return -1;
    GeometryReport report;
    Geometry_read(f, &report); // drawn as the list then stands, whatever the result
    Geom_draw(window, surface);
    std::fclose(f);
    return 0;
}
