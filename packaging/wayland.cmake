# The Wayland program in the Debian package: navanava-wayland in /usr/bin and
# its manual page, and the package's description saying so. Included from
# packaging/CMakeLists.txt once the navanava-wayland target exists and before
# CPack is; a missing target is a configure error.
if(NOT TARGET navanava-wayland)
  message(FATAL_ERROR "packaging/wayland.cmake: no navanava-wayland target; "
    "include it after the Wayland program is defined")
endif()
navanava_install_program(navanava-wayland bin)
navanava_install_manpage(navanava-wayland.1 1 navanava-wayland.1)
string(APPEND CPACK_PACKAGE_DESCRIPTION "
On Wayland compositors with the wlr-layer-shell protocol (sway, Hyprland,
river, labwc, KDE Plasma and others), navanava-wayland is the screen saver
that the idle daemon starts.")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "swayidle")
