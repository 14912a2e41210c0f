#include "sim/host/recorder.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "host/host_interface.h"
#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/picture_encoder.h"
#include "sim/host/sim_clock.h"
#include "sim/host/transport_stream.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/tv_time.h"

namespace sim {
namespace {

struct Session {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;  // guarded by mutex
  int ts_fd = -1;
  int mdb_fd = -1;
  int chunk = 0;
  int64_t bitrate = 0;
  int64_t growth = 0;     // sparse bytes per second of stream time
  bool picture = false;   // the stream carries the test picture
  uint64_t sparse = 0;    // sparse bytes skipped so far
  std::chrono::steady_clock::time_point start;
  int64_t start_wall_ns = 0;  // the simulator's wall clock at the start (ns)
  double speed = 1.0;  // the TV clock's speed when the recording started
  // The picture last sent (recorder thread only): its channel and title,
  // and whether a missing picture was reported.
  int picture_channel = -1;
  std::string picture_title;
  bool no_picture_reported = false;
};

std::mutex control_mutex;  // one start or stop at a time
Session* session = nullptr;  // guarded by control_mutex; never destroyed while running

std::atomic<int64_t> bitrate{kDefaultRecorderBitrate};
std::atomic<int64_t> growth{0};
std::atomic<bool> picture{false};
std::atomic<uint64_t> sparse_bytes{0};
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

// The sparse extension due before chunk k: whole packets of growth bytes per
// second of the stream time at the chunk's start, less what was skipped.
uint64_t ExtensionBefore(const Session& s, uint64_t chunk) {
  if (s.growth <= 0) return 0;
  long double seconds = static_cast<long double>(chunk) * s.chunk / s.bitrate;
  auto due = static_cast<uint64_t>(seconds * s.growth) / kTsPacketBytes * kTsPacketBytes;
  return due > s.sparse ? due - s.sparse : 0;
}

// Room for `bytes` more on the disk that holds the file (the platform layer
// answers for its virtual disks; elsewhere the PC's figures). ENOSPC when not.
bool RoomFor(int fd, uint64_t bytes) {
  struct statvfs figures;
  if (::fstatvfs(fd, &figures) != 0) return true;
  if (static_cast<uint64_t>(figures.f_bavail) * figures.f_frsize >= bytes) return true;
  errno = ENOSPC;
  return false;
}

// Skips `bytes` (a hole the file system does not store), then writes the
// chunk after it: the file always ends with real packets.
bool WriteChunk(Session& s, uint64_t skip, const std::vector<uint8_t>& chunk) {
  if (!RoomFor(s.ts_fd, skip + chunk.size())) return false;
  if (skip > 0 && ::lseek(s.ts_fd, static_cast<off_t>(skip), SEEK_CUR) < 0) return false;
  if (!WriteAll(s.ts_fd, chunk.data(), chunk.size())) {
    if (skip > 0) ::lseek(s.ts_fd, -static_cast<off_t>(skip), SEEK_CUR);
    return false;
  }
  s.sparse += skip;
  return true;
}

// The picture of the group of frames that starts at `first_frame`: the test
// picture of the channel tuned now and of its programme at the frame's time.
// Null when there is none to send (reported once per recording).
std::shared_ptr<const EncodedGop> PictureFor(Session& s, uint64_t first_frame) {
  if (!s.picture) return nullptr;
  const int64_t frame_ns = s.start_wall_ns + static_cast<int64_t>(first_frame) * 1000000000 / kPictureFramesPerSecond;
  const int channel = CurrentChannel().value_or(0);
  std::optional<GuideProgramme> programme;
  if (channel > 0) programme = ProgrammeAt(channel, static_cast<time_t>(frame_ns / 1000000000));
  const std::string title = programme ? programme->title : "";
  std::string error;
  std::shared_ptr<const EncodedGop> gop = ProgrammeGop(channel, title, &error);
  if (gop != nullptr && !StreamCarries(*gop, s.bitrate)) {
    error = "a picture of " + std::to_string(gop->bytes) + " bytes a second does not fit " +
            std::to_string(s.bitrate) + " bytes a second";
    gop = nullptr;
  }
  if (gop == nullptr) {
    if (!s.no_picture_reported) Log("recorder: no picture in the stream: %s", error.c_str());
    s.no_picture_reported = true;
    return nullptr;
  }
  if (channel != s.picture_channel || title != s.picture_title) {
    Log("recorder: picture of channel %d, \"%s\" (%zu bytes a second)", channel, title.c_str(), gop->bytes);
    s.picture_channel = channel;
    s.picture_title = title;
  }
  return gop;
}

void RecorderThread(Session* s, std::string path) {
  TsGenerator generator;
  generator.bitrate = s->bitrate;
  generator.clock_base = ClockAt(s->start_wall_ns);
  generator.pictures = [s](uint64_t first_frame) { return PictureFor(*s, first_frame); };
  std::vector<uint8_t> buffer(static_cast<size_t>(s->chunk));
  bool writing = s->ts_fd >= 0;
  for (uint64_t chunk = 0;; ++chunk) {
    double due = writing ? static_cast<double>(chunk + 1) * s->chunk / static_cast<double>(s->bitrate)
                         : -1;
    if (!WaitForStreamTime(*s, due)) return;
    for (size_t at = 0; at < buffer.size(); at += kTsPacketBytes) NextPacket(generator, &buffer[at]);
    uint64_t skip = ExtensionBefore(*s, chunk);
    if (!WriteChunk(*s, skip, buffer)) {
      // A real recorder stops writing on a full or vanished disk but keeps
      // its thread until it is told to stop.
      ReportError("write failed, recorder idle until stop:", path.c_str(), errno);
      writing = false;
      continue;
    }
    sparse_bytes.fetch_add(skip, std::memory_order_relaxed);
    bytes_written.fetch_add(skip + buffer.size(), std::memory_order_relaxed);
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

void SetRecorderGrowth(int64_t bytes_per_second) {
  growth.store(bytes_per_second < 0 ? 0 : bytes_per_second, std::memory_order_relaxed);
}

int64_t RecorderGrowth() { return growth.load(std::memory_order_relaxed); }

void SetRecorderPicture(bool on) { picture.store(on, std::memory_order_relaxed); }

bool RecorderPicture() { return picture.load(std::memory_order_relaxed); }

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
  status.sparse_bytes = sparse_bytes.load(std::memory_order_relaxed);
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
  SetRecorderGrowth(0);
  SetRecorderPicture(false);
}

}  // namespace sim

using namespace sim;

// Each start and stop is a point of TV time where a scenario may hold the
// caller (sim/platform/tv_time.h).
extern "C" int spI_Stream_Record(const char* path) {
  tv_time_point("record-start", nullptr);
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
  s->growth = RecorderGrowth();
  s->picture = RecorderPicture();
  char mdb_path[4096];
  bool fits = MdbPathFor(path, mdb_path, sizeof mdb_path);
  if (!fits) mdb_path[0] = '\0';
  bytes_written.store(0, std::memory_order_relaxed);
  sparse_bytes.store(0, std::memory_order_relaxed);
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
  // The simulator's clock (Now()), to the nanosecond: the guide's time.
  s->start_wall_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch()).count() +
                     static_cast<int64_t>(NowOffset()) * 1000000000;
  s->speed = sim_clock_speed();
  s->thread = std::thread(RecorderThread, s, std::string(path));
  session = s;
  recording.store(true, std::memory_order_relaxed);
  Log("recording started: %s", path);
  return result;
}

extern "C" int spI_Stream_Record_Stop() {
  tv_time_point("record-stop", nullptr);
  std::lock_guard lock(control_mutex);
  return StopLocked();
}
