// Conversion of picture files into the work file: line rules, both layouts,
// separators and markers, long lines, per-batch counts and every failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "test_support.h"

namespace {

const char NO_GEOMETRY[] = "GSTA\nGEND\n";
// Header with the bounds -1..1 and coordinate scale 1.
const char HEADER_SCALE_1[] =
    "      -1.0       1.0      -2.0       2.0      -3.0       3.0       1.0\n";

std::vector<StepRecord> Work_records(const std::string &path)
{
    std::string bytes = File_read(path);
    std::vector<StepRecord> out;
    for (size_t at = 0; at + STEP_RECORD_SIZE <= bytes.size(); at += STEP_RECORD_SIZE) {
        StepRecord r;
        Step_decode(reinterpret_cast<const uint8_t *>(bytes.data() + at), &r);
        out.push_back(r);
    }
    return out;
}

class Convert : public testing::Test {
protected:
    void SetUp() override
    {
        Settings_init();
        // The work directory holds at most 19 characters: work in the
        // scratch directory itself.
        Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
    }

    // Convert a picture made of the given text; returns Picture_convert's result.
    int Run(const std::string &text)
    {
        std::string pic = scratch.write("p.pic", text);
        Text_copy(picture_path, sizeof picture_path, pic.c_str());
        return Picture_convert(nullptr, 0);
    }

    std::vector<StepRecord> Records() { return Work_records(scratch.file("work.$$$")); }

    ScratchDir scratch;
    CurrentDir inside{scratch.path()};
    MessageRecorder messages;
};

// Short and long layouts, energies, separators and markers.
TEST_F(Convert, DecodesStepLinesOfBothLayouts)
{
    std::string pic = std::string(NO_GEOMETRY) + HEADER_SCALE_1 +
                      "0    1\n"
                      "250000500005100012343\n"       // electron, z = 0.1 cm, 1234 MeV
                      "160000500005000012340\n"       // photon, x = 1 cm, 1.234 MeV
                      "9\n"                           // marker: no record
                      "-\n"                           // separator
                      "633554432419430403355443250009\n"    // positron long: y = 1 cm, 5e9 MeV
                      "7 garbage\n"                   // no meaning: skipped
                      "0    2\n"
                      "435651584335544323355443200013\n";   // photon long, x = 0.25 cm, 1 MeV
    ASSERT_EQ(Run(pic), 0) << messages.texts();
    EXPECT_EQ(messages.messages().size(), 0u);
    std::vector<StepRecord> r = Records();
    ASSERT_EQ(r.size(), 5u);

    EXPECT_EQ(r[0].batch, 1);
    EXPECT_EQ(r[0].kind, KIND_ELECTRON);
    EXPECT_EQ(r[0].x, 0.0);
    EXPECT_EQ(r[0].y, 0.0);
    EXPECT_DOUBLE_EQ(r[0].z, 0.1);
    EXPECT_EQ(r[0].energy, 1234.0f);

    EXPECT_EQ(r[1].kind, KIND_PHOTON);
    EXPECT_DOUBLE_EQ(r[1].x, 1.0);
    EXPECT_EQ(r[1].energy, static_cast<float>(1.0 / 1000.0 * 1234.0));

    EXPECT_EQ(r[2].kind, KIND_SEPARATOR);
    EXPECT_EQ(r[2].x, 0.0);
    EXPECT_EQ(r[2].energy, 0.0f);
    EXPECT_EQ(r[2].batch, 1);

    EXPECT_EQ(r[3].kind, KIND_POSITRON);
    EXPECT_EQ(r[3].x, (33554432.0 - 33554432.0) * 1.0 * 1.1920928955078125e-07);
    EXPECT_EQ(r[3].y, 1.0);
    EXPECT_EQ(r[3].energy, 5e9f);

    EXPECT_EQ(r[4].batch, 2);
    EXPECT_EQ(r[4].kind, KIND_PHOTON);
    EXPECT_EQ(r[4].x, 0.25);
    EXPECT_EQ(r[4].energy, 1.0f);

    EXPECT_EQ(batch_step_count[0], 4u);
    EXPECT_EQ(batch_step_count[1], 1u);
    EXPECT_EQ(batch_count, 2u);
    EXPECT_EQ(convert_stats.skipped_type, 1u);
    EXPECT_EQ(convert_stats.marker_lines, 1u);
    EXPECT_EQ(view_dirty, 1);
}

// Each record is 40 bytes, little-endian, with four zero bytes of padding.
TEST_F(Convert, WritesTheRecordImageByteForByte)
{
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + HEADER_SCALE_1 + "0    7\n160000500005000012343\n"), 0);
    std::string bytes = File_read(scratch.file("work.$$$"));
    ASSERT_EQ(bytes.size(), 40u);
    const unsigned char expected[40] = {
        7, 0, 0, 0,                             // batch 7
        1, 0, 0, 0,                             // photon
        0, 0, 0, 0, 0, 0, 0xF0, 0x3F,           // x = 1.0
        0, 0, 0, 0, 0, 0, 0, 0,                 // y = 0
        0, 0, 0, 0, 0, 0, 0, 0,                 // z = 0
        0, 0x40, 0x9A, 0x44,                    // 1234.0f
        0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, 40), 0);
}

// The coordinate scale multiplies every decoded coordinate; real fields take
// D exponents and stop at the first character that cannot continue them.
TEST_F(Convert, AppliesHeaderScaleAndRealRule)
{
    std::string header = "       0.0       1.0       0.0       1.0       0.0       1.0    2.5D+0\n";
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + header +
                  "0    1\n"
                  "26000040000600001.5x0\n"),   // mantissa "1.5x" reads 1.5
              0);
    EXPECT_EQ(coord_scale, 2.5f);
    EXPECT_EQ(z_max, 1.0);
    std::vector<StepRecord> r = Records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].x, 2.5);
    EXPECT_DOUBLE_EQ(r[0].y, -2.5);
    EXPECT_DOUBLE_EQ(r[0].z, 2.5);
    EXPECT_EQ(r[0].energy, static_cast<float>(1.0 / 1000.0 * 1.5));
}

TEST_F(Convert, ShortHeaderGivesZeroForMissingFields)
{
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + "       5.0      10.0\n"), 0);
    EXPECT_EQ(x_min, 5.0);
    EXPECT_EQ(x_max, 10.0);
    EXPECT_EQ(y_min, 0.0);
    EXPECT_EQ(z_max, 0.0);
    EXPECT_EQ(coord_scale, 0.0f);
    EXPECT_EQ(batch_count, 0u);   // no step lines at all
    EXPECT_TRUE(Records().empty());
}

// A line longer than 127 characters is read in two parts, the rest parsed
// as a line of its own.
TEST_F(Convert, SplitsLongLinesAt127Characters)
{
    std::string first = "260000500005000012343";
    first.resize(127, ' ');
    std::string rest = "360000500005000012343";   // positron, starts at column 128
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + HEADER_SCALE_1 + "0    1\n" + first + rest + "\n"), 0);
    std::vector<StepRecord> r = Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].kind, KIND_ELECTRON);
    EXPECT_EQ(r[1].kind, KIND_POSITRON);
}

// Steps before the first batch line and in batches outside 1..10000 have no
// count entry and are skipped; the last in-range batch line is batch_count.
TEST_F(Convert, SkipsStepsOutsideTheBatchTable)
{
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + HEADER_SCALE_1 +
                  "250000500005000012343\n"      // before the first batch line
                  "0    3\n"
                  "250000500005000012343\n"
                  "-\n"
                  "010001\n"
                  "250000500005000012343\n"      // batch 10001
                  "0    0\n"
                  "-\n"),                        // batch 0
              0);
    EXPECT_EQ(Records().size(), 2u);
    EXPECT_EQ(batch_step_count[2], 2u);
    EXPECT_EQ(batch_count, 3u);
    EXPECT_EQ(convert_stats.skipped_before_batch, 1u);
    EXPECT_EQ(convert_stats.skipped_batch_range, 2u);
}

// Counts locate batch n at 40 * (records of batches 1..n-1), with records of
// 10000 batches.
TEST_F(Convert, CountsLocateEveryBatch)
{
    std::string pic = std::string(NO_GEOMETRY) + HEADER_SCALE_1;
    for (int b = 1; b <= BATCH_MAX; b += 999) {
        char line[16];
        std::snprintf(line, sizeof line, "0%5d\n", b);
        pic += line;
        for (int k = 0; k < b % 3 + 1; k++)
            pic += "250000500005000012343\n-\n";
    }
    ASSERT_EQ(Run(pic), 0);
    std::vector<StepRecord> r = Records();
    size_t offset = 0;
    for (int b = 1; b <= BATCH_MAX; b++) {
        if (batch_step_count[b - 1] == 0)
            continue;
        ASSERT_LT(offset, r.size());
        EXPECT_EQ(r[offset].batch, b);
        offset += batch_step_count[b - 1];
    }
    EXPECT_EQ(offset, r.size());
    EXPECT_EQ(batch_count, 9991u);
}

TEST_F(Convert, WorkDirectoryTextIsGluedToTheFileName)
{
    Text_copy(settings.work_dir, sizeof settings.work_dir, "./w");   // no trailing separator
    ASSERT_EQ(Run(std::string(NO_GEOMETRY) + HEADER_SCALE_1), 0);
    EXPECT_TRUE(std::fopen((scratch.path() + "/wwork.$$$").c_str(), "rb") != nullptr);
}

// Every failure shows its numbered message and keeps what the user had.
TEST_F(Convert, ReportsFailuresByNumber)
{
    struct Case {
        const char *name;
        std::string picture;   // empty name below: file missing
        bool missing_file;
        bool missing_work_dir;
        std::string expected;
    };
    const Case cases[] = {
        {"missing picture", "", true, false, "input file open error !!"},
        {"empty file", "", false, false, "input file read error !!"},
        {"no GSTA", "HELLO\nGEND\n", false, false, "input file read error !!"},
        {"geometry cut short", "GSTA\nCYLS\n     2     2\n1.0\n", false, false,
         "input file read error !!"},
        {"unknown kind line", "GSTA\nCONE\nGEND\n", false, false, "input file read error !!"},
        {"no header line", "GSTA\nGEND\n", false, false, ""},
        {"missing work directory", std::string(NO_GEOMETRY) + HEADER_SCALE_1, false, true,
         "work path not found error !!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        File_write(scratch.file("work.$$$"), "previous");
        messages.clear();
        view_dirty = 0;
        if (c.missing_work_dir)
            Text_copy(settings.work_dir, sizeof settings.work_dir, "./nonexistent/");
        else
            Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
        std::string pic = scratch.file("case.pic");
        std::remove(pic.c_str());
        if (!c.missing_file)
            File_write(pic, c.picture);
        Text_copy(picture_path, sizeof picture_path, pic.c_str());
        EXPECT_EQ(Picture_convert(nullptr, 0), -1);
        EXPECT_EQ(messages.texts(), c.expected);
        if (!messages.messages().empty()) {
            EXPECT_EQ(messages.messages()[0].caption, "Error status");
            EXPECT_EQ(messages.messages()[0].icon, MESSAGE_ICON_EXCLAMATION);
        }
        EXPECT_EQ(scratch.read("work.$$$"), "previous");
        EXPECT_EQ(view_dirty, 0);
    }
}

// A failing write reports 9 for a full device and 8 otherwise; the counts
// then describe exactly the records that reached the file.
size_t fault_budget;
int fault_errno;

size_t Faulty_write(const void *data, size_t size, FILE *file)
{
    size_t n = size < fault_budget ? size : fault_budget;
    size_t written = std::fwrite(data, 1, n, file);
    fault_budget -= written;
    if (written < size)
        errno = fault_errno;
    return written;
}

TEST_F(Convert, WriteFailuresKeepCountsOfWhatReachedTheFile)
{
    std::string pic = std::string(NO_GEOMETRY) + HEADER_SCALE_1;
    for (int b = 1; b <= 3; b++) {
        pic += "0    " + std::to_string(b) + "\n";
        for (int k = 0; k < 1000; k++)
            pic += "250000500005000012343\n";
    }
    struct Case {
        int error;
        const char *expected;
    } cases[] = {{ENOSPC, "work file device not spase !!"}, {EIO, "work file write err !!"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        messages.clear();
        batch_count = 77;
        view_dirty = 0;
        fault_errno = c.error;
        fault_budget = 1500 * STEP_RECORD_SIZE + 17;   // 1500 records and a fragment
        work_write_fn = Faulty_write;
        int result = Run(pic);
        work_write_fn = nullptr;
        EXPECT_EQ(result, -1);
        EXPECT_EQ(messages.texts(), c.expected);
        EXPECT_EQ(batch_step_count[0], 1000u);
        EXPECT_EQ(batch_step_count[1], 500u);
        EXPECT_EQ(batch_step_count[2], 0u);
        EXPECT_EQ(batch_count, 77u);
        EXPECT_EQ(view_dirty, 0);
        EXPECT_EQ(Records().size(), 1500u);
    }
}

// A write that fails part-way without saying why is tried once more with
// what is left: a full device then says so, a passing fault goes unnoticed.
int flaky_calls;
int flaky_second_errno;

size_t Flaky_write(const void *data, size_t size, FILE *file)
{
    flaky_calls++;
    if (flaky_calls == 1) {
        size_t part = 100 * STEP_RECORD_SIZE + 7;   // reached the file, yet reported as failed
        std::fwrite(data, 1, part, file);
        errno = EINVAL;
        return 0;
    }
    if (flaky_calls == 2 && flaky_second_errno != 0) {
        errno = flaky_second_errno;
        return 0;
    }
    return std::fwrite(data, 1, size, file);
}

TEST_F(Convert, FailedWriteIsRetriedOnce)
{
    std::string pic = std::string(NO_GEOMETRY) + HEADER_SCALE_1 + "0    1\n";
    for (int k = 0; k < 300; k++)
        pic += "250000500005000012343\n";
    for (int second : {ENOSPC, 0}) {
        SCOPED_TRACE(second);
        messages.clear();
        flaky_calls = 0;
        flaky_second_errno = second;
        work_write_fn = Flaky_write;
        int result = Run(pic);
        work_write_fn = nullptr;
        if (second == ENOSPC) {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(messages.texts(), "work file device not spase !!");
            EXPECT_EQ(batch_step_count[0], 100u);
        } else {
            EXPECT_EQ(result, 0) << messages.texts();
            EXPECT_EQ(batch_step_count[0], 300u);
            std::vector<StepRecord> r = Records();
            ASSERT_EQ(r.size(), 300u);
            EXPECT_EQ(r[299].kind, KIND_ELECTRON);
            EXPECT_EQ(r[150].energy, 1234.0f);
        }
    }
}

// Converting for a report only counts; nothing is written.
TEST_F(Convert, CountingOnlyLeavesTheWorkFileAlone)
{
    File_write(scratch.file("work.$$$"), "previous");
    std::string pic = scratch.write("p.pic", std::string(NO_GEOMETRY) + HEADER_SCALE_1 +
                                                 "0    4\n250000500005000012343\n-\n");
    ASSERT_EQ(Picture_convert_file(nullptr, pic.c_str(), nullptr), 0);
    EXPECT_EQ(batch_step_count[3], 2u);
    EXPECT_EQ(convert_stats.steps[KIND_ELECTRON - 1], 1u);
    EXPECT_EQ(scratch.read("work.$$$"), "previous");
}

TEST(StepParse, LineTypesAndFields)
{
    struct Case {
        const char *line;
        int kind;
        double x;
        float energy;
    } cases[] = {
        {"250000500005100012343", KIND_ELECTRON, 0.0, 1234.0f},
        {"2600005000050000   19", KIND_ELECTRON, 1.0, 1e6f},          // exponent 9
        {"2550005000050000   1x", KIND_ELECTRON, 0.5, 0.001f},        // non-digit exponent: 0
        {"9 anything", KIND_MARKER, 0.0, 0.0f},
        {"- anything", KIND_SEPARATOR, 0.0, 0.0f},
        {"X    4", KIND_BATCH, 0.0, 0.0f},                             // other first column: batch
        {"633554432419430403355443200124", KIND_POSITRON, 0.0, 120.0f}, // long layout
    };
    coord_scale = 1.0f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        std::string text = std::string(c.line) + "\n";
        FILE *f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        std::fputs(text.c_str(), f);
        std::rewind(f);
        ASSERT_EQ(Step_parse(nullptr, f), 0);
        EXPECT_EQ(step_in.kind, c.kind);
        EXPECT_DOUBLE_EQ(step_in.x, c.x);
        EXPECT_FLOAT_EQ(step_in.energy, c.energy);
        EXPECT_EQ(Step_parse(nullptr, f), -1);
        std::fclose(f);
    }
    EXPECT_EQ(step_in.batch, 4);   // the batch line "X    4" set it
}

} // namespace
