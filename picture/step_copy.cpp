#include "picture/step_copy.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture/le_bytes.h"
#include "picture/platform.h"

namespace {

// The records lie in chunks of CHUNK_RECORDS (18 MB), allocated as the copy
// grows, so that growing never moves what is there, and in large pages, so
// that filling them costs few page faults; the table of the chunks is made
// for the records the budget allows.
enum { CHUNK_BITS = 20, CHUNK_RECORDS = 1 << CHUNK_BITS };
const size_t CHUNK_BYTES = size_t{CHUNK_RECORDS} * STEP_COPY_RECORD_SIZE;
const uint64_t BUDGET_UNKNOWN_MEMORY = 200000000;

uint8_t **chunks;
size_t chunk_count; // entries of `chunks`
uint64_t record_count;
uint64_t record_limit;  // records the budget allows
int32_t form;           // STEP_FORM_NONE until the first step
float copy_coord_scale; // the coordinate scale the records were read at
bool filling;           // records are being added
bool complete;          // the copy stands for the work file below
// The work file is being written from the copy on another thread
// (Step_copy_finish_behind); `written` once it is complete on disk, its
// size and time then in file_size and file_time.
bool behind;
std::atomic<bool> written;

// The work file the copy stands for.
std::filesystem::path file_path;
uintmax_t file_size;
std::filesystem::file_time_type file_time;

const int KIND_SHIFT = 14;
const uint32_t BATCH_MASK = (1u << KIND_SHIFT) - 1;
static_assert(BATCH_MAX <= BATCH_MASK, "a batch number fits its 14 bits");

// The very same bits: the copy must give back exactly the work file's bytes
// (a -0 for a 0 would already be a different record).
bool Same_double(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0; // NOLINT(bugprone-suspicious-memory-comparison)
}

// Short lines have five-column fields, so few codes: their coordinates
// divided by the divisor of the last read are kept in a table, and a
// rebuild divides each code once instead of each coordinate.
enum { TABLE_LOW = -9999, TABLE_HIGH = 99999 };
double short_table[TABLE_HIGH - TABLE_LOW + 1];
bool table_ready;
float table_coord_scale;
double table_divisor;

void Table_prepare(double divisor)
{
    if (table_ready && table_coord_scale == copy_coord_scale && Same_double(table_divisor, divisor))
        return;
    for (int32_t code = TABLE_LOW; code <= TABLE_HIGH; code++)
        short_table[code - TABLE_LOW] =
            Step_coordinate(STEP_FORM_SHORT, code, copy_coord_scale) / divisor;
    table_ready = true;
    table_coord_scale = copy_coord_scale;
    table_divisor = divisor;
}

double Divided(const uint8_t *code_image, double divisor)
{
    int32_t code = static_cast<int32_t>(Get4(code_image));
    if (form == STEP_FORM_SHORT && code >= TABLE_LOW && code <= TABLE_HIGH)
        return short_table[code - TABLE_LOW];
    return Step_coordinate(form, code, copy_coord_scale) / divisor;
}

// Make the table of chunks hold `count` entries, the new ones empty.
bool Chunk_table(uint64_t count)
{
    if (count > SIZE_MAX / sizeof *chunks)
        return false;
    uint8_t **table =
        static_cast<uint8_t **>(std::realloc(chunks, static_cast<size_t>(count) * sizeof *chunks));
    if (!table)
        return false;
    for (size_t i = chunk_count; i < count; i++)
        table[i] = nullptr;
    chunks = table;
    chunk_count = static_cast<size_t>(count);
    return true;
}

void Decode(const uint8_t *image, ScaledStep *r, double divisor)
{
    uint32_t tail = static_cast<uint32_t>(image[16]) | static_cast<uint32_t>(image[17]) << 8;
    r->batch = static_cast<int32_t>(tail & BATCH_MASK);
    int32_t kind = static_cast<int32_t>(tail >> KIND_SHIFT);
    uint32_t energy_bits = Get4(image + 12);
    std::memcpy(&r->energy, &energy_bits, 4);
    if (kind == 0) {
        r->kind = KIND_SEPARATOR;
        r->x = r->y = r->z = 0.0;
        return;
    }
    r->kind = kind;
    r->x = Divided(image, divisor);
    r->y = Divided(image + 4, divisor);
    r->z = Divided(image + 8, divisor);
}

} // namespace

uint64_t Step_copy_budget()
{
    if (core_tuning.copy_budget != STEP_COPY_MACHINE)
        return core_tuning.copy_budget;
    uint64_t memory = Platform_memory_size();
    return memory != 0 ? memory / 4 : BUDGET_UNKNOWN_MEMORY;
}

namespace {

// Where the separators lie (record indices, ascending), made for the
// previews, which pass over tracks: without it each preview reads the kind
// of every record.  nullptr until made (or when memory was short).
uint64_t *separators;
uint64_t separator_count;

void Separators_drop()
{
    std::free(separators);
    separators = nullptr;
    separator_count = 0;
}

bool Is_separator(uint64_t i)
{
    const uint8_t *image =
        chunks[i >> CHUNK_BITS] + (i & (CHUNK_RECORDS - 1)) * STEP_COPY_RECORD_SIZE;
    return (image[17] >> (KIND_SHIFT - 8)) == 0;
}

} // namespace

void Step_copy_index_separators()
{
    if (!complete || separators)
        return;
    uint64_t count = 0;
    for (uint64_t i = 0; i < record_count; i++)
        if (Is_separator(i))
            count++;
    if (count == 0 || count > SIZE_MAX / sizeof(uint64_t))
        return;
    separators =
        static_cast<uint64_t *>(std::malloc(static_cast<size_t>(count) * sizeof(uint64_t)));
    if (!separators)
        return;
    uint64_t n = 0;
    for (uint64_t i = 0; i < record_count; i++)
        if (Is_separator(i))
            separators[n++] = i;
    separator_count = n;
}

void Step_copy_drop()
{
    Separators_drop();
    for (size_t i = 0; i < chunk_count; i++)
        Platform_free_large(chunks[i], CHUNK_BYTES);
    std::free(chunks);
    chunks = nullptr;
    chunk_count = 0;
    record_count = 0;
    filling = false;
    complete = false;
    behind = false;
}

void Step_copy_begin(float scale, uint64_t input_bytes)
{
    Step_copy_drop();
    form = STEP_FORM_NONE;
    copy_coord_scale = scale;
    record_limit = Step_copy_budget() / STEP_COPY_RECORD_SIZE;
    // Decided before the first record: a copy filled and then dropped
    // would cost time and memory for nothing.
    if (input_bytes / STEP_COPY_LINE_BYTES > record_limit)
        return;
    uint64_t table = record_limit / CHUNK_RECORDS + 1;
    if (input_bytes != 0 && input_bytes / STEP_COPY_LINE_BYTES / CHUNK_RECORDS + 2 < table)
        table = input_bytes / STEP_COPY_LINE_BYTES / CHUNK_RECORDS + 2; // grown when needed
    if (!Chunk_table(table))
        return;
    filling = true;
}

int Step_copy_encode(const StepRecord *r, const StepCode *code, float scale, int32_t *first_form,
                     uint8_t image[STEP_COPY_RECORD_SIZE])
{
    bool separator = r->kind == KIND_SEPARATOR;
    if (!separator && *first_form != code->form) {
        if (*first_form != STEP_FORM_NONE || code->form == STEP_FORM_NONE)
            return -1;
        *first_form = code->form;
    }
    assert(r->batch >= 1 && r->batch <= BATCH_MAX);
    assert(separator || (r->kind >= KIND_PHOTON && r->kind <= KIND_POSITRON));
    uint32_t kind = separator ? 0u : static_cast<uint32_t>(r->kind);
    for (int i = 0; i < 3; i++)
        Put4(image + 4 * i, separator ? 0u : static_cast<uint32_t>(code->code[i]));
    uint32_t energy_bits;
    std::memcpy(&energy_bits, &r->energy, 4);
    Put4(image + 12, energy_bits);
    Put2(image + 16, static_cast<uint32_t>(r->batch) | kind << KIND_SHIFT);
    if (separator)
        return 0;
    // The codes must give back the very coordinates of the work file.
    for (int i = 0; i < 3; i++) {
        double back = Step_coordinate(*first_form, code->code[i], scale);
        if (!Same_double(back, i == 0 ? r->x : i == 1 ? r->y : r->z))
            return -1;
    }
    return 0;
}

void Step_copy_set_batch(uint8_t image[STEP_COPY_RECORD_SIZE], int32_t batch)
{
    assert(batch >= 1 && batch <= BATCH_MAX);
    uint32_t tail = static_cast<uint32_t>(image[16]) | static_cast<uint32_t>(image[17]) << 8;
    Put2(image + 16, (tail & ~BATCH_MASK) | static_cast<uint32_t>(batch));
}

bool Step_copy_filling()
{
    return filling;
}

float Step_copy_scale()
{
    return copy_coord_scale;
}

namespace {

// A record that cannot be kept: no more are added, and what the copy holds
// stays until Step_copy_drop (a conversion that writes the work file from
// it writes the records held first).
void Abandon()
{
    filling = false;
}

} // namespace

void Step_copy_append(const uint8_t *images, size_t count, int32_t images_form)
{
    if (!filling)
        return;
    if (images_form != STEP_FORM_NONE) {
        if (form == STEP_FORM_NONE)
            form = images_form; // the first step's
        if (images_form != form) {
            Abandon();
            return;
        }
    }
    if (count > record_limit - record_count) {
        Abandon();
        return;
    }
    while (count > 0) {
        if ((record_count >> CHUNK_BITS) >= chunk_count && !Chunk_table(chunk_count * 2)) {
            Abandon();
            return;
        }
        uint8_t *&chunk = chunks[record_count >> CHUNK_BITS];
        if (!chunk) {
            chunk = static_cast<uint8_t *>(Platform_alloc_large(CHUNK_BYTES));
            if (!chunk) {
                Abandon();
                return;
            }
        }
        size_t at = static_cast<size_t>(record_count & (CHUNK_RECORDS - 1));
        size_t n = CHUNK_RECORDS - at < count ? CHUNK_RECORDS - at : count;
        std::memcpy(chunk + at * STEP_COPY_RECORD_SIZE, images, n * STEP_COPY_RECORD_SIZE);
        images += n * STEP_COPY_RECORD_SIZE;
        record_count += n;
        count -= n;
    }
}

void Step_copy_add(const StepRecord *r, const StepCode *code)
{
    if (!filling)
        return;
    uint8_t image[STEP_COPY_RECORD_SIZE];
    int32_t image_form = form;
    if (Step_copy_encode(r, code, copy_coord_scale, &image_form, image) != 0) {
        Abandon();
        return;
    }
    Step_copy_append(image, 1, image_form);
}

void Step_copy_finish(const char *work_path)
{
    if (!filling) {
        Step_copy_drop(); // what a stopped copy held
        return;
    }
    filling = false;
    std::error_code error;
    file_path = std::filesystem::absolute(work_path, error).lexically_normal();
    if (!error)
        file_size = std::filesystem::file_size(file_path, error);
    if (!error)
        file_time = std::filesystem::last_write_time(file_path, error);
    if (error || file_size != record_count * STEP_RECORD_SIZE) {
        Step_copy_drop();
        return;
    }
    complete = true;
}

void Step_copy_finish_behind(const char *work_path)
{
    if (!filling)
        return;
    filling = false;
    std::error_code error;
    file_path = std::filesystem::absolute(work_path, error).lexically_normal();
    if (error)
        file_path = work_path; // the records are kept all the same: they are the file's
    written.store(false);
    behind = true;
    complete = true;
}

int Step_copy_written()
{
    std::error_code error;
    file_size = std::filesystem::file_size(file_path, error);
    if (!error)
        file_time = std::filesystem::last_write_time(file_path, error);
    if (error || file_size != record_count * STEP_RECORD_SIZE)
        return -1;
    written.store(true, std::memory_order_release);
    return 0;
}

bool Step_copy_matches(const char *work_path)
{
    if (!complete)
        return false;
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(work_path, error).lexically_normal();
    if (error || path != file_path)
        return false;
    if (behind && !written.load(std::memory_order_acquire))
        return true; // being written from the copy
    uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size != file_size)
        return false;
    std::filesystem::file_time_type time = std::filesystem::last_write_time(path, error);
    return !error && time == file_time;
}

uint64_t Step_copy_held()
{
    return record_count;
}

size_t Step_copy_read_exact(uint64_t first, StepRecord *out, size_t count)
{
    size_t n = 0;
    for (uint64_t i = first; n < count && i < record_count; i++, n++) {
        const uint8_t *image =
            chunks[i >> CHUNK_BITS] + (i & (CHUNK_RECORDS - 1)) * STEP_COPY_RECORD_SIZE;
        StepRecord *r = &out[n];
        uint32_t tail = static_cast<uint32_t>(image[16]) | static_cast<uint32_t>(image[17]) << 8;
        r->batch = static_cast<int32_t>(tail & BATCH_MASK);
        const int32_t kind = static_cast<int32_t>(tail >> KIND_SHIFT);
        uint32_t energy_bits = Get4(image + 12);
        std::memcpy(&r->energy, &energy_bits, 4);
        r->kind = kind == 0 ? KIND_SEPARATOR : kind;
        double *axes[3] = {&r->x, &r->y, &r->z};
        for (int a = 0; a < 3; a++)
            *axes[a] = kind == 0 ? 0.0
                                 : Step_coordinate(form, static_cast<int32_t>(Get4(image + 4 * a)),
                                                   copy_coord_scale);
    }
    return n;
}

uint64_t Step_copy_count()
{
    return complete ? record_count : 0;
}

void Step_copy_prepare(double divisor)
{
    if (form == STEP_FORM_SHORT)
        Table_prepare(divisor);
}

uint64_t Step_copy_separator(uint64_t first, uint64_t limit, uint64_t count)
{
    if (limit > record_count)
        limit = record_count;
    if (separators) {
        const uint64_t *at = std::lower_bound(separators, separators + separator_count, first);
        uint64_t rank = static_cast<uint64_t>(at - separators);
        if (count - 1 >= separator_count - rank)
            return limit;
        uint64_t i = separators[rank + count - 1];
        return i < limit ? i : limit;
    }
    for (uint64_t i = first; i < limit; i++)
        if (Is_separator(i) && --count == 0)
            return i;
    return limit;
}

size_t Step_copy_read(uint64_t first, ScaledStep *out, size_t count, double divisor)
{
    if (form == STEP_FORM_SHORT)
        Table_prepare(divisor);
    size_t n = 0;
    for (uint64_t i = first; n < count && i < record_count; i++, n++) {
        const uint8_t *chunk = chunks[i >> CHUNK_BITS];
        Decode(chunk + (i & (CHUNK_RECORDS - 1)) * STEP_COPY_RECORD_SIZE, &out[n], divisor);
    }
    return n;
}
