// The geometry reader.  Counts stay within the lists, the values a drawing
// reads are finite, and reading the same section again gives the same list.
#include <cmath>
#include <cstring>

#include "fuzz_support.h"
#include "picture/geometry.h"

namespace {

struct Snapshot {
    int16_t kind, counts[5];
    float values[5][GEOMETRY_LIST_MAX];
};

void Take(Snapshot *s)
{
    std::memset(s, 0, sizeof *s);
    s->kind = geometry_kind;
    const int16_t counts[5] = {cyl_radius_count, cyl_plane_count, slab_x_count, slab_y_count,
                               slab_z_count};
    const float *lists[5] = {cyl_radius, cyl_plane_z, slab_x, slab_y, slab_z};
    for (int i = 0; i < 5; i++) {
        s->counts[i] = counts[i];
        FUZZ_CHECK(counts[i] <= GEOMETRY_LIST_MAX);
        for (int k = 0; k < counts[i]; k++) {
            FUZZ_CHECK(std::isfinite(lists[i][k]));
            s->values[i][k] = lists[i][k];
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz_setup();
    // A clean list first, so that what a failed read left cannot carry over.
    geometry_kind = cyl_radius_count = cyl_plane_count = 0;
    slab_x_count = slab_y_count = slab_z_count = 0;
    FILE *input = Fuzz_stream(data, size);
    int result = Geometry_read(input);
    long after = std::ftell(input);
    std::fclose(input);
    if (result != 0)
        return 0;
    FUZZ_CHECK(geometry_kind >= GEOMETRY_NONE && geometry_kind <= GEOMETRY_SLABS);
    Snapshot first, second;
    Take(&first);
    // The section alone, read again, gives the same list.
    input = Fuzz_stream(data, static_cast<size_t>(after));
    FUZZ_CHECK(Geometry_read(input) == 0);
    std::fclose(input);
    Take(&second);
    FUZZ_CHECK(std::memcmp(&first, &second, sizeof first) == 0);
    return 0;
}
