// The simulated recorder: the stream it writes is a valid transport stream,
// it writes in the recorder instance's chunks at its bitrate, and it survives
// unwritable destinations.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_interface.h"
#include "sim/host/host_state.h"
#include "sim/host/picture_encoder.h"
#include "sim/host/recorder.h"
#include "sim/host/transport_stream.h"
#include "sim/scenario/stream_probe.h"
#include "sandbox_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

// CRC-32/MPEG-2; a section followed by its CRC checks to 0.
uint32_t Crc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  while (size--) {
    crc ^= uint32_t{*data++} << 24;
    for (int i = 0; i < 8; ++i) crc = crc & 0x80000000 ? crc << 1 ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}

// What a reader of the stream finds in it.
struct StreamFacts {
  std::map<int, int> pmt_pid_of_program;
  int pcr_pid = -1;
  std::map<int, int> stream_type_of_pid;
  std::vector<uint64_t> pcrs;              // 27 MHz
  std::vector<size_t> pcr_packets;         // packet index of each PCR
  int pes_starts = 0;
  size_t hole_packets = 0;                 // all-zero packets: sparse holes
  size_t null_packets = 0;
  std::vector<std::string> faults;
  // The video's PES packets as they arrived: all their bytes, the packet
  // that started each and the PCR in it.
  struct Pes {
    std::vector<uint8_t> bytes;
    size_t packet = 0;
    uint64_t pcr = 0;
  };
  std::vector<Pes> video;
};

// A PES packet's header read: its PTS (90 kHz) and the elementary stream
// after it. False with a fault when the header is not one of a video PES
// with a PTS and a length that matches.
bool ReadPes(const StreamFacts::Pes& pes, uint64_t* pts, std::vector<uint8_t>* data, std::string* fault) {
  const std::vector<uint8_t>& b = pes.bytes;
  if (b.size() < 14 || std::memcmp(b.data(), "\0\0\1\xE0", 4) != 0 || (b[7] & 0x80) == 0) {
    *fault = "not a video PES with a PTS";
    return false;
  }
  const size_t length = b[4] << 8 | b[5];
  if (length != 0 && length != b.size() - 6) {
    *fault = "PES length " + std::to_string(length) + " for " + std::to_string(b.size() - 6) + " bytes";
    return false;
  }
  *pts = uint64_t{b[9] & 0x0Eu} << 29 | uint64_t{b[10]} << 22 | uint64_t{b[11] & 0xFEu} << 14 |
         uint64_t{b[12]} << 7 | b[13] >> 1;
  data->assign(b.begin() + 9 + b[8], b.end());
  return true;
}

// The PSI section of a packet, checked for its CRC; empty when absent.
std::vector<uint8_t> Section(const uint8_t* p, size_t payload_at, StreamFacts& facts) {
  size_t at = payload_at + 1 + p[payload_at];
  if (at + 3 > 188) return {};
  size_t length = 3 + ((p[at + 1] & 0x0F) << 8 | p[at + 2]);
  if (at + length > 188) {
    facts.faults.push_back("section longer than its packet");
    return {};
  }
  if (Crc(p + at, length) != 0) facts.faults.push_back("section CRC wrong");
  return {p + at, p + at + length - 4};
}

StreamFacts Parse(const std::vector<uint8_t>& ts) {
  StreamFacts facts;
  std::map<int, int> last_cc;
  for (size_t n = 0; n * 188 < ts.size(); ++n) {
    const uint8_t* p = &ts[n * 188];
    static const uint8_t kZeros[188] = {};
    if (std::memcmp(p, kZeros, 188) == 0) {
      ++facts.hole_packets;
      continue;
    }
    if (p[0] != 0x47) {
      facts.faults.push_back("no sync byte at packet " + std::to_string(n));
      break;
    }
    int pid = (p[1] & 0x1F) << 8 | p[2];
    bool unit_start = p[1] & 0x40;
    int control = p[3] >> 4 & 3, cc = p[3] & 0x0F;
    if (control & 1) {
      if (last_cc.count(pid) && cc != ((last_cc[pid] + 1) & 0x0F))
        facts.faults.push_back("continuity broken on PID " + std::to_string(pid) + " at packet " +
                               std::to_string(n));
      last_cc[pid] = cc;
    }
    if (pid == sim::kNullPid) {
      ++facts.null_packets;
      continue;
    }
    size_t payload_at = 4;
    if (control & 2) {
      payload_at = 5 + p[4];
      if (p[4] >= 7 && (p[5] & 0x10)) {
        uint64_t base = uint64_t{p[6]} << 25 | p[7] << 17 | p[8] << 9 | p[9] << 1 | p[10] >> 7;
        facts.pcrs.push_back(base * 300 + ((p[10] & 1) << 8 | p[11]));
        facts.pcr_packets.push_back(n - facts.hole_packets);  // index in the stream
        if (pid != facts.pcr_pid) facts.faults.push_back("PCR outside the PCR PID");
      }
    }
    if ((control & 1) && pid == facts.pcr_pid && facts.stream_type_of_pid.count(pid)) {
      if (unit_start) {
        facts.video.push_back({{}, n - facts.hole_packets, facts.pcrs.empty() ? 0 : facts.pcrs.back()});
      } else if (facts.video.empty()) {
        continue;  // the stream started inside a frame
      }
      facts.video.back().bytes.insert(facts.video.back().bytes.end(), p + payload_at, p + 188);
    }
    if (!(control & 1) || !unit_start) continue;
    if (pid == 0) {
      std::vector<uint8_t> s = Section(p, payload_at, facts);
      for (size_t i = 8; i + 4 <= s.size(); i += 4)
        facts.pmt_pid_of_program[s[i] << 8 | s[i + 1]] = (s[i + 2] & 0x1F) << 8 | s[i + 3];
    } else if (facts.pmt_pid_of_program.count(1) && pid == facts.pmt_pid_of_program[1]) {
      std::vector<uint8_t> s = Section(p, payload_at, facts);
      if (s.size() < 12 || s[0] != 0x02) continue;
      facts.pcr_pid = (s[8] & 0x1F) << 8 | s[9];
      for (size_t i = 12 + ((s[10] & 0x0F) << 8 | s[11]); i + 5 <= s.size();
           i += 5 + ((s[i + 3] & 0x0F) << 8 | s[i + 4]))
        facts.stream_type_of_pid[(s[i + 1] & 0x1F) << 8 | s[i + 2]] = s[i];
    } else if (facts.stream_type_of_pid.count(pid)) {
      if (std::memcmp(p + payload_at, "\0\0\1\xE0", 4) != 0)
        facts.faults.push_back("video unit start without a PES header");
      ++facts.pes_starts;
    }
  }
  return facts;
}

// The simulator's wall clock now, in nanoseconds.
int64_t WallNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch()).count();
}

// Checks that each PCR is the wall clock at the start (between started_ns
// and stopped_ns, the calls around spI_Stream_Record) plus the stream's own
// time at its packet, on the 27 MHz clock that wraps at 2^33 * 300.
void ExpectPcrsFollowTheClock(const StreamFacts& facts, int64_t bitrate, int64_t started_ns, int64_t stopped_ns) {
  ASSERT_GT(facts.pcrs.size(), 3u);
  const uint64_t first = sim::ClockAt(started_ns);
  const uint64_t slack = (sim::ClockAt(stopped_ns) + sim::kClockWrap - first) % sim::kClockWrap;
  for (size_t i = 0; i < facts.pcrs.size(); ++i) {
    const double stream = facts.pcr_packets[i] * 188.0 * 27e6 / bitrate;
    const double since = static_cast<double>((facts.pcrs[i] + sim::kClockWrap - first) % sim::kClockWrap);
    EXPECT_GE(since, stream - 1.0) << i;
    EXPECT_LE(since, stream + static_cast<double>(slack) + 1.0) << i;
    if (i > 0) {
      const double step = static_cast<double>((facts.pcrs[i] + sim::kClockWrap - facts.pcrs[i - 1]) % sim::kClockWrap);
      EXPECT_NEAR(step, (facts.pcr_packets[i] - facts.pcr_packets[i - 1]) * 188.0 * 27e6 / bitrate, 1.0) << i;
    }
  }
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetHost();
    sim::ResetRecorder();
    char pattern[] = "/tmp/sim_recorder_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    sim::SetHostLog([this](const std::string& line) {
      std::lock_guard lock(log_mutex_);
      log_ += line + "\n";
    });
  }

  void TearDown() override {
    sim::ResetRecorder();
    sim::SetHostLog(nullptr);
    std::filesystem::remove_all(dir_);
  }

  void SetChunk(int32_t bytes) { std::memcpy(sim::RecorderInstance() + 44, &bytes, 4); }

  // Waits (bounded) until the recorder has written that many chunks.
  bool WaitForChunks(uint64_t chunks) {
    for (int i = 0; i < 500 && sim::GetRecorderStatus().chunks_written < chunks; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return sim::GetRecorderStatus().chunks_written >= chunks;
  }

  std::string Log() {
    std::lock_guard lock(log_mutex_);
    return log_;
  }

  std::string dir_;
  std::mutex log_mutex_;
  std::string log_;
};

TEST_F(RecorderTest, WritesAValidTransportStreamWithItsSideFile) {
  const int chunk = 188 * 64;
  const int64_t bitrate = 4 << 20;
  SetChunk(chunk);
  sim::SetRecorderBitrate(bitrate);
  sim::SetRecorderPicture(true);
  std::string path = dir_ + "/R2024-03-07_20-15_Das_Boot_001.ts";
  const int64_t started = WallNs();
  ASSERT_EQ(spI_Stream_Record(path.c_str()), 0);
  const int64_t started_by = WallNs();
  EXPECT_TRUE(sim::GetRecorderStatus().recording);
  ASSERT_TRUE(WaitForChunks(60));  // about 0.2 s of stream
  ASSERT_EQ(spI_Stream_Record_Stop(), 0);

  sim::RecorderStatus status = sim::GetRecorderStatus();
  EXPECT_FALSE(status.recording);
  EXPECT_EQ(status.path, path);
  EXPECT_EQ(status.write_errors, 0);
  std::vector<uint8_t> ts = ReadFile(path);
  EXPECT_EQ(ts.size(), status.bytes_written);
  EXPECT_EQ(ts.size() % 188, 0u);
  EXPECT_EQ(ts.size(), status.chunks_written * chunk);

  StreamFacts facts = Parse(ts);
  EXPECT_TRUE(facts.faults.empty()) << facts.faults.front();
  ASSERT_EQ(facts.pmt_pid_of_program.count(1), 1u);
  EXPECT_EQ(facts.pmt_pid_of_program[1], sim::kPmtPid);
  EXPECT_EQ(facts.pcr_pid, sim::kVideoPid);
  EXPECT_EQ(facts.stream_type_of_pid[sim::kVideoPid], 0x02);
  // 25 frames a second, each opened by a PCR and, with a picture, a PES
  // packet.
  double seconds = static_cast<double>(ts.size()) / bitrate;
  EXPECT_NEAR(static_cast<double>(facts.pcrs.size()), seconds * 25, 2);
  EXPECT_NEAR(facts.pes_starts, sim::PictureEncoderBuilt() ? seconds * 25 : 0, 2);
  ExpectPcrsFollowTheClock(facts, bitrate, started, started_by);

  std::ifstream mdb(dir_ + "/R2024-03-07_20-15_Das_Boot_001.mdb");
  std::stringstream mdb_text;
  mdb_text << mdb.rdbuf();
  EXPECT_NE(mdb_text.str().find("stream: " + path + "\n"), std::string::npos);
  EXPECT_NE(mdb_text.str().find("bytes: " + std::to_string(ts.size()) + "\n"), std::string::npos);

  std::string log = Log();
  EXPECT_NE(log.find("recording started: " + path + "\n"), std::string::npos);
  EXPECT_NE(log.find("recording stopped: " + path + " (" + std::to_string(ts.size()) + " bytes)\n"),
            std::string::npos);
}

TEST_F(RecorderTest, WritesWholeChunksOfTheInstanceValueNoFasterThanTheBitrate) {
  const int chunk = 188 * 7;
  const int64_t bitrate = chunk * 200;  // a chunk every 5 ms
  SetChunk(chunk);
  sim::SetRecorderBitrate(bitrate);
  std::string path = dir_ + "/paced.ts";
  auto start = Clock::now();
  spI_Stream_Record(path.c_str());
  ASSERT_TRUE(WaitForChunks(20));
  spI_Stream_Record_Stop();
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  sim::RecorderStatus status = sim::GetRecorderStatus();
  EXPECT_EQ(status.chunk_bytes, chunk);
  EXPECT_EQ(std::filesystem::file_size(path), status.chunks_written * chunk);
  // Chunk k is written only once k + 1 chunks' worth of stream time has passed.
  EXPECT_LE(static_cast<double>(status.chunks_written), elapsed * bitrate / chunk + 1);
  EXPECT_TRUE(Parse(ReadFile(path)).faults.empty());
}

TEST_F(RecorderTest, FallsBackToTheDefaultChunkForUnusableValues) {
  for (int32_t bad : {0, -188, 1000, 188 * 65536 + 188}) {
    SetChunk(bad);
    std::string path = dir_ + "/chunk.ts";
    spI_Stream_Record(path.c_str());
    EXPECT_EQ(sim::GetRecorderStatus().chunk_bytes, sim::kDefaultRecorderChunk) << bad;
    spI_Stream_Record_Stop();
    EXPECT_NE(Log().find("write chunk " + std::to_string(bad) + " is not"), std::string::npos);
  }
}

TEST_F(RecorderTest, StopClosesBothFilesAndAStartWhileRecordingEndsTheFirst) {
  SetChunk(188 * 16);
  sim::SetRecorderBitrate(2 << 20);
  int before = OpenDescriptors();
  std::string first = dir_ + "/first.ts", second = dir_ + "/second";
  spI_Stream_Record(first.c_str());
  EXPECT_EQ(OpenDescriptors(), before + 2);
  ASSERT_TRUE(WaitForChunks(2));
  spI_Stream_Record(second.c_str());  // no stop in between
  EXPECT_EQ(OpenDescriptors(), before + 2);
  EXPECT_NE(Log().find("recording stopped: " + first), std::string::npos);
  EXPECT_EQ(sim::GetRecorderStatus().path, second);
  ASSERT_TRUE(WaitForChunks(2));
  spI_Stream_Record_Stop();
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(spI_Stream_Record_Stop(), -1);  // nothing left to stop

  EXPECT_TRUE(std::filesystem::exists(dir_ + "/first.mdb"));
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/second.mdb"));  // appended when not .ts
  EXPECT_EQ(std::filesystem::file_size(second), sim::GetRecorderStatus().bytes_written);
  EXPECT_TRUE(Parse(ReadFile(first)).faults.empty());
  EXPECT_TRUE(Parse(ReadFile(second)).faults.empty());
}

TEST_F(RecorderTest, AMissingFolderIsReportedAndTheRecorderWaitsForItsStop) {
  std::string path = dir_ + "/gone/R001.ts";
  EXPECT_EQ(spI_Stream_Record(path.c_str()), -1);
  sim::RecorderStatus status = sim::GetRecorderStatus();
  EXPECT_TRUE(status.recording);
  EXPECT_EQ(status.write_errors, 1);
  EXPECT_NE(status.last_error.find(path), std::string::npos);
  EXPECT_NE(Log().find("recording error: cannot create " + path), std::string::npos);
  EXPECT_EQ(spI_Stream_Record_Stop(), 0);
  EXPECT_EQ(sim::GetRecorderStatus().bytes_written, 0u);
  EXPECT_NE(Log().find("recording stopped: " + path + " (0 bytes)"), std::string::npos);

  std::string too_long = dir_ + "/" + std::string(5000, 'x') + ".ts";
  EXPECT_EQ(spI_Stream_Record(too_long.c_str()), -1);
  EXPECT_EQ(sim::GetRecorderStatus().write_errors, 1);
  EXPECT_EQ(spI_Stream_Record_Stop(), 0);
}

TEST_F(RecorderTest, AFullDiskStopsTheWritingButNotTheRecorder) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  std::string path = dir_ + "/full.ts";
  ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
  SetChunk(188 * 4);
  sim::SetRecorderBitrate(1 << 20);
  spI_Stream_Record(path.c_str());
  for (int i = 0; i < 500 && sim::GetRecorderStatus().write_errors == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // no further attempts
  sim::RecorderStatus status = sim::GetRecorderStatus();
  EXPECT_TRUE(status.recording);
  EXPECT_EQ(status.write_errors, 1);
  EXPECT_EQ(status.bytes_written, 0u);
  EXPECT_NE(Log().find("write failed"), std::string::npos);
  EXPECT_EQ(spI_Stream_Record_Stop(), 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/full.mdb"));
}

TEST(RecorderMdbPath, ReplacesTheExtensionAndNeverOverrunsItsBuffer) {
  char out[32];
  EXPECT_TRUE(sim::MdbPathFor("/a/R001.ts", out, sizeof out));
  EXPECT_STREQ(out, "/a/R001.mdb");
  EXPECT_TRUE(sim::MdbPathFor("/a/R001", out, sizeof out));
  EXPECT_STREQ(out, "/a/R001.mdb");
  EXPECT_TRUE(sim::MdbPathFor("ts", out, sizeof out));
  EXPECT_STREQ(out, "ts.mdb");

  char guarded[16 + 8];
  std::memset(guarded, 0x5A, sizeof guarded);
  EXPECT_FALSE(sim::MdbPathFor("/a/R2024-03-07_001.ts", guarded, 16));
  for (size_t i = 16; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 0x5A);
}

// Fast growth: holes of whole packets between the chunks, the real packets a
// valid stream around them, the file ending with real packets.
TEST_F(RecorderTest, GrowsFastThroughSparseHolesBetweenValidPackets) {
  const int chunk = 188 * 64;
  const int64_t bitrate = 4 << 20, growth = 32ll << 20;
  SetChunk(chunk);
  sim::SetRecorderBitrate(bitrate);
  sim::SetRecorderGrowth(growth);
  std::string path = dir_ + "/grown.ts";
  const int64_t started = WallNs();
  ASSERT_EQ(spI_Stream_Record(path.c_str()), 0);
  const int64_t started_by = WallNs();
  ASSERT_TRUE(WaitForChunks(120));  // about 0.35 s of stream: 8 frames and more
  ASSERT_EQ(spI_Stream_Record_Stop(), 0);

  sim::RecorderStatus status = sim::GetRecorderStatus();
  EXPECT_EQ(status.write_errors, 0);
  uint64_t real = status.chunks_written * chunk;
  EXPECT_EQ(status.bytes_written, real + status.sparse_bytes);
  EXPECT_EQ(status.sparse_bytes % 188, 0u);
  // growth bytes per second of stream time, up to the last chunk's start
  double stream_seconds = static_cast<double>(status.chunks_written - 1) * chunk / bitrate;
  EXPECT_NEAR(static_cast<double>(status.sparse_bytes), stream_seconds * growth, 188.0);

  std::vector<uint8_t> ts = ReadFile(path);
  ASSERT_EQ(ts.size(), status.bytes_written);
  EXPECT_EQ(ts.size() % 188, 0u);
  EXPECT_EQ(ts[ts.size() - 188], 0x47);  // ends with a real packet
  struct stat on_disk;
  ASSERT_EQ(stat(path.c_str(), &on_disk), 0);
  EXPECT_LT(static_cast<uint64_t>(on_disk.st_blocks) * 512, ts.size() / 4);  // really sparse

  StreamFacts facts = Parse(ts);
  EXPECT_TRUE(facts.faults.empty()) << facts.faults.front();
  EXPECT_EQ(facts.hole_packets * 188, status.sparse_bytes);
  EXPECT_EQ(facts.pcr_pid, sim::kVideoPid);
  ExpectPcrsFollowTheClock(facts, bitrate, started, started_by);
}

// The stream around its pictures, with a made-up group (no encoder needed):
// each frame arrives whole, in order, not before it is due and presented
// kPtsDelay after; its timestamps carry on across the 33-bit wrap.
sim::EncodedGop MadeUpGop() {
  // Sizes at each edge of a packet's payload (a frame's first packet takes
  // 162 bytes of picture after its PES header), and one past the 16-bit
  // PES length.
  const size_t edges[] = {4000, 1, 162, 163, 162 + 184, 162 + 183, 162 + 185, 70000};
  sim::EncodedGop gop;
  for (int i = 0; i < sim::kGopFrames; ++i) {
    sim::EncodedFrame frame;
    frame.key = i == 0;
    frame.data.resize(i < static_cast<int>(std::size(edges)) ? edges[i] : 500 + i);
    for (size_t j = 0; j < frame.data.size(); ++j) frame.data[j] = static_cast<uint8_t>(i * 31 + j);
    gop.bytes += frame.data.size();
    gop.largest = std::max(gop.largest, frame.data.size());
    gop.frames.push_back(std::move(frame));
  }
  return gop;
}

std::vector<uint8_t> Packets(sim::TsGenerator& generator, double seconds) {
  std::vector<uint8_t> ts(static_cast<size_t>(seconds * generator.bitrate) / 188 * 188);
  for (size_t at = 0; at < ts.size(); at += 188) sim::NextPacket(generator, &ts[at]);
  return ts;
}

TEST(TransportStream, CarriesEachFrameWholeInOrderNotBeforeItIsDue) {
  auto gop = std::make_shared<const sim::EncodedGop>(MadeUpGop());
  sim::TsGenerator generator;
  generator.bitrate = 4 << 20;
  generator.clock_base = sim::kClockWrap - sim::kPcrHz / 2;  // the clock wraps after half a second
  std::vector<uint64_t> asked;
  generator.pictures = [&](uint64_t first_frame) {
    asked.push_back(first_frame);
    return gop;
  };
  StreamFacts facts = Parse(Packets(generator, 3.0));
  ASSERT_TRUE(facts.faults.empty()) << facts.faults.front();
  EXPECT_EQ(asked, (std::vector<uint64_t>{0, 25, 50}));
  EXPECT_GT(facts.null_packets, 0u);
  ASSERT_GE(facts.video.size(), 74u);
  const uint64_t mask33 = (uint64_t{1} << 33) - 1;
  for (size_t i = 0; i + 1 < facts.video.size(); ++i) {  // the last may be cut off
    uint64_t pts = 0;
    std::vector<uint8_t> data;
    std::string fault;
    ASSERT_TRUE(ReadPes(facts.video[i], &pts, &data, &fault)) << i << ": " << fault;
    EXPECT_EQ(data, gop->frames[i % sim::kGopFrames].data) << i;
    const uint64_t due = generator.clock_base + i * (sim::kPcrHz / 25);
    EXPECT_EQ(pts, (due / 300 + sim::kPtsDelay) & mask33) << i;
    const uint64_t started = (facts.video[i].pcr + sim::kClockWrap - generator.clock_base) % sim::kClockWrap;
    EXPECT_GE(started, i * (sim::kPcrHz / 25)) << i;
    // Its last packet leaves before the next frame's first: before it is shown.
    const double last = (facts.video[i + 1].packet - 1) * 188.0 * 27e6 / generator.bitrate;
    EXPECT_LT(last, static_cast<double>(i * (sim::kPcrHz / 25) + sim::kPtsDelay * 300)) << i;
  }
}

TEST(TransportStream, WithoutAPictureEachFrameIsItsPcrAlone) {
  sim::TsGenerator generator;
  generator.bitrate = 1 << 20;
  StreamFacts facts = Parse(Packets(generator, 1.0));
  EXPECT_TRUE(facts.faults.empty()) << facts.faults.front();
  EXPECT_EQ(facts.pmt_pid_of_program[1], sim::kPmtPid);
  EXPECT_TRUE(facts.video.empty());
  EXPECT_NEAR(static_cast<double>(facts.pcrs.size()), 25, 1);
}

TEST(TransportStream, CarriesAGroupOnlyWithRoomToSpare) {
  EXPECT_EQ(sim::FramePackets(162), 1u);
  EXPECT_EQ(sim::FramePackets(163), 2u);
  EXPECT_EQ(sim::FramePackets(162 + 184), 2u);
  EXPECT_EQ(sim::FramePackets(162 + 185), 3u);
  // 25 frames of 1000 bytes: 6 packets each and a PAT or PMT each, 175
  // packets a second, which must be at most four fifths: 219 packets.
  sim::EncodedGop even;
  for (int i = 0; i < sim::kGopFrames; ++i) even.frames.push_back({std::vector<uint8_t>(1000), i == 0});
  even.bytes = 25000;
  even.largest = 1000;
  EXPECT_TRUE(sim::StreamCarries(even, 219 * 188));
  EXPECT_FALSE(sim::StreamCarries(even, 219 * 188 - 1));
  // One frame of 20000 bytes (109 packets) must leave within a quarter of
  // a second, whatever the average.
  sim::EncodedGop burst = even;
  burst.frames[0].data.resize(20000);
  burst.largest = 20000;
  EXPECT_FALSE(sim::StreamCarries(burst, 435 * 188));
  EXPECT_TRUE(sim::StreamCarries(burst, 436 * 188));
  EXPECT_FALSE(sim::StreamCarries(sim::EncodedGop{}, 1 << 20));
}

// The picture of a programme: one group of an I frame and P frames, encoded
// once and then taken from the cache, that a player (ffprobe, on the frames
// written out as an MPEG-2 video file) reads as 25 pictures of 480x270.
TEST(PictureEncoder, EncodesEachProgrammeOnceAsAGroupAPlayerReads) {
  if (!sim::PictureEncoderBuilt()) GTEST_SKIP() << "this build has no picture encoder";
  std::string error;
  const uint64_t before = sim::EncodedGopCount();
  std::shared_ptr<const sim::EncodedGop> gop = sim::ProgrammeGop(1, "Das Boot", &error);
  ASSERT_NE(gop, nullptr) << error;
  EXPECT_EQ(sim::ProgrammeGop(1, "Das Boot", &error), gop);
  EXPECT_EQ(sim::EncodedGopCount(), before + 1);
  ASSERT_NE(sim::ProgrammeGop(1, "Ärger: Teil 2/3", &error), nullptr) << error;
  EXPECT_EQ(sim::EncodedGopCount(), before + 2);

  ASSERT_EQ(gop->frames.size(), static_cast<size_t>(sim::kGopFrames));
  size_t bytes = 0, largest = 0;
  std::string video;
  for (size_t i = 0; i < gop->frames.size(); ++i) {
    const std::vector<uint8_t>& data = gop->frames[i].data;
    EXPECT_EQ(gop->frames[i].key, i == 0) << i;
    bytes += data.size();
    largest = std::max(largest, data.size());
    video.append(data.begin(), data.end());
  }
  EXPECT_EQ(gop->bytes, bytes);
  EXPECT_EQ(gop->largest, largest);
  ASSERT_GE(gop->frames[0].data.size(), 4u);
  EXPECT_EQ(std::memcmp(gop->frames[0].data.data(), "\0\0\1\xB3", 4), 0);  // a sequence header first

  char folder[] = "/tmp/sim_picture_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string file = std::string(folder) + "/group.m2v";
  std::ofstream(file, std::ios::binary) << video;
  sim::ProbeFacts facts;
  const bool probed = sim::ProbeStream(file, false, &facts, &error);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(probed) << error;
  EXPECT_EQ(facts.codec, "mpeg2video");
  EXPECT_EQ(facts.width, sim::kPictureWidth);
  EXPECT_EQ(facts.height, sim::kPictureHeight);
  EXPECT_EQ(facts.frames, static_cast<uint64_t>(sim::kGopFrames));
}

// On a virtual disk the growth fills the disk: its free space shrinks with
// the file, and the recorder's write fails with "no space" once the next
// chunk does not fit; nothing is written past the capacity.
class RecorderOnDisk : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    sim::ResetRecorder();
    sim::SetHostLog(nullptr);
  }
  void TearDown() override {
    sim::ResetRecorder();
    SandboxTest::TearDown();
  }
};

TEST_F(RecorderOnDisk, GrowthFillsTheDiskUntilTheWriteFailsForNoSpace) {
  const uint64_t capacity = 96ull << 20;
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "Stick", "1", {{"/dtv/usb/sda1", SIM_FS_FAT, capacity, 4096}}}));
  struct statvfs empty;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &empty), 0);
  int32_t chunk = 188 * 64;
  std::memcpy(sim::RecorderInstance() + 44, &chunk, 4);
  sim::SetRecorderBitrate(4 << 20);
  sim::SetRecorderGrowth(512ll << 20);
  ASSERT_EQ(spI_Stream_Record("/dtv/usb/sda1/R001.ts"), 0);
  for (int i = 0; i < 500 && sim::GetRecorderStatus().write_errors == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  sim::RecorderStatus status = sim::GetRecorderStatus();
  ASSERT_EQ(status.write_errors, 1);
  EXPECT_NE(status.last_error.find(std::strerror(ENOSPC)), std::string::npos);
  spI_Stream_Record_Stop();
  struct stat file;
  ASSERT_EQ(stat("/dtv/usb/sda1/R001.ts", &file), 0);
  EXPECT_EQ(static_cast<uint64_t>(file.st_size), status.bytes_written);
  EXPECT_EQ(file.st_size % 188, 0);
  EXPECT_LE(static_cast<uint64_t>(file.st_size), capacity);
  // The disk's figures count the sparse file in full: what is free is the
  // capacity less the file (and the side file, the folder), and too little
  // for the next chunk with its hole.
  struct statvfs full;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &full), 0);
  uint64_t free_bytes = static_cast<uint64_t>(full.f_bavail) * full.f_frsize;
  EXPECT_LT(free_bytes, static_cast<uint64_t>(empty.f_bavail) * empty.f_frsize - file.st_size + 4096);
  EXPECT_GT(free_bytes + file.st_size, capacity - 4 * 4096);
  EXPECT_LT(free_bytes, chunk + (512ull << 20) * chunk / (4 << 20) + 188);
}

TEST(RecorderGrowth, NegativeMeansNoneAndTheResetRestoresIt) {
  sim::SetRecorderGrowth(-5);
  EXPECT_EQ(sim::RecorderGrowth(), 0);
  sim::SetRecorderGrowth(1 << 30);
  sim::ResetRecorder();
  EXPECT_EQ(sim::RecorderGrowth(), 0);
}

}  // namespace
