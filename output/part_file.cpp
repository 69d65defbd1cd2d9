#include "output/part_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

char part_file_current[PART_PATH_SIZE];
volatile std::sig_atomic_t part_file_active = 0;

namespace {

bool Exists(const char *path)
{
    std::FILE *f = std::fopen(path, "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

} // namespace

std::FILE *Part_file_create(const char *path, char *part, size_t part_size)
{
    // Six digits from the clock and the stack's address, stepped on until a
    // name is free: two runs writing beside the same target at once get
    // different names, and no existing file is taken.
    static uint32_t counter = 0;
    uint64_t seed = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    seed ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&seed)) >> 4;
    for (int attempt = 0; attempt < 100; attempt++) {
        uint32_t token = static_cast<uint32_t>((seed + 7919u * (counter++)) % 1000000u);
        int n = std::snprintf(part, part_size, "%s.%06u.part", path, token);
        if (n < 0 || static_cast<size_t>(n) >= part_size ||
            static_cast<size_t>(n) >= sizeof part_file_current) {
            errno = ENAMETOOLONG;
            return nullptr;
        }
        if (Exists(part))
            continue;
        part_file_active = 0;
        std::memcpy(part_file_current, part, static_cast<size_t>(n) + 1);
        std::FILE *f = std::fopen(part, "wb");
        if (!f) {
            int error = errno;
            Part_file_forget();
            errno = error;
            return nullptr;
        }
        part_file_active = 1;
        return f;
    }
    errno = EEXIST;
    return nullptr;
}

void Part_file_forget()
{
    part_file_active = 0;
    part_file_current[0] = '\0';
}

int Part_file_finish(std::FILE *file, bool ok, const char *part, const char *path)
{
    int error = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(part, path) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok)
        std::remove(part);
    Part_file_forget();
    if (!ok) {
        errno = error;
        return -1;
    }
    return 0;
}
