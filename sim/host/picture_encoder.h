// The picture in the recorder's streams: the TV's test picture of a
// programme (its channel and title, sim/host/test_picture.h) encoded once as
// one group of pictures of MPEG-2 video with libavcodec: an I frame and
// P frames, no B frames, so frames are decoded in the order they are sent.
// The recorder repeats the group with new timestamps for as long as the
// programme lasts. The build for the set's emulator has no encoder: its
// streams carry no picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

inline constexpr int kPictureWidth = 480;
inline constexpr int kPictureHeight = 270;
inline constexpr int kPictureFramesPerSecond = 25;
inline constexpr int kGopFrames = 25;  // one second

struct EncodedFrame {
  std::vector<uint8_t> data;  // the frame's elementary stream: headers and picture
  bool key = false;           // an I frame (its sequence header first)
};

struct EncodedGop {
  std::vector<EncodedFrame> frames;  // kGopFrames, in display order
  size_t bytes = 0;                  // all frames together
  size_t largest = 0;                // the largest frame
};

// True when this build encodes pictures.
bool PictureEncoderBuilt();

// The group of pictures of the test picture showing `channel` (0: none) and
// `programme`, with the caption glyphs set now (PictureGlyphs). Encoded on
// the first call for that picture, then taken from a small cache. Null, with
// *error saying why, when the build has no encoder or encoding failed. Any
// thread; calls are served one at a time.
std::shared_ptr<const EncodedGop> ProgrammeGop(int channel, const std::string& programme, std::string* error);

// How many groups were encoded so far (the cache's misses).
uint64_t EncodedGopCount();

}  // namespace sim
