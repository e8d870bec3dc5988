#include "tools/private_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
int createPrivate(const char* path) {
  return _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int writeSome(int fd, const void* bytes, size_t count) {
  return _write(fd, bytes, static_cast<unsigned>(count));
}
int closeFile(int fd) {
  return _close(fd);
}
#else
int createPrivate(const char* path) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  // A file that was there before keeps its mode through open: narrow it before writing.
  if (fd >= 0 && fchmod(fd, 0600) != 0) {
    const int chmodErrno = errno;
    close(fd);
    errno = chmodErrno;
    return -1;
  }
  return fd;
}
int writeSome(int fd, const void* bytes, size_t count) {
  return static_cast<int>(write(fd, bytes, count));
}
int closeFile(int fd) {
  return close(fd);
}
#endif

bool fail(const char* path, const char* what, int number, TextBuffer* error) {
  error->append(path);
  error->append(what);
  error->append(strerror(number));
  return false;
}

}  // namespace

bool writePrivateFile(const char* path, const void* bytes, size_t size, TextBuffer* error) {
  const int fd = createPrivate(path);
  if (fd < 0) return fail(path, ": cannot create: ", errno, error);
  const char* next = static_cast<const char*>(bytes);
  size_t left = size;
  while (left > 0) {
    const int wrote = writeSome(fd, next, left);
    if (wrote <= 0) {
      const int writeErrno = wrote < 0 ? errno : EIO;
      closeFile(fd);
      return fail(path, ": cannot write: ", writeErrno, error);
    }
    next += wrote;
    left -= static_cast<size_t>(wrote);
  }
  if (closeFile(fd) != 0) return fail(path, ": cannot write: ", errno, error);
  return true;
}
