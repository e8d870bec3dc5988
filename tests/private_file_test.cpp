// Copies of the firmware table: only a regular file, replaced whole, readable by its owner only.
#ifndef _WIN32
#include "tools/private_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/support/reader_fixture.h"
#include "tests/support/table_files.h"
#include "tests/tool/tool.h"

namespace {

struct stat statOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

std::set<std::string> namesIn(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

const Bytes kTable = {0, 3, 2, 0, 0, 0, 0, 0};

// A file that was there is replaced, not rewritten: a hard link to it keeps the old bytes. The
// new one is its owner's only, whatever the umask, and keeps the old one's owner and group
// where this process may give them.
TEST(PrivateFile, ReplacesWholeAndOwnerOnly) {
  TempDir dir;
  const mode_t umaskBefore = umask(0);
  TextBuffer error;
  const std::string fresh = dir.path("fresh.rsmb");
  EXPECT_TRUE(writePrivateFile(fresh.c_str(), kTable.data(), kTable.size(), &error))
      << error.text();
  EXPECT_EQ(statOf(fresh).st_mode & 07777, 0600u);
  EXPECT_EQ(readFile(fresh), kTable);

  const std::string old = dir.write("old.rsmb", Bytes(100, 7));
  ASSERT_EQ(chmod(old.c_str(), 0644), 0);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(old.c_str(), 65534, 65534), 0);
  }
  const struct stat before = statOf(old);
  ASSERT_EQ(link(old.c_str(), dir.path("other").c_str()), 0);
  EXPECT_TRUE(writePrivateFile(old.c_str(), kTable.data(), kTable.size(), &error)) << error.text();
  umask(umaskBefore);
  const struct stat after = statOf(old);
  EXPECT_EQ(readFile(old), kTable);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(readFile(dir.path("other")), Bytes(100, 7));
  EXPECT_EQ(after.st_uid, root ? 65534u : geteuid());
  EXPECT_EQ(after.st_gid, root ? 65534u : before.st_gid);
  EXPECT_EQ(namesIn(dir), (std::set<std::string>{"fresh.rsmb", "old.rsmb", "other"}));

  const std::string missing = dir.path("no/such/folder");
  EXPECT_FALSE(checkPrivateFile(missing.c_str(), &error));
  EXPECT_EQ(std::string(error.text()), missing + ": cannot create: No such file or directory");
}

// Anything but a regular file is refused by its kind, by the check and the write alike, and
// stays as it was; so does what a link points to.
TEST(PrivateFile, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  const std::string target = dir.write("target", Bytes(5, 7));
  ASSERT_EQ(chmod(target.c_str(), 0644), 0);
  std::vector<SpecialFile> files = specialFiles(dir);
  const std::set<std::string> names = namesIn(dir);
  for (const SpecialFile& file : files) {
    SCOPED_TRACE(file.path);
    const std::string refused =
        file.path + ": is " + file.kind + ", not a regular file: nothing written";
    TextBuffer error;
    EXPECT_FALSE(checkPrivateFile(file.path.c_str(), &error));
    EXPECT_EQ(std::string(error.text()), refused);
    error.clear();
    EXPECT_FALSE(writePrivateFile(file.path.c_str(), kTable.data(), kTable.size(), &error));
    EXPECT_EQ(std::string(error.text()), refused);
  }
  EXPECT_EQ(readFile(target), Bytes(5, 7));
  EXPECT_EQ(statOf(target).st_mode & 07777, 0644u);
  EXPECT_EQ(namesIn(dir), names) << "a file left behind";
  // The check writes nothing, so it may look at the real one.
  TextBuffer error;
  EXPECT_FALSE(checkPrivateFile("/dev/null", &error));
  EXPECT_EQ(std::string(error.text()),
            "/dev/null: is a character device, not a regular file: nothing written");
}

}  // namespace
#endif  // _WIN32
