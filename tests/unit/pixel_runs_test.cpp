// Images held as runs of equal pixels: any rectangle comes back exactly,
// whatever mix of plain and noisy rows the image has; a plain panel takes a
// few bytes a row and noise little more than its pixels; sizes the runs
// cannot hold are refused.
#include "display/pixel_runs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

struct Image {
  int w, h;
  std::vector<uint32_t> pixels;
};

void RowOf(void* context, int r, uint8_t* row) {
  const Image& image = *static_cast<const Image*>(context);
  std::memcpy(row, &image.pixels[static_cast<size_t>(r) * image.w], static_cast<size_t>(image.w) * 4);
}

PixelRuns Encode(const Image& image) {
  std::vector<uint8_t> row(static_cast<size_t>(image.w) * 4);
  PixelRuns runs;
  EXPECT_TRUE(EncodePixelRuns(image.w, image.h, RowOf, const_cast<Image*>(&image), row.data(), &runs));
  return runs;
}

// Rows of one colour, rows of noise, and rows that mix runs of every length.
Image Mixed(int w, int h) {
  Image image{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  std::mt19937 random(7);
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      uint32_t& p = image.pixels[static_cast<size_t>(r) * w + c];
      switch (r % 3) {
        case 0: p = 0x80203040u + r; break;
        case 1: p = random(); break;
        default: p = 0xFF000000u + static_cast<uint32_t>((c / (1 + c % 7)) * 1000 + r); break;
      }
    }
  }
  return image;
}

TEST(PixelRuns, EveryRectangleComesBackExactly) {
  const Image image = Mixed(97, 31);
  PixelRuns runs = Encode(image);
  std::vector<uint32_t> out(image.w + 2);
  for (int r = 0; r < image.h; ++r) {
    for (int first = 0; first <= image.w; first += 5) {
      for (int last = first; last <= image.w; last += 3) {
        out.assign(out.size(), 0xDEADBEEFu);
        DecodePixelRuns(runs, r, first, last, reinterpret_cast<uint8_t*>(&out[1]));
        ASSERT_EQ(out[0], 0xDEADBEEFu);
        for (int c = first; c < last; ++c) ASSERT_EQ(out[1 + c - first], image.pixels[r * image.w + c]) << r << "," << c;
        ASSERT_EQ(out[1 + last - first], 0xDEADBEEFu) << "written past column " << last;
      }
    }
  }
  FreePixelRuns(&runs);
  EXPECT_EQ(runs.block, nullptr);
}

TEST(PixelRuns, APlainPanelIsSmallAndNoiseLittleLargerThanItsPixels) {
  Image plain{640, 170, std::vector<uint32_t>(640 * 170)};
  for (int r = 0; r < plain.h; ++r) {
    for (int c = 0; c < plain.w; ++c) plain.pixels[r * 640 + c] = c == 0 || c == 639 ? 0xFF4060A0u : 0xE0202030u + r;
  }
  PixelRuns runs = Encode(plain);
  EXPECT_LT(runs.bytes, 170u * 40);  // three runs a row
  FreePixelRuns(&runs);
  Image noise{640, 170, std::vector<uint32_t>(640 * 170)};
  std::mt19937 random(3);
  for (uint32_t& p : noise.pixels) p = random();
  runs = Encode(noise);
  EXPECT_LT(runs.bytes, 640u * 170 * 4 + 170 * 16);
  FreePixelRuns(&runs);
}

TEST(PixelRuns, SizesTheRunsCannotHoldAreRefused) {
  std::vector<uint8_t> row(4 * 70000);
  Image one{1, 1, {0}};
  PixelRuns runs;
  for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {65536, 1}, {-1, 5}}) {
    EXPECT_FALSE(EncodePixelRuns(w, h, RowOf, &one, row.data(), &runs)) << w << "x" << h;
    EXPECT_EQ(runs.block, nullptr);
  }
  FreePixelRuns(&runs);  // empty: nothing to free
}

}  // namespace
