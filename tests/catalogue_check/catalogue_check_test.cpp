// The catalogue check: each kind of problem it must report, and silence on a
// complete file.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include <SDL_ttf.h>

#include "catalogue_checker.h"
#include "settings/catalogue_format.h"
#include "text_measure.h"
#include "text_places.h"

namespace {

namespace fs = std::filesystem;

class CatalogueCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    measure_ = OpenFontMeasure(RECOLYX_CHECK_FONT, &error);
    ASSERT_NE(measure_, nullptr) << error;
    path_ = fs::temp_directory_path() / ("recolyx-check-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                         "-messages_EN.txt");
    for (int n = 0; n < kCatalogueTextCount; ++n)
      if (TextUsed(n)) texts_[n] = "Ok";
  }
  void TearDown() override { fs::remove(path_); }

  // Writes the texts (plus extra lines) and checks the file.
  std::vector<std::string> Check(const std::string& extra = "", const char* code = "EN") {
    std::ofstream out(path_, std::ios::binary);
    for (const auto& [n, text] : texts_) out << n << "=" << text << "\n";
    out << extra;
    out.close();
    return CheckCatalogue(path_.c_str(), code, *measure_);
  }
  static bool Reports(const std::vector<std::string>& problems, const std::string& part) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const std::string& p) { return p.find(part) != std::string::npos; });
  }

  std::unique_ptr<TextMeasure> measure_;
  fs::path path_;
  std::map<int, std::string> texts_;
};

TEST_F(CatalogueCheck, CompleteFileIsClean) {
  auto problems = Check();
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(CatalogueCheck, FileStructure) {
  texts_.erase(50);
  const std::string beyond = std::to_string(kCatalogueTextCount);
  auto problems = Check(
      "no equals\n=starts with equals\n" + beyond + "=too high\n-1=negative\n12x=junk after the number\n"
      "9=again\n; a comment\n\n2=unused numbers are fine\n" +
      std::to_string(kCatalogueTextCount - 1) + "=so is the last slot of the extra table\n" +
      std::string("60=") + std::string(300, 'x') + "\n60=Ok\n");
  EXPECT_TRUE(Reports(problems, "text 50: missing"));
  EXPECT_TRUE(Reports(problems, "has no number and \"=\""));
  EXPECT_TRUE(Reports(problems, "number " + beyond + " lies outside 0.." +
                                    std::to_string(kCatalogueTextCount - 1)));
  EXPECT_TRUE(Reports(problems, "\"-1\" is not a plain text number"));
  EXPECT_TRUE(Reports(problems, "\"12x\" is not a plain text number"));
  EXPECT_TRUE(Reports(problems, "text 9 again"));
  EXPECT_TRUE(Reports(problems, "longer than 253 bytes"));
  // As the loader reads it: the first piece sets text 60 again, the rest
  // is a line without "="; the last line sets it back.
  EXPECT_TRUE(Reports(problems, "text 60 again"));
  EXPECT_EQ(problems.size(), 11u) << problems.front();
}

TEST_F(CatalogueCheck, SizeLimits) {
  std::ofstream(path_) << "3=ab";
  auto problems = CheckCatalogue(path_.c_str(), "EN", *measure_);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_TRUE(Reports(problems, "is 4 bytes"));
}

TEST_F(CatalogueCheck, TextBytes) {
  texts_[44] = "100% sure";
  texts_[45] = "Tab\there";
  texts_[47] = "\xC3(";
  texts_[48] = "";
  texts_[33] = "";  // allowed: a word the language may not need
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "text 44: \"100% sure\" holds \"%\""));
  EXPECT_TRUE(Reports(problems, "text 45: \"Tab\there\" holds a control character"));
  EXPECT_TRUE(Reports(problems, "text 47:"));
  EXPECT_TRUE(Reports(problems, "not valid UTF-8"));
  EXPECT_TRUE(Reports(problems, "text 48: empty"));
  EXPECT_FALSE(Reports(problems, "text 33"));
}

// Texts with letters the bitmap fonts lack are drawn in their places with
// the TrueType face, and measured with it there: no report of the letters,
// the widths SDL_ttf gives at the fallback sizes, and a letter the face lacks
// too is a replacement glyph where the text is drawn.
TEST_F(CatalogueCheck, LettersTheBitmapFontsLackAreDrawnAndMeasuredWithTheFace) {
  texts_[18] = "Zażółć gęślą jaźń Größe été";  // all in the bitmap fonts
  texts_[21] = "Záznam";
  texts_[22] = "Битрейт";
  texts_[42] = "Ç";
  auto problems = Check();
  EXPECT_TRUE(problems.empty()) << problems.front();

  TTF_Font* band_face = TTF_OpenFont(RECOLYX_CHECK_FONT, 26);
  TTF_Font* pane_face = TTF_OpenFont(RECOLYX_CHECK_FONT, 15);
  ASSERT_NE(band_face, nullptr);
  ASSERT_NE(pane_face, nullptr);
  auto face_width = [](TTF_Font* face, const char* text) {
    int w = 0, h = 0;
    TTF_SizeUTF8(face, text, &w, &h);
    return w;
  };
  EXPECT_EQ(measure_->Width(kBigFontId, "Záznam"), face_width(band_face, "Záznam"));
  EXPECT_EQ(measure_->Width(kBigFontId, "Zaznam"), BitmapWidth(kBigFontId, "Zaznam"));
  EXPECT_EQ(measure_->Width(118, "Битрейт: 7999 KB/s"), face_width(pane_face, "Битрейт: 7999 KB/s"));
  EXPECT_EQ(measure_->Width(218, "Bitrate: 7999 KB/s"), 18 * 12);
  // The stop-timer line's drawn blanks are the face's spaces.
  EXPECT_EQ(measure_->Width(kBigFontId, "\x10Ç\x10"), face_width(band_face, " Ç "));
  TTF_CloseFont(band_face);
  TTF_CloseFont(pane_face);

  // Wider than the band with the face, and a letter no font has.
  texts_[21] = "Запись остановлена: на диске нет места, осталось меньше четырёх мегабайт";
  texts_[42] = "Конец \xF0\x9F\x93\xBA";
  problems = Check();
  EXPECT_TRUE(Reports(problems, "status notice {21} in font 32: \"Запись остановлена"));
  EXPECT_TRUE(Reports(problems, "px wide, room 805 px"));
  EXPECT_TRUE(Reports(problems, "text 42: \"Конец \xF0\x9F\x93\xBA\": the TrueType face lacks"));
  EXPECT_TRUE(Reports(problems, "stop-timer line  {42} +30min  in font 32: \" Конец \xF0\x9F\x93\xBA +30min \" "
                                "draws 1 replacement glyph"));
  std::vector<std::string> where;
  EXPECT_EQ(CountReplacementGlyphs(path_.c_str(), "EN", *measure_, &where), 1);
  ASSERT_EQ(where.size(), 1u);
  EXPECT_NE(where[0].find("stop-timer line"), std::string::npos) << where[0];
}

// Every shipped catalogue, every text in every place it is drawn, with the
// font that draws it there: not one replacement glyph.
TEST(ShippedCatalogues, NoTextDrawsAReplacementGlyphAnywhere) {
  std::string error;
  auto measure = OpenFontMeasure(RECOLYX_CHECK_FONT, &error);
  ASSERT_NE(measure, nullptr) << error;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(RECOLYX_CATALOGUE_DIR)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("messages_", 0) != 0 || entry.path().extension() != ".txt") continue;
    ++files;
    const std::string code = CodeOfCatalogueFile(entry.path().c_str());
    std::vector<std::string> where;
    EXPECT_EQ(CountReplacementGlyphs(entry.path().c_str(), code.c_str(), *measure, &where), 0)
        << name << ": " << (where.empty() ? "" : where.front());
  }
  EXPECT_EQ(files, 25);
}

TEST_F(CatalogueCheck, TrueTypeFaceLetters) {
  texts_[9] = "Settings \xF0\x9F\x93\xBA";  // beyond the 16-bit characters SDL_ttf draws
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "text 9: \"Settings \xF0\x9F\x93\xBA\": the TrueType face lacks"));
}

TEST_F(CatalogueCheck, Fit) {
  texts_[56] = "A label far too long for its column";
  texts_[21] = std::string(41, 'W');  // 41 x 28 px in the big font
  texts_[42] = std::string(76, 'i');  // 85 bytes on the stop line
  texts_[26] = "Fichier";             // wider than the bitmap styles leave
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "toolbox label {56} in font 20"));
  EXPECT_TRUE(Reports(problems, "status notice {21} in font 32"));
  EXPECT_TRUE(Reports(problems, "is 1148 px wide, room 805 px"));
  EXPECT_TRUE(Reports(problems, "stop-timer line  {42} +30min  in font 32"));
  EXPECT_TRUE(Reports(problems, "needs 86 bytes, the buffer has 84"));
  EXPECT_TRUE(Reports(problems, "info pane part number {26} 99 in font 118"));
  EXPECT_FALSE(Reports(problems, "info pane part number {26} 99 in font 20"));
}

// Faults the screen gallery showed: a label reaching the left arrow of the
// cursor's row (the colon is further right), a value touching the right
// arrow, and a key legend whose first icon ran into the scroll-down mark in
// the footer. Texts just inside stay quiet.
TEST_F(CatalogueCheck, TextsClearTheCursorArrowsAndLegendsTheScrollMark) {
  texts_[64] = "Напоминание: экран выкл.";  // 282 px: over the arrow at 520
  texts_[68] = "Tieni premuto: schermo off";  // 272 px: just 8 px before it
  texts_[102] = "By programme";               // 148 px: up to the arrow at 698
  texts_[101] = "Programme";
  texts_[10] = "Választás", texts_[11] = "Módosítás", texts_[12] = "Mentés", texts_[13] = "Kilépés";
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "toolbox label {64} in font 20: \"Напоминание: экран выкл.\" "
                                "is 282 px wide, room 272 px"));
  EXPECT_FALSE(Reports(problems, "toolbox label {68}"));
  EXPECT_TRUE(Reports(problems,
                      "toolbox value {102} in font 20: \"By programme\" is 148 px wide, room 140 px"));
  EXPECT_FALSE(Reports(problems, "toolbox value {101}"));
  EXPECT_TRUE(Reports(problems, "toolbox footer {10}{11}{12}{13} in font 20: "
                                "\"VálasztásMódosításMentésKilépés\" is 338 px wide, room 304 px"));
  texts_[10] = "Wählen", texts_[11] = "Ändern", texts_[12] = "Speichern", texts_[13] = "Ende";  // 300 px
  EXPECT_FALSE(Reports(Check(), "toolbox footer"));
}

// Text 103 lives outside the exported array but is drawn in box 39 when
// nothing was deleted: it must be there and fit the box like the others.
TEST_F(CatalogueCheck, TextsBeyondTheExportedArrayAreCheckedWhereTheyAreDrawn) {
  texts_.erase(103);
  EXPECT_TRUE(Reports(Check(), "text 103: missing"));
  texts_[103] = "Aucun enregistrement n'a pu être supprimé, ni sur la clé ni sur le disque";
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "message box {103} in font 18: \"Aucun enregistrement"));
  EXPECT_TRUE(Reports(problems, "room 451 px"));
  EXPECT_EQ(problems.size(), 1u) << problems.front();
  texts_[103] = "Aucun enregistrement n'a pu être supprimé";
  EXPECT_TRUE(Check().empty());
}

// Text 104 is a status-band notice (the recording stopped because its disk
// took no more data) in the bitmap font, like 7 and 21; text 105 says in a
// message box that the home folder's path is too long, in the TrueType face
// like 103. Both must be there and fit where they are drawn.
TEST_F(CatalogueCheck, TheBandNoticeAndTheHomeFolderBoxAreCheckedWhereTheyAreDrawn) {
  texts_.erase(104);
  texts_.erase(105);
  auto problems = Check();
  EXPECT_TRUE(Reports(problems, "text 104: missing"));
  EXPECT_TRUE(Reports(problems, "text 105: missing"));

  // In their own script: the band draws it with the TrueType face.
  texts_[104] = "Запись остановлена - диск не пишет";
  texts_[105] = "Слишком длинный путь к домашней папке";
  EXPECT_TRUE(Check().empty());

  texts_[104] = "Enregistrement arrete - le disque ne prend plus rien";  // 805 px of room
  texts_[105] = "Le chemin du dossier personnel du module est beaucoup trop long";
  problems = Check();
  EXPECT_TRUE(Reports(problems, "status notice {104} in font 32: \"Enregistrement arrete"));
  EXPECT_TRUE(Reports(problems, "room 805 px"));
  EXPECT_TRUE(Reports(problems, "message box {105} in font 18: \"Le chemin du dossier"));
  EXPECT_TRUE(Reports(problems, "room 451 px"));
  EXPECT_EQ(problems.size(), 2u) << problems.front();

  texts_[104] = "Zapis ostanovlena - disk ne zapisyvaet";
  texts_[105] = "Chemin du dossier personnel trop long";
  EXPECT_TRUE(Check().empty());
}

TEST_F(CatalogueCheck, FrenchUnits) {
  texts_[24] = std::string(20, 'x');  // too long in every style
  EXPECT_TRUE(Reports(Check("", "EN"), "9999.99 GB\""));
  EXPECT_TRUE(Reports(Check("", "FR"), "9999.99 Go\""));
  EXPECT_EQ(CodeOfCatalogueFile("/x/messages_FR.txt"), "FR");
  EXPECT_EQ(CodeOfCatalogueFile("catalogue.txt"), "EN");
}

TEST(GlyphMeasure, BitmapAndBigFontWidths) {
  EXPECT_EQ(BitmapWidth(118, "Zażółć"), 72);
  EXPECT_EQ(BitmapWidth(218, "a b"), 36);
  EXPECT_EQ(BitmapWidth(kBigFontId, "Aim"), 20 + 11 + 28);
  EXPECT_EQ(BitmapWidth(kBigFontId, " "), 20);
  EXPECT_EQ(BitmapWidth(kBigFontId, "ß"), 20);  // glyph 29
  EXPECT_EQ(BitmapWidth(5, "x"), 961);
  EXPECT_EQ(BitmapWidth(5, ""), 0);
  EXPECT_EQ(BitmapMissingGlyph("Größe"), "");
  EXPECT_EQ(BitmapMissingGlyph("€"), "€");
  EXPECT_EQ(BitmapMissingGlyph("ab\xC3"), "\xC3");  // a lone lead byte at the end
}

}  // namespace
