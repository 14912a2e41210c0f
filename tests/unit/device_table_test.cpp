// The device table read from the set's device log, as the simulator writes
// it when sticks are plugged, and from hand-written logs for the odd cases.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "host/storage_checks.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"

namespace {

class DeviceTableTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    DefaultSettings(&settings);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const std::string& path : made_)
      std::filesystem::remove_all(sim::SandboxPath(path), ignored);
    SandboxTest::TearDown();
  }

  // Notes a set path that the test makes itself, to remove it afterwards.
  void Made(const std::string& path) { made_.push_back(path); }

 private:
  std::vector<std::string> made_;
};

void WriteLog(const std::string& text) {
  FILE* log = std::fopen(kDeviceLogPath, "w");
  ASSERT_NE(log, nullptr);
  std::fwrite(text.data(), 1, text.size(), log);
  std::fclose(log);
}

const DeviceEntry& Entry(int index) { return device_table.entries[index]; }

sim::UsbDevice Device(const char* section, const char* product, std::vector<const char*> mounts,
                      uint32_t type = SIM_FS_FAT) {
  sim::UsbDevice device{section, "Acme  ", product, "42", {}};
  for (const char* mount : mounts) device.partitions.push_back({mount, type, 1ull << 30, 4096});
  return device;
}

TEST_F(DeviceTableTest, WithoutALogOnlyTheFixedEntries) {
  ASSERT_EQ(unlink(kDeviceLogPath), 0);
  BuildDeviceTable();
  EXPECT_EQ(device_table.count.load(), 2);
  EXPECT_EQ(device_table.fixed_count.load(), 2);
  EXPECT_STREQ(Entry(0).name, "Auto");
  EXPECT_STREQ(Entry(0).mount, "");
  EXPECT_STREQ(Entry(1).name, "MOVIE001");
  EXPECT_STREQ(Entry(1).mount, "/mtd_wiselink/MOVIE001");
  EXPECT_EQ(Entry(1).index, 1);
  EXPECT_EQ(Entry(1).fixed, 1);
}

TEST_F(DeviceTableTest, PartitionsOfOneDeviceAreNumbered) {
  ASSERT_TRUE(sim::PlugDevice(Device("USB1", "Stick", {"/dtv/usb/sda1", "/dtv/usb/sda2"})));
  ASSERT_TRUE(sim::PlugDevice(
      Device("USB2", "Disk", {"/dtv/usb/sdb1", "/dtv/usb/sdb2", "/dtv/usb/sdb3"}, SIM_FS_NTFS)));
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 7);
  const char* products[] = {"Stick 1", "Stick 2", "Disk 1", "Disk 2", "Disk 3"};
  for (int i = 2; i < 7; ++i) {
    EXPECT_STREQ(Entry(i).product, products[i - 2]);
    EXPECT_EQ(Entry(i).index, i);
    EXPECT_STREQ(Entry(i).vendor, "Acme");  // trailing blanks removed
    EXPECT_STREQ(Entry(i).serial, "42");
    EXPECT_EQ(Entry(i).fixed, 0);
    EXPECT_EQ(Entry(i).ntfs, i >= 4 ? 1 : 0);
  }
  EXPECT_STREQ(Entry(2).name, "USB1");
  EXPECT_STREQ(Entry(3).mount, "/dtv/usb/sda2");
  EXPECT_STREQ(Entry(6).mount, "/dtv/usb/sdb3");
}

TEST_F(DeviceTableTest, FieldsAreCutToTheirWidth) {
  std::string long_vendor(60, 'v');
  WriteLog("[ABCDEFGHIJKLMNOPQRSTUVWXYZ]\n"
           "Vendor : " + long_vendor + "\r\n"
           "Product : 1234567890123456789\n"
           "Serial : S1  \n"
           "MountDir : /dtv/usb/sda1  \n"
           "MountDir : /dtv/usb/sda2\n");
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 4);
  EXPECT_STREQ(Entry(2).name, "ABCDEFGHIJKLMNOPQRS");  // 19 characters
  EXPECT_EQ(std::string(Entry(2).vendor), long_vendor.substr(0, 49));
  EXPECT_STREQ(Entry(2).serial, "S1  ");  // serial and mount keep their blanks
  EXPECT_STREQ(Entry(2).mount, "/dtv/usb/sda1  ");
  // A full product text is shortened so that the number fits; serial untouched.
  EXPECT_STREQ(Entry(2).product, "12345678901234567 1");
  EXPECT_STREQ(Entry(3).product, "12345678901234567 2");
  EXPECT_STREQ(Entry(3).serial, "S1  ");
}

TEST_F(DeviceTableTest, OddLinesOfTheLog) {
  std::string long_line = "Product : " + std::string(300, 'p') + "\n";
  WriteLog("MountDir : /dtv/usb/orphan\n"    // before any section: nothing stored
           "[USB1]\n"
           "Vendor : First\n" +
           long_line +                        // longer than a line: dropped whole
           "MountDir : /dtv/usb/sda1\n"
           "[]\n"                             // empty name: ignored, USB1 goes on
           "[\n"
           "Serial : 77\n"
           "Junk line\n"
           "MountDir:/dtv/usb/no\n"
           "MountDir : /dtv/usb/sda2\n");
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 4);
  EXPECT_STREQ(Entry(2).mount, "/dtv/usb/sda1");
  EXPECT_STREQ(Entry(2).product, " 1");  // no product text, only the number
  EXPECT_STREQ(Entry(2).serial, "");
  EXPECT_STREQ(Entry(3).name, "USB1");
  EXPECT_STREQ(Entry(3).serial, "77");
  EXPECT_STREQ(Entry(3).mount, "/dtv/usb/sda2");
}

TEST_F(DeviceTableTest, NeverMoreThanTwentyEntries) {
  std::string log = "[BIG]\nProduct : Hub\n";
  for (int i = 0; i < 25; ++i) log += "MountDir : /dtv/usb/sd" + std::to_string(i) + "\n";
  WriteLog(log);
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), kDeviceSlots);
  EXPECT_STREQ(Entry(19).product, "Hub 18");
  EXPECT_STREQ(Entry(19).mount, "/dtv/usb/sd17");
}

// A value long enough to push a key line of its own past the line buffer:
// "Product : ", 81 three-byte characters and "XY" fill the 255 bytes, and what
// follows would have been read as a line that mounts the set's RAM disk.
TEST_F(DeviceTableTest, ALineLongerThanTheBufferIsDroppedWhole) {
  std::string product;
  for (int i = 0; i < 81; ++i) product += "\xe4\xb8\xad";  // U+4E2D
  product += "XYMountDir : /mtd_ram";
  ASSERT_EQ(("Product : " + product).size(), 255u + std::strlen("MountDir : /mtd_ram"));
  struct stat status;
  ASSERT_EQ(lstat("/mtd_ram", &status), 0);  // a real folder: only the line stops it
  ASSERT_TRUE(S_ISDIR(status.st_mode));
  WriteLog("[USB1]\n"
           "Vendor : Acme\n"
           "Product : " + product + "\n"
           "Serial : 42\n"
           "MountDir : /dtv/usb/sda1\n"
           "[USB2]\n"
           "Product : " + product);  // the last line, without a line end
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_STRNE(Entry(i).mount, "/mtd_ram") << i;
  EXPECT_STREQ(Entry(2).name, "USB1");
  EXPECT_STREQ(Entry(2).vendor, "Acme");  // the lines around it count
  EXPECT_STREQ(Entry(2).product, "");
  EXPECT_STREQ(Entry(2).serial, "42");
  EXPECT_STREQ(Entry(2).mount, "/dtv/usb/sda1");
}

// 255 bytes of text fit (their line end not counted); one more byte does not,
// and the line is read to its end without a piece of it becoming a line.
TEST_F(DeviceTableTest, LinesAtAndPastTheBuffer) {
  const std::string folder = "/dtv/usb/" + std::string(118, 'f');  // 127 bytes: the whole field
  const std::string key = "MountDir : ";
  const std::string fits = key + folder + std::string(255 - key.size() - folder.size(), 'x');
  const std::string serial = "Serial : " + std::string(246, 's');
  ASSERT_EQ(fits.size(), 255u);
  ASSERT_EQ(serial.size(), 255u);
  WriteLog("[AT]\n" +
           serial + "\r\n" +                 // kept: the line end is no text
           fits + "\n"                       // the mount is cut to its field
           "[PAST]\n" +
           serial + "s\n" +                  // one byte too many: no serial
           fits + "x\r\n"                    // no partition
           "MountDir : /dtv/usb/sdb1\n" +
           fits + "\r\rx\n");                // carriage returns inside: still too long
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 4);
  EXPECT_STREQ(Entry(2).name, "AT");
  EXPECT_EQ(std::string(Entry(2).serial), std::string(49, 's'));
  EXPECT_EQ(std::string(Entry(2).mount), folder);
  EXPECT_STREQ(Entry(3).name, "PAST");
  EXPECT_STREQ(Entry(3).serial, "");
  EXPECT_STREQ(Entry(3).mount, "/dtv/usb/sdb1");
  EXPECT_STREQ(Entry(3).product, "");  // its only partition: not numbered
}

// Only a folder itself is a destination: a link to a folder and a file are
// passed over and do not count as partitions. A missing folder is listed (a
// stick not mounted), and recording start finds it unusable.
TEST_F(DeviceTableTest, AMountThatIsNoFolderItselfIsPassedOver) {
  ASSERT_EQ(mkdir("/dtv/usb/sda1", 0755), 0);
  Made("/dtv/usb/sda1");
  ASSERT_EQ(symlink(sim::SandboxPath("/dtv/usb/sda1").c_str(), "/dtv/usb/link"), 0);
  Made("/dtv/usb/link");
  FILE* file = std::fopen("/dtv/usb/file", "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  Made("/dtv/usb/file");
  struct stat status;
  ASSERT_EQ(stat("/dtv/usb/link", &status), 0);  // the link leads to a folder
  ASSERT_TRUE(S_ISDIR(status.st_mode));
  WriteLog("[USB1]\n"
           "Product : Stick\n"
           "MountDir : /dtv/usb/link\n"
           "MountDir : /dtv/usb/file\n"
           "MountDir : /dtv/usb/sda1\n"
           "MountDir : /dtv/usb/link/\n"
           "MountDir : /dtv/usb/link/.\n"
           "MountDir : /dtv/usb/missing\n"
           "[USB2]\n"
           "MountDir : /dtv/usb/file//\n");
  BuildDeviceTable();
  ASSERT_EQ(device_table.count.load(), 4);
  EXPECT_STREQ(Entry(2).mount, "/dtv/usb/sda1");
  EXPECT_STREQ(Entry(2).product, "Stick 1");
  EXPECT_STREQ(Entry(3).mount, "/dtv/usb/missing");
  EXPECT_STREQ(Entry(3).product, "Stick 2");
  EXPECT_EQ(DestinationUsable(2), 1);
  EXPECT_EQ(DestinationUsable(3), 0);
}

TEST_F(DeviceTableTest, DestinationsFollowTheirDevice) {
  ASSERT_TRUE(sim::PlugDevice(Device("USB1", "Red", {"/dtv/usb/sda1"})));
  ASSERT_TRUE(sim::PlugDevice(Device("USB2", "Blue", {"/dtv/usb/sdb1"})));
  BuildDeviceTable();
  settings.dest1.index = 3;  // Blue
  CopyDestination(1);
  settings.dest2.index = 1;
  CopyDestination(2);
  EXPECT_STREQ(settings.dest1.product, "Blue");
  EXPECT_STREQ(settings.dest2.name, "MOVIE001");

  // Red goes, Blue comes back under another folder: found by its product.
  ASSERT_TRUE(sim::UnplugDevice("USB1"));
  ASSERT_TRUE(sim::RemountPartition("USB2", 0, "/dtv/usb/sdc1"));
  BuildDeviceTable();
  RematchDestinations();
  EXPECT_EQ(settings.dest1.index, 2);
  EXPECT_STREQ(settings.dest1.mount, "/dtv/usb/sdc1");
  EXPECT_EQ(settings.dest2.index, 1);  // fixed entries never move

  // A device that is gone falls back to "Auto".
  ASSERT_TRUE(sim::UnplugDevice("USB2"));
  BuildDeviceTable();
  RematchDestinations();
  EXPECT_EQ(settings.dest1.index, 0);
  EXPECT_STREQ(settings.dest1.name, "Auto");
}

TEST_F(DeviceTableTest, FindDestinationPrefersTheLastProductMatch) {
  ASSERT_TRUE(sim::PlugDevice(Device("A", "Twin", {"/dtv/usb/sda1"})));
  ASSERT_TRUE(sim::PlugDevice(Device("B", "Other", {"/dtv/usb/sdb1"})));
  ASSERT_TRUE(sim::PlugDevice(Device("C", "Twin", {"/dtv/usb/sdc1"})));
  BuildDeviceTable();
  DeviceEntry stored{};
  stored.index = 9;
  std::snprintf(stored.product, sizeof stored.product, "Twin");
  EXPECT_EQ(FindDestination(&stored), 4);
  std::snprintf(stored.product, sizeof stored.product, "Gone");
  std::snprintf(stored.mount, sizeof stored.mount, "/dtv/usb/sdb1");
  EXPECT_EQ(FindDestination(&stored), 3);  // by mount folder
  DeviceEntry empty{};
  empty.index = 5;
  EXPECT_EQ(FindDestination(&empty), 0);  // empty texts never match

  // An index outside the table copies "Auto"; an unterminated field is safe.
  settings.dest1.index = 77;
  CopyDestination(1);
  EXPECT_STREQ(settings.dest1.name, "Auto");
  DeviceEntry damaged;
  std::memset(&damaged, 'x', sizeof damaged);
  damaged.index = -4;
  EXPECT_EQ(FindDestination(&damaged), 0);
}

}  // namespace
