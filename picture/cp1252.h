// Text in the code page of the window, Windows-1252: the title and every
// text the renderers draw are bytes of that code page, as the window's text
// calls read them.  The command-line tools take UTF-8 and the figure files
// hold Unicode; these convert between the two.
#ifndef VOKA_CP1252_H
#define VOKA_CP1252_H

#include <cstddef>

// The Unicode code point of Windows-1252 byte `c`; 0 for the five bytes
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
unsigned Cp1252_code_point(unsigned char c);

// `length` bytes of Windows-1252 text as zero-terminated UTF-8 in `out`;
// control characters and undefined bytes become '?'.  Stops at a character
// that does not fit.  Returns the bytes written without the zero.
size_t Cp1252_to_utf8(const char *text, size_t length, char *out, size_t out_size);

// Zero-terminated `text` as Windows-1252 in `out` (zero-terminated): UTF-8
// when it is valid UTF-8, else bytes of Windows-1252 (or Latin-1) as they
// are.  Characters that the code page lacks become '?' and are counted in
// *missing.  Returns 0, or -1 when the result does not fit `out`.
int Text_to_cp1252(const char *text, char *out, size_t out_size, int *missing);

#endif
