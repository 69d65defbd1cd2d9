// Replacing a file in one step: the new content is written under a
// temporary name next to the file, and put in its place only when all of it
// reached the disk.  A failure at any point leaves the old file whole (Git's
// lock files work so).
#ifndef VOKA_FILE_REPLACE_H
#define VOKA_FILE_REPLACE_H

#include <cstddef>
#include <cstdio>

// A name for the temporary file of `path`: `path` + "." + random hex digits
// + ".part", not taken by any file when it was chosen, so that no file of the
// user's (an "OUT.part" of their own) is ever overwritten or removed.
// Returns 0, or -1 when the name does not fit `out_size`.
int Temporary_name(const char *path, char *out, size_t out_size);

// Put `temporary` in the place of `path` in one step: an existing `path` is
// replaced, never deleted first.  Returns 0, or -1 with errno set (the
// temporary file is then left for the caller to remove).
int File_replace(const char *temporary, const char *path);

#endif
