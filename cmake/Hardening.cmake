# Hardening. The program opens and reads any file a user names, so a memory
# fault in it must not become control of it.
#
# Native (ELF) builds:
#   - position-independent executables, so that address randomisation
#     covers the program's own code too;
#   - full RELRO: relocations done at load (-z now), then the tables made
#     read-only (-z relro), so no function pointer in them can be rewritten;
#   - a non-executable stack.
# Both builds:
#   - a canary in every function with a local array or an address-taken
#     local (-fstack-protector-strong), and on ELF stack-clash probing;
#   - _FORTIFY_SOURCE=2: C library calls whose destination size the compiler
#     knows go through the C library's checked (*_chk) versions; level 2, the
#     distribution's own default. It needs optimisation, hence only in the
#     optimised configurations. cmake/fortify-level.h, forced into every
#     unit, records the level each was compiled with, for the checks;
# The Windows build links its stack protector and checked calls (GCC's
# libssp) statically, so that it still needs no DLL but the system's, and
# its executable is relocatable (ASLR), DEP-compatible and terminal-server
# aware (ui/CMakeLists.txt), as Windows linkers make programs by default.
# Set for every target of the build, third-party code built here included.
option(QUORVIN_HARDENING "Harden the binaries (PIE, full RELRO, stack protector, _FORTIFY_SOURCE, non-executable stack)" ON)

set(QUORVIN_HARDENING_ACTIVE OFF)
if(QUORVIN_HARDENING)
  set(QUORVIN_HARDENING_ACTIVE ON)
  # C++ only: the Windows build's resource compiler takes no such options.
  set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  set(cxx "$<COMPILE_LANGUAGE:CXX>")
  add_compile_options("$<${cxx}:-fstack-protector-strong>"
    "$<$<AND:${cxx},${optimised}>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
    "$<${cxx}:SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/fortify-level.h>")
  if(NOT WIN32)
    include(CheckPIESupported)
    check_pie_supported(LANGUAGES CXX)
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options("$<${cxx}:-fstack-clash-protection>")
    add_link_options(-Wl,-z,relro -Wl,-z,now -Wl,-z,noexecstack)
  else()
    # The driver then links libssp, where MinGW's checked calls and canary
    # failure live (glibc has its own).
    add_link_options(-fstack-protector-strong)
  endif()
endif()

# The check reads a cross build's files with the GNU readelf of the
# toolchain's triplet (QUORVIN_CROSS_TRIPLET), from the cross binutils; not
# CMake's CMAKE_READELF, which for a clang toolchain is LLVM's, whose output
# the check does not read.
set(QUORVIN_HARDENING_CHECK_ENVIRONMENT "")
if(QUORVIN_CROSS_TRIPLET)
  find_program(QUORVIN_CROSS_READELF ${QUORVIN_CROSS_TRIPLET}-readelf REQUIRED)
  set(QUORVIN_HARDENING_CHECK_ENVIRONMENT READELF=${QUORVIN_CROSS_READELF})
endif()

# Adds a test that reads `target`'s ELF headers and symbols and fails unless
# all of the hardening above is in the built file. Every executable of a
# native build calls it, or says why not with the target property
# QUORVIN_HARDENING_EXEMPT; quorvin_require_hardening_checks() holds them
# to that.
function(quorvin_check_hardening target)
  if(QUORVIN_HARDENING_ACTIVE AND NOT WIN32)
    add_test(NAME hardening.${target}
             COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-hardening.sh $<TARGET_FILE:${target}>)
    set_tests_properties(hardening.${target} PROPERTIES
                         ENVIRONMENT "${QUORVIN_HARDENING_CHECK_ENVIRONMENT}")
    set_property(TARGET ${target} PROPERTY QUORVIN_HARDENING_CHECKED ON)
  endif()
endfunction()

# Called once, at the end of the top-level list file: fails the configure if
# an executable built here has neither a hardening test nor a stated reason
# for none, so that a new program, or a check lost on the way, cannot drop
# out of the tests unseen. The tests themselves are registered only in
# folders added after enable_testing(); a test checks that they all were
# (hardening.every_program_is_checked).
function(quorvin_require_hardening_checks)
  if(NOT QUORVIN_HARDENING_ACTIVE OR WIN32 OR NOT BUILD_TESTING)
    return()
  endif()
  set(folders ${PROJECT_SOURCE_DIR})
  set(checked "")
  set(unchecked "")
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      get_target_property(is_checked ${target} QUORVIN_HARDENING_CHECKED)
      get_target_property(exempt ${target} QUORVIN_HARDENING_EXEMPT)
      if(NOT type STREQUAL "EXECUTABLE" OR exempt)
        continue()
      elseif(is_checked)
        list(APPEND checked ${target})
      else()
        list(APPEND unchecked ${target})
      endif()
    endforeach()
  endwhile()
  if(unchecked)
    message(FATAL_ERROR "Executables without a hardening test: ${unchecked}. Call "
                        "quorvin_check_hardening(target), or set the target's QUORVIN_HARDENING_EXEMPT "
                        "property to the reason it needs none.")
  endif()
  add_test(NAME hardening.every_program_is_checked
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} "-DPROGRAMS=${checked}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-hardening-registered.cmake)
endfunction()
