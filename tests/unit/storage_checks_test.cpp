// Storage checks through the simulator's real calls: virtual disks with their
// file-system types and capacities, sparse files for sizes past 2 GiB.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/storage_checks.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"
#include "supervision/supervision_state.h"

namespace {

class StorageChecks : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    DefaultSettings(&settings);
    BuildDeviceTable();
  }

  // Plugs one stick with a single partition and rebuilds the table.
  void Plug(const char* section, uint32_t type, uint64_t capacity, uint32_t block = 4096) {
    ASSERT_TRUE(sim::PlugDevice(
        {section, "Acme", section, "1", {{std::string("/dtv/usb/") + section, type, capacity, block}}}));
    BuildDeviceTable();
  }
};

void Touch(const char* path, const char* text) {
  FILE* file = std::fopen(path, "w");
  ASSERT_NE(file, nullptr);
  std::fputs(text, file);
  std::fclose(file);
}

TEST_F(StorageChecks, NtfsIsRecognisedByTheFolderType) {
  Plug("sda1", SIM_FS_NTFS, 1ull << 30);
  Plug("sdb1", SIM_FS_FAT, 1ull << 30);
  EXPECT_EQ(IsNtfs("/dtv/usb/sda1"), 1);
  EXPECT_EQ(static_cast<unsigned long>(fs.f_type), kNtfsMagic);
  EXPECT_EQ(IsNtfs("/dtv/usb/sdb1"), 0);
  EXPECT_EQ(static_cast<unsigned long>(fs.f_type), SIM_FS_FAT);
  EXPECT_EQ(IsNtfs("/dtv/usb/none"), 0);
  ASSERT_EQ(device_table.count.load(), 4);
  EXPECT_EQ(device_table.entries[2].ntfs, 1);
  EXPECT_EQ(device_table.entries[3].ntfs, 0);
}

TEST_F(StorageChecks, DestinationUsable) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  EXPECT_EQ(DestinationUsable(-1), 0);
  EXPECT_EQ(DestinationUsable(3), 0);  // beyond the entry count
  EXPECT_EQ(DestinationUsable(2), 1);
  EXPECT_EQ(DestinationUsable(0), 0);  // "Auto" has no folder

  // The internal memory only when the user allows it.
  settings.allow_internal = 0;
  EXPECT_EQ(DestinationUsable(1), 0);
  settings.allow_internal = 1;
  EXPECT_EQ(DestinationUsable(1), 1);

  // A missing fixed folder is made only with create_folder set. Earlier
  // tests of the same process may have recorded into it: it goes with its
  // files.
  std::error_code error;
  std::filesystem::remove_all(sim::SandboxPath(kInternalMemoryFolder), error);
  ASSERT_FALSE(error) << error.message();
  settings.create_folder = 0;
  EXPECT_EQ(DestinationUsable(1), 0);
  EXPECT_NE(access(kInternalMemoryFolder, F_OK), 0);
  settings.create_folder = 1;
  EXPECT_EQ(DestinationUsable(1), 1);
  EXPECT_EQ(access(kInternalMemoryFolder, F_OK), 0);

  // An unplugged stick is no destination, though its entry is still there.
  ASSERT_TRUE(sim::UnplugDevice("sda1"));
  EXPECT_EQ(DestinationUsable(2), 0);
}

TEST_F(StorageChecks, RemoveIfEmpty) {
  const char* ts = "/mtd_ram/R001.ts";
  const char* mdb = "/mtd_ram/R001.mdb";
  settings.delete_empty = 1;
  settings.delete_mdb = 0;
  Touch(ts, "");
  Touch(mdb, "side");
  EXPECT_EQ(RemoveIfEmpty(ts, mdb), 1);
  EXPECT_NE(access(ts, F_OK), 0);
  EXPECT_NE(access(mdb, F_OK), 0);

  settings.delete_mdb = 1;  // the side file went at the stop already: left alone
  Touch(ts, "");
  Touch(mdb, "side");
  EXPECT_EQ(RemoveIfEmpty(ts, mdb), 1);
  EXPECT_EQ(access(mdb, F_OK), 0);

  Touch(ts, "x");  // a recording with content is never deleted
  EXPECT_EQ(RemoveIfEmpty(ts, mdb), 0);
  EXPECT_EQ(access(ts, F_OK), 0);

  settings.delete_empty = 0;
  Touch(ts, "");
  EXPECT_EQ(RemoveIfEmpty(ts, mdb), 0);
  EXPECT_EQ(access(ts, F_OK), 0);
  settings.delete_empty = 1;
  EXPECT_EQ(RemoveIfEmpty("", mdb), 0);
  EXPECT_EQ(RemoveIfEmpty("/mtd_ram/none.ts", mdb), 0);
}

TEST_F(StorageChecks, FileSizeMbMeasuresFilesOfAnySize) {
  Plug("sda1", SIM_FS_EXT, 1ull << 40);
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/a.ts", 1048575));
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/b.ts", 1048576));
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/c.ts", 3ll << 30));
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/d.ts", 4076ll << 20));
  EXPECT_EQ(FileSizeMb("/dtv/usb/sda1/a.ts"), 0);
  EXPECT_EQ(FileSizeMb("/dtv/usb/sda1/b.ts"), 1);
  EXPECT_EQ(FileSizeMb("/dtv/usb/sda1/c.ts"), 3072);
  EXPECT_EQ(FileSizeMb("/dtv/usb/sda1/d.ts"), 4076);
  EXPECT_EQ(FileSizeMb("/dtv/usb/sda1/none.ts"), 0);
}

TEST_F(StorageChecks, ReadFreeSpaceFollowsTheDisk) {
  // 3000 blocks of 4096 bytes; the folder takes one, a file 1999: 1000 left.
  Plug("sda1", SIM_FS_FAT, 3000ull * 4096);
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/R.ts", 1999ll * 4096));
  ASSERT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 1);
  EXPECT_EQ(free_kb.load(), 4000u);
  EXPECT_EQ(total_kb.load(), 12000u);

  // The disk fills as the recording grows.
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/R.ts", 2999ll * 4096));
  ASSERT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 1);
  EXPECT_EQ(free_kb.load(), 0u);

  // Failures leave both figures as they were.
  free_kb = 7;
  total_kb = 8;
  EXPECT_EQ(ReadFreeSpace(""), 0);
  EXPECT_EQ(ReadFreeSpace(nullptr), 0);
  EXPECT_EQ(ReadFreeSpace("/dtv/usb/sdz9"), 0);
  ASSERT_TRUE(sim::UnplugDevice("sda1"));
  EXPECT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 0);
  EXPECT_EQ(free_kb.load(), 7u);
  EXPECT_EQ(total_kb.load(), 8u);
}

TEST_F(StorageChecks, ReadFreeSpaceSaturatesPastFourTebibytes) {
  Plug("sda1", SIM_FS_EXT, 8ull << 40, 65536);
  ASSERT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 1);
  EXPECT_EQ(free_kb.load(), UINT32_MAX);
  EXPECT_EQ(total_kb.load(), UINT32_MAX);

  Plug("sdb1", SIM_FS_EXT, 4ull << 40, 4096);  // exactly 2^32 KiB in all
  ASSERT_EQ(ReadFreeSpace("/dtv/usb/sdb1"), 1);
  EXPECT_EQ(total_kb.load(), UINT32_MAX);
  EXPECT_EQ(free_kb.load(), 4294967292u);  // less the folder's own block
}

}  // namespace
