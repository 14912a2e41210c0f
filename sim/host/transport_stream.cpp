#include "sim/host/transport_stream.h"

#include <cstring>

#include "sim/host/recorder.h"

namespace sim {
namespace {

constexpr uint64_t kMask33 = (uint64_t{1} << 33) - 1;
constexpr uint64_t kClockPerFrame = kPcrHz / kPictureFramesPerSecond;
constexpr size_t kPesHeaderBytes = 14;  // with the PTS
// Payload of a frame's first packet: 184 less the adaptation field with the
// PCR (its length byte, flags and 6 bytes).
constexpr size_t kFirstPayload = 184 - 8;
constexpr size_t kPayload = 184;

// CRC-32 of MPEG-2 sections: polynomial 0x04C11DB7, initial all ones, no
// reflection, no final inversion.
uint32_t SectionCrc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= uint32_t{data[i]} << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}


// adaptation_control: 1 payload only, 2 adaptation field only, 3 both. The
// continuity counter counts packets with a payload.
void PacketHeader(uint8_t* p, int pid, bool unit_start, int adaptation_control, uint8_t* cc) {
  p[0] = 0x47;
  p[1] = static_cast<uint8_t>((unit_start ? 0x40 : 0) | (pid >> 8));
  p[2] = static_cast<uint8_t>(pid & 0xFF);
  p[3] = static_cast<uint8_t>((adaptation_control << 4) | *cc);
  if (adaptation_control & 1) *cc = (*cc + 1) & 0x0F;
}

// A PSI packet: pointer field, the section (without CRC), its CRC, stuffing.
void SectionPacket(uint8_t* p, int pid, uint8_t* cc, const uint8_t* section, size_t size) {
  PacketHeader(p, pid, true, 1, cc);
  p[4] = 0;
  std::memcpy(p + 5, section, size);
  uint32_t crc = SectionCrc(section, size);
  for (int i = 0; i < 4; ++i) p[5 + size + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  std::memset(p + 9 + size, 0xFF, kTsPacketBytes - 9 - size);
}

void PatPacket(TsGenerator& g, uint8_t* p) {
  const uint8_t section[] = {
      0x00, 0xB0, 13,                               // table id, section length
      0x00, 0x01, 0xC1, 0x00, 0x00,                 // stream id 1, version 0, current
      0x00, kProgramNumber,                         // program number
      0xE0 | (kPmtPid >> 8), kPmtPid & 0xFF};       // its PMT PID
  SectionPacket(p, 0, &g.pat_cc, section, sizeof section);
}

void PmtPacket(TsGenerator& g, uint8_t* p) {
  const uint8_t section[] = {
      0x02, 0xB0, 18,                               // table id, section length
      0x00, kProgramNumber, 0xC1, 0x00, 0x00,       // program number, version 0, current
      0xE0 | (kVideoPid >> 8), kVideoPid & 0xFF,    // PCR PID
      0xF0, 0x00,                                   // no program descriptors
      0x02,                                         // MPEG-2 video
      0xE0 | (kVideoPid >> 8), kVideoPid & 0xFF, 0xF0, 0x00};
  SectionPacket(p, kPmtPid, &g.pmt_cc, section, sizeof section);
}

// The 27 MHz stream time at the start of packet n: n * 188 / bitrate
// seconds, split so that the product cannot overflow for any bitrate below
// 2^32.
uint64_t PacketClock(const TsGenerator& g, uint64_t n) {
  uint64_t bits = n * kTsPacketBytes;
  uint64_t rate = static_cast<uint64_t>(g.bitrate);
  return bits / rate * kPcrHz + bits % rate * kPcrHz / rate;
}

// An adaptation field of `length` bytes after its length byte at p[4]: the
// flags, the PCR when given (clock modulo kClockWrap), stuffing.
void AdaptationField(uint8_t* p, size_t length, const uint64_t* clock, bool random_access) {
  p[4] = static_cast<uint8_t>(length);
  if (length == 0) return;
  p[5] = static_cast<uint8_t>((clock ? 0x10 : 0) | (random_access ? 0x40 : 0));
  size_t used = 1;
  if (clock) {
    const uint64_t base = *clock / 300, extension = *clock % 300;
    p[6] = static_cast<uint8_t>(base >> 25);
    p[7] = static_cast<uint8_t>(base >> 17);
    p[8] = static_cast<uint8_t>(base >> 9);
    p[9] = static_cast<uint8_t>(base >> 1);
    p[10] = static_cast<uint8_t>((base & 1) << 7 | 0x7E | extension >> 8);
    p[11] = static_cast<uint8_t>(extension);
    used += 6;
  }
  std::memset(p + 5 + used, 0xFF, length - used);
}

// The frame's PES packet: header with its PTS, then the picture.
void BuildPes(TsGenerator& g, const EncodedFrame& frame) {
  const uint64_t due = g.clock_base + g.frame * kClockPerFrame;
  const uint64_t pts = (due / 300 + kPtsDelay) & kMask33;
  const size_t after_length = 8 + frame.data.size();
  const size_t length = after_length <= 0xFFFF ? after_length : 0;  // 0: unbounded
  const uint8_t header[kPesHeaderBytes] = {
      0x00, 0x00, 0x01, 0xE0,  // video stream 0
      static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length),
      0x84, 0x80, 0x05,        // data aligned; PTS only
      static_cast<uint8_t>(0x21 | (pts >> 29 & 0x0E)), static_cast<uint8_t>(pts >> 22),
      static_cast<uint8_t>(pts >> 14 | 1), static_cast<uint8_t>(pts >> 7),
      static_cast<uint8_t>(pts << 1 | 1)};
  g.pes.assign(header, header + kPesHeaderBytes);
  g.pes.insert(g.pes.end(), frame.data.begin(), frame.data.end());
  g.pes_sent = 0;
}

// Up to `room` bytes of the PES into p; stuffing in the adaptation field
// before them when fewer are left.
void PesPayload(TsGenerator& g, uint8_t* p, size_t header_bytes, size_t room) {
  const size_t left = g.pes.size() - g.pes_sent;
  const size_t take = left < room ? left : room;
  std::memcpy(p + header_bytes + (room - take), g.pes.data() + g.pes_sent, take);
  g.pes_sent += take;
}

// The first packet of a frame: the PCR, and the start of the frame's PES
// packet; or, without a picture, the PCR alone.
void FrameStartPacket(TsGenerator& g, uint8_t* p) {
  if (g.frame % kGopFrames == 0) g.gop = g.pictures ? g.pictures(g.frame) : nullptr;
  const uint64_t clock = (g.clock_base + PacketClock(g, g.packet)) % kClockWrap;
  if (g.gop == nullptr) {
    PacketHeader(p, kVideoPid, false, 2, &g.video_cc);
    AdaptationField(p, 183, &clock, false);
    g.pes.clear();
    g.pes_sent = 0;
    ++g.frame;
    return;
  }
  const EncodedFrame& frame = g.gop->frames[g.frame % g.gop->frames.size()];
  BuildPes(g, frame);
  PacketHeader(p, kVideoPid, true, 3, &g.video_cc);
  const size_t take = g.pes.size() < kFirstPayload ? g.pes.size() : kFirstPayload;
  AdaptationField(p, 183 - take, &clock, frame.key);
  PesPayload(g, p, 188 - take, take);
  ++g.frame;
}

// The next packet of the frame being sent.
void VideoPacket(TsGenerator& g, uint8_t* p) {
  const size_t left = g.pes.size() - g.pes_sent;
  if (left >= kPayload) {
    PacketHeader(p, kVideoPid, false, 1, &g.video_cc);
    PesPayload(g, p, 4, kPayload);
    return;
  }
  PacketHeader(p, kVideoPid, false, 3, &g.video_cc);
  AdaptationField(p, 183 - left, nullptr, false);
  PesPayload(g, p, 188 - left, left);
}

void NullPacket(TsGenerator& g, uint8_t* p) {
  PacketHeader(p, kNullPid, false, 1, &g.null_cc);
  std::memset(p + 4, 0xFF, kTsPacketBytes - 4);
}

bool FrameDue(const TsGenerator& g) {
  return g.packet * kTsPacketBytes * kPictureFramesPerSecond >= g.frame * static_cast<uint64_t>(g.bitrate);
}

}  // namespace

uint64_t ClockAt(int64_t wall_ns) {
  if (wall_ns < 0) wall_ns = 0;
  const uint64_t seconds = static_cast<uint64_t>(wall_ns) / 1000000000;
  const uint64_t nanoseconds = static_cast<uint64_t>(wall_ns) % 1000000000;
  const uint64_t base = (seconds * 90000 + nanoseconds * 9 / 100000) & kMask33;
  return base * 300 + nanoseconds * 27 / 1000 % 300;
}

uint64_t FramePackets(size_t bytes) {
  const size_t pes = kPesHeaderBytes + bytes;
  if (pes <= kFirstPayload) return 1;
  return 1 + (pes - kFirstPayload + kPayload - 1) / kPayload;
}

bool StreamCarries(const EncodedGop& gop, int64_t bitrate) {
  if (gop.frames.empty() || bitrate <= 0) return false;
  // Packets of one second of the stream, and of one group.
  const uint64_t per_second = static_cast<uint64_t>(bitrate) / kTsPacketBytes;
  uint64_t needed = gop.frames.size();  // a PAT and a PMT before every second frame
  for (const EncodedFrame& frame : gop.frames) needed += FramePackets(frame.data.size());
  const uint64_t available = per_second * gop.frames.size() / kPictureFramesPerSecond;
  return needed * 5 <= available * 4 && FramePackets(gop.largest) * 4 <= per_second;
}

void NextPacket(TsGenerator& g, uint8_t* p) {
  if (g.phase == TsGenerator::kIdle && FrameDue(g))
    g.phase = g.frame % 2 == 0 ? TsGenerator::kPat : TsGenerator::kFrameStart;
  switch (g.phase) {
    case TsGenerator::kIdle:
      NullPacket(g, p);
      break;
    case TsGenerator::kPat:
      PatPacket(g, p);
      g.phase = TsGenerator::kPmt;
      break;
    case TsGenerator::kPmt:
      PmtPacket(g, p);
      g.phase = TsGenerator::kFrameStart;
      break;
    case TsGenerator::kFrameStart:
      FrameStartPacket(g, p);
      g.phase = g.pes_sent < g.pes.size() ? TsGenerator::kVideo : TsGenerator::kIdle;
      break;
    case TsGenerator::kVideo:
      VideoPacket(g, p);
      if (g.pes_sent == g.pes.size()) g.phase = TsGenerator::kIdle;
      break;
  }
  ++g.packet;
}

}  // namespace sim
