// What the portable core needs of the operating system beyond the standard
// library: the size of the machine's memory, files mapped into memory, and
// positions in a stream past 2 GB.
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

#endif
