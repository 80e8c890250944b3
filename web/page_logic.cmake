# The page's reading of its stored settings and its address: portable, so
# tested and fuzzed natively as well as built into the page's module.
add_library(navanava_page_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/page_settings.cpp)
target_include_directories(navanava_page_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(navanava_page_logic PUBLIC navanava_saver_options navanava_scene)
