// What the table file harness leaves out, for its replay program: every input read as a file
// under each layout's name, from standard input and, where it starts with an entry point, as the
// folder pair Linux exposes (smbios_entry_point and DMI), each compared with what its bytes give.
// Once per run besides, the inputs that no file's bytes make: an empty name, a missing file, a
// file too large, a terminal, and folders that lack one of the pair or cannot give it.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/load_allocations.h"
#include "fuzz/replay.h"
#include "platform/entry_point.h"
#include "tablefile/table_file.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& input, const char* problem) {
  fprintf(stderr, "table input check failed: %s: %s\n", input.c_str(), problem);
  abort();
}

struct Read {
  bool ok;
  std::string raw;  // the rsmb layout when ok, else the reason
  std::string notice;
};

Read readBytes(const uint8_t* data, size_t size, TableFormat format) {
  TextBuffer raw;
  TextBuffer error;
  TextBuffer notice;
  const bool ok = rawTableFromFileBytes(data, size, format, &raw, &error, &notice);
  const TextBuffer& kept = ok ? raw : error;
  return {ok, std::string(kept.text(), kept.size()), notice.text()};
}

// A caller may ask for no notice.
Read readInput(const std::string& path, TableFormat format, bool withNotice = true) {
  TextBuffer raw;
  TextBuffer error;
  TextBuffer notice;
  const bool ok =
      readTableInput(path.c_str(), format, &raw, &error, withNotice ? &notice : nullptr);
  const TextBuffer& kept = ok ? raw : error;
  return {ok, std::string(kept.text(), kept.size()), notice.text()};
}

// A table input gives what its bytes give, its reason and notice behind its name. Running out of
// memory may refuse it instead, with whatever part of the reason could be had.
void expectSame(const Read& bytes, const Read& input, const std::string& name) {
  if (loadAllocations.failed && !input.ok) return;
  if (input.ok != bytes.ok && !loadAllocations.failed) fail(name, "differs from its bytes");
  if (input.ok && bytes.ok && input.raw != bytes.raw) fail(name, "another table than its bytes");
  if (!input.ok && input.raw != name + ": " + bytes.raw) fail(name, "another reason");
  if (input.ok && !bytes.notice.empty() && !loadAllocations.failed &&
      input.notice != name + ": " + bytes.notice) {
    fail(name, "another notice");
  }
}

// A refusal names the input in one printable line; without memory it may say less.
void expectRefused(const Read& input, const std::string& name, const char* why) {
  if (input.ok) fail(name, why);
  if (loadAllocations.failed) return;
  if (input.raw.compare(0, name.size(), name) != 0) fail(name, "the reason does not name it");
  for (const char c : input.raw) {
    if (c < 0x20 || c > 0x7E) fail(name, "the reason is not one printable line");
  }
}

// A folder of the process's own, emptied at exit.
const fs::path& workFolder() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "zentrik-replay-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) fail(pattern, "cannot make a folder");
    atexit([] { fs::remove_all(workFolder()); });
    return fs::path(pattern);
  }();
  return folder;
}

void writeFile(const fs::path& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) fail(path.string(), "cannot write");
}

// An empty folder under the work folder.
fs::path freshFolder(const char* name) {
  const fs::path folder = workFolder() / name;
  fs::remove_all(folder);
  fs::create_directory(folder);
  return folder;
}

constexpr const char* kFormatNames[] = {"auto", "rsmb", "dump", "raw", "bare"};

void asFile(const uint8_t* data, size_t size) {
  const fs::path file = workFolder() / "table";
  writeFile(file, data, size);
  for (const char* formatName : kFormatNames) {
    TableFormat format;
    if (!parseTableFormat(formatName, &format)) fail(formatName, "not a format");
    expectSame(readBytes(data, size, format), readInput(file.string(), format), file.string());
  }
  if (!freopen(file.c_str(), "rb", stdin)) fail(file.string(), "cannot be standard input");
  expectSame(readBytes(data, size, TableFormat::Auto), readInput("-", TableFormat::Auto, false),
             "standard input");
}

// A dump as Linux splits it: the entry point, and the table it points at (what the dump layout
// takes from the file) in a file of its own.
void asFolderPair(const uint8_t* data, size_t size) {
  platform::EntryPoint entry;
  if (!platform::parseEntryPoint(data, size, &entry)) return;
  const Read dump = readBytes(data, size, TableFormat::Dump);
  if (!dump.ok) return;
  const fs::path folder = freshFolder("pair");
  writeFile(folder / "smbios_entry_point", data, std::min<size_t>(size, entry.is64 ? 24 : 31));
  const std::string table = dump.raw.substr(8);
  writeFile(folder / "DMI", table.data(), table.size());
  for (const std::string& name : {folder.string(), folder.string() + "/"}) {
    const Read pair = readInput(name, TableFormat::Auto);
    if (table.empty()) {
      expectRefused(pair, name, "an empty DMI read as a table");
    } else if (!loadAllocations.failed || pair.ok) {
      if (!pair.ok || pair.raw != dump.raw) fail(name, "another table than the dump");
    }
  }
  expectRefused(readInput(folder.string(), TableFormat::Dump), folder.string(),
                "a folder read under a named format");
}

// What a folder holds under one of the pair's names.
enum class Holds { Nothing, EntryPoint, Table, Empty, Folder, LinkToItself };

void make(const fs::path& path, Holds holds) {
  // A made-up "_SM3_" entry point (SMBIOS 3.4) and a table of one end-of-table structure.
  static const uint8_t kEntryPoint[24] = {'_', 'S', 'M', '3', '_', 0, 24, 3, 4, 0, 1, 0, 0x40};
  static const uint8_t kTable[] = {127, 4, 0, 0, 0, 0};
  switch (holds) {
    case Holds::Nothing:
      break;
    case Holds::EntryPoint:
      writeFile(path, kEntryPoint, sizeof kEntryPoint);
      break;
    case Holds::Table:
      writeFile(path, kTable, sizeof kTable);
      break;
    case Holds::Empty:
      writeFile(path, "", 0);
      break;
    case Holds::Folder:
      fs::create_directory(path);
      break;
    case Holds::LinkToItself:
      fs::create_symlink(path, path);
      break;
  }
}

// Folders that lack one of the pair or cannot give it.
void brokenPairs() {
  const struct {
    const char* name;
    Holds entryPoint;
    Holds dmi;
  } folders[] = {
      {"neither", Holds::Nothing, Holds::Nothing},
      {"entry-point-only", Holds::EntryPoint, Holds::Nothing},
      {"dmi-only", Holds::Nothing, Holds::Table},
      {"empty-dmi", Holds::EntryPoint, Holds::Empty},
      {"entry-point-not-one", Holds::Table, Holds::Table},
      {"entry-point-a-folder", Holds::Folder, Holds::Table},
      {"entry-point-a-loop", Holds::LinkToItself, Holds::Table},
      {"dmi-a-folder", Holds::EntryPoint, Holds::Folder},
  };
  for (const auto& f : folders) {
    const fs::path folder = freshFolder(f.name);
    make(folder / "smbios_entry_point", f.entryPoint);
    make(folder / "DMI", f.dmi);
    expectRefused(readInput(folder.string(), TableFormat::Auto), folder.string(),
                  "a folder without a readable pair read as a table");
  }
}

// A terminal on standard input, where this system has pseudo-terminals.
void terminalInput() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
  const char* name = ptsname(master);
  if (name != nullptr && freopen(name, "rb", stdin) != nullptr) {
    expectRefused(readInput("-", TableFormat::Auto), "standard input",
                  "a terminal read as a table");
  }
  close(master);
}

void inputsNoBytesMake() {
  TableFormat format;
  if (parseTableFormat("rsmb3", &format)) fail("rsmb3", "taken for a format");
  expectRefused(readInput("", TableFormat::Auto), "", "an empty name read as a table");
  const std::string missing = (workFolder() / "missing").string();
  expectRefused(readInput(missing, TableFormat::Auto), missing, "a missing file read as a table");
  const fs::path large = workFolder() / "large";
  writeFile(large, "", 0);
  fs::resize_file(large, (64u << 20) + 1);
  expectRefused(readInput(large.string(), TableFormat::Auto), large.string(),
                "a file beyond the limit read as a table");
  fs::remove(large);
  terminalInput();
  brokenPairs();
  // A backslash that ends a folder's name is part of the name here.
  const fs::path named = freshFolder("pair\\");
  make(named / "smbios_entry_point", Holds::EntryPoint);
  make(named / "DMI", Holds::Table);
  const Read pair = readInput(named.string(), TableFormat::Auto);
  if (!pair.ok || pair.raw.size() != 8 + 6) fail(named.string(), "the pair in it not read");
}

}  // namespace

void replayAlso(const uint8_t* data, size_t size) {
  static bool once = false;
  if (!once && loadAllocations.failAt == 0) {
    once = true;
    inputsNoBytesMake();
  }
  asFile(data, size);
  asFolderPair(data, size);
}
