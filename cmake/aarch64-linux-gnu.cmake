# Cross build for 64-bit Arm (arm64): the native program on Debian's arm64
# Qt, installed beside the build machine's own (multiarch), and the tests
# run under qemu-user.
#
# Debian's arm64 g++ cross compiler installs beside g++-N-multilib (only the
# unversioned gcc-multilib conflicts with cross compilers).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(QUORVIN_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QUORVIN_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVIN_CROSS_TRIPLET}-g++)
# Qt, OpenSSL and their CMake files are in the multiarch folders
# (/usr/lib/aarch64-linux-gnu), which this selects.
set(CMAKE_LIBRARY_ARCHITECTURE ${QUORVIN_CROSS_TRIPLET})
# pkg-config, which some find modules (OpenSSL's) ask first, reads only the
# arm64 descriptions, not the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${QUORVIN_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
# Qt's build-time tools (moc, uic) are the build machine's.
set(QT_HOST_PATH /usr)

# The arm64 libraries the program links are the multiarch ones, with their
# own loader in /lib, as on an arm64 Debian; the cross compiler's C library
# (/usr/aarch64-linux-gnu) is for linking only and may be another revision,
# which its loader would mix with the multiarch C library. So no -L.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
