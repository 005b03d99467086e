# Profile-guided optimisation of the core: a build of its own (same source, same options, the
# core instrumented) draws the whole show once on a data set from our generator, and the core
# of this build is compiled with the counts it left. Branch layout and unrolling follow the
# show's real paths; the arithmetic is the same, so every frame is the same (the golden test).
#
# ORVANTA_PROFILE_GENERATE is set for that inner build only.

set(ORVANTA_PROFILE_GENERATE "" CACHE PATH "Inner build of ORVANTA_PROFILE_GUIDED: write the core's profile here")
mark_as_advanced(ORVANTA_PROFILE_GENERATE)

if(ORVANTA_PROFILE_GENERATE)
  # Profile files are named by the object's path below the build folder, so that the outer
  # build finds them under its own.
  target_compile_options(orvanta_core PRIVATE -fprofile-generate=${ORVANTA_PROFILE_GENERATE}
                                              -fprofile-prefix-path=${CMAKE_BINARY_DIR} -fprofile-update=single)
  target_link_options(orvanta_core INTERFACE -fprofile-generate=${ORVANTA_PROFILE_GENERATE})
  return()
endif()

if(NOT ORVANTA_PROFILE_GUIDED)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_VERSION VERSION_LESS 11 OR CMAKE_CROSSCOMPILING
   OR ORVANTA_SANITIZE OR ORVANTA_TSAN OR ORVANTA_FUZZ)
  message(STATUS "Profile-guided optimisation needs a native GCC 11 or later build without sanitizers: left out")
  return()
endif()

include(ExternalProject)
# Under make the inner build shares the outer one's jobs.
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(ORVANTA_PROFILE_BUILD $(MAKE) orvanta_capture datagen)
else()
  set(ORVANTA_PROFILE_BUILD ${CMAKE_COMMAND} --build <BINARY_DIR> --target orvanta_capture datagen)
endif()
set(ORVANTA_PROFILE_DIR ${CMAKE_BINARY_DIR}/profile)
set(ORVANTA_PROFILE_RUN ${CMAKE_BINARY_DIR}/profile-run)
ExternalProject_Add(orvanta_profile_run
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${ORVANTA_PROFILE_RUN}/build
  STAMP_DIR ${ORVANTA_PROFILE_RUN}/stamp
  TMP_DIR ${ORVANTA_PROFILE_RUN}/tmp
  # The same compiler, flags and options as this build: the counts fit only code compiled alike.
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
             "-DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS}"
             -DORVANTA_WERROR=${ORVANTA_WERROR} -DORVANTA_VECTOR_PATHS=${ORVANTA_VECTOR_PATHS}
             -DORVANTA_BUILD_PLATFORM=OFF -DORVANTA_BUILD_TESTS=OFF -DORVANTA_BUILD_BENCH=OFF
             -DORVANTA_PROFILE_GUIDED=OFF -DORVANTA_PROFILE_GENERATE=${ORVANTA_PROFILE_DIR}
  BUILD_COMMAND ${ORVANTA_PROFILE_BUILD}
  # Rebuilt whenever this build is, so that source changes reach the profile.
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
# The run itself, again only when the instrumented program changed (profile_run.cmake).
ExternalProject_Add_Step(orvanta_profile_run run
  COMMAND ${CMAKE_COMMAND} -DCAPTURE=<BINARY_DIR>/apps/orvanta_capture -DDATAGEN=<BINARY_DIR>/tools/datagen/datagen
          -DRUN_DIR=${ORVANTA_PROFILE_RUN} -DPROFILE_DIR=${ORVANTA_PROFILE_DIR}
          -P ${CMAKE_CURRENT_LIST_DIR}/profile_run.cmake
  DEPENDEES build
  ALWAYS ON
  COMMENT "The core's profile: one run of the whole show")

add_dependencies(orvanta_core orvanta_profile_run)
# A source changed since the run keeps its counts from before where they still fit and is
# compiled without them where they do not; neither stops the build.
target_compile_options(orvanta_core PRIVATE -fprofile-use=${ORVANTA_PROFILE_DIR} -fprofile-prefix-path=${CMAKE_BINARY_DIR}
                                            -Wno-missing-profile -Wno-error=coverage-mismatch)
