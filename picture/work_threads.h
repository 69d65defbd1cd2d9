// How many threads the conversion and the rebuild of a picture work with:
// one a core, at least two; or the number in the environment variable
// VOKA_THREADS (1 gives the one-thread paths, for comparison and
// measurement).
#ifndef VOKA_WORK_THREADS_H
#define VOKA_WORK_THREADS_H

enum { WORK_THREADS_MAX = 16 };

// The number of threads, 1 .. WORK_THREADS_MAX.  work_threads, when not 0,
// says it instead (tests).
int Work_threads();
extern int work_threads;

#endif
