// The playlist of a recording of several files: its name, its lines, how it
// is written beside the files (never over another file, never through a
// link, each version whole) and deleted with them.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "host/playlist_file.h"
#include "host/recording_playlist.h"
#include "recording_sandbox.h"
#include "settings/dialog_state.h"
#include "sim/platform/faults.h"

namespace {

constexpr const char* kFolder = "/dtv/usb/sda1";
constexpr const char* kPlaylist = "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot.m3u";

std::string File(int number, const char* title = "Das_Boot") {
  char path[256];
  std::snprintf(path, sizeof path, "%s/R2024-03-07_20-15_%s_%03d.ts", kFolder, title, number);
  return path;
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines a file of the recording gets.
std::string Entry(int number, int seconds, const char* title = "Das_Boot", const char* shown = "Das Boot") {
  const std::string path = File(number, title);
  return "#EXTINF:" + std::to_string(seconds) + "," + shown + "\n" + path.substr(path.rfind('/') + 1) + "\n";
}

// The text with every entry's seconds as 0: for recordings whose files
// last however long the test takes.
std::string WithoutSeconds(const std::string& text) {
  return std::regex_replace(text, std::regex("#EXTINF:[0-9]+,"), "#EXTINF:0,");
}

// ---- Names and lines

TEST(RecordingPlaylist, IsNamedLikeTheRecordingWithoutItsPartNumber) {
  char out[256];
  EXPECT_TRUE(PlaylistPath(out, sizeof out, File(1).c_str(), 1));
  EXPECT_STREQ(out, kPlaylist);
  EXPECT_TRUE(PlaylistPath(out, sizeof out, File(1).c_str(), 2));
  EXPECT_STREQ(out, "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(2).m3u");
  EXPECT_TRUE(PlaylistPath(out, sizeof out, "/m/R_001.ts", 1));  // made while the clock was not set
  EXPECT_STREQ(out, "/m/R.m3u");
  EXPECT_TRUE(PlaylistTempPath(out, sizeof out, kPlaylist));
  EXPECT_EQ(std::string(out), std::string(kPlaylist) + ".new");
  // Refused, with the output emptied: other names, variants out of range.
  for (const char* bad : {"/m/R2024_01.ts", "/m/X2024-03-07_20-15_A_001.ts", "/m/R2024-03-07_20-15_A_001.mdb",
                          "/m/R2024-03-07_20-15_A_0x1.ts", "/m/001.ts", ""}) {
    std::strcpy(out, "x");
    EXPECT_FALSE(PlaylistPath(out, sizeof out, bad, 1)) << bad;
    EXPECT_STREQ(out, "") << bad;
  }
  EXPECT_FALSE(PlaylistPath(out, sizeof out, File(1).c_str(), 0));
  EXPECT_FALSE(PlaylistPath(out, sizeof out, File(1).c_str(), kPlaylistVariants + 1));
}

TEST(RecordingPlaylist, PathsThatDoNotFitAreRefusedNotCut) {
  // A first file of 254 bytes, the longest a recording's names allow (its
  // side file's must fit 256 bytes too): its playlist and the playlist's
  // temporary name fit. One byte more does not, and is refused.
  const std::string folder = "/dtv/usb/sda1/" + std::string(200, 'f');
  const std::string longest = folder + "/R" + std::string(254 - folder.size() - 2 - 7, 't') + "_001.ts";
  const std::string too_long = folder + "/R" + std::string(255 - folder.size() - 2 - 7, 't') + "_001.ts";
  ASSERT_EQ(longest.size(), 254u);
  char out[256];
  EXPECT_TRUE(PlaylistPath(out, sizeof out, longest.c_str(), 1));
  char temp[256];
  EXPECT_TRUE(PlaylistTempPath(temp, sizeof temp, out));
  EXPECT_FALSE(PlaylistPath(out, sizeof out, too_long.c_str(), 1));
  EXPECT_STREQ(out, "");
  // Never past the buffer.
  char guarded[24 + 8];
  std::memset(guarded, 0x5A, sizeof guarded);
  EXPECT_FALSE(PlaylistPath(guarded, 24, File(1).c_str(), 1));
  EXPECT_FALSE(PlaylistEntry(guarded, 24, File(1).c_str(), kPlaylist, 127));
  EXPECT_FALSE(PlaylistTempPath(guarded, 24, kPlaylist));
  for (size_t i = 24; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 0x5A);
}

TEST(RecordingPlaylist, EntriesGiveSecondsTitleAndTheNameBesideThePlaylist) {
  char out[kPlaylistEntrySize];
  EXPECT_TRUE(PlaylistEntry(out, sizeof out, File(1).c_str(), kPlaylist, 127));
  EXPECT_EQ(std::string(out), Entry(1, 127));
  // Titles: the title part with spaces; the date and time without one; the
  // name itself when the clock was not set. Text of any script stays.
  const struct {
    const char* name;
    const char* title;
  } kTitles[] = {{"R2024-03-07_20-30_AErger__Teil_2_3_002.ts", "AErger  Teil 2 3"},
                 {"R2024-03-07_20-30_Żółta_łódź_001.ts", "Żółta łódź"},
                 {"R2024-03-07_20-30_001.ts", "2024-03-07 20-30"},
                 {"R_001.ts", "R_001"}};
  for (const auto& c : kTitles) {
    char title[256];
    EXPECT_TRUE(TitleOfName(title, sizeof title, c.name)) << c.name;
    EXPECT_STREQ(title, c.title);
  }
  // Files in other folders (a recording that went on on another disk) by
  // their path from the playlist's folder, which a shell's realpath, the
  // independent truth here, resolves back to the file.
  for (const char* other : {"/dtv/usb/sdb1/R2024-03-07_20-15_Das_Boot_002.ts",
                            "/dtv/usb/sda1/DVR3/R2024-03-07_20-15_Das_Boot_002.ts",
                            "/dtv/usb/sdb1/DVR1/R2024-03-07_20-15_Das_Boot_002.ts",
                            "/mtd_rwarea/MOVIE001/R2024-03-07_20-15_Das_Boot_002.ts"}) {
    ASSERT_TRUE(PlaylistEntry(out, sizeof out, other, kPlaylist, 9)) << other;
    const std::string lines = out;
    const std::string reference = lines.substr(lines.find('\n') + 1, lines.size() - lines.find('\n') - 2);
    const std::string folder(kPlaylist, std::strrchr(kPlaylist, '/') + 1);
    const std::string command = "realpath -m '" + folder + reference + "'";
    FILE* shell = popen(command.c_str(), "r");
    ASSERT_NE(shell, nullptr);
    char resolved[512] = {};
    ASSERT_NE(std::fgets(resolved, sizeof resolved, shell), nullptr);
    pclose(shell);
    EXPECT_EQ(std::string(resolved), std::string(other) + "\n") << reference;
    EXPECT_EQ(lines.rfind("#EXTINF:9,Das Boot\n", 0), 0u) << lines;
  }
  // Refused: names a line cannot hold, folders a relative name cannot climb
  // plainly, files that are not recordings.
  for (const char* elsewhere : {"/dtv/usb/sda1/R2024-03-07_20-15_Das\nBoot_002.ts",
                                "/dtv/usb/sdb1/R2024-03-07_20-15_Das\rBoot_002.ts",
                                "/dtv/usb/sdb1/../sdc1/R2024-03-07_20-15_Das_Boot_002.ts",
                                "/dtv/usb//sdb1/R2024-03-07_20-15_Das_Boot_002.ts",
                                "dtv/usb/sdb1/R2024-03-07_20-15_Das_Boot_002.ts", "/dtv/usb/sda1/notes.txt"}) {
    std::strcpy(out, "x");
    EXPECT_FALSE(PlaylistEntry(out, sizeof out, elsewhere, kPlaylist, 1)) << elsewhere;
    EXPECT_STREQ(out, "");
  }
}

// ---- The file

class PlaylistFile : public RecordingSandbox {
 protected:
  void SetUp() override {
    RecordingSandbox::SetUp();
    Plug("sda1", SIM_FS_FAT, 1ull << 30);
    for (int n = 1; n <= 4; ++n) Write(File(n), "recorded");
  }
  void TearDown() override {
    sim_fault_clear(nullptr);
    RecordingSandbox::TearDown();
  }
  PlaylistState playlist;
};

TEST_F(PlaylistFile, ComesWithTheSecondFileAndIsReplacedWholeByEachNext) {
  AddToPlaylist(playlist, File(1).c_str(), 127);
  EXPECT_FALSE(Exists(kPlaylist));  // a recording of one file has none
  AddToPlaylist(playlist, File(2).c_str(), 60);
  const std::string two = std::string(kPlaylistHeader) + Entry(1, 127) + Entry(2, 60) + kPlaylistEnd;
  EXPECT_EQ(Read(kPlaylist), two);
  struct stat before;
  ASSERT_EQ(stat(kPlaylist, &before), 0);
  AddToPlaylist(playlist, File(3).c_str(), 113);
  EXPECT_EQ(Read(kPlaylist), std::string(kPlaylistHeader) + Entry(1, 127) + Entry(2, 60) + Entry(3, 113) +
                                 kPlaylistEnd);
  struct stat after;
  ASSERT_EQ(stat(kPlaylist, &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // a new file renamed over the old one
  EXPECT_FALSE(Exists(std::string(kPlaylist) + kPlaylistTempSuffix));
  EXPECT_EQ(playlist.files, 3);
  EXPECT_TRUE(DeletePlaylist(playlist));
  EXPECT_FALSE(Exists(kPlaylist));
  EXPECT_EQ(playlist.files, 0);
}

TEST_F(PlaylistFile, ATakenNameOrALinkThereGivesTheNextNameAndIsLeftAlone) {
  Write(kPlaylist, "another recording's list\n");
  const std::string victim = std::string(kFolder) + "/victim.txt";
  Write(victim, "keep me");
  ASSERT_EQ(symlink(victim.c_str(), "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(2).m3u"), 0);
  AddToPlaylist(playlist, File(1).c_str(), 1);
  AddToPlaylist(playlist, File(2).c_str(), 2);
  EXPECT_STREQ(playlist.path.data(), "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(3).m3u");
  EXPECT_EQ(Read(playlist.path.data()), std::string(kPlaylistHeader) + Entry(1, 1) + Entry(2, 2) + kPlaylistEnd);
  EXPECT_EQ(Read(kPlaylist), "another recording's list\n");
  EXPECT_EQ(Read(victim), "keep me");
}

TEST_F(PlaylistFile, APlaylistReplacedOrRemovedMeanwhileIsNeitherFollowedNorWrittenAgain) {
  const std::string victim = std::string(kFolder) + "/victim.txt";
  Write(victim, std::string(kPlaylistHeader) + Entry(1, 1) + Entry(2, 2) + kPlaylistEnd);  // looks the same
  AddToPlaylist(playlist, File(1).c_str(), 1);
  AddToPlaylist(playlist, File(2).c_str(), 2);
  ASSERT_EQ(unlink(kPlaylist), 0);
  ASSERT_EQ(symlink(victim.c_str(), kPlaylist), 0);
  AddToPlaylist(playlist, File(3).c_str(), 3);
  EXPECT_EQ(playlist.files, -1);
  EXPECT_EQ(Read(victim), std::string(kPlaylistHeader) + Entry(1, 1) + Entry(2, 2) + kPlaylistEnd);
  EXPECT_FALSE(DeletePlaylist(playlist));  // the link is not the playlist
  struct stat status;
  EXPECT_EQ(lstat(kPlaylist, &status), 0);
  EXPECT_TRUE(Exists(victim));

  // Removed by the viewer: the later files make no new one that skips the
  // first ones.
  PlaylistState removed;
  ASSERT_EQ(unlink(kPlaylist), 0);
  AddToPlaylist(removed, File(1).c_str(), 1);
  AddToPlaylist(removed, File(2).c_str(), 2);
  ASSERT_EQ(unlink(kPlaylist), 0);
  AddToPlaylist(removed, File(3).c_str(), 3);
  AddToPlaylist(removed, File(4).c_str(), 4);
  EXPECT_FALSE(Exists(kPlaylist));
}

TEST_F(PlaylistFile, AFailedWriteLeavesTheLastWholeVersionAndNothingElse) {
  AddToPlaylist(playlist, File(1).c_str(), 1);
  AddToPlaylist(playlist, File(2).c_str(), 2);
  const std::string two = Read(kPlaylist);
  // A leftover new version (a power cut while it was written) is not taken
  // over nor deleted.
  const std::string leftover = std::string(kPlaylist) + kPlaylistTempSuffix;
  Write(leftover, "half");
  PlaylistState kept = playlist;
  AddToPlaylist(kept, File(3).c_str(), 3);
  EXPECT_EQ(Read(kPlaylist), two);
  EXPECT_EQ(Read(leftover), "half");
  ASSERT_EQ(unlink(leftover.c_str()), 0);
  // The disk is full: the new version is deleted, the old one stays.
  ASSERT_EQ(sim_fault_set(SIM_FAULT_WRITE, kFolder, ENOSPC), 0);
  AddToPlaylist(playlist, File(3).c_str(), 3);
  EXPECT_EQ(playlist.files, -1);
  EXPECT_EQ(Read(kPlaylist), two);
  EXPECT_FALSE(Exists(leftover));
  // Nor a first version that could not be written whole.
  PlaylistState full;
  AddToPlaylist(full, File(3).c_str(), 3);
  AddToPlaylist(full, File(4).c_str(), 4);
  EXPECT_EQ(full.files, -1);
  EXPECT_FALSE(Exists("/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(2).m3u"));
}

TEST_F(PlaylistFile, WhenTheFirstFilesDiskCannotTakeItItGoesBesideTheSecondAndReachesTheFirst) {
  Plug("sdb1", SIM_FS_FAT, 1ull << 30);
  const std::string moved = "/dtv/usb/sdb1/R2024-03-07_20-16_Das_Boot_002.ts";
  Write(moved, "recorded");
  // The first disk full: the playlist goes beside the second file.
  ASSERT_EQ(sim_fault_set(SIM_FAULT_WRITE, kFolder, ENOSPC), 0);
  AddToPlaylist(playlist, File(1).c_str(), 90);
  AddToPlaylist(playlist, moved.c_str(), 58);
  sim_fault_clear(nullptr);
  const std::string beside = "/dtv/usb/sdb1/R2024-03-07_20-15_Das_Boot.m3u";
  EXPECT_EQ(Read(beside), std::string(kPlaylistHeader) + "#EXTINF:90,Das Boot\n../sda1/" +
                              File(1).substr(File(1).rfind('/') + 1) + "\n#EXTINF:58,Das Boot\n" +
                              moved.substr(moved.rfind('/') + 1) + "\n" + kPlaylistEnd);
  EXPECT_FALSE(Exists(kPlaylist));
  EXPECT_STREQ(playlist.path.data(), beside.c_str());
  EXPECT_TRUE(DeletePlaylist(playlist));
  // The first disk gone: the same, and the files after go on in it.
  PlaylistState gone;
  AddToPlaylist(gone, "/dtv/usb/sdc1/R2024-03-07_20-15_Das_Boot_001.ts", 30);
  AddToPlaylist(gone, moved.c_str(), 20);
  EXPECT_EQ(gone.files, 2);
  EXPECT_STREQ(gone.path.data(), beside.c_str());
  const std::string third = "/dtv/usb/sdb1/R2024-03-07_20-17_Das_Boot_003.ts";
  Write(third, "recorded");
  AddToPlaylist(gone, third.c_str(), 10);
  EXPECT_EQ(gone.files, 3);
  EXPECT_NE(Read(beside).find("../sdc1/R2024-03-07_20-15_Das_Boot_001.ts\n"), std::string::npos);
  EXPECT_NE(Read(beside).find("#EXTINF:10,Das Boot\nR2024-03-07_20-17_Das_Boot_003.ts\n#EXT-X-ENDLIST\n"),
            std::string::npos);
  // Files of one folder whose folder refuses it get none anywhere else.
  ASSERT_EQ(sim_fault_set(SIM_FAULT_WRITE, kFolder, ENOSPC), 0);
  PlaylistState refused;
  AddToPlaylist(refused, File(3).c_str(), 3);
  AddToPlaylist(refused, File(4).c_str(), 4);
  EXPECT_EQ(refused.files, -1);
}

// ---- With the recording

using RecordingPlaylistControl = RecordingSandbox;

TEST_F(RecordingPlaylistControl, EachRecordingOfSeveralFilesHasItsOwnAndTheDialogDeletesIt) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  StartRecording(kKeyRecord);
  Split();
  Split();
  StopRecording(kKeyStop);
  EXPECT_EQ(WithoutSeconds(Read(kPlaylist)),
            std::string(kPlaylistHeader) + Entry(1, 0) + Entry(2, 0) + Entry(3, 0) + kPlaylistEnd);

  // A second recording in the same minute: its own list, under the next name.
  StartRecording(kKeyRecord);
  Split();
  StopRecording(kKeyStop);
  const std::string second = "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(2).m3u";
  EXPECT_EQ(WithoutSeconds(Read(second)), std::string(kPlaylistHeader) + Entry(4, 0) + Entry(5, 0) + kPlaylistEnd);
  DeleteRecentFiles();
  EXPECT_FALSE(Exists(second));
  EXPECT_FALSE(Exists(File(5)));
  EXPECT_TRUE(Exists(kPlaylist));  // the first recording's stays with its files
  EXPECT_TRUE(Exists(File(1)));

  // A recording of one file has none.
  StartRecording(kKeyRecord);
  StopRecording(kKeyStop);
  EXPECT_TRUE(Exists(File(4)));
  EXPECT_FALSE(Exists(second));
  EXPECT_FALSE(Exists("/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot(3).m3u"));
}

}  // namespace
