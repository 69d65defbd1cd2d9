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
    const std::string expected = "1:a\n|2+" + x127 + "|2:\n|3:" + y126 + "\n|4:b\rc\n|5+" +
                                 z200.substr(0, 127) + "|5:" + z200.substr(127) + "\n|6:last|";
    ScratchDir scratch;
    FILE *f = std::fopen(scratch.write("t.pic", text).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char block[LINE_SOURCE_BLOCK_MIN];
    LineSource source;
    Line_source_stream(&source, f, block, sizeof block, 0);
    EXPECT_EQ(Pieces(&source), expected);
    std::fclose(f);
    // Split at every line start: two sources over the text up to its
    // Ctrl-Z (where the parallel conversion stops), the second told the
    // lines before it.
    const std::string head = text.substr(0, text.find('\x1A'));
    uint64_t lines = 0;
    for (size_t at = 0; at < head.size(); at = head.find('\n', at) + 1, lines++) {
        LineSource first, second;
        Line_source_text(&first, head.data(), at, 0);
        Line_source_text(&second, head.data() + at, head.size() - at, lines);
        std::string pieces = Pieces(&first);
        EXPECT_EQ(pieces + Pieces(&second), expected) << "split at " << at;
        if (head.find('\n', at) == std::string::npos)
            break;
    }
}

} // namespace
