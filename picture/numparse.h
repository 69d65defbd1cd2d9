// Number conversion of the picture data: the real rule and the integer rule
// of the fixed-column fields, and the plainer scan of geometry values; and
// the stricter checks of what a user types into the settings dialogs.
// Locale-independent; the decimal point is always '.'.
#ifndef VOKA_NUMPARSE_H
#define VOKA_NUMPARSE_H

#include <cstddef>
#include <cstdint>

// Real rule: leading blanks skipped; optional sign, digits with an optional
// decimal point, optional exponent introduced by E, e, D or d (1.5D+02 is
// 150) with optional sign and digits; stops at the first character that
// cannot continue the number.  No number gives 0.  The result is the
// correctly rounded double of the text read.
double Real_parse(const char *text, size_t length);

// As Real_parse, but the exponent may be introduced by E or e only: a D or d
// ends the number (1.5D+02 is 1.5).  Used for geometry values.
double Value_parse(const char *text, size_t length);

// The decimal form of a number read by the real rule, when its value was
// computed from it in one correctly rounded operation (`exact`): the value
// is Real_compose(digits, scale, negative).  Numbers of more than 15
// significant digits or with a decimal exponent beyond +-22 are not exact.
struct RealParts {
    uint64_t digits;   // the significant digits as an integer
    int32_t scale;     // power of ten that multiplies them
    bool negative;
    bool exact;
};

// digits x 10^scale, negated when `negative`, for digits below 2^53 and a
// scale within -22..22: the correctly rounded double.
double Real_compose(uint64_t digits, int32_t scale, bool negative);

// The real rule for a field that must hold a finite number: 0 with the
// value in *value, or -1 when the field spells an infinity or a NaN ("inf",
// "nan", as the C library writes them) or its value overflows a double.
// `parts`, when given, receives the decimal form of the number.
int Real_field_scan(const char *text, size_t length, double *value, RealParts *parts);

// The same, taking the common case of the step lines' fields at once:
// digits alone after the blanks (up to 15 of them, exact in a double).
inline int Real_field(const char *text, size_t length, double *value, RealParts *parts = nullptr)
{
    size_t start = 0;
    while (start < length && (text[start] == ' ' || text[start] == '\t'))
        start++;
    size_t limit = length - start < 15 ? length : start + 15;
    size_t end = start;
    uint64_t whole = 0;
    for (; end < limit; end++) {
        unsigned digit = static_cast<unsigned char>(text[end]) - unsigned{'0'};
        if (digit > 9)
            break;
        whole = whole * 10 + digit;
    }
    if (end == start)
        return Real_field_scan(text, length, value, parts);
    if (end < length) {
        // What would go on with the number: more digits, a point, an exponent.
        char c = text[end];
        if ((c >= '0' && c <= '9') || c == '.' || c == 'E' || c == 'e' || c == 'D' || c == 'd')
            return Real_field_scan(text, length, value, parts);
    }
    if (parts)
        *parts = RealParts{whole, 0, false, true};
    *value = static_cast<double>(whole);
    return 0;
}

// Integer rule: leading blanks skipped, optional sign and decimal digits,
// stopping likewise; no number gives 0.  Saturates at the 32-bit range.
long Integer_parse(const char *text, size_t length);

// Convert a zero-terminated text by the real rule (settings texts).
double Real_text(const char *text);

// Check of a typed unsigned decimal number: digits with at most one point,
// which neither begins the text nor is followed by a blank; blanks only
// trailing; no sign, no exponent.  An empty text passes as 0.  A text that
// ends in a point ("12.") has a 0 appended in place ("12.0") when the field
// of `size` bytes has room for it; a text that already fills its field
// passes as the same number and stays as typed.  On success stores the
// value in single precision and returns 0; otherwise returns -1 and leaves
// `value` alone.  `length` counts the characters of `text`.
int Real_check(char *text, size_t length, size_t size, float *value);

// Check of a typed unsigned whole number: the characters up to the first
// that is not a digit, which must be a blank or the end (so "7 x" passes as
// 7 and "7x" fails); at most `length` characters are looked at.  The value
// is that of the standard integer conversion (leading blanks skipped).  An
// empty text passes as 0.  Returns 0 and stores the value, or -1.
int Int_check(const char *text, size_t length, int32_t *value);

#endif
