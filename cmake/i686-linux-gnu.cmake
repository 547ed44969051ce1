# Native 32-bit x86 build (gcc -m32, from g++-multilib): runs the engine and
# compute tests as 32-bit code on this host, the word size of the Windows build.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# <asm/...> is normally found through gcc-multilib's /usr/include/asm link,
# but Debian removes gcc-multilib whenever a cross compiler (s390x, say) is
# installed beside it. The headers the link points at serve both word sizes,
# so they are searched last here, after any such link.
set(CMAKE_C_FLAGS_INIT "-m32 -idirafter /usr/include/x86_64-linux-gnu")
set(CMAKE_CXX_FLAGS_INIT "-m32 -idirafter /usr/include/x86_64-linux-gnu")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# Not every x86-64 kernel runs 32-bit programs; qemu-user always can.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
