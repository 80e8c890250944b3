# The portable core's sources, one list per library, relative to the source
# root. The native and Windows builds and the page's WebAssembly build
# (web/CMakeLists.txt) all take them from here, so a new core file is added
# once.
set(NAVANAVA_STRINGS_SOURCES scene/saver_strings.cpp)
set(NAVANAVA_SCENE_SOURCES scene/settings.cpp scene/motion.cpp)
# The settings file outside Windows, where the platform has no profile API.
set(NAVANAVA_PROFILE_STORE_SOURCES scene/profile_store.cpp)
set(NAVANAVA_SPRITE_SOURCES render/sprite_decode.cpp)
set(NAVANAVA_RENDER_SOURCES render/compose.cpp render/frame_damage.cpp render/frame_step.cpp
    render/pixel_scale.cpp render/pixel_convert.cpp)
# The built-in sprites, decoded once; with the source that
# navanava_embedded_sprites writes.
set(NAVANAVA_SAVER_SPRITES_SOURCES render/saver_sprites.cpp)
set(NAVANAVA_SLIDER_SOURCES dialog/slider_positions.cpp)
# Shared host logic: the Windows command-line switch, the dismissal rule,
# the covers' rectangles.
set(NAVANAVA_SWITCH_SOURCES host/command_line.cpp host/dismissal_rules.cpp host/cover_rects.cpp)
set(NAVANAVA_OPTION_SOURCES host/saver_options.cpp)
# The tick clock of the programs that the display wakes (page, Wayland).
set(NAVANAVA_FRAME_CLOCK_SOURCES host/frame_clock.cpp)
# The command line, the timer clock and the end signals of the X11 and
# Wayland programs.
set(NAVANAVA_NATIVE_HOST_SOURCES host/native_command_line.cpp host/timer_clock.cpp
    host/exit_codes.cpp host/standard_descriptors.cpp host/instance_name.cpp
    host/end_signals.cpp)

# Every portable source, for a build that takes the core whole (the page).
set(NAVANAVA_CORE_SOURCES
  ${NAVANAVA_STRINGS_SOURCES} ${NAVANAVA_SCENE_SOURCES} ${NAVANAVA_PROFILE_STORE_SOURCES}
  ${NAVANAVA_SPRITE_SOURCES} ${NAVANAVA_RENDER_SOURCES} ${NAVANAVA_SAVER_SPRITES_SOURCES}
  ${NAVANAVA_SLIDER_SOURCES} ${NAVANAVA_SWITCH_SOURCES} ${NAVANAVA_OPTION_SOURCES}
  ${NAVANAVA_FRAME_CLOCK_SOURCES})

# `out` = the list named `list` with `root`/ before each file.
function(navanava_sources out root list)
  set(files)
  foreach(f ${${list}})
    list(APPEND files ${root}/${f})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The four sprite bitmaps of resources/ built into a C++ source at build time
# (see render/embedded_sprites.h); `out` names that source.
function(navanava_embedded_sprites out root)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/embedded_sprites.cpp)
  set(bitmaps ${root}/resources/nava.bmp ${root}/resources/nava_m.bmp
              ${root}/resources/ice.bmp ${root}/resources/ice_m.bmp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DRESOURCE_DIR=${root}/resources -DOUTPUT=${source}
            -P ${root}/cmake/embed_sprites.cmake
    DEPENDS ${bitmaps} ${root}/cmake/embed_sprites.cmake
    COMMENT "Embedding the sprite bitmaps")
  set(${out} ${source} PARENT_SCOPE)
endfunction()
