# The SDL side of the show: window, events and music (src/display). The programs that use it
# are in apps/; the capture tool there needs none of it.
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)

file(GLOB_RECURSE ORVANTA_PLATFORM_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/src/display/*.cpp)
add_library(orvanta_platform STATIC ${ORVANTA_PLATFORM_SOURCES})
target_link_libraries(orvanta_platform PUBLIC orvanta_core SDL2::SDL2 SDL2_mixer::SDL2_mixer ${CMAKE_DL_LIBS})
