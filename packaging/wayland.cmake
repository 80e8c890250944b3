# The Wayland program in the Debian package: navanava-wayland in /usr/bin and
# its manual page. Included from packaging/CMakeLists.txt once the
# navanava-wayland target exists; a missing target is a configure error.
if(NOT TARGET navanava-wayland)
  message(FATAL_ERROR "packaging/wayland.cmake: no navanava-wayland target; "
    "include it after the Wayland program is defined")
endif()
navanava_install_program(navanava-wayland bin)
navanava_install_manpage(navanava-wayland.1 1 navanava-wayland.1)
