// The playlist file of a recording, beside its files (names and lines:
// host/recording_playlist.h): made when the recording's second file is
// finished, replaced when each one after it is, deleted with the files.
//
// How it is written, so that neither a player reading it nor a link placed
// on the destination can make it harm another file:
//  - the first version is created exclusively, never over another file nor
//    through a link; when the name is taken (another recording's playlist),
//    the next variant of the name is tried. It goes beside the first file,
//    or, when that folder cannot take it (the recording went on on another
//    disk because the first was full or gone), beside the second file,
//    whence it reaches the first by its path;
//  - each later version is written to a new file beside it, created
//    exclusively, from the version before (read without following a link,
//    and only while it is still the file last written) and the new file's
//    lines, then renamed over it: a player sees the old list or the new one,
//    whole;
//  - when anything fails (a full disk, a playlist removed or replaced
//    meanwhile), the playlist stays as last written and the recording's later
//    files are not added, so that no list skips a file in its middle. A file
//    created for a version that failed is deleted.
#pragma once

#include <cstdint>

#include "host/recording_state.h"

// Adds the finished file `file` (its final path), which recorded `seconds`
// of TV time, to its recording's playlist.
void AddToPlaylist(PlaylistState& playlist, const char* file, uint32_t seconds);

// Deletes the recording's playlist when it is still the file last written
// (a regular file, not a link put in its place), and forgets it. True when
// it was deleted.
bool DeletePlaylist(PlaylistState& playlist);
