#include "picture/file_replace.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "picture/platform.h"

namespace fs = std::filesystem;

int Output_target(const char *path, char *target, size_t target_size)
{
    std::error_code error;
    fs::path p(path);
    // A chain of links as the system follows it, each relative to the
    // folder of the link.
    int links = 0;
    while (fs::is_symlink(fs::symlink_status(p, error))) {
        if (++links > 40) {
            errno = ELOOP;
            return -1;
        }
        fs::path next = fs::read_symlink(p, error);
        if (error)
            break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    std::string name = links > 0 ? p.string() : std::string(path);
    if (name.size() >= target_size) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(target, name.c_str(), name.size() + 1);
    if (File_is_device(target))
        return OUTPUT_THROUGH;
    fs::file_status status = fs::status(p, error);
    if (error || !fs::exists(status) || fs::is_regular_file(status))
        return OUTPUT_REPLACE;
    return OUTPUT_THROUGH;
}

int Temporary_name(const char *path, char *out, size_t out_size)
{
    static std::minstd_rand next(std::random_device{}());
    const uint32_t id = Process_id();
    for (int attempt = 0; attempt < 100; attempt++) {
        const unsigned tag = static_cast<unsigned>(next() & 0xFFFFFFu);
        int n =
            std::snprintf(out, out_size, "%s.%u-%06x.part", path, static_cast<unsigned>(id), tag);
        if (n < 0 || static_cast<size_t>(n) >= out_size)
            return -1;
        std::error_code error;
        if (!fs::exists(out, error) && !error)
            return 0;
    }
    return -1;
}

namespace {

// The process id in `name` when it is `base` + "." + digits + "-" + six
// hex digits + ".part"; 0 otherwise.
uint32_t Temporary_owner(const std::string &name, const std::string &base)
{
    const size_t tail = 1 + 6 + 5; // "-" 6 hex digits ".part"
    if (name.size() < base.size() + 2 + tail || name.compare(0, base.size(), base) != 0 ||
        name[base.size()] != '.' || name.compare(name.size() - 5, 5, ".part") != 0)
        return 0;
    size_t digits_end = name.size() - tail;
    if (name[digits_end] != '-')
        return 0;
    for (size_t i = digits_end + 1; i < name.size() - 5; i++)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return 0;
    uint64_t id = 0;
    for (size_t i = base.size() + 1; i < digits_end; i++) {
        char c = name[i];
        if (c < '0' || c > '9' || id > UINT32_MAX / 10)
            return 0;
        id = id * 10 + static_cast<uint64_t>(c - '0');
    }
    return id <= UINT32_MAX ? static_cast<uint32_t>(id) : 0;
}

} // namespace

void Temporary_leftovers_remove(const char *path)
{
    std::error_code error;
    fs::path p(path);
    std::string base = p.filename().string();
    fs::path folder = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    const uint32_t self = Process_id();
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        uint32_t owner = Temporary_owner(it->path().filename().string(), base);
        if (owner != 0 && owner != self && !Process_alive(owner) && it->is_regular_file(error))
            fs::remove(it->path(), error);
    }
}

int File_replace(const char *temporary, const char *path)
{
    // std::filesystem::rename replaces an existing file in one step: on
    // Windows both the Microsoft and the GNU library do it with
    // MoveFileExW(..., MOVEFILE_REPLACE_EXISTING), where the C library's
    // rename refuses an existing target; elsewhere it is rename(2).
    std::error_code error;
    fs::rename(temporary, path, error);
    if (!error)
        return 0;
    errno = error.value() != 0 ? error.value() : EIO;
    return -1;
}
