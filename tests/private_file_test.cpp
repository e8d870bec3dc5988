// Copies of the firmware table are readable by their owner only.
#ifndef _WIN32
#include "tools/private_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/reader_fixture.h"
#include "tests/support/table_files.h"

namespace {

mode_t modeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST(PrivateFile, OwnerOnlyWhetherNewOrThereBefore) {
  TempDir dir;
  const Bytes bytes = {0, 3, 2, 0, 0, 0, 0, 0};
  const std::string fresh = dir.path("fresh.rsmb");
  // A permissive umask must not widen it.
  const mode_t umaskBefore = umask(0);
  TextBuffer error;
  EXPECT_TRUE(writePrivateFile(fresh.c_str(), bytes.data(), bytes.size(), &error)) << error.text();
  EXPECT_EQ(modeOf(fresh), 0600u);
  EXPECT_EQ(readFile(fresh), bytes);

  const std::string old = dir.write("old.rsmb", Bytes(100, 7));
  ASSERT_EQ(chmod(old.c_str(), 0644), 0);
  EXPECT_TRUE(writePrivateFile(old.c_str(), bytes.data(), bytes.size(), &error)) << error.text();
  EXPECT_EQ(modeOf(old), 0600u);
  EXPECT_EQ(readFile(old), bytes);
  umask(umaskBefore);

  EXPECT_FALSE(
      writePrivateFile(dir.path("no/such/folder").c_str(), bytes.data(), bytes.size(), &error));
  EXPECT_EQ(std::string(error.text()),
            dir.path("no/such/folder") + ": cannot create: No such file or directory");
}

}  // namespace
#endif  // _WIN32
