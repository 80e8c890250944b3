#pragma once
// A headless sway for one test: its own runtime folder, run as nobody (sway
// refuses root), with every client started through it run as nobody too and
// stopped when the session ends, whatever the test's outcome.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

struct NobodyProcess {
  pid_t pid = -1;
  std::string outputPath;  // stdout and stderr together
  int input = -1;          // its stdin, when asked for
};

class SwaySession {
 public:
  SwaySession() = default;
  SwaySession(const SwaySession&) = delete;
  SwaySession& operator=(const SwaySession&) = delete;
  ~SwaySession() { Stop(); }

  // Starts sway with `outputs` headless outputs and these config lines, and
  // waits (bounded) until its socket and IPC answer with every output.
  bool Start(const std::vector<std::string>& config, int outputs, std::string* error);
  // Starts a headless weston instead (a compositor without layer-shell).
  bool StartWeston(std::string* error);
  // Stops every process started here, then sway.
  void Stop();

  // `program` where nobody can run it (see the definition).
  std::string Reachable(const std::string& program) const;
  // Starts `args` as nobody with the session's environment plus `env`.
  NobodyProcess Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                      bool withInput = false);
  // The same on a connection made here and handed over in WAYLAND_SOCKET
  // (as a locker hands one to a wallpaper program).
  NobodyProcess SpawnOnSocket(const std::vector<std::string>& args);
  // Runs `args` to its end (killed after `seconds`); its exit code, or -1000
  // when it had to be killed.
  int Run(const std::vector<std::string>& args, double seconds, std::string* output = nullptr,
          const std::vector<std::string>& env = {});
  // The output's pixels as grim takes them (0x00RRGGBB).
  bool Screenshot(const std::string& output, std::vector<uint32_t>* pixels, int* width,
                  int* height);
  // Whether a process started here is still running (not ended, not a zombie).
  static bool Running(pid_t pid);

  std::string dir;       // root-owned, readable by all
  std::string runtime;   // XDG_RUNTIME_DIR, nobody's
  std::string display;   // the socket's name
  std::string home;      // nobody's HOME and writable folder
  pid_t swayPid = -1;

 private:
  std::vector<std::string> Environment(const std::vector<std::string>& extra) const;
  bool IsBuildProgram(const std::string& path) const;
  bool MakeFolders(std::string* error);
  bool WaitForSocket();
  std::vector<pid_t> started_;
  int shots_ = 0;
};

// Spawns a program as root with its output in `outputPath` (tests that need
// no compositor).
pid_t SpawnPlain(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 const std::string& outputPath);
std::string ReadFileText(const std::string& path);
