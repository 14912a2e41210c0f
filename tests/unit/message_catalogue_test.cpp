// The message catalogue: file format, language choice, failure cases and
// reloads while another thread draws.
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "settings/catalogue_format.h"
#include "settings/language.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "stress_rounds.h"

namespace {

namespace fs = std::filesystem;

void SetMenuLanguage(int number) {
  std::lock_guard lock(sim::Host().mutex);
  sim::Host().menu_language = number;
}

class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_language_ = settings.language.load();
    std::memcpy(saved_home_, settings.home_dir, sizeof saved_home_);
    folder_ = fs::temp_directory_path() /
              ("recolyx-catalogue-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::string home = folder_.string() + "/";
    std::memset(settings.home_dir, 0, sizeof settings.home_dir);
    std::memcpy(settings.home_dir, home.data(), home.size());
    FreeMessages();
  }
  void TearDown() override {
    FreeMessages();
    SetMenuLanguage(18);
    settings.language = saved_language_;
    std::memcpy(settings.home_dir, saved_home_, sizeof saved_home_);
    fs::remove_all(folder_);
  }
  void Write(const std::string& code, const std::string& content) {
    std::ofstream(folder_ / ("messages_" + code + ".txt"), std::ios::binary) << content;
  }
  void Load(int language) {
    settings.language = language;
    LoadMessages();
  }
  static std::string Text(int n) { return Message(n); }
  static bool AllMissing() {
    for (int n = 0; n < kCatalogueTextCount; ++n)
      if (Text(n) != "?") return false;
    return true;
  }

  fs::path folder_;
  int saved_language_ = 0;
  char saved_home_[sizeof settings.home_dir];
};

TEST(LanguageTable, CodesAndFallback) {
  EXPECT_STREQ(LanguageCode(6), "BG");
  EXPECT_STREQ(LanguageCode(12), "FR");
  EXPECT_STREQ(LanguageCode(17), "NO");
  EXPECT_STREQ(LanguageCode(19), "PL");
  EXPECT_STREQ(LanguageCode(27), "TR");
  EXPECT_STREQ(LanguageCode(36), "EE");
  EXPECT_STREQ(LanguageCode(38), "LT");
  for (int other : {-1, 0, 5, 18, 28, 30, 35, 39, 1000}) EXPECT_STREQ(LanguageCode(other), "EN");
}

TEST_F(Catalogue, LineFormat) {
  Write("EN",
        "; comment\n"
        "12=Hello = world \n"
        "=starts with equals\n"
        "no equals sign\n"
        ";5=commented out\n"
        "\n" +
        std::to_string(kCatalogueTextCount) + "=too high\n"
        "-1=negative\n"
        " 7=blank before the number\n"
        "5=first\r\n"
        "5=second\r\n"
        "40x=digits then letters\n"
        "3=\n"
        "9=cut\rafter the carriage return\n"
        "103=first beyond the exported array\n"
        "102=last");
  Load(18);
  EXPECT_EQ(Text(12), "Hello = world ");
  EXPECT_EQ(Text(7), "blank before the number");
  EXPECT_EQ(Text(5), "second");
  EXPECT_EQ(Text(40), "digits then letters");
  EXPECT_EQ(Text(3), "");
  EXPECT_EQ(Text(9), "cut");
  EXPECT_EQ(Text(102), "last");
  EXPECT_EQ(Text(103), "first beyond the exported array");
  for (int n : {0, 1, 2, 4, 6, 8, 10, 101, 104, kCatalogueTextCount - 1}) EXPECT_EQ(Text(n), "?") << n;
  EXPECT_EQ(LoadedLanguage(), 18);
  EXPECT_STREQ(Message(-1), "?");
  EXPECT_STREQ(Message(kCatalogueTextCount), "?");
}

// Texts from 103 on follow the language like the others, and one that the
// new language's file lacks shows "?", not the old language's text.
TEST_F(Catalogue, ExtraTextsFollowTheLanguage) {
  Write("EN", "9=Settings\n103=Nothing\n104=More\n");
  Write("FR", "9=Réglages\n103=Rien\n");
  Load(18);
  EXPECT_EQ(Text(103), "Nothing");
  EXPECT_EQ(Text(104), "More");
  Load(12);
  EXPECT_EQ(Text(103), "Rien");
  EXPECT_EQ(Text(104), "?");
  EXPECT_STREQ(mess[9], "Réglages");
}

TEST_F(Catalogue, ZeroBytesAndLineEndsEndTheirLineOnly) {
  using namespace std::string_literals;
  Write("EN", "8=zero\0after\n4=four\r\n\r\n6=six\n11=no line feed at the end"s);
  Load(18);
  EXPECT_EQ(Text(8), "zero");
  EXPECT_EQ(Text(4), "four");
  EXPECT_EQ(Text(6), "six");
  EXPECT_EQ(Text(11), "no line feed at the end");
}

// The number before "=" is read as strtol reads it: both agree on whether a
// line names a text, and on which.
TEST(CatalogueFormat, NumbersReadAsStrtolReadsThem) {
  std::mt19937 random(7);
  const char alphabet[] = " \t\v\f+-0123456789ax";
  for (int i = 0; i < 200000; ++i) {
    std::string text(random() % 26, ' ');
    for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
    const char* after;
    long ours = CatalogueNumber(text.data(), text.data() + text.size(), &after);
    long theirs = std::strtol(text.c_str(), nullptr, 10);
    bool ours_in = ours >= 0 && ours < kMessageCount;
    bool theirs_in = theirs >= 0 && theirs < kMessageCount;
    ASSERT_EQ(ours_in, theirs_in) << '"' << text << '"';
    if (ours_in) {
      ASSERT_EQ(ours, theirs) << '"' << text << '"';
    }
  }
  const char* after;
  std::string huge = "-" + std::string(40, '9');
  EXPECT_LT(CatalogueNumber(huge.data(), huge.data() + huge.size(), &after), 0);
  EXPECT_EQ(after, huge.data() + huge.size());
}

TEST_F(Catalogue, LongLineIsReadInPieces) {
  // 2 + 300 characters: the first piece holds 254 bytes, the rest is a line of
  // its own, which here holds "=" and so sets text 0 (its part before "=" has
  // no digits).
  std::string first = "5=" + std::string(260, 'a') + "=tail\n";
  Write("EN", first + "6=short\n");
  Load(18);
  EXPECT_EQ(Text(5), std::string(252, 'a'));
  EXPECT_EQ(Text(0), "tail");
  EXPECT_EQ(Text(6), "short");
}

TEST_F(Catalogue, LanguageChoosesTheFile) {
  Write("EN", "9=Settings\n");
  Write("FR", "9=Réglages\n");
  Load(12);
  EXPECT_EQ(Text(9), "Réglages");
  for (int language : {18, 30}) {
    Load(language);
    EXPECT_EQ(Text(9), "Settings") << language;
    EXPECT_EQ(LoadedLanguage(), language);
  }
}

TEST_F(Catalogue, MissingLanguageFileFallsBackToEnglishWithoutReloading) {
  Write("EN", "9=Settings\n");
  SetMenuLanguage(13);
  RefreshMessages();
  EXPECT_EQ(settings.language, 13);
  EXPECT_EQ(Text(9), "Settings");
  EXPECT_EQ(LoadedLanguage(), 13);
  // The German file appearing later is not read while the language stays.
  Write("DE", "9=Einstellungen\n");
  RefreshMessages();
  EXPECT_EQ(Text(9), "Settings");
  // A change of the TV's language reloads.
  SetMenuLanguage(12);
  RefreshMessages();
  SetMenuLanguage(13);
  RefreshMessages();
  EXPECT_EQ(Text(9), "Einstellungen");
}

TEST_F(Catalogue, NoFileAtAll) {
  Load(13);
  EXPECT_TRUE(AllMissing());
  EXPECT_EQ(LoadedLanguage(), -1);
}

TEST_F(Catalogue, TooSmallFileIsRetriedAtTheNextScreen) {
  Write("EN", "9=ab\n");  // 5 bytes
  SetMenuLanguage(18);
  RefreshMessages();
  EXPECT_TRUE(AllMissing());
  EXPECT_EQ(LoadedLanguage(), -1);
  Write("EN", "9=abc\n");  // 6 bytes: the smallest file read
  RefreshMessages();
  EXPECT_EQ(Text(9), "abc");
  EXPECT_EQ(LoadedLanguage(), 18);
}

TEST_F(Catalogue, TooLargeFileIsRefused) {
  Write("EN", "9=first\n");
  Load(18);
  std::string big = "9=big\n";
  big.resize(kCatalogueMaxBytes + 1, '\n');
  Write("EN", big);
  Load(18);
  EXPECT_TRUE(AllMissing());
  big.resize(kCatalogueMaxBytes);  // exactly 3 MiB is read
  Write("EN", big);
  Load(18);
  EXPECT_EQ(Text(9), "big");
}

TEST_F(Catalogue, UnreadableFileCountsAsLoaded) {
  // A folder in the file's place has a size but yields no lines (also when
  // the tests run as root, who may read any file).
  fs::create_directories(folder_ / "messages_EN.txt");
  SetMenuLanguage(18);
  RefreshMessages();
  EXPECT_TRUE(AllMissing());
  EXPECT_EQ(LoadedLanguage(), 18);
  fs::remove(folder_ / "messages_EN.txt");
  Write("EN", "9=Settings\n");
  RefreshMessages();  // not retried until the language changes
  EXPECT_TRUE(AllMissing());
  if (geteuid() != 0) {
    fs::permissions(folder_ / "messages_EN.txt", fs::perms::none);
    Load(18);
    EXPECT_TRUE(AllMissing());
    EXPECT_EQ(LoadedLanguage(), 18);
  }
}

TEST_F(Catalogue, OverlongHomeFolderLoadsNothing) {
  std::memset(settings.home_dir, 'h', sizeof settings.home_dir);  // unterminated
  Load(18);
  EXPECT_TRUE(AllMissing());
}

TEST_F(Catalogue, FreeEmptiesTheSlots) {
  Write("EN", "9=Settings\n");
  Load(18);
  const char* before = mess[9];
  ASSERT_NE(before, nullptr);
  FreeMessages();
  for (const MessageSlot& slot : mess) EXPECT_EQ(slot.load(), nullptr);
  EXPECT_EQ(LoadedLanguage(), -1);
  EXPECT_STREQ(Message(9), "?");
  EXPECT_STREQ(Message(103), "?");
}

TEST_F(Catalogue, EarlierTextsStayValidAcrossReloads) {
  Write("EN", "9=Settings\n103=Nothing\n");
  Write("DE", "9=Einstellungen\n103=Nichts\n");
  Load(18);
  const char* english = mess[9];
  const char* extra = Message(103);
  Load(13);
  Load(18);
  EXPECT_STREQ(english, "Settings");  // still readable; ASan would object otherwise
  EXPECT_STREQ(extra, "Nothing");
  EXPECT_STREQ(mess[9], "Settings");
}

// One thread draws texts as screens do while the other follows the TV's menu
// language through many switches. Every text read must be a whole text of one
// of the two files.
TEST_F(Catalogue, ThreadDrawsWhileLanguageSwitches) {
  std::string english, german;
  for (int n = 0; n < kCatalogueTextCount; ++n) {
    english += std::to_string(n) + "=english text " + std::to_string(n) + "\n";
    german += std::to_string(n) + "=deutscher Text " + std::to_string(n) + "\n";
  }
  Write("EN", english);
  Write("DE", german);
  SetMenuLanguage(18);
  RefreshMessages();

  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread drawer([&] {
    while (!done.load(std::memory_order_relaxed)) {
      RefreshMessages();
      for (int n = 0; n < kCatalogueTextCount; ++n) {
        // As a screen reads them: the exported slots directly, the texts
        // beyond them through Message.
        const char* raw = n < kMessageCount ? mess[n].load() : Message(n);
        std::string text = raw;
        std::string number = std::to_string(n);
        if (text != "english text " + number && text != "deutscher Text " + number)
          bad.fetch_add(1);
      }
    }
  });
  StressRounds switches(20, 100);
  for (int round = 0; switches.Due(round); ++round) {
    SetMenuLanguage(13);
    RefreshMessages();
    SetMenuLanguage(18);
    RefreshMessages();
  }
  done = true;
  drawer.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_EQ(Text(7), "english text 7");
}

}  // namespace
