// The simulated programme guide as the plug-in sees it through the host
// calls: channel, present programme, title units and broadcast time.
#include <iconv.h>

#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host_interface.h"
#include "sim/host/guide.h"
#include "sim/host/sim_clock.h"

namespace {

// UTF-8 to UTF-16BE by the C library, the reference for GetTitle.
std::vector<char> Iconv(const std::string& utf8) {
  iconv_t cd = iconv_open("UTF-16BE", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::vector<char> out(utf8.size() * 4 + 4);
  char* in = const_cast<char*>(utf8.data());
  char* to = out.data();
  size_t in_left = utf8.size(), out_left = out.size();
  EXPECT_NE(iconv(cd, &in, &in_left, &to, &out_left), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

class GuideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ResetGuide();
    sim::SetNowOffset(0);
  }
  void TearDown() override {
    sim::ResetGuide();
    sim::SetNowOffset(0);
  }

  // Runs the plug-in's sequence of host calls for the present programme
  // with the simulator's clock at `when`; returns its title units (with the
  // zero unit) or nothing. Repeats when the real clock ticks in between.
  bool Present(time_t when, std::vector<char>* units, unsigned int capacity = 256) {
    for (;;) {
      sim::SetNowOffset(when - time(nullptr));
      TCChannel channel;
      TCProgram programme;
      bool found = CAppUtil::GetCurrentCh(&channel, 0) &&
                   g_AppTV->GetPresentProgram(&channel, 0, &programme);
      if (sim::Now() != when) continue;
      units->assign(2 * capacity, '\x5A');
      unsigned int length = capacity;
      programme.GetTitle(units->data(), &length);
      // The zero unit is there only when the title left room for it.
      units->resize(found ? 2 * length + (length < capacity ? 2 : 0) : 0);
      return found;
    }
  }

  std::vector<char> TitleOf(const std::string& utf8) {
    sim::ResetGuide();
    sim::AddChannel(7, "Sieben");
    EXPECT_TRUE(sim::AddProgramme(7, kStart, kStart + 3600, utf8));
    EXPECT_TRUE(sim::SetCurrentChannel(7));
    std::vector<char> units;
    EXPECT_TRUE(Present(kStart + 60, &units));
    return units;
  }

  static constexpr time_t kStart = 1709842500;  // 2024-03-07 20:15 UTC
};

TEST_F(GuideTest, TitlesComeOutAsUtf16BigEndianWithAZeroUnit) {
  const char* titles[] = {
      "Der Große Preis: Ärger über Öl",  // German
      "Żółta łódź – Wiadomości",         // Polish
      "Všichni dobří rodáci ěščřžýů",    // Czech
      "Щука и Съёмка",                   // Cyrillic
      "天気予報 中文新闻",                 // CJK
      "Musik 𝄞 und 😀",                  // above U+FFFF: surrogate pairs
  };
  for (const char* title : titles) {
    std::vector<char> expected = Iconv(title);
    expected.push_back(0);
    expected.push_back(0);
    EXPECT_EQ(TitleOf(title), expected) << title;
  }
}

TEST_F(GuideTest, AnEmptyTitleIsAZeroUnitAlone) {
  EXPECT_EQ(TitleOf(""), (std::vector<char>{0, 0}));
}

TEST_F(GuideTest, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(TitleOf("\xFF" "a\xC3"), (std::vector<char>{'\xFF', '\xFD', 0, 'a', '\xFF', '\xFD', 0, 0}));
  EXPECT_EQ(TitleOf("\xC0\xAF"), (std::vector<char>{'\xFF', '\xFD', '\xFF', '\xFD', 0, 0}));
}

TEST_F(GuideTest, TheProgrammeChangesAtItsStartTime) {
  sim::AddChannel(1, "Eins");
  sim::AddProgramme(1, kStart, kStart + 600, "News");
  sim::AddProgramme(1, kStart + 600, kStart + 1200, "Film");
  sim::SetCurrentChannel(1);
  std::vector<char> units;
  ASSERT_TRUE(Present(kStart + 599, &units));
  EXPECT_EQ(units, (std::vector<char>{0, 'N', 0, 'e', 0, 'w', 0, 's', 0, 0}));
  ASSERT_TRUE(Present(kStart + 600, &units));
  EXPECT_EQ(units, (std::vector<char>{0, 'F', 0, 'i', 0, 'l', 0, 'm', 0, 0}));
  EXPECT_FALSE(Present(kStart + 1200, &units));  // nothing scheduled after
  EXPECT_FALSE(Present(kStart - 1, &units));
}

// A programme that never ends, as the tests' guide serves it: the latest
// time_t, which is 32 bits wide on the set.
TEST_F(GuideTest, AProgrammeToTheLatestTimeIsOnNow) {
  sim::AddChannel(1, "Eins");
  sim::AddProgramme(1, 0, std::numeric_limits<time_t>::max(), "Immer");
  sim::SetCurrentChannel(1);
  std::vector<char> units;
  ASSERT_TRUE(Present(kStart, &units));
  EXPECT_EQ(units, (std::vector<char>{0, 'I', 0, 'm', 0, 'm', 0, 'e', 0, 'r', 0, 0}));
}

TEST_F(GuideTest, WithoutAChannelNothingIsWritten) {
  TCChannel channel;
  std::vector<unsigned char> before(channel.storage, channel.storage + sizeof channel.storage);
  EXPECT_FALSE(CAppUtil::GetCurrentCh(&channel, 0));
  EXPECT_EQ(std::memcmp(before.data(), channel.storage, before.size()), 0);
  TCProgram programme;
  EXPECT_FALSE(g_AppTV->GetPresentProgram(&channel, 0, &programme));  // never filled

  EXPECT_FALSE(sim::SetCurrentChannel(3));  // unknown channel
  sim::AddChannel(3, "Drei");
  sim::AddProgramme(3, kStart, kStart + 60, "Kurz");
  EXPECT_TRUE(sim::SetCurrentChannel(3));
  sim::ClearCurrentChannel();
  std::vector<char> units;
  EXPECT_FALSE(Present(kStart + 1, &units));
}

TEST_F(GuideTest, GetTitleNeverWritesPastItsCapacity) {
  // Two-unit and one-unit characters, so that cuts fall everywhere.
  const std::string title = "a😀ä𝄞bc天";
  std::vector<char> full = Iconv(title);
  sim::AddChannel(1, "Eins");
  sim::AddProgramme(1, kStart, kStart + 600, title);
  sim::SetCurrentChannel(1);
  sim::SetNowOffset(kStart + 1 - time(nullptr));
  TCChannel channel;
  TCProgram programme;
  ASSERT_TRUE(CAppUtil::GetCurrentCh(&channel, 0));
  ASSERT_TRUE(g_AppTV->GetPresentProgram(&channel, 0, &programme));

  constexpr unsigned kGuard = 16;
  const unsigned full_units = static_cast<unsigned>(full.size() / 2);
  for (unsigned capacity = 0; capacity <= full_units + 2; ++capacity) {
    std::vector<char> buffer(kGuard + 2 * capacity + kGuard, '\x5A');
    unsigned int length = capacity;
    bool whole = programme.GetTitle(buffer.data() + kGuard, &length);
    for (unsigned i = 0; i < kGuard; ++i) {
      ASSERT_EQ(buffer[i], '\x5A') << capacity;
      ASSERT_EQ(buffer[kGuard + 2 * capacity + i], '\x5A') << capacity;
    }
    ASSERT_LE(length, capacity);
    EXPECT_EQ(whole, length == full_units) << capacity;
    // A prefix of the full title that does not end inside a surrogate pair.
    const unsigned bytes = 2 * length;
    EXPECT_EQ(std::vector<char>(buffer.begin() + kGuard, buffer.begin() + kGuard + bytes),
              std::vector<char>(full.begin(), full.begin() + bytes));
    if (length >= 1) {
      EXPECT_NE(static_cast<unsigned char>(buffer[kGuard + bytes - 2]) & 0xFC, 0xD8) << capacity;
    }
    // The zero unit follows when there is room; a full buffer has none.
    if (length < capacity) {
      EXPECT_EQ(buffer[kGuard + bytes], 0);
      EXPECT_EQ(buffer[kGuard + bytes + 1], 0);
    }
    // The longest cut that fits: the next character would not.
    if (!whole) {
      unsigned next = (full[bytes] & 0xFC) == 0xD8 ? 2 : 1;
      EXPECT_GT(length + next, capacity);
    }
  }
  unsigned int length = 8;
  EXPECT_FALSE(programme.GetTitle(nullptr, &length));
  EXPECT_EQ(length, 0u);
}

TEST_F(GuideTest, ALongTitleFillsThePluginBufferAndStopsThere) {
  std::string title;
  for (int i = 0; i < 700; ++i) title += "ä";  // 1400 bytes, above what the host keeps
  std::vector<char> units = TitleOf(title);
  ASSERT_EQ(units.size(), 512u);  // all 256 units, no room for a zero unit
  for (size_t i = 0; i < units.size(); i += 2) ASSERT_EQ(units[i + 1], '\xE4');
}

TEST_F(GuideTest, BroadcastTimeSetAndUnset) {
  unsigned long seconds = 42;
  EXPECT_FALSE(g_AppTV->GetSystemInfoTime(&seconds, 0));
  EXPECT_EQ(seconds, 42u);
  PCTime::PTTime sit{};
  EXPECT_FALSE(CTimerUtil::GetSITTime(&sit, 0));
  EXPECT_TRUE(sit.field[0] < 2011 || sit.field[0] > 3000);

  sim::SetBroadcastTime(kStart + 30);
  ASSERT_TRUE(g_AppTV->GetSystemInfoTime(&seconds, 0));
  EXPECT_GE(seconds, static_cast<unsigned long>(kStart + 30));
  EXPECT_LE(seconds, static_cast<unsigned long>(kStart + 32));
  std::memset(&sit, 0, sizeof sit);
  ASSERT_TRUE(CTimerUtil::GetSITTime(&sit, 0));
  EXPECT_EQ(sit.field[0], 2024);
  EXPECT_EQ(sit.field[1], 3);
  EXPECT_EQ(sit.field[2], 7);
  EXPECT_EQ(sit.field[3], 20);
  EXPECT_EQ(sit.field[4], 15);
  EXPECT_EQ(sit.field[5], 0);  // the rest is left alone

  sim::UnsetBroadcastTime();
  EXPECT_FALSE(CTimerUtil::GetSITTime(&sit, 0));
  EXPECT_EQ(sit.field[0], 1970);
}

TEST_F(GuideTest, TheDemoGuideHasAProgrammeOnNow) {
  sim::LoadDemoGuide();
  TCChannel channel;
  TCProgram programme;
  ASSERT_TRUE(CAppUtil::GetCurrentCh(&channel, 0));
  ASSERT_TRUE(g_AppTV->GetPresentProgram(&channel, 0, &programme));
  char units[512];
  unsigned int length = sizeof units / 2;
  EXPECT_TRUE(programme.GetTitle(units, &length));
  EXPECT_GT(length, 0u);
  EXPECT_TRUE(sim::BroadcastTime().has_value());
}

}  // namespace
