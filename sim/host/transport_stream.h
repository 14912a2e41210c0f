// The stream the simulated recorder writes: a valid MPEG transport stream
// of 188-byte packets (PAT, PMT, one video elementary stream in PES packets
// of one frame each, PCR on the video PID) at a given bitrate.
#pragma once

#include <cstdint>

namespace sim {

// The state of one stream, packet after packet.
struct TsGenerator {
  enum Phase { kPat, kPmt, kFrameStart, kVideo };
  int64_t bitrate;
  uint64_t packet = 0;  // packets made so far
  uint64_t frame = 0;   // the next frame to start
  Phase phase = kPat;
  uint8_t pat_cc = 0, pmt_cc = 0, video_cc = 0;
};

// Writes the next 188-byte packet of the stream into p.
void NextPacket(TsGenerator& g, uint8_t* p);

}  // namespace sim
