// The simulator's platform layer: the set's folders in the sandbox, virtual
// disks whose figures follow their content, the device log, and shell
// commands that see the same folders.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sandbox_fixture.h"
#include "sim/platform/sandbox.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

sim::UsbDevice Stick(const char* section, uint32_t type, uint64_t capacity) {
  return {section, "Acme", "Stick", "42", {{std::string("/dtv/usb/") + section, type, capacity, 4096}}};
}

using PlatformSandbox = SandboxTest;

TEST_F(PlatformSandbox, OnlyTheSetFoldersAreMapped) {
  EXPECT_TRUE(sim_is_set_path("/dtv"));
  EXPECT_TRUE(sim_is_set_path("/dtv/usb/log"));
  EXPECT_TRUE(sim_is_set_path("/mtd_ram/x"));
  EXPECT_FALSE(sim_is_set_path("/dtvx"));
  EXPECT_FALSE(sim_is_set_path("/tmp/dtv"));
  EXPECT_FALSE(sim_is_set_path("dtv/usb"));
  EXPECT_EQ(sim::SandboxPath("/mtd_ram/a"), TestSandbox() + "/mtd_ram/a");
  EXPECT_EQ(sim::SandboxPath("/etc/passwd"), "/etc/passwd");

  // A path that no longer fits once mapped fails instead of being cut.
  std::string deep = "/dtv/" + std::string(PATH_MAX - 6, 'x');
  errno = 0;
  EXPECT_EQ(access(deep.c_str(), F_OK), -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

TEST_F(PlatformSandbox, FileCallsLandInTheSandbox) {
  FILE* file = std::fopen("/mtd_ram/note.txt", "w");
  ASSERT_NE(file, nullptr);
  std::fputs("hello", file);
  std::fclose(file);
  EXPECT_EQ(ReadAll(TestSandbox() + "/mtd_ram/note.txt"), "hello");
  struct stat status;
  ASSERT_EQ(stat("/mtd_ram/note.txt", &status), 0);
  EXPECT_EQ(status.st_size, 5);
  ASSERT_EQ(mkdir("/mtd_ram/folder", 0777), 0);
  ASSERT_EQ(rename("/mtd_ram/note.txt", "/mtd_ram/folder/moved.txt"), 0);
  EXPECT_EQ(access("/mtd_ram/folder/moved.txt", F_OK), 0);
  DIR* folder = opendir("/mtd_ram/folder");
  ASSERT_NE(folder, nullptr);
  closedir(folder);
  EXPECT_EQ(remove("/mtd_ram/folder/moved.txt"), 0);
  EXPECT_EQ(rmdir("/mtd_ram/folder"), 0);
  EXPECT_EQ(access(TestSandbox().c_str(), F_OK), 0);  // unmapped paths pass through
}

TEST_F(PlatformSandbox, DiskReportsItsTypeAndFillsUp) {
  ASSERT_TRUE(sim::PlugDevice(Stick("sda1", SIM_FS_NTFS, 64ull << 20)));
  struct statfs figures;
  ASSERT_EQ(statfs("/dtv/usb/sda1", &figures), 0);
  EXPECT_EQ(static_cast<uint32_t>(figures.f_type), SIM_FS_NTFS);
  EXPECT_EQ(figures.f_bsize, 4096);
  EXPECT_EQ(figures.f_blocks, 16384u);
  uint64_t empty_free = figures.f_bavail;
  EXPECT_EQ(empty_free, 16384u - 1);  // the folder itself takes a block

  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/R001.ts", 10 << 20));
  struct statvfs vfs;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free - 2560);
  EXPECT_EQ(vfs.f_frsize, 4096u);

  // A file larger than the disk leaves no room, never a negative figure.
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/big.ts", 100 << 20));
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, 0u);

  // The internal memory has its own type.
  ASSERT_EQ(statfs("/mtd_wiselink/MOVIE001", &figures), 0);
  EXPECT_EQ(static_cast<uint32_t>(figures.f_type), SIM_FS_INTERNAL);
}

// Files past 2 GiB count in full, also where off_t and inode numbers are
// 32 bits wide (the set): the disk's folder is measured with 64-bit calls.
TEST_F(PlatformSandbox, FilesPastTwoGibCountInTheFreeSpace) {
  ASSERT_TRUE(sim::PlugDevice(Stick("sda1", SIM_FS_EXT, 16ull << 30)));
  struct statvfs vfs;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  uint64_t empty_free = vfs.f_bavail;
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/R001.ts", 5ll << 30));
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free - (5ull << 30) / 4096);
}

TEST_F(PlatformSandbox, UnplugHidesTheFolderAndPlugBringsItBack) {
  ASSERT_TRUE(sim::PlugDevice(Stick("sdb1", SIM_FS_FAT, 1ull << 30)));
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sdb1/kept.ts", 1000));
  ASSERT_TRUE(sim::UnplugDevice("sdb1"));
  struct statfs figures;
  EXPECT_NE(statfs("/dtv/usb/sdb1", &figures), 0);
  EXPECT_NE(access("/dtv/usb/sdb1/kept.ts", F_OK), 0);
  EXPECT_EQ(ReadAll(TestSandbox() + "/dtv/usb/log"), "");

  ASSERT_TRUE(sim::PlugDevice(Stick("sdb1", SIM_FS_FAT, 1ull << 30)));
  EXPECT_EQ(access("/dtv/usb/sdb1/kept.ts", F_OK), 0);
  ASSERT_TRUE(sim::RemountPartition("sdb1", 0, "/dtv/usb/sdc1"));
  EXPECT_NE(access("/dtv/usb/sdb1", F_OK), 0);
  EXPECT_EQ(access("/dtv/usb/sdc1/kept.ts", F_OK), 0);
  EXPECT_NE(ReadAll(TestSandbox() + "/dtv/usb/log").find("MountDir : /dtv/usb/sdc1\n"),
            std::string::npos);
}

TEST_F(PlatformSandbox, DeviceLogListsEveryPartition) {
  sim::UsbDevice disk{"USB1", "Acme  ", "Drive", "XYZ", {}};
  disk.partitions = {{"/dtv/usb/sdd1", SIM_FS_FAT, 1ull << 30, 4096},
                     {"/dtv/usb/sdd2", SIM_FS_EXT, 1ull << 30, 4096}};
  ASSERT_TRUE(sim::PlugDevice(disk));
  EXPECT_EQ(ReadAll(TestSandbox() + "/dtv/usb/log"),
            "[USB1]\nVendor : Acme  \nProduct : Drive\nSerial : XYZ\nPartitions : 2\n"
            "MountDir : /dtv/usb/sdd1\nFileSystem : vfat\n"
            "MountDir : /dtv/usb/sdd2\nFileSystem : ext3\n\n");
  EXPECT_FALSE(sim::PlugDevice(disk));  // the same section twice
}

// The measure of a disk's folder is remembered between calls, never past a
// change: here every change is below a subfolder, so the disk's own folder
// keeps its times, and one comes from a shell command (another process).
TEST_F(PlatformSandbox, FreeSpaceFollowsChangesBelowTheFolderAndFromShellCommands) {
  ASSERT_TRUE(sim::PlugDevice(Stick("sda1", SIM_FS_FAT, 64ull << 20)));
  ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR", 0755), 0);
  FILE* file = std::fopen("/dtv/usb/sda1/DVR/R001.ts", "w");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fclose(file), 0);
  struct statvfs vfs;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  const uint64_t empty_free = vfs.f_bavail;
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free);

  EXPECT_EQ(std::system("head -c 1048576 /dev/zero >> /dtv/usb/sda1/DVR/R001.ts"), 0);
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free - 256);

  int fd = open("/dtv/usb/sda1/DVR/R001.ts", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, "x", 1, (2 << 20) - 1), 1);
  struct statfs figures;
  ASSERT_EQ(fstatfs(fd, &figures), 0);
  EXPECT_EQ(figures.f_bavail, empty_free - 512);
  ASSERT_EQ(ftruncate(fd, 4096), 0);
  ASSERT_EQ(statvfs("/dtv/usb/sda1/DVR", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free - 1);
  close(fd);

  ASSERT_EQ(truncate("/dtv/usb/sda1/DVR/R001.ts", 0), 0);
  ASSERT_EQ(statvfs("/dtv/usb/sda1", &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, empty_free);
}

TEST_F(PlatformSandbox, ShellCommandsAndTheirScriptsSeeTheSetFolders) {
  ASSERT_TRUE(sim::PlugDevice(Stick("sde1", SIM_FS_FAT, 1ull << 30)));
  FILE* script = std::fopen("/mtd_ram/_test.sh", "w");
  ASSERT_NE(script, nullptr);
  std::fputs("#!/bin/sh\necho scripted > /dtv/usb/sde1/from_script.txt\n", script);
  std::fclose(script);
  int status = std::system(
      "chmod 755 /mtd_ram/_test.sh && /mtd_ram/_test.sh && "
      "cat /dtv/usb/sde1/from_script.txt > /mtd_ram/copied.txt && "
      "test -d /dtv/usb/sde1 && ls /dtv/usb > /mtd_ram/listing.txt");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadAll(TestSandbox() + "/dtv/usb/sde1/from_script.txt"), "scripted\n");
  EXPECT_EQ(ReadAll(TestSandbox() + "/mtd_ram/copied.txt"), "scripted\n");
  EXPECT_NE(ReadAll(TestSandbox() + "/mtd_ram/listing.txt").find("sde1"), std::string::npos);
  EXPECT_EQ(WEXITSTATUS(std::system("exit 3")), 3);
}

TEST_F(PlatformSandbox, PathsAreTakenInTheirNormalForm) {
  char out[64];
  struct Case {
    const char* path;
    const char* normal;
  } cases[] = {{"/dtv/usb/./sda1//x/", "/dtv/usb/sda1/x"}, {"/dtv/usb/..", "/dtv"},
               {"/a/../..", nullptr}, {"//", "/"}, {"/dtv/a/b/../../c", "/dtv/c"}};
  for (const Case& c : cases) {
    errno = 0;
    int length = sim_normal_path(c.path, out, sizeof out);
    if (c.normal == nullptr) {
      EXPECT_EQ(length, -1) << c.path;
      EXPECT_EQ(errno, EACCES);
    } else {
      EXPECT_STREQ(out, c.normal) << c.path;
      EXPECT_EQ(length, static_cast<int>(strlen(c.normal)));
    }
  }
  EXPECT_EQ(sim_normal_path("dtv/x", out, sizeof out), -1);
  // Over-long input fails without writing past the buffer.
  char guarded[16 + 8];
  memset(guarded, 0x5A, sizeof guarded);
  errno = 0;
  EXPECT_EQ(sim_normal_path("/dtv/usb/sda1/folder", guarded, 16), -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
  for (size_t i = 16; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 0x5A);
  EXPECT_EQ(sim_normal_path("/", guarded, 1), -1);

  // Mapped in the normal form; a path that reaches a set folder by ".." too.
  EXPECT_EQ(sim::SandboxPath("/mtd_ram/./a//b"), TestSandbox() + "/mtd_ram/a/b");
  EXPECT_EQ(sim::SandboxPath("/tmp/../mtd_ram/a"), TestSandbox() + "/mtd_ram/a");
  ASSERT_TRUE(MakeSparseFile("/tmp/../mtd_ram/via_tmp.txt", 10));
  EXPECT_EQ(access((TestSandbox() + "/mtd_ram/via_tmp.txt").c_str(), F_OK), 0);
}

TEST_F(PlatformSandbox, ClimbingOutOfTheSetFoldersIsRefusedEverywhere) {
  std::string outside = TestSandbox() + "/../recolyx-outside-" + std::to_string(getpid());
  std::string escape = "/dtv/usb/../../../recolyx-outside-" + std::to_string(getpid());
  std::string file = escape + "/x.ts";
  ASSERT_EQ(mkdir(outside.c_str(), 0777), 0);  // the target exists: only the refusal stops it
  ASSERT_TRUE(MakeSparseFile((outside + "/victim.txt").c_str(), 10));

  errno = 0;
  EXPECT_EQ(std::fopen(file.c_str(), "w"), nullptr);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(open(file.c_str(), O_WRONLY | O_CREAT, 0644), -1);
  EXPECT_EQ(mkdir((escape + "/d").c_str(), 0777), -1);
  EXPECT_EQ(std::remove((escape + "/victim.txt").c_str()), -1);
  EXPECT_EQ(std::rename((escape + "/victim.txt").c_str(), "/mtd_ram/stolen.txt"), -1);
  EXPECT_EQ(std::rename("/mtd_ram", (escape + "/ram").c_str()), -1);
  struct statfs figures;
  EXPECT_EQ(statfs(escape.c_str(), &figures), -1);
  EXPECT_EQ(sim::SandboxPath(escape), "");
  EXPECT_EQ(sim::SandboxPath("/dtv/.."), "");

  // A disk cannot be mounted there, nor can a shell command reach it.
  sim::UsbDevice escaping{"USB9", "Acme", "Stick", "9", {{escape, SIM_FS_FAT, 8ull << 30, 4096}}};
  EXPECT_FALSE(sim::PlugDevice(escaping));
  EXPECT_FALSE(sim::SetFixedDisk({"/mtd_ram/../..", SIM_FS_TMPFS, 1 << 20, 4096}));
  EXPECT_FALSE(sim::SetFixedDisk({"/tmp/not_the_set", SIM_FS_TMPFS, 1 << 20, 4096}));
  EXPECT_NE(std::system(("rm " + escape + "/victim.txt 2>/dev/null").c_str()), 0);

  std::error_code ignored;
  EXPECT_TRUE(std::filesystem::exists(outside + "/victim.txt"));
  EXPECT_FALSE(std::filesystem::exists(outside + "/x.ts"));
  EXPECT_FALSE(std::filesystem::exists(outside + "/d"));
  EXPECT_FALSE(std::filesystem::exists(outside + "/ram"));
  std::filesystem::remove_all(outside, ignored);
}

}  // namespace
