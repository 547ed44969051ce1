# Hardening for the native (ELF) builds. The program opens and reads any file
# a user names, so a memory fault in it must not become control of it:
#   - position-independent executables, so that address randomisation
#     covers the program's own code too;
#   - full RELRO: relocations done at load (-z now), then the tables made
#     read-only (-z relro), so no function pointer in them can be rewritten;
#   - a canary in every function with a local array or an address-taken
#     local (-fstack-protector-strong), and stack-clash probing;
#   - _FORTIFY_SOURCE=2: C library calls whose destination size the compiler
#     knows go through the C library's checked (*_chk) versions; level 2, the
#     distribution's own default. It needs optimisation, hence only in the
#     optimised configurations;
#   - a non-executable stack.
# Set for every target of the build, third-party code built here included.
# The Windows build gets its own counterparts from the Windows linker.
option(QUORVIN_HARDENING "Harden the native binaries (PIE, full RELRO, stack protector, _FORTIFY_SOURCE, non-executable stack)" ON)

set(QUORVIN_HARDENING_ACTIVE OFF)
if(QUORVIN_HARDENING AND NOT WIN32)
  set(QUORVIN_HARDENING_ACTIVE ON)
  include(CheckPIESupported)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(-Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
endif()

# Adds a test that reads `target`'s ELF headers and symbols and fails unless
# all of the hardening above is in the built file. Call it for every
# executable that ships or that carries the project's code.
function(quorvin_check_hardening target)
  if(QUORVIN_HARDENING_ACTIVE)
    add_test(NAME hardening.${target}
             COMMAND ${PROJECT_SOURCE_DIR}/cmake/check-hardening.sh $<TARGET_FILE:${target}>)
  endif()
endfunction()
