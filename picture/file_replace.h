// Replacing a file in one step: the new content is written under a
// temporary name next to the file, and put in its place only when all of it
// reached the disk.  A failure at any point leaves the old file whole (Git's
// lock files work so).  What is not a plain file is not replaced: a
// symbolic link leads to the file that is, and a device or a FIFO is
// written through.
#ifndef VOKA_FILE_REPLACE_H
#define VOKA_FILE_REPLACE_H

#include <cstddef>
#include <cstdio>

// How an output is put out (Output_target).
enum {
    OUTPUT_REPLACE = 0, // written under a temporary name, then put in place
    OUTPUT_THROUGH = 1  // an existing device, FIFO or folder: opened and written as it is
};

// The file that writing `path` puts out, in `target`: `path` itself, or the
// file a symbolic link (a chain of them) finally names.  Returns
// OUTPUT_REPLACE when that file is missing or a plain file, OUTPUT_THROUGH
// when it exists and is something else; -1 when the name does not fit
// `target_size` (errno ENAMETOOLONG) or the links go round (ELOOP).
int Output_target(const char *path, char *target, size_t target_size);

// A name for the temporary file of `path`: `path` + "." + the process id +
// "-" + random hex digits + ".part", not taken by any file when it was
// chosen, so that no file of the user's (an "OUT.part" of their own) is
// ever overwritten or removed.  Returns 0, or -1 when the name does not fit
// `out_size`.
int Temporary_name(const char *path, char *out, size_t out_size);

// Remove the temporary files of `path` (named as Temporary_name names them)
// that processes which no longer run left behind (a run that was killed).
void Temporary_leftovers_remove(const char *path);

// Put `temporary` in the place of `path` in one step: an existing `path` is
// replaced, never deleted first.  Returns 0, or -1 with errno set (the
// temporary file is then left for the caller to remove).
int File_replace(const char *temporary, const char *path);

#endif
