// The checks of what a user types into the settings dialogs: decimal texts
// (scale unit, cut-off energies) and whole numbers (batch limits).
#include <gtest/gtest.h>

#include <cstring>

#include "picture/numparse.h"

namespace {

struct RealCase {
    const char *text;
    bool passes;
    float value;
};

// Every malformed text is rejected and leaves the output alone; every
// well-formed one gives its number, trailing blanks allowed.
TEST(RealCheck, AcceptsOnlyUnsignedDecimalsWithTrailingBlanks)
{
    const RealCase cases[] = {
        {"0.1", true, 0.1f},    {"999.99", true, 999.99f}, {"12  ", true, 12.0f},
        {"", true, 0.0f},       {"1000", true, 1000.0f},   {"-1", false, 0},
        {".5", false, 0},       {"1.2.3", false, 0},       {"1 2", false, 0},
        {" 12", false, 0},      {"1e3", false, 0},         {"5. ", false, 0},
        {"1,5", false, 0},      {"+3", false, 0},          {"100000001", true, 1e8f},
    };
    for (const RealCase &c : cases) {
        char text[20];
        std::strcpy(text, c.text);
        float value = -7.0f;
        int result = Real_check(text, std::strlen(text), sizeof text, &value);
        EXPECT_EQ(result, c.passes ? 0 : -1) << "\"" << c.text << "\"";
        EXPECT_EQ(value, c.passes ? c.value : -7.0f) << "\"" << c.text << "\"";
    }
}

// "5." is read as 5.0 and the text the dialog commits says so; in a text
// that fills its field there is no room for the 0, and it passes as typed.
TEST(RealCheck, TrailingPointGetsItsZeroOnlyWhereItFits)
{
    char text[10] = "5.";
    float value = 0;
    ASSERT_EQ(Real_check(text, 2, sizeof text, &value), 0);
    EXPECT_STREQ(text, "5.0");
    EXPECT_EQ(value, 5.0f);

    char full[10] = "12345678.";
    ASSERT_EQ(Real_check(full, 9, sizeof full, &value), 0);
    EXPECT_STREQ(full, "12345678.");
    EXPECT_EQ(value, 12345678.0f);
}

struct IntCase {
    const char *text;
    int result;
    int32_t value;
};

TEST(IntCheck, WholeNumberEndsAtABlankOrTheEnd)
{
    const IntCase cases[] = {
        {"3", 0, 3},     {"12", 0, 12},  {"", 0, 0},    {"7 ", 0, 7},   {"7 x", 0, 7},
        {"1x", -1, 0},   {"-1", -1, 0},  {"1.5", -1, 0}, {"10000", 0, 10000},
    };
    for (const IntCase &c : cases) {
        int32_t value = -7;
        EXPECT_EQ(Int_check(c.text, 6, &value), c.result) << "\"" << c.text << "\"";
        EXPECT_EQ(value, c.result == 0 ? c.value : -7) << "\"" << c.text << "\"";
    }
}

// The scan stops at the given length: what lies beyond it is not looked at.
TEST(IntCheck, LooksNoFurtherThanItsLength)
{
    int32_t value = 0;
    EXPECT_EQ(Int_check("12x", 2, &value), 0);
    EXPECT_EQ(value, 12);
}

} // namespace
