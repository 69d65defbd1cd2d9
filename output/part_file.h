// Partial output files: an output is written under a name of its own beside
// its target and put in place only when it is complete, so that a failure
// or an interruption leaves the target as it was.  The name is new for every
// file and carries the process id: an existing "OUT.part" or any other file
// of the user's is never written over or removed, and the partial files of
// a run that was killed are removed by the next run that writes the same
// output.  An output that is a symbolic link replaces the file the link
// names; one that is a device or a FIFO is written through, never replaced.
#ifndef VOKA_PART_FILE_H
#define VOKA_PART_FILE_H

#include <csignal>
#include <cstddef>
#include <cstdio>

enum { PART_PATH_SIZE = 1100 };

// The partial file being written now, for a command-line tool's signal
// handler, which removes it when the tool is interrupted: the name is valid
// while part_file_active is 1.  It is set before the file is made, so that
// a signal in between removes it too.
extern char part_file_current[PART_PATH_SIZE];
extern volatile std::sig_atomic_t part_file_active;

// Create the partial file of `path` under a name no file has
// (Temporary_name of picture/file_replace.h), opened for binary writing, its
// name in `part` (PART_PATH_SIZE bytes always do) and in part_file_current.
// When `path` is written through (Output_target), the stream is `path`'s
// own target opened for writing, and `part` names that target.  Returns the
// stream, or nullptr with errno telling why.
std::FILE *Part_file_create(const char *path, char *part, size_t part_size);

// The same, the file made empty and closed again, for a writer that opens
// `part` by its name (nothing is opened when `path` is written through).
// 0, or -1 with errno telling why.
int Part_file_reserve(const char *path, char *part, size_t part_size);

// The partial file is gone or in place: part_file_current no longer names it.
void Part_file_forget();

// When `ok`, put `part` (closed) in the place of `path`'s target in one step
// (File_replace); otherwise remove it.  A file written through is left as it
// is.  Returns 0, or -1 with errno telling why (kept through the removal).
int Part_file_place(bool ok, const char *part, const char *path);

// Close `file`, then Part_file_place, `ok` only when the close succeeded.
int Part_file_finish(std::FILE *file, bool ok, const char *part, const char *path);

#endif
