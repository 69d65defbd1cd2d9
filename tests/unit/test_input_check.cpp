// The checks of what a user types into the settings dialogs: decimal texts
// (scale unit, cut-off energies) and whole numbers (batch limits).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "picture/numparse.h"
#include "render/energy_colour.h"

namespace {

// Every malformed text is rejected and leaves text and output alone; every
// well-formed one gives its number, trailing blanks allowed.  "5." is read
// as 5.0 and the text the dialog commits says so; in a text that fills its
// field there is no room for the 0, and it passes as typed.
TEST(RealCheck, AcceptsOnlyUnsignedDecimalsAndCompletesATrailingPoint)
{
    const struct {
        const char *text, *committed; // committed: nullptr when rejected
        float value;
    } cases[] = {
        {"0.1", "0.1", 0.1f},      {"999.99", "999.99", 999.99f},
        {"12  ", "12  ", 12.0f},   {"", "", 0.0f},
        {"1000", "1000", 1000.0f}, {"100000001", "100000001", 1e8f},
        {"5.", "5.0", 5.0f},       {"12345678.", "12345678.", 12345678.0f},
        {"-1", nullptr, 0},        {".5", nullptr, 0},
        {"1.2.3", nullptr, 0},     {"1 2", nullptr, 0},
        {" 12", nullptr, 0},       {"1e3", nullptr, 0},
        {"5. ", nullptr, 0},       {"1,5", nullptr, 0},
        {"+3", nullptr, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        char text[10];
        std::strcpy(text, c.text);
        float value = -7.0f;
        EXPECT_EQ(Real_check(text, std::strlen(text), sizeof text, &value), c.committed ? 0 : -1);
        EXPECT_STREQ(text, c.committed ? c.committed : c.text);
        EXPECT_EQ(value, c.committed ? c.value : -7.0f);
    }
}

// A whole number ends at a blank or at the given length: what lies beyond
// either is not looked at.
TEST(IntCheck, WholeNumberEndsAtABlankOrItsLength)
{
    const struct {
        const char *text;
        size_t length;
        int result;
        int32_t value;
    } cases[] = {
        {"3", 6, 0, 3},    {"12", 6, 0, 12},       {"", 6, 0, 0},    {"7 ", 6, 0, 7},
        {"7 x", 6, 0, 7},  {"12x", 2, 0, 12},      {"1x", 6, -1, 0}, {"-1", 6, -1, 0},
        {"1.5", 6, -1, 0}, {"10000", 6, 0, 10000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = -7;
        EXPECT_EQ(Int_check(c.text, c.length, &value), c.result);
        EXPECT_EQ(value, c.result == 0 ? c.value : -7);
    }
}

} // namespace

// Energy limits are refused unless both survive single precision, the low
// one below the high one by a ratio of 1.0001 at least.
TEST(EnergyLimits, RuleOfTheDialogAndTheTool)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double low, high;
        bool good;
    } cases[] = {
        {0.01, 50, true},        {1e-38, 1e38, false}, // 1e-38 is below a normal float
        {1.2e-38, 3.4e38, true}, {1e-50, 1, false},        {1, 1e39, false},
        {1, 1.00000001, false},  {1, 1.0001, true},        {1, 1.00009, false},
        {0, 1, false},           {-1, 1, false},           {2, 1, false},
        {1, inf, false},         {std::nan(""), 1, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Energy_limits_good(c.low, c.high), c.good) << c.low << " " << c.high;
}
