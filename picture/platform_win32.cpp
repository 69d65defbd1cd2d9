// The platform on Windows: GlobalMemoryStatusEx and file mappings
// (CreateFileMapping, MapViewOfFile), 64-bit stream positions.
#include "picture/platform.h"

#include <stdio.h>
#include <windows.h>

int64_t File_tell(FILE *stream)
{
    return _ftelli64(stream);
}

int File_seek(FILE *stream, int64_t offset, int whence)
{
    return _fseeki64(stream, offset, whence) == 0 ? 0 : -1;
}

uint64_t Platform_memory_size()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return status.ullTotalPhys;
}

namespace {

// A wide path in the ANSI code page that fopen takes; -1 when a character
// has no place there or it does not fit.
int Ansi_path(const wchar_t *wide, char *out, size_t size)
{
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, static_cast<int>(size),
                                nullptr, &lost);
    return n > 0 && !lost ? 0 : -1;
}

} // namespace

int Platform_temp_dir(char *out, size_t size)
{
    // GetTempPathW names the folder with its trailing backslash.  A user
    // name outside the ANSI code page makes the full path unusable for the
    // C library: the short (8.3) name of the same folder is taken then.
    wchar_t wide[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, wide);
    if (n == 0 || n > MAX_PATH)
        return -1;
    if (Ansi_path(wide, out, size) == 0)
        return 0;
    wchar_t short_name[MAX_PATH + 1];
    n = GetShortPathNameW(wide, short_name, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return -1;
    return Ansi_path(short_name, out, size);
}

void *Platform_alloc_large(size_t bytes)
{
    // Large pages need a privilege that programs do not have: pages of the
    // usual size.
    return bytes == 0 ? nullptr
                      : VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void Platform_free_large(void *memory, size_t)
{
    if (memory)
        VirtualFree(memory, 0, MEM_RELEASE);
}

int File_map_open(MappedFile *file, const char *path)
{
    file->file = -1;
    file->mapping = 0;
    file->size = 0;
    // Shared as the C library shares the files it opens; the system refuses
    // to cut a file short while a view of it is mapped.
    HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
        CloseHandle(handle);
        return -1;
    }
    // A mapping of an empty file cannot be made: such a file has no views.
    HANDLE mapping = nullptr;
    if (size.QuadPart > 0) {
        mapping = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping == nullptr) {
            CloseHandle(handle);
            return -1;
        }
    }
    file->file = reinterpret_cast<intptr_t>(handle);
    file->mapping = reinterpret_cast<intptr_t>(mapping);
    file->size = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

int File_map_view(const MappedFile *file, uint64_t offset, size_t length, FileView *view)
{
    view->data = nullptr;
    view->base = nullptr;
    view->base_size = 0;
    if (file->mapping == 0 || length == 0 || offset + length > file->size)
        return -1;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uint64_t granularity = system.dwAllocationGranularity;
    const uint64_t start = offset - offset % granularity;
    const size_t size = static_cast<size_t>(offset - start) + length;
    void *base = MapViewOfFile(reinterpret_cast<HANDLE>(file->mapping), FILE_MAP_READ,
                               static_cast<DWORD>(start >> 32),
                               static_cast<DWORD>(start & 0xFFFFFFFFu), size);
    if (base == nullptr)
        return -1;
    view->base = base;
    view->base_size = size;
    view->data = static_cast<const uint8_t *>(base) + (offset - start);
    return 0;
}

void File_unmap_view(FileView *view)
{
    if (view->base)
        UnmapViewOfFile(view->base);
    view->data = nullptr;
    view->base = nullptr;
    view->base_size = 0;
}

void File_map_close(MappedFile *file)
{
    if (file->mapping != 0)
        CloseHandle(reinterpret_cast<HANDLE>(file->mapping));
    if (file->file != -1)
        CloseHandle(reinterpret_cast<HANDLE>(file->file));
    file->mapping = 0;
    file->file = -1;
}

namespace {

// The volume and index of the file `path` (a folder too).  0, or -1.
int File_index(const char *path, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    BOOL got = GetFileInformationByHandle(h, info);
    CloseHandle(h);
    return got ? 0 : -1;
}

} // namespace

int File_same(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (File_index(a, &ia) != 0 || File_index(b, &ib) != 0)
        return 0;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
                   ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow
               ? 1
               : 0;
}

int File_is_device(const char *path)
{
    // Opened without access: a device name (NUL, CON, COM1) opens as one.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE ? 1 : 0;
}

uint32_t Process_id()
{
    return GetCurrentProcessId();
}

int Process_alive(uint32_t id)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!h)
        return GetLastError() == ERROR_INVALID_PARAMETER ? 0 : 1;
    DWORD code = 0;
    BOOL got = GetExitCodeProcess(h, &code);
    CloseHandle(h);
    return got && code != STILL_ACTIVE ? 0 : 1;
}
