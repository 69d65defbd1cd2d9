// Tests of the recording surface and its text form.
#include "render/record_surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Text(const RecordSurface &r, unsigned flags = 0)
{
    size_t n = Record_format(r, flags, nullptr, 0);
    std::vector<char> buffer(n + 1);
    Record_format(r, flags, buffer.data(), buffer.size());
    return std::string(buffer.data());
}

void Draw_sample(Surface *s)
{
    s->set_origin(5, 5);
    s->pen(PEN_DASH, 1, 0x0000FF);
    s->move_to(1, 2);
    s->line_to(3, 4);
    s->line_to(-5, 6);
    s->pen(PEN_SOLID, 3, 0xABCDEF);
    s->rectangle(0, 1, 10, 11, 0x00FF00);
    s->fill_rect(2, 3, 4, 5, 0xFF0000);
    s->text(7, 8, "X=1cm", 5, 0xFFFFFF);
}

TEST(RecordSurface, RecordsEveryCallWithThePenInForce)
{
    RecordSurface r;
    Draw_sample(&r);
    EXPECT_EQ(Text(r), "origin 5 5\n"
                       "pen 1 1 0000FF\n"
                       "move 1 2\n"
                       "line 1 2 3 4 pen 1 1 0000FF\n"
                       "line 3 4 -5 6 pen 1 1 0000FF\n"
                       "pen 0 3 ABCDEF\n"
                       "rect 0 1 10 11 fill 00FF00 pen 0 3 ABCDEF\n"
                       "fill 2 3 4 5 FF0000\n"
                       "text 7 8 FFFFFF \"X=1cm\"\n");
    EXPECT_EQ(Text(r, RECORD_SKIP_PENS | RECORD_SKIP_MOVES), "origin 5 5\n"
                                                             "line 1 2 3 4 pen 1 1 0000FF\n"
                                                             "line 3 4 -5 6 pen 1 1 0000FF\n"
                                                             "rect 0 1 10 11 fill 00FF00 pen 0 3 ABCDEF\n"
                                                             "fill 2 3 4 5 FF0000\n"
                                                             "text 7 8 FFFFFF \"X=1cm\"\n");
    ASSERT_EQ(r.count(), 9);
    const RecordEntry &line = r.entry(4);
    EXPECT_EQ(line.op, RECORD_LINE_TO);
    EXPECT_EQ(line.a, 3);
    EXPECT_EQ(line.d, 6);
    EXPECT_EQ(r.entry(8).length, 5);
}

TEST(RecordSurface, TextKeepsLengthArgumentAndCutsLongTexts)
{
    RecordSurface r;
    r.text(0, 0, "abcdef", 3, 0);
    std::string long_text(100, 'x');
    r.text(0, 0, long_text.c_str(), 100, 0);
    r.text(0, 0, nullptr, 4, 0);
    r.text(0, 0, "abc", -1, 0);
    EXPECT_STREQ(r.entry(0).text, "abc");
    EXPECT_EQ(std::strlen(r.entry(1).text), static_cast<size_t>(RECORD_TEXT_MAX));
    EXPECT_EQ(r.entry(1).length, 100);
    EXPECT_STREQ(r.entry(2).text, "");
    EXPECT_STREQ(r.entry(3).text, "");
}

TEST(RecordSurface, FormatIsBoundedLikeSnprintf)
{
    RecordSurface r;
    r.move_to(1, 2);
    r.move_to(3, 4);
    const std::string full = "move 1 2\nmove 3 4\n";
    EXPECT_EQ(Record_format(r, 0, nullptr, 0), full.size());
    char small[6];
    std::memset(small, '@', sizeof small);
    EXPECT_EQ(Record_format(r, 0, small, sizeof small), full.size());
    EXPECT_STREQ(small, "move ");
    char exact[19];
    EXPECT_EQ(Record_format(r, 0, exact, sizeof exact), full.size());
    EXPECT_EQ(std::string(exact), full);
}

TEST(RecordSurface, CountsDroppedCallsAndClears)
{
    RecordSurface r;
    for (int i = 0; i < RECORD_MAX_ENTRIES + 3; i++) r.move_to(i, i);
    EXPECT_EQ(r.count(), RECORD_MAX_ENTRIES);
    EXPECT_EQ(r.dropped(), 3);
    std::string text = Text(r);
    EXPECT_EQ(text.substr(text.size() - 10), "dropped 3\n");
    r.clear();
    EXPECT_EQ(r.count(), 0);
    EXPECT_EQ(r.dropped(), 0);
    // The current position survives clear: the next line starts there.
    r.line_to(0, 0);
    EXPECT_EQ(Text(r), "line 8194 8194 0 0 pen 0 0 000000\n");
}

} // namespace
