# Cross build for 64-bit IBM Z (s390x), a big-endian host, with Debian's
# cross compiler (g++-s390x-linux-gnu). The tests run under qemu-user, with
# the cross C and C++ libraries as the emulated program's root (-L).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(QUORVIN_CROSS_TRIPLET s390x-linux-gnu)
set(CMAKE_C_COMPILER ${QUORVIN_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVIN_CROSS_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVIN_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-s390x -L /usr/${QUORVIN_CROSS_TRIPLET})
