#include "picture/picture.h"

#include <atomic>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "picture/convert_parallel.h"
#include "picture/convert_run.h"
#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/le_bytes.h"
#include "picture/line_source.h"
#include "picture/message.h"
#include "picture/numparse.h"
#include "picture/platform.h"
#include "picture/settings.h"
#include "picture/step_copy.h"
#include "picture/work_threads.h"

WorkFile work_file;
ProgressHook progress_hook;
WorkWrittenHook work_written_hook;

namespace {

const char WORK_FILE_NAME[] = "work.$$$";

// Work-file output: records gather in a buffer and go to the file in large
// writes.  A record is counted under its batch once it reached the file, so
// that a failed write counts exactly the records that did.
enum { WRITE_BUFFER_RECORDS = 1638 }; // about 64 KB
uint8_t write_buffer[WRITE_BUFFER_RECORDS * STEP_RECORD_SIZE];
size_t write_pending;
FILE *work_stream;
const char *work_file_path;

// The work file that could not be created last, and the system's reason
// (errno); empty once one has been created.  The failure of the last
// conversion (0: none), for Message_detail.
char work_failure_path[PATH_SIZE + 16];
int work_failure_error;
int convert_failure;
uint64_t records_in_file; // records that reached the work file so far

size_t Work_write(const void *data, size_t size, FILE *file)
{
    return std::fwrite(data, 1, size, file);
}

// Bytes of a write of `size` that reached the file at `path`, which held
// `before` bytes, from the file's size; `reported` when the size cannot be
// read.
size_t Bytes_reached(const char *path, uint64_t before, size_t size, size_t reported)
{
    std::error_code error;
    uintmax_t bytes = std::filesystem::file_size(path, error);
    if (error)
        return reported;
    uint64_t reached = bytes > before ? bytes - before : 0;
    return reached < size ? static_cast<size_t>(reached) : size;
}

// Count records under their batches.
void Images_count(const uint8_t *images, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        int32_t batch = static_cast<int32_t>(Get4(images + i * STEP_RECORD_SIZE));
        assert(batch >= 1 && batch <= BATCH_MAX);
        work_file.batch_step_count[batch - 1]++;
    }
}

// Write `size` bytes to `file` at `path`, which holds `before` bytes.
// Returns 0, or the message number of the failure with the bytes that did
// reach the file in *done.
int Bytes_write(FILE *file, const char *path, uint64_t before, const uint8_t *bytes, size_t size,
                size_t *done)
{
    WorkWriteFn write = core_tuning.work_write ? core_tuning.work_write : Work_write;
    int error = 0;
    *done = 0;
    // A failed write is tried once more with what is left: under Wine a
    // write that fills the device part-way fails with EINVAL (what reached
    // the file is then told by its size), and only the next one reports
    // ENOSPC, as Windows and Linux report at once.
    for (int attempt = 0; attempt < 2 && *done < size; attempt++) {
        errno = 0;
        size_t written = write(bytes + *done, size - *done, file);
        if (written == size - *done && core_tuning.work_write == nullptr && std::fflush(file) != 0)
            written = 0;
        error = errno;
        if (written == size - *done) {
            *done = size;
            break;
        }
        *done = Bytes_reached(path, before, size, *done + written);
        if (error == ENOSPC)
            break;
        File_seek(file, 0, SEEK_END);
    }
    if (*done == size)
        return 0;
    return error == ENOSPC ? MSG_WORK_FULL : MSG_WORK_WRITE;
}

// Write `count` records (their 40-byte images), whose batches are also
// given in runs when `runs` is not nullptr.  Returns 0, or the message
// number of the failure after counting the records that did reach the file.
int Images_flush(const uint8_t *images, size_t count, const BatchRun *runs = nullptr,
                 size_t run_count = 0)
{
    if (count == 0)
        return 0;
    size_t done = 0;
    int failure = Bytes_write(work_stream, work_file_path, records_in_file * STEP_RECORD_SIZE,
                              images, count * STEP_RECORD_SIZE, &done);
    size_t complete = done / STEP_RECORD_SIZE;
    if (runs && complete == count) {
        for (size_t i = 0; i < run_count; i++) {
            assert(runs[i].batch >= 1 && runs[i].batch <= BATCH_MAX);
            work_file.batch_step_count[runs[i].batch - 1] += runs[i].count;
        }
    } else {
        Images_count(images, complete);
    }
    records_in_file += complete;
    return failure;
}

// Write the buffered records.
int Work_flush()
{
    int failure = Images_flush(write_buffer, write_pending);
    write_pending = 0;
    return failure;
}

int Record_write(const StepRecord *record)
{
    Step_encode(record, write_buffer + write_pending * STEP_RECORD_SIZE);
    write_pending++;
    if (write_pending == WRITE_BUFFER_RECORDS)
        return Work_flush();
    return 0;
}

// The size of the picture file that Picture_convert_file converts, else 0.
uint64_t input_file_bytes;

// The size of the file behind `stream` in bytes, 0 when it has none (a pipe).
uint64_t Input_size(FILE *stream)
{
    if (input_file_bytes != 0)
        return input_file_bytes;
    const int64_t at = File_tell(stream);
    if (at < 0 || File_seek(stream, 0, SEEK_END) != 0)
        return 0;
    const int64_t size = File_tell(stream);
    File_seek(stream, at, SEEK_SET);
    return size > 0 ? static_cast<uint64_t>(size) : 0;
}

} // namespace

void Work_path(char *out, size_t out_size)
{
    // The temporary folder is asked for at each use: it is the user's, and
    // the system may name another one while the program runs.  Without one
    // the text stands as it is, and the work file cannot be made there.
    if (Work_dir_resolve(settings.work_dir, out, out_size) != 0)
        Text_copy(out, out_size, settings.work_dir);
    size_t n = std::strlen(out);
    Text_copy(out + n, out_size - n, WORK_FILE_NAME);
}

namespace {

// The input after the geometry section is read in large blocks through
// this buffer (a read per line costs far more than the line's conversion).
enum { INPUT_BLOCK_SIZE = 1 << 18 };
char input_block[INPUT_BLOCK_SIZE];

// The conversion's run, owned by Picture_convert_stream (process-wide for
// its size: the chunk of records takes 90 KB).
ConvertRun convert_run;

// A line read and reported all the same (its kind Line_problem_kept).
void Remark_add(ConvertRun *run, int problem, uint64_t line_number)
{
    ProblemLines &p = run->stats.problems[problem];
    if (p.lines++ == 0)
        p.first_line = line_number;
}

// A piece of nothing but blanks.
bool Blank_line_piece(const LineSource *source)
{
    StepLineState state = {0, 1.0f};
    StepLine line;
    Step_parse(source->line, source->length, &state, &line);
    return line.record.kind == KIND_BLANK;
}

// Why the line in source->line, where the header line belongs, refuses
// the conversion; PROBLEM_NONE when it is a header line (its values are
// stored).
int Header_take(ConvertRun *run, const LineSource *source)
{
    double bounds[6];
    float scale;
    int remark = PROBLEM_NONE;
    int problem = Header_parse(source->line, source->length, bounds, &scale, &remark);
    if (problem != PROBLEM_NONE) {
        // A step line in its place: neither a header nor a batch line.
        StepLineState state = {0, 1.0f};
        StepLine line;
        Step_parse(source->line, source->length, &state, &line);
        int kind = line.record.kind;
        if (kind == KIND_SEPARATOR || (kind >= KIND_PHOTON && kind <= KIND_POSITRON))
            problem = PROBLEM_NO_HEADER;
        return problem;
    }
    work_file.x_min = bounds[0];
    work_file.x_max = bounds[1];
    work_file.y_min = bounds[2];
    work_file.y_max = bounds[3];
    work_file.z_min = bounds[4];
    work_file.z_max = bounds[5];
    work_file.coord_scale = scale;
    if (remark != PROBLEM_NONE)
        Remark_add(run, remark, source->line_number);
    return PROBLEM_NONE;
}

// A line that may follow a geometry section: a header line, a batch line in
// its place, or the first line of a block.
bool Section_follows(const char *line)
{
    size_t n = std::strlen(line);
    double bounds[6];
    float scale;
    return Header_parse(line, n, bounds, &scale) == PROBLEM_NONE || Batch_line_alone(line, n) ||
           Block_start(line);
}

// Read the geometry section and the blocks and header line after it.
// Returns 0 after a header line, 1 when the file has none (the first batch
// line is then in source->line), or -1 with the message number of the
// failure in *failure.
int Convert_prelude(ConvertRun *run, FILE *input, LineSource *source, int *failure)
{
    *failure = MSG_INPUT_READ;
    char closing[GEOMETRY_LINE_SIZE];
    GeometryReport *geometry = &run->stats.geometry;
    if (Geometry_read(input, geometry, closing, sizeof closing) != 0)
        return -1;
    Line_source_stream(source, input, input_block, sizeof input_block,
                       static_cast<uint64_t>(geometry->lines));
    // A section without its closing line: the line read in its place is
    // the header line (or what else follows a section), and is read again
    // as such.  Without a word the picture would be read as having no
    // header, at the wrong scale.
    if (geometry->closing_not_gend && Section_follows(closing)) {
        Line_source_put_back(source, closing, std::strlen(closing));
        Remark_add(run, PROBLEM_NO_GEND, static_cast<uint64_t>(geometry->lines));
    }
    // Blocks that the viewer does not draw, and blank lines, may stand
    // before the header line.
    int got;
    while ((got = Line_source_next(source)) == 0) {
        bool block = Convert_block_line(run, source);
        if (!block && !Blank_line_piece(source))
            break;
        Line_source_skip_rest(source);
        if (!block)
            run->stats.blank_lines++;
    }
    // A file that ends with its geometry section holds no picture.  Said as
    // the read error it is, for the user's sake: ending in silence, the
    // window would simply stay as it was, with no word why.
    if (got != 0) {
        run->stats.nothing_after_geometry = run->block_letter == 0 ? 1 : 0;
        return -1;
    }
    // Without a header line the first batch line stands in its place; the
    // scene bounds are then those of the steps and the geometry, and the
    // encoded coordinates of step lines (short and long) are taken at scale 1.
    if (Batch_line_alone(source->line, source->length)) {
        run->stats.header_missing = 1;
        work_file.coord_scale = 1.0f;
        return 1;
    }
    int problem = Header_take(run, source);
    if (problem != PROBLEM_NONE) {
        run->stats.header_line = source->line_number;
        run->stats.header_problem = problem;
        return -1;
    }
    if (!Line_source_skip_rest(source) && run->stats.problems[PROBLEM_HEADER_TEXT].lines == 0)
        Remark_add(run, PROBLEM_HEADER_TEXT, source->line_number);
    return 0;
}

// While the step copy is being made and the window asked for it
// (core_tuning.write_behind), the records are not written during the conversion:
// the work file is written from the copy afterwards, on another thread,
// while the first picture is drawn from the copy.  Should the copy stop on
// the way (a record it cannot keep), the records it holds are written at
// once, and the rest as they come.
bool deferring;

// The first `count` records of the copy written to `file` (`path`, for
// the messages) after the *in_file records it holds, which count up as
// they are written, through the caller's buffers of WRITE_BUFFER_RECORDS
// records.  0 or the message number of a failed write.
int Copy_write(FILE *file, const char *path, uint64_t count, StepRecord *records, uint8_t *images,
               uint64_t *in_file)
{
    int failure = 0;
    for (uint64_t first = 0; first < count && failure == 0;) {
        size_t want = count - first < WRITE_BUFFER_RECORDS ? static_cast<size_t>(count - first)
                                                           : size_t{WRITE_BUFFER_RECORDS};
        size_t n = Step_copy_read_exact(first, records, want);
        for (size_t i = 0; i < n; i++)
            Step_encode(&records[i], images + i * STEP_RECORD_SIZE);
        size_t done = 0;
        failure = Bytes_write(file, path, *in_file * STEP_RECORD_SIZE, images, n * STEP_RECORD_SIZE,
                              &done);
        *in_file += done / STEP_RECORD_SIZE;
        first += n;
    }
    return failure;
}

// Write the records the copy holds below `held` to the work file, in place
// of those the conversion did not write, and drop the copy; the records
// are counted under their batches already.  0 or the message number of a
// failed write.
int Catch_up(uint64_t held)
{
    deferring = false;
    static StepRecord records[WRITE_BUFFER_RECORDS];
    const int failure =
        Copy_write(work_stream, work_file_path, held, records, write_buffer, &records_in_file);
    Step_copy_drop();
    return failure;
}

// Create the work file at `work_path` (none: nothing is written).  Returns
// 0, or -1 when it cannot be created.
int Work_open(const char *work_path)
{
    if (work_stream) // left open by a first pass that wrote nothing yet
        std::fclose(work_stream);
    work_stream = nullptr;
    deferring = false;
    work_file_path = work_path;
    records_in_file = 0;
    write_pending = 0;
    std::memset(work_file.batch_step_count, 0, sizeof work_file.batch_step_count);
    if (!work_path)
        return 0;
    work_file.generation++;
    std::remove(work_path);
    work_stream = std::fopen(work_path, "w+b");
    if (!work_stream) {
        work_failure_error = errno;
        Text_copy(work_failure_path, sizeof work_failure_path, work_path);
        return -1;
    }
    work_failure_path[0] = '\0';
    // The program buffers the records itself.
    std::setvbuf(work_stream, nullptr, _IONBF, 0);
    return 0;
}

// Records in the order of the file to the work file and the step copy, or
// only counted when there is no work file.  Returns 0 or the message number
// of a failed write.
int Records_write(const StepRecord *records, const StepCode *codes, size_t count)
{
    int failure = 0;
    for (size_t i = 0; i < count && failure == 0; i++) {
        const StepRecord *r = &records[i];
        assert(r->batch >= 1 && r->batch <= BATCH_MAX);
        if (work_stream && deferring) {
            uint64_t held = Step_copy_held();
            Step_copy_add(r, &codes[i]);
            if (Step_copy_filling()) {
                work_file.batch_step_count[r->batch - 1]++;
                continue;
            }
            failure = Catch_up(held);
            if (failure == 0)
                failure = Record_write(r);
        } else if (work_stream) {
            failure = Record_write(r);
            Step_copy_add(r, &codes[i]);
            if (!Step_copy_filling() && Step_copy_held() != 0)
                Step_copy_drop(); // a copy stopped on the way
        } else {
            work_file.batch_step_count[r->batch - 1]++;
        }
    }
    return failure;
}

// Records that a thread of the parallel conversion encoded, in the order of
// the file (see ConvertWriter).
int Images_write(const uint8_t *work, const BatchRun *runs, size_t run_count, const uint8_t *copy,
                 size_t count, int32_t copy_form)
{
    if (!work_stream) {
        for (size_t i = 0; i < run_count; i++)
            work_file.batch_step_count[runs[i].batch - 1] += runs[i].count;
        return 0;
    }
    if (deferring) {
        uint64_t held = Step_copy_held();
        if (copy)
            Step_copy_append(copy, count, copy_form);
        if ((copy || count == 0) && Step_copy_filling()) {
            for (size_t i = 0; i < run_count; i++)
                work_file.batch_step_count[runs[i].batch - 1] += runs[i].count;
            return 0;
        }
        int failure = Catch_up(held);
        return failure == 0 ? Images_flush(work, count, runs, run_count) : failure;
    }
    int failure = Work_flush();
    if (failure == 0)
        failure = Images_flush(work, count, runs, run_count);
    if (failure == 0 && copy)
        Step_copy_append(copy, count, copy_form);
    else if (failure == 0 && count > 0)
        Step_copy_drop();
    if (!Step_copy_filling() && Step_copy_held() != 0)
        Step_copy_drop(); // a copy stopped on the way
    return failure;
}

// The records of the run's chunk to the work file and the step copy, or
// only counted when there is no work file; the chunk is emptied.  Returns
// 0 or the message number of a failed write.
int Chunk_write(ConvertRun *run)
{
    int failure = Records_write(run->records, run->codes, run->record_count);
    run->record_count = 0;
    return failure;
}

// Convert every step line of the source, on several threads when the file
// is large (Convert_parallel), else on this one.  Returns 0 or the message
// number of a failed write.
int Convert_steps(ConvertRun *run, FILE *input, LineSource *source)
{
    uint64_t input_size = Input_size(input);
    int threads = Work_threads();
    int more = 1;
    int failure = 0;
    if (threads > 1 && input_size >= core_tuning.text_block) {
        const ConvertWriter writer = {Records_write, Images_write};
        failure = Convert_parallel(run, input, input_size, source, input_block, sizeof input_block,
                                   threads, &writer);
        more = failure == CONVERT_PARALLEL_REST ? 1 : 0;
        if (more)
            failure = 0;
    }
    uint64_t progress_lines = 0;
    while (more != 0 && failure == 0) {
        more = Convert_lines(run, source);
        failure = Chunk_write(run);
        if (progress_hook && run->stats.lines / PROGRESS_EVERY != progress_lines) {
            progress_lines = run->stats.lines / PROGRESS_EVERY;
            progress_hook("converting", static_cast<uint64_t>(File_tell(input)), input_size);
        }
    }
    Convert_run_end(run);
    if (failure == 0 && work_stream)
        failure = Work_flush();
    if (work_stream && deferring && failure == 0)
        return 0; // written from the copy after the conversion
    if (work_stream) {
        deferring = false;
        if (std::fclose(work_stream) != 0 && failure == 0)
            failure = errno == ENOSPC ? MSG_WORK_FULL : MSG_WORK_WRITE;
        work_stream = nullptr;
    }
    return failure;
}

// One pass over the file: the work file written (or the records counted).
// Returns 0, or the message number of the failure.  `far_exponent`: see
// ConvertRun.  *read_error: the stream failed among the step lines.
int Convert_pass(ConvertRun *run, FILE *input, const char *work_path, int flags,
                 int32_t far_exponent, bool *read_error)
{
    Step_copy_drop();
    Convert_run_begin(run, 1.0f, false);
    run->calc = (flags & CONVERT_CALC) != 0;
    run->far_exponent = far_exponent;
    LineSource source;
    int failure = 0;
    int prelude = Convert_prelude(run, input, &source, &failure);
    if (prelude < 0)
        return failure;
    run->state.coord_scale = work_file.coord_scale;
    run->header_missing = prelude == 1;
    if (run->header_missing)
        Scene_box_add_geometry(&run->box);
    if (Work_open(work_path) != 0)
        return MSG_WORK_PATH;
    if (work_stream)
        Step_copy_begin(work_file.coord_scale, Input_size(input));
    deferring = work_stream && core_tuning.write_behind && Step_copy_filling();
    // Without a header the first batch line is in the source already.
    if (run->header_missing)
        Convert_line(run, &source);
    failure = Convert_steps(run, input, &source);
    *read_error = source.read_error;
    if (failure != 0)
        Step_copy_drop();
    else if (work_path && !deferring)
        Step_copy_finish(work_path);
    return failure;
}

// After the step lines: the batches, the scene bounds of a picture without
// a header.
void Convert_finish(const ConvertRun *run)
{
    // With the batches out of order the last batch line need not be the
    // highest batch; the full range then still covers every batch.
    work_file.batch_count =
        static_cast<uint32_t>(run->unordered ? run->top_batch : run->last_batch);
    work_file.batches_unordered = run->unordered ? 1 : 0;
    if (run->header_missing) {
        // An axis without any value gives 0..0.
        double *out[6] = {&work_file.x_min, &work_file.x_max, &work_file.y_min,
                          &work_file.y_max, &work_file.z_min, &work_file.z_max};
        for (int a = 0; a < 3; a++) {
            bool any = run->box.low[a] <= run->box.high[a];
            *out[2 * a] = any ? run->box.low[a] : 0.0;
            *out[2 * a + 1] = any ? run->box.high[a] : 0.0;
        }
    }
    display.view_dirty = 1;
}

// Lines that could not be read are left out, and the user is told once,
// after the conversion, how many, which was the first and why; lines read
// with a remark likewise, in the same box.
void Left_out_report(WindowRef window, const ConvertStats *s)
{
    int problem;
    uint64_t first;
    char text[768];
    size_t n = 0;
    uint64_t lines = Lines_left_out(s, &problem, &first);
    if (lines != 0)
        n += static_cast<size_t>(
            std::snprintf(text, sizeof text,
                          lines == 1 ? "%llu line of the picture file was left out.\nLine %llu: %s."
                                     : "%llu lines of the picture file were left out.\n"
                                       "The first, line %llu: %s.",
                          static_cast<unsigned long long>(lines),
                          static_cast<unsigned long long>(first), Line_problem_text(problem)));
    uint64_t remarked = Lines_remarked(s, &problem, &first);
    if (remarked != 0 && n < sizeof text)
        n += static_cast<size_t>(std::snprintf(
            text + n, sizeof text - n,
            remarked == 1 ? "%s%llu line of the picture file was read with a remark.\n"
                            "Line %llu: %s."
                          : "%s%llu lines of the picture file were read with a remark.\n"
                            "The first, line %llu: %s.",
            n ? "\n" : "", static_cast<unsigned long long>(remarked),
            static_cast<unsigned long long>(first), Line_problem_text(problem)));
    if (s->far_kept && n < sizeof text)
        n += static_cast<size_t>(
            std::snprintf(text + n, sizeof text - n,
                          "%sThe picture has no header line and its file cannot be read twice "
                          "(a pipe): steps far outside the rest were not left out, and the "
                          "rest may be drawn small.",
                          n ? "\n" : ""));
    if (n == 0)
        return;
    Message_show(window, text, MESSAGE_CAPTION_WARNING, MESSAGE_ICON_INFORMATION,
                 MESSAGE_LINES_LEFT_OUT);
}

// A stream that cannot be positioned (a pipe, a FIFO) copied into a
// temporary file, which the conversion can read twice (a picture without a
// header line whose steps have a coordinate far outside the rest); the
// system removes the file when it is closed, or when the program ends in
// any way.  nullptr when the stream can be positioned, or no temporary file
// can be made (*failed: the stream was read part-way, and failed).  On
// Windows the C library makes the file in the root folder of the drive,
// which a user without rights there cannot write: the stream is then read
// once, and a picture that needed a second pass says so (far_kept).
FILE *Spool(FILE *input, bool *failed)
{
    *failed = false;
    if (File_seek(input, 0, SEEK_CUR) == 0)
        return nullptr;
    FILE *spool = std::tmpfile();
    if (!spool)
        return nullptr;
    size_t got;
    while ((got = std::fread(input_block, 1, sizeof input_block, input)) > 0)
        if (std::fwrite(input_block, 1, got, spool) != got)
            break;
    if (std::ferror(input) || std::ferror(spool) || std::fflush(spool) != 0 ||
        File_seek(spool, 0, SEEK_SET) != 0) {
        std::fclose(spool);
        *failed = true;
        return nullptr;
    }
    return spool;
}

// The work file written from the step copy behind the conversion: the
// thread, the path, and what it found.
struct BehindWriter {
    std::thread thread;
    std::atomic<bool> done{false};
    bool pending = false; // started and not yet waited for
    int failure = 0;
    char path[WORK_PATH_SIZE] = "";
    ~BehindWriter()
    {
        if (thread.joinable())
            thread.join();
    }
};
BehindWriter behind;

// On the writing thread: the `total` records of the copy in order to
// `file`, which is then closed.
void Behind_run(FILE *file, uint64_t total)
{
    static StepRecord records[WRITE_BUFFER_RECORDS];
    static uint8_t images[WRITE_BUFFER_RECORDS * STEP_RECORD_SIZE];
    uint64_t written = 0;
    int failure = Copy_write(file, behind.path, total, records, images, &written);
    if (std::fclose(file) != 0 && failure == 0)
        failure = errno == ENOSPC ? MSG_WORK_FULL : MSG_WORK_WRITE;
    if (failure == 0 && Step_copy_written() != 0)
        failure = MSG_WORK_WRITE;
    behind.failure = failure;
    behind.done.store(true, std::memory_order_release);
    if (work_written_hook)
        work_written_hook();
}

// The conversion is complete and the copy holds every record: the work
// file, open and empty, is written from it on another thread (on this one
// when no thread can be had).
void Behind_start(const char *work_path)
{
    Text_copy(behind.path, sizeof behind.path, work_path);
    FILE *file = work_stream;
    work_stream = nullptr;
    deferring = false;
    const uint64_t total = Step_copy_held();
    Step_copy_finish_behind(behind.path);
    behind.failure = 0;
    behind.done.store(false);
    behind.pending = true;
    try {
        behind.thread = std::thread(Behind_run, file, total);
    } catch (const std::system_error &) {
        Behind_run(file, total);
    }
}

} // namespace

bool Work_writing()
{
    return behind.pending && !behind.done.load(std::memory_order_acquire);
}

int Work_write_wait(WindowRef window)
{
    if (!behind.pending)
        return 0;
    if (behind.thread.joinable())
        behind.thread.join();
    behind.pending = false;
    if (behind.failure == 0)
        return 0;
    // The picture drawn from the copy stands for no work file: nothing is
    // left to draw (the counts hold no record), as after a conversion
    // whose write failed.
    Step_copy_drop();
    std::memset(work_file.batch_step_count, 0, sizeof work_file.batch_step_count);
    work_file.batch_count = 0;
    work_file.batches_unordered = 0;
    work_file.generation++; // what was read of it before stands for nothing
    convert_failure = behind.failure;
    display.view_dirty = 1;
    Show_error(window, behind.failure);
    return -1;
}

int Picture_convert(WindowRef window, int source)
{
    char work[WORK_PATH_SIZE];
    Work_path(work, sizeof work);
    if (source == 1)
        return Picture_convert_file(window, display.calc_output_path, work, CONVERT_CALC);
    return Picture_convert_file(window, display.picture_path, work);
}

int Picture_convert_file(WindowRef window, const char *input_path, const char *work_path, int flags)
{
    Work_write_wait(window);
    // The counts stay with the work file until Work_open replaces it: a
    // conversion that fails before leaves both as they were.
    Step_copy_drop();
    // Binary: the line source gives the bytes the conventions of text.
    FILE *input = std::fopen(input_path, "rb");
    if (!input) {
        std::memset(&work_file.stats, 0, sizeof work_file.stats);
        convert_failure = MSG_INPUT_OPEN;
        Show_error(window, MSG_INPUT_OPEN);
        return -1;
    }
    std::error_code error;
    uintmax_t bytes = std::filesystem::file_size(input_path, error);
    input_file_bytes = error ? 0 : bytes;
    int result = Picture_convert_stream(window, input, work_path, flags);
    input_file_bytes = 0;
    std::fclose(input);
    return result;
}

int Picture_convert_stream(WindowRef window, FILE *input, const char *work_path, int flags)
{
    ConvertRun *run = &convert_run;
    bool read_error = false;
    bool spool_failed = false;
    FILE *spool = Spool(input, &spool_failed);
    if (spool)
        input = spool;
    Work_write_wait(window);
    int failure = spool_failed ? MSG_INPUT_READ
                               : Convert_pass(run, input, work_path, flags, FAR_NONE, &read_error);
    // A picture without a header line whose steps have a coordinate far
    // outside the rest is read again without those steps, before its
    // bounds are taken: one such coordinate would shrink the rest of the
    // picture to a dot.
    int32_t far = failure == 0 && run->header_missing ? Far_exponent(run) : FAR_NONE;
    if (far != FAR_NONE && File_seek(input, 0, SEEK_SET) == 0) {
        std::clearerr(input);
        failure = Convert_pass(run, input, work_path, flags, far, &read_error);
    } else if (far != FAR_NONE) {
        run->stats.far_kept = 1;
    }
    if (spool)
        std::fclose(spool);
    if (failure == 0 && deferring) {
        Behind_start(work_path);
    } else if (work_stream) {
        std::fclose(work_stream);
        work_stream = nullptr;
    }
    deferring = false;
    work_file.stats = run->stats;
    if (spool_failed)
        std::memset(&work_file.stats, 0, sizeof work_file.stats);
    convert_failure = failure;
    if (failure != 0) {
        Show_error(window, failure);
        return -1;
    }
    Convert_finish(run);
    if (read_error)
        Show_error(window, MSG_INPUT_READ);
    Left_out_report(window, &work_file.stats);
    return 0;
}

namespace {

// What the reader found where a conversion failed on reading the file.
void Read_failure_detail(const ConvertStats &s, char *out, size_t size)
{
    const char *name = display.picture_path[0] != '\0' ? display.picture_path : "The file";
    if (s.geometry.problem && s.geometry.lines == 0)
        std::snprintf(out, size, "%s is empty.", name);
    else if (s.geometry.problem)
        std::snprintf(
            out, size,
            "%s is not a picture file that can be read.\nLine %d, in the geometry section: %s.",
            name, static_cast<int>(s.geometry.lines), s.geometry.problem);
    else if (s.header_problem != PROBLEM_NONE)
        std::snprintf(out, size,
                      "%s is not a picture file that can be read.\nLine %llu, the header line: %s.",
                      name, static_cast<unsigned long long>(s.header_line),
                      Line_problem_text(s.header_problem));
    else if (s.nothing_after_geometry)
        std::snprintf(out, size, "%s holds no steps: nothing follows its geometry section.", name);
    else
        out[0] = '\0';
}

// Length of a text without its trailing blanks.
size_t Trimmed_length(const char *text)
{
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ')
        n--;
    return n;
}

// Whether `text` is numbered message `number` (padding blanks aside).
bool Is_message(const char *text, int number)
{
    const char *slot = Message_text(number);
    size_t n = Trimmed_length(text);
    return n == Trimmed_length(slot) && std::strncmp(text, slot, n) == 0;
}

} // namespace

int Message_detail(const char *text, char *out, size_t size)
{
    char detail[PATH_SIZE + 256];
    detail[0] = '\0';
    if (Is_message(text, MSG_WORK_PATH) && work_failure_path[0] != '\0')
        std::snprintf(detail, sizeof detail,
                      "The work file cannot be created:\n%s\n(%s)\n\n"
                      "The work directory is set in Environment.",
                      work_failure_path, std::strerror(work_failure_error));
    else if (Is_message(text, MSG_INPUT_READ) && convert_failure == MSG_INPUT_READ)
        Read_failure_detail(work_file.stats, detail, sizeof detail);
    if (detail[0] == '\0')
        return 0;
    // The table's text without its padding blanks, then the detail.
    std::snprintf(out, size, "%.*s\n\n%s", static_cast<int>(Trimmed_length(text)), text, detail);
    return 1;
}
