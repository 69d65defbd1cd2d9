// The files of vokatool animate: an animated GIF through giflib, with one
// palette for all frames, or an MP4 (H.264, yuv420p) through the ffmpeg
// program, which takes the frames as raw pixels on a pipe.
#ifndef VOKA_TOOLS_ANIMATION_FILE_H
#define VOKA_TOOLS_ANIMATION_FILE_H

#include <cstdint>
#include <cstdio>

#include "render/raster_surface.h"

enum { ANIMATION_GIF = 1, ANIMATION_MP4 = 2 };

struct AnimationFile; // the state of one file being written

// Whether the format can be written here; when not, false after saying what
// is missing (giflib in the build, the ffmpeg program on PATH).
bool Animation_available(int format);

// Start the file `path` of frames `width` x `height` shown `fps` a second.
// Returns the file, or nullptr after saying why.
AnimationFile *Animation_begin(int format, const char *path, int32_t width, int32_t height,
                               double fps);

// Add the frame: the pixels of `image` from (left, top), width x height.
// Returns 0, or -1 after saying why.
int Animation_frame(AnimationFile *file, const RasterSurface &image, int32_t left, int32_t top);

// Finish the file (`ok`) or give it up; frees `file`.  Returns 0, or -1
// after saying why.  `note`: what the reader of the report should know
// about the file (the GIF's delay and palette), or "".
int Animation_end(AnimationFile *file, bool ok, char *note, size_t note_size);

#endif
