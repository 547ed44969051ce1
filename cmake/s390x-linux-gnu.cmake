# Cross build for 64-bit IBM Z (s390x), a big-endian host. The tests run under
# qemu-user, with the cross C and C++ libraries as the emulated program's
# root (-L).
#
# The compiler is clang, told the target: Debian's s390x gcc cross compilers
# conflict with gcc-multilib, which the 32-bit x86 build needs, while clang
# cross-compiles with no more than the cross libraries
# (libstdc++-12-dev-s390x-cross) and the cross linker (binutils-s390x-linux-gnu),
# none of which conflict with anything.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(QUORVIN_CROSS_TRIPLET s390x-linux-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${QUORVIN_CROSS_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${QUORVIN_CROSS_TRIPLET})

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVIN_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x -L /usr/${QUORVIN_CROSS_TRIPLET})
