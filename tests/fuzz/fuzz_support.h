// Shared by the fuzz harnesses: quiet messages, a work file of this process,
// a stream over the input bytes, and a check that keeps the input when an
// invariant breaks.
#ifndef VOKA_FUZZ_SUPPORT_H
#define VOKA_FUZZ_SUPPORT_H

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

inline void Fuzz_quiet(WindowRef, const char *, const char *, int, int)
{
}
inline void Fuzz_cleanup()
{
    std::system(("rm -rf " + std::string(settings.work_dir)).c_str());
}

// Defaults, no messages, a work directory of its own; returns the work path.
inline const char *Fuzz_setup()
{
    static char work[PATH_SIZE + 16];
    if (work[0] == '\0') {
        Message_set_hook(Fuzz_quiet);
        Settings_init();
        Display_init();
        std::string dir = "/tmp/vkf" + std::to_string(static_cast<long>(getpid())) + "/";
        std::system(("mkdir -p " + dir).c_str());
        Text_copy(settings.work_dir, sizeof settings.work_dir, dir.c_str());
        Work_path(work, sizeof work);
        std::atexit(Fuzz_cleanup);
    }
    return work;
}

// The input as a read-only stream (an empty input gives an empty stream).
inline FILE *Fuzz_stream(const uint8_t *data, size_t size)
{
    static char nothing[1];
    return size ? fmemopen(const_cast<uint8_t *>(data), size, "r") : fmemopen(nothing, 1, "r");
}

#endif
