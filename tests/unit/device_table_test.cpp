// The device table read from the set's device log, as the simulator writes
// it when sticks are plugged, and from hand-written logs for the odd cases.
#include <unistd.h>

#include <cstdio>
#include <string>

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
           long_line +                        // arrives in pieces; the product is cut
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
  EXPECT_EQ(std::string(Entry(2).product), std::string(17, 'p') + " 1");
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
