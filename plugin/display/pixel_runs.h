// An image of 32-bit pixels held as runs along its rows: a run is one pixel
// repeated, or pixels stored as they are. A panel whose rows are mostly one
// colour takes a few bytes a row; the worst image takes little more than its
// pixels. Any rectangle of it can be written back exactly.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelRun {
  uint16_t end;     // the column after the run's last
  uint16_t stored;  // 1: `value` is the index of its first stored pixel; 0: `value` is the pixel, repeated
  uint32_t value;
};

// Empty (no block) until encoded; free with FreePixelRuns.
struct PixelRuns {
  int w = 0;
  int h = 0;
  void* block = nullptr;               // everything below, one allocation
  const uint32_t* row_first = nullptr;  // h + 1 entries: row r's runs are [row_first[r], row_first[r + 1])
  const PixelRun* runs = nullptr;
  const uint32_t* stored = nullptr;
  size_t bytes = 0;                     // the block's size
};

// Fills `row` (w pixels, 4 bytes each) with image row r.
using PixelRowSource = void (*)(void* context, int r, uint8_t* row);

// Encodes the w x h image whose rows `source` gives (each row is asked for
// twice; `row` is a scratch buffer of w * 4 bytes). False, with out left
// empty, when w is not 1..65535, h is not 1.., or memory runs out.
bool EncodePixelRuns(int w, int h, PixelRowSource source, void* context, uint8_t* row, PixelRuns* out);

// Frees the runs; out becomes empty. Empty runs are left as they are.
void FreePixelRuns(PixelRuns* runs);

// Writes columns [first, last) of row r to out (4 bytes a pixel, out at
// column first). The caller keeps 0 <= first <= last <= w and 0 <= r < h.
void DecodePixelRuns(const PixelRuns& runs, int r, int first, int last, uint8_t* out);
