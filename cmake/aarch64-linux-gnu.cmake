# Cross build for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu).
# Libraries of the target come from Debian's multiarch folders (/usr/lib/aarch64-linux-gnu);
# header-only packages from /usr/include. Programs built here run under qemu-aarch64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and build steps that run a target program go through the emulator.
find_program(ORVANTA_QEMU_AARCH64 qemu-aarch64)
if(ORVANTA_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANTA_QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
endif()
