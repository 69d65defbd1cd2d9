// Target geometry: coaxial cylinders around the z axis cut by z planes, or a
// rectilinear grid of slabs, inside a vacuum world box.  A region is a ring
// between two radii and two planes, or one cell of the grid; its material is
// that of its z layer in the cycled material list.
#include <cmath>
#include <cstdio>

#include "vokasim.h"

static const double HUGE_DISTANCE = 1e300;

static int List_check(const char *name, const double *values, int n, int minimum, char *why,
                      size_t why_size)
{
    if (n < minimum || n > SIM_LIST_MAX) {
        std::snprintf(why, why_size, "%s: needs %d to %d values, has %d", name, minimum,
                      SIM_LIST_MAX, n);
        return -1;
    }
    for (int i = 0; i < n; i++) {
        if (!std::isfinite(values[i])) {
            std::snprintf(why, why_size, "%s: value %d is not a number", name, i + 1);
            return -1;
        }
        if (i > 0 && values[i] <= values[i - 1]) {
            std::snprintf(why, why_size, "%s: values must ascend", name);
            return -1;
        }
    }
    return 0;
}

int Sim_geometry_check(const SimGeometry *g, char *why, size_t why_size)
{
    if (g->material_count < 1 || g->material_count > SIM_MATERIAL_LIST_MAX) {
        std::snprintf(why, why_size, "material list: needs 1 to %d materials",
                      SIM_MATERIAL_LIST_MAX);
        return -1;
    }
    for (int i = 0; i < g->material_count; i++) {
        if (Sim_material_get(g->material[i]) == nullptr) {
            std::snprintf(why, why_size, "material list: unknown material");
            return -1;
        }
    }
    if (g->kind == SIM_GEOMETRY_CYLINDERS) {
        if (List_check("radii", g->radius, g->radius_count, 1, why, why_size) != 0)
            return -1;
        if (g->radius[0] <= 0.0) {
            std::snprintf(why, why_size, "radii: must be positive");
            return -1;
        }
        return List_check("planes", g->plane_z, g->plane_count, 2, why, why_size);
    }
    if (g->kind == SIM_GEOMETRY_SLABS) {
        if (List_check("slab x", g->x, g->x_count, 2, why, why_size) != 0 ||
            List_check("slab y", g->y, g->y_count, 2, why, why_size) != 0)
            return -1;
        return List_check("slab z", g->z, g->z_count, 2, why, why_size);
    }
    std::snprintf(why, why_size, "no geometry");
    return -1;
}

void Sim_geometry_bounds(const SimGeometry *g, double box[6])
{
    if (g->kind == SIM_GEOMETRY_CYLINDERS) {
        const double r = g->radius[g->radius_count - 1];
        box[0] = -r;
        box[1] = r;
        box[2] = -r;
        box[3] = r;
        box[4] = g->plane_z[0];
        box[5] = g->plane_z[g->plane_count - 1];
    } else {
        box[0] = g->x[0];
        box[1] = g->x[g->x_count - 1];
        box[2] = g->y[0];
        box[3] = g->y[g->y_count - 1];
        box[4] = g->z[0];
        box[5] = g->z[g->z_count - 1];
    }
}

// Index i with list[i] <= v < list[i + 1], or -1 outside the list's span.
static int Interval_find(const double *list, int n, double v)
{
    if (n < 2 || v < list[0] || v >= list[n - 1])
        return -1;
    int i = 0;
    while (i + 1 < n - 1 && v >= list[i + 1])
        i++;
    return i;
}

// Distance along d from p to leave [lo, hi] (p inside).
static double Exit_interval(double p, double d, double lo, double hi)
{
    if (d > 0.0)
        return (hi - p) / d;
    if (d < 0.0)
        return (lo - p) / d;
    return HUGE_DISTANCE;
}

// Parameter range [*t0, *t1] of the ray inside [lo, hi] along one axis;
// returns 0 when the ray never is.
static int Slab_span(double p, double d, double lo, double hi, double *t0, double *t1)
{
    if (d == 0.0) {
        *t0 = -HUGE_DISTANCE;
        *t1 = HUGE_DISTANCE;
        return p >= lo && p <= hi;
    }
    double a = (lo - p) / d;
    double b = (hi - p) / d;
    if (a > b) {
        const double t = a;
        a = b;
        b = t;
    }
    *t0 = a;
    *t1 = b;
    return 1;
}

// Parameter range of the ray inside the infinite cylinder of radius r.
static int Cylinder_span(const double p[3], const double d[3], double r, double *t0, double *t1)
{
    const double a = d[0] * d[0] + d[1] * d[1];
    const double b = p[0] * d[0] + p[1] * d[1];
    const double c = p[0] * p[0] + p[1] * p[1] - r * r;
    if (a < 1e-300) {
        *t0 = -HUGE_DISTANCE;
        *t1 = HUGE_DISTANCE;
        return c <= 0.0;
    }
    const double disc = b * b - a * c;
    if (disc < 0.0)
        return 0;
    const double root = std::sqrt(disc);
    *t0 = (-b - root) / a;
    *t1 = (-b + root) / a;
    return 1;
}

// Distance from a point outside the target to where the ray enters it.
static double Target_entry(const SimGeometry *g, const double p[3], const double d[3])
{
    double lo = -HUGE_DISTANCE;
    double hi = HUGE_DISTANCE;
    double t0;
    double t1;
    if (g->kind == SIM_GEOMETRY_CYLINDERS) {
        if (!Cylinder_span(p, d, g->radius[g->radius_count - 1], &t0, &t1))
            return HUGE_DISTANCE;
        lo = std::fmax(lo, t0);
        hi = std::fmin(hi, t1);
        if (!Slab_span(p[2], d[2], g->plane_z[0], g->plane_z[g->plane_count - 1], &t0, &t1))
            return HUGE_DISTANCE;
        lo = std::fmax(lo, t0);
        hi = std::fmin(hi, t1);
    } else {
        const double *lists[3] = {g->x, g->y, g->z};
        const int counts[3] = {g->x_count, g->y_count, g->z_count};
        for (int axis = 0; axis < 3; axis++) {
            if (!Slab_span(p[axis], d[axis], lists[axis][0], lists[axis][counts[axis] - 1], &t0,
                           &t1))
                return HUGE_DISTANCE;
            lo = std::fmax(lo, t0);
            hi = std::fmin(hi, t1);
        }
    }
    if (lo < hi && lo > 0.0)
        return lo;
    return HUGE_DISTANCE;
}

int Sim_geometry_locate(const SimGeometry *g, const double pos[3], const double dir[3],
                        int *material, double *distance)
{
    const double *w = g->world;
    for (int axis = 0; axis < 3; axis++)
        if (!(pos[axis] >= w[2 * axis] && pos[axis] <= w[2 * axis + 1]))
            return -1;
    double size = 0.0;
    for (int axis = 0; axis < 3; axis++)
        size = std::fmax(size, w[2 * axis + 1] - w[2 * axis]);
    // The region is that of a point just ahead, so that a particle standing on
    // a boundary belongs to the region it is entering.
    const double eps = 1e-9 * size;
    const double probe[3] = {pos[0] + eps * dir[0], pos[1] + eps * dir[1], pos[2] + eps * dir[2]};

    double world_exit = HUGE_DISTANCE;
    for (int axis = 0; axis < 3; axis++)
        world_exit = std::fmin(world_exit,
                               Exit_interval(pos[axis], dir[axis], w[2 * axis], w[2 * axis + 1]));

    int layer = -1;
    double inside = HUGE_DISTANCE;
    if (g->kind == SIM_GEOMETRY_CYLINDERS) {
        const double rho = std::sqrt(probe[0] * probe[0] + probe[1] * probe[1]);
        layer = Interval_find(g->plane_z, g->plane_count, probe[2]);
        int ring = 0;
        while (ring < g->radius_count && rho >= g->radius[ring])
            ring++;
        if (ring == g->radius_count)
            layer = -1;
        if (layer >= 0) {
            inside = Exit_interval(pos[2], dir[2], g->plane_z[layer], g->plane_z[layer + 1]);
            double t0;
            double t1;
            if (Cylinder_span(pos, dir, g->radius[ring], &t0, &t1))
                inside = std::fmin(inside, t1);
            if (ring > 0 && Cylinder_span(pos, dir, g->radius[ring - 1], &t0, &t1) && t0 > 0.0)
                inside = std::fmin(inside, t0);
        }
    } else {
        const int ix = Interval_find(g->x, g->x_count, probe[0]);
        const int iy = Interval_find(g->y, g->y_count, probe[1]);
        const int iz = Interval_find(g->z, g->z_count, probe[2]);
        if (ix >= 0 && iy >= 0 && iz >= 0) {
            layer = iz;
            inside = Exit_interval(pos[0], dir[0], g->x[ix], g->x[ix + 1]);
            inside = std::fmin(inside, Exit_interval(pos[1], dir[1], g->y[iy], g->y[iy + 1]));
            inside = std::fmin(inside, Exit_interval(pos[2], dir[2], g->z[iz], g->z[iz + 1]));
        }
    }

    double d;
    if (layer >= 0) {
        *material = g->material[layer % g->material_count];
        d = inside;
    } else {
        *material = -1;
        d = Target_entry(g, pos, dir);
    }
    int leaving = 0;
    if (world_exit <= d) {
        d = world_exit;
        leaving = 1;
    }
    if (d < 0.0)
        d = 0.0;
    *distance = d;
    return leaving;
}
