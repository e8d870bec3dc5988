#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tests/support/reader_fixture.h"
#include "tests/support/table_files.h"

namespace {

// Far more than any run needs, even under valgrind or the sanitizers; a program that waits for a
// terminal would wait for ever.
constexpr unsigned kTimeoutSeconds = 30;

std::string slurp(const std::string& path) {
  const Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

ProcessRun runProcess(const std::vector<std::string>& command, const ProcessSetUp& setUp) {
  static const TempDir streams;
  const std::string outPath = streams.path("out");
  const std::string errPath = streams.path("err");
  ProcessRun run;
  const int terminal = setUp.terminal ? posix_openpt(O_RDWR | O_NOCTTY) : -1;
  if (setUp.terminal && (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)) {
    run.err = "no pseudo-terminal to run the program on";
    return run;
  }
  const std::string input = setUp.terminal ? ptsname(terminal) : setUp.input;
  std::vector<std::string> words = command;
  if (setUp.descriptors > 0) {
    // A shell lowers the limit, so that a test process under valgrind leaves that to a process
    // of its own.
    words.insert(words.begin(),
                 {"/bin/sh", "-c",
                  "ulimit -n " + std::to_string(setUp.descriptors) + " && exec \"$0\" \"$@\""});
  }
  if (setUp.tinyFiles) {
    // With the signal ignored, a write past the limit fails (EFBIG) as on a full disk.
    words.insert(words.begin(),
                 {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1 && exec \"$0\" \"$@\""});
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(input.c_str(), setUp.terminal ? O_RDWR | O_NOCTTY : O_RDONLY);
    int out = setUp.terminal ? in : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!setUp.output.empty()) out = open(setUp.output.c_str(), O_WRONLY);
    int pipeEnds[2] = {-1, -1};
    if (setUp.closedPipe && pipe(pipeEnds) == 0) {
      close(pipeEnds[0]);
      out = pipeEnds[1];
      // The signal's default action, whatever the test runner did with it.
      signal(SIGPIPE, SIG_DFL);
    }
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(127);
    }
    // Nothing this process holds open may take a descriptor the program may have.
    for (int fd = 3; fd < 64; ++fd) close(fd);
    alarm(kTimeoutSeconds);  // survives the exec
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (terminal >= 0) close(terminal);
  if (pid < 0) return run;
  if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.out = setUp.terminal || !setUp.output.empty() || setUp.closedPipe ? "" : slurp(outPath);
  run.err = slurp(errPath);
  return run;
}
