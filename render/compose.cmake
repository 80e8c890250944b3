# Frame composition: on plain pixel buffers (portable, used by the tests, the
# frame tool and the benchmarks) and on GDI (the saver itself).
add_library(navanava_render STATIC ${CMAKE_CURRENT_LIST_DIR}/compose.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_damage.cpp ${CMAKE_CURRENT_LIST_DIR}/frame_step.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pixel_scale.cpp)
target_include_directories(navanava_render PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(navanava_render PUBLIC navanava_scene)
# The blit loops are the hot path of a tick: let the compiler vectorise them
# (with run-time overlap checks) in every optimised build.
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  target_compile_options(navanava_render PRIVATE -O3)
endif()

if(WIN32)
  add_library(navanava_render_win32 STATIC ${CMAKE_CURRENT_LIST_DIR}/win32_render.cpp)
  target_include_directories(navanava_render_win32 PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(navanava_render_win32 PUBLIC navanava_scene navanava_host_state gdi32)
endif()
target_sources(navanava_render PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pixel_convert.cpp)

# The native program's sprites: the bitmaps of resources/ built into a
# source at build time, decoded once at start.
if(NOT WIN32)
  set(embedded ${CMAKE_CURRENT_BINARY_DIR}/embedded_sprites.cpp)
  set(bitmaps ${PROJECT_SOURCE_DIR}/resources/nava.bmp ${PROJECT_SOURCE_DIR}/resources/nava_m.bmp
              ${PROJECT_SOURCE_DIR}/resources/ice.bmp ${PROJECT_SOURCE_DIR}/resources/ice_m.bmp)
  add_custom_command(OUTPUT ${embedded}
    COMMAND ${CMAKE_COMMAND} -DRESOURCE_DIR=${PROJECT_SOURCE_DIR}/resources -DOUTPUT=${embedded}
            -P ${CMAKE_CURRENT_LIST_DIR}/embed_sprites.cmake
    DEPENDS ${bitmaps} ${CMAKE_CURRENT_LIST_DIR}/embed_sprites.cmake
    COMMENT "Embedding the sprite bitmaps")
  add_library(navanava_saver_sprites STATIC ${CMAKE_CURRENT_LIST_DIR}/saver_sprites.cpp ${embedded})
  target_include_directories(navanava_saver_sprites PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(navanava_saver_sprites PUBLIC navanava_render navanava_sprites)
endif()
