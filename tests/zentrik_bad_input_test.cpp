// The built zentrik tool fed hostile table files: each run must end with records (exit 0) or a
// one-line error (exit 2), never with a crash or a hang. POSIX only: it starts the tool itself.
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/limits.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"
#include "tests/support/table_files.h"

namespace {

// Far more than any table needs, even under valgrind or the sanitizers.
constexpr unsigned kTimeoutSeconds = 30;

// Every truncation where AddressSanitizer watches the tool's reads; elsewhere every 13th, which
// still meets each structure boundary of the samples at some offset, at a tenth of the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kTruncationStep = 1;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kTruncationStep = 1;
#else
constexpr size_t kTruncationStep = 13;
#endif
#else
constexpr size_t kTruncationStep = 13;
#endif

struct Outcome {
  bool timedOut = false;
  int signal = 0;     // the signal that ended the tool, if one did
  int exitCode = -1;  // its exit code otherwise
  std::string out;
  std::string err;
};

std::string slurp(const std::string& path) {
  const Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs the tool with these arguments, its streams into files. An alarm set before the exec (it
// survives the exec) ends a run that takes longer than kTimeoutSeconds.
Outcome runTool(const std::vector<std::string>& args) {
  static const TempDir streams;
  const std::string outPath = streams.path("out");
  const std::string errPath = streams.path("err");
  std::string tool = ZENTRIK_TOOL;
  std::vector<std::string> copies = args;
  std::vector<char*> argv = {tool.data()};
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Outcome outcome;
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return outcome;
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    alarm(kTimeoutSeconds);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    outcome.signal = WTERMSIG(status);
    outcome.timedOut = outcome.signal == SIGALRM;
  }
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  outcome.out = slurp(outPath);
  outcome.err = slurp(errPath);
  return outcome;
}

// Records and diagnostics (exit 0), or one line on standard error and nothing loaded (exit 2).
void expectOrderlyEnd(const Outcome& run, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(run.timedOut) << "hangs";
  ASSERT_EQ(run.signal, 0) << "killed by signal " << run.signal << "\n" << run.err;
  ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 2) << "exit " << run.exitCode << "\n" << run.err;
  if (run.exitCode == 2) {
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
  } else {
    EXPECT_NE(run.out, "");
  }
}

void expectOneLineError(const Outcome& run, const std::string& what) {
  expectOrderlyEnd(run, what);
  EXPECT_EQ(run.exitCode, 2) << what;
}

const char* const kFormats[] = {"auto", "rsmb", "dump", "raw"};

class ZentrikBadInput : public ::testing::Test {
 protected:
  // Runs `records` on the bytes in every layout, in text and in JSON.
  void expectOrderlyInEveryLayout(const Bytes& bytes, const std::string& what) {
    const std::string path = dir_.write("table", bytes);
    for (const char* format : kFormats) {
      expectOrderlyEnd(runTool({"records", "--table", path, "--format", format}),
                       what + ", --format " + format);
    }
    expectOrderlyEnd(runTool({"records", "--json", "--table", path}), what + ", --json");
  }

  Outcome records(const Bytes& bytes, const char* format = "auto") {
    return runTool({"records", "--table", dir_.write("table", bytes), "--format", format});
  }

  TempDir dir_;
};

std::vector<std::string> sampleTables() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(ZENTRIK_SAMPLES)) {
    if (entry.path().extension() == ".rsmb") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST_F(ZentrikBadInput, EmptyMissingAndUnreadableFiles) {
  for (const char* format : kFormats) {
    expectOneLineError(records({}, format), std::string("empty file, ") + format);
  }
  expectOneLineError(runTool({"records", "--table", dir_.path("missing")}), "missing file");
  expectOneLineError(runTool({"records", "--table", dir_.path("")}), "a folder");
  expectOneLineError(runTool({"serial", "--table", dir_.path("missing")}), "serial, missing");
}

TEST_F(ZentrikBadInput, RandomBytes) {
  std::mt19937 random(20261209);
  for (size_t size : {1, 3, 4, 8, 9, 24, 31, 32, 100, 4096, 65536}) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    expectOrderlyInEveryLayout(bytes, std::to_string(size) + " random bytes");
    // The same behind each entry point anchor.
    for (const std::string anchor : {"_SM_", "_SM3_"}) {
      if (size < anchor.size()) continue;
      std::copy(anchor.begin(), anchor.end(), bytes.begin());
      expectOrderlyInEveryLayout(bytes, std::to_string(size) + " random bytes behind " + anchor);
    }
  }
}

// Four quarters of the truncations (by length modulo 4), so that CTest can run them side by side.
constexpr size_t kTruncationQuarters = 4;

class ZentrikTruncatedSamples : public ZentrikBadInput,
                                public ::testing::WithParamInterface<size_t> {};

TEST_P(ZentrikTruncatedSamples, EveryTruncationEndsInAnOrderlyWay) {
  const std::vector<std::string> samples = sampleTables();
  ASSERT_FALSE(samples.empty());
  for (const std::string& sample : samples) {
    const Bytes whole = readFile(sample);
    for (size_t size = 0; size < whole.size(); size += kTruncationStep) {
      if (size % kTruncationQuarters != GetParam()) continue;
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
      expectOrderlyEnd(records(cut), sample + " cut to " + std::to_string(size) + " bytes");
      if (HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Quarter, ZentrikTruncatedSamples,
                         ::testing::Range(size_t{0}, kTruncationQuarters));

Bytes desktopTable() {
  return tableOf({Structure(0, 0x1A).u8(0x04, 1).str("Vendor"),
                  Structure(4, 0x30).u8(0x06, 0xC6).u64(0x08, 0xBFEBFBFF000306A9ull).str("CPU0"),
                  Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 2),
                  Structure(17, 0x28).u16(0x0C, 0x2000).str("DIMM_A1"), endOfTable()});
}

TEST_F(ZentrikBadInput, EntryPointsPointingOutsideTheFile) {
  const Bytes table = desktopTable();
  const auto size = static_cast<uint16_t>(table.size());
  struct Case {
    const char* name;
    Bytes entryPoint;
  };
  const Case cases[] = {
      {"_SM_ address far beyond the file", entryPoint32(2, 7, size, 0x7FFFFFF0u)},
      {"_SM_ address just past the end", entryPoint32(2, 7, size, 0x20 + size + 1)},
      {"_SM3_ address far beyond the file", entryPoint64(3, 5, 0, size, 0xFFFFFFFFFFFFFFF0ull)},
      {"_SM3_ address just past the end", entryPoint64(3, 5, 0, size, 0x20 + size + 1)},
  };
  for (const Case& c : cases) {
    const Bytes file = dumpFile(c.entryPoint, table);
    expectOneLineError(records(file, "dump"), c.name);
    expectOrderlyEnd(records(file), std::string(c.name) + ", auto");
  }
}

TEST_F(ZentrikBadInput, LengthsOfAllOnes) {
  const Bytes table = desktopTable();
  expectOrderlyInEveryLayout(rawBufferAnnouncing(table, 0xFFFFFFFFu), "rsmb header 0xFFFFFFFF");
  expectOrderlyInEveryLayout(dumpFile(entryPoint32(2, 7, 0xFFFF, 0x20), table), "_SM_ 0xFFFF");
  expectOrderlyInEveryLayout(dumpFile(entryPoint64(3, 5, 0, 0xFFFFFFFFu, 0x20), table),
                             "_SM3_ 0xFFFFFFFF");
}

TEST_F(ZentrikBadInput, SixtyFiveThousandFiveHundredThirtySixStructuresAndMore) {
  // The count handed to the walk keeps only its low 16 bits: 0 for 65,536 structures.
  for (size_t count : {65535, 65536, 65537, 131072}) {
    Bytes table;
    const Bytes one = Structure(1, 4);  // formatted area and two zero bytes: 6 bytes
    table.reserve(count * one.size());
    for (size_t i = 0; i + 1 < count; ++i) table.insert(table.end(), one.begin(), one.end());
    const Bytes end = endOfTable();
    table.insert(table.end(), end.begin(), end.end());
    const Outcome run = records(rawBuffer(table), "rsmb");
    expectOrderlyEnd(run, std::to_string(count) + " structures");
    EXPECT_EQ(run.exitCode, 0);
  }
}

TEST_F(ZentrikBadInput, StructuresOfLength0xFF) {
  for (uint8_t type : {0, 4, 13, 16, 17}) {
    Structure s(type, 0xFF);
    for (size_t offset = 4; offset < 0xFF; ++offset) s.u8(offset, 0xFF);
    const Bytes table =
        tableOf({Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 4), s.str("x"), endOfTable()});
    expectOrderlyInEveryLayout(rawBuffer(table),
                               "type " + std::to_string(type) + " of length 0xFF");
  }
}

TEST_F(ZentrikBadInput, StringSetsWithoutAnEnd) {
  for (uint8_t type : {0, 4, 13, 17}) {
    Structure s(type, 0x30);
    for (size_t offset = 4; offset < 0x30; ++offset) s.u8(offset, 1);
    // Strings that run to the end of the table: no closing NUL, no double zero.
    const Bytes table = tableOf({Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 1),
                                 s.rawStrings({'a', 'b', 'c', 0, 'd', 'e', 'f'})});
    const Outcome run = records(rawBuffer(table), "rsmb");
    expectOrderlyEnd(run, "type " + std::to_string(type) + " strings without an end");
    EXPECT_EQ(run.exitCode, 0);
  }
}

TEST_F(ZentrikBadInput, FilesOverTheSizeLimit) {
  const std::string path = dir_.path("huge");
  // Sparse: the size is what counts, not the bytes.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kLargestTableFile) + 1), 0);
  close(fd);
  for (const char* format : kFormats) {
    expectOneLineError(runTool({"records", "--table", path, "--format", format}),
                       std::string("64 MiB + 1, ") + format);
  }
  expectOneLineError(runTool({"serial", "--table", path}), "64 MiB + 1, serial");
}

}  // namespace

#endif  // _WIN32
