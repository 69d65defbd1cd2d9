// What the portable core needs of the operating system beyond the standard
// library: the size of the machine's memory, files mapped into memory,
// positions in a stream past 2 GB, the identity of a file and of a process.
// One implementation per system (platform_posix.cpp, platform_win32.cpp);
// the build takes the one of its target.  Nothing here names a system type.
#ifndef VOKA_PLATFORM_H
#define VOKA_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The position of `stream` in bytes, or -1.  The C library's own position
// calls carry offsets in a long, which is 32 bits on Windows: a file past
// 2 GB goes through these instead.
int64_t File_tell(FILE *stream);

// Set the position of `stream` to `offset` bytes from SEEK_SET, SEEK_CUR or
// SEEK_END (`whence`).  Returns 0, or -1.
int File_seek(FILE *stream, int64_t offset, int whence);

// Bytes of physical memory of the machine, or 0 when the system does not say.
uint64_t Platform_memory_size();

// Memory for a large table that is filled once: `bytes` bytes, zero, in
// the largest pages the system gives a program without privileges (on
// Linux, transparent huge pages), so that filling it costs few page
// faults; nullptr when there is not so much.  Given back with
// Platform_free_large and the same size.
void *Platform_alloc_large(size_t bytes);
void Platform_free_large(void *memory, size_t bytes);

// The user's folder for temporary files, with its trailing separator, as
// the system names it at this moment (on Windows GetTempPathW, on POSIX
// TMPDIR or /tmp/), in the code page of the C library's file calls.
// Returns 0, or -1 when there is none or it does not fit `size` bytes.
int Platform_temp_dir(char *out, size_t size);

// A file open for mapping views of it into memory, read-only.
struct MappedFile {
    intptr_t file;    // the system's handle of the open file; -1: none
    intptr_t mapping; // the mapping object where the system has one, else 0
    uint64_t size;    // the file's size when it was opened
};

// A view of part of a mapped file.
struct FileView {
    const uint8_t *data; // the first byte asked for
    void *base;          // where the system mapped the view (nullptr: none)
    size_t base_size;
};

// Open `path` for mapping.  Returns 0, or -1 (nothing is open then).  A file
// of 0 bytes opens, but has no views.
int File_map_open(MappedFile *file, const char *path);

// Map bytes offset .. offset + length - 1 of the file (which lie within
// file->size).  Returns 0 with view->data at byte `offset`, or -1.  Views of
// one file may be mapped and read by several threads at a time.
int File_map_view(const MappedFile *file, uint64_t offset, size_t length, FileView *view);

// Unmap a view (one that failed or was never mapped too).
void File_unmap_view(FileView *view);

// Close the file; its views must be unmapped first.
void File_map_close(MappedFile *file);

// 1 when `a` and `b` name one existing file (the same device and inode; on
// Windows the same volume and file index), whatever the names or links
// that lead to it; 0 otherwise, and when either cannot be looked at.
int File_same(const char *a, const char *b);

// 1 when `path` names a device, a FIFO or a socket (on Windows also a
// device name such as NUL or CON), which is written through, not replaced;
// 0 otherwise (a plain file, a folder, nothing).
int File_is_device(const char *path);

// The id of this process, and whether the process `id` still runs (1), or
// no longer exists (0).  An id the system does not let us look at counts
// as running.
uint32_t Process_id();
int Process_alive(uint32_t id);

#endif
