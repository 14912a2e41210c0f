#include "sim/host/transport_stream.h"

#include <cstring>

#include "sim/host/recorder.h"

namespace sim {
namespace {

constexpr int kFramesPerSecond = 25;
constexpr uint64_t kPcrHz = 27000000;
constexpr uint64_t kPtsDelay = 90000 / 5;  // decode 200 ms after arrival
constexpr uint64_t kMask33 = (uint64_t{1} << 33) - 1;

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


void PacketHeader(uint8_t* p, int pid, bool unit_start, int adaptation_control, uint8_t* cc) {
  p[0] = 0x47;
  p[1] = static_cast<uint8_t>((unit_start ? 0x40 : 0) | (pid >> 8));
  p[2] = static_cast<uint8_t>(pid & 0xFF);
  p[3] = static_cast<uint8_t>((adaptation_control << 4) | *cc);
  *cc = (*cc + 1) & 0x0F;
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

// The 27 MHz clock at the start of packet n: n * 188 / bitrate seconds,
// split so that the product cannot overflow for any bitrate below 2^32.
uint64_t PacketClock(const TsGenerator& g, uint64_t n) {
  uint64_t bits = n * kTsPacketBytes;
  uint64_t rate = static_cast<uint64_t>(g.bitrate);
  return bits / rate * kPcrHz + bits % rate * kPcrHz / rate;
}

uint8_t FrameFiller(const TsGenerator& g) { return static_cast<uint8_t>(0x80 | (g.frame & 0x7F)); }

// The first packet of a frame: PCR in the adaptation field, the PES header
// with the PTS, a picture start code and filler.
void FrameStartPacket(TsGenerator& g, uint8_t* p) {
  PacketHeader(p, kVideoPid, true, 3, &g.video_cc);
  uint64_t clock = PacketClock(g, g.packet);
  uint64_t base = clock / 300 & kMask33, extension = clock % 300;
  p[4] = 7;                                                   // adaptation field length
  p[5] = static_cast<uint8_t>(0x10 | (g.frame % 2 == 0 ? 0x40 : 0));  // PCR, random access
  p[6] = static_cast<uint8_t>(base >> 25);
  p[7] = static_cast<uint8_t>(base >> 17);
  p[8] = static_cast<uint8_t>(base >> 9);
  p[9] = static_cast<uint8_t>(base >> 1);
  p[10] = static_cast<uint8_t>((base & 1) << 7 | 0x7E | extension >> 8);
  p[11] = static_cast<uint8_t>(extension);
  uint64_t pts = (base + kPtsDelay) & kMask33;
  const uint8_t pes[] = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00,  // video stream, unbounded length
                         0x80, 0x80, 0x05,                     // PTS only
                         static_cast<uint8_t>(0x21 | (pts >> 29 & 0x0E)),
                         static_cast<uint8_t>(pts >> 22),
                         static_cast<uint8_t>(pts >> 14 | 1),
                         static_cast<uint8_t>(pts >> 7),
                         static_cast<uint8_t>(pts << 1 | 1),
                         0x00, 0x00, 0x01, 0x00};              // picture start code
  std::memcpy(p + 12, pes, sizeof pes);
  std::memset(p + 12 + sizeof pes, FrameFiller(g), kTsPacketBytes - 12 - sizeof pes);
  ++g.frame;
}

void VideoPacket(TsGenerator& g, uint8_t* p) {
  PacketHeader(p, kVideoPid, false, 1, &g.video_cc);
  std::memset(p + 4, FrameFiller(g), kTsPacketBytes - 4);
}

// Makes the next packet. A frame starts as soon as its time has come; every
// second frame is preceded by PAT and PMT.

}  // namespace

void NextPacket(TsGenerator& g, uint8_t* p) {
  if (g.phase == TsGenerator::kVideo &&
      g.packet * kTsPacketBytes * kFramesPerSecond >= g.frame * static_cast<uint64_t>(g.bitrate)) {
    g.phase = g.frame % 2 == 0 ? TsGenerator::kPat : TsGenerator::kFrameStart;
  }
  switch (g.phase) {
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
      g.phase = TsGenerator::kVideo;
      break;
    case TsGenerator::kVideo:
      VideoPacket(g, p);
      break;
  }
  ++g.packet;
}

}  // namespace sim
