// Recording start and stop on the simulated set: destination choice, the
// recording folder and free names, the stop's tidying, rename and list.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/recording_files.h"
#include "host/recording_transition.h"
#include "host/dispatcher_state.h"
#include "host/storage_checks.h"
#include "recording_sandbox.h"
#include "settings/dialog_state.h"
#include "sim/platform/faults.h"

namespace {

constexpr const char* kPrefix = "2024-03-07_20-15_Das_Boot_";

void Touch(const std::string& path, const char* text = "x") {
  FILE* file = std::fopen(path.c_str(), "w");
  ASSERT_NE(file, nullptr) << path;
  std::fputs(text, file);
  std::fclose(file);
}

std::string Named(const std::string& folder, int number, const char* extension = ".ts",
                  const char* prefix = kPrefix) {
  char name[512];
  std::snprintf(name, sizeof name, "%s/R%s%03d%s", folder.c_str(), prefix, number, extension);
  return name;
}

bool ValidUtf8(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    int extra = *p < 0x80 ? 0 : (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : (*p & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) return false;
    ++p;
    for (int i = 0; i < extra; ++i, ++p)
      if ((*p & 0xC0) != 0x80) return false;
  }
  return true;
}

using RecordingControl = RecordingSandbox;

// ---- Destinations

TEST_F(RecordingControl, AutoTakesTheEntryWithTheMostFreeBytesNotBlocks) {
  Plug("sda1", SIM_FS_FAT, 4ull << 30, 512);      // 8 Mi blocks, 4 GiB
  Plug("sdb1", SIM_FS_EXT, 16ull << 30, 65536);   // 256 Ki blocks, 16 GiB
  Plug("sdc1", SIM_FS_NTFS, 64ull << 30, 4096);   // the largest, but NTFS
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sdb1", 1));
  EXPECT_STREQ(device_table.entries[settings.active_dest.load()].mount, "/dtv/usb/sdb1");
  EXPECT_EQ(split_choice.load(), 4);  // automatic split on ext: 4076 MiB
  EXPECT_EQ(static_cast<unsigned long>(fs.f_type), SIM_FS_EXT);
}

TEST_F(RecordingControl, AutoWithNothingButItselfFailsWithThreeAndKeepsTheAttempt) {
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 3);
  EXPECT_EQ(recording.dest_attempt.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
}

TEST_F(RecordingControl, MissingDest1GivesThreeThenTheNextKeyTriesDest2) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  Plug("sdb1", SIM_FS_FAT, 1ull << 30);
  ChooseFixed(1, "/dtv/usb/sda1");
  ChooseFixed(2, "/dtv/usb/sdb1");
  ASSERT_EQ(rmdir("/dtv/usb/sda1"), 0);  // listed, but not mounted
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 3);
  EXPECT_EQ(recording.dest_attempt.load(), 1);

  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sdb1", 1));
  EXPECT_EQ(split_choice.load(), 3);  // FAT: 2028 MiB
  StopRecording(kKeyStop);
  EXPECT_EQ(recording.dest_attempt.load(), 0);  // a user stop goes back to dest1

  // dest2 missing as well: text 4, and dest1 next.
  recording.dest_attempt = 1;
  std::filesystem::remove_all(sim::SandboxPath("/dtv/usb/sdb1"));
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording.last_start_failure.load(), 4);
  EXPECT_EQ(recording.dest_attempt.load(), 0);
}

TEST_F(RecordingControl, NtfsIsRefusedWithFive) {
  Plug("sda1", SIM_FS_NTFS, 1ull << 30);
  ChooseFixed(1, "/dtv/usb/sda1");
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 5);
  EXPECT_EQ(recording.dest_attempt.load(), 1);
}

TEST_F(RecordingControl, NetworkAndInternalDestinationsAreClassified) {
  Plug("cifs", SIM_FS_CIFS, 1ull << 30);
  ChooseFixed(1, "/dtv/usb/cifs");
  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(recording.network_dest.load(), 1);
  EXPECT_EQ(recording.memory_dest.load(), 0);
  EXPECT_EQ(split_choice.load(), 0);  // no automatic split on a share
  StopRecording(kKeyStop);

  settings.allow_internal = 1;
  ChooseFixed(1, kInternalMemoryFolder);
  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(recording.network_dest.load(), 0);
  EXPECT_EQ(recording.memory_dest.load(), 1);
  EXPECT_EQ(split_choice.load(), 2);
  StopRecording(kKeyStop);

  settings.split_mode = 5;  // a chosen split mode stays as chosen
  StartRecording(kKeyRecord);
  EXPECT_EQ(split_choice.load(), 5);
}

// ---- Folder and names

TEST_F(RecordingControl, HighestDvrFolderWins) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR2", 0777), 0);
  ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR5", 0777), 0);
  StartRecording(kKeyRecord);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sda1/DVR5", 1));
  EXPECT_EQ(std::string(recording.mdb_path.data()), Named("/dtv/usb/sda1/DVR5", 1, ".mdb"));
  EXPECT_EQ(settings.dvr_folder.load(), 5);
}

TEST_F(RecordingControl, TakenNamesAndSideFilesAreSkipped) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  Touch(Named("/dtv/usb/sda1", 1));
  Touch(Named("/dtv/usb/sda1", 2));
  // The side file of an earlier recording whose .ts was renamed: its
  // number stays taken, or the recorder would overwrite it.
  Touch(Named("/dtv/usb/sda1", 3, ".mdb"));
  Touch(Named("/dtv/usb/sda1", 5));
  // Names that only look alike take no number.
  Touch(Named("/dtv/usb/sda1", 4, ".ts.part"));
  Touch(Named("/dtv/usb/sda1", 4, ".ts", "2024-03-07_20-15_Das_Boo_"));
  Touch("/dtv/usb/sda1/R" + std::string(kPrefix) + "0004.ts");
  settings.write_test = 0;
  StartRecording(kKeyRecord);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sda1", 4));
  StopRecording(kKeyStop);
  // The empty recording went; with a fourth file the next free is 6.
  Touch(Named("/dtv/usb/sda1", 4));
  settings.write_test = 1;
  StartRecording(kKeyRecord);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sda1", 6));
}

TEST_F(RecordingControl, WriteTestProbesExclusivelyAndDeletesOnlyItsOwnProbe) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  Touch(Named("/dtv/usb/sda1", 1));
  Touch(Named("/dtv/usb/sda1", 2));
  // Number 3 is a link to another file (it does not exist for stat, but
  // cannot be created exclusively): the link and its target stay untouched.
  // Number 4 is a link to itself: stat fails with another error than
  // "does not exist", so the name counts as taken.
  const std::string three = sim::SandboxPath(Named("/dtv/usb/sda1", 3));
  const std::string four = sim::SandboxPath(Named("/dtv/usb/sda1", 4));
  const std::string target = sim::SandboxPath("/dtv/usb/sda1/elsewhere.ts");
  ASSERT_EQ(symlink(target.c_str(), three.c_str()), 0);
  ASSERT_EQ(symlink(four.c_str(), four.c_str()), 0);
  settings.write_test = 1;
  StartRecording(kKeyRecord);
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sda1", 5));
  EXPECT_TRUE(std::filesystem::is_symlink(three));
  EXPECT_TRUE(std::filesystem::is_symlink(four));
  EXPECT_FALSE(Exists("/dtv/usb/sda1/elsewhere.ts"));
}

// A name the file system does not take (here: the folder turned read-only)
// never counts as a running recording, with the write test or without it:
// no recorder, no file, the destination's box.
TEST_F(RecordingControl, NameThatCannotBeCreatedRecordsNothing) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  ChooseFixed(2, "/dtv/usb/sda1");
  settings.name_mode = 2;
  for (int write_test : {0, 1}) {
    SCOPED_TRACE(write_test);
    settings.write_test = write_test;
    recording.dest_attempt = 1;
    ASSERT_EQ(sim_fault_set(SIM_FAULT_READONLY, "/dtv/usb/sda1", EROFS), 0);
    StartRecording(kKeyRecord);
    EXPECT_EQ(recording_active.load(), 0);
    EXPECT_EQ(recording.last_start_failure.load(), 4);
    EXPECT_FALSE(sim::GetRecorderStatus().recording);
    EXPECT_STREQ(recording.ts_path.data(), "");
    sim_fault_clear(nullptr);
    EXPECT_FALSE(Exists(Named("/dtv/usb/sda1", 1, ".ts", "2024-03-07_20-15_Das Boot_")));
  }
  // Writable again: the same start records, and the probe left nothing
  // behind that would push the name to number 2.
  settings.write_test = 0;
  recording.dest_attempt = 1;
  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(std::string(recording.ts_path.data()),
            Named("/dtv/usb/sda1", 1, ".ts", "2024-03-07_20-15_Das Boot_"));
  EXPECT_TRUE(sim::GetRecorderStatus().recording);
}

// Name mode 2: control characters of the title become "_" in the file name,
// and the title's cut to 100 bytes keeps whole characters.
TEST_F(RecordingControl, Utf8NamesHoldNoControlsAndWholeCharacters) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  settings.name_mode = 2;
  settings.write_test = 0;
  Guide().title = u"A\tB\x01\x7F\x1F " + std::u16string(60, u'\u00E4');  // 7 + 120 bytes
  ApplyGuide();
  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  std::string title = "A_B___ ";
  for (int i = 0; i < 46; ++i) title += "\xC3\xA4";  // 100 bytes would split the 47th
  EXPECT_EQ(std::string(recording.ts_path.data()), Named("/dtv/usb/sda1", 1, ".ts",
                                        ("2024-03-07_20-15_" + title + "_").c_str()));
  EXPECT_TRUE(ValidUtf8(recording.ts_path.data()));
  EXPECT_TRUE(Exists(recording.ts_path.data()));
}

TEST_F(RecordingControl, NoFreeNameGivesTheDestinationsBox) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  ChooseFixed(2, "/dtv/usb/sda1");
  for (int n = 1; n <= 998; ++n) Touch(Named("/dtv/usb/sda1", n), "");
  recording.dest_attempt = 1;
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 4);
  EXPECT_EQ(recording.dest_attempt.load(), 1);  // unchanged
}

// A stick's DVR folder (or the stick itself) that leads elsewhere through
// a link, or is not a folder: the destination is refused as a missing one
// and nothing is written where the link points (the set's flash).
TEST_F(RecordingControl, FolderReachedThroughALinkIsRefused) {
  Plug("sda1", SIM_FS_EXT, 1ull << 30);
  ChooseFixed(1, "/dtv/usb/sda1");
  const std::string flash = sim::SandboxPath("/mtd_appdata");
  ASSERT_EQ(symlink(flash.c_str(), sim::SandboxPath("/dtv/usb/sda1/DVR9").c_str()), 0);
  const auto before = std::distance(std::filesystem::directory_iterator(flash),
                                    std::filesystem::directory_iterator{});
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 3);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(flash),
                          std::filesystem::directory_iterator{}),
            before);

  // A file named like a DVR folder is no folder either.
  ASSERT_EQ(unlink(sim::SandboxPath("/dtv/usb/sda1/DVR9").c_str()), 0);
  FILE* file = std::fopen("/dtv/usb/sda1/DVR9", "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  EXPECT_EQ(recording_active.load(), 0);

  // A real DVR folder records.
  ASSERT_EQ(std::remove("/dtv/usb/sda1/DVR9"), 0);
  ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR9", 0777), 0);
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_EQ(std::string(recording.ts_path.data()).rfind("/dtv/usb/sda1/DVR9/R", 0), 0u);
}

TEST_F(RecordingControl, LongFolderAndTitleShortenTheTitleAtACharacter) {
  const std::string mount = "/dtv/usb/" + std::string(118, 'm');  // 127 bytes
  Plug("sda1", SIM_FS_FAT, 1ull << 30, 4096, mount);
  ASSERT_EQ(mkdir((mount + "/DVR9").c_str(), 0777), 0);
  settings.name_mode = 2;
  Guide().title = std::u16string(60, u'\u00E4');  // 120 bytes of UTF-8, cut to 100
  ApplyGuide();
  StartRecording(kKeyRecord);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_LE(std::strlen(recording.mdb_path.data()), 255u);
  EXPECT_TRUE(ValidUtf8(recording.ts_path.data()));
  EXPECT_EQ(std::string(recording.ts_path.data()).rfind(mount + "/DVR9/R2024-03-07_20-15_\xC3\xA4", 0), 0u);
  EXPECT_EQ(std::string(recording.ts_path.data()).substr(std::strlen(recording.ts_path.data()) - 7), "_001.ts");
  EXPECT_EQ(std::string(recording.mdb_path.data()).substr(0, std::strlen(recording.mdb_path.data()) - 4),
            std::string(recording.ts_path.data()).substr(0, std::strlen(recording.ts_path.data()) - 3));
  EXPECT_TRUE(Exists(recording.ts_path.data()));
}

TEST(RecordingFiles, PrefixesAreShortenedOnlyInTheTitleOrRefused) {
  char out[kPathSize];
  EXPECT_TRUE(FitPrefix(out, sizeof out, "2024-03-07_20-15_Title_", 23));
  EXPECT_STREQ(out, "2024-03-07_20-15_Title_");
  EXPECT_TRUE(FitPrefix(out, sizeof out, "2024-03-07_20-15_Title_", 20));
  EXPECT_STREQ(out, "2024-03-07_20-15_Ti_");
  EXPECT_TRUE(FitPrefix(out, sizeof out, "2024-03-07_20-15_Title_", 18));
  EXPECT_STREQ(out, "2024-03-07_20-15__");
  EXPECT_FALSE(FitPrefix(out, sizeof out, "2024-03-07_20-15_Title_", 17));
  EXPECT_STREQ(out, "");
  // Never inside a character: "ä" is two bytes.
  EXPECT_TRUE(FitPrefix(out, sizeof out, "2024-03-07_20-15_a\xC3\xA4_", 20));
  EXPECT_STREQ(out, "2024-03-07_20-15_a_");
  // No title to shorten.
  EXPECT_FALSE(FitPrefix(out, sizeof out, "2024-03-07_20-15", 10));
  EXPECT_TRUE(FitPrefix(out, sizeof out, "_", 1));
  // A folder too long for any name leaves no room.
  const std::string folder(250, 'f');
  EXPECT_EQ(PrefixRoom(folder.c_str()), 0u);
  EXPECT_EQ(PrefixRoom("/a"), 255u - 2 - 2 - 3 - 4);
  EXPECT_FALSE(RecordingPath(out, sizeof out, folder.c_str(), "", 1, ".mdb"));
  EXPECT_STREQ(out, "");
  EXPECT_EQ(FindFreeNumber(folder.c_str(), "", false), 0);
  // Folder of a path; a folder name that does not fit is refused.
  EXPECT_TRUE(FolderOf(out, sizeof out, "/dtv/usb/sda1/R_001.ts"));
  EXPECT_STREQ(out, "/dtv/usb/sda1");
  EXPECT_FALSE(FolderOf(out, 4, "/dtv/usb/sda1/R_001.ts"));
  EXPECT_FALSE(FolderOf(out, sizeof out, "R_001.ts"));
}

TEST(RecordingFiles, FinalPrefixKeepsTheStartTimeAndTakesTheTitle) {
  char out[kPathSize];
  EXPECT_TRUE(FinalPrefix(out, sizeof out, "2024-03-07_20-15_News_", "2024-03-07_20-47_Film_"));
  EXPECT_STREQ(out, "2024-03-07_20-15_Film_");
  EXPECT_TRUE(FinalPrefix(out, sizeof out, "2024-03-07_20-15", "2024-03-07_20-47_Film_"));
  EXPECT_STREQ(out, "2024-03-07_20-15_Film_");
  EXPECT_TRUE(FinalPrefix(out, sizeof out, "_", "2024-03-07_20-47_Film_"));
  EXPECT_STREQ(out, "2024-03-07_20-47_Film_");
  EXPECT_FALSE(FinalPrefix(out, sizeof out, "2024-03-07_20-15_News_", "_"));
  EXPECT_FALSE(FinalPrefix(out, 20, "2024-03-07_20-15_News_", "2024-03-07_20-47_Film_"));
  EXPECT_STREQ(out, "");
}

// ---- The stop

TEST_F(RecordingControl, EmptyFileIsDeletedWithItsSideFileAndNotListed) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  settings.delete_empty = 1;
  StartRecording(kKeyRecord);
  const std::string ts = recording.ts_path.data(), mdb = recording.mdb_path.data();
  EXPECT_EQ(StopRecording(kKeyStop), kConsumed);  // ShowStopNotice's result
  EXPECT_FALSE(Exists(ts));
  EXPECT_FALSE(Exists(mdb));
  EXPECT_EQ(recording.recent_file_count.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
}

TEST_F(RecordingControl, SideFileDeletedAtTheStopWhenAsked) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  settings.delete_mdb = 1;
  StartRecording(kKeyRecord);
  const std::string ts = recording.ts_path.data(), mdb = recording.mdb_path.data();
  EXPECT_EQ(StopRecording(kKeyPower), kKeyPower);  // the power key passes on
  EXPECT_TRUE(Exists(ts));
  EXPECT_FALSE(Exists(mdb));
  EXPECT_STREQ(recording.mdb_path.data(), "");
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), ts);
  EXPECT_STREQ(recording.recent_files[0].mdb, "");
}

TEST_F(RecordingControl, RenameKeepsTheStartTimeStaysInItsFolderAndReplacesNothing) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR3", 0777), 0);
  StartRecording(kKeyRecord);
  // The tick sampled another title half an hour later; meanwhile the table
  // was rescanned and points elsewhere.
  title_check_count = 3;
  std::snprintf(final_prefix.data(), sizeof final_prefix, "2024-03-07_20-47_Film_");
  settings.active_dest = 1;
  settings.dvr_folder = 0;
  StopRecording(kKeyStop);
  const std::string renamed = Named("/dtv/usb/sda1/DVR3", 1, ".ts", "2024-03-07_20-15_Film_");
  EXPECT_EQ(std::string(recording.ts_path.data()), renamed);
  EXPECT_TRUE(Exists(renamed));
  EXPECT_EQ(std::string(recording.recent_files[0].ts), renamed);
  EXPECT_EQ(std::string(recording.recent_files[0].mdb), Named("/dtv/usb/sda1/DVR3", 1, ".mdb"));

  // The second recording's final name is taken already: it keeps its own.
  StartRecording(kKeyRecord);
  const std::string first_name = recording.ts_path.data();
  EXPECT_EQ(first_name, Named("/dtv/usb/sda1/DVR3", 2));  // 1 keeps its side file
  title_check_count = 3;
  std::snprintf(final_prefix.data(), sizeof final_prefix, "2024-03-07_20-47_Film_");
  StopRecording(kKeyStop);
  EXPECT_EQ(std::string(recording.ts_path.data()), first_name);
  EXPECT_TRUE(Exists(first_name));
  EXPECT_TRUE(Exists(renamed));

  // Stopped before the first sample: no rename.
  StartRecording(kKeyRecord);
  const std::string unsampled = recording.ts_path.data();
  StopRecording(kKeyStop);
  EXPECT_EQ(std::string(recording.ts_path.data()), unsampled);
}

TEST_F(RecordingControl, ListKeepsTheFirstNineAndTheNewestAndDeleteRemovesThem) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  StartRecording(kKeyRecord);
  for (int i = 0; i < 11; ++i) {  // splits, as the tick makes them
    ASSERT_TRUE(TakeRecordingTransition(0));
    split_in_progress = 1;
    EXPECT_EQ(StopRecording(kKeyStop), kConsumed);
    EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
    split_in_progress = 0;
    ReleaseRecordingTransition();
    ASSERT_EQ(recording_active.load(), 1);
    EXPECT_EQ(segment_number.load(), i + 1);
  }
  StopRecording(kKeyStop);
  ASSERT_EQ(recording.recent_file_count.load(), 10);
  for (int n = 1; n <= 9; ++n) EXPECT_EQ(std::string(recording.recent_files[n - 1].ts), Named("/dtv/usb/sda1", n));
  EXPECT_EQ(std::string(recording.recent_files[9].ts), Named("/dtv/usb/sda1", 12));

  DeleteRecentFiles();
  for (int n : {1, 5, 9, 12}) {
    EXPECT_FALSE(Exists(Named("/dtv/usb/sda1", n)));
    EXPECT_FALSE(Exists(Named("/dtv/usb/sda1", n, ".mdb")));
  }
  EXPECT_TRUE(Exists(Named("/dtv/usb/sda1", 10)));  // not listed: kept
  EXPECT_TRUE(Exists(Named("/dtv/usb/sda1", 11)));
  // Deleted recordings leave the list, so a second confirm claims nothing.
  EXPECT_EQ(deleted_recording_count.load(), 10);
  EXPECT_EQ(recording.recent_file_count.load(), 0);
  DeleteRecentFiles();
  EXPECT_EQ(deleted_recording_count.load(), 0);
}

TEST_F(RecordingControl, RecordingThatCannotBeDeletedStaysListed) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  StartRecording(kKeyRecord);
  StopRecording(kKeyStop);
  StartRecording(kKeyRecord);
  Split();
  StopRecording(kKeyStop);
  ASSERT_EQ(recording.recent_file_count.load(), 2);
  const std::string first = recording.recent_files[0].ts;
  const std::string second = recording.recent_files[1].ts;
  ASSERT_EQ(unlink(first.c_str()), 0);  // gone already: cannot be deleted
  DeleteRecentFiles();
  EXPECT_EQ(deleted_recording_count.load(), 1);
  EXPECT_FALSE(Exists(second));
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first);
}

TEST_F(RecordingControl, SideFileEqualToTheRecordingIsNeverDeletedAsSuch) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  settings.delete_mdb = 1;
  settings.delete_empty = 1;
  StartRecording(kKeyRecord);
  Touch(recording.ts_path.data(), "recorded");
  std::memcpy(recording.mdb_path.data(), recording.ts_path.data(), kPathSize);
  const std::string ts = recording.ts_path.data();
  StopRecording(kKeyStop);
  EXPECT_TRUE(Exists(ts));
  ASSERT_EQ(recording.recent_file_count.load(), 1);

  settings.delete_mdb = 0;
  DeleteRecentFiles();  // the .ts once; its "side file" is the same name
  EXPECT_FALSE(Exists(ts));
}

TEST_F(RecordingControl, OverlayNeverDeclinesAStopAndASecondStartRecordsNothing) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  EXPECT_EQ(KeyDispatcher(kKeyRecord), kConsumed);
  ASSERT_EQ(recording_active.load(), 1);
  const std::string first = recording.ts_path.data();
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);  // already recording
  EXPECT_EQ(std::string(recording.ts_path.data()), first);
  EXPECT_EQ(sim::GetRecorderStatus().path, first);

  settings.key44_passthrough = 1;
  key44_count = 1;
  EXPECT_EQ(KeyDispatcher(kKeyStop), kConsumed);  // the remote's 70: declined
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_EQ(KeyDispatcher(kRequestStop), kConsumed);  // the tick's: stops
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);

  // Power keys stop too, and pass on to the host.
  key44_count = 0;
  KeyDispatcher(kKeyRecord);
  key44_count = 1;
  EXPECT_EQ(KeyDispatcher(kKeyPowerAlt), kKeyPowerAlt);
  EXPECT_EQ(recording_active.load(), 0);
  // Nothing to stop: the stop key is used up, the power key passes.
  EXPECT_EQ(StopRecording(kKeyStop), kConsumed);
  EXPECT_EQ(StopRecording(kKeyPower), kKeyPower);
}

TEST_F(RecordingControl, TheSettingsScreenLetsTheKeyPass) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  toolbox_open = 1;
  EXPECT_EQ(StartRecording(kKeyRecord), kKeyRecord);
  EXPECT_EQ(recording_active.load(), 0);
}

TEST_F(RecordingControl, StartFromRestSetsTheRecordingsWords) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  stop_timer = 30;
  bitrate = 99;
  recording.recent_file_count = 4;
  const uint32_t generation = recording.generation.load();
  StartRecording(kKeyRecord);
  EXPECT_EQ(recording.generation.load(), generation + 1);
  EXPECT_EQ(stop_timer.load(), 0);
  EXPECT_EQ(bitrate.load(), 0u);
  EXPECT_EQ(recording.recent_file_count.load(), 0);
  EXPECT_EQ(free_gauge.load(), -1);
  EXPECT_STREQ(free_text.data(), "?");
  EXPECT_EQ(title_check_counter.load(), 10);
  EXPECT_EQ(rec_start_time.load(), segment_start_time.load());
  EXPECT_EQ(split_in_progress.load(), 0);
  EXPECT_STREQ(recording.start_prefix.data(), kPrefix);
}

}  // namespace
