#include "picture/work_file.h"

#include "picture/picture.h"
#include "picture/step_copy.h"

namespace {

// The work file is mapped in views of this many records.
const uint64_t VIEW_RECORDS = 1 << 18;

} // namespace

int Work_source_open(WorkSource *source, const char *work_path)
{
    // While the work file is being written from the step copy, the copy is
    // read and the file left alone: on Windows it cannot be mapped while
    // another handle writes it, and it is not complete.
    if (Work_writing() && Step_copy_matches(work_path)) {
        source->file = MappedFile{-1, 0, 0};
        source->from_copy = true;
        source->total = Step_copy_count();
        return 0;
    }
    if (File_map_open(&source->file, work_path) != 0)
        return -1;
    source->from_copy = Step_copy_matches(work_path);
    source->total = source->from_copy ? Step_copy_count() : source->file.size / STEP_RECORD_SIZE;
    return 0;
}

void Work_source_close(WorkSource *source)
{
    File_map_close(&source->file);
}

int64_t WorkReader::read(uint64_t index, ScaledStep *out, size_t count, double divisor)
{
    if (source->from_copy)
        return static_cast<int64_t>(Step_copy_read(index, out, count, divisor));
    const MappedFile *file = &source->file;
    uint64_t total = file->size / STEP_RECORD_SIZE;
    if (index >= total)
        return 0;
    if (index < view_first || index >= view_first + view_count) {
        File_unmap_view(&view);
        view_count = total - index < VIEW_RECORDS ? total - index : VIEW_RECORDS;
        view_first = index;
        if (File_map_view(file, index * STEP_RECORD_SIZE,
                          static_cast<size_t>(view_count * STEP_RECORD_SIZE), &view) != 0) {
            view_count = 0;
            return -1;
        }
    }
    uint64_t left = view_first + view_count - index;
    size_t n = left < count ? static_cast<size_t>(left) : count;
    const uint8_t *at = view.data + (index - view_first) * STEP_RECORD_SIZE;
    for (size_t i = 0; i < n; i++) {
        StepRecord r;
        Step_decode(at + i * STEP_RECORD_SIZE, &r);
        out[i] = ScaledStep{r.batch, r.kind, r.x / divisor, r.y / divisor, r.z / divisor, r.energy};
    }
    return static_cast<int64_t>(n);
}
