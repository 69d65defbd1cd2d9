// Shared by the fuzz harnesses: quiet messages, a private work file, and a
// stream over the input bytes.
#ifndef VOKA_FUZZ_SUPPORT_H
#define VOKA_FUZZ_SUPPORT_H

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"

// Abort with a message: libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition,       \
                         __FILE__, __LINE__);                                        \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

inline void Fuzz_quiet(WindowRef, const char *, const char *, int, int) {}

inline std::string &Fuzz_work_dir()
{
    static std::string dir;
    return dir;
}

inline void Fuzz_cleanup()
{
    std::system(("rm -rf " + Fuzz_work_dir()).c_str());
}

// Settings defaults, silent messages, and a work directory of this process
// (at most 19 characters, as the setting holds); returns the work-file path.
inline const char *Fuzz_setup()
{
    static std::string work;
    if (work.empty()) {
        Message_set_hook(Fuzz_quiet);
        Settings_init();
        std::string &dir = Fuzz_work_dir();
        dir = "/tmp/vkf" + std::to_string(static_cast<long>(getpid())) + "/";
        std::system(("mkdir -p " + dir).c_str());
        std::atexit(Fuzz_cleanup);
        Text_copy(settings.work_dir, sizeof settings.work_dir, dir.c_str());
        char path[PATH_SIZE + 16];
        Work_path(path, sizeof path);
        work = path;
    }
    return work.c_str();
}

// The input as a read-only stream (an empty input gives an empty stream).
inline FILE *Fuzz_stream(const uint8_t *data, size_t size)
{
    static const char nothing = 0;
    return fmemopen(const_cast<uint8_t *>(size ? data : reinterpret_cast<const uint8_t *>(&nothing)),
                    size ? size : 1, "r");
}

#endif
