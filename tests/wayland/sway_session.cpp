#include "tests/wayland/sway_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/x11/x11_test_support.h"
#include "tools/png_io.h"

namespace {

bool NobodyIds(uid_t* uid, gid_t* gid) {
  const passwd* p = getpwnam("nobody");
  if (p == nullptr) return false;
  *uid = p->pw_uid;
  *gid = p->pw_gid;
  return true;
}

// `handOver` >= 0 becomes the child's descriptor 3.
pid_t SpawnWith(const std::vector<std::string>& args, const std::vector<std::string>& env,
                const std::string& outputPath, int* input, int handOver = -1) {
  std::vector<std::string> argStore = args, envStore = env;
  std::vector<char*> argv, envp;
  for (std::string& a : argStore) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  for (std::string& e : envStore) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipeFds[2] = {-1, -1};
  if (input != nullptr && pipe2(pipeFds, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (handOver >= 0) posix_spawn_file_actions_adddup2(&actions, handOver, 3);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (pipeFds[0] >= 0) {
    close(pipeFds[0]);
    *input = pipeFds[1];
  }
  return pid;
}

void Reap(pid_t pid, double seconds) {
  int status = 0;
  if (!WaitForExit(pid, seconds, &status)) KillChild(pid);
}

}  // namespace

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

pid_t SpawnPlain(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 const std::string& outputPath) {
  return SpawnWith(args, env, outputPath, nullptr);
}

bool SwaySession::Running(pid_t pid) {
  if (pid <= 0) return false;
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

std::vector<std::string> SwaySession::Environment(const std::vector<std::string>& extra) const {
  // --pdeathsig: whatever is started here ends with the test program, also
  // when that is killed (a CTest time-out) before it could stop them itself.
  std::vector<std::string> env = {"setpriv", "--reuid=nobody", "--regid=nogroup",
                                  "--clear-groups", "--pdeathsig=TERM", "env", "-i",
                                  "PATH=/usr/bin:/bin", "HOME=" + home,
                                  "XDG_RUNTIME_DIR=" + runtime, "XDG_CONFIG_HOME=" + home + "/config"};
  if (!display.empty()) env.push_back("WAYLAND_DISPLAY=" + display);
  // The sanitizer build's settings reach the program.
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
    const char* value = std::getenv(name);
    if (value != nullptr) env.push_back(std::string(name) + "=" + value);
  }
  DIR* d = opendir(runtime.c_str());
  if (d != nullptr) {
    while (const dirent* e = readdir(d)) {
      if (std::strncmp(e->d_name, "sway-ipc.", 9) == 0) {
        env.push_back("SWAYSOCK=" + runtime + "/" + e->d_name);
      }
    }
    closedir(d);
  }
  for (const std::string& e : extra) env.push_back(e);
  return env;
}

bool SwaySession::MakeFolders(std::string* error) {
  uid_t uid;
  gid_t gid;
  if (!NobodyIds(&uid, &gid)) {
    *error = "no account nobody";
    return false;
  }
  char pattern[] = "/tmp/navanava-sway-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    *error = "mkdtemp failed";
    return false;
  }
  dir = pattern;
  chmod(dir.c_str(), 0755);
  runtime = dir + "/run";
  home = dir + "/home";
  mkdir(runtime.c_str(), 0700);
  mkdir(home.c_str(), 0755);
  mkdir((home + "/config").c_str(), 0755);
  if (chown(runtime.c_str(), uid, gid) != 0 || chown(home.c_str(), uid, gid) != 0 ||
      chown((home + "/config").c_str(), uid, gid) != 0) {
    *error = "chown failed";
    return false;
  }
  return true;
}

// The compositor's socket in the runtime folder, up to 30 s.
bool SwaySession::WaitForSocket() {
  for (int i = 0; i < 300 && display.empty(); ++i) {
    if (!Running(swayPid)) return false;
    DIR* d = opendir(runtime.c_str());
    if (d != nullptr) {
      while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos) display = name;
      }
      closedir(d);
    }
    if (display.empty()) SleepSeconds(0.1);
  }
  return !display.empty();
}

bool SwaySession::Start(const std::vector<std::string>& config, int outputs, std::string* error) {
  if (!MakeFolders(error)) return false;
  {
    std::ofstream out(dir + "/sway.conf");
    for (const std::string& line : config) out << line << "\n";
  }
  chmod((dir + "/sway.conf").c_str(), 0644);
  std::vector<std::string> args = Environment(
      {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
       "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs), "sway", "-c", dir + "/sway.conf"});
  swayPid = SpawnWith(args, {}, dir + "/sway.log", nullptr);
  if (swayPid < 0) {
    *error = "cannot start sway";
    return false;
  }
  // Then the IPC with every output.
  for (int i = 0; i < 60 && WaitForSocket(); ++i) {
    std::string out;
    if (Run({"swaymsg", "-t", "get_outputs", "-r"}, 10, &out) == 0) {
      int found = 0;
      for (size_t at = out.find("\"HEADLESS-"); at != std::string::npos;
           at = out.find("\"HEADLESS-", at + 1)) {
        ++found;
      }
      if (found >= outputs) return true;
    }
    SleepSeconds(0.25);
  }
  *error = "sway did not come up: " + ReadFileText(dir + "/sway.log");
  return false;
}

bool SwaySession::StartWeston(std::string* error) {
  if (!MakeFolders(error)) return false;
  std::vector<std::string> args =
      Environment({"weston", "--backend=headless-backend.so", "--socket=wayland-5", "--idle-time=0"});
  swayPid = SpawnWith(args, {}, dir + "/weston.log", nullptr);
  if (swayPid < 0 || !WaitForSocket()) {
    *error = "weston did not come up: " + ReadFileText(dir + "/weston.log");
    return false;
  }
  return true;
}

void SwaySession::Stop() {
  for (pid_t pid : started_) {
    if (Running(pid)) kill(pid, SIGKILL);
    Reap(pid, 5);
  }
  started_.clear();
  if (swayPid > 0) {
    if (Running(swayPid)) kill(swayPid, SIGTERM);
    Reap(swayPid, 10);
    swayPid = -1;
  }
  if (!dir.empty() && dir.rfind("/tmp/navanava-sway-", 0) == 0) {
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
  }
  dir.clear();
}

// A program of the build, copied into the session's folder: nobody may not
// reach the build folder itself (a checkout under a private folder such as
// one from mktemp -d). Programs of the system are run where they are.
std::string SwaySession::Reachable(const std::string& program) const {
  if (program.empty() || program[0] != '/' || program.rfind("/usr/", 0) == 0) return program;
  if (!dir.empty() && program.rfind(dir + "/", 0) == 0) return program;
  const std::string bin = dir + "/bin";
  mkdir(bin.c_str(), 0755);
  const std::string copy = bin + "/" + std::filesystem::path(program).filename().string();
  std::error_code ignored;
  std::filesystem::copy_file(program, copy, std::filesystem::copy_options::skip_existing, ignored);
  chmod(copy.c_str(), 0755);
  return copy;
}

// An absolute path to an executable file outside the system's folders.
bool SwaySession::IsBuildProgram(const std::string& path) const {
  if (path.empty() || path[0] != '/' || path.rfind("/usr/", 0) == 0) return false;
  if (!dir.empty() && path.rfind(dir + "/", 0) == 0) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR) != 0;
}

NobodyProcess SwaySession::Spawn(const std::vector<std::string>& args,
                                 const std::vector<std::string>& env, bool withInput) {
  NobodyProcess p;
  std::vector<std::string> all = Environment(env);
  all.insert(all.end(), args.begin(), args.end());
  // The program, or a program it is to run (after `env`-style assignments or
  // as another program's argument): every executable file of the build.
  for (size_t i = all.size() - args.size(); i < all.size(); ++i) {
    if (IsBuildProgram(all[i])) all[i] = Reachable(all[i]);
  }
  p.outputPath = dir + "/out-" + std::to_string(started_.size()) + ".txt";
  p.pid = SpawnWith(all, {}, p.outputPath, withInput ? &p.input : nullptr);
  if (p.pid > 0) started_.push_back(p.pid);
  return p;
}

NobodyProcess SwaySession::SpawnOnSocket(const std::vector<std::string>& args) {
  NobodyProcess p;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s/%s", runtime.c_str(),
                display.c_str());
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (fd >= 0) close(fd);
    return p;
  }
  // WAYLAND_DISPLAY names no compositor: only the handed-over socket works.
  std::vector<std::string> all = Environment({"WAYLAND_DISPLAY=no-such-compositor", "WAYLAND_SOCKET=3"});
  all.insert(all.end(), args.begin(), args.end());
  // The program, or a program it is to run (after `env`-style assignments or
  // as another program's argument): every executable file of the build.
  for (size_t i = all.size() - args.size(); i < all.size(); ++i) {
    if (IsBuildProgram(all[i])) all[i] = Reachable(all[i]);
  }
  p.outputPath = dir + "/out-" + std::to_string(started_.size()) + ".txt";
  p.pid = SpawnWith(all, {}, p.outputPath, nullptr, fd);
  close(fd);
  if (p.pid > 0) started_.push_back(p.pid);
  return p;
}

int SwaySession::Run(const std::vector<std::string>& args, double seconds, std::string* output,
                     const std::vector<std::string>& env) {
  const NobodyProcess p = Spawn(args, env);
  if (p.pid < 0) return -1001;
  int status = 0;
  int code = -1000;
  if (WaitForExit(p.pid, seconds, &status)) {
    code = ExitCodeOf(status);
  } else {
    KillChild(p.pid);
  }
  if (output != nullptr) *output = ReadFileText(p.outputPath);
  return code;
}

bool SwaySession::Screenshot(const std::string& output, std::vector<uint32_t>* pixels, int* width,
                             int* height) {
  const std::string path = home + "/shot-" + std::to_string(shots_++) + ".png";
  if (Run({"grim", "-o", output, path}, 30) != 0) return false;
  const bool read = ReadRgbPng(path, pixels, width, height);
  // NAVANAVA_SHOT keeps the last picture for a look.
  const char* keep = std::getenv("NAVANAVA_SHOT");
  if (read && keep != nullptr && keep[0] != '\0') {
    WriteRgbPng(std::string(keep) + "-" + output + ".png", pixels->data(), *width, *height);
  }
  unlink(path.c_str());
  return read;
}
