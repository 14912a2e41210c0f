// The stream the simulated recorder writes: an MPEG transport stream of
// 188-byte packets at a constant bitrate, as a broadcast's: PAT and PMT
// before every second frame, one MPEG-2 video elementary stream in PES
// packets of one frame each (25 frames a second), the PCR in the first
// packet of every frame, and null packets where nothing is due.
//
// Time: packet n leaves n * 188 / bitrate seconds of stream time after the
// start. The 27 MHz clock (PCR) and the frames' presentation times (PTS) are
// the TV's wall clock at the start plus that time, so that the files of a
// split recording carry on one another's timestamps, as a broadcast's do.
// Frame f is due f / 25 s after the start; its packets go out once it is due
// and the frame before it has been sent, and it is presented kPtsDelay
// after it was due.
//
// Pictures: the frames of each group of kGopFrames come from `pictures`,
// asked at the group's first frame. Without a group (no encoder, or a
// bitrate too low to carry it: StreamCarries) each frame is its PCR alone,
// in a packet of adaptation field only: the stream stays valid and timed,
// with no picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "sim/host/picture_encoder.h"
#include "sim/host/recorder.h"

namespace sim {

inline constexpr int kNullPid = 0x1FFF;
inline constexpr uint64_t kPcrHz = 27000000;
// The 27 MHz clock wraps with its 33-bit base.
inline constexpr uint64_t kClockWrap = (uint64_t{1} << 33) * 300;
// A frame is presented this long (90 kHz units) after it was due: room for
// the largest frame that StreamCarries lets through to arrive.
inline constexpr uint64_t kPtsDelay = 90000 / 2;

using PictureSource = std::function<std::shared_ptr<const EncodedGop>(uint64_t first_frame)>;

// The state of one stream, packet after packet.
struct TsGenerator {
  enum Phase { kIdle, kPat, kPmt, kFrameStart, kVideo };
  int64_t bitrate = kTsPacketBytes;  // bytes a second
  uint64_t clock_base = 0;  // the 27 MHz clock at packet 0, below kClockWrap
  PictureSource pictures;   // may be empty: no picture
  uint64_t packet = 0;      // packets made so far
  uint64_t frame = 0;       // the next frame to start
  Phase phase = kIdle;
  std::shared_ptr<const EncodedGop> gop;  // the group being sent
  std::vector<uint8_t> pes;               // the frame being sent, as a PES packet
  size_t pes_sent = 0;
  uint8_t pat_cc = 0, pmt_cc = 0, video_cc = 0, null_cc = 0;
};

// The 27 MHz clock (modulo kClockWrap) at a wall-clock time in nanoseconds
// since 1970.
uint64_t ClockAt(int64_t wall_ns);

// Writes the next 188-byte packet of the stream into p.
void NextPacket(TsGenerator& g, uint8_t* p);

// Packets that a frame of `bytes` takes, its PES header and PCR included.
uint64_t FramePackets(size_t bytes);

// True when a stream of `bitrate` bytes a second carries the group in time:
// its frames and the PAT and PMT fill at most four fifths of the packets of
// its second, and its largest frame goes out within a quarter of a second,
// half of kPtsDelay (so no frame arrives after its presentation time).
bool StreamCarries(const EncodedGop& gop, int64_t bitrate);

}  // namespace sim
