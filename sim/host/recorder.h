// The set's stream recorder, simulated. spI_Stream_Record (declared in
// host/host_interface.h) starts a recorder thread that writes an MPEG
// transport stream into the given file at a set bitrate, in chunks of the
// recorder instance's write-chunk value, and writes the index side file
// (".mdb") beside it; spI_Stream_Record_Stop ends the thread and closes both.
//
// The stream (sim/host/transport_stream.h): 188-byte packets at a constant
// bitrate; PAT, PMT and one MPEG-2 video stream of 25 frames a second
// showing the TV's test picture with the channel and the programme's title
// (sim/host/picture_encoder.h), null packets for the rest. Its PCR and PTS
// are the TV's clock at the start plus the stream time, so a player gives a
// file the duration of the TV time it recorded (up to the chunk not written
// at the stop). The picture follows the guide: each second of stream shows
// the programme on the tuned channel at that time. A bitrate too low to
// carry the picture, or a build without the encoder, records the stream
// without it (logged once per recording). The picture is tvsim's
// (SetRecorderPicture): other programs that host the plug-in, the unit
// tests among them, record without it unless they ask, and so do not pay
// for encoding it.
//
// Fast growth (SetRecorderGrowth): before each chunk but the first the file
// skips ahead by a hole of whole packets, so that the file's size grows by
// that many more bytes per second of stream time without the PC storing
// them. The holes read as zero bytes; the real packets around them stay a
// valid stream (continuity counters, PAT/PMT, PCR carry on as if the hole
// were not there), and the file always ends with a real chunk, a whole
// number of 188-byte packets. The virtual disks count a sparse file in full,
// so a disk fills as fast as the file grows.
//
// A full disk: before each write the recorder asks the file's disk for room
// (fstatvfs); when the chunk and its hole do not fit, the write fails with
// ENOSPC as on the set, and the recorder goes idle until its stop.
//
// Pacing: chunk k (from 0) is written when k + 1 chunks' worth of stream time
// has passed since the start, so at bitrate B and chunk C one write of C bytes
// lands every C / B seconds. A partial chunk is not written at the stop: the
// file always holds whole chunks.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

inline constexpr int kPmtPid = 0x100;
inline constexpr int kVideoPid = 0x101;
inline constexpr int kProgramNumber = 1;
inline constexpr int kTsPacketBytes = 188;

// The chunk used when the recorder instance's value is not a positive
// multiple of 188 or is larger than kMaxRecorderChunk.
inline constexpr int kDefaultRecorderChunk = 188 * 1024;
inline constexpr int kMaxRecorderChunk = 188 * 65536;

inline constexpr int64_t kDefaultRecorderBitrate = 1 << 20;  // bytes per second

// Bytes per second of the simulator's clock for recordings started from now
// on (a running recording keeps its bitrate). Values below one packet per
// second are raised to 188.
void SetRecorderBitrate(int64_t bytes_per_second);
int64_t RecorderBitrate();

// Whether recordings started from now on carry the picture (default: no).
void SetRecorderPicture(bool on);
bool RecorderPicture();

// Extra bytes per second of stream time, as sparse holes between chunks, for
// recordings started from now on (0, the default: none). Negative is 0.
void SetRecorderGrowth(int64_t bytes_per_second);
int64_t RecorderGrowth();

struct RecorderStatus {
  bool recording = false;    // between spI_Stream_Record and spI_Stream_Record_Stop
  std::string path;          // the .ts file of the current (or last) recording
  std::string mdb_path;      // its side file
  int chunk_bytes = 0;       // the chunk in use
  uint64_t bytes_written = 0;  // the file's size: real packets and holes
  uint64_t sparse_bytes = 0;   // of which holes
  uint64_t chunks_written = 0;
  int write_errors = 0;      // failed creates and writes since the start
  std::string last_error;    // the last of them, for the log and tests
};

// A snapshot of the recorder, safe from any thread.
RecorderStatus GetRecorderStatus();

// Stops a running recording and restores the default bitrate, no growth
// and no picture.
void ResetRecorder();

// The side file's name for a recording path: ".ts" at the end replaced by
// ".mdb", otherwise ".mdb" appended. False when it does not fit size bytes.
bool MdbPathFor(const char* ts_path, char* out, size_t size);

}  // namespace sim
