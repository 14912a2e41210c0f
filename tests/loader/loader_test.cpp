// The simulator's loader with the library that ships: settings record, patched
// key functions, init_config.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/loader.h"

namespace {

namespace fs = std::filesystem;

// The writable memory of the loaded library at `path`: its initialised data
// and its zero-filled words, as the loader mapped them.
struct Writable {
  const unsigned char* start = nullptr;
  size_t size = 0;
  std::string path;
};

Writable WritableImage(const std::string& path) {
  Writable image;
  image.path = path;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* image = static_cast<Writable*>(data);
        if (info->dlpi_name == nullptr || image->path != info->dlpi_name) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& header = info->dlpi_phdr[i];
          if (header.p_type == PT_LOAD && (header.p_flags & PF_W) != 0) {
            image->start = reinterpret_cast<const unsigned char*>(info->dlpi_addr + header.p_vaddr);
            image->size = header.p_memsz;
          }
        }
        return 1;
      },
      &image);
  return image;
}

// The bytes of `image` as they are. Read one by one and unchecked: a build
// with the address sanitizer keeps poisoned room between the library's
// globals, which only the sanitizer's own reads may touch.
[[gnu::no_sanitize_address]] std::vector<unsigned char> Bytes(const Writable& image) {
  std::vector<unsigned char> bytes(image.size);
  const volatile unsigned char* at = image.start;
  for (size_t i = 0; i < image.size; ++i) bytes[i] = at[i];
  return bytes;
}

class Loader : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("recolyx-loader-" + std::to_string(getpid()));
    fs::remove_all(home_);
    fs::create_directories(home_);
  }
  void TearDown() override { fs::remove_all(home_); }
  void WriteSettingsFile(const unsigned char* bytes, size_t size) {
    std::ofstream out(home_ / "recolyx.cfg", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  }
  const SettingsRecord& Fields() const { return *reinterpret_cast<const SettingsRecord*>(record_); }

  fs::path home_;
  unsigned char record_[940];
  std::string error_;
};

TEST_F(Loader, DefaultsWithHomeFolderAndKeyObject) {
  ASSERT_TRUE(sim::BuildSettingsRecord(home_.string(), record_, &error_)) << error_;
  SettingsRecord defaults;
  DefaultSettings(&defaults);
  EXPECT_EQ(Fields().osd_opacity, defaults.osd_opacity);
  EXPECT_EQ(Fields().recorder_value, 1732608);
  EXPECT_EQ(std::string(Fields().home_dir), home_.string() + "/");
  EXPECT_NE(Fields().key_object, 0u);  // a 32-bit address: below 4 GiB
  EXPECT_EQ(Fields().key_object, sim::KeyObjectAddress());
  EXPECT_EQ(Fields().key_object_check, sim::KeyObjectCheck());
}

TEST_F(Loader, SettingsFileIsTakenOnlyWhenWhole) {
  SettingsRecord saved;
  DefaultSettings(&saved);
  saved.osd_opacity = 30;
  std::strcpy(saved.home_dir, "/somewhere/else/");
  auto* bytes = reinterpret_cast<const unsigned char*>(&saved);

  WriteSettingsFile(bytes, 940);
  ASSERT_TRUE(sim::BuildSettingsRecord(home_.string() + "/", record_, &error_));
  EXPECT_EQ(Fields().osd_opacity, 30);
  EXPECT_EQ(std::string(Fields().home_dir), home_.string() + "/");

  for (size_t size : {0, 939, 941}) {
    SCOPED_TRACE(size);
    unsigned char longer[941] = {};
    std::memcpy(longer, bytes, std::min<size_t>(size, 940));
    WriteSettingsFile(longer, size);
    ASSERT_TRUE(sim::BuildSettingsRecord(home_.string(), record_, &error_));
    EXPECT_EQ(Fields().osd_opacity, 100);
  }
}

TEST_F(Loader, HomeFolderThatDoesNotFitIsRefused) {
  EXPECT_FALSE(sim::BuildSettingsRecord("/" + std::string(260, 'h'), record_, &error_));
  EXPECT_NE(error_.find("too long"), std::string::npos);
}

// One process, one load: the library stays in place for the rest of the run.
TEST_F(Loader, LoadsPatchesAndInitialisesTheShippedLibrary) {
  SettingsRecord saved;
  DefaultSettings(&saved);
  saved.recorder_value = 188 * 50;
  WriteSettingsFile(reinterpret_cast<const unsigned char*>(&saved), 940);
  sim::ResetHost();
  sim::Host().rec_instance_result = 3;

  sim::LoadedPlugin plugin;
  ASSERT_TRUE(sim::LoadPlugin(RECOLYX_LIBRARY, home_.string(), &plugin, &error_)) << error_;
  EXPECT_EQ(plugin.init_result, 3);
  EXPECT_EQ(sim::RecorderChunkBytes(), 188 * 50);
  EXPECT_EQ(plugin.setup(), 45);

  // Keys now pass through the plug-in's detour and reach the host's body.
  sim::ClearProcessedKeys();
  sim::StartKeyInput();
  sim::QueueKey(7, 9, 20);
  sim::QueueKey(255, 0, 20);
  sim::WaitKeysIdle();
  sim::StopKeyInput();
  std::vector<sim::KeyCall> keys = sim::ProcessedKeys();
  ASSERT_EQ(keys.size(), 4u);
  EXPECT_TRUE(keys[0].press);
  EXPECT_EQ(keys[0].key, 7);
  EXPECT_EQ(keys[0].arg, 9);
  EXPECT_EQ(keys[0].loaded, sim::HostKeyObjectWord());
  EXPECT_FALSE(keys[1].press);
  EXPECT_EQ(keys[1].key, 7);
  EXPECT_EQ(keys[1].loaded, sim::HostKeyObjectWord());
  EXPECT_EQ(keys[2].key, 255);
}

// The first start after a load leaves the run-time words as the loader
// mapped them; a later start resets every one of them. Two starts in a row
// on a fresh image, compared byte for byte over the library's writable
// memory: the second, with every reset, changes nothing the first left.
TEST_F(Loader, TheFirstStartLeavesWhatAStartWithEveryResetLeaves) {
  // A copy is a file of its own: a fresh image even where this process
  // already holds the shipped library.
  const fs::path copy = home_ / "fresh.so";
  fs::copy_file(RECOLYX_LIBRARY, copy);
  ASSERT_TRUE(sim::BuildSettingsRecord(home_.string(), record_, &error_)) << error_;
  sim::ResetHost();
  void* handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto init_config = reinterpret_cast<int (*)(const void*)>(dlsym(handle, "init_config"));
  ASSERT_NE(init_config, nullptr);
  const Writable image = WritableImage(copy.string());
  ASSERT_GT(image.size, 0u);

  init_config(record_);
  const std::vector<unsigned char> first = Bytes(image);
  init_config(record_);
  const std::vector<unsigned char> second = Bytes(image);
  std::string differences;
  for (size_t i = 0; i < image.size; ++i)
    if (second[i] != first[i]) differences += " " + std::to_string(i);
  EXPECT_EQ(differences, "") << "offsets into the writable segment that a reset changed";
  dlclose(handle);
}

TEST_F(Loader, MissingLibraryIsReported) {
  sim::LoadedPlugin plugin;
  EXPECT_FALSE(sim::LoadPlugin((home_ / "absent.so").string(), home_.string(), &plugin, &error_));
  EXPECT_FALSE(error_.empty());
}

}  // namespace
