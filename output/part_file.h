// Partial output files: an output is written under a name of its own beside
// its target and put in place only when it is complete, so that a failure
// or an interruption leaves the target as it was.  The name is new for every
// file: an existing "OUT.part" or any other file of the user's is never
// written over or removed.
#ifndef VOKA_PART_FILE_H
#define VOKA_PART_FILE_H

#include <csignal>
#include <cstddef>
#include <cstdio>

enum { PART_PATH_SIZE = 1100 };

// The partial file being written now, for a command-line tool's signal
// handler, which removes it when the tool is interrupted: the name is valid
// while part_file_active is 1.
extern char part_file_current[PART_PATH_SIZE];
extern volatile std::sig_atomic_t part_file_active;

// Create the partial file of `path` under a name no file has
// (Temporary_name of picture/file_replace.h), opened for binary writing, its name in `part` (at least
// PART_PATH_SIZE bytes would always do) and in part_file_current.  Returns
// the stream, or nullptr with errno telling why.
std::FILE *Part_file_create(const char *path, char *part, size_t part_size);

// The partial file is gone or in place: part_file_current no longer names it.
void Part_file_forget();

// The one step that ends every partial output: when `ok`, put `part` in the
// place of `path` (File_replace); otherwise, or when that fails, remove
// `part`.  Either way the partial file is forgotten.  Returns 0, or -1 with
// errno telling why (errno at the call when not `ok`; kept through the
// removal).
int Part_file_place(bool ok, const char *part, const char *path);

// Close `file`, then Part_file_place, with `ok` false when the close failed.
int Part_file_finish(std::FILE *file, bool ok, const char *part, const char *path);

#endif
