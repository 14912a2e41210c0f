#include "sim/host/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "host/host_interface.h"
#include "sim/host/host_state.h"
#include "sim/platform/sim_time.h"
#include "sim/host/sim_clock.h"

namespace sim {
namespace {

// ---------------------------------------------------------------------------
// The transport stream.

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

struct TsGenerator {
  enum Phase { kPat, kPmt, kFrameStart, kVideo };
  int64_t bitrate;
  uint64_t packet = 0;  // packets made so far
  uint64_t frame = 0;   // the next frame to start
  Phase phase = kPat;
  uint8_t pat_cc = 0, pmt_cc = 0, video_cc = 0;
};

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

// ---------------------------------------------------------------------------
// The recorder.

struct Session {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;  // guarded by mutex
  int ts_fd = -1;
  int mdb_fd = -1;
  int chunk = 0;
  int64_t bitrate = 0;
  std::chrono::steady_clock::time_point start;
  double speed = 1.0;  // the TV clock's speed when the recording started
};

std::mutex control_mutex;  // one start or stop at a time
Session* session = nullptr;  // guarded by control_mutex; never destroyed while running

std::atomic<int64_t> bitrate{kDefaultRecorderBitrate};
std::atomic<bool> recording{false};
std::atomic<uint64_t> bytes_written{0};
std::atomic<uint64_t> chunks_written{0};
std::atomic<int> write_errors{0};
std::atomic<int> chunk_in_use{0};

std::mutex status_mutex;  // guards the strings below
std::string status_path, status_mdb_path, status_last_error;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
  char line[4600];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n >= static_cast<int>(sizeof line)) std::memcpy(line + sizeof line - 4, "...", 4);
  HostLog(line);
}

void ReportError(const char* what, const char* path, int error) {
  char text[4400];
  std::snprintf(text, sizeof text, "%s %s: %s", what, path, std::strerror(error));
  write_errors.fetch_add(1, std::memory_order_relaxed);
  {
    std::lock_guard lock(status_mutex);
    status_last_error = text;
  }
  Log("recording error: %s", text);
}

// The recorder's clock, and the only place where it meets time: waits until
// due_seconds of stream time have passed since the session's start (forever
// when due_seconds is negative), or until the stop is asked. False on stop.
// Stream time runs with the TV's clock: due_seconds of TV time are
// due_seconds / speed of the real steady clock.
bool WaitForStreamTime(Session& s, double due_seconds) {
  std::unique_lock lock(s.mutex);
  auto stopping = [&] { return s.stop; };
  if (due_seconds < 0) {
    s.wake.wait(lock, stopping);
    return false;
  }
  auto deadline = s.start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(due_seconds / s.speed));
  return !s.wake.wait_until(lock, deadline, stopping);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void RecorderThread(Session* s, std::string path) {
  TsGenerator generator{s->bitrate};
  std::vector<uint8_t> buffer(static_cast<size_t>(s->chunk));
  bool writing = s->ts_fd >= 0;
  for (uint64_t chunk = 0;; ++chunk) {
    double due = writing ? static_cast<double>(chunk + 1) * s->chunk / static_cast<double>(s->bitrate)
                         : -1;
    if (!WaitForStreamTime(*s, due)) return;
    for (size_t at = 0; at < buffer.size(); at += kTsPacketBytes) NextPacket(generator, &buffer[at]);
    if (!WriteAll(s->ts_fd, buffer.data(), buffer.size())) {
      // A real recorder stops writing on a full or vanished disk but keeps
      // its thread until it is told to stop.
      ReportError("write failed, recorder idle until stop:", path.c_str(), errno);
      writing = false;
      continue;
    }
    bytes_written.fetch_add(buffer.size(), std::memory_order_relaxed);
    chunks_written.fetch_add(1, std::memory_order_relaxed);
  }
}

int OpenForWriting(const char* path) {
  return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

int ChooseChunk() {
  int chunk = RecorderChunkBytes();
  if (chunk > 0 && chunk % kTsPacketBytes == 0 && chunk <= kMaxRecorderChunk) return chunk;
  Log("recorder: write chunk %d is not a multiple of 188 in 188..%d; using %d bytes", chunk,
      kMaxRecorderChunk, kDefaultRecorderChunk);
  return kDefaultRecorderChunk;
}

void WriteMdbHeader(int fd, const char* ts_path, const char* mdb_path, const Session& s) {
  time_t started = Now();
  struct tm utc;
  gmtime_r(&started, &utc);
  char header[4600];
  int n = std::snprintf(header, sizeof header,
                        "RECOLYX-SIM MDB 1\n"
                        "started: %lld %04d-%02d-%02d %02d:%02d:%02d UTC\n"
                        "stream: %s\n"
                        "bitrate: %lld\nchunk: %d\nprogram: %d\npmt_pid: %d\nvideo_pid: %d\n",
                        static_cast<long long>(started), utc.tm_year + 1900, utc.tm_mon + 1,
                        utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, ts_path,
                        static_cast<long long>(s.bitrate), s.chunk, kProgramNumber, kPmtPid,
                        kVideoPid);
  if (n < 0 || n >= static_cast<int>(sizeof header)) n = 0;  // cannot happen: the path is bounded
  if (!WriteAll(fd, reinterpret_cast<const uint8_t*>(header), static_cast<size_t>(n)))
    ReportError("cannot write", mdb_path, errno);
}

void WriteMdbTrailer(int fd, const char* mdb_path) {
  char trailer[128];
  int n = std::snprintf(trailer, sizeof trailer, "stopped: %lld\nbytes: %llu\n",
                        static_cast<long long>(Now()),
                        static_cast<unsigned long long>(bytes_written.load(std::memory_order_relaxed)));
  if (!WriteAll(fd, reinterpret_cast<const uint8_t*>(trailer), static_cast<size_t>(n)))
    ReportError("cannot write", mdb_path, errno);
}

// Ends the running session (if any): stops and joins its thread, finishes the
// side file, closes both files. Called with control_mutex held.
int StopLocked() {
  if (!session) return -1;
  {
    std::lock_guard lock(session->mutex);
    session->stop = true;
  }
  session->wake.notify_all();
  session->thread.join();
  std::string path, mdb_path;
  {
    std::lock_guard lock(status_mutex);
    path = status_path;
    mdb_path = status_mdb_path;
  }
  if (session->mdb_fd >= 0) {
    WriteMdbTrailer(session->mdb_fd, mdb_path.c_str());
    ::close(session->mdb_fd);
  }
  if (session->ts_fd >= 0 && ::close(session->ts_fd) != 0) ReportError("cannot close", path.c_str(), errno);
  delete session;
  session = nullptr;
  recording.store(false, std::memory_order_relaxed);
  Log("recording stopped: %s (%llu bytes)", path.c_str(),
      static_cast<unsigned long long>(bytes_written.load(std::memory_order_relaxed)));
  return 0;
}

}  // namespace

void SetRecorderBitrate(int64_t bytes_per_second) {
  bitrate.store(bytes_per_second < kTsPacketBytes ? kTsPacketBytes : bytes_per_second,
                std::memory_order_relaxed);
}

int64_t RecorderBitrate() { return bitrate.load(std::memory_order_relaxed); }

bool MdbPathFor(const char* ts_path, char* out, size_t size) {
  size_t length = std::strlen(ts_path);
  if (length >= 3 && std::strcmp(ts_path + length - 3, ".ts") == 0) length -= 3;
  int n = std::snprintf(out, size, "%.*s.mdb", static_cast<int>(length), ts_path);
  return n >= 0 && static_cast<size_t>(n) < size;
}

RecorderStatus GetRecorderStatus() {
  RecorderStatus status;
  status.recording = recording.load(std::memory_order_relaxed);
  status.chunk_bytes = chunk_in_use.load(std::memory_order_relaxed);
  status.bytes_written = bytes_written.load(std::memory_order_relaxed);
  status.chunks_written = chunks_written.load(std::memory_order_relaxed);
  status.write_errors = write_errors.load(std::memory_order_relaxed);
  std::lock_guard lock(status_mutex);
  status.path = status_path;
  status.mdb_path = status_mdb_path;
  status.last_error = status_last_error;
  return status;
}

void ResetRecorder() {
  {
    std::lock_guard lock(control_mutex);
    StopLocked();
  }
  SetRecorderBitrate(kDefaultRecorderBitrate);
}

}  // namespace sim

using namespace sim;

extern "C" int spI_Stream_Record(const char* path) {
  std::lock_guard lock(control_mutex);
  StopLocked();
  if (!path) {
    Log("recording error: no path given");
    write_errors.fetch_add(1, std::memory_order_relaxed);
    return -1;
  }
  auto* s = new Session;
  s->chunk = ChooseChunk();
  s->bitrate = RecorderBitrate();
  char mdb_path[4096];
  bool fits = MdbPathFor(path, mdb_path, sizeof mdb_path);
  if (!fits) mdb_path[0] = '\0';
  bytes_written.store(0, std::memory_order_relaxed);
  chunks_written.store(0, std::memory_order_relaxed);
  write_errors.store(0, std::memory_order_relaxed);
  chunk_in_use.store(s->chunk, std::memory_order_relaxed);
  {
    std::lock_guard status_lock(status_mutex);
    status_path = path;
    status_mdb_path = mdb_path;
    status_last_error.clear();
  }
  int result = 0;
  if (!fits) {
    ReportError("path too long:", path, ENAMETOOLONG);
    result = -1;
  } else if ((s->ts_fd = OpenForWriting(path)) < 0) {
    // The recorder counts as running until it is stopped, as on the set;
    // it just has nowhere to write.
    ReportError("cannot create", path, errno);
    result = -1;
  } else if ((s->mdb_fd = OpenForWriting(mdb_path)) < 0) {
    ReportError("cannot create", mdb_path, errno);
  } else {
    WriteMdbHeader(s->mdb_fd, path, mdb_path, *s);
  }
  s->start = std::chrono::steady_clock::now();
  s->speed = sim_clock_speed();
  s->thread = std::thread(RecorderThread, s, std::string(path));
  session = s;
  recording.store(true, std::memory_order_relaxed);
  Log("recording started: %s", path);
  return result;
}

extern "C" int spI_Stream_Record_Stop() {
  std::lock_guard lock(control_mutex);
  return StopLocked();
}
