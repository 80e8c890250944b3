# Debian's hardening for the native programs, as a Debian package's build gets
# it from dpkg-buildflags: stack protector, _FORTIFY_SOURCE=2, format checks,
# RELRO with immediate binding (bind-now), and position-independent
# executables. dpkg-buildflags also honours the usual DEB_*FLAGS_APPEND and
# DEB_BUILD_MAINT_OPTIONS of the environment.
#
# Off where it does not belong: the Windows cross build needs none of it, and
# the sanitizer and fuzzer builds bring their own instrumentation (fortified
# C library calls would hide accesses from AddressSanitizer). Asking for both
# is an error rather than a quietly weaker build.
if(WIN32 OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR NAVANAVA_SANITIZE OR NAVANAVA_FUZZ)
  set(navanava_hardening_default OFF)
else()
  set(navanava_hardening_default ON)
endif()
option(NAVANAVA_HARDENING
  "Build the native programs with Debian's hardening flags (dpkg-buildflags)"
  ${navanava_hardening_default})
if(NOT NAVANAVA_HARDENING)
  return()
endif()
if(WIN32)
  message(FATAL_ERROR "NAVANAVA_HARDENING is for the native programs; the Windows build needs it off")
endif()
if(NAVANAVA_SANITIZE OR NAVANAVA_FUZZ)
  message(FATAL_ERROR "NAVANAVA_HARDENING and the sanitizer or fuzzer build exclude each other: "
    "configure with -DNAVANAVA_HARDENING=OFF")
endif()

find_program(NAVANAVA_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT NAVANAVA_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "dpkg-buildflags not found: install dpkg-dev (make deps), "
    "or configure with -DNAVANAVA_HARDENING=OFF")
endif()

# Every hardening feature on; the flags map the source folder to "." in debug
# information, as a package build does, so the program does not carry the
# builder's paths.
function(navanava_buildflags variable result)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
      ${NAVANAVA_DPKG_BUILDFLAGS} --get ${variable}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${variable} failed (${status})")
  endif()
  # Optimisation and debugging information stay with CMAKE_BUILD_TYPE.
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g[0-9]*|O[0-9sgz]?)$")
  list(JOIN flags " " flags)
  set(${result} "${flags}" PARENT_SCOPE)
endfunction()

navanava_buildflags(CPPFLAGS navanava_cppflags)
navanava_buildflags(CFLAGS navanava_cflags)
navanava_buildflags(CXXFLAGS navanava_cxxflags)
navanava_buildflags(LDFLAGS navanava_ldflags)
foreach(required -fstack-protector -D_FORTIFY_SOURCE= "-z,relro" "-z,now")
  string(FIND "${navanava_cppflags} ${navanava_cflags} ${navanava_ldflags}" "${required}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "dpkg-buildflags gave no ${required}: "
      "CPPFLAGS '${navanava_cppflags}' CFLAGS '${navanava_cflags}' LDFLAGS '${navanava_ldflags}'")
  endif()
endforeach()

string(APPEND CMAKE_C_FLAGS " ${navanava_cppflags} ${navanava_cflags}")
string(APPEND CMAKE_CXX_FLAGS " ${navanava_cppflags} ${navanava_cxxflags}")
foreach(kind EXE SHARED MODULE)
  string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${navanava_ldflags}")
endforeach()

# Position-independent executables whatever the compiler's default.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE pie_output LANGUAGES C CXX)
if(NOT CMAKE_C_LINK_PIE_SUPPORTED OR NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
  message(FATAL_ERROR "the toolchain cannot link position-independent executables: ${pie_output}")
endif()
message(STATUS "Hardening: ${navanava_cppflags} ${navanava_cxxflags} ${navanava_ldflags}, PIE")
