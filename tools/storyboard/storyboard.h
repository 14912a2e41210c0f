// The storyboard: the pictures of a story's steps tiled on one PNG, each
// with its caption under it, read from a list of "PICTURE<TAB>CAPTION" lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace storyboard {

struct Step {
  std::string picture;  // PNG file; a relative path is taken from the list's folder
  std::string caption;  // UTF-8
};

struct Layout {
  int columns = 2;
  int tile_width = 640;     // pictures are scaled to this width, keeping their shape
  int caption_lines = 2;    // lines of caption under each picture (1..4)
  int font_size = 17;       // pixels
};

inline constexpr int kMaxColumns = 16;
inline constexpr int kMinTileWidth = 64;
inline constexpr int kMaxTileWidth = 1920;
inline constexpr size_t kMaxSteps = 200;
inline constexpr size_t kPathBytes = 4096;  // a picture's path once joined to the list's folder

// Parses the list: one step per line, the picture's path, a tab and the
// caption; blank lines and lines starting with "#" are skipped. Returns false
// with error naming the line for a line without a tab or without a picture,
// a list of no steps or of more than kMaxSteps; steps then holds the steps
// before it.
bool ParseList(const std::string& text, std::vector<Step>* steps, std::string* error);

// The path of picture as read from a list in list_folder ("" for the working
// folder): picture itself when absolute. Returns false when the joined path
// would not fit kPathBytes.
bool PicturePath(const std::string& list_folder, const std::string& picture, std::string* path);

struct Sheet {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;           // width * height * 4 bytes
  std::vector<std::string> problems;   // one line per picture that could not be read
};

// Tiles the steps' pictures left to right, top to bottom, in layout.columns
// columns, each scaled to the tile width (area average) with its number and
// caption under it, wrapped and cut to the tile (captions.h). A picture that
// cannot be read leaves a dark red tile that names it, and a line in
// sheet->problems: "step N: cannot read PATH: REASON". Returns false with
// error set, and nothing tiled, when the font cannot be opened or the layout
// is outside its bounds (columns 1..kMaxColumns, tile width
// kMinTileWidth..kMaxTileWidth) or there are no steps.
bool ComposeSheet(const std::vector<Step>& steps, const std::string& list_folder,
                  const std::string& font_file, const Layout& layout, Sheet* sheet,
                  std::string* error);

}  // namespace storyboard
