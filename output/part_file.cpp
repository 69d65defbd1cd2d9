#include "output/part_file.h"

#include <cerrno>
#include <cstring>

#include "picture/file_replace.h"

char part_file_current[PART_PATH_SIZE];
volatile std::sig_atomic_t part_file_active = 0;

std::FILE *Part_file_create(const char *path, char *part, size_t part_size)
{
    if (Temporary_name(path, part, part_size) != 0 ||
        std::strlen(part) >= sizeof part_file_current) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    part_file_active = 0;
    std::memcpy(part_file_current, part, std::strlen(part) + 1);
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

void Part_file_forget()
{
    part_file_active = 0;
    part_file_current[0] = '\0';
}

int Part_file_place(bool ok, const char *part, const char *path)
{
    int error = ok ? 0 : errno;
    if (ok && File_replace(part, path) != 0) {
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

int Part_file_finish(std::FILE *file, bool ok, const char *part, const char *path)
{
    int error = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    errno = error;
    return Part_file_place(ok, part, path);
}
