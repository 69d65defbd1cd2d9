// The geometry reader: counts within the lists, finite values where a
// drawing reads them, and the section alone read again gives the same list.
#include <cmath>

#include "fuzz_support.h"
#include "picture/geometry.h"

namespace {

std::string List_image()
{
    const int16_t counts[5] = {geometry_list.cyl_radius_count, geometry_list.cyl_plane_count,
                               geometry_list.slab_x_count, geometry_list.slab_y_count,
                               geometry_list.slab_z_count};
    const float *lists[5] = {geometry_list.cyl_radius, geometry_list.cyl_plane_z,
                             geometry_list.slab_x, geometry_list.slab_y, geometry_list.slab_z};
    std::string image(1, static_cast<char>(geometry_list.kind));
    for (int i = 0; i < 5; i++) {
        FUZZ_CHECK(counts[i] <= GEOMETRY_LIST_MAX);
        for (int k = 0; k < counts[i]; k++)
            FUZZ_CHECK(std::isfinite(lists[i][k]));
        image.append(reinterpret_cast<const char *>(lists[i]),
                     sizeof(float) * std::max(0, int{counts[i]}));
    }
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *input = Fuzz_stream(data, size);
    GeometryReport report;
    int result = Geometry_read(input, &report);
    long after = std::ftell(input);
    std::fclose(input);
    if (result != 0)
        return 0;
    FUZZ_CHECK(geometry_list.kind >= GEOMETRY_NONE && geometry_list.kind <= GEOMETRY_SLABS);
    std::string first = List_image();
    input = Fuzz_stream(data, static_cast<size_t>(after));
    FUZZ_CHECK(Geometry_read(input, &report) == 0);
    std::fclose(input);
    FUZZ_CHECK(List_image() == first);
    return 0;
}
