// What is on: the host's current channel, its present programme and the
// time, turned into the name prefix of recording files ("date_time_title_"),
// and the watch on the title that recognises a change of programme.
#pragma once

#include "supervision/programme_state.h"

// The title goes into the prefix cut to this many bytes.
inline constexpr int kPrefixTitleBytes = 100;

// Asks the host for channel, programme and time and builds name_prefix.
// 1 when the prefix carries the programme's title; 0 when it holds the date
// and time alone (no channel, no programme) or only "_" (no valid clock).
int RefreshProgrammeInfo();

// Reads and converts the title and counts the checks that see a new one.
void RefreshTitle();
