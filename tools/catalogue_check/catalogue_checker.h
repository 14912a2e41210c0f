// The catalogue check: reads a catalogue file as the loader does and reports
// what would show wrong on the set.
#pragma once

#include <string>
#include <vector>

class TextMeasure;

// Reports for one catalogue file: size limits, malformed lines (no "=", "="
// first, a number that is not plain decimal, a number outside the catalogue
// (0..kCatalogueTextCount - 1: the exported texts and the extra ones), a line
// longer than the loader's line buffer), duplicate numbers, missing texts,
// texts that hold "%", control characters or broken UTF-8, letters the
// TrueType face lacks, and lines that do not fit where the screens draw them
// or that draw replacement glyphs there, each measured with the font that
// draws it. code is the file's language code ("FR" selects the French unit
// words).
std::vector<std::string> CheckCatalogue(const char* path, const char* code, TextMeasure& measure);

// The language code in a file name "messages_XX.txt"; "EN" when it has none.
std::string CodeOfCatalogueFile(const char* path);

// The replacement glyphs that the catalogue file's texts draw, over every
// place of every text (TextPlaces), each with the font that draws it there;
// where, when given, gets one line per place that draws any. 0 when the file
// cannot be read.
int CountReplacementGlyphs(const char* path, const char* code, TextMeasure& measure,
                           std::vector<std::string>* where);
