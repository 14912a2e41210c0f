// One sandbox folder per test binary, started on first use: the set's folders
// ("/dtv", "/mtd_ram", ...) of every test live below it, through the
// simulator's platform layer.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/platform/virtual_disks.h"

// The folder is removed when the test binary ends.
struct TestSandboxFolder {
  std::string root;
  TestSandboxFolder() {
    char folder[] = "/tmp/recolyx-sandbox-XXXXXX";
    std::string error;
    if (mkdtemp(folder) == nullptr || !sim::StartPlatform(folder, &error)) {
      std::fprintf(stderr, "cannot start the sandbox: %s\n", error.c_str());
      std::abort();
    }
    root = folder;
  }
  ~TestSandboxFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

inline const std::string& TestSandbox() {
  static const TestSandboxFolder sandbox;
  return sandbox.root;
}

// Writes a file of `size` bytes without storing them (a sparse file).
inline bool MakeSparseFile(const char* path, long long size) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  bool done = fseeko(file, size - 1, SEEK_SET) == 0 && std::fputc(0, file) == 0;
  return std::fclose(file) == 0 && done;
}

// A test that starts from a sandbox with no USB device plugged.
class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestSandbox();
    sim::ResetDisks();
  }
  void TearDown() override { sim::ResetDisks(); }
};
