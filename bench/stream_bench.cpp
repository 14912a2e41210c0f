// Speed of the simulated recorder's stream, each as the ratio of its time to
// copying the same bytes, measured alternately in the same run:
//   - the picture of a programme: its test picture drawn, converted and
//     encoded as a group of 25 frames (once per programme and recording),
//     against copying the 25 RGBA pictures it encodes;
//   - one second of stream at 1 MiB/s with the picture (its group already
//     encoded): PAT, PMT, frames, PCR and null packets, against copying
//     1 MiB.
// What a recorded second costs is the second figure, plus the first once per
// programme.
//
// Run: build/<dir>/bench/stream_bench   (the counter "ratio" is the figure)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "sim/host/picture_encoder.h"
#include "sim/host/test_picture.h"
#include "sim/host/transport_stream.h"

namespace {

constexpr int64_t kBitrate = 1 << 20;

// Copies `bytes` from one buffer to the other, so that the copy is not
// optimised away.
struct CopyBound {
  explicit CopyBound(size_t bytes) : from(bytes, 0x5A), to(bytes) {}
  void operator()() {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
  }
  std::vector<uint8_t> from, to;
};

void EncodeProgramme(benchmark::State& state) {
  sim::SetPictureGlyphs(sim::LoadLabelGlyphs(bench::Home() + "fonts/font118.png"));
  CopyBound bound(static_cast<size_t>(sim::kPictureWidth) * sim::kPictureHeight * 4 * sim::kGopFrames);
  uint64_t programme = 0;
  std::string error;
  bench::CompareSettled(
      state,
      [&] {
        // A new title each time: the cache keeps nothing for it.
        benchmark::DoNotOptimize(sim::ProgrammeGop(1, "Das Boot " + std::to_string(++programme), &error));
      },
      bound, [&] { return error.empty() ? nullptr : "the encoder failed"; });
}

void StreamSecond(benchmark::State& state) {
  std::string error;
  std::shared_ptr<const sim::EncodedGop> gop = sim::ProgrammeGop(1, "Das Boot", &error);
  if (gop == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  sim::TsGenerator generator;
  generator.bitrate = kBitrate;
  generator.pictures = [gop](uint64_t) { return gop; };
  std::vector<uint8_t> second(kBitrate / sim::kTsPacketBytes * sim::kTsPacketBytes);
  CopyBound bound(second.size());
  bench::CompareSettled(
      state,
      [&] {
        for (size_t at = 0; at < second.size(); at += sim::kTsPacketBytes) sim::NextPacket(generator, &second[at]);
        benchmark::DoNotOptimize(second.data());
      },
      bound, [] { return static_cast<const char*>(nullptr); });
}

BENCHMARK(EncodeProgramme)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(StreamSecond)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
