#include "output/part_file.h"

#include <cerrno>
#include <cstring>

#include "picture/file_replace.h"

char part_file_current[PART_PATH_SIZE];
volatile std::sig_atomic_t part_file_active = 0;

std::FILE *Part_file_create(const char *path, char *part, size_t part_size)
{
    char target[PART_PATH_SIZE];
    int how = Output_target(path, target, sizeof target);
    if (how < 0)
        return nullptr;
    if (how == OUTPUT_THROUGH) {
        // Never registered: an interrupt must not remove a device.
        if (std::strlen(target) >= part_size) {
            errno = ENAMETOOLONG;
            return nullptr;
        }
        std::memcpy(part, target, std::strlen(target) + 1);
        return std::fopen(target, "wb");
    }
    Temporary_leftovers_remove(target);
    if (Temporary_name(target, part, part_size) != 0 ||
        std::strlen(part) >= sizeof part_file_current) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    part_file_active = 0;
    std::memcpy(part_file_current, part, std::strlen(part) + 1);
    part_file_active = 1;
    std::FILE *f = std::fopen(part, "wb");
    if (!f) {
        int error = errno;
        Part_file_forget();
        errno = error;
        return nullptr;
    }
    return f;
}

int Part_file_reserve(const char *path, char *part, size_t part_size)
{
    char target[PART_PATH_SIZE];
    int how = Output_target(path, target, sizeof target);
    if (how < 0)
        return -1;
    if (how == OUTPUT_THROUGH) {
        if (std::strlen(target) >= part_size) {
            errno = ENAMETOOLONG;
            return -1;
        }
        std::memcpy(part, target, std::strlen(target) + 1);
        return 0;
    }
    std::FILE *f = Part_file_create(path, part, part_size);
    if (!f)
        return -1;
    if (std::fclose(f) != 0) {
        int error = errno;
        std::remove(part);
        Part_file_forget();
        errno = error;
        return -1;
    }
    return 0;
}

void Part_file_forget()
{
    part_file_active = 0;
    part_file_current[0] = '\0';
}

int Part_file_place(bool ok, const char *part, const char *path)
{
    int error = ok ? 0 : errno;
    char target[PART_PATH_SIZE];
    size_t n = std::strlen(part);
    bool temporary = n > 5 && std::strcmp(part + n - 5, ".part") == 0;
    if (Output_target(path, target, sizeof target) < 0) {
        ok = false;
        error = errno;
    } else if (std::strcmp(part, target) == 0) {
        // Written through: nothing to put in place or to remove.
        Part_file_forget();
        errno = ok ? 0 : (error != 0 ? error : EIO);
        return ok ? 0 : -1;
    }
    if (ok && File_replace(part, target) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok && temporary)
        std::remove(part);
    Part_file_forget();
    if (!ok) {
        errno = error != 0 ? error : EIO;
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
