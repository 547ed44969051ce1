# Cross build for another Debian architecture, QUORVIN_DEBIAN_ARCH (arm64,
# armhf, ...): Debian's cross compiler for its triplet, against that
# architecture's libraries (Qt, OpenSSL), installed beside the build
# machine's own (multiarch), and the tests run under its qemu-user
# emulator. Both come from packaging/architectures.txt.
#
# Debian's cross compilers install beside g++-N-multilib (only the
# unversioned gcc-multilib conflicts with them).
if(NOT QUORVIN_DEBIAN_ARCH)
  message(FATAL_ERROR "cmake/debian-cross.cmake needs QUORVIN_DEBIAN_ARCH, a row of packaging/architectures.txt")
endif()
# try_compile projects read this file again, with this variable.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVIN_DEBIAN_ARCH)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../packaging/architectures.txt architecture_rows
     REGEX "^${QUORVIN_DEBIAN_ARCH} ")
if(NOT architecture_rows MATCHES "^[^ ]+ +([^ ]+) +([^ ]+) ")
  message(FATAL_ERROR "packaging/architectures.txt has no row for ${QUORVIN_DEBIAN_ARCH}")
endif()
set(QUORVIN_CROSS_TRIPLET ${CMAKE_MATCH_1})
set(qemu ${CMAKE_MATCH_2})
string(REGEX REPLACE "-.*" "" processor ${QUORVIN_CROSS_TRIPLET})

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER ${QUORVIN_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVIN_CROSS_TRIPLET}-g++)
# Qt, OpenSSL and their CMake files are in the multiarch folders
# (/usr/lib/TRIPLET), which this selects.
set(CMAKE_LIBRARY_ARCHITECTURE ${QUORVIN_CROSS_TRIPLET})
# pkg-config, which some find modules (OpenSSL's) ask first, reads only that
# architecture's descriptions, not the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${QUORVIN_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
# Qt's build-time tools (moc, uic) are the build machine's.
set(QT_HOST_PATH /usr)

# The libraries the programs link are the multiarch ones, with their own
# loader in /lib, as on a Debian of that architecture; the cross compiler's
# C library (/usr/TRIPLET) is for linking only and may be another revision,
# which its loader would mix with the multiarch C library. So no -L.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu})
