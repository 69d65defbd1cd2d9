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
// ends the number (1.5D+02 is 1.5).  Used for geometry values: 0 with the
// value in *value, or -1 when the text spells an infinity or a NaN or the
// value overflows a double.
int Value_field_scan(const char *text, size_t length, double *value);

// The decimal form of a number read by the real rule, when its value was
// computed from it in one correctly rounded operation (`exact`): the value
// is Real_compose(digits, scale, negative).  Numbers of more than 15
// significant digits or with a decimal exponent beyond +-22 are not exact.
struct RealParts {
    uint64_t digits; // the significant digits as an integer
    int32_t scale;   // power of ten that multiplies them
    bool negative;
    bool exact;
};

// digits x 10^scale, negated when `negative`, for digits below 2^53 and a
// scale within -22..22: the correctly rounded double.
double Real_compose(uint64_t digits, int32_t scale, bool negative);

// A field that must hold exactly one number by the real rule, right-aligned:
// blanks (no tabs), then the number up to the field's last character.
enum { FIELD_NUMBER = 0, FIELD_BLANK = 1, FIELD_MALFORMED = 2, FIELD_NOT_FINITE = 3 };

// FIELD_NUMBER with the value in *value (and, when `parts` is given, its
// decimal form); FIELD_BLANK for a field of blanks; FIELD_MALFORMED for
// anything else than a number filling it to its end (an exponent without
// digits, a second point, a character that cannot continue the number);
// FIELD_NOT_FINITE when its value overflows a double.
int Real_field_whole(const char *text, size_t length, double *value, RealParts *parts = nullptr);

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
