// Loading a catalogue of the largest size the loader accepts (3 MiB), against
// reading the same file into a buffer with fread, both measured in each
// iteration of the same run. Counter "ratio" = load time / read time into a
// reused buffer; "ratio_fresh" = load time / read time into a fresh allocation.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "settings/message_catalogue.h"
#include "settings/settings_record.h"

namespace {

std::string MakeCatalogue() {
  char folder[] = "/tmp/recolyx-catalogue-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  std::string home = std::string(folder) + "/";
  std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", home.c_str());
  std::string path = home + "messages_EN.txt";
  std::string content;
  for (int i = 0; content.size() < static_cast<size_t>(kCatalogueMaxBytes) - 200; ++i)
    content += std::to_string(i % kMessageCount) + "=Recording continues in a new file, number " +
               std::to_string(i) + "\n";
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  return path;
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void BM_LoadVersusFread(benchmark::State& state) {
  static const std::string path = MakeCatalogue();
  std::vector<char> buffer(kCatalogueMaxBytes);
  settings.language = 18;
  double read_total = 0, load_total = 0, fresh_total = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    FILE* file = std::fopen(path.c_str(), "rb");
    size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    benchmark::DoNotOptimize(got);
    auto t1 = std::chrono::steady_clock::now();
    LoadMessages();
    auto t2 = std::chrono::steady_clock::now();
    FreeMessages();  // keep memory flat across iterations
    // The loader reads into memory it has just allocated; the same read into
    // a fresh allocation shows what of its time the page faults take.
    auto t3 = std::chrono::steady_clock::now();
    char* fresh = static_cast<char*>(std::malloc(buffer.size()));
    file = std::fopen(path.c_str(), "rb");
    got = std::fread(fresh, 1, buffer.size(), file);
    std::fclose(file);
    benchmark::DoNotOptimize(fresh[got - 1]);
    std::free(fresh);
    auto t4 = std::chrono::steady_clock::now();
    read_total += Seconds(t1 - t0);
    load_total += Seconds(t2 - t1);
    fresh_total += Seconds(t4 - t3);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["fread_ms"] = 1000 * read_total / state.iterations();
  state.counters["load_ms"] = 1000 * load_total / state.iterations();
  state.counters["fread_fresh_ms"] = 1000 * fresh_total / state.iterations();
  state.counters["ratio"] = load_total / read_total;
  state.counters["ratio_fresh"] = load_total / fresh_total;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kCatalogueMaxBytes));
}
BENCHMARK(BM_LoadVersusFread)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
