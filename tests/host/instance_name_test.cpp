// The Wayland saver's lock name: one name for one compositor however its
// socket is spelled, another for another user or compositor, and a long path
// that still fits an abstract address.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/instance_name.h"

namespace {

std::string Name(unsigned uid, const char* runtime, const char* display) {
  char path[4096];
  if (!WaylandSocketPath(runtime, display, path, sizeof path)) return "(none)";
  char name[kInstanceNameCapacity];
  InstanceLockName(uid, path, name);
  return name;
}

TEST(InstanceName, OneNamePerUserAndCompositorHoweverTheSocketIsSpelled) {
  const struct {
    const char* runtime;
    const char* display;
    const char* name;
  } cases[] = {
      {"/run/user/1000", "wayland-1", "navanava-wayland/1000//run/user/1000/wayland-1"},
      {"/run/user/1000", "/run/user/1000/wayland-1", "navanava-wayland/1000//run/user/1000/wayland-1"},
      {"/elsewhere", "/run/user/1000/wayland-1", "navanava-wayland/1000//run/user/1000/wayland-1"},
      {"/run/user/1000", nullptr, "navanava-wayland/1000//run/user/1000/wayland-0"},
      {"/run/user/1000", "", "navanava-wayland/1000//run/user/1000/wayland-0"},
      {"/run/user/1000", "wayland-2", "navanava-wayland/1000//run/user/1000/wayland-2"},
      {nullptr, "wayland-1", "(none)"},
      {"", "wayland-1", "(none)"},
      {nullptr, "/tmp/sock", "navanava-wayland/1000//tmp/sock"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Name(1000, k.runtime, k.display), k.name)
        << (k.runtime ? k.runtime : "(unset)") << " " << (k.display ? k.display : "(unset)");
  }
  EXPECT_NE(Name(1000, "/r", "wayland-1"), Name(1001, "/r", "wayland-1"));
}

TEST(InstanceName, LongPathsFitAndStayApart) {
  const std::string folder = "/" + std::string(150, 'a');
  const std::string a = Name(1000, folder.c_str(), "wayland-1");
  const std::string b = Name(1000, folder.c_str(), "wayland-2");
  EXPECT_LT(a.size(), kInstanceNameCapacity);
  EXPECT_EQ(a.rfind("navanava-wayland/1000/#", 0), 0u) << a;
  EXPECT_NE(a, b);
  EXPECT_EQ(a, Name(1000, folder.c_str(), "wayland-1"));
}

// A symbolic link to the runtime folder names the same compositor.
TEST(InstanceName, TheEnvironmentsSocketIsResolved) {
  char pattern[] = "/tmp/navanava-name-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, link = dir + "-link";
  const std::string socketFile = dir + "/wayland-7";
  close(creat(socketFile.c_str(), 0600));
  ASSERT_EQ(symlink(dir.c_str(), link.c_str()), 0);
  char viaDir[kInstanceNameCapacity], viaLink[kInstanceNameCapacity];
  setenv("WAYLAND_DISPLAY", "wayland-7", 1);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  ASSERT_TRUE(InstanceLockNameFromEnvironment(viaDir));
  setenv("XDG_RUNTIME_DIR", link.c_str(), 1);
  ASSERT_TRUE(InstanceLockNameFromEnvironment(viaLink));
  EXPECT_STREQ(viaDir, viaLink);
  unlink(link.c_str());
  unlink(socketFile.c_str());
  rmdir(dir.c_str());
}

}  // namespace
