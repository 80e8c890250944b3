#include "wayland/wayland_instance.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/instance_name.h"

namespace {

const char kQuitRequest[] = "quit";
const char kGoneAnswer[] = "gone";

struct InstanceLock {
  int listenFd;  // bound to the name; -1 when not held
  int askerFd;   // the --quit waiting for our answer; -1 when none
};

InstanceLock instanceLock = {-1, -1};

// The abstract address of the lock; false without a socket path.
bool LockAddress(sockaddr_un* address, socklen_t* length) {
  char name[kInstanceNameCapacity];
  if (!InstanceLockNameFromEnvironment(name)) return false;
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  const size_t n = std::strlen(name);  // < sizeof sun_path - 1 by construction
  std::memcpy(address->sun_path + 1, name, n);
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return true;
}

bool PeerOf(int fd, ucred* peer) {
  socklen_t size = sizeof *peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, peer, &size) == 0;
}

// Waits up to `ms` for `fd` to become readable or hung up.
bool WaitReadable(int fd, int ms) {
  pollfd p = {fd, POLLIN, 0};
  for (;;) {
    const int r = poll(&p, 1, ms);
    if (r >= 0) return r > 0;
    if (errno != EINTR) return false;
  }
}

double NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Reads the saver's answer until `deadline`: true when it is gone (its
// answer, or the connection closed because its name or process went).
bool AwaitGone(int fd, double deadlineMs) {
  for (;;) {
    const double left = deadlineMs - NowMs();
    if (left <= 0) return false;
    if (!WaitReadable(fd, static_cast<int>(left) + 1)) continue;
    char answer[8];
    const ssize_t n = recv(fd, answer, sizeof answer, MSG_DONTWAIT);
    if (n >= 0) return true;  // "gone", or the end of the connection
    if (errno == EAGAIN || errno == EINTR) continue;
    return true;  // reset: the other end is closed
  }
}

}  // namespace

InstanceStatus TakeInstanceLock(char* why, size_t capacity) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!LockAddress(&address, &length)) {
    std::snprintf(why, capacity,
                  "no one-saver lock: $XDG_RUNTIME_DIR is not set, so the compositor's socket "
                  "is unknown");
    return InstanceStatus::kNoLock;
  }
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    std::snprintf(why, capacity, "no one-saver lock: no socket (%s)", std::strerror(errno));
    return InstanceStatus::kNoLock;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    const int error = errno;
    close(fd);
    if (error != EADDRINUSE) {
      std::snprintf(why, capacity, "no one-saver lock: %s", std::strerror(error));
      return InstanceStatus::kNoLock;
    }
    // Held: by a saver of ours, or (names are shared by all users) by a
    // process of someone else, which is no saver of this session.
    const int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ucred peer = {0, 0, 0};
    const bool known = probe >= 0 &&
                       connect(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                       PeerOf(probe, &peer);
    if (probe >= 0) close(probe);
    if (known && peer.uid != getuid()) {
      std::snprintf(why, capacity,
                    "no one-saver lock: its name is held by process %ld of another user",
                    static_cast<long>(peer.pid));
      return InstanceStatus::kNoLock;
    }
    return InstanceStatus::kAlreadyRunning;
  }
  if (listen(fd, 4) != 0) {
    std::snprintf(why, capacity, "no one-saver lock: %s", std::strerror(errno));
    close(fd);
    return InstanceStatus::kNoLock;
  }
  instanceLock.listenFd = fd;
  return InstanceStatus::kFirst;
}

int InstanceRequestFd() { return instanceLock.listenFd; }

bool TakeQuitRequest() {
  if (instanceLock.listenFd < 0 || instanceLock.askerFd >= 0) return false;
  const int fd = accept4(instanceLock.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  // --quit sends its request right after connecting; a caller that says
  // nothing within a second, or is someone else, is let go.
  ucred peer = {0, 0, 0};
  char request[8] = {};
  const bool asked = PeerOf(fd, &peer) && peer.uid == getuid() && WaitReadable(fd, 1000) &&
                     recv(fd, request, sizeof request - 1, MSG_DONTWAIT) ==
                         static_cast<ssize_t>(sizeof kQuitRequest - 1) &&
                     std::strcmp(request, kQuitRequest) == 0;
  if (!asked) {
    close(fd);
    return false;
  }
  instanceLock.askerFd = fd;
  return true;
}

void AnswerQuitAndReleaseLock() {
  // The name goes first, so that a saver started once --quit returns is
  // not turned away.
  if (instanceLock.listenFd >= 0) close(instanceLock.listenFd);
  instanceLock.listenFd = -1;
  if (instanceLock.askerFd >= 0) {
    send(instanceLock.askerFd, kGoneAnswer, sizeof kGoneAnswer - 1, MSG_NOSIGNAL);
    close(instanceLock.askerFd);
  }
  instanceLock.askerFd = -1;
}

QuitResult QuitRunningInstance(double seconds, char* why, size_t capacity) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!LockAddress(&address, &length)) return QuitResult::kNoneRunning;  // no saver could start
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::snprintf(why, capacity, "--quit cannot reach the saver: no socket (%s)",
                  std::strerror(errno));
    return QuitResult::kUnreachable;
  }
  // A connect that waits for room in a busy saver's queue waits no longer
  // than the answer would.
  timeval limit = {static_cast<time_t>(seconds), 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    const int error = errno;
    close(fd);
    if (error == ECONNREFUSED || error == ENOENT) return QuitResult::kNoneRunning;
    std::snprintf(why, capacity, "--quit cannot reach the saver: %s", std::strerror(error));
    return QuitResult::kUnreachable;
  }
  ucred peer = {0, 0, 0};
  if (!PeerOf(fd, &peer) || peer.uid != getuid()) {
    close(fd);
    std::snprintf(why, capacity,
                  "--quit cannot reach the saver: the one-saver lock's name is held by process "
                  "%ld of another user",
                  static_cast<long>(peer.pid));
    return QuitResult::kUnreachable;
  }
  if (send(fd, kQuitRequest, sizeof kQuitRequest - 1, MSG_NOSIGNAL) < 0) {
    const int error = errno;
    close(fd);
    // The saver ended between our connect and the request.
    if (error == EPIPE || error == ECONNRESET) return QuitResult::kEnded;
    std::snprintf(why, capacity, "--quit cannot reach the saver: %s", std::strerror(error));
    return QuitResult::kUnreachable;
  }
  if (AwaitGone(fd, NowMs() + seconds * 1000.0)) {
    close(fd);
    return QuitResult::kEnded;
  }
  // A saver that does not answer (stopped, or stuck) would stay over the
  // locker: it goes by force.
  kill(peer.pid, SIGKILL);
  const bool gone = AwaitGone(fd, NowMs() + 2000.0);
  close(fd);
  std::snprintf(why, capacity,
                gone ? "the saver (process %ld) did not answer --quit within %.0f s and was killed"
                     : "the saver (process %ld) did not answer --quit within %.0f s and did not "
                       "end when killed",
                static_cast<long>(peer.pid), seconds);
  return QuitResult::kUnreachable;
}
