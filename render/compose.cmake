# Frame composition: on plain pixel buffers (portable, used by the tests, the
# frame tool and the benchmarks) and on GDI (the saver itself).
add_library(navanava_render STATIC ${CMAKE_CURRENT_LIST_DIR}/compose.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_damage.cpp ${CMAKE_CURRENT_LIST_DIR}/pixel_scale.cpp)
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
