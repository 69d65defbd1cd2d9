// The platform on POSIX systems (Linux and the like): sysconf and mmap.
#include "picture/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t File_tell(FILE *stream)
{
    return static_cast<int64_t>(ftello(stream));
}

int File_seek(FILE *stream, int64_t offset, int whence)
{
    return fseeko(stream, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
}

uint64_t Platform_memory_size()
{
    const int64_t pages = sysconf(_SC_PHYS_PAGES);
    const int64_t page_size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page_size <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size);
}

int Platform_temp_dir(char *out, size_t size)
{
    const char *dir = getenv("TMPDIR");
    if (dir == nullptr || dir[0] == '\0')
        dir = "/tmp";
    size_t n = strlen(dir);
    bool slash = dir[n - 1] == '/';
    if (n + (slash ? 0 : 1) >= size)
        return -1;
    memcpy(out, dir, n);
    if (!slash)
        out[n++] = '/';
    out[n] = '\0';
    return 0;
}

namespace {

const size_t HUGE_PAGE = size_t{2} << 20;

} // namespace

void *Platform_alloc_large(size_t bytes)
{
    if (bytes == 0 || bytes > SIZE_MAX - HUGE_PAGE)
        return nullptr;
    // Mapped with a huge page's room to spare, then cut to begin on a huge
    // page's boundary, where the system can place huge pages.
    size_t mapped = bytes + HUGE_PAGE;
    void *base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    uintptr_t at = reinterpret_cast<uintptr_t>(base);
    size_t head = static_cast<size_t>(((at + HUGE_PAGE - 1) & ~(uintptr_t{HUGE_PAGE} - 1)) - at);
    char *memory = static_cast<char *>(base) + head;
    if (head > 0)
        munmap(base, head);
    size_t tail = mapped - head - bytes;
    if (tail > 0)
        munmap(memory + bytes, tail);
#ifdef MADV_HUGEPAGE
    madvise(memory, bytes, MADV_HUGEPAGE);
#endif
    return memory;
}

void Platform_free_large(void *memory, size_t bytes)
{
    if (memory)
        munmap(memory, bytes);
}

int File_map_open(MappedFile *file, const char *path)
{
    file->file = -1;
    file->mapping = 0;
    file->size = 0;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    struct stat status;
    if (fstat(fd, &status) != 0) {
        close(fd);
        return -1;
    }
    file->file = fd;
    file->size = static_cast<uint64_t>(status.st_size);
    return 0;
}

int File_map_view(const MappedFile *file, uint64_t offset, size_t length, FileView *view)
{
    view->data = nullptr;
    view->base = nullptr;
    view->base_size = 0;
    if (file->file < 0 || length == 0 || offset + length > file->size)
        return -1;
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGE_SIZE));
    const uint64_t start = offset - offset % page;
    const size_t size = static_cast<size_t>(offset - start) + length;
    void *base = mmap(nullptr, size, PROT_READ, MAP_SHARED, static_cast<int>(file->file),
                      static_cast<off_t>(start));
    if (base == MAP_FAILED)
        return -1;
    // Read from the start to the end once.
    madvise(base, size, MADV_SEQUENTIAL);
    view->base = base;
    view->base_size = size;
    view->data = static_cast<const uint8_t *>(base) + (offset - start);
    return 0;
}

void File_unmap_view(FileView *view)
{
    if (view->base)
        munmap(view->base, view->base_size);
    view->data = nullptr;
    view->base = nullptr;
    view->base_size = 0;
}

void File_map_close(MappedFile *file)
{
    if (file->file >= 0)
        close(static_cast<int>(file->file));
    file->file = -1;
}

int File_same(const char *a, const char *b)
{
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0)
        return 0;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}

int File_is_device(const char *path)
{
    struct stat s;
    if (stat(path, &s) != 0)
        return 0;
    return S_ISCHR(s.st_mode) || S_ISBLK(s.st_mode) || S_ISFIFO(s.st_mode) || S_ISSOCK(s.st_mode)
               ? 1
               : 0;
}

uint32_t Process_id()
{
    return static_cast<uint32_t>(getpid());
}

int Process_alive(uint32_t id)
{
    if (id == 0 || id > static_cast<uint32_t>(INT32_MAX))
        return 1;
    return kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH ? 1 : 0;
}
