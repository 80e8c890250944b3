# Sprite resources without the window system: RLE8 decoding, colour lookup,
# the scene palette and nearest-colour conversion. Used by the rule test, the
# render tool, the fuzzer and the composition tests.
add_library(navanava_sprites STATIC ${CMAKE_CURRENT_LIST_DIR}/sprite_decode.cpp)
target_include_directories(navanava_sprites PUBLIC ${PROJECT_SOURCE_DIR})
