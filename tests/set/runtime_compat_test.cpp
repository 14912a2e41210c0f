// The definitions recolyx.so for the set takes ahead of the C library and the
// C++ runtime (set_abi/runtime_compat.cpp), run under qemu-arm: stat64,
// lstat64, fstat64 and fcntl through the GLIBC_2.4 entry points give what
// the current calls give, and a failed lock ends the process with the error
// named.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace {

// A file of `size` bytes and a symbolic link to it in a fresh folder.
class StatCompat : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/stat_compat_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    file_ = folder_ + "/file";
    link_ = folder_ + "/link";
    FILE* out = fopen(file_.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (int i = 0; i < 5000; ++i) fputc('x', out);
    fclose(out);
    ASSERT_EQ(symlink(file_.c_str(), link_.c_str()), 0);
  }
  void TearDown() override {
    unlink(link_.c_str());
    unlink(file_.c_str());
    rmdir(folder_.c_str());
  }
  std::string folder_, file_, link_;
};

TEST_F(StatCompat, FollowsAndStopsAtLinksLikeTheCurrentCalls) {
  struct stat64 status {};
  ASSERT_EQ(stat64(link_.c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_size, 5000);

  struct stat64 link_status {};
  ASSERT_EQ(lstat64(link_.c_str(), &link_status), 0);
  EXPECT_TRUE(S_ISLNK(link_status.st_mode));
  EXPECT_EQ(link_status.st_size, static_cast<off64_t>(file_.size()));
  EXPECT_NE(link_status.st_ino, status.st_ino);

  // The 64-bit fields arrive whole: the same inode and times as fstat64.
  FILE* in = fopen(file_.c_str(), "r");
  ASSERT_NE(in, nullptr);
  struct stat64 open_status {};
  ASSERT_EQ(fstat64(fileno(in), &open_status), 0);
  fclose(in);
  EXPECT_EQ(open_status.st_ino, status.st_ino);
  EXPECT_EQ(open_status.st_dev, status.st_dev);
  EXPECT_EQ(open_status.st_mtime, status.st_mtime);
}

TEST_F(StatCompat, MissingPathsFailWithTheirErrno) {
  struct stat64 status {};
  errno = 0;
  EXPECT_EQ(stat64((folder_ + "/none").c_str(), &status), -1);
  EXPECT_EQ(errno, ENOENT);
  errno = 0;
  EXPECT_EQ(lstat64((file_ + "/below_a_file").c_str(), &status), -1);
  EXPECT_EQ(errno, ENOTDIR);
}

// fstat64 and fcntl64 through the set's older entry points: an open file's
// status whole, a descriptor copied above a floor, its flags read back, and
// a bad descriptor's error.
TEST_F(StatCompat, OpenFilesThroughTheOlderEntryPoints) {
  FILE* in = fopen(file_.c_str(), "r");
  ASSERT_NE(in, nullptr);
  struct stat64 open_status {};
  ASSERT_EQ(fstat64(fileno(in), &open_status), 0);
  EXPECT_TRUE(S_ISREG(open_status.st_mode));
  EXPECT_EQ(open_status.st_size, 5000);
  EXPECT_EQ(open_status.st_nlink, 1u);

  const int copy = fcntl(fileno(in), F_DUPFD, 20);
  EXPECT_GE(copy, 20);
  EXPECT_EQ(fcntl(copy, F_SETFD, FD_CLOEXEC), 0);
  EXPECT_EQ(fcntl(copy, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  struct stat64 copy_status {};
  ASSERT_EQ(fstat64(copy, &copy_status), 0);
  EXPECT_EQ(copy_status.st_ino, open_status.st_ino);
  close(copy);
  fclose(in);

  errno = 0;
  EXPECT_EQ(fcntl(copy, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);
  struct stat64 none {};
  errno = 0;
  EXPECT_EQ(fstat64(copy, &none), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST(RuntimeCompat, FailedLockEndsTheProcessNamingTheError) {
  EXPECT_DEATH(std::__throw_system_error(EDEADLK),
               "recolyx: fatal system error: Resource deadlock avoided");
  // In recolyx.so the runtime's default handler is this one; a test binary
  // takes the shared runtime's default, so the handler is set here.
  EXPECT_DEATH(
      {
        std::set_terminate(__gnu_cxx::__verbose_terminate_handler);
        std::terminate();
      },
      "recolyx: terminate called");
}

}  // namespace
