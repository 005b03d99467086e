# Toolchain for the web page: Debian's emscripten (or another install named by EMSCRIPTEN).
# Used by the "web" preset; the programs, tools and tests stay native.

if(DEFINED ENV{EMSCRIPTEN})
  set(ORVANTA_EMSCRIPTEN_ROOT "$ENV{EMSCRIPTEN}" CACHE PATH "The emscripten installation")
else()
  set(ORVANTA_EMSCRIPTEN_ROOT "/usr/share/emscripten" CACHE PATH "The emscripten installation")
endif()
if(NOT EXISTS "${ORVANTA_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")
  message(FATAL_ERROR "emscripten not found in ${ORVANTA_EMSCRIPTEN_ROOT} (scripts/install-deps.sh web installs it)")
endif()
include("${ORVANTA_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")

# The compiler's optimiser runs on Node.js and needs the Node modules Debian installs beside
# its own Node.js, which is not always the node found first.
set(ORVANTA_EMSCRIPTEN_ENV NODE_PATH=/usr/share/nodejs)
# The prebuilt system libraries live in emscripten's cache; where that folder cannot be written
# (it takes a lock file), a copy under the build folder is used.
set(ORVANTA_EMSCRIPTEN_CACHE "${ORVANTA_EMSCRIPTEN_ROOT}/cache")
if(DEFINED ENV{EM_CACHE})
  set(ORVANTA_EMSCRIPTEN_CACHE "$ENV{EM_CACHE}")
elseif(EXISTS "${ORVANTA_EMSCRIPTEN_CACHE}" AND CMAKE_BINARY_DIR)
  execute_process(COMMAND test -w "${ORVANTA_EMSCRIPTEN_CACHE}" RESULT_VARIABLE not_writable)
  if(not_writable)
    set(copied "${CMAKE_BINARY_DIR}/emscripten-cache")
    if(NOT EXISTS "${copied}")
      file(COPY "${ORVANTA_EMSCRIPTEN_CACHE}/" DESTINATION "${copied}")
    endif()
    set(ORVANTA_EMSCRIPTEN_CACHE "${copied}")
  endif()
endif()
list(APPEND ORVANTA_EMSCRIPTEN_ENV "EM_CACHE=${ORVANTA_EMSCRIPTEN_CACHE}")
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env ${ORVANTA_EMSCRIPTEN_ENV})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env ${ORVANTA_EMSCRIPTEN_ENV})
set(CMAKE_C_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env ${ORVANTA_EMSCRIPTEN_ENV})
