// Conversion of picture files into the work file: the geometry section before
// the header, line rules, both layouts, separators and markers, long lines,
// per-batch counts and every failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/display.h"
#include "picture/geometry.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/platform.h"
#include "picture/settings.h"
#include "picture/work_threads.h"
#include "test_support.h"

namespace {

// A header with the bounds -1..1, -2..2, -3..3 and coordinate scale 1; a
// picture starts with it after an empty geometry section.
const std::string HEADER =
    "      -1.0       1.0      -2.0       2.0      -3.0       3.0       1.0\n";
const std::string START = "GSTA\nGEND\n" + HEADER;
const std::string ELECTRON = "250000500005000012343\n"; // at the origin, 1234 MeV

class Convert : public PictureTest {
protected:
    // The work file's records, one line each: "batch kind x y z energy".
    std::string Records()
    {
        std::string bytes = scratch.read("work.$$$"), text;
        for (size_t at = 0; at + STEP_RECORD_SIZE <= bytes.size(); at += STEP_RECORD_SIZE) {
            StepRecord r;
            Step_decode(reinterpret_cast<const uint8_t *>(bytes.data() + at), &r);
            char line[100];
            std::snprintf(line, sizeof line, "%d %d %g %g %g %g\n", r.batch, r.kind, r.x, r.y, r.z,
                          static_cast<double>(r.energy));
            text += line;
        }
        return text;
    }
};

// n values first, first + 1, ..., four to a line in 15-column fields.
std::string Values(int n, int first = 1)
{
    std::string out;
    for (int i = 0; i < n; i++) {
        char field[32];
        std::snprintf(field, sizeof field, "%15.5E", static_cast<double>(first + i));
        out += field;
        if (i % 4 == 3 || i == n - 1)
            out += "\n";
    }
    return out;
}

// A list of n values takes ceil(n/4) lines, an empty list none, so that
// counts like 9, 13 and 17 keep the following lists and the header in step;
// "GEND" needs nothing after it on its line.
TEST_F(Convert, GeometryListsTakeFourValuesPerLine)
{
    geometry_list.kind = GEOMETRY_SLABS;
    ASSERT_EQ(Run("GSTA\nGEND and other words\n" + HEADER), 0);
    EXPECT_EQ(geometry_list.kind, GEOMETRY_NONE);
    for (int radii : {0, 1, 3, 4, 5, 8, 9, 13, 14, 17, 100}) {
        for (int planes : {0, 2, 9}) {
            SCOPED_TRACE(testing::Message() << "radii " << radii << " planes " << planes);
            work_file.x_max = 0;
            char counts[16];
            std::snprintf(counts, sizeof counts, "%6d%6d\n", radii, planes);
            ASSERT_EQ(Run("GSTA\nCYLS\n" + std::string(counts) + Values(radii) +
                          Values(planes, 1000) + "GEND\n" + HEADER),
                      0);
            EXPECT_EQ(work_file.x_max, 1.0);
            EXPECT_EQ(geometry_list.kind, GEOMETRY_CYLINDERS);
            EXPECT_EQ(geometry_list.cyl_radius_count, radii);
            EXPECT_EQ(geometry_list.cyl_plane_count, planes);
            for (int i = 0; i < radii; i++)
                EXPECT_EQ(geometry_list.cyl_radius[i], static_cast<float>(1 + i));
            for (int i = 0; i < planes; i++)
                EXPECT_EQ(geometry_list.cyl_plane_z[i], static_cast<float>(1000 + i));
        }
    }
}

// Counts above 100 are clamped and the surplus values read and dropped, so
// the section still ends where it should; counts are scanned as "%6i"
// (octal with a leading 0); a value stands anywhere in its field, with
// blanks or a tab around it.  Cylinders and slabs are kept apart.
TEST_F(Convert, GeometryCountsAndValueFields)
{
    ASSERT_EQ(Run("GSTA\nSLAB\n   130     2     1\n" + Values(130) + Values(2, 7) + Values(1, 9) +
                  "GEND\n" + HEADER),
              0);
    EXPECT_EQ(work_file.x_max, 1.0);
    EXPECT_EQ(geometry_list.slab_x_count, 100);
    EXPECT_EQ(geometry_list.slab_x[99], 100.0f);
    EXPECT_EQ(geometry_list.slab_y_count, 2);
    EXPECT_EQ(geometry_list.slab_y[1], 8.0f);
    EXPECT_EQ(geometry_list.slab_z[0], 9.0f);
    EXPECT_EQ(work_file.stats.geometry.values_dropped, 30);

    ASSERT_EQ(Run("GSTA\nCYLS\n   010     1\n" + Values(8) + Values(1, 3) + "GEND\n" + HEADER), 0);
    EXPECT_EQ(geometry_list.cyl_radius_count, 8);
    EXPECT_EQ(geometry_list.cyl_plane_z[0], 3.0f);
    EXPECT_EQ(geometry_list.slab_z[0], 9.0f); // the slab lists stay

    ASSERT_EQ(Run("GSTA\nSLAB\n     4     1     1\n       1.5E+02     -2.5e+01   0                 "
                  "          3\t\n" +
                  Values(1, 6) + Values(1, 7) + "GEND\n" + HEADER),
              0);
    EXPECT_EQ(geometry_list.slab_x[0], 150.0f);
    EXPECT_EQ(geometry_list.slab_x[1], -25.0f);
    EXPECT_EQ(geometry_list.slab_x[2], 0.0f);
    EXPECT_EQ(geometry_list.slab_x[3], 3.0f);
    EXPECT_EQ(geometry_list.cyl_plane_z[0], 3.0f); // and the cylinder lists too
}

// Short and long layouts, energies, separators, markers, and lines that
// mean nothing; blanks and tabs at the end of a line, even beyond column
// 127, do not matter.
TEST_F(Convert, DecodesStepLinesOfBothLayouts)
{
    ASSERT_EQ(Run(START +
                  "0    1\n"
                  "250000500005100012343\n"          // electron, z = 0.1 cm, 1234 MeV
                  "160000500005000012340\n"          // photon, x = 1 cm, 1.234 MeV
                  "9\r"                              // marker: no record (CR line end)
                  "-1  \n"                           // separator, as integers are written
                  "633554432419430403355443250009\n" // positron long: y = 1 cm, 5e9 MeV
                  "7 garbage\n"                      // no meaning: skipped
                  "0    2 \t\n"                      // blanks and a tab at the end
                  "435651584335544323355443200013\n" // photon long, x = 0.25 cm, 1 MeV
                  "2600005000050000   19\n" +        // exponent 9
                  std::string("260000500005000012343").append(150, ' ') +
                  "\n" + ELECTRON),
              0)
        << messages.texts();
    EXPECT_EQ(messages.texts(), "");
    EXPECT_EQ(Records(), "1 2 0 0 0.1 1234\n"
                         "1 1 1 0 0 1.234\n"
                         "1 -1 0 0 0 0\n"
                         "1 3 0 1 0 5e+09\n"
                         "2 1 0.25 0 0 1\n"
                         "2 2 1 0 0 1e+06\n"
                         "2 2 1 0 0 1234\n"
                         "2 2 0 0 0 1234\n");
    EXPECT_EQ(work_file.batch_step_count[0], 4u);
    EXPECT_EQ(work_file.batch_step_count[1], 4u);
    EXPECT_EQ(work_file.batch_count, 2u);
    EXPECT_EQ(work_file.stats.skipped_type, 1u);
    EXPECT_EQ(work_file.stats.marker_lines, 1u);
    EXPECT_EQ(display.view_dirty, 1);
}

// Each record is 40 bytes, little-endian, with four zero bytes of padding.
TEST_F(Convert, WritesTheRecordImageByteForByte)
{
    ASSERT_EQ(Run(START + "0    7\n160000500005000012343\n"), 0);
    const unsigned char expected[40] = {7, 0,    0,    0,                      // batch 7
                                        1, 0,    0,    0,                      // photon
                                        0, 0,    0,    0,    0, 0, 0xF0, 0x3F, // x = 1.0
                                        0, 0,    0,    0,    0, 0, 0,    0,    // y = 0
                                        0, 0,    0,    0,    0, 0, 0,    0,    // z = 0
                                        0, 0x40, 0x9A, 0x44,                   // 1234.0f
                                        0, 0,    0,    0};
    EXPECT_EQ(scratch.read("work.$$$"), std::string(reinterpret_cast<const char *>(expected), 40));
}

// The coordinate scale multiplies every decoded coordinate; real fields take
// D and d exponents; a header without all seven fields is refused (its missing
// scale would put every step at the origin).
TEST_F(Convert, HeaderScaleAndRealFields)
{
    ASSERT_EQ(
        Run("GSTA\nGEND\n       0.0       1.0       0.0       1.0       0.0   1.0d+00    2.5D+0\n"
            "0    1\n2600004000060000 1.50\n"),
        0);
    EXPECT_EQ(work_file.coord_scale, 2.5f);
    EXPECT_EQ(work_file.z_max, 1.0);
    EXPECT_EQ(Records(), "1 2 2.5 -2.5 2.5 0.0015\n");

    // Fields of plain digits beyond 32 bits (10 to 13 digits) are read whole.
    ASSERT_EQ(Run("GSTA\nGEND\n         09999999999         0         1         0         1"
                  "         1\n0    1\n41234567890123          100            0       1.5\n"),
              0);
    EXPECT_EQ(work_file.x_max, 9999999999.0);
    EXPECT_EQ(Records(), "1 1 1.23457e+12 100 0 1.5\n");

    EXPECT_EQ(Run("GSTA\nGEND\n       5.0      10.0\n0    1\n"), -1);
    EXPECT_EQ(work_file.stats.header_line, 3u);
    EXPECT_EQ(work_file.stats.header_problem, PROBLEM_CUT);
    EXPECT_EQ(messages.texts(),
              "input file read error !!|Line 3, the header line: the line ends before its last "
              "field.");
}

// Steps before the first batch line and in batches outside 1..10000 have no
// count entry and are skipped; the last in-range batch line is batch_count.
TEST_F(Convert, SkipsStepsOutsideTheBatchTable)
{
    ASSERT_EQ(
        Run(START + ELECTRON + "0    3\n" + ELECTRON + "-\n010001\n" + ELECTRON + "0    0\n-\n"),
        0);
    EXPECT_EQ(Records(), "3 2 0 0 0 1234\n3 -1 0 0 0 0\n");
    EXPECT_EQ(work_file.batch_step_count[2], 2u);
    EXPECT_EQ(work_file.batch_count, 3u);
    EXPECT_EQ(work_file.stats.problems[PROBLEM_BEFORE_BATCH].lines, 1u);
    EXPECT_EQ(work_file.stats.problems[PROBLEM_OUT_OF_BATCH].lines, 2u);
    EXPECT_EQ(work_file.stats.problems[PROBLEM_BATCH_RANGE].lines, 2u);
}

// The work directory text is glued to the file name as it stands; counting
// for a report writes nothing.
TEST_F(Convert, WorkDirectoryGluedAndCountingWritesNothing)
{
    Text_copy(settings.work_dir, sizeof settings.work_dir, "./w");
    ASSERT_EQ(Run(START), 0);
    EXPECT_TRUE(std::filesystem::exists(scratch.file("wwork.$$$")));

    File_write(scratch.file("work.$$$"), "previous");
    std::string pic = scratch.write("p.pic", START + "0    4\n" + ELECTRON + "-\n");
    ASSERT_EQ(Picture_convert_file(nullptr, pic.c_str(), nullptr), 0);
    EXPECT_EQ(work_file.batch_step_count[3], 2u);
    EXPECT_EQ(work_file.stats.steps[KIND_ELECTRON - 1], 1u);
    EXPECT_EQ(scratch.read("work.$$$"), "previous");
}

// Every failure shows its numbered message and keeps what the user had; a
// Warning box after message 6 names the line and says why, when there is a
// line to name.
TEST_F(Convert, ReportsFailuresByNumber)
{
    const std::string read_error = "input file read error !!|Line ";
    const std::string no_picture = "input file read error !!|FILE is ";
    struct Case {
        const char *name;
        const char *picture; // nullptr: no such file
        const char *work_dir;
        std::string expected;
    } cases[] = {
        {"missing picture", nullptr, "./", "input file open error !!"},
        {"empty file", "", "./", no_picture + "empty."},
        {"no GSTA", "HELLO\nGEND\n", "./",
         read_error + "1, in the geometry section: the file does not begin with GSTA."},
        {"lower-case keyword", "gsta\nGEND\n", "./",
         read_error + "1, in the geometry section: the file does not begin with GSTA."},
        {"unknown kind line", "GSTA\nCONE\nGEND\n", "./",
         read_error +
             "2, in the geometry section: a kind line that is none of CYLS, SLAB and GEND."},
        {"ends after the kind", "GSTA\nCYLS\n", "./",
         read_error + "2, in the geometry section: the file ends inside the geometry section."},
        {"geometry cut short", "GSTA\nCYLS\n     2     2\n1.0            2.0\n", "./",
         read_error + "4, in the geometry section: the file ends inside the geometry section."},
        {"no closing line", "GSTA\nCYLS\n     1     1\n1.0\n2.0\n", "./",
         read_error + "5, in the geometry section: the file ends inside the geometry section."},
        {"nothing after the geometry", "GSTA\nGEND\n", "./",
         no_picture.substr(0, no_picture.size() - 3) +
             "holds no steps: nothing follows its geometry section."},
        {"missing work directory", START.c_str(), "./nonexistent/",
         "work path not found error !!|The work directory is set in Environment."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        File_write(scratch.file("work.$$$"), "previous");
        messages.clear();
        display.view_dirty = 0;
        Text_copy(settings.work_dir, sizeof settings.work_dir, c.work_dir);
        std::remove(scratch.file("p.pic").c_str());
        if (c.picture)
            scratch.write("p.pic", c.picture);
        Text_copy(display.picture_path, sizeof display.picture_path, scratch.file("p.pic").c_str());
        EXPECT_EQ(Picture_convert(nullptr, 0), -1);
        EXPECT_EQ(messages.texts(), c.expected);
        ASSERT_FALSE(messages.messages().empty());
        EXPECT_EQ(messages.messages()[0].caption, "Error status");
        EXPECT_EQ(messages.messages()[0].icon, MESSAGE_ICON_EXCLAMATION);
        EXPECT_EQ(scratch.read("work.$$$"), "previous");
        EXPECT_EQ(display.view_dirty, 0);
    }
}

// The window's box adds to a numbered file error what the conversion met:
// the work file's full path with the system's reason and where to change
// the folder; for a file that is no picture, the line and the reason.
TEST_F(Convert, MessagesSayWhichFileAndWhy)
{
    struct Case {
        const char *picture;
        const char *work_dir;
        std::vector<std::string> parts; // in this order; empty: nothing added
    } cases[] = {
        {nullptr,
         "./nonexistent/",
         {"work path not found error !!\n\n", "./nonexistent/work.$$$\n(", std::strerror(ENOENT),
          "set in Environment"}},
        {"\x89PNG\r\n\x1a\n",
         "./",
         {"input file read error !!\n\n", "p.pic is not a picture file",
          "Line 1, in the geometry section: ", "does not begin with GSTA."}},
        {"GSTA\nGEND\n   1.0   2.0\n",
         "./",
         {"input file read error !!\n\n", "Line 3, the header line: "}},
        {nullptr, "./", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.work_dir);
        messages.clear();
        Text_copy(settings.work_dir, sizeof settings.work_dir, c.work_dir);
        scratch.write("p.pic", c.picture ? c.picture : START);
        Text_copy(display.picture_path, sizeof display.picture_path, scratch.file("p.pic").c_str());
        int result = Picture_convert(nullptr, 0);
        ASSERT_EQ(result, c.parts.empty() ? 0 : -1);
        char text[1024];
        const char *shown = messages.messages().empty() ? "" : messages.messages()[0].text.c_str();
        if (c.parts.empty()) {
            EXPECT_EQ(Message_detail(Message_text(MSG_WORK_PATH), text, sizeof text), 0);
            continue;
        }
        ASSERT_EQ(Message_detail(shown, text, sizeof text), 1);
        size_t at = 0;
        for (const std::string &part : c.parts) {
            size_t found = std::string(text).find(part, at);
            EXPECT_NE(found, std::string::npos) << "\"" << part << "\" in\n" << text;
            at = found == std::string::npos ? at : found + part.size();
        }
    }
}

// The work directory of a first start is the temporary folder, asked for
// when used; any other text is the folder as it stands.
TEST(Settings, WorkDirectoryTokenIsTheTemporaryFolder)
{
    char temp[PATH_SIZE], out[PATH_SIZE];
    ASSERT_EQ(Platform_temp_dir(temp, sizeof temp), 0);
    // A folder the work file's name is put after: its separator ends it.
    EXPECT_TRUE(temp[std::strlen(temp) - 1] == '/' || temp[std::strlen(temp) - 1] == '\\') << temp;
    for (const char *field : {"", "%TEMP%\\", "%temp%", "%Temp%\\"}) {
        ASSERT_EQ(Work_dir_resolve(field, out, sizeof out), 0);
        EXPECT_STREQ(out, temp) << field;
    }
    for (const char *field : {"c:\\", "%TEMP%\\x\\", "%TEMP", "d:\\temp\\"}) {
        ASSERT_EQ(Work_dir_resolve(field, out, sizeof out), 0);
        EXPECT_STREQ(out, field);
    }
    SettingsRecord r;
    Settings_defaults(&r);
    EXPECT_STREQ(r.work_dir, WORK_DIR_TEMP);
}

// A work-file writer that lets `budget` bytes through and then fails with
// `error`; with `lie`, its first call writes `budget` bytes but reports
// nothing written, with EINVAL, and the next call fails at once with
// `error`, or passes when that is 0.
size_t budget;
int error, calls;
bool lie;

size_t Faulty_write(const void *data, size_t size, FILE *file)
{
    if (lie && calls++ == 0) {
        std::fwrite(data, 1, budget, file);
        budget = error != 0 ? 0 : SIZE_MAX;
        errno = EINVAL;
        return 0;
    }
    size_t written = std::fwrite(data, 1, size < budget ? size : budget, file);
    budget -= written;
    if (written < size)
        errno = error;
    return written;
}

// A failing write reports 9 for a full device and 8 otherwise; the counts
// then describe exactly the records that reached the file, and nothing else
// changes.  A write that fails part-way without saying why is tried once
// more with what is left: a full device then says so, a passing fault goes
// unnoticed and the records follow on without a gap.
TEST_F(Convert, WriteFailuresKeepCountsOfWhatReachedTheFile)
{
    std::string pic = START, all;
    for (int b = 1; b <= 3; b++) {
        pic += "0    " + std::to_string(b) + "\n";
        for (int k = 0; k < 1000; k++)
            pic += ELECTRON, all += std::to_string(b) + " 2 0 0 0 1234\n";
    }
    struct Case {
        int error;
        bool lie;
        size_t budget; // 1500 records and a fragment; 100 and a fragment
        const char *message;
        uint32_t first, second, records;
    } cases[] = {
        {ENOSPC, false, 1500 * STEP_RECORD_SIZE + 17, "work file device not spase !!", 1000, 500,
         1500},
        {EIO, false, 1500 * STEP_RECORD_SIZE + 17, "work file write err !!", 1000, 500, 1500},
        {ENOSPC, true, 100 * STEP_RECORD_SIZE + 7, "work file device not spase !!", 100, 0, 100},
        {0, true, 100 * STEP_RECORD_SIZE + 7, "", 1000, 1000, 3000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.message << (c.lie ? " after a failure without a reason" : ""));
        messages.clear();
        work_file.batch_count = 77;
        display.view_dirty = 0;
        error = c.error, lie = c.lie, calls = 0, budget = c.budget;
        core_tuning.work_write = Faulty_write;
        int result = Run(pic);
        core_tuning.work_write = nullptr;
        EXPECT_EQ(result, c.error ? -1 : 0);
        EXPECT_EQ(messages.texts(), c.message);
        EXPECT_EQ(work_file.batch_step_count[0], c.first);
        EXPECT_EQ(work_file.batch_step_count[1], c.second);
        EXPECT_EQ(scratch.read("work.$$$").size() / STEP_RECORD_SIZE, c.records);
        EXPECT_EQ(work_file.batch_count, c.error ? 77u : 3u);
        EXPECT_EQ(display.view_dirty, c.error ? 0 : 1);
    }
    EXPECT_EQ(Records(), all); // after the passing fault
}

} // namespace

namespace {

// A float step line from its four fields.
std::string Float_step(char type, const char *x, const char *y, const char *z, const char *e)
{
    char line[128];
    std::snprintf(line, sizeof line, "%c%13s%13s%13s%10s   1 1.000E+00\n", type, x, y, z, e);
    return line;
}

std::string Repeat(const std::string &text, int n)
{
    std::string out;
    for (int i = 0; i < n; i++)
        out += text;
    return out;
}

// The lines left out, one kind to an entry: "kind@first*lines".
std::string Left_out()
{
    std::string out;
    for (int k = PROBLEM_NONE + 1; k < PROBLEM_KINDS; k++) {
        const ProblemLines &p = work_file.stats.problems[k];
        if (p.lines)
            out += (out.empty() ? "" : " ") + std::to_string(k) + "@" +
                   std::to_string(p.first_line) + "*" + std::to_string(p.lines);
    }
    return out;
}

std::string P(int kind, int first, int lines = 1)
{
    return std::to_string(kind) + "@" + std::to_string(first) + "*" + std::to_string(lines);
}

} // namespace

// Each kind of damage to the step lines: the damaged line is left out and
// counted under its problem with its line number (the step lines begin at
// line 4), everything else reads as the clean file would.
TEST_F(Convert, DamagedStepLinesAreLeftOutAndCounted)
{
    const std::string good =
        Float_step('5', "1.000000E+00", "0.000000E+00", "0.000000E+00", "1.000E+03");
    const std::string shifted = " 0    1\n 250000500005000012343\n -\n";
    std::string nul = ELECTRON;
    nul[3] = '\0';
    struct Case {
        const char *what;
        std::string steps, records, left_out;
    } cases[] = {
        {"exponent without digits", Float_step('5', "1.0", "0", "0", "8.3E-"), "",
         P(PROBLEM_NUMBER, 5)},
        {"point and sign without exponent digits", Float_step('5', "1.E+", "0", "0", "1"), "",
         P(PROBLEM_NUMBER, 5)},
        {"Fortran's overflow asterisks", Float_step('5', "*************", "0", "0", "1"), "",
         P(PROBLEM_NUMBER, 5)},
        {"three-digit exponent without its letter", Float_step('5', "0.123456+100", "0", "0", "1"),
         "", P(PROBLEM_NUMBER, 5)},
        {"two points", Float_step('5', "1.5.2", "0", "0", "1"), "", P(PROBLEM_NUMBER, 5)},
        {"NUL byte", nul, "", P(PROBLEM_NUL, 5)},
        {"tab between fields", "2\t50000500005000012343\n", "", P(PROBLEM_TAB, 5)},
        {"not finite", Float_step('5', "1.0E+999", "0", "0", "1"), "", P(PROBLEM_NOT_FINITE, 5)},
        {"one column too many", "2500000500005000012343\n", "", P(PROBLEM_TRAILING, 5)},
        {"batch line one column too long", "0    12\n" + ELECTRON, "1 2 0 0 0 1234\n",
         P(PROBLEM_TRAILING, 5)},
        {"sign parted from its digits", "0-  12\n2-  12500005000012343\n", "",
         P(PROBLEM_NUMBER, 5, 2)},
        {"lower-case d exponents", Float_step('5', "1.0d+00", "2.5d-01", "0", "1.0d+03"),
         "1 2 1 0.25 0 1000\n", ""},
        {"every line shifted by one", shifted, "", P(PROBLEM_TYPE, 5, 3)},
        {"stray point in a long line", "633554432419.30403355443250009\n", "",
         P(PROBLEM_NUMBER, 5)},
        {"stray E in a long line", "6335544324194304033554432500E9\n", "", P(PROBLEM_NUMBER, 5)},
        {"float x without a point, or with it in column 14",
         Float_step('5', "1234567", "0", "0", "1") + Float_step('4', "12.", "0.5", "0", "2"),
         "1 2 1.23457e+06 0 0 1\n1 1 12 0.5 0 2\n", ""},
        {"last line cut in its energy", "2500005000050000123", "", P(PROBLEM_CUT, 5)},
        {"float line cut in its x", "5 1.0000", "", P(PROBLEM_CUT, 5)},
        {"float line cut in its energy", good.substr(0, 45), "", P(PROBLEM_CUT, 5)},
        {"float line cut after its energy", good.substr(0, 50), "1 2 1 0 0 1000\n", ""},
        {"block end without its start", "MEND\n" + ELECTRON, "1 2 0 0 0 1234\n",
         P(PROBLEM_BLOCK_END, 5)},
        {"block in lower case", "msta\nmend\n", "", P(PROBLEM_BLOCK_CASE, 5, 2)},
        {"block opened inside a block of its letter", "MSTA\nMSTA\n  1\nMEND\nMEND\n" + ELECTRON,
         "1 2 0 0 0 1234\n", P(PROBLEM_BLOCK_NESTED, 6)},
        {"block without its end line", "MSTA\n     1\n" + ELECTRON, "",
         P(PROBLEM_BLOCK_OPEN, 5, 3)},
        {"header line among the steps", HEADER + ELECTRON, "1 2 0 0 0 1234\n",
         P(PROBLEM_HEADER_AMONG, 5)},
        {"batch 0", "0    0\n" + ELECTRON + "-\n", "",
         P(PROBLEM_BATCH_RANGE, 5) + " " + P(PROBLEM_OUT_OF_BATCH, 6, 2)},
        {"batches 10000 and 10001", "010000\n" + ELECTRON + "010001\n" + ELECTRON,
         "10000 2 0 0 0 1234\n", P(PROBLEM_BATCH_RANGE, 7) + " " + P(PROBLEM_OUT_OF_BATCH, 8)},
        // Separators as writers of integers write them, and others.
        {"separators -1, - and -1 with blanks and a tab", "-1\n-\n- \t\n-1   \n",
         "1 -1 0 0 0 0\n1 -1 0 0 0 0\n1 -1 0 0 0 0\n1 -1 0 0 0 0\n", ""},
        {"separator with other text: kept, and said", "-2\n-1 0 0\n",
         "1 -1 0 0 0 0\n1 -1 0 0 0 0\n", P(PROBLEM_SEPARATOR_TEXT, 5, 2)},
        // Lost line ends: the whole line is left out and counted once.
        {"2000 characters of glued short lines",
         Repeat(ELECTRON.substr(0, 21), 95) + "\n" + ELECTRON, "1 2 0 0 0 1234\n",
         P(PROBLEM_GLUED, 5)},
        {"a step after 127 columns of a step line",
         ELECTRON.substr(0, 21) + std::string(120, ' ') + ELECTRON + "-\n", "1 -1 0 0 0 0\n",
         P(PROBLEM_TRAILING, 5)},
        {"step and separator glued", ELECTRON.substr(0, 21) + "-\n", "", P(PROBLEM_GLUED, 5)},
        {"two float lines glued", good.substr(0, 64) + good, "", P(PROBLEM_GLUED, 5)},
        {"two long lines glued", "633554432419430403355443250009633554432419430403355443250009\n",
         "", P(PROBLEM_GLUED, 5)},
        {"negative energies",
         "2500005000050000-1233\n" + Float_step('5', "1.0", "0", "0", "-1.000E+00") +
             Float_step('5', "1.0", "0", "0", "-0.000E+00"),
         "1 2 1 0 0 -0\n", P(PROBLEM_NEGATIVE_ENERGY, 5, 2)},
        // An end-of-text mark takes nothing after it with it.
        {"Ctrl-Z inside a line and on its own", "\x1A" + ELECTRON + "\x1A\n" + ELECTRON,
         "1 2 0 0 0 1234\n", P(PROBLEM_CTRL_Z, 5)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        ASSERT_EQ(Run(START + "0    1\n" + c.steps), 0);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(Left_out(), c.left_out);
        EXPECT_EQ(messages.messages().size(), c.left_out.empty() ? 0u : 1u);
    }
    // Steps before the first batch line; in a calculation's output a last
    // line without its line end is not finished yet and is left out alone.
    ASSERT_EQ(Run(START + ELECTRON + "0    1\n" + ELECTRON + "250000"), 0);
    EXPECT_EQ(Left_out(), P(PROBLEM_CUT, 7) + " " + P(PROBLEM_BEFORE_BATCH, 4));
    messages.clear();
    std::string pic = scratch.write("c.pic", START + "0    1\n" + ELECTRON + "250000");
    ASSERT_EQ(
        Picture_convert_file(nullptr, pic.c_str(), scratch.file("work.$$$").c_str(), CONVERT_CALC),
        0);
    EXPECT_EQ(Left_out(), "");
    EXPECT_EQ(work_file.stats.unfinished_lines, 1u);
    EXPECT_EQ(messages.texts(), "");
}

// A header or geometry section that cannot be read fails the conversion
// with message 6, and says which line and why.
TEST_F(Convert, UnreadableHeaderOrGeometryFailsAndSaysWhy)
{
    std::string tabbed = HEADER;
    tabbed[25] = '\t';
    struct Case {
        const char *what;
        std::string text;
        int header_problem;
        const char *geometry_problem;
    } cases[] = {
        {"header with a tab", "GSTA\nGEND\n" + tabbed, PROBLEM_TAB, nullptr},
        {"header shifted by one", "GSTA\nGEND\n " + HEADER, PROBLEM_NUMBER, nullptr},
        {"neither header nor batch line", "GSTA\nGEND\n" + ELECTRON, PROBLEM_NO_HEADER, nullptr},
        {"geometry value not finite",
         "GSTA\nCYLS\n     1     1\n        1.0E+39\n              1\nGEND\n" + HEADER,
         PROBLEM_NONE, "a value that is not a finite number"},
        {"geometry value inf",
         "GSTA\nCYLS\n     1     1\n            inf\n              1\nGEND\n" + HEADER,
         PROBLEM_NONE,
         "a value field that is not one number (values stand in fields of 15 columns)"},
        // Values of a wider field (E20.12 here) are never read in pieces.
        {"geometry values of 20 columns",
         "GSTA\nCYLS\n     2     1\n  2.000000000000E+00 -1.500000000000E+00\n"
         "              1\nGEND\n" +
             HEADER,
         PROBLEM_NONE,
         "a value field that is not one number (values stand in fields of 15 columns)"},
        {"geometry value with a D exponent",
         "GSTA\nCYLS\n     1     1\n        1.5D+02\n              1\nGEND\n" + HEADER,
         PROBLEM_NONE,
         "a value field that is not one number (values stand in fields of 15 columns)"},
        {"geometry value missing",
         "GSTA\nCYLS\n     2     1\n            1.0\n              1\nGEND\n" + HEADER,
         PROBLEM_NONE,
         "a value field of blanks where a value belongs (values stand in fields of 15 columns)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        EXPECT_EQ(Run(c.text + "0    1\n" + ELECTRON), -1);
        EXPECT_EQ(messages.texts().substr(0, 30), "input file read error !!|Line ");
        EXPECT_EQ(work_file.stats.header_problem, c.header_problem);
        EXPECT_EQ(work_file.stats.header_line, c.header_problem ? 3u : 0u);
        EXPECT_STREQ(work_file.stats.geometry.problem, c.geometry_problem);
        if (c.geometry_problem)
            EXPECT_EQ(work_file.stats.geometry.lines, 4);
    }
}

// How a file begins: the header line and the geometry section as writers
// write them.  Each gives the records of the clean file, with the lines to
// report (a remark, or lines left out).
TEST_F(Convert, HeaderAndGeometryAsWritersWriteThem)
{
    const std::string steps = "0    1\n" + ELECTRON + "-1\n";
    const std::string records = "1 2 0 0 0 1234\n1 -1 0 0 0 0\n";
    const std::string cyls = "GSTA\nCYLS\n     1     1\n" + Values(1) + Values(1, 2);
    std::string cr = "\xEF\xBB\xBF" + START + steps, crlf;
    for (char &c : cr) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        c = c == '\n' ? '\r' : c;
    }
    std::string header_zero = HEADER;
    header_zero.replace(60, 10, "     0.000");
    struct Case {
        const char *what;
        std::string text, records, left_out;
    } cases[] = {
        {"blanks and a tab after the header", START.substr(0, START.size() - 1) + "   \t\n" + steps,
         records, ""},
        {"a comment after column 70 of the header",
         START.substr(0, START.size() - 1) + " run 7\n" + steps, records,
         P(PROBLEM_HEADER_TEXT, 3)},
        {"a byte-order mark and CR line ends", cr, records, ""},
        {"a byte-order mark and CR LF line ends", crlf, records, ""},
        {"a geometry section without its closing line", cyls + HEADER + steps, records,
         P(PROBLEM_NO_GEND, 6)},
        {"a closing line other than GEND", cyls + "END\n" + HEADER + steps, records, ""},
        {"a coordinate scale of 0: encoded steps are left out",
         "GSTA\nGEND\n" + header_zero + steps + Float_step('5', "1.0", "0", "0", "1"),
         "1 -1 0 0 0 0\n1 2 1 0 0 1\n", P(PROBLEM_SCALE_ZERO, 5)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        ASSERT_EQ(Run(c.text), 0);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(Left_out(), c.left_out);
        EXPECT_EQ(work_file.x_max, 1.0);
        EXPECT_EQ(messages.messages().size(), c.left_out.empty() ? 0u : 1u);
    }
    EXPECT_EQ(messages.texts(), "1 line of the picture file was left out.\nLine 5: a short or long "
                                "step line, but the header's coordinate scale is 0.");
    // Lines left out and lines read with a remark, in one box.
    messages.clear();
    ASSERT_EQ(Run(START.substr(0, START.size() - 1) + " run 7\n" + steps + "-x\n" +
                  "2nan  500005000010003\n"),
              0);
    EXPECT_EQ(messages.texts(),
              "1 line of the picture file was left out.\nLine 8: a field that is not a number.\n"
              "2 lines of the picture file were read with a remark.\nThe first, line 3: text "
              "after column 70 of the header line (its seven fields were read).");
}

// Without a header line, a step with a coordinate far outside the rest is
// left out, and the scene bounds are those of the rest.
TEST_F(Convert, FarOutCoordinateLeftOutWithoutAHeader)
{
    std::string steps = "GSTA\nGEND\n0    1\n";
    for (int i = 1; i <= 9; i++) {
        std::string v = std::to_string(i) + ".0";
        steps += Float_step('5', v.c_str(), "0.5", v.c_str(), "1");
    }
    // Nine tenths of the coordinates lie below 2^4, so 2^14 and beyond is far.
    ASSERT_EQ(Run(steps + Float_step('5', "1.6384E+04", "0", "0", "1") + "-\n"), 0);
    EXPECT_EQ(Left_out(), P(PROBLEM_FAR_OUT, 13));
    EXPECT_EQ(work_file.x_max, 9.0);
    EXPECT_EQ(work_file.stats.records, 10u);
    EXPECT_EQ(Records().find("16384"), std::string::npos);
#ifndef _WIN32
    // The same picture from a pipe, which cannot be read twice.
    const std::string from_file = Records();
    FILE *pipe = popen(("cat " + scratch.file("p.pic")).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(Picture_convert_stream(nullptr, pipe, scratch.file("work.$$$").c_str()), 0);
    pclose(pipe);
    EXPECT_EQ(Records(), from_file);
    EXPECT_EQ(Left_out(), P(PROBLEM_FAR_OUT, 13));
    EXPECT_EQ(work_file.x_max, 9.0);
#endif
    ASSERT_EQ(Run(steps + Float_step('5', "1.6383E+04", "0", "0", "1")), 0);
    EXPECT_EQ(Left_out(), "");
    EXPECT_EQ(work_file.x_max, 16383.0);
}
