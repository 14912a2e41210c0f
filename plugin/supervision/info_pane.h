// The information pane at the bottom of the screen while a recording runs:
// destination icon and name, file system, free-space bar, elapsed times,
// sizes, bitrate, time left on the disk, stop timer and programme title,
// rebuilt from its skin image on every call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/recording_state.h"

// Draws the whole pane from the latest figures and flips: nothing when the
// pane is not shown (InfoPaneShown 0), there is no display surface, or the
// "infopane" image cannot be loaded. Every write stays inside the surface.
// Holds the display lock for the whole sequence (the tick draws it while the
// key thread draws other screens). The caller owns the recording (the
// tick): the pane shows its texts.
void DrawInfoPane() REQUIRES(recording_owner);

// The name the pane shows for a statfs f_type ("FAT", "NTFS", ...), or the
// type in upper-case hexadecimal without prefix for a type it does not know
// ("0" when statfs failed). Written into `out` (`size` bytes, always
// terminated); returns out.
const char* FileSystemName(uint32_t type, char* out, size_t size);
