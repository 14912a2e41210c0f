// The parts of a scenario's checks that need no TV: sizes and size ranges,
// the transport-stream check, file matching, and the bounded output log
// with its in-order expect and its never watch, what ffprobe reports of a
// recording and how a play is judged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "sim/scenario/check_report.h"
#include "sim/scenario/file_checks.h"
#include "sim/scenario/output_log.h"
#include "sim/scenario/stream_probe.h"

namespace {

struct TempFolder {
  std::string path;
  TempFolder() {
    char name[] = "/tmp/recolyx-checks-XXXXXX";
    path = mkdtemp(name) ? name : "";
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string file = path + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }
};

std::string Packets(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    std::string packet(sim::kPacketBytes, static_cast<char>(i));
    packet[0] = static_cast<char>(sim::kSyncByte);
    bytes += packet;
  }
  return bytes;
}

TEST(ScenarioSizes, ReadsFiguresUnitsAndRanges) {
  uint64_t bytes = 0, low = 0, high = 0;
  EXPECT_TRUE(sim::ParseBytes("512", &bytes));
  EXPECT_EQ(bytes, 512u);
  EXPECT_TRUE(sim::ParseBytes("8G", &bytes));
  EXPECT_EQ(bytes, 8ull << 30);
  EXPECT_TRUE(sim::ParseSizeRange("1M-2M", &low, &high));
  EXPECT_EQ(low, 1u << 20);
  EXPECT_EQ(high, 2u << 20);
  EXPECT_TRUE(sim::ParseSizeRange("1-", &low, &high));
  EXPECT_EQ(high, UINT64_MAX);
  EXPECT_TRUE(sim::ParseSizeRange("-4K", &low, &high));
  EXPECT_EQ(low, 0u);
  EXPECT_EQ(high, 4096u);
  EXPECT_TRUE(sim::ParseSizeRange("188", &low, &high));
  EXPECT_EQ(low, high);
}

TEST(ScenarioSizes, RefusesWhatIsNoSize) {
  uint64_t bytes = 7, low = 0, high = 0;
  for (const char* word : {"", "-", "K", "--5", "+5", "5X", "5MB", "99999999999999999999",
                           "20000000T", "2M-1M", "1--2", "1-2-3"}) {
    EXPECT_FALSE(sim::ParseSizeRange(word, &low, &high)) << word;
  }
  EXPECT_FALSE(sim::ParseBytes("18446744073709551616", &bytes));
  EXPECT_EQ(bytes, 7u);
}

TEST(ScenarioFiles, TellsWholeStreamsFromBrokenOnes) {
  TempFolder folder;
  std::string why;
  EXPECT_TRUE(sim::IsTransportStream(folder.Write("good.ts", Packets(5000)), &why)) << why;

  EXPECT_FALSE(sim::IsTransportStream(folder.Write("cut.ts", Packets(3) + "xy"), &why));
  EXPECT_NE(why.find("not whole packets"), std::string::npos) << why;

  std::string bytes = Packets(4);
  bytes[3 * sim::kPacketBytes] = 0;
  EXPECT_FALSE(sim::IsTransportStream(folder.Write("sync.ts", bytes), &why));
  EXPECT_EQ(why, "no sync byte at byte 564");

  EXPECT_FALSE(sim::IsTransportStream(folder.Write("empty.ts", ""), &why));
  EXPECT_FALSE(sim::IsTransportStream(folder.path + "/missing.ts", &why));
  EXPECT_EQ(why, "cannot open");
}

TEST(ScenarioFiles, MatchesWholeNamesWithSizeAndStream) {
  TempFolder folder;
  folder.Write("R_Das_Boot_001.ts", Packets(10));
  folder.Write("R_Das_Boot_001.mdb", "side");
  std::string got;
  EXPECT_TRUE(sim::FindMatchingFile(folder.path, R"(R_.*_001\.ts)", 1880, 1880, true, &got));
  EXPECT_TRUE(sim::FindMatchingFile(folder.path, R"(.*\.mdb)", 1, 10, false, &got));
  // The name must match as a whole: "001" alone is no name here.
  EXPECT_FALSE(sim::FindMatchingFile(folder.path, "001", 0, UINT64_MAX, false, &got));
  EXPECT_NE(got.find("no such entry"), std::string::npos) << got;
  EXPECT_FALSE(sim::FindMatchingFile(folder.path, R"(.*\.ts)", 0, 100, false, &got));
  EXPECT_EQ(got, "R_Das_Boot_001.ts 1880 bytes");
  EXPECT_FALSE(sim::FindMatchingFile(folder.path, R"(.*\.mdb)", 0, UINT64_MAX, true, &got));
  EXPECT_EQ(got, "R_Das_Boot_001.mdb 4 bytes, not whole packets (4+ bytes)");
  EXPECT_EQ(sim::MatchingNames(folder.path, R"(.*_001\..*)"), "R_Das_Boot_001.mdb, R_Das_Boot_001.ts");
  EXPECT_EQ(sim::MatchingNames(folder.path, "x"), "");
}

TEST(ScenarioFiles, WhatAFailedCheckGotStaysShort) {
  TempFolder folder;
  for (int i = 0; i < 40; ++i) folder.Write(std::to_string(i) + std::string(200, 'n'), "x");
  std::string got;
  EXPECT_FALSE(sim::FindMatchingFile(folder.path, "none", 0, 1, false, &got));
  EXPECT_LE(got.size(), 700u);
  EXPECT_FALSE(sim::FindMatchingFile(folder.path, ".*", 5, 6, false, &got));
  EXPECT_LE(got.size(), 700u);
  EXPECT_LE(sim::MatchingNames(folder.path, ".*").size(), 700u);
}

class ScenarioOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetOutputLog();
    sim::ResetCheckFailures();
  }
  void TearDown() override {
    sim::ResetOutputLog();
    sim::ResetCheckFailures();
  }
};

TEST_F(ScenarioOutput, ExpectTakesLinesInOrder) {
  for (const char* line : {"key 73 -> 255 consumed", "recording started: a.ts", "key 70 -> 255 consumed"})
    sim::RecordOutputLine(line);
  EXPECT_EQ(sim::ExpectNextLine(std::regex("recording started")), "recording started: a.ts");
  // The key 73 line came before the line taken: it is behind the cursor.
  EXPECT_FALSE(sim::ExpectNextLine(std::regex("key 73")));
  EXPECT_TRUE(sim::ExpectNextLine(std::regex(R"(key 70 -> \d+ consumed$)")));
  EXPECT_FALSE(sim::ExpectNextLine(std::regex("key")));
  sim::RecordOutputLine("key 5 -> 5 passed");
  EXPECT_TRUE(sim::ExpectNextLine(std::regex("key")));
  EXPECT_EQ(sim::LastOutputLine(), "key 5 -> 5 passed");
}

TEST_F(ScenarioOutput, KeepsABoundedWindowOfCutLines) {
  sim::RecordOutputLine(std::string(sim::kOutputLineBytes + 500, 'a'));
  EXPECT_EQ(sim::LastOutputLine().size(), sim::kOutputLineBytes);
  sim::RecordOutputLine("first");
  for (size_t i = 0; i < sim::kOutputLogLines; ++i) sim::RecordOutputLine("line " + std::to_string(i));
  // The oldest lines went; expect looks from the oldest kept.
  EXPECT_FALSE(sim::ExpectNextLine(std::regex("first")));
  EXPECT_EQ(sim::ExpectNextLine(std::regex("line [0-9]+")), "line 0");
  EXPECT_EQ(sim::CapturedInOutput(std::regex("line (1)2345$")), std::vector<std::string>{"1"});
}

TEST_F(ScenarioOutput, NeverReportsEarlierAndLaterLines) {
  sim::RecordOutputLine("recording error: before");
  sim::WatchNever(3, "recording error", std::regex("recording error"));
  EXPECT_EQ(sim::CheckFailures(), 1);
  sim::RecordOutputLine("key 7 -> 7 passed");
  EXPECT_EQ(sim::CheckFailures(), 1);
  sim::RecordOutputLine("recording error: after");
  EXPECT_EQ(sim::CheckFailures(), 2);
}

TEST_F(ScenarioOutput, CapturesTheFirstGroup) {
  sim::RecordOutputLine("recording stopped: a.ts (1880 bytes)");
  sim::RecordOutputLine("files /x: a.ts 1880 bytes, whole packets");
  sim::RecordOutputLine("no match");
  EXPECT_EQ(sim::CapturedInOutput(std::regex(R"(a\.ts \(?([0-9]+) bytes)")),
            (std::vector<std::string>{"1880", "1880"}));
  EXPECT_EQ(sim::CapturedInOutput(std::regex("no")), std::vector<std::string>{"no"});
}

}  // namespace

// ---- What ffprobe says of a recording or a playlist, and the judgement

namespace {

// ffprobe's output for a playlist of two files, as Debian's prints it: its
// verbose log and, twice (programme and stream), the entries asked for.
constexpr const char* kPlaylistProbe =
    "Adding 'codec_name' to the entries to show in section 'stream'\n"
    "[hls @ 0x5609b91accc0] HLS request for url '/tmp/x/R_a_001.ts', offset 0, playlist 0\n"
    "[hls @ 0x5609b91accc0] Opening '/tmp/x/R_a_001.ts' for reading\n"
    "[AVIOContext @ 0x55] Opening 'ignored' for reading\n"
    "Input #0, hls, from 'R_a.m3u':\n"
    "  Duration: 00:05:00.00, start: 60921.521244, bitrate: N/A\n"
    "[hls @ 0x5609b91accc0] Opening 'R_b_002.ts' for reading\n"
    "codec_name=mpeg2video\nwidth=480\nheight=270\nr_frame_rate=25/1\nnb_read_packets=7456\n"
    "codec_name=h264\nwidth=1\nheight=1\nr_frame_rate=1/1\nnb_read_packets=1\n"
    "duration=300.000000\n";

}  // namespace

TEST(StreamProbe, ReadsTheFilesAPlaylistOpensAndTheFirstVideoStream) {
  const sim::ProbeFacts facts = sim::ParseProbeOutput(kPlaylistProbe);
  EXPECT_EQ(facts.codec, "mpeg2video");
  EXPECT_EQ(facts.width, 480);
  EXPECT_EQ(facts.height, 270);
  EXPECT_DOUBLE_EQ(facts.frame_rate, 25.0);
  EXPECT_EQ(facts.frames, 7456u);
  EXPECT_DOUBLE_EQ(facts.duration, 300.0);
  EXPECT_EQ(facts.opened, (std::vector<std::string>{"R_a_001.ts", "R_b_002.ts"}));
  EXPECT_DOUBLE_EQ(sim::ParseProbeOutput("r_frame_rate=30000/1001\n").frame_rate, 30000.0 / 1001);
  EXPECT_DOUBLE_EQ(sim::ParseProbeOutput("r_frame_rate=0/0\n").frame_rate, 0.0);
  EXPECT_DOUBLE_EQ(sim::ParseProbeOutput("duration=N/A\n").duration, -1.0);
}

TEST(StreamProbe, PlaysWhenThePictureAndTheListLastTheTvTimeWithinTwoPercent) {
  const sim::ProbeFacts facts = sim::ParseProbeOutput(kPlaylistProbe);  // 298.24 s of frames, 300 listed
  std::string summary, problem;
  EXPECT_TRUE(sim::JudgePlay(facts, true, 300, true, &summary, &problem)) << problem;
  EXPECT_EQ(summary, "files R_a_001.ts, R_b_002.ts; listed 300.00 s; 7456 frames of 480x270 at 25/s, 298.24 s");
  EXPECT_TRUE(sim::JudgePlay(facts, true, 304, true, &summary, &problem)) << problem;
  EXPECT_FALSE(sim::JudgePlay(facts, true, 307, true, &summary, &problem));  // listed 2.3 % short
  EXPECT_FALSE(sim::JudgePlay(facts, false, 292, true, &summary, &problem));  // frames 2.1 % long
  EXPECT_NE(problem.find("frames"), std::string::npos) << problem;

  sim::ProbeFacts no_picture = facts;
  no_picture.width = no_picture.height = 0;
  no_picture.frames = 0;
  EXPECT_FALSE(sim::JudgePlay(no_picture, false, 300, true, &summary, &problem));
  EXPECT_NE(problem.find("no MPEG-2 picture"), std::string::npos) << problem;
  // A simulator without the encoder: only the list is judged.
  EXPECT_TRUE(sim::JudgePlay(no_picture, true, 300, false, &summary, &problem)) << problem;
  sim::ProbeFacts nothing_opened = facts;
  nothing_opened.opened.clear();
  EXPECT_FALSE(sim::JudgePlay(nothing_opened, true, 300, true, &summary, &problem));
}
