#include "tools/private_file.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool fail(const char* path, const char* what, const char* reason, TextBuffer* error) {
  error->append(path);
  error->append(what);
  error->append(reason);
  return false;
}

bool refuse(const char* path, const char* kind, TextBuffer* error) {
  error->append(path);
  error->append(": is ");
  error->append(kind);
  error->append(", not a regular file: nothing written");
  return false;
}

// The name of the new file beside path: path, a dot and six more characters, which the system
// (POSIX) or the writer (Windows) makes unique.
class NewName {
 public:
  explicit NewName(const char* path) {
    const size_t length = strlen(path);
    name_ = static_cast<char*>(malloc(length + sizeof ".XXXXXX"));
    if (name_ == nullptr) return;
    memcpy(name_, path, length);
    memcpy(name_ + length, ".XXXXXX", sizeof ".XXXXXX");
  }
  ~NewName() { free(name_); }
  NewName(const NewName&) = delete;
  NewName& operator=(const NewName&) = delete;
  char* name() { return name_; }

 private:
  char* name_ = nullptr;
};

// The folder that holds path's file, with a separator at its end ("" for the current folder),
// as the text before path's last separator.
void folderOf(const char* path, TextBuffer* folder) {
  size_t end = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
#if defined(_WIN32)
    if (path[i] == '\\' || path[i] == ':') end = i + 1;
#endif
    if (path[i] == '/') end = i + 1;
  }
  folder->append(path, end);
}

#if defined(_WIN32)

// The system's words for the thread's last error.
class LastError {
 public:
  LastError() : LastError(GetLastError()) {}
  explicit LastError(DWORD code) {
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text_, sizeof text_, nullptr);
    size_t end = length < sizeof text_ ? length : 0;
    while (end > 0 && (text_[end - 1] == '\n' || text_[end - 1] == '\r' || text_[end - 1] == ' ' ||
                       text_[end - 1] == '.')) {
      --end;
    }
    text_[end] = '\0';
    if (end == 0) appendNumber("error ", code);
  }
  const char* text() const { return text_; }

 private:
  void appendNumber(const char* label, DWORD code) {
    char digits[16];
    size_t count = 0;
    do {
      digits[count++] = static_cast<char>('0' + code % 10);
      code /= 10;
    } while (code != 0);
    size_t end = strlen(label);
    memcpy(text_, label, end);
    while (count > 0) text_[end++] = digits[--count];
    text_[end] = '\0';
  }

  char text_[256];
};

// Refuses a name that is not a regular file on the disk: a folder, a reparse point (a symbolic
// link or a junction, not followed), or a device (NUL, CON, COM1), which only a handle tells.
bool examine(const char* path, TextBuffer* error) {
  const HANDLE handle = CreateFileA(
      path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;
    return fail(path, ": cannot create: ", LastError(code).text(), error);
  }
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  if (type == FILE_TYPE_CHAR) return refuse(path, "a character device", error);
  if (type == FILE_TYPE_PIPE) return refuse(path, "a pipe", error);
  if (type != FILE_TYPE_DISK) return refuse(path, "a device", error);
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return fail(path, ": cannot create: ", LastError().text(), error);
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return refuse(path, "a reparse point", error);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return refuse(path, "a directory", error);
  // A file the user made read-only stays: replacing it would get round that.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return fail(path, ": cannot write: ", LastError(ERROR_ACCESS_DENIED).text(), error);
  }
  return true;
}

bool checkFolder(const char* path, TextBuffer* error) {
  TextBuffer folder;
  folderOf(path, &folder);
  const DWORD attributes = GetFileAttributesA(folder.empty() ? "." : folder.text());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return fail(path, ": cannot create: ", LastError().text(), error);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return fail(path, ": cannot create: ", LastError(ERROR_DIRECTORY).text(), error);
  }
  return true;
}

// A new file of its own, under a name no other file has: the last six characters of name are
// replaced until one is free.
HANDLE createNew(char* name) {
  const size_t length = strlen(name);
  const DWORD seed = GetCurrentProcessId();
  for (DWORD attempt = 0; attempt < 1000; ++attempt) {
    DWORD value = seed * 1000 + attempt;
    for (size_t i = length - 6; i < length; ++i, value /= 36) {
      name[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36];
    }
    const HANDLE handle =
        CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  return INVALID_HANDLE_VALUE;
}

bool replaceWith(const char* path, const void* bytes, size_t size, TextBuffer* error) {
  NewName fresh(path);
  if (fresh.name() == nullptr) return fail(path, ": cannot create: ", strerror(ENOMEM), error);
  const HANDLE file = createNew(fresh.name());
  if (file == INVALID_HANDLE_VALUE)
    return fail(path, ": cannot create: ", LastError().text(), error);
  const char* next = static_cast<const char*>(bytes);
  size_t left = size;
  bool written = true;
  while (written && left > 0) {
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD wrote = 0;
    written = WriteFile(file, next, chunk, &wrote, nullptr) != 0 && wrote > 0;
    next += wrote;
    left -= wrote;
  }
  written = written && FlushFileBuffers(file) != 0;
  const LastError writeError;
  CloseHandle(file);
  if (!written) {
    DeleteFileA(fresh.name());
    return fail(path, ": cannot write: ", writeError.text(), error);
  }
  if (MoveFileExA(fresh.name(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    const LastError moveError;
    DeleteFileA(fresh.name());
    return fail(path, ": cannot replace: ", moveError.text(), error);
  }
  return true;
}

#else

// What a file that is not a regular one is, in words.
const char* kindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// Whether path is free or a regular file (then *existing holds what it is); lstat, so that a
// link is seen as one and never followed.
bool examine(const char* path, struct stat* existing, bool* exists, TextBuffer* error) {
  *exists = lstat(path, existing) == 0;
  if (!*exists && errno != ENOENT) return fail(path, ": cannot create: ", strerror(errno), error);
  if (*exists && !S_ISREG(existing->st_mode)) return refuse(path, kindOf(existing->st_mode), error);
  return true;
}

bool checkFolder(const char* path, TextBuffer* error) {
  TextBuffer folder;
  folderOf(path, &folder);
  const char* name = folder.empty() ? "." : folder.text();
  struct stat info {};
  if (stat(name, &info) != 0) return fail(path, ": cannot create: ", strerror(errno), error);
  if (!S_ISDIR(info.st_mode)) return fail(path, ": cannot create: ", strerror(ENOTDIR), error);
  if (access(name, W_OK | X_OK) != 0)
    return fail(path, ": cannot create: ", strerror(errno), error);
  return true;
}

bool writeAll(int fd, const void* bytes, size_t size) {
  const char* next = static_cast<const char*>(bytes);
  size_t left = size;
  while (left > 0) {
    const ssize_t wrote = write(fd, next, left);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = EIO;
      return false;
    }
    next += wrote;
    left -= static_cast<size_t>(wrote);
  }
  return true;
}

// Where the folder's entry for the renamed file reaches the disk only with the folder: a failure
// there changes nothing that can still be undone, so it is let go.
void flushFolder(const char* path) {
  TextBuffer folder;
  folderOf(path, &folder);
  const int fd = open(folder.empty() ? "." : folder.text(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool replaceWith(const char* path, const struct stat& existing, bool exists, const void* bytes,
                 size_t size, TextBuffer* error) {
  NewName fresh(path);
  if (fresh.name() == nullptr) return fail(path, ": cannot create: ", strerror(ENOMEM), error);
  const int fd = mkstemp(fresh.name());
  if (fd < 0) return fail(path, ": cannot create: ", strerror(errno), error);
  // The owner and group of the file it replaces, where the process may give them: both as root,
  // the group alone where it is one of the user's. Then the mode, whatever the umask.
  if (exists) {
    const bool given = fchown(fd, existing.st_uid, existing.st_gid) == 0 ||
                       fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
    static_cast<void>(given);
  }
  int failure = 0;
  if (fchmod(fd, 0600) != 0 || !writeAll(fd, bytes, size) || fsync(fd) != 0) failure = errno;
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    unlink(fresh.name());
    return fail(path, ": cannot write: ", strerror(failure), error);
  }
  if (rename(fresh.name(), path) != 0) {
    const int renameErrno = errno;
    unlink(fresh.name());
    return fail(path, ": cannot replace: ", strerror(renameErrno), error);
  }
  flushFolder(path);
  return true;
}

#endif

}  // namespace

#if defined(_WIN32)

bool checkPrivateFile(const char* path, TextBuffer* error) {
  return examine(path, error) && checkFolder(path, error);
}

bool writePrivateFile(const char* path, const void* bytes, size_t size, TextBuffer* error) {
  return examine(path, error) && replaceWith(path, bytes, size, error);
}

#else

bool checkPrivateFile(const char* path, TextBuffer* error) {
  struct stat existing {};
  bool exists = false;
  if (!examine(path, &existing, &exists, error) || !checkFolder(path, error)) return false;
  // A file the user may not write stays: renaming over it would get round that.
  if (exists && access(path, W_OK) != 0)
    return fail(path, ": cannot write: ", strerror(errno), error);
  return true;
}

bool writePrivateFile(const char* path, const void* bytes, size_t size, TextBuffer* error) {
  struct stat existing {};
  bool exists = false;
  // Again, as it may have changed since it was checked.
  return examine(path, &existing, &exists, error) &&
         replaceWith(path, existing, exists, bytes, size, error);
}

#endif
