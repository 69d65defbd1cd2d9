// The whole conversion of a picture file.  A successful conversion must
// leave a work file of exactly the records it counted, each with a batch in
// range and a known kind and finite numbers, counted under its own batch,
// in ascending batches unless it said they are out of order.

#include <algorithm>
#include <cmath>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *work = Fuzz_setup();
    FILE *input = Fuzz_stream(data, size);
    int result = Picture_convert_stream(nullptr, input, work);
    std::fclose(input);
    if (result != 0)
        return 0;
    FUZZ_CHECK(std::isfinite(work_file.x_min) && std::isfinite(work_file.x_max) &&
               std::isfinite(work_file.y_min) && std::isfinite(work_file.y_max) &&
               std::isfinite(work_file.z_min) && std::isfinite(work_file.z_max));
    FUZZ_CHECK(work_file.batch_count <= BATCH_MAX);

    FILE *f = std::fopen(work, "rb");
    FUZZ_CHECK(f != nullptr);
    static uint32_t seen[BATCH_MAX];
    std::fill(seen, seen + BATCH_MAX, 0u);
    uint8_t image[STEP_RECORD_SIZE];
    uint64_t records = 0;
    int32_t previous = 0;
    bool ascending = true;
    while (std::fread(image, 1, sizeof image, f) == sizeof image) {
        StepRecord r;
        Step_decode(image, &r);
        FUZZ_CHECK(r.batch >= 1 && r.batch <= BATCH_MAX);
        FUZZ_CHECK(r.kind == KIND_SEPARATOR || (r.kind >= KIND_PHOTON && r.kind <= KIND_POSITRON));
        FUZZ_CHECK(std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.z) &&
                   std::isfinite(r.energy));
        ascending = ascending && r.batch >= previous;
        previous = r.batch;
        seen[r.batch - 1]++;
        records++;
    }
    FUZZ_CHECK(std::ftell(f) == static_cast<long>(records * STEP_RECORD_SIZE));
    std::fclose(f);
    FUZZ_CHECK(records == work_file.stats.records);
    for (int b = 0; b < BATCH_MAX; b++)
        FUZZ_CHECK(seen[b] == work_file.batch_step_count[b]);
    FUZZ_CHECK(ascending == (work_file.batches_unordered == 0));
    return 0;
}
