# Toolchain for a Debian cross edition (arm64, armhf): Debian's cross compiler for the multiarch triplet that the
# preset names, with that architecture's libraries installed beside this machine's own (multiarch,
# scripts/setup.sh ARCH), and qemu-user to run what it builds.
# Usage: -DTORVALE_DEBIAN_TRIPLET=arm-linux-gnueabihf -DCMAKE_TOOLCHAIN_FILE=cmake/debian-cross.cmake
if(NOT TORVALE_DEBIAN_TRIPLET MATCHES "^([a-z0-9_]+)-linux-gnu")
    message(FATAL_ERROR "debian-cross.cmake: TORVALE_DEBIAN_TRIPLET is '${TORVALE_DEBIAN_TRIPLET}', not a Debian "
                        "multiarch triplet such as aarch64-linux-gnu")
endif()
# The checks' test projects read the toolchain again, without this build's cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TORVALE_DEBIAN_TRIPLET)

set(CMAKE_SYSTEM_NAME Linux)
# The triplet's CPU, which is also qemu-user's name for it: aarch64, arm, riscv64.
set(CMAKE_SYSTEM_PROCESSOR ${CMAKE_MATCH_1})
set(CMAKE_LIBRARY_ARCHITECTURE ${TORVALE_DEBIAN_TRIPLET})

set(CMAKE_C_COMPILER ${TORVALE_DEBIAN_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TORVALE_DEBIAN_TRIPLET}-g++)

# Libraries and headers of that architecture only, never this machine's; programs come from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TORVALE_DEBIAN_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TORVALE_DEBIAN_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# qemu finds the architecture's loader and libraries where multiarch put them, under /.
find_program(TORVALE_QEMU qemu-${CMAKE_SYSTEM_PROCESSOR} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVALE_QEMU})
