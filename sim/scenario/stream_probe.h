// Recordings and playlists as a player reads them: ffprobe, from Debian's
// ffmpeg, opens the file (a playlist with its HLS reader, ffmpeg's reader of
// extended M3U lists), decodes the first frames of its first video stream to
// learn the picture, reads every frame of it through to the end and says
// what it found. An independent judge of what the simulated recorder and the
// plug-in wrote. (Decoding every frame too would cost a second and a half of
// the PC's time for the demo's thirteen minutes.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct ProbeFacts {
  std::string codec;         // of the first video stream; "" when there is none
  int width = 0;
  int height = 0;
  double frame_rate = 0;     // frames a second
  uint64_t frames = 0;       // frames read (a PES packet each)
  double duration = -1;      // the container's; a playlist's is the sum of its #EXTINF
  std::vector<std::string> opened;  // the files a playlist led to, in the order read
};

// What ffprobe printed (its entries as "key=value" lines, and its verbose
// log, which names each file a playlist opens).
ProbeFacts ParseProbeOutput(const std::string& text);

// How close a duration must come to the TV time recorded: 2 %.
inline constexpr double kPlayTolerance = 0.02;

// Whether what ffprobe found plays as a recording of `seconds` of TV time:
// an MPEG-2 picture whose frames last within kPlayTolerance of it
// (not judged without `picture`: a simulator built without the encoder), and
// for a playlist, files it led to and listed durations within kPlayTolerance
// of it. *summary says what was found ("files A, B; listed 300 s; 7437
// frames of 480x270 at 25/s, 297.48 s"), *problem what is wrong when false.
bool JudgePlay(const ProbeFacts& facts, bool playlist, double seconds, bool picture, std::string* summary,
               std::string* problem);

// Runs ffprobe on the PC file `path`, as a playlist when `playlist` is set.
// False, with *error saying why, when it cannot be run or reports failure.
bool ProbeStream(const std::string& path, bool playlist, ProbeFacts* facts, std::string* error);

}  // namespace sim
