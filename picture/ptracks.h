// EGSnrc particle-track files (.ptracks): read, checked, and written out as
// a picture file that the conversion reads like any other (float layout, no
// header line: the scene's bounds come from the steps).  Shared by
// `vokatool import` and the viewer's Data File Open.
//
// The track file, little-endian:
//   OFFSET SIZE FIELD
//        0   20 "include time index=" and a zero byte  (newer files only)
//       20    1 1 when each track carries a time, else 0 (newer files only)
//       21    4 number of tracks (at offset 0 in older files)
//   then per track:
//             4 number of vertices (EGSnrc writes at least 2)
//             4 charge: 0 photon, -1 electron, +1 positron
//             8 time of the track (only when the byte at 20 is 1)
//        32 each vertex: x, y, z (cm) and energy (MeV), 8 bytes each
// The energy of an electron or positron is its total energy (kinetic plus
// the rest energy 0.511 MeV), that of a photon its energy; the picture
// holds kinetic energies.  One particle's path is often split into tracks
// in a row whose first vertex repeats the last one of the track before:
// such tracks are joined into one.  The file has no batches: every N
// tracks start a new batch of the picture (never inside a joined path).
#ifndef VOKA_PTRACKS_H
#define VOKA_PTRACKS_H

#include <cstddef>
#include <cstdint>

enum { PTRACKS_BATCHES_DEFAULT = 100, PTRACKS_WHY_SIZE = 256 };

struct PtracksStats {
    uint64_t tracks;            // tracks in the file
    uint64_t vertices;          // vertices in the file
    uint64_t kind_tracks[3];    // tracks written: photon, electron, positron
    uint64_t joined;            // tracks that continue the one before
    uint64_t other_charge;      // tracks of another charge, left out
    int32_t first_other_charge; // the charge of the first of them
    uint64_t below_rest_energy; // charged vertices with a total energy below 0.511 MeV (read as 0)
    uint64_t negative_energy;   // vertices with a negative energy (read as 0), and the first
    uint64_t first_negative_track;  // of them: its track and its vertex in the track,
    uint64_t first_negative_vertex; // counted from 1
    int32_t with_time;              // 1: the tracks carry a time (newer layout)
    int32_t newer_layout;           // 1: the file starts with "include time index="
    uint32_t tracks_per_batch;      // N
    uint32_t batches;               // batches written
};

// Read the track file `input` and write the picture file `output`, every
// `tracks_per_batch` tracks a batch (0: as many as keep the batches at 100
// or fewer).  Returns 0, or -1 with the reason in `why` (which file, where,
// and what is wrong); `output` is then incomplete and the caller removes
// it.
int Ptracks_import(const char *input, const char *output, uint32_t tracks_per_batch,
                   PtracksStats *stats, char *why, size_t why_size);

// The track and vertex of the track file `input` (counted from 1) that
// line `line` of the picture Ptracks_import wrote from it comes from, with
// the same `tracks_per_batch` as the import used (PtracksStats).  Returns 0,
// or -1 when the line holds no vertex or the file cannot be read again.
int Ptracks_locate(const char *input, uint32_t tracks_per_batch, uint64_t line, uint64_t *track,
                   uint64_t *vertex);

// 1 when `path` ends in ".ptracks" (in any case).
int Ptracks_named(const char *path);

#endif
