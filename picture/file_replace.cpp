#include "picture/file_replace.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

int Temporary_name(const char *path, char *out, size_t out_size)
{
    static std::minstd_rand next(std::random_device{}());
    for (int attempt = 0; attempt < 100; attempt++) {
        const unsigned tag = static_cast<unsigned>(next() & 0xFFFFFFu);
        int n = std::snprintf(out, out_size, "%s.%06x.part", path, tag);
        if (n < 0 || static_cast<size_t>(n) >= out_size)
            return -1;
        std::error_code error;
        if (!std::filesystem::exists(out, error) && !error)
            return 0;
    }
    return -1;
}

int File_replace(const char *temporary, const char *path)
{
    // std::filesystem::rename replaces an existing file in one step: on
    // Windows both the Microsoft and the GNU library do it with
    // MoveFileExW(..., MOVEFILE_REPLACE_EXISTING), where the C library's
    // rename refuses an existing target; elsewhere it is rename(2).
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (!error)
        return 0;
    errno = error.value() != 0 ? error.value() : EIO;
    return -1;
}
