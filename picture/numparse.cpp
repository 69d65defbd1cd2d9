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
const double exact_power[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16,
                              1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// `infinite_word`, when given, is set when the text spells "inf" or "nan"
// (in any case), which the rule reads as no number; `parts`, when given,
// receives the decimal form.
double Number_parse(const char *text, size_t length, bool d_exponent, bool *infinite_word = nullptr,
                    RealParts *parts = nullptr)
{
    if (parts)
        parts->exact = false;
    size_t i = 0;
    while (i < length && Is_blank(text[i]))
        i++;
    size_t start = i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        i++;
    }
    // Mantissa: digits, optional point, digits.
    unsigned long long digits = 0;
    int digit_count = 0;     // significant digits gathered in `digits`
    int fraction_digits = 0; // of those, how many after the point
    bool any_digit = false;
    bool exact = true;
    while (i < length && Is_digit(text[i])) {
        any_digit = true;
        if (digits == 0 && text[i] == '0') {
            i++;
            continue;
        }
        if (digit_count < 18) {
            digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
            digit_count++;
        } else {
            exact = false;
        }
        i++;
    }
    if (i < length && text[i] == '.') {
        i++;
        while (i < length && Is_digit(text[i])) {
            any_digit = true;
            if (digits == 0 && text[i] == '0') {
                fraction_digits++;
            } else if (digit_count < 18) {
                digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
                digit_count++;
                fraction_digits++;
            } else {
                exact = false;
            }
            i++;
        }
    }
    if (!any_digit) {
        if (parts)
            *parts = RealParts{0, 0, false, true};
        if (infinite_word && length - i >= 3) {
            char a = static_cast<char>(text[i] | 0x20);
            char b = static_cast<char>(text[i + 1] | 0x20);
            char c = static_cast<char>(text[i + 2] | 0x20);
            *infinite_word = (a == 'i' && b == 'n' && c == 'f') || (a == 'n' && b == 'a' && c == 'n');
        }
        return 0.0;
    }
    size_t mantissa_end = i;
    long exponent = 0;
    bool has_exponent = false;
    if (i < length) {
        char c = text[i];
        bool marker = c == 'E' || c == 'e' || (d_exponent && (c == 'D' || c == 'd'));
        if (marker) {
            size_t j = i + 1;
            bool exp_negative = false;
            if (j < length && (text[j] == '+' || text[j] == '-')) {
                exp_negative = text[j] == '-';
                j++;
            }
            if (j < length && Is_digit(text[j])) {
                while (j < length && Is_digit(text[j])) {
                    if (exponent < 100000)
                        exponent = exponent * 10 + (text[j] - '0');
                    j++;
                }
                if (exp_negative)
                    exponent = -exponent;
                has_exponent = true;
                i = j;
            }
        }
    }
    // Fast path: few digits and a small decimal exponent are exact in double.
    long scale = exponent - fraction_digits;
    if (exact && digits < (1ULL << 53) && scale >= -22 && scale <= 22) {
        if (parts)
            *parts = RealParts{digits, static_cast<int32_t>(scale), negative, true};
        return Real_compose(digits, static_cast<int32_t>(scale), negative);
    }
    // General case: hand the text (with a D exponent marker turned into E)
    // to the C library, which rounds correctly.
    char buffer[512];
    size_t n = (has_exponent ? i : mantissa_end) - start;
    if (n >= sizeof buffer)
        n = sizeof buffer - 1;
    std::memcpy(buffer, text + start, n);
    buffer[n] = '\0';
    for (size_t k = 0; k < n; k++)
        if (buffer[k] == 'D' || buffer[k] == 'd')
            buffer[k] = 'E';
    return std::strtod(buffer, nullptr);
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

double Value_parse(const char *text, size_t length)
{
    return Number_parse(text, length, false);
}

int Real_field_scan(const char *text, size_t length, double *value, RealParts *parts)
{
    bool word = false;
    *value = Number_parse(text, length, true, &word, parts);
    return !word && std::isfinite(*value) ? 0 : -1;
}

long Integer_parse(const char *text, size_t length)
{
    size_t i = 0;
    while (i < length && Is_blank(text[i]))
        i++;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        i++;
    }
    long long value = 0;
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
    return static_cast<long>(value);
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
                return -1;   // a blank inside or before the number
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
    *value = static_cast<int32_t>(Integer_parse(text, n));
    return 0;
}
