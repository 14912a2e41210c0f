// Starting and stopping recordings. Each returns the code for the host, as
// the key dispatcher passes it on.
#pragma once

// Starts a recording of the programme on screen for `key` (73) (or, with
// split_in_progress set, restarts it into the next file). 255 when the key
// is used up.
int StartRecording(int key);

// Stops the running recording on behalf of `key` (70, 2, 258). Returns key.
int StopRecording(int key);

// Deletes the files of the last recording listed for the delete dialog.
void DeleteRecentFiles();
