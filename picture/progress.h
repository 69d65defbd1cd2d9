// Progress of long work (the conversion, the rebuild), for a front end
// that shows it.
#ifndef VOKA_PROGRESS_H
#define VOKA_PROGRESS_H

#include <cstdint>

// Progress of lengthy work, for a front end that shows it: called now and then
// (every 65536 lines or records) with what is being done ("converting",
// "drawing"), the part done and the whole, in any one unit.  nullptr: none.
typedef void (*ProgressHook)(const char *what, uint64_t done, uint64_t total);
extern ProgressHook progress_hook;
enum { PROGRESS_EVERY = 65536 };

#endif
