// The simulator's platform layer: the set's folders in the sandbox, virtual
// disks whose figures follow their content, the device log, and shell
// commands that see the same folders.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// The PC's own view of a path, past the platform layer's wrappers (raw
// system calls, the same on every architecture): whether anything, a
// dangling link included, is there, and the text a link holds.
bool ExistsOnThePc(const std::string& path) {
  char text[8];
  return syscall(SYS_readlinkat, AT_FDCWD, path.c_str(), text, sizeof text) >= 0 || errno != ENOENT;
}

std::string LinkTextOnThePc(const std::string& path) {
  char text[PATH_MAX];
  long length = syscall(SYS_readlinkat, AT_FDCWD, path.c_str(), text, sizeof text);
  return length < 0 ? "(no link)" : std::string(text, static_cast<size_t>(length));
}

std::string ReadLink(const char* path) {
  char text[PATH_MAX];
  ssize_t length = readlink(path, text, sizeof text);
  return length < 0 ? "(no link)" : std::string(text, static_cast<size_t>(length));
}

// The modification time of a set path's file, in whole seconds.
time_t ModifiedAt(const char* path) {
  struct stat status;
  return lstat(path, &status) == 0 ? status.st_mtime : -1;
}

// An empty set folder of the test's own, whatever an earlier run left there.
bool FreshSetFolder(const std::string& set_path) {
  std::error_code ignored;
  std::filesystem::remove_all(TestSandbox() + set_path, ignored);
  return mkdir(set_path.c_str(), 0755) == 0;
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

// The set folder may follow empty and "." components; a name that only
// starts like a set folder is the PC's.
TEST_F(PlatformSandbox, SetFoldersAreFoundPastEmptyAndDotComponents) {
  EXPECT_EQ(sim::SandboxPath("//dtv/x"), TestSandbox() + "/dtv/x");
  EXPECT_EQ(sim::SandboxPath("/./mtd_ram/a/"), TestSandbox() + "/mtd_ram/a/");
  EXPECT_EQ(sim::SandboxPath("/.//./mtd_appdata"), TestSandbox() + "/mtd_appdata");
  for (const char* path : {"/dtvx/a", "/./dtvx", "/.dtv/a", "/mtd_ra/a", "/tmp/dtv", "/", "//"})
    EXPECT_EQ(sim::SandboxPath(path), path);
}

// The mapped path fills its buffer exactly, or is refused whole.
TEST_F(PlatformSandbox, AMappedPathFillsItsBufferOrIsRefused) {
  const std::string mapped = TestSandbox() + "/mtd_ram/a/";
  std::vector<char> buffer(mapped.size() + 8, '#');
  EXPECT_EQ(sim_map_path("/mtd_ram//a/", buffer.data(), mapped.size() + 1), buffer.data());
  EXPECT_EQ(std::string(buffer.data()), mapped);
  EXPECT_EQ(buffer[mapped.size() + 1], '#');

  std::fill(buffer.begin(), buffer.end(), '#');
  errno = 0;
  EXPECT_EQ(sim_map_path("/mtd_ram//a/", buffer.data(), mapped.size()), nullptr);
  EXPECT_EQ(errno, ENAMETOOLONG);
  for (char c : buffer) ASSERT_EQ(c, '#');
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

// What a shell script makes with ln, ln -s, mkfifo and touch lands in the
// sandbox; a link to a set folder points into the sandbox, so that following
// it stays there, and reads back as the set's path.
TEST_F(PlatformSandbox, LinksAndNodesMadeByShellCommandsStayInTheSandbox) {
  const std::string root = TestSandbox();
  ASSERT_TRUE(FreshSetFolder("/mtd_ram/shell"));
  int status = std::system(
      "cd /mtd_ram/shell && echo data > file.txt && "
      "ln -s /mtd_appdata /mtd_ram/shell/appdata && ln -s ../../mtd_appdata/Font font && "
      "ln -s file.txt near && ln /mtd_ram/shell/file.txt /mtd_ram/shell/hard && "
      "mkfifo /mtd_ram/shell/pipe && mknod /mtd_ram/shell/node p && "
      "touch -d '2001-02-03 04:05:06 UTC' /mtd_ram/shell/file.txt && "
      "touch -h -d '2002-02-03 04:05:06 UTC' /mtd_ram/shell/appdata && "
      "touch /mtd_ram/shell/appdata/Font/made_through_link && "
      "readlink /mtd_ram/shell/appdata /mtd_ram/shell/font > links.txt && "
      "readlink -f /mtd_ram/shell/font >> links.txt && "
      "realpath /mtd_ram/shell/appdata/Font >> links.txt && "
      "cd appdata && pwd -P >> /mtd_ram/shell/links.txt");
  ASSERT_EQ(status, 0);
  const std::string shell = root + "/mtd_ram/shell";
  EXPECT_EQ(LinkTextOnThePc(shell + "/appdata"), root + "/mtd_appdata");
  EXPECT_EQ(LinkTextOnThePc(shell + "/font"), root + "/mtd_appdata/Font");
  EXPECT_EQ(LinkTextOnThePc(shell + "/near"), "file.txt");  // stays as written
  EXPECT_TRUE(ExistsOnThePc(root + "/mtd_appdata/Font/made_through_link"));
  EXPECT_EQ(ReadAll(shell + "/links.txt"),
            "/mtd_appdata\n/mtd_appdata/Font\n/mtd_appdata/Font\n/mtd_appdata/Font\n"
            "/mtd_appdata\n");
  struct stat file, hard, pipe, node;
  ASSERT_EQ(stat((shell + "/file.txt").c_str(), &file), 0);
  ASSERT_EQ(stat((shell + "/hard").c_str(), &hard), 0);
  EXPECT_EQ(file.st_ino, hard.st_ino);
  EXPECT_EQ(file.st_mtime, 981173106);
  EXPECT_EQ(ModifiedAt((shell + "/appdata").c_str()), 1012709106);
  ASSERT_EQ(stat((shell + "/pipe").c_str(), &pipe), 0);
  ASSERT_EQ(stat((shell + "/node").c_str(), &node), 0);
  EXPECT_TRUE(S_ISFIFO(pipe.st_mode));
  EXPECT_TRUE(S_ISFIFO(node.st_mode));
  for (const char* name : {"", "/appdata", "/font", "/hard", "/pipe", "/node", "/file.txt"})
    EXPECT_FALSE(ExistsOnThePc(std::string("/mtd_ram/shell") + name)) << name;
  EXPECT_FALSE(ExistsOnThePc("/mtd_appdata/Font/made_through_link"));
}

// Every call that takes a path, called directly: each lands in the sandbox.
TEST_F(PlatformSandbox, EveryPathTakingCallLandsInTheSandbox) {
  const std::string root = TestSandbox();
  ASSERT_TRUE(FreshSetFolder("/mtd_ram/calls"));
  ASSERT_TRUE(MakeSparseFile("/mtd_ram/calls/file", 10));
  int folder = open("/mtd_ram/calls", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);

  // Links, and what they read back.
  EXPECT_EQ(symlink("/mtd_appdata/Font", "/mtd_ram/calls/link"), 0);
  EXPECT_EQ(symlinkat("/dtv/usb", AT_FDCWD, "/mtd_ram/calls/linkat"), 0);
  EXPECT_EQ(symlinkat("/mtd_ram/calls/file", folder, "relative"), 0);
  EXPECT_EQ(link("/mtd_ram/calls/file", "/mtd_ram/calls/hard"), 0);
  EXPECT_EQ(linkat(AT_FDCWD, "/mtd_ram/calls/file", folder, "hardat", 0), 0);
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/calls/link"), root + "/mtd_appdata/Font");
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/calls/linkat"), root + "/dtv/usb");
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/calls/relative"), root + "/mtd_ram/calls/file");
  EXPECT_EQ(ReadLink("/mtd_ram/calls/link"), "/mtd_appdata/Font");
  EXPECT_EQ(ReadLink((root + "/mtd_ram/calls/linkat").c_str()), "/dtv/usb");
  char text[PATH_MAX];
  ssize_t length = readlinkat(folder, "relative", text, sizeof text);
  EXPECT_EQ(std::string(text, static_cast<size_t>(std::max<ssize_t>(length, 0))),
            "/mtd_ram/calls/file");
  length = readlink("/mtd_ram/calls/link", text, 5);  // cut as readlink cuts
  EXPECT_EQ(std::string(text, static_cast<size_t>(std::max<ssize_t>(length, 0))), "/mtd_");
  char* resolved = realpath("/mtd_ram/calls/link", nullptr);
  EXPECT_STREQ(resolved, "/mtd_appdata/Font");
  std::free(resolved);
  resolved = canonicalize_file_name("/mtd_ram/calls/./linkat");
  EXPECT_STREQ(resolved, "/dtv/usb");
  std::free(resolved);
  EXPECT_EQ(realpath("/mtd_ram/calls/link/missing", text), nullptr);
  EXPECT_EQ(realpath("/mtd_ram/calls/link", text), text);
  EXPECT_STREQ(text, "/mtd_appdata/Font");

  // Nodes.
  EXPECT_EQ(mkfifo("/mtd_ram/calls/fifo", 0644), 0);
  EXPECT_EQ(mkfifoat(AT_FDCWD, "/mtd_ram/calls/fifoat", 0644), 0);
  EXPECT_EQ(mknod("/mtd_ram/calls/node", S_IFREG | 0644, 0), 0);
  EXPECT_EQ(mknodat(AT_FDCWD, "/mtd_ram/calls/nodeat", S_IFIFO | 0644, 0), 0);
  // Built against an older C library, a program calls these instead.
  using OldMknod = int (*)(int, const char*, mode_t, dev_t*);
  using OldMknodAt = int (*)(int, int, const char*, mode_t, dev_t*);
  auto old_mknod = reinterpret_cast<OldMknod>(dlsym(RTLD_DEFAULT, "__xmknod"));
  auto old_mknodat = reinterpret_cast<OldMknodAt>(dlsym(RTLD_DEFAULT, "__xmknodat"));
  dev_t device = 0;
  ASSERT_NE(old_mknod, nullptr);
  ASSERT_NE(old_mknodat, nullptr);
  EXPECT_EQ(old_mknod(0, "/mtd_ram/calls/xnode", S_IFIFO | 0644, &device), 0);
  EXPECT_EQ(old_mknodat(0, AT_FDCWD, "/mtd_ram/calls/xnodeat", S_IFIFO | 0644, &device), 0);
  for (const char* name : {"fifo", "fifoat", "nodeat", "xnode", "xnodeat"}) {
    struct stat status;
    EXPECT_EQ(lstat((root + "/mtd_ram/calls/" + name).c_str(), &status), 0) << name;
    EXPECT_TRUE(S_ISFIFO(status.st_mode)) << name;
  }

  // Times.
  const struct timespec at[2] = {{100, 0}, {200, 0}};
  const struct timeval at_micro[2] = {{300, 0}, {400, 0}};
  const struct utimbuf at_old = {500, 600};
  EXPECT_EQ(utime("/mtd_ram/calls/file", &at_old), 0);
  EXPECT_EQ(ModifiedAt((root + "/mtd_ram/calls/hard").c_str()), 600);
  EXPECT_EQ(utimes("/mtd_ram/calls/node", at_micro), 0);
  EXPECT_EQ(futimesat(folder, "fifo", at_micro), 0);
  EXPECT_EQ(lutimes("/mtd_ram/calls/link", at_micro), 0);
  EXPECT_EQ(utimensat(AT_FDCWD, "/mtd_ram/calls/linkat", at, AT_SYMLINK_NOFOLLOW), 0);
  for (const char* name : {"node", "fifo", "link"})
    EXPECT_EQ(ModifiedAt((root + "/mtd_ram/calls/" + name).c_str()), 400) << name;
  EXPECT_EQ(ModifiedAt((root + "/mtd_ram/calls/linkat").c_str()), 200);

  // Owners, modes, attributes and limits.
  EXPECT_EQ(lchown("/mtd_ram/calls/link", getuid(), getgid()), 0);
  EXPECT_EQ(lchmod("/mtd_ram/calls/file", 0600), 0);
  EXPECT_GT(pathconf("/mtd_ram/calls", _PC_NAME_MAX), 0);
  errno = 0;
  int set = setxattr("/mtd_ram/calls/file", "user.recolyx", "1", 1, 0);
  if (set != 0) {
    EXPECT_EQ(errno, ENOTSUP);  // the PC's file system has no attributes; but the file was found
  } else {
    EXPECT_EQ(lgetxattr("/mtd_ram/calls/hard", "user.recolyx", text, sizeof text), 1);
    EXPECT_GT(llistxattr("/mtd_ram/calls/file", text, sizeof text), 0);
    EXPECT_EQ(lremovexattr("/mtd_ram/calls/file", "user.recolyx"), 0);
  }

  // Temporary names keep the set's path.
  char temporary[] = "/mtd_ram/calls/tmpXXXXXX";
  int fd = mkstemp(temporary);
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
  EXPECT_EQ(std::string(temporary).rfind("/mtd_ram/calls/tmp", 0), 0u);
  EXPECT_EQ(std::string(temporary).find("XXXXXX"), std::string::npos);
  EXPECT_TRUE(ExistsOnThePc(root + temporary));
  char suffixed[] = "/mtd_ram/calls/tmpXXXXXX.ts";
  fd = mkostemps(suffixed, 3, O_CLOEXEC);
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
  EXPECT_TRUE(ExistsOnThePc(root + suffixed)) << suffixed;
  char temporary_folder[] = "/mtd_ram/calls/dirXXXXXX";
  EXPECT_EQ(mkdtemp(temporary_folder), temporary_folder);
  EXPECT_TRUE(std::filesystem::is_directory(root + temporary_folder)) << temporary_folder;

  // Listing, watching, the working folder, starting a program.
  struct dirent** entries = nullptr;
  int count = scandir("/mtd_ram/calls", &entries, nullptr, alphasort);
  EXPECT_GT(count, 10);
  for (int i = 0; i < count; ++i) std::free(entries[i]);
  std::free(entries);
  int watch = inotify_init1(IN_CLOEXEC);
  EXPECT_GE(inotify_add_watch(watch, "/mtd_ram/calls", IN_CREATE), 0);
  close(watch);
  int here = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(here, 0);
  ASSERT_EQ(chdir("/mtd_ram/calls/link"), 0);
  char* working = getcwd(nullptr, 0);
  EXPECT_STREQ(working, "/mtd_appdata/Font");
  std::free(working);
  EXPECT_EQ(fchdir(here), 0);
  close(here);
  FILE* script = std::fopen("/mtd_ram/calls/run.sh", "w");
  ASSERT_NE(script, nullptr);
  std::fputs("#!/bin/sh\necho spawned\nexit 7\n", script);
  std::fclose(script);
  ASSERT_EQ(chmod("/mtd_ram/calls/run.sh", 0755), 0);
  pid_t child = 0;
  char* arguments[] = {const_cast<char*>("run.sh"), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  EXPECT_EQ(posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/mtd_ram/calls/out.txt",
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644),
            0);
  ASSERT_EQ(posix_spawn(&child, "/mtd_ram/calls/run.sh", &actions, nullptr, arguments, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 7);
  EXPECT_EQ(ReadAll(root + "/mtd_ram/calls/out.txt"), "spawned\n");
  close(folder);

  EXPECT_FALSE(ExistsOnThePc("/mtd_ram/calls"));
  EXPECT_FALSE(ExistsOnThePc("/mtd_ram"));
}

// A link's target can no more leave the set's folders than a path can: an
// absolute target that climbs out, or a relative one that climbs past them,
// is refused; one that climbs within them points into the sandbox.
TEST_F(PlatformSandbox, LinkTargetsStayWithinTheSetFolders) {
  const std::string root = TestSandbox();
  ASSERT_TRUE(FreshSetFolder("/mtd_ram/targets"));
  errno = 0;
  EXPECT_EQ(symlink("/mtd_ram/../../etc", "/mtd_ram/targets/a"), -1);
  EXPECT_EQ(errno, EACCES);
  errno = 0;
  EXPECT_EQ(symlink("../../../../etc", "/mtd_ram/targets/b"), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(symlinkat("../../../etc", AT_FDCWD, "/mtd_ram/targets/c"), -1);
  EXPECT_EQ(std::system("ln -s ../../tmp /mtd_ram/targets/d 2>/dev/null"), 256);
  for (const char* name : {"a", "b", "c", "d"})
    EXPECT_FALSE(ExistsOnThePc(root + "/mtd_ram/targets/" + name)) << name;

  // Climbing within the set's folders: into the sandbox, read back as the set's path.
  EXPECT_EQ(symlink("../../dtv/usb", "/mtd_ram/targets/usb"), 0);
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/targets/usb"), root + "/dtv/usb");
  EXPECT_EQ(ReadLink("/mtd_ram/targets/usb"), "/dtv/usb");
  // A folder relative to a descriptor, and to the working folder.
  int folder = open("/mtd_ram/targets", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  EXPECT_EQ(symlinkat("../../mtd_wiselink", folder, "wiselink"), 0);
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/targets/wiselink"), root + "/mtd_wiselink");
  int here = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(here, 0);
  EXPECT_EQ(fchdir(folder), 0);
  EXPECT_EQ(symlink("../x/../../mtd_appdata", "appdata"), 0);
  EXPECT_EQ(symlink("../../../../../..", "top"), -1);
  EXPECT_EQ(fchdir(here), 0);
  close(here);
  close(folder);
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/targets/appdata"), root + "/mtd_appdata");

  // A path outside the set's folders is left as it is.
  EXPECT_EQ(symlink("/etc/hostname", "/mtd_ram/targets/pc"), 0);
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/targets/pc"), "/etc/hostname");
  EXPECT_EQ(ReadLink("/mtd_ram/targets/pc"), "/etc/hostname");
}

// A relative path that goes up from a folder of the sandbox (the working
// folder, or an *at call's folder) is the set path it names from there: it
// stays within the set's folders, or is refused like the absolute path.
TEST_F(PlatformSandbox, RelativePathsGoingUpStayWithinTheSetFolders) {
  const std::string root = TestSandbox();
  std::error_code ignored;
  std::filesystem::remove_all(root + "/mtd_ram/beside", ignored);
  const std::string escaped = "recolyx-escaped-" + std::to_string(getpid());
  ASSERT_TRUE(FreshSetFolder("/mtd_ram/up"));
  int status = std::system(("cd /mtd_ram/up && mkdir ../beside && touch ../beside/x && "
                            "ln -s ../beside/x ../beside/y && ! touch ../../" + escaped +
                            " 2>/dev/null && ! mkdir ../../../" + escaped + " 2>/dev/null")
                               .c_str());
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(ExistsOnThePc(root + "/mtd_ram/beside/x"));
  EXPECT_EQ(LinkTextOnThePc(root + "/mtd_ram/beside/y"), root + "/mtd_ram/beside/x");

  int folder = open("/mtd_ram/up", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  int fd = openat(folder, "../beside/z", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
  EXPECT_TRUE(ExistsOnThePc(root + "/mtd_ram/beside/z"));
  errno = 0;
  EXPECT_EQ(openat(folder, ("../../" + escaped).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(mkdirat(folder, ("../../../" + escaped).c_str(), 0755), -1);
  EXPECT_EQ(renameat(folder, "../beside/z", folder, ("../../" + escaped).c_str()), -1);
  struct stat status_of;
  EXPECT_EQ(fstatat(folder, "../../mtd_appdata/Font", &status_of, 0), 0);
  close(folder);
  for (const std::string& place : {root, root + "/..", root + "/../.."})
    EXPECT_FALSE(ExistsOnThePc(place + "/" + escaped)) << place;
}

}  // namespace
