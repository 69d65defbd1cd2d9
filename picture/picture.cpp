#include "picture/picture.h"

#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/le_bytes.h"
#include "picture/message.h"
#include "picture/numparse.h"
#include "picture/settings.h"
#include "picture/step_copy.h"

double x_min, x_max, y_min, y_max, z_min, z_max;
float coord_scale;
uint32_t batch_step_count[BATCH_MAX];
uint32_t batch_count;
uint32_t batches_unordered;
StepRecord step_in;
StepCode step_code;
ConvertStats convert_stats;
WorkWriteFn work_write_fn;
ProgressHook progress_hook;

namespace {

// Number from the latest batch line; carries over between conversions.
int32_t current_batch;
// The copy of step_in that the conversion writes.
StepRecord step_out;

const char WORK_FILE_NAME[] = "work.$$$";

const double power_of_ten[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

char line_buffer[PICTURE_LINE_SIZE];
// Number of the line in line_buffer, counted from the first line of the
// file (a line longer than the buffer counts once, with its rest).
uint64_t line_number;
bool line_open;   // the last read ended inside a line
bool line_rest_ignored;   // the rest of the line is not read as a line of its own

// Work-file output: records gather in a buffer and go to the file in large
// writes.  The batch of every buffered record is kept beside it, so that a
// failed write counts exactly the records that reached the file.
enum { WRITE_BUFFER_RECORDS = 1638 };  // about 64 KB
uint8_t write_buffer[WRITE_BUFFER_RECORDS * STEP_RECORD_SIZE];
int32_t write_batch[WRITE_BUFFER_RECORDS];
size_t write_pending;
FILE *work_file;
const char *work_file_path;
uint64_t records_in_file;   // records that reached the work file so far

size_t Work_write(const void *data, size_t size, FILE *file)
{
    return std::fwrite(data, 1, size, file);
}

// Bytes of the current buffer that reached the work file, from the file's
// size; `reported` when the size cannot be read.
size_t Bytes_reached(size_t size, size_t reported)
{
    std::error_code error;
    uintmax_t bytes = std::filesystem::file_size(work_file_path, error);
    if (error)
        return reported;
    uint64_t before = records_in_file * STEP_RECORD_SIZE;
    uint64_t reached = bytes > before ? bytes - before : 0;
    return reached < size ? static_cast<size_t>(reached) : size;
}

// Write the buffered records.  Returns 0, or the message number of the failure
// after counting the records that did reach the file.
int Work_flush()
{
    if (write_pending == 0)
        return 0;
    WorkWriteFn write = work_write_fn ? work_write_fn : Work_write;
    size_t size = write_pending * STEP_RECORD_SIZE;
    size_t done = 0;
    int error = 0;
    // A failed write is tried once more with what is left: under Wine a
    // write that fills the device part-way fails with EINVAL (what reached
    // the file is then told by its size), and only the next one reports
    // ENOSPC, as Windows and Linux report at once.
    for (int attempt = 0; attempt < 2 && done < size; attempt++) {
        errno = 0;
        size_t written = write(write_buffer + done, size - done, work_file);
        if (written == size - done && work_write_fn == nullptr && std::fflush(work_file) != 0)
            written = 0;
        error = errno;
        if (written == size - done) {
            done = size;
            break;
        }
        done = Bytes_reached(size, done + written);
        if (error == ENOSPC)
            break;
        std::fseek(work_file, 0, SEEK_END);
    }
    size_t complete = done / STEP_RECORD_SIZE;
    for (size_t i = 0; i < complete; i++) {
        assert(write_batch[i] >= 1 && write_batch[i] <= BATCH_MAX);
        batch_step_count[write_batch[i] - 1]++;
    }
    records_in_file += complete;
    write_pending = 0;
    if (done == size)
        return 0;
    return error == ENOSPC ? MSG_WORK_FULL : MSG_WORK_WRITE;
}

int Record_write(const StepRecord *record)
{
    Step_encode(record, write_buffer + write_pending * STEP_RECORD_SIZE);
    write_batch[write_pending] = record->batch;
    write_pending++;
    if (write_pending == WRITE_BUFFER_RECORDS)
        return Work_flush();
    return 0;
}

// Type of a line from its first column: a digit gives its value, a minus
// sign -1, anything else 0.
int Line_type(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c == '-' ? -1 : 0;
}

int Digit_value(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : 0;
}

// Set by the decoders below when a field spells an infinity or a NaN, or a
// value leaves the finite range; the line is then unreadable.
bool not_finite;

double Finite_field(const char *text, size_t length)
{
    double value = 0.0;
    if (Real_field(text, length, &value) != 0)
        not_finite = true;
    return value;
}

double Finite(double value)
{
    if (!std::isfinite(value))
        not_finite = true;
    return value;
}

float Energy_decode(const char *mantissa, char exponent_digit)
{
    double m = Finite_field(mantissa, 4);
    int e = Digit_value(exponent_digit) - 3;
    double p = power_of_ten[e < 0 ? -e : e];
    if (e < 0)
        p = 1.0 / p;
    float energy = static_cast<float>(p * m);
    Finite(static_cast<double>(energy));
    return energy;
}

// A coordinate field of a short or long line; its code goes to *code, or
// step_code.layout becomes STEP_CODE_NONE when the field holds no integer.
double Encoded_decode(const char *field, size_t length, int layout, int32_t *code)
{
    double n = Finite_field(field, length);
    *code = n > -2147483648.0 && n < 2147483648.0 ? static_cast<int32_t>(n) : 0;
    if (static_cast<double>(*code) != n)
        step_code.layout = STEP_CODE_NONE;
    return Finite(Encoded_coordinate(n, layout, coord_scale));
}

// A coordinate field of a float line, with its code as Encoded_decode.
double Float_decode(const char *field, int32_t *code)
{
    double value = 0.0;
    RealParts parts;
    if (Real_field(field, 13, &value, &parts) != 0)
        not_finite = true;
    if (parts.exact && parts.digits < (1u << FLOAT_DIGITS_BITS))
        *code = static_cast<int32_t>(parts.digits) |
                ((parts.scale + FLOAT_SCALE_BIAS) << FLOAT_DIGITS_BITS) |
                (parts.negative ? 1 << 30 : 0);
    else
        step_code.layout = STEP_CODE_NONE;
    return value;
}

// Blanks only from column `from` (counted from 0) to the line's end; from
// 0, a line of nothing but blanks.
bool Blank_from(size_t from)
{
    for (size_t i = from; i < sizeof line_buffer; i++) {
        char c = line_buffer[i];
        if (c == '\0' || c == '\n')
            return true;
        if (c != ' ' && c != '\t' && c != '\r')
            return false;
    }
    return true;
}

// A batch line standing where the header line belongs: "0" and the batch
// number in columns 2-6, nothing after column 6.  A header line always goes
// on beyond column 6 (its first field alone takes ten columns, and six more
// follow).
bool Batch_line_alone()
{
    return line_buffer[0] == '0' && Blank_from(6);
}

// The first line of a block that the viewer does not draw: a capital letter
// followed by "STA" (MSTA, the material numbers of the regions, and any
// other of that form); the block ends with the line that begins with the
// same letter followed by "END".
bool Block_start()
{
    const char *l = line_buffer;
    return l[0] >= 'A' && l[0] <= 'Z' && l[1] == 'S' && l[2] == 'T' && l[3] == 'A';
}

// The float step line: types 4 to 6 with x, y, z in centimetres in columns
// 2-14, 15-27, 28-40 as reals in exponent form, the kinetic energy in MeV in
// columns 41-50, a region number in 51-54 and a weight in 55-64 (not used);
// columns after 64 are ignored.  Told from the original long line by its x
// field: a decimal point or an exponent letter in columns 2-14, where the
// long line holds only the digits of its encoded x and y.
bool Float_line()
{
    for (size_t i = 1; i <= 13; i++) {
        char c = line_buffer[i];
        if (c == '.' || c == 'E' || c == 'e')
            return true;
    }
    return false;
}

// The input after the geometry section is read in large blocks through
// this buffer (a read per line costs far more than the line's conversion);
// Line_read cuts the lines out of it.
enum { INPUT_BLOCK_SIZE = 1 << 18 };
char input_block[INPUT_BLOCK_SIZE];
size_t input_at;      // the next byte to take
size_t input_end;     // bytes in the block
bool input_ended;     // the stream is at its end or failed, or a Ctrl-Z came
FILE *input_stream;   // the stream the block holds bytes of

const char CTRL_Z = '\x1A';

void Input_reset(FILE *stream)
{
    input_at = input_end = 0;
    input_ended = false;
    input_stream = stream;
}

// The first of the n bytes from p that equals a or b, or nullptr: memchr,
// eight bytes at a time (the C library of Wine looks at one byte at a time).
const char *Byte_find(const char *p, size_t n, char a, char b)
{
    const uint64_t ones = 0x0101010101010101u;
    const uint64_t highs = ones << 7;
    const uint64_t pattern_a = ones * static_cast<unsigned char>(a);
    const uint64_t pattern_b = ones * static_cast<unsigned char>(b);
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        uint64_t x = word ^ pattern_a;   // a zero byte where a is
        uint64_t y = word ^ pattern_b;
        if ((((x - ones) & ~x) | ((y - ones) & ~y)) & highs)
            break;
    }
    for (; n > 0; p++, n--)
        if (*p == a || *p == b)
            return p;
    return nullptr;
}

// Read up to `room` bytes into `to`; returns how many there are.  The
// picture file is opened in binary and given the conventions of a text file
// here, as Windows' C library gives them to a file read in text mode: a CR
// before a LF is dropped, and a Ctrl-Z ends the file.  The library's own
// translation costs many times the reading itself.
size_t Input_fill(char *to, size_t room)
{
    size_t got = std::fread(to, 1, room, input_stream);
    if (got == 0) {
        input_ended = true;
        return 0;
    }
    const char *first = Byte_find(to, got, '\r', CTRL_Z);
    if (!first)
        return got;
    char *in = to + (first - to);
    char *end = to + got;
    char *out = in;
    while (in < end) {
        char c = *in++;
        if (c == CTRL_Z) {
            input_ended = true;
            break;
        }
        if (c == '\r') {
            int next = in < end ? *in : std::fgetc(input_stream);   // the byte after the block
            if (in == end && next != EOF)
                std::ungetc(next, input_stream);
            if (next == '\n')
                continue;
        }
        *out++ = c;
    }
    return static_cast<size_t>(out - to);
}

// Bytes from input_at on that may be taken at once: at least `wanted`, or
// a line end among them, unless the stream has ended.
size_t Input_ahead(size_t wanted)
{
    size_t ahead = input_end - input_at;
    if (ahead >= wanted || input_ended || Byte_find(input_block + input_at, ahead, '\n', '\n'))
        return ahead;
    std::memmove(input_block, input_block + input_at, ahead);
    input_at = 0;
    input_end = ahead;
    while (input_end < wanted && !input_ended)
        input_end += Input_fill(input_block + input_end, INPUT_BLOCK_SIZE - input_end);
    return input_end;
}

// Read a line into the blank-filled buffer as fgets would: at most 127
// characters, up to and with the line end, then a zero.  Returns 0, or -1
// at the end of the stream or on a read error (*read_error tells which).
int Line_read(FILE *stream, bool *read_error)
{
    if (stream != input_stream)
        Input_reset(stream);
    if (line_rest_ignored) {
        for (;;) {
            size_t ahead = Input_ahead(PICTURE_LINE_SIZE);
            if (ahead == 0)
                break;
            const char *end = Byte_find(input_block + input_at, ahead, '\n', '\n');
            input_at = end ? static_cast<size_t>(end - input_block) + 1 : input_end;
            if (end)
                break;
        }
        line_rest_ignored = false;
        line_open = false;
    }
    size_t ahead = Input_ahead(PICTURE_LINE_SIZE - 1);
    if (ahead == 0) {
        *read_error = std::ferror(stream) != 0;
        return -1;
    }
    size_t n = ahead < PICTURE_LINE_SIZE - 1 ? ahead : PICTURE_LINE_SIZE - 1;
    const char *start = input_block + input_at;
    const char *end = Byte_find(start, n, '\n', '\n');
    if (end)
        n = static_cast<size_t>(end - start) + 1;
    std::memset(line_buffer, ' ', sizeof line_buffer);
    std::memcpy(line_buffer, start, n);
    line_buffer[n] = '\0';
    input_at += n;
    if (!line_open)
        line_number++;
    // Only a read that filled the buffer to its last byte without taking a
    // line end stops inside a line.
    line_open = n == PICTURE_LINE_SIZE - 1 && line_buffer[n - 1] != '\n';
    return 0;
}

// The seven header fields; -1 when one of them is not a finite number
// (nothing is stored then).
int Header_parse()
{
    const char *l = line_buffer;
    not_finite = false;
    double v[7];
    for (int i = 0; i < 7; i++)
        v[i] = Finite_field(l + 10 * i, 10);
    float scale = static_cast<float>(v[6]);
    Finite(static_cast<double>(scale));
    if (not_finite)
        return -1;
    x_min = v[0];
    x_max = v[1];
    y_min = v[2];
    y_max = v[3];
    z_min = v[4];
    z_max = v[5];
    coord_scale = scale;
    return 0;
}

// Skip the block whose first line is in line_buffer, up to and with its end
// line.  Returns 0, or -1 when the stream ends first.
int Block_skip(FILE *stream)
{
    char name = line_buffer[0];
    ConvertStats &s = convert_stats;
    if (s.blocks < BLOCK_NAMES_KEPT)
        std::memcpy(s.block_names[s.blocks], line_buffer, 4);
    s.blocks++;
    s.block_lines++;
    bool read_error = false;
    while (Line_read(stream, &read_error) == 0) {
        s.block_lines++;
        if (line_buffer[0] == name && std::strncmp(line_buffer + 1, "END", 3) == 0)
            return 0;
    }
    return -1;
}

// Scene bounds of a picture without a header line: the box of every step
// and of the geometry, gathered during the one pass of the conversion.
struct Bounds {
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};

    void Add(int axis, double v)
    {
        if (v < low[axis])
            low[axis] = v;
        if (v > high[axis])
            high[axis] = v;
    }

    void Add_list(int axis, const float *list, int16_t count, bool symmetric)
    {
        for (int i = 0; i < count; i++) {
            double v = static_cast<double>(list[i]);
            Add(axis, v);
            if (symmetric)
                Add(axis, -v);
        }
    }

    // The geometry list as the conversion left it.
    void Add_geometry()
    {
        if (geometry_kind == GEOMETRY_CYLINDERS) {
            Add_list(0, cyl_radius, cyl_radius_count, true);
            Add_list(1, cyl_radius, cyl_radius_count, true);
            Add_list(2, cyl_plane_z, cyl_plane_count, false);
        } else if (geometry_kind == GEOMETRY_SLABS) {
            Add_list(0, slab_x, slab_x_count, false);
            Add_list(1, slab_y, slab_y_count, false);
            Add_list(2, slab_z, slab_z_count, false);
        }
    }

    // Store them as the header would; an axis without any value gives 0..0.
    void Store() const
    {
        double *out[6] = {&x_min, &x_max, &y_min, &y_max, &z_min, &z_max};
        for (int a = 0; a < 3; a++) {
            bool any = low[a] <= high[a];
            *out[2 * a] = any ? low[a] : 0.0;
            *out[2 * a + 1] = any ? high[a] : 0.0;
        }
    }
};

void Stats_reset()
{
    std::memset(&convert_stats, 0, sizeof convert_stats);
}

void Stats_step(const StepRecord *r)
{
    if (r->kind == KIND_SEPARATOR) {
        convert_stats.separators++;
        return;
    }
    assert(r->kind >= KIND_PHOTON && r->kind <= KIND_POSITRON);
    int i = r->kind - 1;
    if (convert_stats.steps[i] == 0 || r->energy < convert_stats.energy_min[i])
        convert_stats.energy_min[i] = r->energy;
    if (convert_stats.steps[i] == 0 || r->energy > convert_stats.energy_max[i])
        convert_stats.energy_max[i] = r->energy;
    convert_stats.steps[i]++;
}

int Input_fail(WindowRef window, int message)
{
    if (message != 0)
        Show_error(window, message);
    return -1;
}

} // namespace

void Step_encode(const StepRecord *r, uint8_t image[STEP_RECORD_SIZE])
{
    Put4(image + 0, static_cast<uint32_t>(r->batch));
    Put4(image + 4, static_cast<uint32_t>(r->kind));
    Put_double(image + 8, r->x);
    Put_double(image + 16, r->y);
    Put_double(image + 24, r->z);
    uint32_t energy_bits;
    std::memcpy(&energy_bits, &r->energy, 4);
    Put4(image + 32, energy_bits);
    Put4(image + 36, 0);
}

void Step_decode(const uint8_t image[STEP_RECORD_SIZE], StepRecord *r)
{
    r->batch = static_cast<int32_t>(Get4(image + 0));
    r->kind = static_cast<int32_t>(Get4(image + 4));
    r->x = Get_double(image + 8);
    r->y = Get_double(image + 16);
    r->z = Get_double(image + 24);
    uint32_t energy_bits = Get4(image + 32);
    std::memcpy(&r->energy, &energy_bits, 4);
}

double Float_coordinate(int32_t code)
{
    uint32_t bits = static_cast<uint32_t>(code);
    int32_t power = static_cast<int32_t>((bits >> FLOAT_DIGITS_BITS) & 63u) - FLOAT_SCALE_BIAS;
    return Real_compose(bits & ((1u << FLOAT_DIGITS_BITS) - 1), power, (bits >> 30) != 0);
}

const char *work_path_override;

void Work_path(char *out, size_t out_size)
{
    if (work_path_override) {
        Text_copy(out, out_size, work_path_override);
        return;
    }
    Text_copy(out, out_size, settings.work_dir);
    size_t n = std::strlen(out);
    Text_copy(out + n, out_size - n, WORK_FILE_NAME);
}

namespace {

// Parse the line in line_buffer into step_in.
void Line_parse()
{
    const char *l = line_buffer;
    if (Blank_from(0)) {
        // Read as a batch line it would end the batch at batch 0.
        step_in.kind = KIND_BLANK;
        return;
    }
    if (Block_start()) {
        step_in.kind = KIND_BLOCK;
        return;
    }
    int type = Line_type(l[0]);
    not_finite = false;
    int32_t *code = step_code.code;
    step_code.layout = STEP_CODE_NONE;
    switch (type) {
    case 0:
        current_batch = static_cast<int32_t>(Integer_parse(l + 1, 5));
        step_in.batch = current_batch;
        step_in.kind = KIND_BATCH;
        step_in.x = step_in.y = step_in.z = 0.0;
        step_in.energy = 0.0f;
        break;
    case 1:
    case 2:
    case 3:
        step_in.batch = current_batch;
        step_in.kind = type;
        step_code.layout = STEP_CODE_SHORT;
        step_in.x = Encoded_decode(l + 1, 5, STEP_CODE_SHORT, &code[0]);
        step_in.y = Encoded_decode(l + 6, 5, STEP_CODE_SHORT, &code[1]);
        step_in.z = Encoded_decode(l + 11, 5, STEP_CODE_SHORT, &code[2]);
        step_in.energy = Energy_decode(l + 16, l[20]);
        break;
    case 4:
    case 5:
    case 6:
        step_in.batch = current_batch;
        step_in.kind = type - 3;
        if (Float_line()) {
            step_code.layout = STEP_CODE_FLOAT;
            step_in.x = Float_decode(l + 1, &code[0]);
            step_in.y = Float_decode(l + 14, &code[1]);
            step_in.z = Float_decode(l + 27, &code[2]);
            step_in.energy = static_cast<float>(Finite_field(l + 40, 10));
            Finite(static_cast<double>(step_in.energy));
            line_rest_ignored = line_open;
            break;
        }
        step_code.layout = STEP_CODE_LONG;
        step_in.x = Encoded_decode(l + 1, 8, STEP_CODE_LONG, &code[0]);
        step_in.y = Encoded_decode(l + 9, 8, STEP_CODE_LONG, &code[1]);
        step_in.z = Encoded_decode(l + 17, 8, STEP_CODE_LONG, &code[2]);
        step_in.energy = Energy_decode(l + 25, l[29]);
        break;
    case 9:
    case -1:
        step_in.batch = current_batch;
        step_in.kind = type;
        step_in.x = step_in.y = step_in.z = 0.0;
        step_in.energy = 0.0f;
        break;
    default:
        // Types 7 and 8 have no meaning: only the kind is set, and the
        // conversion skips the line.
        step_in.kind = type;
        break;
    }
    if (not_finite)
        step_in.kind = KIND_UNREADABLE;
}

// The next step line: the one already in line_buffer when *pending is set,
// else one read from the stream as Step_parse does.
int Step_next(WindowRef window, FILE *input, bool *pending)
{
    if (!*pending)
        return Step_parse(window, input);
    *pending = false;
    Line_parse();
    return 0;
}

} // namespace

int Step_parse(WindowRef window, FILE *stream)
{
    bool read_error = false;
    if (Line_read(stream, &read_error) != 0) {
        if (read_error)
            Show_error(window, MSG_INPUT_READ);
        return -1;
    }
    Line_parse();
    return 0;
}

int Picture_convert(WindowRef window, int source)
{
    char work[PATH_SIZE + 16];
    Work_path(work, sizeof work);
    return Picture_convert_file(window, source == 1 ? calc_output_path : picture_path, work);
}

int Picture_convert_file(WindowRef window, const char *input_path, const char *work_path)
{
    std::memset(batch_step_count, 0, sizeof batch_step_count);
    Step_copy_drop();
    // Binary: the reading below gives the bytes the conventions of text.
    FILE *input = std::fopen(input_path, "rb");
    if (!input) {
        Stats_reset();
        Show_error(window, MSG_INPUT_OPEN);
        return -1;
    }
    int result = Picture_convert_stream(window, input, work_path);
    std::fclose(input);
    return result;
}

int Picture_convert_stream(WindowRef window, FILE *input, const char *work_path)
{
    std::memset(batch_step_count, 0, sizeof batch_step_count);
    Step_copy_drop();
    Stats_reset();
    line_open = false;
    line_rest_ignored = false;
    Input_reset(input);

    if (Geometry_read(input) != 0)
        return Input_fail(window, MSG_INPUT_READ);
    line_number = static_cast<uint64_t>(geometry_lines);

    // Blocks that the viewer does not draw may stand before the header line.
    bool read_error = false;
    int got;
    while ((got = Line_read(input, &read_error)) == 0 && Block_start())
        if (Block_skip(input) != 0)
            return Input_fail(window, MSG_INPUT_READ);
    // A file that ends with its geometry section holds no picture.  Said as
    // the read error it is, for the user's sake: ending in silence, the
    // window would simply stay as it was, with no word why.
    if (got != 0) {
        convert_stats.nothing_after_geometry = 1;
        return Input_fail(window, MSG_INPUT_READ);
    }
    // Without a header line the first batch line stands in its place; the
    // scene bounds are then those of the steps and the geometry, and the
    // encoded coordinates of short and long step lines are taken at scale 1.
    bool header_missing = Batch_line_alone();
    Bounds bounds;
    if (header_missing) {
        convert_stats.header_missing = 1;
        coord_scale = 1.0f;
        bounds.Add_geometry();
    } else if (Header_parse() != 0) {
        convert_stats.unreadable_lines = 1;
        convert_stats.first_unreadable_line = line_number;
        return Input_fail(window, MSG_INPUT_READ);
    }

    work_file = nullptr;
    if (work_path) {
        std::remove(work_path);
        work_file = std::fopen(work_path, "w+b");
        if (!work_file)
            return Input_fail(window, MSG_WORK_PATH);
        // The program buffers the records itself.
        std::setvbuf(work_file, nullptr, _IONBF, 0);
        Step_copy_begin(coord_scale);
    }
    work_file_path = work_path;
    records_in_file = 0;
    write_pending = 0;

    bool batch_seen = false;   // a batch line of this file has been read
    int32_t last_batch = 0;    // the last batch line within 1..10000
    int32_t top_batch = 0;     // the highest of them
    int32_t record_batch = 0;  // batch of the last record written
    bool unordered = false;
    int failure = 0;
    bool pending = header_missing;   // the first batch line is in line_buffer
    uint64_t input_size = 0;
    if (progress_hook) {
        long at = std::ftell(input);
        if (std::fseek(input, 0, SEEK_END) == 0)
            input_size = static_cast<uint64_t>(std::ftell(input));
        std::fseek(input, at, SEEK_SET);
    }
    while (failure == 0 && Step_next(window, input, &pending) == 0) {
        convert_stats.lines++;
        if (progress_hook && convert_stats.lines % PROGRESS_EVERY == 0)
            progress_hook("converting", static_cast<uint64_t>(std::ftell(input)), input_size);
        step_out = step_in;
        switch (step_out.kind) {
        case KIND_BATCH:
            convert_stats.batch_lines++;
            batch_seen = true;
            if (step_out.batch >= 1 && step_out.batch <= BATCH_MAX) {
                last_batch = step_out.batch;
                if (last_batch > top_batch)
                    top_batch = last_batch;
            } else {
                convert_stats.batch_lines_out_of_range++;
            }
            continue;
        case KIND_MARKER:
            convert_stats.marker_lines++;
            continue;
        case KIND_BLANK:
            convert_stats.blank_lines++;
            continue;
        case KIND_BLOCK:
            if (Block_skip(input) != 0)
                convert_stats.block_open = 1;
            continue;
        case KIND_UNREADABLE:
            if (convert_stats.unreadable_lines++ == 0)
                convert_stats.first_unreadable_line = line_number;
            continue;
        case KIND_SEPARATOR:
        case KIND_PHOTON:
        case KIND_ELECTRON:
        case KIND_POSITRON:
            break;
        default:
            convert_stats.skipped_type++;
            continue;
        }
        if (!batch_seen) {
            convert_stats.skipped_before_batch++;
            continue;
        }
        if (step_out.batch < 1 || step_out.batch > BATCH_MAX) {
            convert_stats.skipped_batch_range++;
            continue;
        }
        // A record of a lower batch than one before it: the records of a
        // batch no longer lie together, and a reader cannot seek by the counts.
        if (step_out.batch < record_batch)
            unordered = true;
        record_batch = step_out.batch;
        Stats_step(&step_out);
        convert_stats.records++;
        if (header_missing && step_out.kind != KIND_SEPARATOR) {
            bounds.Add(0, step_out.x);
            bounds.Add(1, step_out.y);
            bounds.Add(2, step_out.z);
        }
        assert(step_out.batch >= 1 && step_out.batch <= BATCH_MAX);
        if (work_file) {
            failure = Record_write(&step_out);
            Step_copy_add(&step_out, &step_code);
        } else
            batch_step_count[step_out.batch - 1]++;
    }
    if (failure == 0 && work_file)
        failure = Work_flush();

    if (work_file) {
        if (std::fclose(work_file) != 0 && failure == 0)
            failure = errno == ENOSPC ? MSG_WORK_FULL : MSG_WORK_WRITE;
        work_file = nullptr;
    }
    if (failure != 0) {
        Step_copy_drop();
        Show_error(window, failure);
        return -1;
    }
    if (work_path)
        Step_copy_finish(work_path);
    // With the batches out of order the last batch line need not be the
    // highest batch; the full range then still covers every batch.
    batch_count = static_cast<uint32_t>(unordered ? top_batch : last_batch);
    batches_unordered = unordered ? 1 : 0;
    if (header_missing)
        bounds.Store();
    view_dirty = 1;
    // Lines that could not be read are left out, and a block without its
    // end line took the rest of the file: reported once, the picture shows
    // the rest.
    if (convert_stats.unreadable_lines != 0 || convert_stats.block_open != 0)
        Show_error(window, MSG_INPUT_READ);
    return 0;
}
