#include "picture/convert_parallel.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "picture/message.h"
#include "picture/platform.h"
#include "picture/progress.h"
#include "picture/step_copy.h"
#include "picture/work_threads.h"

namespace {

// How far a range's start may move to meet a batch line.  Ranges begin
// after a LF: a line begins there whatever the line ends of the file (a CR
// before it belongs to the same range).
const size_t BATCH_LINE_REACH = size_t{256} << 10;

// What every run of a conversion starts with, and whether the records are
// encoded for the step copy too (at its coordinate scale).
struct RunStart {
    float coord_scale;
    bool header_missing;
    bool calc;
    int32_t far_exponent;
    bool copy;
    float copy_scale;
};

void Run_begin(const RunStart *start, ConvertRun *run)
{
    Convert_run_begin(run, start->coord_scale, start->header_missing);
    run->calc = start->calc;
    run->far_exponent = start->far_exponent;
}

// Bytes that grow without being cleared first.
struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t capacity = 0;

    // Room for `size` bytes, those below `keep` kept.
    uint8_t *Room(size_t size, size_t keep)
    {
        if (size > capacity) {
            size_t grown = capacity * 2 > size ? capacity * 2 : size;
            std::unique_ptr<uint8_t[]> more(new uint8_t[grown]);
            if (keep > 0)
                std::memcpy(more.get(), data.get(), keep);
            data = std::move(more);
            capacity = grown;
        }
        return data.get();
    }
};

// The batch that a range's lines before its first batch line are read in:
// a place holder for the batch in force where the range begins, put in
// when the runs are joined.
const int32_t SPECULATIVE_BATCH = 1;

// One range of lines and what its thread made of it.
struct Range {
    const char *begin; // the range: begin starts a line
    const char *end;
    bool read;                       // read by its thread (false: memory was short)
    std::unique_ptr<ConvertRun> run; // the range's run
    uint64_t lines;                  // lines of the range
    uint64_t prefix_steps;           // step and separator lines before its first batch line,
    size_t prefix_records;           // the records among them
    int32_t first_after;             // batch of the first record after it (0: none)
    size_t record_count;             // its records, in order, encoded: work-file images,
    Bytes work;                      // and the step copy's, whose steps
    Bytes copy;                      // have the form copy_form; copy_kept
    int32_t copy_form;               // false when they cannot be kept
    bool copy_kept;
    std::vector<BatchRun> batches; // of the records, run by run (batch 0:
                                   // those before the first batch line)
};

// A block of text and its ranges.
struct Slot {
    char *text;
    size_t text_size; // room
    size_t size;      // bytes of whole lines (the last may end the text)
    size_t filled;    // bytes in text: size, then a line begun
    uint64_t offset;  // of text[0], counted from where the stream was
    bool last;        // the text ends with this block
    RunStart start;
    int range_count;
    Range ranges[WORK_THREADS_MAX];
};

// The records of the run's chunk encoded at the end of the range's.
void Chunk_encode(const RunStart *start, const ConvertRun *run, Range *r)
{
    const size_t n = run->record_count;
    if (n == 0)
        return;
    size_t at = r->record_count;
    r->record_count += n;
    uint8_t *work = r->work.Room(r->record_count * STEP_RECORD_SIZE, at * STEP_RECORD_SIZE);
    for (size_t i = 0; i < n; i++) {
        const StepRecord &record = run->records[i];
        Step_encode(&record, work + (at + i) * STEP_RECORD_SIZE);
        bool prefix = at + i < r->prefix_records;
        if (!prefix && r->first_after == 0)
            r->first_after = record.batch;
        int32_t batch = prefix ? 0 : record.batch;
        if (r->batches.empty() || r->batches.back().batch != batch)
            r->batches.push_back(BatchRun{batch, 0});
        r->batches.back().count++;
    }
    if (!r->copy_kept)
        return;
    uint8_t *copy =
        r->copy.Room(r->record_count * STEP_COPY_RECORD_SIZE, at * STEP_COPY_RECORD_SIZE);
    for (size_t i = 0; i < n && r->copy_kept; i++)
        r->copy_kept =
            Step_copy_encode(&run->records[i], &run->codes[i], start->copy_scale, &r->copy_form,
                             copy + (at + i) * STEP_COPY_RECORD_SIZE) == 0;
}

// The thread's work: the range read in a run of its own, as if a batch line
// came just before it (of SPECULATIVE_BATCH) and no block were open there.
// The join tells whether the range may be taken so (see Slot_merge); memory
// short: it is read again after its turn.
void Range_read(const RunStart *start, Range *r)
{
    r->read = false;
    r->record_count = 0;
    r->prefix_steps = 0;
    r->prefix_records = 0;
    r->first_after = 0;
    r->copy_form = STEP_FORM_NONE;
    r->copy_kept = start->copy;
    try {
        r->batches.clear();
        LineSource source;
        Line_source_text(&source, r->begin, static_cast<size_t>(r->end - r->begin), 0);
        ConvertRun &run = *r->run;
        Run_begin(start, &run);
        run.batch_seen = true;
        run.state.batch = SPECULATIVE_BATCH;
        // The lines before the first batch line one by one, counting the
        // steps among them.
        int more = 1;
        while (run.stats.batch_lines == 0) {
            if (Line_source_next(&source) != 0) {
                more = 0;
                break;
            }
            const uint64_t records = run.stats.records;
            const uint64_t far = run.stats.problems[PROBLEM_FAR_OUT].lines;
            Convert_line(&run, &source);
            if (run.stats.batch_lines == 0) {
                r->prefix_records += static_cast<size_t>(run.stats.records - records);
                r->prefix_steps +=
                    run.stats.records - records + run.stats.problems[PROBLEM_FAR_OUT].lines - far;
            }
            if (run.record_count == CONVERT_CHUNK_RECORDS) {
                Chunk_encode(start, &run, r);
                run.record_count = 0;
            }
        }
        while (more != 0) {
            more = Convert_lines(&run, &source);
            Chunk_encode(start, &run, r);
            run.record_count = 0;
        }
        Chunk_encode(start, &run, r);
        run.record_count = 0;
        r->lines = source.line_number;
        r->read = true;
    } catch (...) {
        r->read = false;
    }
}

// Read bytes begin .. end - 1 on this thread into `run` with the state it
// has, writing the records; *lines: lines before them, then with them.
// Returns 0 or the message number of a failed write.
int Lines_read(ConvertRun *run, const char *begin, const char *end, uint64_t *lines,
               int (*write)(const StepRecord *, const StepCode *, size_t))
{
    LineSource source;
    Line_source_text(&source, begin, static_cast<size_t>(end - begin), *lines);
    int failure = 0;
    for (int more = 1; more != 0 && failure == 0;) {
        more = Convert_lines(run, &source);
        failure = write(run->records, run->codes, run->record_count);
        run->record_count = 0;
    }
    *lines = source.line_number;
    return failure;
}

// Where the text comes from: the bytes the stream source held, then the
// stream, until it ends.
struct Feed {
    FILE *input;
    const char *held;
    const char *held_end;
    bool ended;
};

// Fill the slot: the `carry` bytes (a line begun in the block before), then
// the feed, and cut it after the last line end, unless the text ends there.
// false when a full block holds no line end.
bool Slot_fill(Slot *slot, Feed *feed, const char *carry, size_t carry_size, uint64_t offset)
{
    if (carry_size > 0)
        std::memmove(slot->text, carry, carry_size);
    size_t n = carry_size;
    while (n < slot->text_size && (feed->held < feed->held_end || !feed->ended)) {
        size_t room = slot->text_size - n;
        if (feed->held < feed->held_end) {
            size_t take = static_cast<size_t>(feed->held_end - feed->held);
            take = take < room ? take : room;
            std::memcpy(slot->text + n, feed->held, take);
            feed->held += take;
            n += take;
            continue;
        }
        size_t got = std::fread(slot->text + n, 1, room, feed->input);
        if (got == 0)
            feed->ended = true;
        n += got;
    }
    slot->filled = slot->size = n;
    slot->offset = offset;
    slot->last = feed->held == feed->held_end && feed->ended;
    if (slot->last)
        return true;
    while (slot->size > 0 && slot->text[slot->size - 1] != '\n')
        slot->size--;
    return slot->size > 0;
}

// The start of the first line that begins at or after p (text starts a line).
const char *Line_start(const char *text, const char *p, const char *end)
{
    if (p == text)
        return p;
    const char *line_end = Byte_find(p - 1, static_cast<size_t>(end - (p - 1)), '\n', '\n');
    return line_end ? line_end + 1 : end;
}

// Split the slot's text into `count` ranges of about equal size, each
// beginning a line, at a batch line ("0" in column 1) where one lies near.
void Slot_split(Slot *slot, int count)
{
    const char *text = slot->text;
    const char *end = text + slot->size;
    const char *begin = text;
    slot->range_count = count;
    for (int k = 0; k < count; k++) {
        const char *next = end;
        if (k + 1 < count) {
            const char *nominal =
                text + slot->size * static_cast<size_t>(k + 1) / static_cast<size_t>(count);
            next = Line_start(text, nominal < begin ? begin : nominal, end);
            const char *reach =
                static_cast<size_t>(end - next) > BATCH_LINE_REACH ? next + BATCH_LINE_REACH : end;
            for (const char *line = next; line < reach;) {
                if (*line == '0') {
                    next = line;
                    break;
                }
                const char *line_end =
                    Byte_find(line, static_cast<size_t>(reach - line), '\n', '\n');
                if (!line_end)
                    break;
                line = line_end + 1;
            }
        }
        slot->ranges[k].begin = begin;
        slot->ranges[k].end = next;
        begin = next;
    }
}

// The threads of a conversion, one a range, made once: each reads range k
// of every slot it is handed.  A range whose thread could not be made is
// read on the thread that hands the slot out.
class Readers {
public:
    explicit Readers(int count) : slot(nullptr), handed(0), pending(0), quit(false)
    {
        for (int k = 0; k < count; k++) {
            try {
                threads.emplace_back(&Readers::Work, this, k);
            } catch (...) {
                break;
            }
        }
    }
    Readers(const Readers &) = delete;
    Readers &operator=(const Readers &) = delete;
    ~Readers()
    {
        Wait();
        {
            std::lock_guard<std::mutex> hold(lock);
            quit = true;
        }
        handed_out.notify_all();
        for (std::thread &t : threads)
            t.join();
    }

    // Have the ranges of `s` read.
    void Start(Slot *s)
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            slot = s;
            handed++;
            pending = static_cast<int>(threads.size());
        }
        handed_out.notify_all();
        for (int k = static_cast<int>(threads.size()); k < s->range_count; k++)
            Range_read(&s->start, &s->ranges[k]);
    }

    // Wait until the ranges last handed out are read.
    void Wait()
    {
        std::unique_lock<std::mutex> hold(lock);
        all_read.wait(hold, [this] { return pending == 0; });
    }

private:
    void Work(int k)
    {
        uint64_t seen = 0;
        for (;;) {
            Slot *s;
            {
                std::unique_lock<std::mutex> hold(lock);
                handed_out.wait(hold, [&] { return quit || handed != seen; });
                if (quit)
                    return;
                seen = handed;
                s = slot;
            }
            if (k < s->range_count)
                Range_read(&s->start, &s->ranges[k]);
            std::lock_guard<std::mutex> hold(lock);
            if (--pending == 0)
                all_read.notify_all();
        }
    }

    std::vector<std::thread> threads;
    std::mutex lock;
    std::condition_variable handed_out;
    std::condition_variable all_read;
    Slot *slot;
    uint64_t handed; // slots handed out so far
    int pending;     // threads still reading the last one
    bool quit;
};

// Join the slot's ranges to `run` in order, writing their records.  A range
// is taken as its thread read it when that reading is the one with the
// state the ranges before it leave: no block is open where it begins, and
// when steps lie before its first batch line, a batch line of a batch
// within 1..BATCH_MAX came before (their records get its number); else it is
// read again here, with that state.
int Slot_merge(ConvertRun *run, Slot *slot, uint64_t *lines, const ConvertWriter *writer)
{
    for (int k = 0; k < slot->range_count; k++) {
        Range &r = slot->ranges[k];
        const int32_t batch = run->state.batch;
        bool taken = r.read && run->block_letter == 0 &&
                     (r.prefix_steps == 0 || (run->batch_seen && batch >= 1 && batch <= BATCH_MAX));
        if (!taken) {
            int failure = Lines_read(run, r.begin, r.end, lines, writer->records);
            if (failure != 0)
                return failure;
            continue;
        }
        uint8_t *work = r.work.data.get();
        uint8_t *copy = r.copy_kept ? r.copy.data.get() : nullptr;
        for (size_t i = 0; i < r.prefix_records; i++) {
            Step_encode_batch(work + i * STEP_RECORD_SIZE, batch);
            if (copy)
                Step_copy_set_batch(copy + i * STEP_COPY_RECORD_SIZE, batch);
        }
        if (r.prefix_records > 0)
            r.batches[0].batch = batch;
        int failure = writer->images(work, r.batches.data(), r.batches.size(), copy, r.record_count,
                                     r.copy_form);
        if (failure != 0)
            return failure;
        Convert_run_join(run, r.run.get(), *lines, r.prefix_records > 0, r.first_after);
        *lines += r.lines;
    }
    return 0;
}

// Position the stream `offset` bytes after `start` (before it when
// negative).
bool Seek(FILE *input, const fpos_t *start, int64_t offset)
{
    return std::fsetpos(input, start) == 0 && File_seek(input, offset, SEEK_CUR) == 0;
}

} // namespace

int Convert_parallel(ConvertRun *run, FILE *input, uint64_t input_size, LineSource *source,
                     char *block, size_t block_size, int threads, const ConvertWriter *writer)
{
    // Offsets are counted from where the stream is now; the bytes the
    // source holds lie before it.
    fpos_t start;
    if (source->line_open || std::fgetpos(input, &start) != 0)
        return CONVERT_PARALLEL_REST;
    const size_t held = static_cast<size_t>(source->end - source->at);
    const size_t text_block = core_tuning.text_block;
    std::unique_ptr<char[]> texts(new (std::nothrow) char[2 * text_block]);
    std::unique_ptr<Slot[]> slots(new (std::nothrow) Slot[2]);
    if (!texts || !slots)
        return CONVERT_PARALLEL_REST;
    for (size_t s = 0; s < 2; s++) {
        slots[s].text = texts.get() + s * text_block;
        slots[s].text_size = text_block;
        slots[s].start = RunStart{run->state.coord_scale, run->header_missing, run->calc,
                                  run->far_exponent,      Step_copy_filling(), Step_copy_scale()};
        for (Range &r : slots[s].ranges) {
            r.run.reset(new (std::nothrow) ConvertRun);
            if (!r.run)
                return CONVERT_PARALLEL_REST;
        }
    }
    Slot *now = &slots[0];
    Slot *next = &slots[1];
    const int64_t position = File_tell(input); // for the progress shown
    uint64_t done_before = position > 0 && static_cast<uint64_t>(position) > held
                               ? static_cast<uint64_t>(position) - held
                               : 0;
    Feed feed = {input, source->at, source->end, source->ended};
    if (!Slot_fill(now, &feed, nullptr, 0, 0))
        return std::fsetpos(input, &start) == 0 ? static_cast<int>(CONVERT_PARALLEL_REST)
                                                : static_cast<int>(MSG_INPUT_READ);
    uint64_t lines = source->line_number;
    Readers readers(threads);
    Slot_split(now, threads);
    readers.Start(now);
    int failure = 0;
    bool whole = true;
    for (;;) {
        bool more = !now->last;
        if (more)
            whole = Slot_fill(next, &feed, now->text + now->size, now->filled - now->size,
                              now->offset + now->size);
        readers.Wait();
        if (more && whole) {
            Slot_split(next, threads);
            readers.Start(next);
        }
        failure = Slot_merge(run, now, &lines, writer);
        if (progress_hook)
            progress_hook("converting", done_before + now->offset + now->size, input_size);
        if (failure != 0 || !more || !whole)
            break;
        Slot *done = now;
        now = next;
        next = done;
    }
    readers.Wait();
    source->read_error = std::ferror(input) != 0;
    if (failure != 0 || whole)
        return failure;
    // A block without a line end: the rest on one thread, from its start.
    if (!Seek(input, &start, static_cast<int64_t>(next->offset) - static_cast<int64_t>(held)))
        return MSG_INPUT_READ;
    Line_source_stream(source, input, block, block_size, lines);
    return CONVERT_PARALLEL_REST;
}
