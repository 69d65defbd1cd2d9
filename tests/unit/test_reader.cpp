// The line reader: pieces cut as the C library cuts lines read in text
// mode, the same from a stream and from ranges of a file in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "picture/line_source.h"
#include "test_support.h"

namespace {

// Every piece of a source as "NUMBER:TEXT|" (the open pieces marked '+').
std::string Pieces(LineSource *s)
{
    std::string out;
    while (Line_source_next(s) == 0)
        out += std::to_string(s->line_number) + (s->line_open ? "+" : ":") +
               std::string(s->line, s->length) + "|";
    return out;
}

TEST(LineSource, StreamAndRangesInMemoryGiveThePiecesOfTextMode)
{
    const std::string x127(127, 'x'), y126(126, 'y'), z200(200, 'z');
    const std::string text =
        "a\r\n" + x127 + "\r\n" + y126 + "\r\nb\rc\n" + z200 + "\nlast\x1Aignored\n";
    // A CR alone ends a line too; a Ctrl-Z is a character like any other.
    const std::string expected = "1:a\n|2+" + x127 + "|2:\n|3:" + y126 + "\n|4:b\n|5:c\n|6+" +
                                 z200.substr(0, 127) + "|6:" + z200.substr(127) +
                                 "\n|7:last\x1Aignored\n|";
    ScratchDir scratch;
    FILE *f = std::fopen(scratch.write("t.pic", text).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char block[LINE_SOURCE_BLOCK_MIN];
    LineSource source;
    Line_source_stream(&source, f, block, sizeof block, 0);
    EXPECT_EQ(Pieces(&source), expected);
    std::fclose(f);
    // Split after every LF: two sources, the second told the lines before it.
    uint64_t lines = 0;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1, lines++) {
        if (at > 0 && text.compare(0, at, "a\r\n" + x127 + "\r\n" + y126 + "\r\nb\rc\n") == 0)
            lines++; // the line ended by a CR alone
        LineSource first, second;
        Line_source_text(&first, text.data(), at, 0);
        Line_source_text(&second, text.data() + at, text.size() - at, lines);
        std::string pieces = Pieces(&first);
        EXPECT_EQ(pieces + Pieces(&second), expected) << "split at " << at;
    }
}

} // namespace
