#include "picture/numparse.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool Is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool Is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Exact powers of ten: every integer of up to 15 digits times one of these
// (or divided by one) is the correctly rounded result.
const double exact_power[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A number scanned by the real rule: where it lies in the text and its
// decimal form.
struct NumberScan {
    size_t start; // its first character (the sign, if any)
    size_t end;   // the first character after it
    bool negative;
    unsigned long long digits; // significant digits (at most 18)
    int digit_count;
    int fraction_digits; // of those, how many after the point
    bool any_digit;
    bool exact;       // no significant digit was dropped
    int32_t exponent; // the exponent's value (0 without one)
};

// Leading blanks and the sign.
size_t Sign_scan(const char *text, size_t length, NumberScan *n)
{
    size_t i = 0;
    while (i < length && Is_blank(text[i]))
        i++;
    n->start = i;
    n->negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        n->negative = text[i] == '-';
        i++;
    }
    return i;
}

// Digits of the mantissa from i on (after the point when `fraction`).
size_t Digits_scan(const char *text, size_t length, size_t i, bool fraction, NumberScan *n)
{
    for (; i < length && Is_digit(text[i]); i++) {
        n->any_digit = true;
        if (n->digits == 0 && text[i] == '0') {
            if (fraction)
                n->fraction_digits++;
        } else if (n->digit_count < 18) {
            n->digits = n->digits * 10 + static_cast<unsigned>(text[i] - '0');
            n->digit_count++;
            if (fraction)
                n->fraction_digits++;
        } else {
            n->exact = false;
        }
    }
    return i;
}

// An exponent from i on: its marker (E or e, and D or d when `d_exponent`),
// optional sign, digits.  Without digits there is no exponent and i stays.
size_t Exponent_scan(const char *text, size_t length, size_t i, bool d_exponent, NumberScan *n)
{
    if (i >= length)
        return i;
    char c = text[i];
    if (!(c == 'E' || c == 'e' || (d_exponent && (c == 'D' || c == 'd'))))
        return i;
    size_t j = i + 1;
    bool negative = false;
    if (j < length && (text[j] == '+' || text[j] == '-')) {
        negative = text[j] == '-';
        j++;
    }
    if (j >= length || !Is_digit(text[j]))
        return i;
    int32_t exponent = 0;
    for (; j < length && Is_digit(text[j]); j++)
        if (exponent < 100000)
            exponent = exponent * 10 + (text[j] - '0');
    n->exponent = negative ? -exponent : exponent;
    return j;
}

// Scan a number by the real rule (see Real_parse).
void Number_scan(const char *text, size_t length, bool d_exponent, NumberScan *n)
{
    *n = NumberScan{};
    n->exact = true;
    size_t i = Sign_scan(text, length, n);
    i = Digits_scan(text, length, i, false, n);
    if (i < length && text[i] == '.')
        i = Digits_scan(text, length, i + 1, true, n);
    if (n->any_digit)
        i = Exponent_scan(text, length, i, d_exponent, n);
    n->end = i;
}

// The value of a scanned number: at once when its digits and decimal
// exponent make it exact in a double, else through the C library (with a
// D exponent marker turned into E), which rounds correctly.
double Number_value(const char *text, const NumberScan *n, RealParts *parts)
{
    const int64_t scale = int64_t{n->exponent} - n->fraction_digits;
    if (n->exact && n->digits < (1ULL << 53) && scale >= -22 && scale <= 22) {
        if (parts)
            *parts = RealParts{n->digits, static_cast<int32_t>(scale), n->negative, true};
        return Real_compose(n->digits, static_cast<int32_t>(scale), n->negative);
    }
    char buffer[512];
    size_t count = n->end - n->start;
    if (count >= sizeof buffer)
        count = sizeof buffer - 1;
    std::memcpy(buffer, text + n->start, count);
    buffer[count] = '\0';
    for (size_t k = 0; k < count; k++)
        if (buffer[k] == 'D' || buffer[k] == 'd')
            buffer[k] = 'E';
    return std::strtod(buffer, nullptr);
}

// True when the text from i on spells "inf" or "nan" (in any case).
bool Infinite_word(const char *text, size_t length, size_t i)
{
    if (length - i < 3)
        return false;
    char a = static_cast<char>(text[i] | 0x20);
    char b = static_cast<char>(text[i + 1] | 0x20);
    char c = static_cast<char>(text[i + 2] | 0x20);
    return (a == 'i' && b == 'n' && c == 'f') || (a == 'n' && b == 'a' && c == 'n');
}

// `infinite_word`, when given, is set when the text spells "inf" or "nan"
// (in any case), which the rule reads as no number; `parts`, when given,
// receives the decimal form.
double Number_parse(const char *text, size_t length, bool d_exponent, bool *infinite_word = nullptr,
                    RealParts *parts = nullptr)
{
    if (parts)
        parts->exact = false;
    NumberScan n;
    Number_scan(text, length, d_exponent, &n);
    if (!n.any_digit) {
        if (parts)
            *parts = RealParts{0, 0, false, true};
        if (infinite_word)
            *infinite_word = Infinite_word(text, length, n.end);
        return 0.0;
    }
    return Number_value(text, &n, parts);
}

// Integer rule: leading blanks skipped, optional sign and decimal digits,
// stopping at the first other character; no number gives 0.  Saturates at
// the 32-bit range.
int32_t Integer_parse(const char *text, size_t length)
{
    size_t i = 0;
    while (i < length && Is_blank(text[i]))
        i++;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        i++;
    }
    int64_t value = 0;
    while (i < length && Is_digit(text[i])) {
        if (value < 0x80000000LL)
            value = value * 10 + (text[i] - '0');
        i++;
    }
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFFLL)
        value = 0x7FFFFFFFLL;
    if (value < -0x80000000LL)
        value = -0x80000000LL;
    return static_cast<int32_t>(value);
}

} // namespace

double Real_compose(uint64_t digits, int32_t scale, bool negative)
{
    double value = static_cast<double>(digits);
    if (scale < 0)
        value /= exact_power[-scale];
    else
        value *= exact_power[scale];
    return negative ? -value : value;
}

double Real_parse(const char *text, size_t length)
{
    return Number_parse(text, length, true);
}

int Value_field_scan(const char *text, size_t length, double *value)
{
    bool word = false;
    *value = Number_parse(text, length, false, &word);
    return !word && std::isfinite(*value) ? 0 : -1;
}

int Real_field_whole(const char *text, size_t length, double *value, RealParts *parts)
{
    if (parts)
        parts->exact = false;
    size_t blanks = 0;
    while (blanks < length && text[blanks] == ' ')
        blanks++;
    if (blanks == length)
        return FIELD_BLANK;
    NumberScan n;
    Number_scan(text + blanks, length - blanks, true, &n);
    if (n.start != 0 || !n.any_digit || n.end != length - blanks)
        return FIELD_MALFORMED;
    *value = Number_value(text + blanks, &n, parts);
    return std::isfinite(*value) ? FIELD_NUMBER : FIELD_NOT_FINITE;
}

double Real_text(const char *text)
{
    return Real_parse(text, std::strlen(text));
}

int Real_check(char *text, size_t length, size_t size, float *value)
{
    // A trailing point stands for point zero.
    bool bare_point = length > 0 && text[length - 1] == '.';
    if (bare_point && length + 2 <= size) {
        text[length] = '0';
        text[length + 1] = '\0';
        length++;
        bare_point = false;
    }
    int points = 0;
    for (size_t i = 0; i < length; i++) {
        char c = text[i];
        char next = i + 1 < length ? text[i + 1] : '\0';
        bool next_ends = next == ' ' || next == '\0';
        if (Is_digit(c))
            continue;
        if (c == ' ' || c == '\0') {
            if (!next_ends)
                return -1; // a blank inside or before the number
            continue;
        }
        if (c != '.' || i == 0)
            return -1;
        if (next_ends && !(bare_point && i + 1 == length))
            return -1;
        points++;
    }
    if (points > 1)
        return -1;
    *value = static_cast<float>(Real_parse(text, length));
    return 0;
}

int Int_check(const char *text, size_t length, int32_t *value)
{
    size_t end = 0;
    while (end < length && Is_digit(text[end]))
        end++;
    if (end < length && text[end] != ' ' && text[end] != '\0')
        return -1;
    size_t n = 0;
    while (n < length && text[n] != '\0')
        n++;
    *value = Integer_parse(text, n);
    return 0;
}
