#include "display/pixel_runs.h"

#include <cstdlib>
#include <cstring>

namespace {

// Equal pixels shorter than this stay in a stored run: a repeated run costs
// 8 bytes, as much as two stored pixels, and breaks the run it interrupts.
constexpr int kShortestRepeat = 4;

// Four pixels as one value: the compiler uses the machine's vector
// registers where it has them, plain words elsewhere.
typedef uint32_t FourPixels __attribute__((vector_size(16)));

// n copies of pixel from out on.
void Fill(uint8_t* out, uint32_t pixel, int n) {
  int i = 0;
  const FourPixels four = {pixel, pixel, pixel, pixel};
  for (; i + 4 <= n; i += 4) std::memcpy(out + i * 4, &four, sizeof four);
  for (; i < n; ++i) std::memcpy(out + i * 4, &pixel, 4);
}

uint32_t Word(const uint8_t* row, int column) {
  uint32_t word;
  std::memcpy(&word, row + column * 4, 4);
  return word;
}

// Splits one row into runs and hands each to add(end, stored, first column).
template <typename Add>
void SplitRow(const uint8_t* row, int w, Add add) {
  int stored_from = -1;  // the column where the open stored run began
  for (int column = 0; column < w;) {
    const uint32_t pixel = Word(row, column);
    int end = column + 1;
    while (end < w && Word(row, end) == pixel) ++end;
    if (end - column >= kShortestRepeat) {
      if (stored_from >= 0) add(column, true, stored_from);
      stored_from = -1;
      add(end, false, column);
    } else if (stored_from < 0) {
      stored_from = column;
    }
    column = end;
  }
  if (stored_from >= 0) add(w, true, stored_from);
}

}  // namespace

bool EncodePixelRuns(int w, int h, PixelRowSource source, void* context, uint8_t* row, PixelRuns* out) {
  *out = PixelRuns{};
  if (w < 1 || w > 65535 || h < 1) return false;
  // First pass: how many runs and stored pixels.
  size_t run_count = 0, stored_count = 0;
  for (int r = 0; r < h; ++r) {
    source(context, r, row);
    SplitRow(row, w, [&](int end, bool stored, int from) {
      ++run_count;
      if (stored) stored_count += static_cast<size_t>(end - from);
    });
  }
  const size_t index_bytes = (static_cast<size_t>(h) + 1) * sizeof(uint32_t);
  const size_t runs_at = (index_bytes + alignof(PixelRun) - 1) / alignof(PixelRun) * alignof(PixelRun);
  const size_t stored_at = runs_at + run_count * sizeof(PixelRun);
  const size_t bytes = stored_at + stored_count * sizeof(uint32_t);
  if (run_count > UINT32_MAX || stored_count > UINT32_MAX) return false;
  auto* block = static_cast<uint8_t*>(std::malloc(bytes));
  if (block == nullptr) return false;
  auto* row_first = reinterpret_cast<uint32_t*>(block);
  auto* runs = reinterpret_cast<PixelRun*>(block + runs_at);
  auto* stored = reinterpret_cast<uint32_t*>(block + stored_at);
  // Second pass: the runs themselves.
  uint32_t next_run = 0, next_stored = 0;
  for (int r = 0; r < h; ++r) {
    row_first[r] = next_run;
    source(context, r, row);
    SplitRow(row, w, [&](int end, bool is_stored, int from) {
      PixelRun& run = runs[next_run++];
      run.end = static_cast<uint16_t>(end);
      run.stored = is_stored ? 1 : 0;
      if (is_stored) {
        run.value = next_stored;
        std::memcpy(stored + next_stored, row + from * 4, static_cast<size_t>(end - from) * 4);
        next_stored += static_cast<uint32_t>(end - from);
      } else {
        run.value = Word(row, from);
      }
    });
  }
  row_first[h] = next_run;
  out->w = w;
  out->h = h;
  out->block = block;
  out->row_first = row_first;
  out->runs = runs;
  out->stored = stored;
  out->bytes = bytes;
  return true;
}

void FreePixelRuns(PixelRuns* runs) {
  std::free(runs->block);
  *runs = PixelRuns{};
}

void DecodePixelRuns(const PixelRuns& runs, int r, int first, int last, uint8_t* out) {
  if (first >= last) return;
  const PixelRun* run = runs.runs + runs.row_first[r];
  int start = 0;  // the column where `run` begins
  while (run->end <= first) {
    start = run->end;
    ++run;
  }
  for (int column = first; column < last; start = run->end, ++run) {
    const int end = run->end < last ? run->end : last;
    const int n = end - column;
    if (run->stored) {
      std::memcpy(out, runs.stored + run->value + (column - start), static_cast<size_t>(n) * 4);
    } else {
      Fill(out, run->value, n);
    }
    out += static_cast<size_t>(n) * 4;
    column = end;
  }
}
