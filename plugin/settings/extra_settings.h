// The settings of the second settings file (settings/extra_settings_file.h),
// in force beside the record: read from the home folder by init_config,
// edited by the settings screen (its items after the record's 27), saved
// with the record when the screen closes with the confirm key. The key
// thread writes them; the tick reads them.
#pragma once

#include "settings/extra_settings_file.h"
#include "settings/settings_record.h"

struct ExtraSettings {
  // The recording goes on on the other destination when its disk fills or
  // disappears (flag, default 1).
  SettingWord failover;
};
extern ExtraSettings extra_settings;

// Every setting at its default.
void DefaultExtraSettings();

// Every setting at its default, then the values of home_dir +
// "recolyx_extra.cfg" when that file reads (DecodeExtraSettings): a missing,
// unreadable or foreign file leaves the defaults. Returns 1 when the file
// was taken.
int LoadExtraSettings();

// Writes the settings to home_dir + "recolyx_extra.cfg" the way the record is
// saved (SaveHomeFile, through "recolyx_extra.tmp"). 1 when the new file is
// in place, 0 when the old one was kept.
int SaveExtraSettings();
