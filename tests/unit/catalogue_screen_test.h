// Shared by the tests of screens that draw catalogue texts: the display
// fixture plus the sandbox (the device log), the build's catalogue files in
// the scratch home folder, loaded for the TV's language 18, and a device
// table of the two fixed entries.
#pragma once

#include <unistd.h>

#include <string>

#include "display_test_support.h"
#include "sandbox_fixture.h"
#include "settings/device_table.h"
#include "settings/message_catalogue.h"
#include "sim/host/host_state.h"

namespace display_test {

class CatalogueScreenTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    TestSandbox();
    sim::ResetDisks();
    unlink(kDeviceLogPath);
    Shell("ln -s " + BuildHome() + "/messages_*.txt " + home_ + "/");
    const std::string home = settings.home_dir;
    DefaultSettings(&settings);
    std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", home.c_str());
    sim::Host().menu_language = 18;
    settings.language = 18;
    LoadMessages();
    BuildDeviceTable();
  }
  void TearDown() override {
    sim::Host().menu_language = 18;
    DisplayTest::TearDown();
    sim::ResetDisks();
  }
};

}  // namespace display_test
