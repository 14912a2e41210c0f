// tvsim's listing of the device table and the name prefix.
#include <cstdio>
#include <string>

#include "guide_script.h"
#include "sandbox_fixture.h"
#include "sim/platform/plugin_view.h"
#include "sim/platform/sim_time.h"
#include "utc_time.h"

namespace {

std::string Printed(void (*print)(FILE*, const SettingsRecord*), const SettingsRecord* record) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  print(out, record);
  std::fclose(out);
  std::string result(text, size);
  std::free(text);
  return result;
}

using PluginView = SandboxTest;

TEST_F(PluginView, ListsWhatThePlugInSees) {
  ASSERT_TRUE(sim::PlugDevice({"USB1", "Acme", "Stick", "42",
                               {{"/dtv/usb/sda1", SIM_FS_NTFS, 1ull << 30, 4096}}}));
  std::string table = Printed([](FILE* out, const SettingsRecord*) { sim::PrintDeviceTable(out); },
                              nullptr);
  EXPECT_NE(table.find("device table: 3 entries"), std::string::npos) << table;
  EXPECT_NE(table.find("Stick"), std::string::npos);
  EXPECT_NE(table.find("type=0x5346544e ntfs=1"), std::string::npos) << table;

  SettingsRecord record;
  DefaultSettings(&record);
  record.name_mode = 1;
  record.time_zone = 1;
  record.clock_source = 0;
  Guide() = GuideScript{};
  Guide().title = u"Tatort";
  sim_clock_set(Utc(2024, 3, 31, 0, 59, 30), 1.0);
  ApplyGuide();
  std::string prefix = Printed([](FILE* out, const SettingsRecord* r) { sim::PrintNamePrefix(out, r); },
                               &record);
  sim_clock_reset();
  EXPECT_EQ(prefix, "name prefix: 2024-03-31_01-59_Tatort_ (with title)\n");
}

}  // namespace
