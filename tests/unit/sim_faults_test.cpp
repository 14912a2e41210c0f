// Faults the platform layer injects per folder, seen through the libc calls
// the plug-in makes: writes that fail, renames and removes that fail, a
// folder that turns read-only, a disk that vanishes under an open file, a
// clock that jumps; and the shell commands started through system() see the
// same faults.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sandbox_fixture.h"
#include "sim/platform/faults.h"
#include "sim/platform/sim_time.h"

namespace {

class SimFaults : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    sim::UsbDevice stick{"USB1", "Acme", "Stick", "1", {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30, 4096}}};
    ASSERT_TRUE(sim::PlugDevice(stick));
    ASSERT_EQ(mkdir("/dtv/usb/sda1/DVR", 0777), 0);
    ASSERT_TRUE(MakeFile("/dtv/usb/sda1/DVR/old.ts", "old"));
  }

  static bool MakeFile(const char* path, const char* text) {
    FILE* file = std::fopen(path, "w");
    if (file == nullptr) return false;
    bool written = std::fputs(text, file) >= 0;
    return std::fclose(file) == 0 && written;
  }

  static bool Exists(const char* path) { return access(path, F_OK) == 0; }
};

TEST_F(SimFaults, AWriteFaultFailsStreamsAndDescriptorsBelowItsFolderOnly) {
  for (const char* name : {"nospace", "io"}) {
    int error = sim_fault_error_named(name);
    ASSERT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/dtv/usb/sda1/DVR/", error), 0);
    // Creating still works; the data does not get written.
    FILE* file = std::fopen("/dtv/usb/sda1/DVR/new.ts", "w");
    ASSERT_NE(file, nullptr) << name;
    errno = 0;
    EXPECT_EQ(std::fwrite("abcd", 1, 4, file), 0u);
    EXPECT_EQ(errno, error);
    EXPECT_TRUE(std::ferror(file));
    EXPECT_EQ(std::fputs("x", file), EOF);
    EXPECT_LT(std::fprintf(file, "%d", 42), 0);
    EXPECT_EQ(std::fclose(file), EOF);
    struct stat status;
    ASSERT_EQ(stat("/dtv/usb/sda1/DVR/new.ts", &status), 0);
    EXPECT_EQ(status.st_size, 0);

    int fd = open("/dtv/usb/sda1/DVR/old.ts", O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    errno = 0;
    EXPECT_EQ(write(fd, "more", 4), -1);
    EXPECT_EQ(errno, error);
    close(fd);

    // Beside the folder, and after healing, writes go through.
    EXPECT_TRUE(MakeFile("/dtv/usb/sda1/beside.txt", "fine"));
    EXPECT_EQ(sim_fault_clear("/dtv/usb/sda1/DVR"), 1);
    EXPECT_TRUE(MakeFile("/dtv/usb/sda1/DVR/new.ts", "fine"));
  }
}

TEST_F(SimFaults, RenameAndRemoveFaultsLeaveTheFilesAsTheyWere) {
  ASSERT_EQ(sim_fault_set(SIM_FAULT_RENAME, "/dtv/usb/sda1/DVR", EACCES), 0);
  errno = 0;
  EXPECT_EQ(std::rename("/dtv/usb/sda1/DVR/old.ts", "/dtv/usb/sda1/DVR/new.ts"), -1);
  EXPECT_EQ(errno, EACCES);
  ASSERT_TRUE(MakeFile("/dtv/usb/sda1/other.ts", "x"));
  EXPECT_EQ(std::rename("/dtv/usb/sda1/other.ts", "/dtv/usb/sda1/DVR/other.ts"), -1);  // into it
  EXPECT_TRUE(Exists("/dtv/usb/sda1/DVR/old.ts"));
  EXPECT_EQ(std::remove("/dtv/usb/sda1/DVR/old.ts"), 0);  // a rename fault does not stop removes

  ASSERT_TRUE(MakeFile("/dtv/usb/sda1/DVR/keep.ts", "x"));
  ASSERT_EQ(sim_fault_set(SIM_FAULT_REMOVE, "/dtv/usb/sda1/DVR", EIO), 0);
  errno = 0;
  EXPECT_EQ(std::remove("/dtv/usb/sda1/DVR/keep.ts"), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(unlink("/dtv/usb/sda1/DVR/keep.ts"), -1);
  EXPECT_EQ(rmdir("/dtv/usb/sda1/DVR"), -1);
  EXPECT_TRUE(Exists("/dtv/usb/sda1/DVR/keep.ts"));
  EXPECT_EQ(std::remove("/dtv/usb/sda1/other.ts"), 0);  // outside the folder

  // The shell's rm meets the same fault.
  EXPECT_NE(std::system("rm /dtv/usb/sda1/DVR/keep.ts 2>/dev/null"), 0);
  EXPECT_TRUE(Exists("/dtv/usb/sda1/DVR/keep.ts"));
  EXPECT_EQ(sim_fault_clear(nullptr), 2);
  EXPECT_EQ(std::system("rm /dtv/usb/sda1/DVR/keep.ts"), 0);
  EXPECT_FALSE(Exists("/dtv/usb/sda1/DVR/keep.ts"));
}

TEST_F(SimFaults, AReadOnlyFolderRefusesEveryChangeEvenToRootButStillReads) {
  FILE* open_before = std::fopen("/dtv/usb/sda1/DVR/open.ts", "w");
  ASSERT_NE(open_before, nullptr);
  ASSERT_EQ(sim_fault_set(SIM_FAULT_READONLY, "/dtv/usb/sda1", EROFS), 0);

  errno = 0;
  EXPECT_EQ(std::fopen("/dtv/usb/sda1/DVR/new.ts", "w"), nullptr);
  EXPECT_EQ(errno, EROFS);
  EXPECT_EQ(std::fopen("/dtv/usb/sda1/DVR/old.ts", "a"), nullptr);
  EXPECT_EQ(std::fopen("/dtv/usb/sda1/DVR/old.ts", "r+"), nullptr);
  EXPECT_EQ(open("/dtv/usb/sda1/DVR/x", O_WRONLY | O_CREAT | O_EXCL, 0644), -1);
  EXPECT_EQ(creat("/dtv/usb/sda1/DVR/x", 0644), -1);
  EXPECT_EQ(mkdir("/dtv/usb/sda1/DVR2", 0777), -1);
  EXPECT_EQ(truncate("/dtv/usb/sda1/DVR/old.ts", 0), -1);
  EXPECT_EQ(std::rename("/dtv/usb/sda1/DVR/old.ts", "/dtv/usb/sda1/DVR/x.ts"), -1);
  EXPECT_EQ(std::remove("/dtv/usb/sda1/DVR/old.ts"), -1);
  EXPECT_EQ(errno, EROFS);
  EXPECT_EQ(std::fwrite("late", 1, 4, open_before), 0u);  // a file opened before
  EXPECT_EQ(std::fclose(open_before), EOF);
  EXPECT_NE(std::system("{ echo x > /dtv/usb/sda1/DVR/shell.txt; } 2>/dev/null"), 0);
  EXPECT_FALSE(Exists("/dtv/usb/sda1/DVR/shell.txt"));

  // Reading, listing and the disk's figures still work.
  FILE* file = std::fopen("/dtv/usb/sda1/DVR/old.ts", "r");
  ASSERT_NE(file, nullptr);
  char text[8] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text - 1, file), 3u);
  EXPECT_EQ(std::fclose(file), 0);
  int fd = open("/dtv/usb/sda1/DVR/old.ts", O_RDONLY);
  EXPECT_GE(fd, 0);
  close(fd);
  struct statfs figures;
  EXPECT_EQ(statfs("/dtv/usb/sda1/DVR", &figures), 0);
  EXPECT_EQ(access("/mtd_ram", W_OK), 0);

  EXPECT_EQ(sim_fault_clear("/dtv/usb/sda1/"), 1);
  EXPECT_EQ(mkdir("/dtv/usb/sda1/DVR2", 0777), 0);
}

TEST_F(SimFaults, AFileOpenOnAVanishedDiskGetsWriteErrorsEvenAfterItComesBack) {
  int fd = open("/dtv/usb/sda1/DVR/rec.ts", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  FILE* stream = std::fopen("/dtv/usb/sda1/DVR/rec.mdb", "w");
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(write(fd, "0123", 4), 4);
  ASSERT_TRUE(sim::UnplugDevice("USB1"));
  errno = 0;
  EXPECT_EQ(write(fd, "4567", 4), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(std::fputs("late", stream), EOF);

  sim::UsbDevice stick{"USB1", "Acme", "Stick", "1", {{"/dtv/usb/sda1", SIM_FS_FAT, 1ull << 30, 4096}}};
  ASSERT_TRUE(sim::PlugDevice(stick));
  EXPECT_EQ(write(fd, "89", 2), -1);
  EXPECT_EQ(std::fclose(stream), EOF);
  close(fd);
  struct stat status;
  ASSERT_EQ(stat("/dtv/usb/sda1/DVR/rec.ts", &status), 0);
  EXPECT_EQ(status.st_size, 4);  // nothing went to the folder set aside
  // A file opened after the disk came back is written as usual.
  EXPECT_TRUE(MakeFile("/dtv/usb/sda1/DVR/rec2.ts", "fresh"));
}

TEST_F(SimFaults, FiguresOfADescriptorAreThoseOfItsDisk) {
  int fd = open("/dtv/usb/sda1/DVR/old.ts", O_RDONLY);
  ASSERT_GE(fd, 0);
  struct statfs by_path, by_fd;
  ASSERT_EQ(statfs("/dtv/usb/sda1/DVR", &by_path), 0);
  ASSERT_EQ(fstatfs(fd, &by_fd), 0);
  EXPECT_EQ(static_cast<uint32_t>(by_fd.f_type), SIM_FS_FAT);
  EXPECT_EQ(by_fd.f_blocks, (1ull << 30) / 4096);
  EXPECT_EQ(by_fd.f_bavail, by_path.f_bavail);
  ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/DVR/big.ts", 100 << 20));
  struct statvfs vfs;
  ASSERT_EQ(fstatvfs(fd, &vfs), 0);
  EXPECT_EQ(vfs.f_bavail, by_path.f_bavail - 25600);
  close(fd);
}

TEST_F(SimFaults, TheTableRefusesWhatItCannotHold) {
  errno = 0;
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/tmp/x", EIO), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/dtv/usb/../../tmp", EIO), -1);
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/dtv/usb", 0), -1);
  EXPECT_EQ(sim_fault_set(SIM_FAULT_KINDS, "/dtv/usb", EIO), -1);
  std::string long_path = "/dtv/" + std::string(SIM_FAULT_PATH_MAX, 'x');
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, long_path.c_str(), EIO), -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
  for (int i = 0; i < SIM_FAULT_MAX; ++i)
    ASSERT_EQ(sim_fault_set(SIM_FAULT_WRITE, ("/dtv/f" + std::to_string(i)).c_str(), EIO), 0);
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/dtv/one_more", EIO), -1);
  EXPECT_EQ(errno, ENOSPC);
  // The same kind at the same folder replaces, and so still fits.
  EXPECT_EQ(sim_fault_set(SIM_FAULT_WRITE, "/dtv/f0/", ENOSPC), 0);
  EXPECT_EQ(sim_fault_for(SIM_FAULT_WRITE, "/dtv/f0/a"), ENOSPC);
  EXPECT_EQ(sim_fault_for(SIM_FAULT_WRITE, "/dtv/f00"), 0);
  EXPECT_EQ(sim_fault_clear(nullptr), SIM_FAULT_MAX);
  EXPECT_EQ(sim_fault_error_named("nospace"), ENOSPC);
  EXPECT_EQ(sim_fault_error_named("bogus"), 0);
}

TEST(SimClockJump, TheWallClockJumpsWhileTimersRunOn) {
  sim_clock_set(1700000000, 100.0);
  time_t before = time(nullptr);
  struct timespec steady_before;
  clock_gettime(CLOCK_MONOTONIC, &steady_before);
  sim_clock_jump(-7200);
  EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(before - 7200), 5);
  sim_clock_jump(7200 + 600);
  EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(before + 600), 5);
  EXPECT_EQ(sim_clock_speed(), 100.0);  // the speed stays
  struct timespec steady_after;
  clock_gettime(CLOCK_MONOTONIC, &steady_after);
  EXPECT_LT(steady_after.tv_sec - steady_before.tv_sec, 5);
  sim_clock_reset();
  // Unset, a jump starts the clock at the PC's time.
  time_t pc = time(nullptr);
  sim_clock_jump(3600);
  EXPECT_NEAR(static_cast<double>(time(nullptr)), static_cast<double>(pc + 3600), 2);
  EXPECT_EQ(sim_clock_speed(), 1.0);
  sim_clock_reset();
}

}  // namespace
