#include "host/end_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int endPipe[2] = {-1, -1};

void OnEndSignal(int) {
  const int saved = errno;
  const char byte = 1;
  ssize_t ignored = write(endPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

}  // namespace

bool SetUpEndSignals() {
  if (pipe2(endPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return true;
}

int EndSignalFd() { return endPipe[0]; }
