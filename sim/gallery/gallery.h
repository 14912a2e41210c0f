// The screen gallery: every screen of the plug-in drawn in one language by
// the plug-in's own code with the home folder's catalogue file, skin and
// fonts, the frames cut to what each screen drew and tiled, captioned, on
// one contact sheet per language.
#pragma once

#include <string>
#include <vector>

#include "sim/screen/screen.h"

namespace gallery {

// A language of the gallery: its catalogue code and a host language number
// that selects it.
struct GalleryLanguage {
  std::string code;  // "BG", ..., "EN"
  int number;
};

// The picture with each pixel factor times as wide and high (itself for a
// factor of 1 or less).
sim::SheetPicture Magnified(const sim::SheetPicture& picture, int factor);

// Every language with a catalogue: the codes the plug-in maps host numbers
// to, English included; sorted by code.
std::vector<GalleryLanguage> GalleryLanguages();

// The language with this code (upper case), or false when the plug-in has no
// catalogue code like it.
bool FindLanguage(const std::string& code, GalleryLanguage* language);

struct GalleryOptions {
  std::string home_dir;    // the home folder: messages_XX.txt, osd/, fonts/, osd_ttf.so
  std::string out_folder;  // where gallery_XX.png go (created when missing)
  std::vector<std::string> codes;  // the languages; empty: all of them
};

// What one sheet holds.
struct SheetReport {
  std::string code;
  std::string path;
  int screens = 0;  // pictures on the sheet
};

// Renders the sheets: out_folder/gallery_XX.png for each language. Needs
// the simulator's platform started (sim::StartPlatform) and runs the
// simulated clock itself. Fails, with error naming the cause, when a code
// is unknown, the language's catalogue file is missing from home_dir, the
// home path does not fit the settings record, a screen draws nothing, or a
// sheet cannot be written; sheets written before the failure stay.
bool RenderGallery(const GalleryOptions& options, std::vector<SheetReport>* sheets, std::string* error);

}  // namespace gallery
